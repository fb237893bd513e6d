// List labels, shared by the formats' readers and writers and the text
// export.

#include "lists.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextListFormat>

#include <algorithm>
#include <climits>

namespace model {

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

int bulletStyle(const QString &label)
{
    if (label == u"\u25E6" || label == u"o" || label == u"\u25CB")
        return QTextListFormat::ListCircle;
    if (label == u"\u25AA" || label == u"\u25A0")
        return QTextListFormat::ListSquare;
    return QTextListFormat::ListDisc;
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

namespace {

bool isNumbered(int style)
{
    switch (style) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        return true;
    default:
        return false;
    }
}

// A number as a level shows it: by its style, with a leading zero where
// the level asks for one.
QString levelNumber(const QTextListFormat &f, int n)
{
    const QString s = formatListNumber(f.style(), n);
    return f.boolProperty(ListLeadingZero) && f.style() == QTextListFormat::ListDecimal && n >= 0 && n < 10
        ? u'0' + s : s;
}

int numberOf(const QTextListFormat &f, qint64 index)
{
    const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
    return int(std::clamp<qint64>(start + index, INT_MIN, INT_MAX));
}

// The label of item `number` of a list; `above(level)` gives the number
// of a level above, as its own style writes it.
template <typename Above>
QString composeLabel(const QTextListFormat &f, int number, Above above)
{
    if (!isNumbered(f.style()))
        return bulletText(f);
    const QString own = levelNumber(f, number);
    const QString pattern = f.stringProperty(ListLevelTemplate);
    const bool legal = f.boolProperty(ListLegal);
    if (pattern.isEmpty())
        return f.numberPrefix() + own + numberSuffix(f);
    const int level = f.indent() - 1;
    QString out;
    for (const QChar c : pattern) {
        if (c.unicode() >= 9)
            out += c;
        else if (c.unicode() == level)
            out += own;
        else
            out += above(c.unicode(), legal);
    }
    return out;
}

} // namespace

QString ListNumbering::label(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    const int number = numberOf(f, m_count[list]++);
    if (!f.hasProperty(ListGroup))
        return composeLabel(f, number, [](int, bool) { return QString(); });
    auto &levels = m_groups[f.intProperty(ListGroup)];
    const int level = std::clamp(f.indent() - 1, 0, 8);
    levels[size_t(level)] = {number, f.style(), f.boolProperty(ListLeadingZero)};
    return composeLabel(f, number, [&levels](int above, bool legal) {
        const Level &l = levels[size_t(above)];
        if (!l.number)
            return QStringLiteral("0");
        if (legal)
            return QString::number(l.number);
        QTextListFormat shown;
        shown.setStyle(QTextListFormat::Style(l.style));
        shown.setProperty(ListLeadingZero, l.leadingZero);
        return levelNumber(shown, l.number);
    });
}

QString listLabel(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    const int number = numberOf(f, list->itemNumber(block));
    return composeLabel(f, number, [&](int above, bool legal) {
        // The latest item of that level of the same list before this one.
        for (QTextBlock b = block.previous(); b.isValid(); b = b.previous()) {
            const QTextList *l = b.textList();
            if (l && l->format().indent() == above + 1
                && l->format().property(ListGroup) == f.property(ListGroup)) {
                const int n = numberOf(l->format(), l->itemNumber(b));
                return legal ? QString::number(n) : levelNumber(l->format(), n);
            }
        }
        return QStringLiteral("0");
    });
}

ParagraphIndent paragraphIndent(const QTextBlockFormat &f, const QTextDocument &doc, double listIndent)
{
    return {f.leftMargin() + f.indent() * doc.indentWidth() + listIndent,
            listIndent > 0 && f.textIndent() == 0 ? -std::min(24.0, listIndent) : f.textIndent()};
}

LabelTemplate setLabelAffixes(QTextListFormat &format, const QString &label, int level)
{
    const qsizetype own = label.indexOf(QChar(char16_t(level)));
    qsizetype before = -1, after = label.size();
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i].unicode() >= kListLevels)
            continue;
        if (own >= 0 && i < own)
            before = i;
        else if (own >= 0 && i > own && after == label.size())
            after = i;
    }
    if (own < 0)
        return {};
    format.setNumberPrefix(before < 0 ? label.left(own) : QString());
    format.setNumberSuffix(label.mid(own + 1, after - own - 1));
    return {true, before >= 0 || after < label.size()};
}

} // namespace model
