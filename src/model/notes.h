#pragma once

// Footnotes and endnotes of a document.
//
// A note stays where the file anchors it: its reference mark is text of
// the body ("1", or a custom mark such as "*"), and the mark's character
// format carries the note (NoteProperty). The note's content is kept as
// the RTF a save makes of it (a document of its own), so a save writes it
// back with its formatting; its plain text is kept beside it for tooltips
// and the text export. Being format properties, notes go with the text
// through QTextDocument::clone(), copy and paste, deletion and undo:
// deleting the mark deletes the note, undo brings both back. Each note has
// a number of its own, so two neighbouring marks stay two notes.
//
// Inside a note's own document, the mark that repeats the note's number
// is text with NoteSelfMark set; so is a number mark of the body that no
// note follows.

#include "properties.h"

#include <QString>

class QTextCharFormat;
class QTextDocument;

namespace model {

// How a document numbers its notes, as RTF and Word name the styles.
enum class NoteNumbering : quint8 { Arabic, LowerLetter, UpperLetter, LowerRoman, UpperRoman, Chicago };

// A note's number as the document shows it: "3", "c", "cc" (letters
// repeat past z), "iii", "*", "†" ... (signs repeat past §).
QString noteNumberText(int number, NoteNumbering style);

// True when the format is a note's reference mark.
bool isNoteMark(const QTextCharFormat &format);

// The plain text of a note's (or comment's) own document, as it is kept
// beside the note: list items with their labels, without the mark that
// repeats the note's number and without filler cells.
QString noteText(const QTextDocument &noteDocument);

// The text to show for the mark under the mouse: the note's plain text.
QString noteToolTip(const QTextCharFormat &format);

} // namespace model
