#pragma once

// Footnotes and endnotes of a document.
//
// A note stays where the file anchors it: its reference mark is text of
// the body ("1", or a custom mark such as "*"), and the mark's character
// format carries the note. The note's content is kept as the RTF the
// writer makes of it (a document of its own), so a save writes it back
// with its formatting; its plain text is kept beside it for tooltips and
// the text export. Being format properties, notes go with the text through
// QTextDocument::clone(), copy and paste, deletion and undo: deleting the
// mark deletes the note, undo brings both back. Each note has a number of
// its own, so two neighbouring marks stay two notes.
//
// Inside a note's own document, the mark that repeats the note's number
// (RTF's \chftn in the note text) is text with NoteSelfMark set; so is a
// \chftn of the body that no note follows.

#include <QString>
#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

namespace rtf {

enum NoteProperty {
    NoteId = QTextFormat::UserProperty + 0x4E00, // int, unique in the document
    NoteRtf,         // QString: the note's content as an RTF document
    NoteText,        // QString: the note's content as plain text
    NoteKind,        // int: NoteKindValue
    NoteAutoNumber,  // bool: the mark is the note's number (\chftn), not a custom mark
    NoteSelfMark,    // int, unique: a \\chftn mark that is no note's own (in a note, the one repeating its number)
    NoteNumberingWords, // QString: how the document numbers notes, as RTF ("\\ftnstart3\\ftnnalc")
};

enum NoteKindValue { Footnote = 0, Endnote = 1 };

// True when the format is a note's reference mark.
bool isNoteMark(const QTextCharFormat &format);

// The text to show for the mark under the mouse: the note's plain text.
QString noteToolTip(const QTextCharFormat &format);

namespace detail {
// Appends a paragraph's text as the text export writes it: line breaks
// as line ends, without the object characters of pictures and the like.
// A note's plain text is made the same way, so it is the note's text after
// a save, which writes no object it cannot keep.
void appendPlainText(QString &out, QStringView text);
} // namespace detail

} // namespace rtf
