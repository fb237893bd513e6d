#pragma once

// The first stage of reading RTF: bytes into tokens. Groups, control words
// with their parameters, control symbols, text and binary data; \'hh
// escapes, \bin data and the fallback characters after \uN are handled
// here and nowhere else. Needs only Qt's core, and knows nothing of what
// the words mean.
//
// Text is handed out lazily: a Text token says where a stretch of text
// starts, and the reader takes it in the form it needs (decoded straight
// into a string, or as bytes), so each byte of a large document is looked
// at once. Text the reader does not take is passed over by the next call
// of next().

#include "rtf/readerlimits.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>

#include <array>
#include <climits>
#include <string_view>

namespace rtf {

// The fields past `kind` and `at` mean something only for the kinds their
// comments name; for other kinds they hold whatever an earlier token left.
struct Token {
    enum Kind : quint8 {
        End,    // the end of the input
        Open,   // {
        Close,  // }
        Word,   // \name or \nameN
        Symbol, // \ and a character that is no letter (a broken \'hh escape is dropped)
        Text,   // plain bytes or a \'hh escape: read with the text functions
        Binary, // \binN and its N bytes
    };
    Kind kind = End;
    char symbol = 0;
    bool hasParam = false;
    // A word, or a \*, read as the fallback of a \uN: it counts as one
    // character and means nothing else.
    bool fallback = false;
    int param = 0;
    std::string_view name; // empty for a word too long to be one a reader knows
    QByteArrayView data;   // Binary: its bytes (named "bin")
    const char *at = nullptr; // the token's first byte
};

namespace detail {

// Bytes that end a run of plain text: controls, braces and the backslash.
inline constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> s{};
    for (int c = 0; c < 0x20; ++c)
        s[size_t(c)] = true;
    s['\\'] = s['{'] = s['}'] = true;
    return s;
}();

inline constexpr std::array<signed char, 256> kHexValue = [] {
    std::array<signed char, 256> h{};
    h.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        h[size_t(c)] = char(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        h[size_t(c)] = h[size_t(c - 'a' + 'A')] = char(c - 'a' + 10);
    return h;
}();

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isHex(char c)
{
    return kHexValue[uchar(c)] >= 0;
}

inline int hexValue(char c)
{
    return kHexValue[uchar(c)];
}

// Characters a document cannot hold as text: control characters (an
// escaped \'0d would otherwise split the paragraph), the object
// placeholder with no object behind it, and non-characters.
inline bool isText(char16_t c)
{
    return (c >= 0x20 || c == u'\t') && c != 0xFFFC && c < 0xFFFE;
}

// What each byte of a single-byte code page means in a stretch of text:
// the character, kDrop for a byte that decodes to no text, kStop (plain
// bytes only) for a control, brace or backslash.
struct TextTables {
    static constexpr char16_t kDrop = 0xFFFF;
    static constexpr char16_t kStop = 0;
    const char16_t *source = nullptr; // the code page's table of bytes 0x80-0xFF
    std::array<char16_t, 256> plain{};   // a byte as it stands
    std::array<char16_t, 256> escaped{}; // a byte as \'hh
    void build(const char16_t *table);
};

} // namespace detail

class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView data)
        : m_p(data.data()), m_end(data.data() + data.size()), m_begin(data.data())
    {
    }

    // The next token; it stays valid until the next call.
    const Token &next();

    // The next `count` characters are the fallback of a \uN just read:
    // bytes, escapes, symbols and words, dropped. Groups end it.
    void skipFallback(int count) { m_skip = count; }

    // Whether the word is the first thing of its group, after white space
    // and \*: "{\listtext ...}" is a label, a stray \listtext in running
    // text is not.
    bool opensGroup(const Token &word) const;

    qsizetype size() const { return m_end - m_begin; }
    bool atEnd() const { return m_p >= m_end; }

    // The text functions: after a Text token, until they give nothing more.
    //
    // A stretch of text: plain bytes, \'hh escapes and the file's line ends
    // (which carry nothing), decoded through `tables` straight into `out`.
    void decodeStretch(const detail::TextTables &tables, QString &out);
    // The same stretch as bytes, escapes resolved, at most `max` at a time;
    // 0 at its end.
    qsizetype stretchBytes(char *buffer, qsizetype max);
    // The stretch a piece at a time: a run of plain bytes up to a line end
    // or an escape, or one escaped byte. Empty at its end.
    QByteArrayView piece();

private:
    void passText();
    bool atEscape(const char *p) const
    {
        return m_end - p > 3 && p[0] == '\\' && p[1] == '\'' && detail::isHex(p[2]) && detail::isHex(p[3]);
    }
    void word();
    bool dropFallback();

    const char *m_p;
    const char *m_end;
    const char *m_begin;
    const char *m_groupStart = nullptr; // just after the '{' read last
    int m_depth = 0;
    int m_skip = 0;
    bool m_inText = false; // a Text token was handed out and its text is not all read
    char m_escaped = 0;    // piece()'s escaped byte
    Token m_token;
};

inline void Tokenizer::word()
{
    // At the word's first letter, after the backslash.
    Token &w = m_token;
    w.kind = Token::Word;
    w.fallback = false;
    w.hasParam = false;
    const char *p = m_p;
    const char *start = p;
    while (p < m_end && detail::isLetter(*p))
        ++p;
    // A word too long to be one a reader knows is none.
    w.name = p - start <= limits::maxControlWordLength ? std::string_view(start, size_t(p - start)) : std::string_view();
    bool neg = false;
    if (p + 1 < m_end && *p == '-' && detail::isDigit(p[1])) {
        neg = true;
        ++p;
    }
    qint64 value = 0;
    int digits = 0;
    while (p < m_end && detail::isDigit(*p)) {
        if (digits < limits::maxParameterDigits)
            value = value * 10 + (*p - '0');
        ++digits;
        ++p;
        w.hasParam = true;
    }
    if (p < m_end && *p == ' ')
        ++p;
    w.param = int(std::clamp<qint64>(neg ? -value : value, INT_MIN, INT_MAX));
    m_p = p;
}

inline const Token &Tokenizer::next()
{
    if (m_inText)
        passText();
    Token &t = m_token;
    while (m_p < m_end) {
        const char c = *m_p;
        if (m_depth == 0 && c != '{') {
            ++m_p; // a byte-order mark or white space before the document
            continue;
        }
        switch (c) {
        case '{':
            t.kind = Token::Open;
            t.at = m_p++;
            ++m_depth;
            m_groupStart = m_p;
            m_skip = 0;
            return t;
        case '}':
            t.kind = Token::Close;
            t.at = m_p++;
            --m_depth;
            m_skip = 0;
            return t;
        case '\\': {
            const char *at = m_p++;
            if (m_p == m_end)
                break;
            if (detail::isLetter(*m_p)) {
                t.at = at;
                word();
                if (t.name.size() == 3 && t.name[0] == 'b' && t.name[1] == 'i' && t.name[2] == 'n') {
                    // Binary data, whatever reads it; a length past the
                    // end of the input ends the input.
                    const qint64 n = std::min<qint64>(t.hasParam ? std::max(0, t.param) : 0, m_end - m_p);
                    t.kind = Token::Binary;
                    t.data = QByteArrayView(m_p, n);
                    m_p += n;
                    dropFallback();
                    return t;
                }
                t.fallback = dropFallback();
                return t;
            }
            if (*m_p == '\'' && atEscape(at)) {
                if (dropFallback()) {
                    m_p += 3;
                    continue;
                }
                m_p = at;
                t.kind = Token::Text;
                t.at = at;
                m_inText = true;
                return t;
            }
            const char s = *m_p++;
            if (s == '\'') {
                // A broken escape is dropped whole, with the digit it has.
                if (m_p < m_end && detail::isHex(*m_p))
                    ++m_p;
                dropFallback();
                continue;
            }
            // \* marks the next word, and is no character of a fallback.
            if (s != '*' && dropFallback())
                continue;
            t.kind = Token::Symbol;
            t.symbol = s;
            t.at = at;
            t.fallback = s == '*' && m_skip > 0;
            return t;
        }
        case '\t':
            if (dropFallback()) {
                ++m_p;
                continue;
            }
            t.kind = Token::Symbol;
            t.symbol = '\t';
            t.fallback = false;
            t.at = m_p++;
            return t;
        default:
            if (detail::kSpecial[uchar(c)]) { // CR, LF, NUL and other controls carry nothing
                ++m_p;
                continue;
            }
            if (dropFallback()) {
                ++m_p;
                continue;
            }
            t.kind = Token::Text;
            t.at = m_p;
            m_inText = true;
            return t;
        }
    }
    t.kind = Token::End;
    t.at = m_end;
    return t;
}

inline bool Tokenizer::dropFallback()
{
    if (m_skip == 0)
        return false;
    --m_skip;
    return true;
}

} // namespace rtf
