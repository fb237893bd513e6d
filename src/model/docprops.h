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
#include <QVariantMap>

class QTextCharFormat;
class QTextDocument;

namespace model {

// The format for text typed at a position whose character before has
// `before` and after has `after`: no note, piece or object of `before`,
// and the field or object result only where it goes on after.
QTextCharFormat typingFormat(const QTextCharFormat &before, const QTextCharFormat &after);

// The page of a document (its first section's page), in twips; -1 where
// the file gave nothing (the A4 page with 2.5 cm margins then holds).
struct PageSetup {
    int width = -1;
    int height = -1;
    int marginLeft = -1;
    int marginRight = -1;
    int marginTop = -1;
    int marginBottom = -1;
    int gutter = -1; // added to the inner (left) margin
    bool landscape = false;
};

PageSetup pageSetup(const QTextDocument &doc);
// Sets the page, keeping what else the document says of it (mirrored
// margins ...).
void setPageSetup(QTextDocument &doc, const PageSetup &page);

// What a document says of itself: title, author and the rest, by the names
// "title", "subject", "author", "manager", "company", "operator",
// "category", "keywords", "comment", "doccomm", "hlinkbase" (text), and
// "creatim", "revtim", "printim", "buptim" (QDateTime). Absent: not given.
QVariantMap documentInfo(const QTextDocument &doc);
void setDocumentInfo(QTextDocument &doc, const QVariantMap &info);

} // namespace model
