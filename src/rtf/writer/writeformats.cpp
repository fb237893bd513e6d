// Character and paragraph formats as RTF's words, and the font and colour
// tables those words number their fonts and colours in. Fonts and colours
// are numbered as the text first uses them; notes and headers use their
// document's tables.

#include "writerimpl.h"

#include "rtf/fontclass.h"
#include "model/docprops.h"
#include "model/fontsize.h"
#include "model/language.h"

#include <QFont>
#include <QTextFrame>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace rtf::detail {

namespace {

// A face as the font table can hold it: without the table's separator
// (no real face has one), the controls a name cannot hold and the blanks
// around it, which a reader drops.
QString tableFaceName(QString name)
{
    name.removeIf([](QChar c) {
        return c == u';' || c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
    return name.trimmed();
}

} // namespace

// Sizes from the document, which pasted text or a file may have given any
// value: rounded without overflow.
// The size and face of text that names none.
void Writer::prepareFonts()
{
    const QFont def = m_doc.defaultFont();
    m_defaultFamily = def.family();
    if (def.pointSizeF() > 0)
        m_defaultSize = def.pointSizeF();
    // document properties: the file's default font stays \deff0
    const QString fileDefault = m_doc.rootFrame()->frameFormat().stringProperty(DocDefaultFont);
    if (!fileDefault.isEmpty() && fileDefault.size() < 256)
        fontIndex(fileDefault);
    fontIndex(m_defaultFamily); // \deff0
}

int Writer::fontIndex(const QString &face)
{
    if (m_parent) // notes
        return m_parent->fontIndex(face);
    // Faces that differ only in what the table cannot hold are one entry.
    const QString family = tableFaceName(face);
    auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.cend())
        return *it;
    const int i = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, i);
    return i;
}

int Writer::colorIndex(const QColor &color)
{
    if (m_parent) // notes
        return m_parent->colorIndex(color);
    const QRgb rgb = color.rgb() | 0xFF000000u;
    auto it = m_colorIndex.constFind(rgb);
    if (it != m_colorIndex.cend())
        return *it;
    m_colors.push_back(rgb);
    const int i = int(m_colors.size()); // index 0 is the automatic colour
    m_colorIndex.insert(rgb, i);
    return i;
}

void Writer::writeFontTable(QByteArray &out) const
{
    out += "{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + familyKeyword(styleHintForFace(m_fonts[i]), m_fonts[i]) + "\\fcharset238 ";
        appendEscaped(out, m_fonts[i]);
        out += ";}";
    }
    out += "}\r\n";
}

void Writer::writeColorTable(QByteArray &out) const
{
    out += "{\\colortbl ;";
    for (QRgb c : m_colors) {
        out += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c))
            + "\\blue" + QByteArray::number(qBlue(c)) + ';';
    }
    out += "}\r\n";
}

QByteArray Writer::charCode(const QTextCharFormat &f)
{
    QString family;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = f.property(QTextFormat::FontFamily).toString(); // formats made before Qt 6.1's lists
    // A name the font table cannot hold (its separator, blanks) reads back
    // as no face: the default.
    if (tableFaceName(family).isEmpty())
        family = m_defaultFamily;
    // Pasted HTML may size text in pixels; the document's pixels are at 96
    // dots per inch.
    double size = m_defaultSize;
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        size = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize) && f.intProperty(QTextFormat::FontPixelSize) > 0)
        size = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    // headings: Qt's relative sizes (<h1>, <big>) as the points they show
    size = model::adjustedPointSize(f, size);

    QByteArray code = "\\plain\\f" + QByteArray::number(fontIndex(family)) + "\\fs"
        + QByteArray::number(std::max(1, roundedInt(size * 2)));
    if (f.fontWeight() >= QFont::DemiBold)
        code += "\\b";
    if (f.fontItalic())
        code += "\\i";
    QTextCharFormat::UnderlineStyle ul = f.underlineStyle();
    if (ul == QTextCharFormat::NoUnderline && f.fontUnderline())
        ul = QTextCharFormat::SingleUnderline;
    switch (ul) {
    case QTextCharFormat::SingleUnderline: code += "\\ul"; break;
    case QTextCharFormat::DashUnderline: code += "\\uldash"; break;
    case QTextCharFormat::DotLine: code += "\\uld"; break;
    case QTextCharFormat::DashDotLine: code += "\\uldashd"; break;
    case QTextCharFormat::DashDotDotLine: code += "\\uldashdd"; break;
    case QTextCharFormat::WaveUnderline: code += "\\ulwave"; break;
    default: break; // none, and the spell checker's marks
    }
    if (f.fontStrikeOut())
        code += "\\strike";
    switch (f.fontCapitalization()) {
    case QFont::AllUppercase: code += "\\caps"; break;
    case QFont::SmallCaps: code += "\\scaps"; break;
    default: break;
    }
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        code += "\\cf" + QByteArray::number(colorIndex(f.foreground().color()));
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
        // \chcbpat is the shading other word processors keep exactly;
        // \highlight is what the simpler ones understand.
        const QByteArray i = QByteArray::number(colorIndex(f.background().color()));
        code += "\\chcbpat" + i + "\\highlight" + i;
    }
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript: code += "\\super"; break;
    case QTextCharFormat::AlignSubScript: code += "\\sub"; break;
    default: break;
    }
    if (f.hasProperty(CharStyleNumber)) { // styles: right after \plain, before the words that override it
        code.insert(6, "\\cs" + QByteArray::number(std::max(0, f.intProperty(CharStyleNumber))));
        code += charStyleResets(f);
    }
    // language: \plain gives the document's, so only another is written
    if (const int lang = f.intProperty(CharLanguage); f.hasProperty(CharLanguage) && lang > 0 && lang != documentLanguage())
        code += "\\lang" + QByteArray::number(lang);
    if (f.boolProperty(CharNoProof))
        code += "\\noproof";
    code += ' ';
    return code;
}

QByteArray Writer::blockCode(const QTextBlockFormat &f) const
{
    QByteArray code = "\\pard";
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        code += "\\qc";
    else if (a & Qt::AlignJustify)
        code += "\\qj";
    else if (a & Qt::AlignRight)
        code += "\\qr";
    auto twips = [&code](const char *word, double pixels) {
        const int t = roundedInt(pixels * kTwipsPerPixel);
        if (t != 0)
            code += word + QByteArray::number(t);
    };
    // lists: the list's indent is part of the paragraph's, its label hangs
    const ParagraphIndent indent = paragraphIndent(f, m_doc, listIndentOf(f));
    twips("\\li", indent.left);
    twips("\\ri", f.rightMargin());
    twips("\\fi", indent.firstLine);
    twips("\\sb", f.topMargin());
    twips("\\sa", f.bottomMargin());
    const double lh = f.lineHeight();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (roundedInt(lh) != 100 && lh > 0)
            code += "\\sl" + QByteArray::number(roundedInt(lh * 240 / 100)) + "\\slmult1";
        break;
    case QTextBlockFormat::MinimumHeight:
        twips("\\sl", lh);
        code += "\\slmult0";
        break;
    case QTextBlockFormat::FixedHeight:
        twips("\\sl", -lh);
        code += "\\slmult0";
        break;
    default: // single spacing, and added leading RTF has no word for
        break;
    }
    for (const QTextOption::Tab &tab : f.tabPositions()) {
        switch (tab.type) {
        case QTextOption::RightTab: code += "\\tqr"; break;
        case QTextOption::CenterTab: code += "\\tqc"; break;
        case QTextOption::DelimiterTab: code += "\\tqdec"; break;
        default: break;
        }
        code += "\\tx" + QByteArray::number(std::max(0, roundedInt(tab.position * kTwipsPerPixel)));
    }
    // headings and rules
    if (f.headingLevel() >= 1 && f.headingLevel() <= 9)
        code += "\\outlinelevel" + QByteArray::number(f.headingLevel() - 1);
    if (f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
        code += "\\brdrb\\brdrs\\brdrw10\\brsp20";
    return code;
}

} // namespace rtf::detail
