// Writing the style sheet (see docprops.h): each style with the formatting
// this writer writes for text, and on each paragraph and run its style's
// number with the words that undo what the style sets and it does not.

#include "writerimpl.h"

#include "model/lists.h"

#include "model/docprops.h"
#include "model/styles.h"

#include <QFont>
#include <QTextFrame>

#include <algorithm>

namespace rtf::detail {

void Writer::loadStyles()
{
    for (const Style &s : styles(m_doc)) {
        if (s.character)
            m_charStyles.insert(s.number, s.chr);
        else
            m_parStyles.insert(s.number, s.block);
    }
}

namespace {

// The words that undo what `style` sets and a paragraph (or a style based
// on it) does not; `left` and `firstLine` are the paragraph's indents as
// written. What the paragraph's own words leave out (a zero, single
// spacing) is undone as well as what it does not have.
QByteArray blockResets(const QTextBlockFormat &style, const QTextBlockFormat &f, double left, double firstLine)
{
    QByteArray code;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if ((style.alignment() & Qt::AlignHorizontal_Mask) != a && !(a & (Qt::AlignHCenter | Qt::AlignJustify | Qt::AlignRight)))
        code += "\\ql";
    const auto written = [](double pixels) { return roundedInt(pixels * kTwipsPerPixel) != 0; };
    auto reset = [&](int property, double own, const char *word) {
        if (style.hasProperty(property) && written(style.doubleProperty(property)) && !written(own))
            code += word;
    };
    reset(QTextFormat::BlockLeftMargin, left, "\\li0");
    reset(QTextFormat::BlockRightMargin, f.rightMargin(), "\\ri0");
    reset(QTextFormat::TextIndent, firstLine, "\\fi0");
    reset(QTextFormat::BlockTopMargin, f.topMargin(), "\\sb0");
    reset(QTextFormat::BlockBottomMargin, f.bottomMargin(), "\\sa0");
    const auto spaced = [](const QTextBlockFormat &b) {
        if (!b.hasProperty(QTextFormat::LineHeight))
            return false;
        if (b.lineHeightType() == QTextBlockFormat::ProportionalHeight)
            return roundedInt(b.lineHeight()) != 100 && b.lineHeight() > 0;
        return b.lineHeightType() == QTextBlockFormat::MinimumHeight || b.lineHeightType() == QTextBlockFormat::FixedHeight;
    };
    if (spaced(style) && !spaced(f))
        code += "\\sl0\\slmult0";
    return code;
}

// The words that undo what `style` sets and a run (or a style based on it)
// does not.
QByteArray charResets(const QTextCharFormat &style, const QTextCharFormat &f)
{
    QByteArray code;
    if (style.fontWeight() >= QFont::DemiBold && f.fontWeight() < QFont::DemiBold)
        code += "\\b0";
    if (style.fontItalic() && !f.fontItalic())
        code += "\\i0";
    if (style.underlineStyle() != QTextCharFormat::NoUnderline && f.underlineStyle() == QTextCharFormat::NoUnderline
        && !f.fontUnderline())
        code += "\\ulnone";
    if (style.fontStrikeOut() && !f.fontStrikeOut())
        code += "\\strike0";
    if (style.fontCapitalization() != QFont::MixedCase && f.fontCapitalization() == QFont::MixedCase)
        code += "\\caps0\\scaps0";
    if (style.verticalAlignment() != QTextCharFormat::AlignNormal && f.verticalAlignment() == QTextCharFormat::AlignNormal)
        code += "\\nosupersub";
    if (style.hasProperty(QTextFormat::ForegroundBrush) && !f.hasProperty(QTextFormat::ForegroundBrush))
        code += "\\cf0";
    if (style.hasProperty(QTextFormat::BackgroundBrush) && !f.hasProperty(QTextFormat::BackgroundBrush))
        code += "\\chcbpat0\\highlight0";
    return code;
}

} // namespace

// \sN, and the words that undo what the style sets and the paragraph does
// not (a reader applies the style first).
QByteArray Writer::paragraphStyleCode(const QTextBlockFormat &f) const
{
    QByteArray code = "\\s" + QByteArray::number(std::clamp(f.intProperty(StyleNumber), 0, 0x7FFF));
    const auto it = m_parStyles.constFind(f.intProperty(StyleNumber));
    if (it == m_parStyles.cend())
        return code;
    const ParagraphIndent indent = paragraphIndent(f, m_doc, listIndentOf(f));
    return code + blockResets(*it, f, indent.left, indent.firstLine);
}

// What a character style sets and the run does not, undone.
QByteArray Writer::charStyleResets(const QTextCharFormat &f) const
{
    const auto it = m_charStyles.constFind(f.intProperty(CharStyleNumber));
    return it == m_charStyles.cend() ? QByteArray() : charResets(*it, f);
}

// The style sheet, each style with its formatting as this writer writes
// it and its name.
void Writer::prepareStyles()
{
    const QList<Style> sheet = styles(m_doc);
    if (sheet.isEmpty())
        return;
    QHash<std::pair<bool, int>, const Style *> byNumber;
    for (const Style &s : sheet)
        byNumber.insert({s.character, s.number}, &s);
    QByteArray out = "{\\stylesheet";
    for (const Style &s : sheet) {
        const int number = std::clamp(s.number, 0, 0x7FFF);
        const bool character = s.character;
        QByteArray chr = charCode(s.chr);
        chr = chr.mid(6).trimmed(); // without \plain and the space
        QByteArray entry = character ? "{\\*\\cs" + QByteArray::number(number) + "\\additive"
                                     : "{\\s" + QByteArray::number(number);
        if (!character)
            entry += blockCode(s.block).mid(5);
        entry += chr;
        // A reader puts a style on top of its base: what the base sets and
        // the style does not is undone.
        if (const Style *base = s.basedOn >= 0 && s.basedOn != s.number
                ? byNumber.value({character, s.basedOn}) : nullptr) {
            if (!character)
                entry += blockResets(base->block, s.block, s.block.leftMargin(), s.block.textIndent());
            entry += charResets(base->chr, s.chr);
        }
        if (s.basedOn >= 0)
            entry += "\\sbasedon" + QByteArray::number(std::min(s.basedOn, 0x7FFF));
        if (s.next >= 0 && !character)
            entry += "\\snext" + QByteArray::number(std::min(s.next, 0x7FFF));
        if (s.outline >= 0 && s.outline <= 9 && !character)
            entry += "\\outlinelevel" + QByteArray::number(s.outline);
        entry += ' ';
        QString name = s.name;
        name.remove(u';');
        appendEscaped(entry, name);
        entry += ";}";
        out += entry;
    }
    out += "}\r\n";
    m_styleSheet = out;
}

} // namespace rtf::detail
