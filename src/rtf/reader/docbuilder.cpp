// Building the document: runs of text, paragraphs and their formats.

#include "readerimpl.h"

#include <QTextBlock> // lists
#include <QtGui/private/qtextdocument_p.h> // speed: inserting runs and paragraphs
#include "model/docprops.h"
#include "model/language.h"

namespace rtf::detail {

void Reader::beforeText()
{
    if (m_tapKind != TapKind::None) // opaque pieces: text shown is no part of a piece
        dropTap();
    enterParagraph();
    if (m_b.propsDirty) {
        m_b.propsDirty = false;
        // Past the limit of runs, text keeps the format of the last run.
        if (!(m_st.chr == m_b.runProps) && m_runs < limits::maxRuns) {
            flushRun();
            m_b.runProps = m_st.chr;
        }
    }
    if (m_b.cells > 0) {
        decodePending();
        m_b.run.append(QString(m_b.cells, u'\t'));
        m_b.cells = 0;
    }
    m_b.lastTextPar = m_st.par;
}

void Reader::decodePending()
{
    if (m_pendingBytes.isEmpty())
        return;
    const qsizetype start = m_b.run.size();
    m_decoder.decode(m_pendingCp, m_pendingBytes, m_b.run);
    m_runMayBreak = true; // a decoder's characters are not looked at one by one
    // Decoders pass controls through, and some map invalid bytes to them.
    char16_t *data = reinterpret_cast<char16_t *>(m_b.run.data());
    qsizetype out = start;
    for (qsizetype i = start; i < m_b.run.size(); ++i) {
        if (isText(data[i]))
            data[out++] = data[i];
    }
    m_b.run.resize(out);
    m_pendingBytes.resize(0); // keeps the buffer for the next run
}

void Reader::flushRun()
{
    if (!m_b.hidden.isEmpty()) // opaque pieces: hidden text before the run
        flushHidden();
    decodePending();
    if (m_b.run.isEmpty())
        return;
    insertRun(m_b.run, cachedCharFormat(m_b.runProps));
    m_b.run.resize(0);
    m_runMayBreak = false;
    ++m_runs;
    m_b.blockHasText = true;
}

void Reader::openPendingParagraph()
{
    syncTables();
    if (m_paragraphs >= m_maxParagraphs) {
        // Refused rather than cut short: see limits::maxParagraphs.
        throw tooManyParagraphs(m_maxParagraphs);
    }
    ++m_paragraphs;
    // The paragraph gets the formats in force now; its \par corrects them
    // only if they changed in between, which saves most format calls.
    m_b.parPending = false;
    m_b.blockPageBreak = m_b.pageBreak;
    m_b.pageBreak = false;
    if (m_b.reuseBlock) { // an empty cell, or the block after a table
        m_b.reuseBlock = false;
        m_b.cursor.setBlockFormat(cachedBlockFormat(m_st.par).format);
        m_b.cursor.setBlockCharFormat(charFormat(m_st.chr));
    } else {
        insertBlock(cachedBlockFormat(m_st.par), cachedCharFormat(m_st.chr));
    }
    const bool startsSection = m_sections.back().block == Section::kAtNextParagraph && !m_noteDoc;
    if (startsSection) // document properties: a section that opens with a table starts at the table
        m_sections.back().block = m_b.tables.empty() ? m_b.cursor.blockNumber()
                                                   : m_b.tables.front().table->firstCursorPosition().blockNumber();
    // opaque pieces: a result of this document (a note in a result has its own)
    if (m_wrap.depth >= 0) {
        // A result goes on from one paragraph to the next only outside
        // tables and sections' starts, as it can be written.
        if (startsSection || m_wrap.inTable || !m_b.tables.empty()) {
            splitWrap();
            // The paragraph's own format is of the result it goes on as:
            // Qt gives it to text it puts there (merging cells).
            m_b.cursor.setBlockCharFormat(charFormat(m_st.chr));
        }
        m_wrap.inTable = !m_b.tables.empty();
    }
    attachList(m_st.par); // lists
    m_b.listTextStart = m_b.listTextEnd = -1;
    m_b.blockPar = m_st.par;
    m_b.blockChr = m_st.chr;
    m_b.blockFormatted = true;
    m_b.blockHasText = false;
}

void Reader::endParagraph()
{
    enterParagraph();
    m_b.propsDirty = true;
    flushRun();
    applyParagraph(m_st.par, m_st.chr);
    m_b.parPending = true;
    m_b.cells = 0;
}

void Reader::applyParagraph(const ParProps &par, const CharProps &chr)
{
    if (!m_b.blockFormatted || !(par == m_b.blockPar)) {
        m_b.cursor.setBlockFormat(cachedBlockFormat(par).format);
        attachList(par); // lists
    }
    // lists: an item starts the numbering of the levels below it again; at
    // its end, when its level is known (\ilvl may follow the text).
    if (par.ls > 0) {
        for (int deeper = std::max(par.ilvl, 0) + 1; deeper < limits::maxListLevels; ++deeper)
            m_b.textLists.remove((quint64(uint(par.ls)) << 8) | uint(deeper));
    }
    // lists: the label for readers without lists, when this one has one
    if (m_b.listTextEnd > m_b.listTextStart && m_b.listTextStart >= m_b.cursor.block().position()
        && m_b.cursor.block().textList()) {
        QTextCursor label(m_b.cursor.document());
        label.setPosition(m_b.listTextStart);
        label.setPosition(m_b.listTextEnd, QTextCursor::KeepAnchor);
        label.removeSelectedText();
        joinHidden(m_b.listTextStart); // hidden text the label stood between
    }
    placeHeldLabel(); // lists
    m_b.listTextStart = m_b.listTextEnd = -1;
    if (!m_b.blockFormatted || !(chr == m_b.blockChr))
        m_b.cursor.setBlockCharFormat(charFormat(chr));
    m_b.blockPar = par;
    m_b.blockChr = chr;
    m_b.blockFormatted = true;
}

namespace {
// A document has a few dozen distinct formats; a file made to have more
// starts the caches over rather than growing them without end.
constexpr size_t kMaxCachedCharFormats = 4096;
constexpr size_t kMaxCachedBlockFormats = 64;
} // namespace

size_t Reader::CharPropsHash::operator()(const CharProps &p) const noexcept
{
    size_t h = size_t(p.font) * 0x9E3779B1u;
    const auto mix = [&h](size_t v) { h = (h ^ v) * 0x100000001B3ull + (h >> 29); };
    mix(size_t(p.halfPoints));
    mix(size_t(p.fg) << 16 ^ size_t(p.bg));
    mix(size_t(p.underline) | size_t(p.valign) << 8 | size_t(p.caps) << 16 | size_t(p.bold) << 24
        | size_t(p.italic) << 25 | size_t(p.strike) << 26 | size_t(p.hidden) << 27);
    mix(size_t(p.link) << 20 ^ size_t(p.charStyle));
    mix(size_t(uint(p.lang)) ^ size_t(uint(p.wrap)) << 32); // language, opaque pieces
    return h;
}

void Reader::clearFormatCaches()
{
    m_charFormats.clear();
    m_lastCharFormat = nullptr;
    m_blockFormats.clear();
    m_lastBlockFormat = 0;
}


namespace {
// The format's number in the document, looked up once per document.
template<class Entry>
int formatIndex(Entry &e, QTextDocument *doc, quint64 generation)
{
    if (e.generation != generation) {
        e.generation = generation;
        e.index = QTextDocumentPrivate::get(doc)->formatCollection()->indexForFormat(e.format);
    }
    return e.index;
}

// What QTextCursor::insertText turns into paragraphs or frames.
bool breaksParagraph(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == QChar::ParagraphSeparator || u == u'\n' || u == u'\r' || u == QTextBeginningOfFrame
            || u == QTextEndOfFrame;
    });
}
} // namespace

// QTextCursor::insertText copies the format, looks it up among the
// document's formats and looks for paragraph breaks in the text, run by
// run; most of a read is spent inserting, so a run without breaks goes to
// the document directly with the format's number kept in the cache.
void Reader::insertRun(const QString &text, CharFormatEntry &format)
{
    if (m_b.cursor.hasSelection() || (m_runMayBreak && breaksParagraph(text))) {
        m_b.cursor.insertText(text, format.format);
        return;
    }
    QTextDocument *doc = m_b.cursor.document();
    QTextDocumentPrivate::get(doc)->insert(m_b.cursor.position(), text, formatIndex(format, doc, m_docGeneration));
}

void Reader::insertBlock(BlockFormatEntry &format, CharFormatEntry &charFormat)
{
    if (m_b.cursor.hasSelection()) {
        m_b.cursor.insertBlock(format.format, charFormat.format);
        return;
    }
    QTextDocument *doc = m_b.cursor.document();
    QTextDocumentPrivate::get(doc)->insertBlock(m_b.cursor.position(), formatIndex(format, doc, m_docGeneration),
                                                formatIndex(charFormat, doc, m_docGeneration));
}

Reader::BlockFormatEntry &Reader::cachedBlockFormat(const ParProps &p)
{
    const auto matches = [&](const BlockFormatSlot &e) { return e.pageBreak == m_b.blockPageBreak && e.props == p; };
    if (m_lastBlockFormat < m_blockFormats.size() && matches(m_blockFormats[m_lastBlockFormat]))
        return m_blockFormats[m_lastBlockFormat].entry;
    for (size_t i = 0; i < m_blockFormats.size(); ++i) {
        if (matches(m_blockFormats[i])) {
            m_lastBlockFormat = i;
            return m_blockFormats[i].entry;
        }
    }
    if (m_blockFormats.size() >= kMaxCachedBlockFormats)
        m_blockFormats.clear();
    m_blockFormats.push_back(BlockFormatSlot{p, m_b.blockPageBreak, {blockFormat(p)}});
    m_lastBlockFormat = m_blockFormats.size() - 1;
    return m_blockFormats.back().entry;
}

QTextCharFormat Reader::charFormat(const CharProps &p)
{
    return cachedCharFormat(p).format;
}

Reader::CharFormatEntry &Reader::cachedCharFormat(const CharProps &p)
{
    if (m_lastCharFormat && p == m_lastCharProps)
        return *m_lastCharFormat;
    auto it = m_charFormats.find(p);
    if (it == m_charFormats.end()) {
        if (m_charFormats.size() >= kMaxCachedCharFormats)
            m_charFormats.clear();
        it = m_charFormats.emplace(p, CharFormatEntry{makeCharFormat(p)}).first;
    }
    m_lastCharFormat = &it->second;
    m_lastCharProps = p;
    return it->second;
}

QTextCharFormat Reader::makeCharFormat(const CharProps &p) const
{
    QTextCharFormat f;
    const int font = p.font >= 0 ? p.font : m_deff;
    if (auto it = m_fonts.constFind(font); it != m_fonts.cend() && !it->family.isEmpty()) {
        f.setFontFamilies(QStringList(it->family));
        f.setFontStyleHint(QFont::StyleHint(it->hint));
    }
    f.setFontPointSize(p.halfPoints / 2.0);
    if (p.bold)
        f.setFontWeight(QFont::Bold);
    if (p.italic)
        f.setFontItalic(true);
    if (p.underline != QTextCharFormat::NoUnderline)
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(p.underline));
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.caps != QFont::MixedCase)
        f.setFontCapitalization(QFont::Capitalization(p.caps));
    if (p.fg >= 0 && size_t(p.fg) < m_colors.size() && m_colors[p.fg].isValid())
        f.setForeground(m_colors[p.fg]);
    if (p.bg >= 0 && size_t(p.bg) < m_colors.size() && m_colors[p.bg].isValid())
        f.setBackground(m_colors[p.bg]);
    if (p.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(p.valign));
    if (p.charStyle >= 0) // styles
        f.setProperty(CharStyleNumber, p.charStyle);
    if (p.lang > 0) // language
        f.setProperty(CharLanguage, p.lang);
    if (p.noProof)
        f.setProperty(CharNoProof, true);
    if (p.wrap >= 0 && size_t(p.wrap) < m_wraps.size()) { // opaque pieces: a field's or object's result
        f.setProperty(WrapRtf, m_wraps[p.wrap]);
        f.setProperty(WrapId, p.wrap + 1);
        if (!m_wrapInstructions[size_t(p.wrap)].isEmpty())
            f.setProperty(FieldInstruction, m_wrapInstructions[size_t(p.wrap)]);
    }
    if (p.link >= 0 && p.link < m_links.size()) {
        f.setAnchor(true);
        f.setAnchorHref(m_links[p.link]);
    }
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParProps &p) const
{
    QTextBlockFormat f;
    f.setAlignment(p.align);
    if (p.pageBefore || m_b.blockPageBreak)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.li)
        f.setLeftMargin(p.li / kTwipsPerPixel);
    if (p.ri)
        f.setRightMargin(p.ri / kTwipsPerPixel);
    if (p.fi)
        f.setTextIndent(p.fi / kTwipsPerPixel);
    if (p.sb)
        f.setTopMargin(p.sb / kTwipsPerPixel);
    if (p.sa)
        f.setBottomMargin(p.sa / kTwipsPerPixel);
    if (p.sl > 0 && p.slMult)
        f.setLineHeight(p.sl * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (p.sl > 0)
        f.setLineHeight(p.sl / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
    else if (p.sl < 0)
        f.setLineHeight(-p.sl / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    if (p.style > 0) { // styles
        f.setProperty(StyleNumber, p.style);
        if (const int level = headingLevel(p.style))
            f.setHeadingLevel(level);
    }
    if (p.tabCount) {
        QList<QTextOption::Tab> tabs;
        for (int i = 0; i < p.tabCount; ++i) {
            const auto type = QTextOption::TabType(p.tabType[i]);
            // Decimal tabs align on the decimal comma of Czech numbers.
            tabs.append(QTextOption::Tab(p.tabPos[i] / kTwipsPerPixel, type,
                                         type == QTextOption::DelimiterTab ? QChar(u',') : QChar()));
        }
        f.setTabPositions(tabs);
    }
    // headings and rules
    if (p.outline >= 0)
        f.setHeadingLevel(p.outline + 1);
    if (p.rule)
        f.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    return f;
}

} // namespace rtf::detail
