#pragma once

// Every property and object type the editor adds to Qt's text formats, in
// one list: what a document holds beyond Qt's own formats. Each block of
// numbers belongs to one concern; a new property goes at the end of its
// block, and a new concern gets a block of its own, so no two ids meet.
//
// Whatever reads a file into a document, or writes a document out, uses
// these and nothing of another format's internals.

#include <QTextFormat>

namespace model {

// Footnotes and endnotes (see notes.h). On the mark's character format.
enum NoteProperty {
    NoteId = QTextFormat::UserProperty + 0x4E00, // int, unique in the document
    NoteRtf,         // QString: the note's content as an RTF document
    NoteText,        // QString: the note's content as plain text
    NoteKind,        // int: NoteKindValue
    NoteAutoNumber,  // bool: the mark is the note's number, not a custom mark
    NoteSelfMark,    // int, unique: a number mark that is no note's own (in a note, the one repeating its number)
    NoteNumberingWords, // QString: how the document numbers notes, as RTF ("\\ftnstart3\\ftnnalc")
};

enum NoteKindValue { Footnote = 0, Endnote = 1 };

// What a document carries that the editor does not show (see docprops.h).
enum DocProperty {
    DocPageWords = QTextFormat::UserProperty + 0x4F00, // QString: \\paperw... \\margl... \\landscape
    DocInfo,           // QVariantMap: what the document says of itself (see documentInfo())
    DocDefaultTab,     // int: \\deftab, twips
    DocDefaultLanguage, // int: \\deflang
    DocFirstSection,   // QStringList: the first section (see docprops.h)
    SectionStart,      // block format, QStringList: the section this paragraph starts
    // Styles. DocStyles is a QVariantList of QVariantMaps: "number" (int),
    // "character" (bool), "name", "basedOn" and "next" (int, -1 none),
    // "outline" (int, -1 none), "char" (QTextCharFormat) and "block"
    // (QTextBlockFormat) with the style's formatting.
    DocStyles,
    StyleNumber,       // block format, int: the paragraph's style (\sN)
    CharStyleNumber,   // char format, int: the run's character style (\csN)
    // A piece of the file the editor keeps but does not show (a bookmark):
    // one object character (PieceObject) whose format holds the piece as
    // RTF, written back as it is. Deleting the character deletes the piece.
    OpaqueRtf,
    OpaqueText, // QString: a comment's text, for its tool tip
    // A field or embedded object whose result shows: the result's text
    // carries the RTF before it ("{\\field{\\*\\fldinst PAGE}{\\fldrslt ")
    // and a number of its own, and is written back inside it. A piece
    // with nothing to show is an OpaqueRtf character instead.
    WrapRtf,
    WrapId,
    // The document's default font, by family: text that names no font of
    // its own (in other word processors, that of kept pieces) is in it.
    DocDefaultFont,
    // A piece of a Word or OpenDocument file that the model cannot hold (a
    // text box, a shape, an equation, a content control): a PieceObject
    // character whose OpaqueText is the piece's visible text, shown beside
    // it, and whose property below is its XML element as the file held it
    // (namespace prefixes as in the file), written back when a document of
    // the same format is saved. Other formats write only the visible text.
    OpaqueWordXml,
    OpaqueOdfXml,
    // A comment: a PieceObject character at the comment's anchor whose
    // OpaqueText is the comment's text (the tool tip) and whose properties
    // below say who wrote it and when (ISO 8601). A comment read from RTF
    // keeps its annotation group in OpaqueRtf as well.
    CommentAuthor,
    CommentInitials,
    CommentDate,
    // A field's instruction ("PAGE", "HYPERLINK \"…\"", "TOC \\o"), on
    // every character of its shown result, beside WrapId (one number per
    // field). A reader of a format other than RTF sets these and no
    // WrapRtf; the RTF writer then writes the field from the instruction.
    FieldInstruction,
    // A bookmark: a PieceObject character with its name, where the bookmark
    // starts and where it ends. A bookmark read from RTF keeps its group in
    // OpaqueRtf as well.
    BookmarkStart,
    BookmarkEnd,
};

// The object type of a kept piece's character: drawn as nothing.
inline constexpr int PieceObject = QTextFormat::UserObject + 0x4F;

// The language of text (see language.h). On character formats.
enum LanguageProperty {
    // int: the run's language, a Windows language id; absent: the document's.
    CharLanguage = QTextFormat::UserProperty + 0x4C00,
    // bool: text never spell-checked (code, names, quotations).
    CharNoProof,
};

// Pictures (see pictures.h). Sizes in twips (goal), percent (scale); -1
// or absent: not given.
enum PictureProperty {
    PictureGoalWidth = QTextFormat::UserProperty + 0x5200,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY,
    PictureShownWidth, // the width in pixels the file asked for, to tell a resize
    PictureShownHeight,
};

// Lists (see lists.h). On list formats.
enum ListProperty {
    // QString: the bullet character(s) of a bullet list, as read; absent
    // for Qt's own disc, circle and square.
    ListBulletText = QTextFormat::UserProperty + 0x5300,
    // int: the number of the first item; absent: 1.
    ListStartNumber,
    // QString: a label that shows the numbers of the levels above too
    // ("1.2."): its characters 0 to 8 stand for the numbers of the levels.
    ListLevelTemplate,
    // int: lists that are levels of one list of the file share it. A
    // level's numbering starts again after an item of a level above, so
    // one level may be several lists.
    ListGroup,
    // bool: numbers below 10 are written with a leading zero ("01"), as
    // a decimal level of Word's may be.
    ListLeadingZero,
    // bool: the numbers of the levels above are shown in Arabic numerals
    // ("1.01" under "I."), as Word's legal numbering does.
    ListLegal,
};

// Tables (see tables.h).
enum TableProperty {
    // Cell format: a cell added only to fill a row that has fewer cells
    // than the table has columns; written back only if text was typed
    // into it.
    FillerCell = QTextFormat::UserProperty + 0x5400,
    // Table format: the table's width in twips as the file gave it.
    // Columns are shown as shares of the line, so a table fits the editing
    // area as it fits the page; a save turns the shares back into twips.
    TableWidthTwips,
    // Block format: the empty paragraph before a table that starts the
    // document, a note or a cell is the file's own, not the one Qt keeps
    // there (see leadsTable()): it is written.
    OwnParagraphBeforeTable,
};

} // namespace model
