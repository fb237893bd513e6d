#pragma once

// Lists of RTF documents as QTextList: what a list format keeps beyond
// Qt's own properties, so the writer gives back what the reader read, and
// the label an item shows.
//
// One QTextList is one level of one RTF list: its indent() is the level
// plus one. Qt draws numbers and three bullet shapes itself; the label a
// file gave ("–", "✓", "1.1.") is kept in the format as well and written
// back and exported as it was.

#include <QString>
#include <QTextFormat>

class QTextBlock;
class QTextListFormat;

namespace rtf::detail {

enum ListProperty {
    // QString: the bullet character(s) of a bullet list, as the reader
    // decoded them; absent for Qt's own disc, circle and square.
    ListBulletText = QTextFormat::UserProperty + 0x5300,
    // int: the number of the first item; absent: 1.
    ListStartNumber,
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

} // namespace rtf::detail
