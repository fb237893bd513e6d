// Formats as OpenDocument styles: each run's character format an
// automatic text style, each paragraph's an automatic paragraph style
// whose parent is the common style the paragraph has, the model's styles
// as common styles, and the font faces they name.

#include "writerimpl.h"
#include "model/languagetags.h"

#include "model/fontsize.h"
#include "model/lists.h"
#include "model/styles.h"

#include <QFont>
#include <QRegularExpression>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextFrame>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace odt::detail {

namespace {

QString trimmedNumber(double v, int decimals)
{
    if (!std::isfinite(v))
        v = 0;
    v = std::clamp(v, -1.0e6, 1.0e6);
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    if (s == QLatin1StringView("-0"))
        s = QStringLiteral("0");
    return s;
}

QString colorName(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

// "Heading N" in either language, as the model's styles name them.
int headingNumber(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^(heading|nadpis)\\s*([1-9])$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name.trimmed());
    return m.hasMatch() ? m.captured(2).toInt() : 0;
}

} // namespace

QString cmFromPixels(double px)
{
    return trimmedNumber(px * 2.54 / 96.0, 4) + QStringLiteral("cm");
}

QString cmFromTwips(double twips)
{
    return trimmedNumber(twips * 2.54 / 1440.0, 4) + QStringLiteral("cm");
}

QString points(double pt)
{
    return trimmedNumber(pt, 2) + QStringLiteral("pt");
}

QString encodeStyleName(const QString &name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool ascii = c.unicode() < 0x80;
        const bool ok = ascii ? (c.isLetter() || (i > 0 && (c.isDigit() || c == u'-' || c == u'.')))
                              : (c.isLetterOrNumber() && !(i == 0 && c.isDigit()));
        if (ok)
            out += c;
        else
            out += u'_' + QString::number(c.unicode(), 16) + u'_';
    }
    return out.isEmpty() ? QStringLiteral("_") : out;
}

bool languageTag(int lcid, QString &language, QString &country)
{
    if (lcid == 1024) { // text in no language: never spell-checked
        language = QStringLiteral("zxx");
        country = QStringLiteral("none");
        return true;
    }
    const QString tag = model::languageTag(lcid);
    if (tag.isEmpty())
        return false;
    language = tag.section(u'-', 0, 0);
    country = tag.count(u'-') ? tag.section(u'-', -1) : QString();
    return true;
}

QString StylePool::add(const QString &letter, const QByteArray &xml)
{
    if (const auto it = m_names.constFind(xml); it != m_names.cend())
        return *it;
    const QString name = m_prefix + letter + QString::number(++m_counters[letter]);
    m_names.insert(xml, name);
    m_styles.emplace_back(name, xml);
    return name;
}

QByteArray StylePool::xml() const
{
    QByteArray out;
    for (const auto &[name, xml] : m_styles) {
        QByteArray s = xml;
        s.replace(kName, name.toUtf8());
        out += s;
    }
    return out;
}

QString Writer::fontName(const QString &family)
{
    QString f = family.trimmed().left(200);
    f.removeIf([](QChar c) { return c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE; });
    if (f.isEmpty())
        f = m_defaultFamily;
    if (!m_fonts.contains(f))
        m_fonts.append(f);
    return f;
}

QByteArray Writer::fontFacesXml() const
{
    QByteArray out;
    QXmlStreamWriter x(&out);
    x.writeStartElement(QStringLiteral("office:font-face-decls"));
    for (const QString &f : m_fonts) {
        x.writeEmptyElement(QStringLiteral("style:font-face"));
        x.writeAttribute(QStringLiteral("style:name"), f);
        x.writeAttribute(QStringLiteral("svg:font-family"), f.contains(u' ') ? u'\'' + f + u'\'' : f);
    }
    x.writeEndElement();
    return out;
}

void Writer::writeTextProperties(QXmlStreamWriter &x, const QTextCharFormat &f, bool isDefault, bool hidden)
{
    QXmlStreamAttributes a;
    QString family;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = f.property(QTextFormat::FontFamily).toString();
    if (!family.isEmpty())
        a.append(QStringLiteral("style:font-name"), fontName(family));
    double size = -1;
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        size = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0)
        size = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (f.hasProperty(QTextFormat::FontSizeAdjustment))
        size = model::adjustedPointSize(f, size > 0 ? size : m_defaultSize);
    if (size > 0)
        a.append(QStringLiteral("fo:font-size"), points(std::clamp(size, 1.0, 1638.0)));
    if (f.hasProperty(QTextFormat::FontWeight)) {
        const QString w = f.fontWeight() >= QFont::DemiBold ? QStringLiteral("bold") : QStringLiteral("normal");
        a.append(QStringLiteral("fo:font-weight"), w);
        a.append(QStringLiteral("style:font-weight-complex"), w);
    }
    if (f.hasProperty(QTextFormat::FontItalic)) {
        const QString i = f.fontItalic() ? QStringLiteral("italic") : QStringLiteral("normal");
        a.append(QStringLiteral("fo:font-style"), i);
        a.append(QStringLiteral("style:font-style-complex"), i);
    }
    QTextCharFormat::UnderlineStyle ul = f.underlineStyle();
    if (ul == QTextCharFormat::NoUnderline && f.fontUnderline())
        ul = QTextCharFormat::SingleUnderline;
    QString line;
    switch (ul) {
    case QTextCharFormat::SingleUnderline: line = QStringLiteral("solid"); break;
    case QTextCharFormat::DashUnderline: line = QStringLiteral("dash"); break;
    case QTextCharFormat::DotLine: line = QStringLiteral("dotted"); break;
    case QTextCharFormat::DashDotLine: line = QStringLiteral("dot-dash"); break;
    case QTextCharFormat::DashDotDotLine: line = QStringLiteral("dot-dot-dash"); break;
    case QTextCharFormat::WaveUnderline: line = QStringLiteral("wave"); break;
    default: break; // the spell checker's marks are no underline
    }
    if (!line.isEmpty()) {
        a.append(QStringLiteral("style:text-underline-style"), line);
        a.append(QStringLiteral("style:text-underline-width"), QStringLiteral("auto"));
        a.append(QStringLiteral("style:text-underline-color"), QStringLiteral("font-color"));
    } else if (f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline)) {
        a.append(QStringLiteral("style:text-underline-style"), QStringLiteral("none"));
    }
    if (f.hasProperty(QTextFormat::FontStrikeOut)) {
        a.append(QStringLiteral("style:text-line-through-style"),
                 f.fontStrikeOut() ? QStringLiteral("solid") : QStringLiteral("none"));
        if (f.fontStrikeOut())
            a.append(QStringLiteral("style:text-line-through-type"), QStringLiteral("single"));
    }
    switch (f.fontCapitalization()) {
    case QFont::AllUppercase: a.append(QStringLiteral("fo:text-transform"), QStringLiteral("uppercase")); break;
    case QFont::SmallCaps: a.append(QStringLiteral("fo:font-variant"), QStringLiteral("small-caps")); break;
    default: break;
    }
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        a.append(QStringLiteral("fo:color"), colorName(f.foreground().color()));
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        a.append(QStringLiteral("fo:background-color"), colorName(f.background().color()));
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: a.append(QStringLiteral("style:text-position"), QStringLiteral("super 58%")); break;
    case QTextCharFormat::AlignSubScript: a.append(QStringLiteral("style:text-position"), QStringLiteral("sub 58%")); break;
    default: break;
    }
    int lang = isDefault ? m_documentLanguage : (f.hasProperty(CharLanguage) ? f.intProperty(CharLanguage) : 0);
    if (f.boolProperty(CharNoProof))
        lang = 1024;
    QString language, country;
    if (lang > 0 && languageTag(lang, language, country)) {
        a.append(QStringLiteral("fo:language"), language);
        if (!country.isEmpty())
            a.append(QStringLiteral("fo:country"), country);
    }
    if (hidden)
        a.append(QStringLiteral("text:display"), QStringLiteral("none"));
    if (a.isEmpty())
        return;
    x.writeEmptyElement(QStringLiteral("style:text-properties"));
    x.writeAttributes(a);
}

QString Writer::textStyle(Walk &w, const QTextCharFormat &f, bool hidden)
{
    QByteArray xml;
    QXmlStreamWriter x(&xml);
    x.writeStartElement(QStringLiteral("style:style"));
    x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
    x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("text"));
    const auto common = m_common.constFind(f.intProperty(CharStyleNumber));
    const bool hasParent = f.hasProperty(CharStyleNumber) && common != m_common.cend() && common->character;
    if (hasParent)
        x.writeAttribute(QStringLiteral("style:parent-style-name"), common->name);
    const qsizetype before = xml.size();
    writeTextProperties(x, f, false, hidden);
    if (xml.size() == before && !hasParent) // no properties were written: nothing to say
        return {};
    x.writeEndElement();
    return w.pool->add(QStringLiteral("T"), xml);
}

QString Writer::commonParagraphStyle(const QTextBlockFormat &f) const
{
    if (f.hasProperty(StyleNumber)) {
        const auto it = m_common.constFind(f.intProperty(StyleNumber));
        if (it != m_common.cend() && !it->character)
            return it->name;
    }
    const int level = f.headingLevel();
    if (level >= 1 && level <= 9)
        return QStringLiteral("Heading_20_") + QString::number(level);
    return QStringLiteral("Standard");
}

void Writer::writeParagraphProperties(QXmlStreamWriter &x, const QTextBlockFormat &f, const QTextDocument &doc,
                                      const QTextList *list)
{
    QXmlStreamAttributes a;
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment al = f.alignment() & Qt::AlignHorizontal_Mask;
        QString v = QStringLiteral("start");
        if (al & Qt::AlignHCenter)
            v = QStringLiteral("center");
        else if (al & Qt::AlignJustify)
            v = QStringLiteral("justify");
        else if (al & Qt::AlignRight)
            v = QStringLiteral("end");
        a.append(QStringLiteral("fo:text-align"), v);
    }
    const double listIndent = list ? std::max(0, list->format().indent()) * doc.indentWidth() : 0.0;
    const model::ParagraphIndent indent = model::paragraphIndent(f, doc, listIndent);
    const double left = indent.left, textIndent = indent.firstLine;
    bool writeIndent = f.hasProperty(QTextFormat::BlockLeftMargin) || f.hasProperty(QTextFormat::BlockIndent)
        || f.hasProperty(QTextFormat::TextIndent);
    if (list && list->count() > 0) {
        // The list's level says where its items start (see writelists.cpp);
        // an item that starts elsewhere says so itself.
        const model::ParagraphIndent first = model::paragraphIndent(list->item(0).blockFormat(), doc, listIndent);
        writeIndent = std::abs(left - first.left) > 0.01 || std::abs(textIndent - first.firstLine) > 0.01;
    }
    if (writeIndent) {
        a.append(QStringLiteral("fo:margin-left"), cmFromPixels(left));
        a.append(QStringLiteral("fo:text-indent"), cmFromPixels(textIndent));
    }
    if (f.hasProperty(QTextFormat::BlockRightMargin))
        a.append(QStringLiteral("fo:margin-right"), cmFromPixels(f.rightMargin()));
    if (f.hasProperty(QTextFormat::BlockTopMargin))
        a.append(QStringLiteral("fo:margin-top"), cmFromPixels(std::max(0.0, f.topMargin())));
    if (f.hasProperty(QTextFormat::BlockBottomMargin))
        a.append(QStringLiteral("fo:margin-bottom"), cmFromPixels(std::max(0.0, f.bottomMargin())));
    const double lh = f.lineHeight();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (lh > 0 && std::lround(lh) != 100)
            a.append(QStringLiteral("fo:line-height"), trimmedNumber(lh, 0) + u'%');
        break;
    case QTextBlockFormat::MinimumHeight:
        a.append(QStringLiteral("style:line-height-at-least"), cmFromPixels(std::max(0.0, lh)));
        break;
    case QTextBlockFormat::FixedHeight:
        a.append(QStringLiteral("fo:line-height"), cmFromPixels(std::abs(lh)));
        break;
    default:
        break;
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        a.append(QStringLiteral("fo:background-color"), colorName(f.background().color()));
    if (f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
        a.append(QStringLiteral("fo:border-bottom"), QStringLiteral("0.5pt solid #000000"));
        a.append(QStringLiteral("fo:padding-bottom"), QStringLiteral("0.035cm"));
    }
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        a.append(QStringLiteral("fo:break-before"), QStringLiteral("page"));
    const QList<QTextOption::Tab> tabs = f.tabPositions();
    if (a.isEmpty() && tabs.isEmpty())
        return;
    x.writeStartElement(QStringLiteral("style:paragraph-properties"));
    x.writeAttributes(a);
    if (!tabs.isEmpty()) {
        x.writeStartElement(QStringLiteral("style:tab-stops"));
        for (qsizetype i = 0; i < std::min<qsizetype>(tabs.size(), 100); ++i) {
            const QTextOption::Tab &t = tabs[i];
            x.writeEmptyElement(QStringLiteral("style:tab-stop"));
            x.writeAttribute(QStringLiteral("style:position"), cmFromPixels(std::max(0.0, t.position)));
            switch (t.type) {
            case QTextOption::RightTab: x.writeAttribute(QStringLiteral("style:type"), QStringLiteral("right")); break;
            case QTextOption::CenterTab: x.writeAttribute(QStringLiteral("style:type"), QStringLiteral("center")); break;
            case QTextOption::DelimiterTab:
                x.writeAttribute(QStringLiteral("style:type"), QStringLiteral("char"));
                x.writeAttribute(QStringLiteral("style:char"),
                                 t.delimiter.isNull() || t.delimiter.unicode() < 0x20 ? QStringLiteral(",")
                                                                                      : QString(t.delimiter));
                break;
            default: break;
            }
        }
        x.writeEndElement();
    }
    x.writeEndElement();
}

QString Writer::paragraphStyle(Walk &w, const QTextBlock &block, const QString &masterPage)
{
    QTextBlockFormat f = block.blockFormat();
    QString parent = commonParagraphStyle(f);
    if (parent == QLatin1StringView("Standard") && !w.baseStyle.isEmpty())
        parent = w.baseStyle;
    // A page break after the paragraph before is one before this one; none
    // in a table's cells, nor before the first paragraph.
    const bool breakAfterPrevious = block.previous().isValid()
        && (block.previous().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter);
    // A section that starts on a new page with the page before's master
    // page breaks the page itself.
    const QStringList section = f.property(SectionStart).toStringList();
    const bool newPage = w.body && !section.isEmpty() && !section[0].contains(QLatin1StringView("\\sbknone"))
        && !section[0].contains(QLatin1StringView("\\sbkcol"));
    if (breakAfterPrevious || newPage)
        f.setPageBreakPolicy(f.pageBreakPolicy() | QTextFormat::PageBreak_AlwaysBefore);
    if (w.tableDepth > 0 || block == w.doc->begin() || !masterPage.isEmpty())
        f.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
    const QTextList *list = block.textList();

    QByteArray xml;
    QXmlStreamWriter x(&xml);
    x.writeStartElement(QStringLiteral("style:style"));
    x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
    x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
    x.writeAttribute(QStringLiteral("style:parent-style-name"), parent);
    if (!masterPage.isEmpty())
        x.writeAttribute(QStringLiteral("style:master-page-name"), masterPage);
    const qsizetype before = xml.size();
    writeParagraphProperties(x, f, *w.doc, list);
    // An empty paragraph is as high as the text typed in it would be.
    if (block.length() == 1)
        writeTextProperties(x, block.charFormat());
    if (xml.size() == before && masterPage.isEmpty())
        return parent;
    x.writeEndElement();
    return w.pool->add(QStringLiteral("P"), xml);
}

void Writer::prepareCommonStyles()
{
    fontName(m_defaultFamily);
    // Names the writer gives styles of its own (commonStylesXml).
    QSet<QString> used{QStringLiteral("Standard"), QStringLiteral("Header"), QStringLiteral("Footer"),
                       QStringLiteral("Footnote"), QStringLiteral("Endnote")};
    for (const model::Style &style : model::styles(m_doc)) {
        CommonStyle s;
        const int number = style.number;
        s.character = style.character;
        s.display = style.name.left(200);
        s.display.removeIf([](QChar c) { return c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE; });
        s.basedOn = style.basedOn;
        s.next = style.next;
        s.outline = style.outline;
        s.chr = style.chr;
        s.block = style.block;
        if (m_common.contains(number) || m_common.size() >= 4000)
            continue;
        const int heading = headingNumber(s.display);
        if (!s.character && (number == 0 || s.display.compare(QLatin1StringView("Normal"), Qt::CaseInsensitive) == 0)
            && !used.contains(QStringLiteral("Standard_taken"))) {
            s.name = QStringLiteral("Standard");
            s.display.clear();
            used.insert(QStringLiteral("Standard_taken"));
        } else if (!s.character && heading > 0 && !used.contains(QStringLiteral("Heading_20_") + QString::number(heading))) {
            s.name = QStringLiteral("Heading_20_") + QString::number(heading);
            s.display = QStringLiteral("Heading ") + QString::number(heading);
            s.outline = heading - 1;
        } else {
            QString base = encodeStyleName(s.display.isEmpty() ? QStringLiteral("Style %1").arg(number) : s.display);
            QString name = base;
            for (int i = 2; used.contains(name) || name == QLatin1StringView("Standard"); ++i)
                name = base + u'_' + QString::number(i);
            s.name = name;
        }
        used.insert(s.name);
        m_common.insert(number, s);
    }
}

QByteArray Writer::commonStylesXml()
{
    QByteArray out;
    QXmlStreamWriter x(&out);
    x.writeStartElement(QStringLiteral("office:styles"));

    // The document's default font, size, language and tab width.
    x.writeStartElement(QStringLiteral("style:default-style"));
    x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
    x.writeEmptyElement(QStringLiteral("style:paragraph-properties"));
    const int defTab = m_doc.rootFrame()->frameFormat().intProperty(DocDefaultTab);
    x.writeAttribute(QStringLiteral("style:tab-stop-distance"), cmFromTwips(defTab > 0 ? std::min(defTab, 31680) : 720));
    QTextCharFormat def;
    def.setFontFamilies({m_defaultFamily});
    def.setFontPointSize(m_defaultSize);
    writeTextProperties(x, def, true);
    x.writeEndElement();

    bool standard = false;
    QSet<int> headings;
    for (const CommonStyle &s : std::as_const(m_common)) {
        standard = standard || s.name == QLatin1StringView("Standard");
        if (s.name.startsWith(QLatin1StringView("Heading_20_")))
            headings.insert(s.name.mid(11).toInt());
    }
    if (!standard) {
        x.writeStartElement(QStringLiteral("style:style"));
        x.writeAttribute(QStringLiteral("style:name"), QStringLiteral("Standard"));
        x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        x.writeAttribute(QStringLiteral("style:class"), QStringLiteral("text"));
        x.writeEndElement();
    }
    for (const CommonStyle &s : std::as_const(m_common)) {
        x.writeStartElement(QStringLiteral("style:style"));
        x.writeAttribute(QStringLiteral("style:name"), s.name);
        if (!s.display.isEmpty() && s.display != s.name)
            x.writeAttribute(QStringLiteral("style:display-name"), s.display);
        x.writeAttribute(QStringLiteral("style:family"), s.character ? QStringLiteral("text") : QStringLiteral("paragraph"));
        const auto base = m_common.constFind(s.basedOn);
        if (s.basedOn >= 0 && base != m_common.cend() && base->character == s.character && base->name != s.name)
            x.writeAttribute(QStringLiteral("style:parent-style-name"), base->name);
        else if (!s.character && s.name != QLatin1StringView("Standard"))
            x.writeAttribute(QStringLiteral("style:parent-style-name"), QStringLiteral("Standard"));
        const auto next = m_common.constFind(s.next);
        if (!s.character && s.next >= 0 && next != m_common.cend() && !next->character)
            x.writeAttribute(QStringLiteral("style:next-style-name"), next->name);
        if (!s.character && s.outline >= 0 && s.outline < 9) {
            x.writeAttribute(QStringLiteral("style:default-outline-level"), QString::number(s.outline + 1));
            x.writeAttribute(QStringLiteral("style:class"), QStringLiteral("text"));
        }
        if (!s.character)
            writeParagraphProperties(x, s.block, m_doc, nullptr);
        writeTextProperties(x, s.chr);
        x.writeEndElement();
    }
    // Headings the model's styles do not name: LibreOffice's own look.
    static const double kHeadingSizes[] = {18, 16, 14, 13, 12, 12, 12, 12, 12};
    for (int level = 1; level <= 9; ++level) {
        if (headings.contains(level))
            continue;
        x.writeStartElement(QStringLiteral("style:style"));
        x.writeAttribute(QStringLiteral("style:name"), QStringLiteral("Heading_20_") + QString::number(level));
        x.writeAttribute(QStringLiteral("style:display-name"), QStringLiteral("Heading ") + QString::number(level));
        x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        x.writeAttribute(QStringLiteral("style:parent-style-name"), QStringLiteral("Standard"));
        x.writeAttribute(QStringLiteral("style:next-style-name"), QStringLiteral("Standard"));
        x.writeAttribute(QStringLiteral("style:default-outline-level"), QString::number(level));
        x.writeAttribute(QStringLiteral("style:class"), QStringLiteral("text"));
        x.writeEmptyElement(QStringLiteral("style:paragraph-properties"));
        x.writeAttribute(QStringLiteral("fo:margin-top"), QStringLiteral("0.423cm"));
        x.writeAttribute(QStringLiteral("fo:margin-bottom"), QStringLiteral("0.212cm"));
        x.writeAttribute(QStringLiteral("fo:keep-with-next"), QStringLiteral("always"));
        x.writeEmptyElement(QStringLiteral("style:text-properties"));
        x.writeAttribute(QStringLiteral("fo:font-size"), points(kHeadingSizes[level - 1]));
        x.writeAttribute(QStringLiteral("fo:font-weight"), QStringLiteral("bold"));
        x.writeEndElement();
    }
    // Notes' and headers' paragraphs, as word processors show them.
    static const struct {
        const char *name;
        bool note;
    } kExtra[] = {{"Header", false}, {"Footer", false}, {"Footnote", true}, {"Endnote", true}};
    for (const auto &extra : kExtra) {
        x.writeStartElement(QStringLiteral("style:style"));
        x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(extra.name));
        x.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        x.writeAttribute(QStringLiteral("style:parent-style-name"), QStringLiteral("Standard"));
        x.writeAttribute(QStringLiteral("style:class"), QStringLiteral("extra"));
        if (extra.note) {
            x.writeEmptyElement(QStringLiteral("style:paragraph-properties"));
            x.writeAttribute(QStringLiteral("fo:margin-left"), QStringLiteral("0.5cm"));
            x.writeAttribute(QStringLiteral("fo:text-indent"), QStringLiteral("-0.5cm"));
            x.writeEmptyElement(QStringLiteral("style:text-properties"));
            x.writeAttribute(QStringLiteral("fo:font-size"), QStringLiteral("10pt"));
        }
        x.writeEndElement();
    }
    // Headings are not numbered unless their own lists number them.
    x.writeStartElement(QStringLiteral("text:outline-style"));
    x.writeAttribute(QStringLiteral("style:name"), QStringLiteral("Outline"));
    for (int level = 1; level <= 10; ++level) {
        x.writeStartElement(QStringLiteral("text:outline-level-style"));
        x.writeAttribute(QStringLiteral("text:level"), QString::number(level));
        x.writeAttribute(QStringLiteral("style:num-format"), QString());
        x.writeEndElement();
    }
    x.writeEndElement();
    // How notes are numbered, as the marks' numbering words say.
    QString words;
    for (const QTextFormat &format : m_doc.allFormats()) {
        if (format.hasProperty(NoteNumberingWords)) {
            words = format.stringProperty(NoteNumberingWords);
            break;
        }
    }
    const auto numbering = [&](const QString &prefix, const QString &fallback) {
        static const QRegularExpression re(QStringLiteral("\\\\(a?)ftnn(ar|alc|auc|rlc|ruc)"));
        QString format = fallback;
        for (auto it = re.globalMatch(words); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(1) != prefix)
                continue;
            const QString kind = m.captured(2);
            format = kind == QLatin1StringView("ar") ? QStringLiteral("1")
                : kind == QLatin1StringView("alc")   ? QStringLiteral("a")
                : kind == QLatin1StringView("auc")   ? QStringLiteral("A")
                : kind == QLatin1StringView("rlc")   ? QStringLiteral("i")
                                                     : QStringLiteral("I");
        }
        return format;
    };
    for (const bool endnote : {false, true}) {
        x.writeEmptyElement(QStringLiteral("text:notes-configuration"));
        x.writeAttribute(QStringLiteral("text:note-class"), endnote ? QStringLiteral("endnote") : QStringLiteral("footnote"));
        x.writeAttribute(QStringLiteral("style:num-format"),
                         endnote ? numbering(QStringLiteral("a"), QStringLiteral("i")) : numbering(QString(), QStringLiteral("1")));
        x.writeAttribute(QStringLiteral("text:start-value"), QStringLiteral("0"));
        if (!endnote) {
            x.writeAttribute(QStringLiteral("text:footnotes-position"), QStringLiteral("page"));
            x.writeAttribute(QStringLiteral("text:start-numbering-at"), QStringLiteral("document"));
        }
    }
    x.writeEndElement(); // office:styles
    return out;
}

} // namespace odt::detail
