#pragma once

// RTF's list level numbering kinds (\levelnfc) and the list styles they
// are shown with.

#include <QTextListFormat>

namespace rtf::detail {

inline int levelNfcOf(int style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return 0;
    case QTextListFormat::ListUpperRoman: return 1;
    case QTextListFormat::ListLowerRoman: return 2;
    case QTextListFormat::ListUpperAlpha: return 3;
    case QTextListFormat::ListLowerAlpha: return 4;
    default: return 23; // bullets
    }
}

inline int listStyleOfNfc(int nfc)
{
    switch (nfc) {
    case 1: return QTextListFormat::ListUpperRoman;
    case 2: return QTextListFormat::ListLowerRoman;
    case 3: return QTextListFormat::ListUpperAlpha;
    case 4: return QTextListFormat::ListLowerAlpha;
    case 23:
    case 255: return QTextListFormat::ListDisc; // bullet, or a label without a number
    default: return QTextListFormat::ListDecimal; // ordinals, leading zeros, East Asian counting ...
    }
}

} // namespace rtf::detail
