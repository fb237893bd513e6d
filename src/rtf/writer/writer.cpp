// The RTF writer: linear in the document. A first pass over the fragments
// builds the formatting code of every character format in use, once; the
// second writes the text into one buffer, so a run costs a copy of its
// code, not a format lookup.

#include "writerimpl.h"

#include "rtf/codepages.h"
#include "rtf/fontclass.h"
#include "model/docprops.h"
#include "model/fontsize.h"
#include "model/language.h"
#include "model/pictures.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <vector>

namespace rtf {
namespace detail {
namespace {

// A character code that raises or lowers the text.
bool isShifted(const QByteArray &code)
{
    return code.contains("\\super") || code.contains("\\sub");
}

} // namespace

// Sizes from the document, which pasted text or a file may have given any
// value: rounded without overflow.
int roundedInt(double v)
{
    if (std::isnan(v))
        return 0;
    return qRound(std::clamp(v, -2.0e9, 2.0e9));
}

// Appends `text` escaped for RTF: code page 1250 as \'hh, the rest as \uN
// with a '?' for readers without Unicode.
void appendEscaped(QByteArray &out, QStringView text)
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80) {
            switch (c) {
            case '\\':
            case '{':
            case '}':
                out.append('\\');
                out.append(char(c));
                break;
            case '\t':
                out.append("\\tab ");
                break;
            case '\n': // never in a block, but a paragraph end if it were
                out.append("\\line ");
                break;
            default:
                if (c >= 0x20)
                    out.append(char(c));
                break; // other control characters have no place in RTF text
            }
            continue;
        }
        switch (c) {
        case QChar::LineSeparator:
            out.append("\\line ");
            continue;
        case QChar::ParagraphSeparator:
            out.append("\\line ");
            continue;
        case QChar::Nbsp:
            out.append("\\~");
            continue;
        case QChar::SoftHyphen:
            out.append("\\-");
            continue;
        case 0x2011: // non-breaking hyphen
            out.append("\\_");
            continue;
        case QChar::ObjectReplacementCharacter:
            continue; // images and other objects are not written
        default:
            break;
        }
        if (const uchar b = toCp1250(c)) {
            appendHexEscape(out, b);
            continue;
        }
        // RTF's \u takes a signed 16-bit value; characters beyond the BMP
        // are written as their two surrogates, as word processors do.
        out.append("\\u");
        out.append(QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c)));
        out.append('?');
    }
}



int Writer::fontIndex(const QString &family)
{
    if (m_parent) // notes
        return m_parent->fontIndex(family);
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

QByteArray Writer::charCode(const QTextCharFormat &f)
{
    QString family;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = f.property(QTextFormat::FontFamily).toString(); // formats made before Qt 6.1's lists
    if (family.isEmpty())
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
    const double listIndent = listIndentOf(f);
    twips("\\li", f.leftMargin() + f.indent() * m_doc.indentWidth() + listIndent);
    twips("\\ri", f.rightMargin());
    twips("\\fi", listIndent > 0 && f.textIndent() == 0 ? -std::min(24.0, listIndent) : f.textIndent());
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

// A picture as a \pict group with the bytes and header words it was read
// with; its size as the file gave it unless it was resized since.
void Writer::appendPicture(QByteArray &out, const QTextImageFormat &f) const
{
    const model::PictureData data = model::pictureOf(m_doc, f);
    if (data.bytes.isEmpty())
        return; // an image whose source is gone: nothing to write
    const bool metafile = data.blip == "emfblip" || data.blip.startsWith("wmetafile")
        || data.blip.startsWith("pmmetafile");
    double wpx = f.hasProperty(QTextFormat::ImageWidth) ? f.width() : -1;
    double hpx = f.hasProperty(QTextFormat::ImageHeight) ? f.height() : -1;
    if (wpx <= 0)
        wpx = data.picw > 0 && !metafile ? data.picw : 32;
    if (hpx <= 0)
        hpx = data.pich > 0 && !metafile ? data.pich : wpx;

    const bool asRead = f.hasProperty(model::PictureShownWidth)
        && qAbs(f.doubleProperty(model::PictureShownWidth) - wpx) < 0.01
        && qAbs(f.doubleProperty(model::PictureShownHeight) - hpx) < 0.01;
    int goalW = roundedInt(wpx * kTwipsPerPixel);
    int goalH = roundedInt(hpx * kTwipsPerPixel);
    int scaleX = 100, scaleY = 100;
    bool writeGoal = true;
    if (asRead) {
        scaleX = f.hasProperty(model::PictureScaleX) ? f.intProperty(model::PictureScaleX) : 100;
        scaleY = f.hasProperty(model::PictureScaleY) ? f.intProperty(model::PictureScaleY) : 100;
        // Without a goal the file sized the picture by \picw alone.
        writeGoal = f.hasProperty(model::PictureGoalWidth) || f.hasProperty(model::PictureGoalHeight)
            || data.picw <= 0 || data.pich <= 0;
        if (f.hasProperty(model::PictureGoalWidth))
            goalW = f.intProperty(model::PictureGoalWidth);
        else if (scaleX > 0)
            goalW = roundedInt(goalW * 100.0 / scaleX);
        if (f.hasProperty(model::PictureGoalHeight))
            goalH = f.intProperty(model::PictureGoalHeight);
        else if (scaleY > 0)
            goalH = roundedInt(goalH * 100.0 / scaleY);
    }
    int picw = data.picw, pich = data.pich;
    if (picw < 0)
        picw = metafile ? roundedInt(goalW * 2540.0 / 1440.0) : roundedInt(goalW / kTwipsPerPixel);
    if (pich < 0)
        pich = metafile ? roundedInt(goalH * 2540.0 / 1440.0) : roundedInt(goalH / kTwipsPerPixel);

    out += "{\\pict";
    if (!data.blip.isEmpty())
        out += '\\' + data.blip;
    out += data.words;
    out += "\\picw" + QByteArray::number(picw) + "\\pich" + QByteArray::number(pich);
    if (writeGoal)
        out += "\\picwgoal" + QByteArray::number(goalW) + "\\pichgoal" + QByteArray::number(goalH);
    if (scaleX != 100 || scaleY != 100)
        out += "\\picscalex" + QByteArray::number(scaleX) + "\\picscaley" + QByteArray::number(scaleY);
    out += "\r\n";
    // Lines of 128 digits, as word processors write them.
    const qsizetype n = data.bytes.size();
    const char *b = data.bytes.constData();
    for (qsizetype i = 0; i < n; i += 64) {
        const qsizetype end = std::min(n, i + 64);
        for (qsizetype j = i; j < end; ++j) {
            const uchar c = uchar(b[j]);
            const char hex[2] = {kHexDigits[c >> 4], kHexDigits[c & 15]};
            out.append(hex, 2);
        }
        out += "\r\n";
    }
    out += '}';
}

QByteArray Writer::run()
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

    m_documentLanguage = model::defaultLanguage(m_doc); // language
    loadStyles(); // styles
    collectCodes();
    prepareSections(); // document properties
    prepareStyles(); // styles

    QByteArray out;
    out.reserve(m_doc.characterCount() * 11 / 10 + 1024);
    // document properties: the file's default tab width and language
    const QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    const int defTab = root.intProperty(DocDefaultTab) > 0 ? root.intProperty(DocDefaultTab) : 720;
    const int defLang = m_documentLanguage; // language: as the runs' \lang take it
    out += "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deftab" + QByteArray::number(defTab) + "{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + detail::familyKeyword(detail::styleHintForFace(m_fonts[i]), m_fonts[i]) + "\\fcharset238 ";
        QString name = m_fonts[i];
        name.remove(u';'); // the table's separator; no real face has one
        appendEscaped(out, name);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (QRgb c : m_colors) {
        out += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c))
            + "\\blue" + QByteArray::number(qBlue(c)) + ';';
    }
    out += "}\r\n";
    out += m_styleSheet; // styles
    writeListTables(out); // lists
    out += "\\deflang" + QByteArray::number(defLang) + "\\uc1\r\n";
    out += m_noteWords; // notes
    writeDocumentProperties(out);

    writeFrame(out, m_doc.rootFrame());
    closeWrap(out); // opaque pieces
    out += '}';
    return out;
}

void Writer::collectCodes()
{
    // One code per character format in use, built before the body so that
    // the font and colour tables are complete; fonts and colours are
    // numbered in the order the text first uses them.
    const QList<QTextFormat> formats = m_doc.allFormats();
    m_codes.assign(formats.size(), QByteArray());
    auto use = [&](int index) {
        if (index >= 0 && size_t(index) < m_codes.size() && m_codes[index].isEmpty() && formats[index].isCharFormat()) {
            m_codes[index] = charCode(formats[index].toCharFormat());
            prepareNote(index, formats[index].toCharFormat()); // notes
        }
    };
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        bool empty = true;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            use(it.fragment().charFormatIndex());
            empty = false;
        }
        if (empty)
            use(block.charFormatIndex());
        if (!m_parent) // lists: one list table, the body's
            collectList(block);
    }
    m_fallbackCode = charCode(QTextCharFormat());
    registerTableColors(formats); // tables
}

const QByteArray &Writer::codeOf(int index) const
{
    if (index < 0 || size_t(index) >= m_codes.size() || m_codes[index].isEmpty())
        return m_fallbackCode;
    return m_codes[index];
}

// notes and headers: a document of their own, written by a writer that
// shares this one's font and colour tables.
Writer::SubDocument Writer::subDocument(const QString &rtf)
{
    SubDocument sub;
    sub.doc = std::make_unique<QTextDocument>();
    sub.doc->setUndoRedoEnabled(false);
    try {
        rtf::read(rtf.toLatin1(), *sub.doc);
    } catch (const Error &) {
        sub.doc->clear(); // not written by us: an empty one rather than none
    }
    sub.writer.reset(new Writer(*sub.doc, this));
    sub.writer->m_defaultFamily = m_defaultFamily;
    sub.writer->m_defaultSize = m_defaultSize;
    sub.writer->collectCodes();
    return sub;
}

void Writer::writeFrame(QByteArray &out, const QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame())
            writeChildFrame(out, child);
        else if (!leadsTable(it, it == frame->begin())) // tables
            writeBlock(out, it.currentBlock());
    }
}

// A frame in a frame or a cell: a table, or more blocks and frames.
void Writer::writeChildFrame(QByteArray &out, const QTextFrame *child)
{
    if (const auto *table = qobject_cast<const QTextTable *>(child))
        writeTable(out, table);
    else
        writeFrame(out, child);
}

// document properties: the section the paragraph starts, if it starts one
void Writer::startSection(QByteArray &out, const QTextBlock &block)
{
    if (!block.blockFormat().hasProperty(SectionStart))
        return;
    // The paragraph before ended with \sect, or there is none to end.
    out += m_sectionEnded ? "\\sectd" : "\\sect\\sectd";
    m_sectionEnded = false;
    writeSection(out, block.blockFormat().property(SectionStart).toStringList());
}

void Writer::writeBlock(QByteArray &out, const QTextBlock &block)
{
    // A page break before a paragraph (or after the one before it) is
    // RTF's \page between them.
    if (m_wrapId != 0 && m_wrapNext != block.blockNumber()) // opaque pieces: a result ends with its paragraph
        closeWrap(out);
    const auto breaks = [](const QTextBlock &b) { return b.isValid() ? b.blockFormat().pageBreakPolicy() : QTextFormat::PageBreak_Auto; };
    if (block != m_doc.begin() && m_tableLevel == 0 // tables: no page breaks in a cell
        && ((breaks(block) & QTextFormat::PageBreak_AlwaysBefore)
            || (breaks(block.previous()) & QTextFormat::PageBreak_AlwaysAfter))) {
        out += "\\page\r\n";
    }
    // document properties: a section starts at a paragraph of the body
    if (m_tableLevel == 0)
        startSection(out, block);
    const qsizetype codeStart = out.size();
    if (block.blockFormat().hasProperty(StyleNumber)) // styles: \sN first, the words that override it after
        out += blockCode(block.blockFormat()).insert(5, paragraphStyleCode(block.blockFormat()));
    else
        out += blockCode(block.blockFormat());
    if (m_tableLevel > 0) // tables
        out += m_tableLevel > 1 ? "\\intbl\\itap" + QByteArray::number(m_tableLevel) : QByteArray("\\intbl");
    writeListText(out, block); // lists
    // The paragraph's words without its list label, said again at its end
    // when a result that began in an earlier paragraph closes before it.
    QByteArray parCode = out.sliced(codeStart);
    if (const qsizetype label = parCode.indexOf("{\\listtext"); label >= 0)
        parCode.truncate(label);
    const QByteArray *last = nullptr;
    // LibreOffice loses the rest of the paragraph when a \super or \sub run
    // ends with \plain or \par; an explicit \nosupersub first reads right
    // everywhere.
    bool shifted = false;
    auto endShift = [&] {
        if (shifted) {
            out += "\\nosupersub";
            shifted = false;
        }
    };
    QString link; // the target of the hyperlink field open
    auto closeLink = [&] {
        if (!link.isEmpty()) {
            out += "}}";
            link.clear();
            last = nullptr; // the field's group ended the format
            shifted = false;
        }
    };
    bool empty = true;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid())
            continue;
        const QTextCharFormat cf = frag.charFormat();
        if (wrapChanges(cf)) { // opaque pieces: a field or object around its result
            closeLink();
            endShift();
            if (m_wrapOpen && m_wrapBlock != block.blockNumber()) {
                closeWrap(out);
                out += parCode;
            }
            switchWrap(out, cf);
            m_wrapBlock = block.blockNumber();
            last = nullptr;
        }
        const QString href = cf.isAnchor() ? cf.anchorHref() : QString();
        if (href != link) {
            closeLink();
            if (!href.isEmpty()) {
                endShift(); // the field's group ends with the state before it
                out += "{\\field{\\*\\fldinst HYPERLINK ";
                QString target = href;
                QString place;
                if (const qsizetype hash = target.indexOf(u'#'); hash >= 0) {
                    place = target.mid(hash + 1);
                    target.truncate(hash);
                }
                // Quotes would end the argument; backslashes are the
                // field's escapes.
                auto quoted = [](QString a) {
                    a.replace(u'\\', QLatin1StringView("\\\\")).replace(u'"', QLatin1StringView("%22"));
                    return u'"' + a + u'"';
                };
                if (!target.isEmpty())
                    appendEscaped(out, quoted(target));
                if (!place.isEmpty() || target.isEmpty()) {
                    out += target.isEmpty() ? "\\\\l " : " \\\\l ";
                    appendEscaped(out, quoted(place));
                }
                out += "}{\\fldrslt ";
                link = href;
                last = nullptr;
            }
        }
        // Formats that differ only in what RTF does not keep share a code.
        const QByteArray &code = codeOf(frag.charFormatIndex());
        if (isNoteFragment(frag)) { // notes: the mark's group has its own format
            endShift();
            writeNote(out, frag, code);
            last = nullptr;
            empty = false;
            continue;
        }
        if (!last || (last != &code && *last != code)) {
            endShift();
            out += code;
            last = &code;
            shifted = isShifted(code);
        }
        if (cf.hasProperty(OpaqueRtf)) { // opaque pieces: written as kept
            writePieces(out, frag);
            empty = false;
            continue;
        }
        if (cf.isImageFormat()) {
            // Each object character is a picture; text Qt gave the
            // image's format is written as text.
            appendWithObjects(out, frag.text(), [&] { appendPicture(out, cf.toImageFormat()); });
        } else {
            appendEscaped(out, frag.text());
        }
        empty = false;
    }
    closeLink();
    // opaque pieces: the paragraph's words would end with the result's group
    if (endWrapAtBlockEnd(out, block))
        out += parCode;
    // An empty paragraph keeps the format typing in it would use.
    if (empty) {
        out += codeOf(block.charFormatIndex());
        shifted = isShifted(codeOf(block.charFormatIndex()));
    }
    endShift();
    if (m_cellEnd) { // tables
        out += m_tableLevel > 1 ? "\\nestcell\r\n" : "\\cell\r\n";
        m_sectionEnded = false;
        return;
    }
    // document properties: \sect ends a paragraph as \par does
    m_sectionEnded = m_tableLevel == 0 && block.next().isValid()
        && block.next().blockFormat().hasProperty(SectionStart);
    out += m_sectionEnded ? "\\sect\r\n" : "\\par\r\n";
}

} // namespace detail

QByteArray write(const QTextDocument &doc)
{
    return detail::Writer(doc).run();
}

} // namespace rtf
