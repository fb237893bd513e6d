#include "tokenizer.h"

namespace rtf {

namespace detail {

void TextTables::build(const char16_t *table)
{
    source = table;
    for (int b = 0; b < 256; ++b) {
        const char16_t c = b < 0x80 ? char16_t(b) : table[b - 0x80];
        // Decoders pass controls through, and some map invalid bytes to them.
        escaped[size_t(b)] = isText(c) ? c : kDrop;
        plain[size_t(b)] = kSpecial[size_t(b)] ? kStop : escaped[size_t(b)];
    }
}

} // namespace detail

bool Tokenizer::opensGroup(const Token &word) const
{
    if (!word.name.data() || !m_groupStart || word.at < m_groupStart)
        return false;
    for (const char *c = m_groupStart; c < word.at; ++c) {
        if (*c == '\\' && c + 1 < word.at && c[1] == '*')
            ++c;
        else if (*c != ' ' && *c != '\r' && *c != '\n' && *c != '\t')
            return false;
    }
    return true;
}

void Tokenizer::passText()
{
    while (m_p < m_end) {
        if (!detail::kSpecial[uchar(*m_p)] || *m_p == '\r' || *m_p == '\n')
            ++m_p;
        else if (atEscape(m_p))
            m_p += 4;
        else
            break;
    }
    m_inText = false;
}

void Tokenizer::decodeStretch(const detail::TextTables &tables, QString &out)
{
    using detail::TextTables;
    const char16_t *const plain = tables.plain.data();
    const char16_t *const escaped = tables.escaped.data();
    qsizetype len = out.size();
    constexpr qsizetype kStep = 4096;
    bool more = true;
    while (more) {
        out.resize(len + kStep);
        char16_t *const data = reinterpret_cast<char16_t *>(out.data());
        char16_t *o = data + len;
        char16_t *const limit = o + kStep;
        const char *p = m_p;
        more = false;
        while (p < m_end) {
            if (o == limit) {
                more = true;
                break;
            }
            char16_t u = plain[uchar(*p)];
            if (u != TextTables::kStop) {
                ++p;
            } else if (*p == '\\' && m_end - p > 3 && p[1] == '\'' && detail::kHexValue[uchar(p[2])] >= 0
                       && detail::kHexValue[uchar(p[3])] >= 0) {
                u = escaped[uchar(detail::kHexValue[uchar(p[2])] * 16 + detail::kHexValue[uchar(p[3])])];
                p += 4;
            } else if (*p == '\r' || *p == '\n') {
                ++p; // line ends of the file carry nothing
                continue;
            } else {
                break;
            }
            *o = u;
            o += u != TextTables::kDrop;
        }
        m_p = p;
        len = o - data;
    }
    out.resize(len);
    m_inText = false;
}

qsizetype Tokenizer::stretchBytes(char *buffer, qsizetype max)
{
    qsizetype n = 0;
    while (m_p < m_end && n < max) {
        const char c = *m_p;
        if (!detail::kSpecial[uchar(c)]) {
            buffer[n++] = c;
            ++m_p;
        } else if (atEscape(m_p)) {
            buffer[n++] = char(detail::hexValue(m_p[2]) * 16 + detail::hexValue(m_p[3]));
            m_p += 4;
        } else if (c == '\r' || c == '\n') {
            ++m_p; // line ends of the file carry nothing
        } else {
            break;
        }
    }
    if (n == 0)
        m_inText = false;
    return n;
}

QByteArrayView Tokenizer::piece()
{
    while (m_p < m_end) {
        const char c = *m_p;
        if (c == '\r' || c == '\n') {
            ++m_p;
        } else if (!detail::kSpecial[uchar(c)]) {
            const char *start = m_p;
            while (m_p < m_end && !detail::kSpecial[uchar(*m_p)])
                ++m_p;
            return QByteArrayView(start, m_p - start);
        } else if (atEscape(m_p)) {
            m_escaped = char(detail::hexValue(m_p[2]) * 16 + detail::hexValue(m_p[3]));
            m_p += 4;
            return QByteArrayView(&m_escaped, 1);
        } else {
            break;
        }
    }
    m_inText = false;
    return {};
}

} // namespace rtf
