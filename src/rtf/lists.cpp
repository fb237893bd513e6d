// List labels, shared by the reader, the writer and the text export.

#include "lists.h"

#include "rtf.h"

#include <QTextBlock>
#include <QTextList>
#include <QTextListFormat>

#include <algorithm>
#include <climits>

namespace rtf {
namespace detail {

int levelNfcOf(int style)
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

int listStyleOfNfc(int nfc)
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

namespace {

QString roman(int n)
{
    // Roman numerals end at 3999; larger numbers are written in digits.
    if (n <= 0 || n >= 4000)
        return QString::number(n);
    static const struct { int value; const char *text; } kRoman[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
        {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
    QString out;
    for (const auto &r : kRoman) {
        while (n >= r.value) {
            out += QLatin1StringView(r.text);
            n -= r.value;
        }
    }
    return out;
}

QString letters(int n)
{
    // a ... z, aa ... az, ba ...: the bijective base 26 of spreadsheets.
    if (n <= 0)
        return QString::number(n);
    QString out;
    while (n > 0) {
        --n;
        out.prepend(QChar(u'a' + n % 26));
        n /= 26;
    }
    return out;
}

} // namespace

QString formatListNumber(int style, int n)
{
    switch (style) {
    case QTextListFormat::ListLowerRoman: return roman(n);
    case QTextListFormat::ListUpperRoman: return roman(n).toUpper();
    case QTextListFormat::ListLowerAlpha: return letters(n);
    case QTextListFormat::ListUpperAlpha: return letters(n).toUpper();
    default: return QString::number(n);
    }
}

QString bulletText(const QTextListFormat &format)
{
    const QString kept = format.stringProperty(ListBulletText);
    if (!kept.isEmpty())
        return kept;
    switch (format.style()) {
    case QTextListFormat::ListCircle: return QStringLiteral("\u25E6");
    case QTextListFormat::ListSquare: return QStringLiteral("\u25AA");
    default: return QStringLiteral("\u2022");
    }
}

QString numberSuffix(const QTextListFormat &format)
{
    return format.hasProperty(QTextFormat::ListNumberSuffix) ? format.numberSuffix() : QStringLiteral(".");
}

} // namespace detail

QString listLabel(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    switch (f.style()) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman: {
        const int start = f.hasProperty(detail::ListStartNumber) ? f.intProperty(detail::ListStartNumber) : 1;
        const qint64 n = qint64(start) + list->itemNumber(block);
        return f.numberPrefix() + detail::formatListNumber(f.style(), int(std::clamp<qint64>(n, INT_MIN, INT_MAX)))
            + detail::numberSuffix(f);
    }
    default:
        return detail::bulletText(f);
    }
}

} // namespace rtf
