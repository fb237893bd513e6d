// The RTF tokenizer on its own: which tokens a snippet gives, when a word
// opens its group, and the control-word table the reader dispatches by.

#include "rtf/readerlimits.h"
#include "rtf/reader/commands.h"
#include "rtf/tokenizer/tokenizer.h"

#include <QTest>

#include <algorithm>
#include <climits>

using rtf::Token;
using rtf::detail::CmdInfo;
using rtf::detail::Concern;
using rtf::detail::Kind;

namespace {

// Bytes as the token strings show them: printable ASCII as it is, others as [hh].
QByteArray shown(QByteArrayView bytes)
{
    QByteArray s;
    for (char c : bytes)
        s += c >= 0x20 && c < 0x7F ? QByteArray(1, c) : '[' + QByteArray::number(uchar(c), 16).rightJustified(2, '0') + ']';
    return s;
}

// The token stream of `rtf`, one item a token: { } \word \word-5 \<> for a
// word too long to have a name, (fb) after a fallback, \x for a symbol,
// T"..." for text as stretchBytes() gives it, Bn:... for binary data.
// \ucN and \uN are followed as the reader does: \uN skips N fallbacks.
QByteArray tokens(const QByteArray &rtf)
{
    rtf::Tokenizer tok(rtf);
    QByteArrayList out;
    int uc = 1;
    for (const Token *t = &tok.next(); t->kind != Token::End; t = &tok.next()) {
        switch (t->kind) {
        case Token::Open: out << "{"; break;
        case Token::Close: out << "}"; break;
        case Token::Word:
            out << '\\' + (t->name.empty() ? QByteArray("<>") : QByteArray(t->name.data(), qsizetype(t->name.size())))
                    + (t->hasParam ? QByteArray::number(t->param) : QByteArray()) + (t->fallback ? "(fb)" : "");
            if (!t->fallback && t->name == "uc")
                uc = t->param;
            else if (!t->fallback && t->name == "u")
                tok.skipFallback(uc);
            break;
        case Token::Symbol: out << '\\' + shown(QByteArray(1, t->symbol)) + (t->fallback ? "(fb)" : ""); break;
        case Token::Binary: out << 'B' + QByteArray::number(t->data.size()) + ':' + shown(t->data); break;
        case Token::Text: {
            QByteArray text;
            char buffer[3];
            while (const qsizetype n = tok.stretchBytes(buffer, sizeof buffer))
                text.append(buffer, n);
            out << "T\"" + shown(text) + '"';
            break;
        }
        case Token::End: break;
        }
    }
    return out.join(' ');
}

// Whether the first word named `name` opens its group.
bool opensGroup(const QByteArray &rtf, std::string_view name)
{
    rtf::Tokenizer tok(rtf);
    for (const Token *t = &tok.next(); t->kind != Token::End; t = &tok.next()) {
        if (t->kind == Token::Word && t->name == name)
            return tok.opensGroup(*t);
    }
    qFatal("no word %s", name.data());
}

QByteArray describe(const CmdInfo &info)
{
    static const char *const kinds[] = {"Destination", "Symbol", "Flag", "Toggle", "Value"};
    static const char *const concerns[] = {"Document", "Character", "Paragraph", "Table", "Style", "Object"};
    return QByteArray(kinds[int(info.kind)]) + ' ' + concerns[int(info.concern)] + (info.afterStar ? " star" : "");
}

} // namespace

class TestRtfTokenizer : public QObject {
    Q_OBJECT

private slots:
    void tokens_data();
    void tokens();
    void opensGroup_data();
    void opensGroup();
    void commandTable_data();
    void commandTable();
    void commandTableIsConsistent();
};

void TestRtfTokenizer::tokens_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray letters32(32, 'a');
    QTest::newRow("words") << QByteArray("{\\b\\fs24 abc}") << QByteArray("{ \\b \\fs24 T\"abc\" }");
    QTest::newRow("negative parameter") << QByteArray("{\\li-720\\fi-0 x}") << QByteArray("{ \\li-720 \\fi0 T\"x\" }");
    QTest::newRow("a minus without digits") << QByteArray("{\\fs-x}") << QByteArray("{ \\fs T\"-x\" }");
    QTest::newRow("parameter past 32 bits") << QByteArray("{\\fs2147483648 \\li-2147483649 x}")
                                            << QByteArray("{ \\fs2147483647 \\li-2147483648 T\"x\" }");
    QTest::newRow("parameter of 11 and 15 digits") << QByteArray("{\\fs99999999999 \\li-999999999999999 x}")
                                                   << QByteArray("{ \\fs2147483647 \\li-2147483648 T\"x\" }");
    QTest::newRow("word of 32 letters") << "{\\" + letters32 + "1 x}" << "{ \\" + letters32 + "1 T\"x\" }";
    QTest::newRow("word of 33 letters") << "{\\" + letters32 + "b1 x}" << QByteArray("{ \\<>1 T\"x\" }");
    QTest::newRow("one space delimits") << QByteArray("{\\b  x\\i y}") << QByteArray("{ \\b T\" x\" \\i T\"y\" }");
    QTest::newRow("escapes in text") << QByteArray("{\\'c8\\'edslo \\'5c}") << QByteArray("{ T\"[c8][ed]slo \\\" }");
    QTest::newRow("broken escape") << QByteArray("{a\\'xb\\'4z}") << QByteArray("{ T\"a\" T\"xb\" T\"z\" }");
    QTest::newRow("broken escape at the end") << QByteArray("{a\\'4") << QByteArray("{ T\"a\"");
    QTest::newRow("binary") << QByteArray("{\\bin3 a}bc\\bin-2 d\\bin x}") << QByteArray("{ B3:a}b T\"c\" B0: T\"d\" B0: T\"x\" }");
    QTest::newRow("binary past the end") << QByteArray("{\\bin10 abc") << QByteArray("{ B3:abc");
    QTest::newRow("line ends in text") << QByteArray("{ab\r\ncd\ne\rf}") << QByteArray("{ T\"abcdef\" }");
    QTest::newRow("line ends between words") << QByteArray("{\\b\r\n\\i\n\\ul x}") << QByteArray("{ \\b \\i \\ul T\"x\" }");
    QTest::newRow("backslash and line end") << QByteArray("{a\\\r\nb}") << QByteArray("{ T\"a\" \\[0d] T\"b\" }");
    QTest::newRow("tab") << QByteArray("{a\tb\\tab c}") << QByteArray("{ T\"a\" \\[09] T\"b\" \\tab T\"c\" }");
    QTest::newRow("other controls carry nothing") << QByteArray("{a\0b}", 5) << QByteArray("{ T\"a\" T\"b\" }");
    QTest::newRow("before the first brace") << QByteArray("\xEF\xBB\xBFxy\\b}{a}") << QByteArray("{ T\"a\" }");
    QTest::newRow("after the last brace") << QByteArray("{a}\\b zz}{b}") << QByteArray("{ T\"a\" } { T\"b\" }");
    QTest::newRow("fallback: a byte") << QByteArray("{\\u268 cx}") << QByteArray("{ \\u268 T\"x\" }");
    QTest::newRow("fallback: an escape") << QByteArray("{\\u268\\'e8x}") << QByteArray("{ \\u268 T\"x\" }");
    QTest::newRow("fallback: a symbol") << QByteArray("{\\u160\\~x}") << QByteArray("{ \\u160 T\"x\" }");
    QTest::newRow("fallback: a tab") << QByteArray("{\\u9\tx}") << QByteArray("{ \\u9 T\"x\" }");
    QTest::newRow("fallback: a word") << QByteArray("{\\u8212\\emdash x}") << QByteArray("{ \\u8212 \\emdash(fb) T\"x\" }");
    QTest::newRow("fallback: \\* is not counted") << QByteArray("{\\u8212\\*\\emdash x}")
                                                  << QByteArray("{ \\u8212 \\*(fb) \\emdash(fb) T\"x\" }");
    QTest::newRow("fallback: \\bin counts one") << QByteArray("{\\u268\\bin2 abx}") << QByteArray("{ \\u268 B2:ab T\"x\" }");
    QTest::newRow("fallback: line ends not counted") << QByteArray("{\\u268\r\ncx}") << QByteArray("{ \\u268 T\"x\" }");
    QTest::newRow("fallback: two by \\uc2") << QByteArray("{\\uc2\\u268 \\'e8\\'e8x}") << QByteArray("{ \\uc2 \\u268 T\"x\" }");
    QTest::newRow("fallback: none by \\uc0") << QByteArray("{\\uc0\\u268 x}") << QByteArray("{ \\uc0 \\u268 T\"x\" }");
    QTest::newRow("fallback: a group ends it") << QByteArray("{\\uc3\\u268 a{b}c}")
                                               << QByteArray("{ \\uc3 \\u268 { T\"b\" } T\"c\" }");
    QTest::newRow("fallback: a closing brace ends it") << QByteArray("{{\\uc3\\u268}cd}")
                                                       << QByteArray("{ { \\uc3 \\u268 } T\"cd\" }");
    QTest::newRow("control symbols") << QByteArray("{\\~\\-\\_\\{\\}\\\\\\*\\|}") << QByteArray("{ \\~ \\- \\_ \\{ \\} \\\\ \\* \\| }");
    QTest::newRow("backslash at the end") << QByteArray("{a\\") << QByteArray("{ T\"a\"");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

void TestRtfTokenizer::tokens()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, expected);
    QCOMPARE(::tokens(rtf), expected);
}

void TestRtfTokenizer::opensGroup_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("opens");
    QTest::newRow("first") << QByteArray("{\\listtext x}") << true;
    QTest::newRow("after white space") << QByteArray("{ \r\n\t \\listtext x}") << true;
    QTest::newRow("after \\*") << QByteArray("{\\*\\listtext x}") << true;
    QTest::newRow("in a nested group") << QByteArray("{\\b{\\listtext x}}") << true;
    QTest::newRow("after text") << QByteArray("{x\\listtext}") << false;
    QTest::newRow("after a word") << QByteArray("{\\pard \\listtext}") << false;
    QTest::newRow("after an escape") << QByteArray("{\\'20\\listtext}") << false;
    QTest::newRow("after a symbol") << QByteArray("{\\~\\listtext}") << false;
    QTest::newRow("after \\\\ and *") << QByteArray("{\\\\*\\listtext}") << false;
    QTest::newRow("after a closed group") << QByteArray("{{\\b}\\listtext}") << false;
    QTest::newRow("after a closed group, blank") << QByteArray("{{} \\listtext}") << false;
}

void TestRtfTokenizer::opensGroup()
{
    QFETCH(QByteArray, rtf);
    QFETCH(bool, opens);
    QCOMPARE(::opensGroup(rtf, "listtext"), opens);
}

void TestRtfTokenizer::commandTable_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QByteArray>("expected");
    const std::pair<const char *, const char *> rows[] = {
        {"fonttbl", "Destination Document star"}, {"pict", "Destination Object star"},
        {"fldinst", "Destination Object star"},   {"header", "Destination Document"},
        {"stylesheet", "Destination Document"},   {"shp", "Destination Object"},
        {"footnote", "Destination Document star"}, {"bkmkstart", "Destination Document star"},
        {"nesttableprops", "Destination Table star"}, {"listtext", "Destination Document star"},
        {"cs", "Value Style star"},               {"s", "Value Style"},
        {"b", "Toggle Character"},                {"fs", "Value Character"},
        {"qc", "Flag Paragraph"},                 {"cellx", "Value Table"},
        {"clmgf", "Flag Table"},                  {"trhdr", "Toggle Table"},
        {"par", "Symbol Document"},               {"u", "Symbol Document"},
        {"bin", "Symbol Document"},               {"uc", "Value Document"},
    };
    for (const auto &[word, expected] : rows)
        QTest::newRow(word) << QByteArray(word) << QByteArray(expected);
}

void TestRtfTokenizer::commandTable()
{
    QFETCH(QByteArray, word);
    QFETCH(QByteArray, expected);
    const auto &table = rtf::detail::commands();
    const auto it = table.find(std::string_view(word.constData(), size_t(word.size())));
    QVERIFY(it != table.end());
    QCOMPARE(describe(it->second), expected);
}

// Rules every entry keeps, so that an edit of the table cannot send a word
// to a part of the reader that does not take its kind.
void TestRtfTokenizer::commandTableIsConsistent()
{
    using H = CmdInfo::Handler;
    const auto &table = rtf::detail::commands();
    QVERIFY(table.size() > 300);
    for (const auto &[name, info] : table) {
        const QByteArray word(name.data(), qsizetype(name.size()));
        // The tokenizer hands out no other names.
        QVERIFY2(!name.empty() && name.size() <= size_t(rtf::limits::maxControlWordLength)
                     && std::all_of(name.begin(), name.end(), rtf::detail::isLetter),
                 word);
        const bool destinationHandler = info.handler == H::DocumentDestination
            || info.handler == H::ObjectDestination || info.handler == H::TableDestination;
        QVERIFY2(destinationHandler == (info.kind == Kind::Destination), word);
        QVERIFY2((info.handler == H::Symbol) == (info.kind == Kind::Symbol), word);
        if (info.kind == Kind::Destination) {
            const H expected = info.concern == Concern::Object ? H::ObjectDestination
                : info.concern == Concern::Table             ? H::TableDestination
                                                             : H::DocumentDestination;
            QVERIFY2(info.handler == expected, word);
        }
        // \* comes before destinations, and before the style sheet's
        // {\*\cs entries.
        QVERIFY2(!info.afterStar || info.kind == Kind::Destination || info.concern == Concern::Style, word);
        for (int param : {0, -7, 1440, INT_MAX})
            QCOMPARE(info.value(param), info.kind == Kind::Flag ? info.arg : param);
    }
}

QTEST_MAIN(TestRtfTokenizer)
#include "tst_rtf_tokenizer.moc"
