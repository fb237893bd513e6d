// Destinations: what each kind of group does with its text and when it
// ends. The words that start one are in reader.cpp; each concern's
// finishing work (fonts, pictures, lists, fields ...) is in its own unit.

#include "readerimpl.h"

namespace rtf::detail {

const Reader::DestinationUnit &Reader::destination(Dest d)
{
    using R = Reader;
    static constexpr DestinationUnit body{&R::bodyBytes, &R::bodyChar};
    static constexpr DestinationUnit none{};
    static constexpr DestinationUnit fontTable{&R::fontNameBytes, &R::fontNameChar, nullptr, &R::fontTableEnd};
    static constexpr DestinationUnit colorTable{&R::colorBytes, nullptr, nullptr, &R::formatTableEnd};
    static constexpr DestinationUnit styleSheet{&R::styleNameBytes, &R::styleNameChar, &R::styleEntryEnd, &R::formatTableEnd};
    static constexpr DestinationUnit picture{&R::pictureHex, nullptr, nullptr, &R::pictureEnd};
    static constexpr DestinationUnit shapeName{&R::shapeNameBytes, &R::shapeNameChar};
    static constexpr DestinationUnit fieldInst{&R::fieldInstBytes, &R::fieldInstChar, nullptr, &R::fieldInstEnd};
    static constexpr DestinationUnit levelText{&R::levelTextBytes};
    static constexpr DestinationUnit pnDef{nullptr, nullptr, nullptr, &R::pnEnd};
    static constexpr DestinationUnit pnText{&R::pnTextBytes};
    static constexpr DestinationUnit infoText{&R::infoTextBytes, &R::infoTextChar};
    static constexpr DestinationUnit bookmarkName{&R::bookmarkNameBytes, &R::bookmarkNameChar, nullptr, &R::bookmarkEnd};
    switch (d) {
    case Dest::Body: return body;
    case Dest::FontTable:
    case Dest::FontAltName: return fontTable;
    case Dest::ColorTable: return colorTable;
    case Dest::StyleSheet: return styleSheet;
    case Dest::Picture: return picture;
    case Dest::ShapeName: return shapeName;
    case Dest::FieldInst: return fieldInst;
    case Dest::LevelText: return levelText;
    case Dest::PnDef: return pnDef;
    case Dest::PnText: return pnText;
    case Dest::InfoText: return infoText;
    case Dest::BookmarkName: return bookmarkName;
    // Their text is dropped: what they hold is read from their words.
    case Dest::Skip:
    case Dest::UprAnsi:
    case Dest::ObjectSkip:
    case Dest::PictureHolder:
    case Dest::ListTable:
    case Dest::Info:
    case Dest::InfoTime:
        return none;
    }
    return none;
}

// At most `most` of the bytes, decoded in the code page in force.
QString Reader::decoded(const char *s, qsizetype n, qsizetype most)
{
    QString t;
    m_decoder.decode(codepage(), QByteArrayView(s, std::min(n, most)), t);
    return t;
}

// The body: text of the document, decoded in the code page of its font.
void Reader::bodyBytes(const char *s, qsizetype n)
{
    if (m_st.chr.hidden) {
        hiddenText({}, s, n); // opaque pieces
        return;
    }
    ++m_bodyText; // notes
    beforeText();
    const int cp = codepage();
    if (const char16_t *table = detail::byteTable(cp)) { // speed
        decodePending();
        appendTableText(table, s, n, m_b.run); // no pending buffer, no second pass
        return;
    }
    if (cp != m_pendingCp)
        decodePending();
    m_pendingCp = cp;
    m_pendingBytes.append(s, n);
}

void Reader::bodyChar(char16_t c)
{
    if (m_st.chr.hidden) {
        hiddenText(QStringView(&c, 1), nullptr, 0); // opaque pieces
        return;
    }
    ++m_bodyText; // notes
    if (c >= 0xF020 && c <= 0xF0FF) {
        // \uN of a symbol font names the font's byte in the private use
        // area.
        const int cp = codepage();
        if (cp == detail::symbolCodepage || cp == detail::pictographCodepage)
            c = detail::symbolCharacter(cp, uchar(c - 0xF000));
    }
    beforeText();
    decodePending();
    m_b.run.append(QChar(c));
    // speed: the code pages' tables have none of these
    if (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1) // and frame marks
        m_runMayBreak = true;
}

// The font table: each entry's name up to its ';', and {\*\fname ...}.
void Reader::fontNameBytes(const char *s, qsizetype n)
{
    FontEntry *f = currentFont();
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] == ';' && m_st.dest == Dest::FontTable) {
            if (f)
                finishFont(*f);
            f = nullptr;
            m_curFont = -1;
        } else if (f && !f->done && s[i] != ';') {
            (m_st.dest == Dest::FontTable ? f->nameBytes : f->altBytes).append(s[i]);
        }
    }
}

void Reader::fontNameChar(char16_t c)
{
    if (FontEntry *f = currentFont(); f && !f->done) {
        const int cp = f->cpg > 0 ? f->cpg : detail::codepageForCharset(f->charset);
        QByteArray &bytes = m_st.dest == Dest::FontTable ? f->nameBytes : f->altBytes;
        QString &text = m_st.dest == Dest::FontTable ? f->name : f->alt;
        m_decoder.decode(cp && cp != detail::symbolCodepage ? cp : m_ansiCp, bytes, text);
        bytes.clear();
        text.append(QChar(c));
    }
}

void Reader::fontTableEnd(Dest to, bool)
{
    if (to != Dest::FontTable && to != Dest::FontAltName)
        finishFonts();
    clearFormatCaches();
}

// speed: formats are made from the font, colour and style tables
void Reader::formatTableEnd(Dest, bool)
{
    clearFormatCaches();
}

// The colour table: an entry at each ';'.
void Reader::colorBytes(const char *s, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] != ';')
            continue;
        if (m_colors.size() < size_t(limits::maxTableEntries))
            m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }
}

// The style sheet: each entry's name up to its ';'.
void Reader::styleNameBytes(const char *s, qsizetype n)
{
    // A name is words of the file, not pictures of the style's font.
    const int cp = codepage();
    QString name;
    m_decoder.decode(cp == detail::symbolCodepage || cp == detail::pictographCodepage ? m_ansiCp : cp,
                     QByteArrayView(s, std::min<qsizetype>(n, 4096)), name);
    styleName(name);
}

void Reader::styleNameChar(char16_t c)
{
    styleName(QString(QChar(c)));
}

// An entry's group may end without its ';'.
void Reader::styleEntryEnd()
{
    if (m_styleOpen)
        finishStyleEntry();
}

void Reader::pictureEnd(Dest, bool)
{
    if (m_picActive)
        finishPicture();
}

// A shape property's name: only "pib", the picture a shape shows, matters.
void Reader::shapeNameBytes(const char *s, qsizetype n)
{
    m_shapeName.append(s, std::min<qsizetype>(n, std::max<qsizetype>(0, 16 - m_shapeName.size())));
}

void Reader::shapeNameChar(char16_t)
{
    // Names are ASCII: any other character (\~, \uN) makes another
    // name, as its byte does.
    if (m_shapeName.size() < 16)
        m_shapeName.append('?');
}

// A field's instruction, read for hyperlinks and symbols: as its kept
// piece has it, without what is no text.
void Reader::fieldInstBytes(const char *s, qsizetype n)
{
    if (m_fieldInst.size() >= 4096)
        return;
    const qsizetype from = m_fieldInst.size();
    m_decoder.decode(codepage(), QByteArrayView(s, std::min<qsizetype>(n, 4096)), m_fieldInst);
    const auto rest = std::remove_if(m_fieldInst.begin() + from, m_fieldInst.end(),
                                     [](QChar c) { return !isText(c.unicode()); });
    m_fieldInst.truncate(rest - m_fieldInst.begin());
}

void Reader::fieldInstChar(char16_t c)
{
    if (m_fieldInst.size() < 4096 && isText(c))
        m_fieldInst.append(QChar(c));
}

void Reader::fieldInstEnd(Dest to, bool)
{
    if (to == Dest::Body)
        endFieldInstruction();
}

// lists: a level's \leveltext, and the text around a \pn number.
void Reader::levelTextBytes(const char *s, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        levelTextByte(uchar(s[i]));
}

void Reader::pnTextBytes(const char *s, qsizetype n)
{
    if (m_pn) {
        QByteArray &text = m_pnAfter ? m_pn->after : m_pn->before;
        text.append(s, std::min<qsizetype>(n, std::max<qsizetype>(0, limits::maxLevelTextLength - text.size())));
    }
}

// A \pn that is a note's or header's own group ends with the note and
// numbers nothing of the body the state returns to.
void Reader::pnEnd(Dest to, bool endsNote)
{
    if (to != Dest::PnText && !endsNote)
        finishPn();
}

// document properties: a text field of \info
void Reader::infoTextBytes(const char *s, qsizetype n)
{
    infoText(decoded(s, n, 4096));
}

void Reader::infoTextChar(char16_t c)
{
    infoText(QString(QChar(c)));
}

// opaque pieces: a bookmark's name
void Reader::bookmarkNameBytes(const char *s, qsizetype n)
{
    m_bookmarkName += decoded(s, n, 256).left(std::max<qsizetype>(0, 256 - m_bookmarkName.size()));
}

void Reader::bookmarkNameChar(char16_t c)
{
    if (m_bookmarkName.size() < 256)
        m_bookmarkName += QChar(c);
}

void Reader::bookmarkEnd(Dest to, bool)
{
    if (to == Dest::Body)
        endBookmark();
}

} // namespace rtf::detail
