// Character and paragraph formats as Word's run and paragraph properties,
// in the order the schema gives them (Word refuses a file whose
// properties come in another order).

#include "writerimpl.h"

#include "model/fontsize.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace docx::detail {

namespace {

QString hexColor(const QColor &c)
{
    return QString::asprintf("%02X%02X%02X", c.red(), c.green(), c.blue());
}

// The colours Word's highlighter has, by their names.
QString highlightName(const QColor &c)
{
    static const std::pair<QRgb, const char *> colors[] = {
        {0xFFFF00, "yellow"}, {0x00FF00, "green"},     {0x00FFFF, "cyan"},     {0xFF00FF, "magenta"},
        {0x0000FF, "blue"},   {0xFF0000, "red"},       {0x000080, "darkBlue"}, {0x008080, "darkCyan"},
        {0x008000, "darkGreen"}, {0x800080, "darkMagenta"}, {0x800000, "darkRed"}, {0x808000, "darkYellow"},
        {0x808080, "darkGray"}, {0xC0C0C0, "lightGray"}, {0x000000, "black"},
    };
    const QRgb rgb = c.rgb() & 0xFFFFFF;
    for (const auto &[value, name] : colors) {
        if (value == rgb)
            return QLatin1StringView(name);
    }
    return {};
}

bool isBold(const QTextCharFormat &f)
{
    return f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::DemiBold;
}

QTextCharFormat::UnderlineStyle underlineOf(const QTextCharFormat &f)
{
    QTextCharFormat::UnderlineStyle ul = f.underlineStyle();
    if (ul == QTextCharFormat::NoUnderline && f.fontUnderline())
        ul = QTextCharFormat::SingleUnderline;
    return ul;
}

} // namespace

QString Writer::familyOf(const QTextCharFormat &f) const
{
    QString family;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = f.property(QTextFormat::FontFamily).toString();
    return xmlSafe(family).left(255);
}

// A run's properties: those its format sets, and where the paragraph's
// style sets a toggle the run does not, that toggle off.
void Writer::writeRunProperties(Xml &x, const QTextCharFormat &f, const QString &paragraphStyle)
{
    const QTextCharFormat *style = nullptr;
    if (const auto it = m_styleById.constFind(paragraphStyle); it != m_styleById.cend()) {
        style = &m_styles[*it].chr;
    } else if (paragraphStyle.startsWith(QLatin1StringView("Heading"))) {
        // The heading styles written for headings by level alone are bold
        // and larger.
        static const QTextCharFormat heading = [] {
            QTextCharFormat f;
            f.setFontWeight(QFont::Bold);
            f.setFontPointSize(14);
            return f;
        }();
        style = &heading;
    }
    QString charStyle = charStyleIdOf(f);
    if (charStyle.isEmpty())
        charStyle = m_markStyle; // a note's mark
    if (!charStyle.isEmpty()) {
        if (const auto it = m_styleById.constFind(charStyle); it != m_styleById.cend())
            style = &m_styles[*it].chr;
    }
    x.start(QStringLiteral("w:rPr"));
    if (!charStyle.isEmpty())
        x.val(QStringLiteral("w:rStyle"), charStyle);
    if (const QString family = familyOf(f); !family.isEmpty()) {
        x.empty(QStringLiteral("w:rFonts"));
        x.attr(QStringLiteral("w:ascii"), family);
        x.attr(QStringLiteral("w:hAnsi"), family);
        x.attr(QStringLiteral("w:cs"), family);
        x.attr(QStringLiteral("w:eastAsia"), family);
    }
    const auto toggle = [&](const QString &name, bool on, bool styleOn) {
        if (on)
            x.empty(name);
        else if (styleOn)
            x.val(name, QStringLiteral("0"));
    };
    toggle(QStringLiteral("w:b"), isBold(f), style && isBold(*style));
    toggle(QStringLiteral("w:i"), f.fontItalic(), style && style->fontItalic());
    toggle(QStringLiteral("w:caps"), f.fontCapitalization() == QFont::AllUppercase,
           style && style->fontCapitalization() == QFont::AllUppercase);
    toggle(QStringLiteral("w:smallCaps"), f.fontCapitalization() == QFont::SmallCaps,
           style && style->fontCapitalization() == QFont::SmallCaps);
    toggle(QStringLiteral("w:strike"), f.fontStrikeOut(), style && style->fontStrikeOut());
    if (f.boolProperty(CharNoProof))
        x.empty(QStringLiteral("w:noProof"));
    if (m_hidden)
        x.empty(QStringLiteral("w:vanish"));
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        x.val(QStringLiteral("w:color"), hexColor(f.foreground().color()));
    // Pasted HTML may size text in pixels, or relative to the document's
    // size (<h1>, <big>).
    double size = -1;
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        size = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0)
        size = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (f.hasProperty(QTextFormat::FontSizeAdjustment))
        size = model::adjustedPointSize(f, size > 0 ? size : m_defaultSize);
    if (size <= 0 && style && style->hasProperty(QTextFormat::FontPointSize))
        size = m_defaultSize; // text that names no size is at the document's, not the style's
    if (size > 0) {
        const int half = std::clamp(roundedInt(size * 2), 2, 3276);
        x.val(QStringLiteral("w:sz"), half);
        x.val(QStringLiteral("w:szCs"), half);
    }
    QString highlight;
    const bool background = f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush;
    if (background)
        highlight = highlightName(f.background().color());
    if (!highlight.isEmpty())
        x.val(QStringLiteral("w:highlight"), highlight);
    static const char *const underlines[] = {nullptr, "single", "dash", "dotted", "dotDash", "dotDotDash", "wave"};
    int ul = 0;
    switch (underlineOf(f)) {
    case QTextCharFormat::SingleUnderline: ul = 1; break;
    case QTextCharFormat::DashUnderline: ul = 2; break;
    case QTextCharFormat::DotLine: ul = 3; break;
    case QTextCharFormat::DashDotLine: ul = 4; break;
    case QTextCharFormat::DashDotDotLine: ul = 5; break;
    case QTextCharFormat::WaveUnderline: ul = 6; break;
    default: break; // none, and the spell checker's marks
    }
    if (ul)
        x.val(QStringLiteral("w:u"), QLatin1StringView(underlines[ul]));
    else if (style && underlineOf(*style) != QTextCharFormat::NoUnderline)
        x.val(QStringLiteral("w:u"), QStringLiteral("none"));
    if (background && highlight.isEmpty()) {
        x.empty(QStringLiteral("w:shd"));
        x.attr(QStringLiteral("w:val"), QStringLiteral("clear"));
        x.attr(QStringLiteral("w:color"), QStringLiteral("auto"));
        x.attr(QStringLiteral("w:fill"), hexColor(f.background().color()));
    }
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: x.val(QStringLiteral("w:vertAlign"), QStringLiteral("superscript")); break;
    case QTextCharFormat::AlignSubScript: x.val(QStringLiteral("w:vertAlign"), QStringLiteral("subscript")); break;
    default:
        if (style && (style->verticalAlignment() == QTextCharFormat::AlignSuperScript
                      || style->verticalAlignment() == QTextCharFormat::AlignSubScript))
            x.val(QStringLiteral("w:vertAlign"), QStringLiteral("baseline"));
        break;
    }
    if (const int lang = f.intProperty(CharLanguage); f.hasProperty(CharLanguage) && lang > 0 && lang != m_documentLanguage) {
        if (const QString tag = model::languageTag(lang); !tag.isEmpty())
            x.val(QStringLiteral("w:lang"), tag);
    }
    x.end();
}

void Writer::writeParagraphProperties(Xml &x, const QTextDocument &doc, const QTextBlock &block)
{
    const QTextBlockFormat f = block.blockFormat();
    QString style = styleIdOf(f);
    if (style.isEmpty() && f.headingLevel() >= 1 && f.headingLevel() <= 9)
        style = QStringLiteral("Heading") + QString::number(f.headingLevel());
    const ListRef list = listOf(block);
    double listIndent = 0;
    if (const QTextList *l = block.textList())
        listIndent = std::max(0, l->format().indent()) * doc.indentWidth();
    // A page break before a paragraph (or after the one before it) is
    // Word's break before the paragraph; none in a cell.
    const auto breaks = [](const QTextBlock &b) {
        return b.isValid() ? b.blockFormat().pageBreakPolicy() : QTextFormat::PageBreak_Auto;
    };
    const bool pageBreak = m_tableLevel == 0 && block != doc.begin()
        && ((breaks(block) & QTextFormat::PageBreak_AlwaysBefore)
            || (breaks(block.previous()) & QTextFormat::PageBreak_AlwaysAfter));
    // The section that ends with this paragraph.
    QByteArray sectPr;
    if (&doc == &m_doc && m_tableLevel == 0 && block.next().isValid()) {
        if (const auto it = m_sectionEnds.constFind(block.next().blockNumber()); it != m_sectionEnds.cend())
            sectPr = m_sections[*it].xml;
    }
    // An empty paragraph keeps the format typing in it would use, as its
    // mark's format.
    const QTextCharFormat mark = block.charFormat();
    const bool empty = block.begin() == block.end();
    writeBlockFormat(x, f, listIndent, style, list.numId, list.level, pageBreak,
                     empty ? &mark : nullptr, sectPr);
}

// Everything a paragraph's w:pPr holds. `listIndent` is what a list item's
// list adds to its indent: the paragraph says its whole indent, as in RTF,
// and the label hangs.
void Writer::writeBlockFormat(Xml &x, const QTextBlockFormat &f, double listIndent, const QString &styleId,
                              int numId, int level, bool pageBreak, const QTextCharFormat *mark,
                              const QByteArray &sectPr)
{
    x.start(QStringLiteral("w:pPr"));
    if (!styleId.isEmpty())
        x.val(QStringLiteral("w:pStyle"), styleId);
    if (pageBreak)
        x.empty(QStringLiteral("w:pageBreakBefore"));
    if (numId > 0) {
        x.start(QStringLiteral("w:numPr"));
        x.val(QStringLiteral("w:ilvl"), level);
        x.val(QStringLiteral("w:numId"), numId);
        x.end();
    }
    if (f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
        x.start(QStringLiteral("w:pBdr"));
        x.empty(QStringLiteral("w:bottom"));
        x.attr(QStringLiteral("w:val"), QStringLiteral("single"));
        x.attr(QStringLiteral("w:sz"), QStringLiteral("6"));
        x.attr(QStringLiteral("w:space"), QStringLiteral("1"));
        x.attr(QStringLiteral("w:color"), QStringLiteral("auto"));
        x.end();
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
        x.empty(QStringLiteral("w:shd"));
        x.attr(QStringLiteral("w:val"), QStringLiteral("clear"));
        x.attr(QStringLiteral("w:color"), QStringLiteral("auto"));
        x.attr(QStringLiteral("w:fill"), hexColor(f.background().color()));
    }
    const QList<QTextOption::Tab> tabs = f.tabPositions();
    if (!tabs.isEmpty()) {
        x.start(QStringLiteral("w:tabs"));
        for (const QTextOption::Tab &tab : tabs.first(std::min<qsizetype>(tabs.size(), 64))) {
            x.empty(QStringLiteral("w:tab"));
            const char *kind = "left";
            switch (tab.type) {
            case QTextOption::RightTab: kind = "right"; break;
            case QTextOption::CenterTab: kind = "center"; break;
            case QTextOption::DelimiterTab: kind = "decimal"; break;
            default: break;
            }
            x.attr(QStringLiteral("w:val"), QLatin1StringView(kind));
            x.attr(QStringLiteral("w:pos"), QString::number(std::clamp(roundedInt(tab.position * kTwipsPerPixel), 0, 31680)));
        }
        x.end();
    }
    // spacing
    const int before = roundedInt(f.topMargin() * kTwipsPerPixel);
    const int after = roundedInt(f.bottomMargin() * kTwipsPerPixel);
    QString line, rule;
    const double lh = f.lineHeight();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (lh > 0 && roundedInt(lh) != 100) {
            line = QString::number(std::clamp(roundedInt(lh * 240 / 100), 1, 31680));
            rule = QStringLiteral("auto");
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        line = QString::number(std::clamp(roundedInt(lh * kTwipsPerPixel), 0, 31680));
        rule = QStringLiteral("atLeast");
        break;
    case QTextBlockFormat::FixedHeight:
        line = QString::number(std::clamp(roundedInt(std::abs(lh) * kTwipsPerPixel), 0, 31680));
        rule = QStringLiteral("exact");
        break;
    default:
        break;
    }
    if (f.hasProperty(QTextFormat::BlockTopMargin) || f.hasProperty(QTextFormat::BlockBottomMargin) || !line.isEmpty()) {
        x.empty(QStringLiteral("w:spacing"));
        if (f.hasProperty(QTextFormat::BlockTopMargin))
            x.attr(QStringLiteral("w:before"), QString::number(std::clamp(before, 0, 31680)));
        if (f.hasProperty(QTextFormat::BlockBottomMargin))
            x.attr(QStringLiteral("w:after"), QString::number(std::clamp(after, 0, 31680)));
        if (!line.isEmpty()) {
            x.attr(QStringLiteral("w:line"), line);
            x.attr(QStringLiteral("w:lineRule"), rule);
        }
    }
    // indents
    if (f.hasProperty(QTextFormat::BlockLeftMargin) || f.hasProperty(QTextFormat::BlockRightMargin)
        || f.hasProperty(QTextFormat::TextIndent) || f.hasProperty(QTextFormat::BlockIndent) || listIndent > 0) {
        const ParagraphIndent indent = paragraphIndent(f, m_doc, listIndent);
        const int left = roundedInt(indent.left * kTwipsPerPixel);
        const int right = roundedInt(f.rightMargin() * kTwipsPerPixel);
        const int first = roundedInt(indent.firstLine * kTwipsPerPixel);
        x.empty(QStringLiteral("w:ind"));
        x.attr(QStringLiteral("w:left"), QString::number(std::clamp(left, -31680, 31680)));
        x.attr(QStringLiteral("w:right"), QString::number(std::clamp(right, -31680, 31680)));
        if (first < 0)
            x.attr(QStringLiteral("w:hanging"), QString::number(std::min(-first, 31680)));
        else
            x.attr(QStringLiteral("w:firstLine"), QString::number(std::min(first, 31680)));
    }
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        QString jc = QStringLiteral("left");
        if (a & Qt::AlignHCenter)
            jc = QStringLiteral("center");
        else if (a & Qt::AlignJustify)
            jc = QStringLiteral("both");
        else if (a & Qt::AlignRight)
            jc = QStringLiteral("right");
        x.val(QStringLiteral("w:jc"), jc);
    }
    if (f.headingLevel() >= 1 && f.headingLevel() <= 9)
        x.val(QStringLiteral("w:outlineLvl"), f.headingLevel() - 1);
    if (mark)
        writeRunProperties(x, *mark, styleId);
    if (!sectPr.isEmpty())
        x.raw(sectPr);
    x.end();
}

} // namespace docx::detail
