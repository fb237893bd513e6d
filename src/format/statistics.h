#pragma once

// The counts of the "Statistika" window, as LibreOffice counts the same
// text, so that a writer's figures agree with the editor's who receives the
// article:
// - a word is a run of characters between white space (spaces, no-break
//   spaces, tabs, line ends) and en or em dashes: "e-mail", "1,5", "..."
//   and "%" are words, "a – b" is two, "x—y" is two;
// - characters are Unicode characters (a character outside the basic
//   plane counts once); paragraph ends are no characters, line breaks and
//   tabs are; "without spaces" leaves out all white space;
// - a paragraph counts when it holds at least one character, blanks too;
// - a list item's label counts as a word of its own ("1." two characters,
//   a bullet one), the tab after it does not;
// - table cells, notes (their text, once each, and their marks in the
//   text), headers and footers count; pictures, comments, bookmarks and
//   hidden text do not;
// - a selection counts the text selected, labels, notes and headers not.
// A standard page ("normostrana") is 1 800 characters with spaces.

#include <QString>
#include <QtGlobal>

class QTextDocument;

namespace borovka {

struct TextStatistics {
    qint64 words = 0;
    qint64 characters = 0;
    qint64 charactersWithoutSpaces = 0;
    qint64 paragraphs = 0;

    bool operator==(const TextStatistics &) const = default;
};

// The whole document: text, tables, lists, notes, headers and footers.
TextStatistics documentStatistics(const QTextDocument &doc);

// The text between two cursor positions, in either order.
TextStatistics rangeStatistics(const QTextDocument &doc, int from, int to);

// Standard pages for a count of characters with spaces, with one decimal
// place and a decimal comma: "0,0", "1,5", "12 345,7" (thin groups as
// Czech writes them, with a no-break space).
QString standardPages(qint64 characters);

} // namespace borovka
