#pragma once

// Lists of RTF documents as QTextList: what a list format keeps beyond
// Qt's own properties, so the writer gives back what the reader read, and
// the label an item shows.
//
// One QTextList is one level of one RTF list: its indent() is the level
// plus one. Qt draws numbers and three bullet shapes itself; the label a
// file gave ("–", "✓", "1.1.") is kept in the format as well and written
// back and exported as it was.

#include <QHash>
#include <QString>
#include <QTextFormat>

#include <array>

class QTextBlock;
class QTextList;
class QTextListFormat;

namespace rtf::detail {

enum ListProperty {
    // QString: the bullet character(s) of a bullet list, as the reader
    // decoded them; absent for Qt's own disc, circle and square.
    ListBulletText = QTextFormat::UserProperty + 0x5300,
    // int: the number of the first item; absent: 1.
    ListStartNumber,
    // QString: a label that shows the numbers of the levels above too
    // ("1.2."): its characters 0 to 8 stand for the numbers of the levels.
    ListLevelTemplate,
    // int: lists that are levels of one RTF list share it. A level's
    // numbering starts again after an item of a level above, so one RTF
    // level may be several lists.
    ListGroup,
};

// RTF's \levelnfc numbers and the list styles they are shown with.
int levelNfcOf(int style);
int listStyleOfNfc(int nfc);

// `n` written as the style counts: "3", "c", "C", "iii", "III".
QString formatListNumber(int style, int n);

// The bullet a bullet style shows: "•", "◦", "▪" or the kept text.
QString bulletText(const QTextListFormat &format);

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
    };
    QHash<const QTextList *, int> m_count;
    QHash<int, std::array<Level, 9>> m_groups;
};

} // namespace rtf::detail
