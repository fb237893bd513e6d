#pragma once

// Lists as QTextList: what a list format keeps beyond Qt's own
// properties, so a save gives back what was read, and the label an item
// shows.
//
// One QTextList is one level of one list of the file: its indent() is the level
// plus one. Qt draws numbers and three bullet shapes itself; the label a
// file gave ("–", "✓", "1.1.") is kept in the format as well and written
// back and exported as it was.

#include "limits.h"
#include "properties.h"

#include <QHash>
#include <QString>
#include <QTextFormat>

#include <array>

class QTextBlock;
class QTextBlockFormat;
class QTextDocument;
class QTextList;
class QTextListFormat;

namespace model {

// A list has at most nine levels, as Word and RTF count them.
inline constexpr int kListLevels = limits::maxListLevels;

// `n` written as the style counts: "3", "c", "C", "iii", "III".
QString formatListNumber(int style, int n);

// The bullet a bullet style shows: "•", "◦", "▪" or the kept text.
QString bulletText(const QTextListFormat &format);

// The bullet style a bullet's text is shown with ("◦" and "o" a circle,
// "▪" a square, anything else a disc), for a label Qt draws itself.
int bulletStyle(const QString &label);

// The text after a number: "." unless the format says otherwise, as Qt
// draws it.
QString numberSuffix(const QTextListFormat &format);

// The labels of a document's list items visited in document order (the
// writer, the text export): each list's items are counted as they come,
// so a label costs nothing more in a long list, and the numbers of the
// levels above are those of their latest items.
class ListNumbering {
public:
    QString label(const QTextBlock &block);

private:
    struct Level {
        int number = 0;
        int style = 0;
        bool leadingZero = false;
    };
    QHash<const QTextList *, int> m_count;
    QHash<int, std::array<Level, kListLevels>> m_groups;
};

// The label a list item shows ("•", "3.", "c)"), numbered from the list's
// start; empty for a paragraph in no list.
QString listLabel(const QTextBlock &block);

// A level's label as a file gives it, where a character below kListLevels
// stands for that level's number ("\0.\1." shows "1.2."): sets the
// format's prefix and suffix around the level's own number (Qt numbers one
// level), and tells whether there is one and whether the label shows more
// numbers than its own, when it is kept whole as ListLevelTemplate.
struct LabelTemplate {
    bool ownNumber = false;
    bool compound = false;
};
LabelTemplate setLabelAffixes(QTextListFormat &format, const QString &label, int level);

// Where a paragraph's lines start, in pixels: the others' (left) and its
// first line's, relative to them. A list item's label hangs in the list's
// indent unless the paragraph says otherwise, as the model draws it.
struct ParagraphIndent {
    double left = 0;
    double firstLine = 0;
};
ParagraphIndent paragraphIndent(const QTextBlockFormat &f, const QTextDocument &doc, double listIndent);

} // namespace model
