#pragma once

// What a document carries that the editor does not show: page setup,
// sections, headers and footers, document information, the default tab
// width and language. Kept so that a save writes them back.
//
// Document-wide values are properties of the root frame's format, which
// QTextDocument::clone() keeps and no edit of the text touches. A section
// after the first starts at a paragraph whose block format has
// SectionStart; deleting that paragraph's start joins the sections, undo
// splits them again.
//
// A section is a QStringList: first its RTF section words ("\\sbknone\\cols2"),
// then pairs of a header or footer destination ("headerl", "footer" ...)
// and its content as an RTF document of its own.

#include "properties.h"

#include <QTextFormat>

class QTextCharFormat;

namespace model {

// The format for text typed at a position whose character before has
// `before` and after has `after`: no note, piece or object of `before`,
// and the field or object result only where it goes on after.
QTextCharFormat typingFormat(const QTextCharFormat &before, const QTextCharFormat &after);

} // namespace model
