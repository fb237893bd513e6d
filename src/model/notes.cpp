#include "notes.h"

#include "lists.h"
#include "plaintext.h"
#include "tables.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

namespace model {

bool isNoteMark(const QTextCharFormat &format)
{
    return format.hasProperty(NoteRtf);
}

QString noteToolTip(const QTextCharFormat &format)
{
    return isNoteMark(format) ? format.stringProperty(NoteText) : QString();
}

namespace {

QString roman(int n, bool upper)
{
    static const std::pair<int, const char *> parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                         {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                         {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                         {1, "i"}};
    QString s;
    for (const auto &[v, t] : parts) {
        while (n >= v && s.size() < 32) {
            s += QLatin1StringView(t);
            n -= v;
        }
    }
    return upper ? s.toUpper() : s;
}

QString letters(int n, bool upper)
{
    // a ... z, aa ... zz, aaa ...: the letter repeated, as word processors count.
    const int repeat = std::min((n - 1) / 26 + 1, 32);
    return QString(repeat, QChar((upper ? u'A' : u'a') + (n - 1) % 26));
}

QString chicago(int n)
{
    static const char16_t signs[] = {u'*', 0x2020, 0x2021, 0x00A7};
    const int repeat = std::min((n - 1) / 4 + 1, 32);
    return QString(repeat, QChar(signs[(n - 1) % 4]));
}

} // namespace

QString noteNumberText(int number, NoteNumbering style)
{
    if (number < 1)
        number = 1;
    switch (style) {
    case NoteNumbering::LowerLetter: return letters(number, false);
    case NoteNumbering::UpperLetter: return letters(number, true);
    case NoteNumbering::LowerRoman: return roman(number, false);
    case NoteNumbering::UpperRoman: return roman(number, true);
    case NoteNumbering::Chicago: return chicago(number);
    case NoteNumbering::Arabic: break;
    }
    return QString::number(number);
}

QString noteText(const QTextDocument &noteDocument)
{
    QString text;
    ListNumbering numbering;
    for (QTextBlock b = noteDocument.begin(); b.isValid(); b = b.next()) {
        // A filler cell is not written: its empty line would not come back.
        if (inEmptyFiller(b))
            continue;
        if (!text.isEmpty())
            text += u'\n';
        if (b.textList())
            text += numbering.label(b) + u'\t';
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (!it.fragment().charFormat().hasProperty(NoteSelfMark))
                appendPlainText(text, it.fragment().text());
        }
    }
    return text.trimmed();
}

} // namespace model
