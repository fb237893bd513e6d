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

#include <QTextFormat>

class QTextCharFormat;

namespace rtf {

enum DocProperty {
    DocPageWords = QTextFormat::UserProperty + 0x4F00, // QString: \\paperw... \\margl... \\landscape
    DocInfo,           // QString: the \\info group, as RTF
    DocDefaultTab,     // int: \\deftab, twips
    DocDefaultLanguage, // int: \\deflang
    DocFirstSection,   // QStringList: the first section (see above)
    SectionStart,      // block format, QStringList: the section this paragraph starts
    // Styles. DocStyles is a QVariantList of QVariantMaps: "number" (int),
    // "character" (bool), "name", "basedOn" and "next" (int, -1 none),
    // "outline" (int, -1 none), "char" (QTextCharFormat) and "block"
    // (QTextBlockFormat) with the style's formatting.
    DocStyles,
    StyleNumber,       // block format, int: the paragraph's style (\sN)
    CharStyleNumber,   // char format, int: the run's character style (\csN)
    // A piece of the file the editor keeps but does not show (a bookmark):
    // one U+FFFC character whose format holds the piece as RTF, written
    // back as it is. Deleting the character deletes the piece.
    OpaqueRtf,
    OpaqueText, // QString: a comment's text, for its tool tip
    // A field or embedded object whose result shows: the result's text
    // carries the RTF before it ("{\\field{\\*\\fldinst PAGE}{\\fldrslt ")
    // and a number of its own, and is written back inside it. A piece
    // with nothing to show is an OpaqueRtf character instead.
    WrapRtf,
    WrapId,
    // The document's default font (\\deff), by family: text that names no
    // font of its own (in other word processors, that of kept pieces) is
    // in it.
    DocDefaultFont,
};

// The format for text typed at a position whose character before has
// `before` and after has `after`: no note, piece or object of `before`,
// and the field or object result only where it goes on after.
QTextCharFormat typingFormat(const QTextCharFormat &before, const QTextCharFormat &after);

} // namespace rtf
