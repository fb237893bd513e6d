// Text out of a simple RTF file, read as the reader reads it: the same
// groups, control words, \uN fallbacks, fonts and code pages, paragraphs
// opened and ended the same way, but text collected into one string. Every
// control word the reader gives a meaning this one does not copy makes it
// give up, so it is never wrong, only sometimes not used; fuzz_text_paths
// and tst_convert compare the two over fuzzed inputs and every fixture.

#include "quicktext.h"

#include "codepages.h"
#include "commands.h"
#include "readerlimits.h"
#include "rtf.h"

#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace rtf {

bool isRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

namespace {

using namespace detail;


struct GiveUp {};

class QuickText {
public:
    explicit QuickText(QByteArrayView data) : m_p(data.data()), m_end(data.data() + data.size()) {}

    QByteArray run();

private:
    enum class Dest : quint8 { Body, Skip, FontTable, FontAltName, ColorTable, Info, InfoText, StyleSheet, UprAnsi };
    struct State {
        Dest dest = Dest::Body;
        quint8 uc = 1;
        bool star = false;
        int font = -1;
    };
    struct Font : FontName {
        int codepage = 0;
        bool done = false;
    };

    void openGroup();
    bool closeGroup();
    void controlSymbol(char c);
    void controlWord(std::string_view name, bool hasParam, int param);
    void textBytes(const char *s, qsizetype n);
    void textChar(char16_t c);
    bool consumeSkip();
    void enterParagraph();
    void endParagraph();
    const char16_t *bodyTable();
    void finishFont(Font &f);
    void finishFonts();
    Font *currentFont();

    const char *m_p;
    const char *m_end;
    State m_st;
    std::vector<State> m_stack;
    int m_skip = 0;
    int m_ansiCp = 1252;
    int m_deff = 0;
    QHash<int, Font> m_fonts;
    std::vector<int> m_openFonts;
    int m_curFont = -1;
    TextDecoder m_decoder;
    QByteArray m_bytes; // a stretch of text before it is decoded
    QString m_text;
    bool m_parPending = false;
    bool m_hasText = false; // the open paragraph has text
    qint64 m_paragraphs = 1; // the first one is there from the start
    const qint64 m_maxParagraphs = paragraphLimit();
};

QByteArray QuickText::run()
{
    while (m_p < m_end) {
        const char c = *m_p;
        if (m_stack.empty() && c != '{') {
            ++m_p;
            continue;
        }
        switch (c) {
        case '{':
            ++m_p;
            openGroup();
            break;
        case '}':
            ++m_p;
            if (!closeGroup())
                m_p = m_end;
            break;
        case '\\': {
            ++m_p;
            if (m_p == m_end)
                break;
            if (!isLetter(*m_p)) {
                controlSymbol(*m_p++);
                break;
            }
            const ControlWord w = readControlWord(m_p, m_end);
            controlWord(w.name, w.hasParam, w.param);
            break;
        }
        case '\t':
            ++m_p;
            if (!consumeSkip())
                textChar(u'\t');
            break;
        default: {
            if (kSpecial[uchar(c)]) {
                ++m_p;
                break;
            }
            // Plain bytes, \'hh escapes and the file's line ends up to the
            // next other control are one piece of text, as the reader has it.
            m_bytes.resize(0); // keeps its capacity
            while (m_p < m_end) {
                const char b = *m_p;
                if (!kSpecial[uchar(b)]) {
                    m_bytes.append(b);
                    ++m_p;
                } else if (b == '\\' && m_st.dest == Dest::Body && m_p + 3 < m_end && m_p[1] == '\''
                           && isHex(m_p[2]) && isHex(m_p[3])) {
                    m_bytes.append(char(hexValue(m_p[2]) * 16 + hexValue(m_p[3])));
                    m_p += 4;
                } else if ((b == '\r' || b == '\n') && m_st.dest == Dest::Body) {
                    ++m_p;
                } else {
                    break;
                }
            }
            textBytes(m_bytes.constData(), m_bytes.size());
            break;
        }
        }
    }
    return m_text.toUtf8();
}

void QuickText::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= size_t(limits::maxDepth))
        throw GiveUp();
    m_st.star = false;
    m_stack.push_back(m_st);
}

bool QuickText::closeGroup()
{
    m_skip = 0;
    if (m_stack.empty())
        return true;
    const Dest old = m_st.dest;
    m_st = m_stack.back();
    m_stack.pop_back();
    if ((old == Dest::FontTable || old == Dest::FontAltName) && m_st.dest != Dest::FontTable
        && m_st.dest != Dest::FontAltName)
        finishFonts();
    return !m_stack.empty();
}

bool QuickText::consumeSkip()
{
    if (m_skip > 0) {
        --m_skip;
        return true;
    }
    return false;
}

void QuickText::controlSymbol(char c)
{
    switch (c) {
    case '\'':
        if (m_p + 1 < m_end && isHex(m_p[0]) && isHex(m_p[1])) {
            const char byte = char(hexValue(m_p[0]) * 16 + hexValue(m_p[1]));
            m_p += 2;
            if (!consumeSkip())
                textBytes(&byte, 1);
        } else {
            if (m_p < m_end && isHex(m_p[0]))
                ++m_p;
            consumeSkip();
        }
        return;
    case '\\':
    case '{':
    case '}':
        if (!consumeSkip())
            textBytes(&c, 1);
        return;
    case '*':
        m_st.star = true;
        return;
    case '\r':
    case '\n':
        if (!consumeSkip())
            controlWord("par", false, 0);
        return;
    case '~':
        if (!consumeSkip())
            textChar(0x00A0);
        return;
    case '-':
        if (!consumeSkip())
            textChar(0x00AD);
        return;
    case '_':
        if (!consumeSkip())
            textChar(0x2011);
        return;
    case '\t':
        if (!consumeSkip())
            textChar(u'\t');
        return;
    default:
        consumeSkip();
        return;
    }
}

void QuickText::controlWord(std::string_view name, bool hasParam, int param)
{
    const auto &map = commands();
    const auto it = name.empty() ? map.end() : map.find(name);
    const CmdInfo *found = it == map.end() ? nullptr : &it->second;
    const bool star = m_st.star;
    m_st.star = false;
    if (found && found->cmd == Cmd::Bin)
        throw GiveUp();
    if (m_st.dest == Dest::Skip)
        return;
    if (consumeSkip())
        return;
    if (!found) {
        if (star)
            m_st.dest = Dest::Skip;
        return;
    }
    const CmdInfo info = *found;
    if (star && info.cmd > Cmd::FontAltName && info.cmd != Cmd::NestTableProps
        && !(info.cmd >= Cmd::ListTable && info.cmd <= Cmd::ListText) && info.cmd != Cmd::Footnote
        && info.cmd != Cmd::CharStyle && info.cmd != Cmd::Bookmark && info.cmd != Cmd::OpaqueGroup) {
        m_st.dest = Dest::Skip;
        return;
    }
    const bool body = m_st.dest == Dest::Body;
    switch (info.cmd) {
    case Cmd::FontTable:
        m_st.dest = Dest::FontTable;
        m_curFont = -1;
        return;
    case Cmd::ColorTable:
        m_st.dest = Dest::ColorTable;
        return;
    case Cmd::SkipDest:
        m_st.dest = Dest::Skip;
        return;
    case Cmd::FontAltName:
        m_st.dest = m_st.dest == Dest::FontTable ? Dest::FontAltName : Dest::Skip;
        return;
    case Cmd::Upr: // the text of {\upr ...{\*\ud ...}} is that of its \ud group
        m_st.dest = Dest::UprAnsi;
        return;
    case Cmd::Ud:
        if (m_st.dest == Dest::UprAnsi)
            m_st.dest = Dest::Body;
        return;
    case Cmd::Ansi:
        m_ansiCp = 1252;
        return;
    case Cmd::Mac:
        m_ansiCp = 10000;
        return;
    case Cmd::Pc:
        m_ansiCp = 437;
        return;
    case Cmd::Pca:
        m_ansiCp = 850;
        return;
    case Cmd::AnsiCpg:
        if (hasParam && param > 0 && m_decoder.supports(param))
            m_ansiCp = param;
        return;
    case Cmd::Deff:
        if (hasParam)
            m_deff = param;
        return;
    case Cmd::Font:
        if (m_st.dest == Dest::FontTable) {
            if (Font *f = currentFont())
                finishFont(*f);
            m_curFont = hasParam ? param : 0;
            if (m_fonts.size() < limits::maxTableEntries || m_fonts.contains(m_curFont)) {
                m_fonts[m_curFont] = Font();
                m_openFonts.push_back(m_curFont);
            } else {
                m_curFont = -1;
            }
        } else {
            m_st.font = hasParam ? param : 0;
        }
        return;
    case Cmd::FCharset:
    case Cmd::Cpg:
        if (m_st.dest == Dest::FontTable) {
            if (Font *f = currentFont())
                (info.cmd == Cmd::FCharset ? f->charset : f->cpg) = param;
        }
        return;
    case Cmd::Plain:
        m_st.font = -1;
        return;
    // Formats that change no text.
    case Cmd::FontClass: case Cmd::Red: case Cmd::Green: case Cmd::Blue:
    case Cmd::FontSize: case Cmd::Bold: case Cmd::Italic: case Cmd::Strike: case Cmd::StrikeD:
    case Cmd::Underline: case Cmd::UnderlineStyle: case Cmd::UlNone: case Cmd::Caps: case Cmd::SmallCaps:
    case Cmd::Cf: case Cmd::Cb: case Cmd::Highlight: case Cmd::Sub: case Cmd::Super: case Cmd::NoSuperSub:
    case Cmd::Up: case Cmd::Dn:
    case Cmd::Pard: case Cmd::Ql: case Cmd::Qc: case Cmd::Qr: case Cmd::Qj: case Cmd::Li: case Cmd::Ri:
    case Cmd::Fi: case Cmd::Sb: case Cmd::Sa: case Cmd::Sl: case Cmd::SlMult: case Cmd::Tx: case Cmd::TabKind:
    case Cmd::PageBefore: case Cmd::OutlineLevel: case Cmd::BorderBottom:
    case Cmd::PageWord: case Cmd::SectionWord: case Cmd::SectionDefault: case Cmd::DefTab: case Cmd::DefLang:
    case Cmd::InfoTimeWord: case Cmd::Lang: case Cmd::NoProof:
    // How notes are numbered, where there are none.
    case Cmd::FtnAlt: case Cmd::FtnStart: case Cmd::AftnStart: case Cmd::FtnNumbering: case Cmd::AftnNumbering:
        return;
    case Cmd::Par:
        if (body)
            endParagraph();
        return;
    case Cmd::Page:
        if (body && !m_parPending && m_hasText)
            endParagraph();
        return;
    case Cmd::Line:
        textChar(QChar::LineSeparator);
        return;
    case Cmd::Tab:
        textChar(u'\t');
        return;
    case Cmd::Char:
        textChar(char16_t(info.arg));
        return;
    case Cmd::Unicode: {
        if (!hasParam)
            return;
        const int v = param < 0 ? param + 65536 : param;
        if (v >= 0 && v <= 0xFFFF && isText(char16_t(v)))
            textChar(char16_t(v));
        m_skip = m_st.uc;
        return;
    }
    case Cmd::Uc:
        m_st.uc = quint8(clampInt(hasParam ? param : 1, 0, limits::maxUnicodeSkip));
        return;
    case Cmd::Info:
        m_st.dest = body ? Dest::Info : Dest::Skip;
        return;
    case Cmd::InfoText:
    case Cmd::InfoTime:
        if (m_st.dest != Dest::Info)
            throw GiveUp(); // kept as a piece of the body
        m_st.dest = Dest::InfoText;
        return;
    case Cmd::StyleSheet:
        m_st.dest = body ? Dest::StyleSheet : Dest::Skip;
        return;
    case Cmd::ParStyle:
    case Cmd::CharStyle:
    case Cmd::BasedOn:
    case Cmd::NextStyle:
        // A style's own words; one applied to text may hide it.
        if (m_st.dest != Dest::StyleSheet)
            throw GiveUp();
        return;
    default:
        throw GiveUp();
    }
}

QuickText::Font *QuickText::currentFont()
{
    if (m_curFont < 0)
        return nullptr;
    auto it = m_fonts.find(m_curFont);
    return it == m_fonts.end() ? nullptr : &*it;
}

void QuickText::finishFont(Font &f)
{
    if (f.done)
        return;
    f.done = true;
    QString face;
    f.codepage = fontCodepage(m_decoder, m_ansiCp, f, face);
}

void QuickText::finishFonts()
{
    for (int id : m_openFonts) {
        auto it = m_fonts.find(id);
        if (it != m_fonts.end())
            finishFont(*it);
    }
    m_openFonts.clear();
}

// The table of the code page text is in now; a symbol font or a code page
// of several bytes a character is the reader's to decode.
const char16_t *QuickText::bodyTable()
{
    const int font = m_st.font >= 0 ? m_st.font : m_deff;
    const auto it = m_fonts.constFind(font);
    const int fontCp = it != m_fonts.cend() && it->done ? it->codepage : 0;
    if (fontCp == symbolCodepage || fontCp == pictographCodepage)
        throw GiveUp();
    const char16_t *table = byteTable(fontCp ? fontCp : m_ansiCp);
    if (!table)
        throw GiveUp();
    return table;
}

void QuickText::textBytes(const char *s, qsizetype n)
{
    while (n > 0 && m_skip > 0) {
        --m_skip;
        ++s;
        --n;
    }
    if (n <= 0)
        return;
    if (m_st.star && std::any_of(s, s + n, [](char c) { return c != ' '; }))
        m_st.star = false;
    switch (m_st.dest) {
    case Dest::Body: {
        enterParagraph();
        if (appendTableText(bodyTable(), s, n, m_text))
            m_hasText = true;
        return;
    }
    case Dest::FontTable:
    case Dest::FontAltName: {
        Font *f = currentFont();
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
        return;
    }
    default:
        return;
    }
}

void QuickText::textChar(char16_t c)
{
    if (c != u' ')
        m_st.star = false;
    switch (m_st.dest) {
    case Dest::Body:
        // A symbol font's characters, and what the document would make
        // paragraphs or frames of, are the reader's.
        bodyTable();
        if (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1)
            throw GiveUp();
        enterParagraph();
        m_text.append(c == QChar::LineSeparator ? QChar(u'\n') : QChar(c));
        m_hasText = true;
        return;
    case Dest::FontTable:
    case Dest::FontAltName:
        throw GiveUp();
    default:
        return;
    }
}

void QuickText::enterParagraph()
{
    if (!m_parPending)
        return;
    if (m_paragraphs >= m_maxParagraphs)
        throw GiveUp(); // refused by the reader
    ++m_paragraphs;
    m_parPending = false;
    m_hasText = false;
    m_text.append(u'\n');
}

void QuickText::endParagraph()
{
    enterParagraph();
    m_parPending = true;
}

} // namespace

std::optional<QByteArray> quickPlainText(QByteArrayView data)
{
    if (data.size() > inputLimit() || !isRtf(data))
        return std::nullopt;
    try {
        return QuickText(data).run();
    } catch (const GiveUp &) {
        return std::nullopt;
    }
}

} // namespace rtf
