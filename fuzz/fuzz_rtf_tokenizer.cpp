// libFuzzer target: the RTF tokenizer alone, on any bytes, to its End.
//
// The input is tokenized twice. The first pass reads each stretch of text
// one of four ways, chosen by a byte of the input: decoded through a code
// page's tables, as bytes into a small buffer, a piece at a time, or not at
// all. The second pass reads every stretch as bytes. How text is read must
// not change the tokens, and the three ways must give the same text; each
// token must also hold what the tokenizer promises of it.

#include "rtf/codepages.h"
#include "rtf/readerlimits.h"
#include "rtf/tokenizer/tokenizer.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

#define CHECK(cond)                                                                                    \
    do {                                                                                               \
        if (!(cond)) {                                                                                 \
            std::fprintf(stderr, "tokenizer invariant broken: %s (line %d)\n", #cond, __LINE__);     \
            std::abort();                                                                              \
        }                                                                                              \
    } while (0)

constexpr std::array kCodepages = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 10000, 10007, 10029};

const std::array<rtf::detail::TextTables, kCodepages.size()> &textTables()
{
    static const auto tables = [] {
        std::array<rtf::detail::TextTables, kCodepages.size()> t;
        for (size_t i = 0; i < kCodepages.size(); ++i) {
            const char16_t *table = rtf::detail::byteTable(kCodepages[i]);
            CHECK(table);
            t[i].build(table);
        }
        return t;
    }();
    return tables;
}

// A word's parameter is the value of its digits, clamped to an int. Of a
// parameter longer than limits::maxParameterDigits the tokenizer evaluates
// only the first digits, so only that it has one is checked.
void checkParameter(const rtf::Token &t, const char *end)
{
    const char *p = t.at + 1;
    while (p < end && rtf::detail::isLetter(*p))
        ++p;
    bool negative = false;
    if (p + 1 < end && *p == '-' && rtf::detail::isDigit(p[1])) {
        negative = true;
        ++p;
    }
    int digits = 0;
    qint64 value = 0;
    for (; p < end && rtf::detail::isDigit(*p); ++p) {
        value = std::min<qint64>(value * 10 + (*p - '0'), qint64(INT_MAX) + 1);
        ++digits;
    }
    CHECK(t.hasParam == (digits > 0));
    if (digits <= rtf::limits::maxParameterDigits)
        CHECK(t.param == std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));
}

enum class Way : quint8 { Decode, Bytes, Pieces, Unread };

struct Record {
    rtf::Token::Kind kind = rtf::Token::End;
    qsizetype at = 0;
    char symbol = 0;
    bool hasParam = false;
    bool fallback = false;
    bool opens = false;
    int param = 0;
    std::string_view name;
    QByteArrayView data;
    Way way = Way::Bytes;
    size_t table = 0;
    QByteArray bytes; // Bytes, Pieces
    QString text;     // Decode
};

// Reads a Text token's stretch as bytes: at least one, and no more than
// the stretch has room for before the next token.
QByteArray readBytes(rtf::Tokenizer &tok, qsizetype size, qsizetype chunk)
{
    QByteArray out;
    std::array<char, 16> buffer;
    qsizetype calls = 0;
    while (const qsizetype n = tok.stretchBytes(buffer.data(), chunk)) {
        CHECK(n > 0 && n <= chunk);
        CHECK(++calls <= size);
        out.append(buffer.data(), n);
    }
    CHECK(!out.isEmpty());
    return out;
}

QByteArray readPieces(rtf::Tokenizer &tok, qsizetype size)
{
    QByteArray out;
    qsizetype calls = 0;
    for (QByteArrayView p = tok.piece(); !p.isEmpty(); p = tok.piece()) {
        CHECK(++calls <= size);
        out.append(p);
    }
    CHECK(!out.isEmpty());
    return out;
}

// One pass. `mixed` chooses the way each stretch is read; otherwise all
// are read as bytes.
std::vector<Record> tokenize(QByteArrayView input, bool mixed)
{
    const char *const begin = input.data();
    const char *const end = begin + input.size();
    const qsizetype size = input.size();
    rtf::Tokenizer tok(input);
    std::vector<Record> records;
    const char *lastAt = nullptr;
    int depth = 0;
    int uc = 1;
    bool blankSinceOpen = false; // only white space and \* since the last '{'
    for (;;) {
        const rtf::Token &t = tok.next();
        CHECK(qsizetype(records.size()) <= size);
        CHECK(t.at >= begin && t.at <= end);
        CHECK(!lastAt || t.at > lastAt);
        lastAt = t.at;
        Record r;
        r.kind = t.kind;
        r.at = t.at - begin;
        const size_t index = records.size();
        switch (t.kind) {
        case rtf::Token::End:
            CHECK(t.at == end);
            CHECK(tok.atEnd());
            records.push_back(std::move(r));
            return records;
        case rtf::Token::Open:
            CHECK(*t.at == '{');
            ++depth;
            blankSinceOpen = true;
            break;
        case rtf::Token::Close:
            CHECK(*t.at == '}');
            --depth;
            CHECK(depth >= 0);
            blankSinceOpen = false;
            break;
        case rtf::Token::Word: {
            CHECK(depth > 0);
            CHECK(t.at[0] == '\\' && t.at + 1 < end && rtf::detail::isLetter(t.at[1]));
            CHECK(t.name.size() <= size_t(rtf::limits::maxControlWordLength));
            if (!t.name.empty())
                CHECK(t.name.data() == t.at + 1);
            for (char c : t.name)
                CHECK(rtf::detail::isLetter(c));
            checkParameter(t, end);
            r.name = t.name;
            r.hasParam = t.hasParam;
            r.param = t.param;
            r.fallback = t.fallback;
            r.opens = tok.opensGroup(t);
            // Only white space and \* may come before a word that opens its group.
            CHECK(!r.opens || mixed || blankSinceOpen);
            blankSinceOpen = false;
            if (!t.fallback && t.name == "uc")
                uc = std::clamp(t.hasParam ? t.param : 1, 0, rtf::limits::maxUnicodeSkip);
            if (!t.fallback && t.name == "u")
                tok.skipFallback(uc);
            break;
        }
        case rtf::Token::Symbol:
            CHECK(depth > 0);
            CHECK((t.at[0] == '\\' && t.at + 1 < end && t.at[1] == t.symbol) || (t.symbol == '\t' && t.at[0] == '\t'));
            CHECK(!t.fallback || t.symbol == '*');
            r.symbol = t.symbol;
            r.fallback = t.fallback;
            if (t.symbol != '*' && t.symbol != '\t')
                blankSinceOpen = false;
            break;
        case rtf::Token::Binary:
            CHECK(depth > 0);
            CHECK(t.at[0] == '\\');
            CHECK(t.data.data() > t.at && t.data.data() + t.data.size() <= end);
            checkParameter(t, end);
            CHECK(t.data.size() <= std::max(0, t.param));
            // Data cut short by the end of the input ends the input.
            CHECK(t.data.size() == std::max(0, t.param) || t.data.data() + t.data.size() == end);
            r.hasParam = t.hasParam;
            r.param = t.param;
            r.data = t.data;
            blankSinceOpen = false;
            break;
        case rtf::Token::Text: {
            CHECK(depth > 0);
            CHECK(!rtf::detail::kSpecial[uchar(*t.at)]
                  || (end - t.at >= 4 && t.at[1] == '\'' && rtf::detail::isHex(t.at[2]) && rtf::detail::isHex(t.at[3])));
            const uchar choice = uchar(*t.at) + uchar(index);
            r.way = mixed ? Way(choice % 4) : Way::Bytes;
            r.table = (choice / 4) % kCodepages.size();
            switch (r.way) {
            case Way::Decode: {
                // Sometimes onto text already there, which must stay.
                const QString prefix = index % 2 ? QStringLiteral("pre") : QString();
                QString out = prefix;
                tok.decodeStretch(textTables()[r.table], out);
                CHECK(out.startsWith(prefix));
                r.text = out.mid(prefix.size());
                for (QChar c : std::as_const(r.text))
                    CHECK(rtf::detail::isText(c.unicode()));
                break;
            }
            case Way::Bytes:
                r.bytes = readBytes(tok, size, mixed ? 1 + choice % 16 : 16);
                if (r.bytes.count(' ') != r.bytes.size())
                    blankSinceOpen = false;
                break;
            case Way::Pieces:
                r.bytes = readPieces(tok, size);
                break;
            case Way::Unread:
                break;
            }
            if (r.way != Way::Bytes)
                blankSinceOpen = false;
            break;
        }
        }
        records.push_back(std::move(r));
        // Now and then a fallback count after other tokens too, so that
        // dropping is tried against whatever follows.
        if (t.kind != rtf::Token::Text && t.at + 1 < end && (index * 31 + uchar(t.at[1])) % 23 == 0)
            tok.skipFallback(uchar(t.at[1]) % 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<Record> mixed = tokenize(input, true);
    const std::vector<Record> plain = tokenize(input, false);
    CHECK(mixed.size() == plain.size());
    CHECK(qsizetype(mixed.size()) <= input.size() + 1);
    for (size_t i = 0; i < mixed.size(); ++i) {
        const Record &m = mixed[i];
        const Record &p = plain[i];
        CHECK(m.kind == p.kind && m.at == p.at && m.symbol == p.symbol && m.hasParam == p.hasParam);
        CHECK(m.param == p.param && m.fallback == p.fallback && m.opens == p.opens);
        CHECK(m.name == p.name && m.data.data() == p.data.data() && m.data.size() == p.data.size());
        if (m.kind != rtf::Token::Text)
            continue;
        // The text read, whichever way, is what the stretch's bytes give,
        // and no more than the stretch holds.
        const qsizetype room = plain[i + 1].at - p.at;
        CHECK(p.bytes.size() <= room);
        switch (m.way) {
        case Way::Decode: {
            QString expected;
            rtf::detail::appendTableText(rtf::detail::byteTable(kCodepages[m.table]), p.bytes.constData(),
                                         p.bytes.size(), expected);
            CHECK(m.text == expected);
            break;
        }
        case Way::Bytes:
        case Way::Pieces:
            CHECK(m.bytes == p.bytes);
            break;
        case Way::Unread:
            break;
        }
    }
    return 0;
}
