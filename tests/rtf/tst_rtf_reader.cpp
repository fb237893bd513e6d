// Reading RTF as other word processors write it: code pages, Unicode,
// destinations, layout and formatting.

#include "model/lists.h"
#include "model/docprops.h"
#include "rtf/rtf.h"

#include <functional>

#include <QBrush>
#include <QFile>
#include <QFont>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include "rtftest.h"

using namespace rtftest;

namespace {

QByteArray doc(const QByteArray &fonts, const QByteArray &body)
{
    return "{\\rtf1\\ansi{\\fonttbl" + fonts + "}" + body + "}";
}

QString family(const QTextCharFormat &f)
{
    return f.fontFamilies().toStringList().value(0);
}

// What the destinations of a document built, as one line: the font and
// colour of the first character, the style sheet's names, the document
// information, the kept pieces and the links, in document order.
QString builtByDestinations(const QTextDocument &d)
{
    const QTextCharFormat first = formatAt(d, 0);
    QStringList out{QStringLiteral("font=") + family(first),
                    QStringLiteral("color=")
                        + (first.hasProperty(QTextFormat::ForegroundBrush) ? first.foreground().color().name() : QString())};
    QStringList styles;
    for (const QVariant &v : d.rootFrame()->frameFormat().property(model::DocStyles).toList())
        styles << v.toMap().value(QStringLiteral("name")).toString();
    out << QStringLiteral("styles=") + styles.join(u',');
    QStringList info;
    const QVariantMap map = model::documentInfo(d);
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        info << it.key() + u'=' + it->toString();
    out << QStringLiteral("info=") + info.join(u',');
    QStringList pieces, links;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.hasProperty(model::OpaqueRtf))
                pieces << f.stringProperty(model::OpaqueRtf);
            if (f.isAnchor())
                links << f.anchorHref() + u'>' + it.fragment().text();
        }
    }
    out << QStringLiteral("pieces=") + pieces.join(u',') << QStringLiteral("links=") + links.join(u',');
    return out.join(u';');
}

// The first table of `body` read: each cell (once, where it starts) that
// `fact` says something of, as "row,column" and what it says.
QString cellsWith(const QByteArray &body, const std::function<QString(const QTextTableCell &)> &fact)
{
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    const auto *table = qobject_cast<const QTextTable *>(d.rootFrame()->childFrames().value(0));
    if (!table)
        return QStringLiteral("no table");
    QStringList found;
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            if (const QString said = fact(cell); !said.isNull())
                found << QString::number(r) + u',' + QString::number(c) + said;
        }
    }
    return found.join(u' ');
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void wordProcessorFiles_data();
    void wordProcessorFiles();
    void libreOfficeFileWithPicture();
    void missingFaceFallsBackToItsKind_data();
    void missingFaceFallsBackToItsKind();
    void codePages_data();
    void codePages();
    void unicode_data();
    void unicode();
    void destinations_data();
    void destinationEnds_data();
    void destinationEnds();
    void destinations();
    void layout_data();
    void layout();
    void tables_data();
    void tables();
    void cellShading_data();
    void cellShading();
    void cellsKeepParagraphFormats_data();
    void cellsKeepParagraphFormats();
    void charFormat_data();
    void charFormat();
    void formatSurvivesPlainBeforeEveryRun();
    void paragraphFormat_data();
    void paragraphFormat();
    void tabStops();
    void fontFaces_data();
    void fontFaces();
    void otherWriters_data();
    void otherWriters();
    void otherWritersFormatting();
    void openThenSaveKeepsWhatIsShown();
    void hyperlinks_data();
    void hyperlinks();
    void pageBreaks_data();
    void pageBreaks();
};

void TestRtfReader::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("ansicpg1250 without font charset")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 \\'e8\\'f8\\'ec}")
        << QStringLiteral("čřě");
    QTest::newRow("plain ansi is 1252") << QByteArray("{\\rtf1\\ansi \\'e8\\'f8\\'ec}") << QStringLiteral("èøì");
    QTest::newRow("fcharset238 beats ansicpg1252")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset238 Arial;}}\\f0 \\'e8\\'9e}")
        << QStringLiteral("čž");
    QTest::newRow("fcharset0 is western, per font")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset238 Arial;}}"
                      "\\f0 \\'e8\\f1 \\'e8{\\f0 \\'e8}\\'e8}")
        << QStringLiteral("èčèč");
    QTest::newRow("deff font decides before any \\f")
        << QByteArray("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset238 B;}}\\'e8\\plain\\'e8}")
        << QStringLiteral("čč");
    QTest::newRow("cyrillic 204") << doc("{\\f0\\fcharset204 A;}", "\\f0 \\'e6\\'e5") << QStringLiteral("же");
    QTest::newRow("greek 161") << doc("{\\f0\\fcharset161 A;}", "\\f0 \\'e1\\'e2") << QStringLiteral("αβ");
    QTest::newRow("turkish 162") << doc("{\\f0\\fcharset162 A;}", "\\f0 \\'fe\\'f0") << QStringLiteral("şğ");
    QTest::newRow("baltic 186") << doc("{\\f0\\fcharset186 A;}", "\\f0 \\'e0\\'e8") << QStringLiteral("ąč");
    QTest::newRow("hebrew 177") << doc("{\\f0\\fcharset177 A;}", "\\f0 \\'e0") << QStringLiteral("א");
    QTest::newRow("arabic 178") << doc("{\\f0\\fcharset178 A;}", "\\f0 \\'c7") << QStringLiteral("ا");
    QTest::newRow("vietnamese 163") << doc("{\\f0\\fcharset163 A;}", "\\f0 \\'e0\\'d0") << QStringLiteral("àĐ");
    QTest::newRow("thai 222") << doc("{\\f0\\fcharset222 A;}", "\\f0 \\'a1") << QStringLiteral("ก");
    QTest::newRow("shift-jis 128 pairs") << doc("{\\f0\\fcharset128 MS Mincho;}", "\\f0 \\'82\\'a0\\'93\\'fa")
                                         << QStringLiteral("あ日");
    QTest::newRow("gbk 134 pairs") << doc("{\\f0\\fcharset134 SimSun;}", "\\f0 \\'d6\\'d0\\'ce\\'c4")
                                   << QStringLiteral("中文");
    QTest::newRow("korean 129 pairs") << doc("{\\f0\\fcharset129 Batang;}", "\\f0 \\'c7\\'d1") << QStringLiteral("한");
    QTest::newRow("big5 136 pairs") << doc("{\\f0\\fcharset136 MingLiU;}", "\\f0 \\'a4\\'a4") << QStringLiteral("中");
    QTest::newRow("double-byte with ascii between")
        << doc("{\\f0\\fcharset128 MS Mincho;}", "\\f0 a\\'82\\'a0b") << QStringLiteral("aあb");
    QTest::newRow("cpg of the font") << doc("{\\f0\\cpg1251 A;}", "\\f0 \\'e6") << QStringLiteral("ж");
    QTest::newRow("font name in its code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238 \\'c8esk\\'fd;}}\\f0 x}") << QStringLiteral("x");
    QTest::newRow("symbol charset") << doc("{\\f1\\fcharset2 Symbol;}", "\\f1 \\'61\\'b7\\'ae")
                                    << QStringLiteral("α•→");
    QTest::newRow("symbol font as unicode private use") << doc("{\\f1\\fcharset2 Symbol;}", "\\f1\\u-3913?\\u61537?")
                                                        << QStringLiteral("•α");
    QTest::newRow("wingdings bullet") << doc("{\\f1\\fcharset2 Wingdings;}", "\\f1 \\'a7\\'d8")
                                      << QStringLiteral("▪➢");
    QTest::newRow("8-bit text bytes are in the code page too")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250 \xE8\xF8}") << QStringLiteral("čř");
    QTest::newRow("escaped control bytes are no text") << QByteArray("{\\rtf1\\ansi a\\'0d\\'0ab\\'00\\'09c}")
                                                       << QStringLiteral("ab\tc");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << QStringLiteral("é");
    QTest::newRow("mac roman 10000") << QByteArray("{\\rtf1\\ansi\\ansicpg10000 \\'8e\\'d2\\'a5}")
                                     << QStringLiteral("é“•");
    QTest::newRow("mac central european 10029")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10029 \\'eblu\\'e9ou\\'8bk\\'f9 k\\'f3\\'cb}") << QStringLiteral("Žluťoučký kůň");
    QTest::newRow("mac central european charset 88")
        << doc("{\\f0\\fcharset88 Geneva CE;}", "\\f0 \\'8b\\'f3") << QStringLiteral("čů");
    QTest::newRow("mac cyrillic 10007") << QByteArray("{\\rtf1\\ansi\\ansicpg10007 \\'86\\'f3\\'ea}")
                                        << QStringLiteral("Жук");
    QTest::newRow("mac japanese 10001")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10001 \\'93\\'fa\\'96\\'7b\\'82\\'a0\\'fd\\'a0x}")
        << QStringLiteral("日本あ©\u00A0x");
    QTest::newRow("mac japanese charset 78") << doc("{\\f0\\fcharset78 Osaka;}", "\\f0 \\'93\\'fa\\'fe")
                                             << QStringLiteral("日™");
    QTest::newRow("mac traditional chinese 10002")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10002 \\'a4\\'a4\\'a4\\'e5\\'ff}") << QStringLiteral("中文…");
    QTest::newRow("mac korean 10003") << QByteArray("{\\rtf1\\ansi\\ansicpg10003 \\'c7\\'d1\\'b1\\'b9}")
                                      << QStringLiteral("한국");
    QTest::newRow("mac simplified chinese 10008")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10008 \\'d6\\'d0\\'ce\\'c4\\'80}") << QStringLiteral("中文ü");
    QTest::newRow("mac cjk lead byte at the end of a run")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10001 a\\'93}") << QStringLiteral("a");
}

void TestRtfReader::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), text);
}

void TestRtfReader::unicode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("fallback skipped") << QByteArray("\\u269?x") << QStringLiteral("čx");
    QTest::newRow("fallback as hex escape counts as one") << QByteArray("\\u269\\'e8x") << QStringLiteral("čx");
    QTest::newRow("signed form") << QByteArray("\\u-15032?") << QStringLiteral("안");
    QTest::newRow("unsigned form") << QByteArray("\\u50504?") << QStringLiteral("안");
    QTest::newRow("surrogate pair") << QByteArray("\\u-10179?\\u-8704?") << QStringLiteral("😀");
    QTest::newRow("uc0 means no fallback") << QByteArray("\\uc0\\u269 x") << QStringLiteral("čx");
    QTest::newRow("uc2 double-byte fallback") << QByteArray("\\uc2\\u12354\\'82\\'a0x") << QStringLiteral("あx");
    QTest::newRow("uc is per group") << QByteArray("{\\uc2\\u269 ab}\\u269 cd") << QStringLiteral("ččd");
    QTest::newRow("uc0 ends with its group") << QByteArray("{\\uc0 a}\\u269?b") << QStringLiteral("ačb");
    QTest::newRow("skipping stops at a group") << QByteArray("\\uc3\\u269{x}y") << QStringLiteral("čxy");
    QTest::newRow("control word counts as one") << QByteArray("\\u8220\\ldblquote x") << QStringLiteral("“x");
    QTest::newRow("upr keeps the unicode part")
        << QByteArray("{\\upr{ANSI ?}{\\*\\ud{Unicode \\u269?}}}") << QStringLiteral("Unicode č");
    QTest::newRow("no parameter") << QByteArray("\\u x") << QStringLiteral("x");
    QTest::newRow("control characters dropped") << QByteArray("a\\u1?b\\u9?c\\u-4?d\\u-1?") << QStringLiteral("ab\tcd");
}

void TestRtfReader::unicode()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(textOf(d), text);
}

void TestRtfReader::destinations_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown starred group") << QByteArray("a{\\*\\foo hidden {nested}}b") << QStringLiteral("ab");
    QTest::newRow("starred formatting word") << QByteArray("a{\\*\\b hidden}b") << QStringLiteral("ab");
    QTest::newRow("unknown plain word keeps text") << QByteArray("a{\\foo shown}b") << QStringLiteral("ashownb");
    QTest::newRow("info and stylesheet")
        << QByteArray("{\\info{\\title Nadpis}{\\author J}}{\\stylesheet{\\s1\\sbasedon1 Loop;}}x")
        << QStringLiteral("x");
    QTest::newRow("style chain loop") << QByteArray("{\\stylesheet{\\s1\\sbasedon2 A;}{\\s2\\sbasedon1 B;}}\\s1 x")
                                      << QStringLiteral("x");
    // A picture is one object character, whatever its data.
    QTest::newRow("picture") << QByteArray("a{\\pict\\pngblip\\picw10 89504e470d0a}b") << QStringLiteral("a\uFFFCb");
    QTest::newRow("shape picture") << QByteArray("a{\\*\\shppict{\\pict\\wmetafile8 0100}}{\\nonshppict{\\pict 01}}b")
                                   << QStringLiteral("a\uFFFCb");
    QTest::newRow("binary data") << QByteArray("a{\\pict\\bin6 {}\\}{x}b") << QStringLiteral("a\uFFFCb");
    QTest::newRow("picture in hidden text") << QByteArray("a{\\v{\\pict\\pngblip 00}}b") << QStringLiteral("ab");
    QTest::newRow("field result") << QByteArray("{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt odkaz}}.")
                                  << QStringLiteral("odkaz.");
    QTest::newRow("symbol field, empty result")
        << QByteArray("a{\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings\" \\\\s 12}{\\fldrslt }}b") << QStringLiteral("a\u263Ab");
    QTest::newRow("symbol field without result")
        << QByteArray("a{\\field{\\*\\fldinst SYMBOL 97 \\\\f \"Symbol\"}}b") << QStringLiteral("aαb");
    QTest::newRow("symbol field, hex code") << QByteArray("{\\field{\\*\\fldinst SYMBOL 0xF061 \\\\f \"Symbol\"}{\\fldrslt}}")
                                            << QStringLiteral("α");
    QTest::newRow("symbol field, unicode") << QByteArray("{\\field{\\*\\fldinst SYMBOL 8364 \\\\u}{\\fldrslt}}x")
                                           << QStringLiteral("€x");
    QTest::newRow("symbol field, ansi in the text's code page")
        << QByteArray("{\\field{\\*\\fldinst SYMBOL 232 \\\\a \\\\f \"Arial\"}{\\fldrslt}}") << QStringLiteral("è");
    QTest::newRow("symbol field with a result shows the result")
        << QByteArray("{\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings\"}{\\fldrslt J}}") << QStringLiteral("J");
    QTest::newRow("symbol field, control code ignored")
        << QByteArray("a{\\field{\\*\\fldinst SYMBOL 13}{\\fldrslt}}b") << QStringLiteral("ab");
    QTest::newRow("symbol field, no code") << QByteArray("a{\\field{\\*\\fldinst SYMBOL}{\\fldrslt}}b")
                                           << QStringLiteral("ab");
    {
        // Of many fonts of the field's name, the first: Czech, not Western.
        QByteArray fonts = "{\\fonttbl{\\f1\\fcharset238 X;}";
        for (int i = 2; i <= 64; ++i)
            fonts += "{\\f" + QByteArray::number(i) + "\\fcharset0 X;}";
        QTest::newRow("symbol field, font name given twice")
            << fonts + "}{\\field{\\*\\fldinst SYMBOL 200 \\\\f \"X\"}{\\fldrslt}}" << QStringLiteral("Č");
    }
    QTest::newRow("symbol field in hidden text")
        << QByteArray("a{\\v{\\field{\\*\\fldinst SYMBOL 65}{\\fldrslt}}}b") << QStringLiteral("ab");
    QTest::newRow("field instruction without star")
        << QByteArray("{\\field{\\fldinst PAGE}{\\fldrslt 3}}") << QStringLiteral("3");
    QTest::newRow("header, footer, footnote")
        << QByteArray("{\\header hlavička}{\\footerr pata}text{\\footnote\\pard poznámka}")
        << QStringLiteral("text");
    QTest::newRow("annotation") << QByteArray("a{\\*\\atnid J}{\\*\\annotation komentář}b") << QStringLiteral("a\uFFFCb"); // one character that shows nothing
    QTest::newRow("object result")
        << QByteArray("{\\object\\objemb{\\*\\objclass Word}{\\*\\objdata 0102}{\\result v\\'fdsledek}}")
        << QStringLiteral("výsledek");
    QTest::newRow("hidden text") << QByteArray("a{\\v skryto \\u269?}b\\v c\\v0 d") << QStringLiteral("a\uFFFCb\uFFFCd"); // kept, not shown
    QTest::newRow("deleted revision") << QByteArray("a{\\deleted smazáno}b") << QStringLiteral("ab");
    QTest::newRow("bookmarks") << QByteArray("{\\*\\bkmkstart b}a{\\*\\bkmkend b}") << QStringLiteral("\uFFFCa\uFFFC"); // kept, as characters that show nothing
    QTest::newRow("list definitions") << QByteArray("{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'02\\'00.;}}}}x")
                                      << QStringLiteral("x");
}

void TestRtfReader::destinations()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(textOf(d), text);
}

// What each destination builds when its group ends, as a first read
// gives it: a destination that ends early, late or into another one
// leaves its mark here.
void TestRtfReader::destinationEnds_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("built");
    const QString none = QStringLiteral(";styles=;info=;pieces=;links=");
    QTest::newRow("font table, entries ended by ';'")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Georgia;}}\\f1 x}")
        << QStringLiteral("font=Georgia;color=") + none;
    QTest::newRow("font table, an entry's group ending without ';'")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial}{\\f1 Georgia}}\\f1 x}")
        << QStringLiteral("font=Georgia;color=") + none;
    QTest::newRow("font table, alternative name and charset suffix")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238{\\*\\fname Verdana;}Verdana CE;}}\\f0 x}")
        << QStringLiteral("font=Verdana;color=") + none;
    QTest::newRow("colour table, the last entry without ';' is none")
        << QByteArray("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255}\\cf1 x\\cf2 y}")
        << QStringLiteral("font=;color=#ff0000") + none;
    QTest::newRow("style sheet, an entry's group ending without ';'")
        << QByteArray("{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s1\\sbasedon0 heading 1}}x}")
        << QStringLiteral("font=;color=;styles=Normal,heading 1;info=;pieces=;links=");
    QTest::newRow("document information")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250{\\info{\\title \\'c8l\\'e1nek}{\\author Jan}}x}")
        << QStringLiteral("font=;color=;styles=;info=author=Jan,title=Článek;pieces=;links=");
    QTest::newRow("bookmark name in pieces of text")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250 {\\*\\bkmkstart z\\'e1{}pis}x}")
        << QStringLiteral("font=;color=;styles=;info=;pieces={\\*\\bkmkstart z\\'e1pis};links=");
    QTest::newRow("bookmark in a skipped group keeps nothing")
        << QByteArray("{\\rtf1\\ansi {\\*\\foo{\\*\\bkmkstart b}}x}") << QStringLiteral("font=;color=") + none;
    QTest::newRow("field instruction in pieces")
        << QByteArray("{\\rtf1\\ansi {\\field{\\*\\fldinst HYPER{}LINK \\\"http://a.cz\\\"}{\\fldrslt odkaz}}}")
        << QStringLiteral("font=;color=;styles=;info=;pieces=;links=http://a.cz>odkaz");
}

void TestRtfReader::destinationEnds()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, built);
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(builtByDestinations(d), built);
}

void TestRtfReader::layout_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("par, line, tab") << QByteArray("a\\par b\\line c\\tab d")
                                    << QStringLiteral("a\nb") + QChar(QChar::LineSeparator) + QStringLiteral("c\td");
    QTest::newRow("trailing par adds no paragraph") << QByteArray("a\\par b\\par") << QStringLiteral("a\nb");
    QTest::newRow("empty paragraphs") << QByteArray("\\par\\par a\\par\\par") << QStringLiteral("\n\na\n");
    QTest::newRow("backslash newline is par") << QByteArray("a\\\nb") << QStringLiteral("a\nb");
    QTest::newRow("sect") << QByteArray("a\\sect b") << QStringLiteral("a\nb");
    QTest::newRow("page inside a paragraph") << QByteArray("a\\page b") << QStringLiteral("a\nb");
    QTest::newRow("page after par") << QByteArray("a\\par\\page b") << QStringLiteral("a\nb");
    QTest::newRow("symbols") << QByteArray("\\~\\-\\_\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote")
                             << QString::fromUtf8("\u00A0\u00AD\u2011—–•‘’“”");
    QTest::newRow("escaped syntax") << QByteArray("\\{ \\} \\\\") << QStringLiteral("{ } \\");
    QTest::newRow("line ends in the file are nothing") << QByteArray("a\r\nb\rc\nd") << QStringLiteral("abcd");
    QTest::newRow("literal tab") << QByteArray("a\tb") << QStringLiteral("a\tb");
    QTest::newRow("delimiting space") << QByteArray("\\b1 x\\b0  y") << QStringLiteral("x y");
    QTest::newRow("listtext")
        << QByteArray("{\\listtext\\pard\\plain\\'b7\\tab}Polo\\u382?ka\\par")
        << QStringLiteral("·\tPoložka");
    QTest::newRow("pntext of a numbering read as a list")
        << QByteArray("{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}Prvn\\'ed\\par")
        << QStringLiteral("První");
    QTest::newRow("table")
        << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row"
                      "\\trowd\\cellx1000\\cellx2000\\pard\\intbl C\\cell\\cell\\row\\pard po")
        << QStringLiteral("A\tB\nC\t\npo");
    QTest::newRow("empty cell in the middle") << QByteArray("\\intbl A\\cell\\cell B\\cell\\row")
                                              << QStringLiteral("A\t\tB");
    QTest::newRow("nested cell") << QByteArray("\\intbl A\\nestcell B\\cell\\row") << QStringLiteral("A\tB");
}

void TestRtfReader::layout()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(textOf(d), text);
}

// Tables as the first read builds them: each table's grid and merged
// cells (see tableShapes) and the text of its cells (see layoutOf).
void TestRtfReader::tables_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("shapes");
    QTest::addColumn<QString>("layout");
    const QByteArray abc = "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell b\\cell c\\cell\\row";
    QTest::newRow("horizontal merge")
        << QByteArray("\\trowd\\clmgf\\cellx2000\\clmrg\\cellx4000\\cellx6000\\pard\\intbl a\\cell\\cell b\\cell\\row")
        << QStringList{"1x3 0,0:1x2"} << QStringLiteral("[{a<2|b}]");
    QTest::newRow("vertical merge of three rows")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell c\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell d\\cell\\row")
        << QStringList{"3x2 0,0:3x1"} << QStringLiteral("[{a^3|b}{c}{d}]");
    QTest::newRow("vertical merges one after another")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell c\\cell\\row"
                      "\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl d\\cell e\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell f\\cell\\row")
        << QStringList{"4x2 0,0:2x1 2,0:2x1"} << QStringLiteral("[{a^2|b}{c}{d^2|e}{f}]");
    QTest::newRow("vertical merge broken by a row without it")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\cellx2000\\cellx4000\\pard\\intbl c\\cell d\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl e\\cell f\\cell\\row")
        << QStringList{"3x2"} << QStringLiteral("[{a|b}{c|d}{e|f}]");
    QTest::newRow("merged block of two by two")
        << QByteArray("\\trowd\\clmgf\\clvmgf\\cellx1000\\clmrg\\clvmgf\\cellx2000\\cellx3000\\pard\\intbl a\\cell\\cell b\\cell\\row"
                      "\\trowd\\clmgf\\clvmrg\\cellx1000\\clmrg\\clvmrg\\cellx2000\\cellx3000\\pard\\intbl\\cell\\cell c\\cell\\row")
        << QStringList{"2x3 0,0:2x2"} << QStringLiteral("[{a<2^2|b}{c}]");
    QTest::newRow("vertical merge narrower than the cell above")
        << QByteArray("\\trowd\\clmgf\\clvmgf\\cellx1000\\clmrg\\clvmgf\\cellx2000\\pard\\intbl a\\cell\\cell\\row"
                      "\\trowd\\clvmrg\\cellx1000\\cellx2000\\pard\\intbl\\cell c\\cell\\row")
        << QStringList{"2x2 0,0:1x2"} << QStringLiteral("[{a<2}{|c}]");
    QTest::newRow("merge words without a first cell")
        << QByteArray("\\trowd\\clmrg\\cellx1000\\clvmrg\\cellx2000\\pard\\intbl a\\cell b\\cell\\row")
        << QStringList{"1x2"} << QStringLiteral("[{a|b}]");
    QTest::newRow("horizontal merge over an edge of the row above")
        << abc + "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx3000\\pard\\intbl d\\cell\\cell\\row"
        << QStringList{"2x3 1,0:1x3"} << QStringLiteral("[{a|b|c}{d<3}]");
    QTest::newRow("horizontal merge split by an edge of the row below")
        << "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx3000\\pard\\intbl d\\cell\\cell\\row" + abc
        << QStringList{"2x3 0,0:1x3"} << QStringLiteral("[{d<3}{a|b|c}]");
    QTest::newRow("merged cell after a wide cell over an edge of the row above")
        << abc + "\\trowd\\cellx2000\\clmgf\\cellx2500\\clmrg\\cellx3000\\pard\\intbl d\\cell e\\cell\\cell\\row"
        << QStringList{"2x4 0,2:1x2 1,0:1x2 1,2:1x2"} << QStringLiteral("[{a|b|c<2}{d<2|e<2}]");
    QTest::newRow("vertical merge split by an edge of a later row")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell c\\cell\\row"
                      "\\trowd\\cellx1000\\cellx2000\\cellx4000\\pard\\intbl d\\cell e\\cell f\\cell\\row")
        << QStringList{"3x3 0,0:2x2"} << QStringLiteral("[{a<2^2|b}{c}{d|e|f}]");
    QTest::newRow("vertical merge beside a cell split by its own row")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx3000\\cellx4000\\pard\\intbl\\cell c\\cell d\\cell\\row")
        << QStringList{"2x3 0,0:2x1 0,1:1x2"} << QStringLiteral("[{a^2|b<2}{c|d}]");
    QTest::newRow("short row") << abc + "\\trowd\\cellx1000\\pard\\intbl d\\cell\\row"
                               << QStringList{"2x3"} << QStringLiteral("[{a|b|c}{d}]");
    QTest::newRow("row with fewer cells than its definition")
        << QByteArray("\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell\\row") << QStringList{"1x3"}
        << QStringLiteral("[{a}]"); // the fillers are no cells of the file
    QTest::newRow("cells without intbl")
        << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard a\\cell b\\cell\\row\\pard c") << QStringList{"1x2"}
        << QStringLiteral("[{a|b}]/c");
    QTest::newRow("rows with intbl only before row")
        << QByteArray("\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\intbl\\row"
                      "\\trowd\\cellx1000\\cellx2000 c\\cell d\\cell\\intbl\\row\\pard e\\par")
        << QStringList{"2x2"} << QStringLiteral("[{a|b}{c|d}]/e");
    QTest::newRow("row definition without cells")
        << QByteArray("\\trowd\\cellx1000\\row\\pard a\\cell b\\par") << QStringList() << QStringLiteral("a\tb");
    QTest::newRow("nested table with a merge")
        << QByteArray("\\trowd\\cellx3000\\cellx6000\\pard\\intbl a\\cell"
                      "\\pard\\intbl\\itap2 x\\nestcell\\nestcell{\\*\\nesttableprops\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\nestrow}"
                      "{\\nonesttables\\par}\\pard\\intbl\\itap2 y\\nestcell z\\nestcell"
                      "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
                      "\\pard\\intbl\\itap1 po\\cell\\row\\pard za")
        << QStringList{"1x2", "2x2 0,0:1x2"} << QStringLiteral("[{a|[{x<2}{y|z}]/po}]/za");
    QTest::newRow("three levels")
        << QByteArray("\\pard\\intbl\\itap3 v\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}"
                      "\\itap2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\nestrow}\\itap1\\cell\\trowd\\cellx2000\\row")
        << QStringList{"1x1", "1x1", "1x1"} << QStringLiteral("[{[{[{v}]}]}]");
    QTest::newRow("two tables")
        << abc + "\\pard mezi\\par\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\pard\\intbl x\\cell\\cell\\row"
        << QStringList{"1x3", "1x2 0,0:1x2"} << QStringLiteral("[{a|b|c}]/mezi/[{x<2}]");
}

void TestRtfReader::tables()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, shapes);
    QFETCH(QString, layout);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(tableShapes(d), shapes);
    QCOMPARE(layoutOf(d), layout);
}

void TestRtfReader::cellShading_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shaded"); // each shaded cell's row, column and colour
    const QByteArray colors = "{\\colortbl;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}\\trowd";
    QTest::newRow("cell shading") << colors + "\\clcbpat1\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                                  << QStringLiteral("0,0 #0000ff");
    // A highlighted run is the text's, not the cell's.
    QTest::newRow("highlight in a cell") << colors + "\\cellx1000\\cellx2000\\pard\\intbl\\chcbpat1 a\\cell\\pard\\intbl b\\cell\\row"
                                         << QString();
    QTest::newRow("highlight going on into a shaded cell")
        << colors + "\\cellx1000\\clcbpat2\\cellx2000\\pard\\intbl a \\highlight1 b\\cell\\pard\\intbl\\cell\\row"
        << QStringLiteral("0,1 #ff0000");
}

void TestRtfReader::cellShading()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shaded);
    QCOMPARE(cellsWith(body, [](const QTextTableCell &cell) {
                 const QTextCharFormat f = cell.format();
                 return f.hasProperty(QTextFormat::BackgroundBrush) ? u' ' + f.background().color().name() : QString();
             }),
             shaded);
}

void TestRtfReader::cellsKeepParagraphFormats_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("centred"); // the cells whose last paragraph is centred
    QTest::newRow("two empty cells merged")
        << QByteArray("\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\cellx3000\\pard\\intbl\\qc\\cell\\pard\\intbl\\cell"
                      "\\pard\\intbl\\qc\\cell\\row")
        << QStringLiteral("0,0 0,2");
    QTest::newRow("empty cell after a nested table, beside a merge")
        << QByteArray("\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell"
                      "\\pard\\intbl\\itap2 x\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\nestrow}{\\nonesttables\\par}"
                      "\\pard\\intbl\\qc\\cell\\row\\trowd\\clvmrg\\cellx2000\\pard\\intbl\\cell\\row")
        << QStringLiteral("1,1");
    QTest::newRow("empty cell of the last row, before rows made ahead")
        << QByteArray("\\trowd\\cellx1000\\pard\\intbl a\\cell\\row\\trowd\\cellx1000\\pard\\intbl b\\cell\\row"
                      "\\trowd\\cellx1000\\pard\\qc\\intbl\\cell\\row")
        << QStringLiteral("2,0");
}

// Qt's merge, and its taking out of the rows made ahead, gives paragraphs
// next to the cells it removes the format of an empty one; each keeps its
// own.
void TestRtfReader::cellsKeepParagraphFormats()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, centred);
    QCOMPARE(cellsWith(body, [](const QTextTableCell &cell) {
                 return cell.lastCursorPosition().blockFormat().alignment() & Qt::AlignHCenter ? QStringLiteral("")
                                                                                              : QString();
             }),
             centred);
}

void TestRtfReader::charFormat_data()
{
    // The body's text is "ab": `a` carries the format, `b` shows it ended.
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("a");
    QTest::addColumn<QVariant>("b");
    const QVariant none;
    QTest::newRow("b") << QByteArray("\\b a\\b0 b") << int(QTextFormat::FontWeight) << QVariant(int(QFont::Bold)) << none;
    QTest::newRow("b in group") << QByteArray("{\\b a}b") << int(QTextFormat::FontWeight) << QVariant(int(QFont::Bold)) << none;
    QTest::newRow("plain ends b") << QByteArray("\\b a\\plain b") << int(QTextFormat::FontWeight)
                                  << QVariant(int(QFont::Bold)) << none;
    QTest::newRow("i") << QByteArray("\\i a\\i0 b") << int(QTextFormat::FontItalic) << QVariant(true) << none;
    QTest::newRow("ul") << QByteArray("\\ul a\\ul0 b") << int(QTextFormat::FontUnderline) << QVariant(true) << none;
    QTest::newRow("ulnone") << QByteArray("\\ul a\\ulnone b") << int(QTextFormat::FontUnderline) << QVariant(true) << none;
    QTest::newRow("uld dotted") << QByteArray("\\uld a\\ulnone b") << int(QTextFormat::TextUnderlineStyle)
                                << QVariant(int(QTextCharFormat::DotLine)) << none;
    QTest::newRow("uldb double as single") << QByteArray("\\uldb a\\ulnone b") << int(QTextFormat::FontUnderline)
                                           << QVariant(true) << none;
    QTest::newRow("ulw words as single") << QByteArray("\\ulw a\\ulw0 b") << int(QTextFormat::FontUnderline)
                                         << QVariant(true) << none;
    QTest::newRow("ulwave") << QByteArray("\\ulwave a\\ulnone b") << int(QTextFormat::TextUnderlineStyle)
                            << QVariant(int(QTextCharFormat::WaveUnderline)) << none;
    QTest::newRow("strike") << QByteArray("\\strike a\\strike0 b") << int(QTextFormat::FontStrikeOut) << QVariant(true) << none;
    QTest::newRow("striked1") << QByteArray("\\striked1 a\\striked0 b") << int(QTextFormat::FontStrikeOut)
                              << QVariant(true) << none;
    QTest::newRow("fs") << QByteArray("\\fs23 a\\fs48 b") << int(QTextFormat::FontPointSize) << QVariant(11.5)
                        << QVariant(24.0);
    QTest::newRow("plain resets size to 12") << QByteArray("\\fs40 a\\plain b") << int(QTextFormat::FontPointSize)
                                             << QVariant(20.0) << QVariant(12.0);
    QTest::newRow("cf") << QByteArray("\\cf1 a\\cf0 b") << int(QTextFormat::ForegroundBrush)
                        << QVariant(QBrush(QColor(255, 0, 0))) << none;
    QTest::newRow("cb") << QByteArray("\\cb2 a\\cb0 b") << int(QTextFormat::BackgroundBrush)
                        << QVariant(QBrush(QColor(0, 0, 255))) << none;
    QTest::newRow("highlight") << QByteArray("\\highlight2 a\\highlight0 b") << int(QTextFormat::BackgroundBrush)
                               << QVariant(QBrush(QColor(0, 0, 255))) << none;
    QTest::newRow("chcbpat") << QByteArray("{\\chcbpat1 a}b") << int(QTextFormat::BackgroundBrush)
                             << QVariant(QBrush(QColor(255, 0, 0))) << none;
    QTest::newRow("colour index past the table") << QByteArray("\\cf9 a\\cf1 b") << int(QTextFormat::ForegroundBrush)
                                                 << none << QVariant(QBrush(QColor(255, 0, 0)));
    QTest::newRow("super") << QByteArray("\\super a\\nosupersub b") << int(QTextFormat::TextVerticalAlignment)
                           << QVariant(int(QTextCharFormat::AlignSuperScript)) << none;
    QTest::newRow("sub") << QByteArray("\\sub a\\sub0 b") << int(QTextFormat::TextVerticalAlignment)
                         << QVariant(int(QTextCharFormat::AlignSubScript)) << none;
    QTest::newRow("up") << QByteArray("\\up6 a\\up0 b") << int(QTextFormat::TextVerticalAlignment)
                        << QVariant(int(QTextCharFormat::AlignSuperScript)) << none;
    QTest::newRow("caps") << QByteArray("\\caps a\\caps0 b") << int(QTextFormat::FontCapitalization)
                          << QVariant(int(QFont::AllUppercase)) << none;
    QTest::newRow("scaps") << QByteArray("{\\scaps a}b") << int(QTextFormat::FontCapitalization)
                           << QVariant(int(QFont::SmallCaps)) << none;
    QTest::newRow("font") << QByteArray("\\f1 a\\f0 b") << int(QTextFormat::FontFamilies)
                          << QVariant(QStringList(QStringLiteral("Arial"))) << QVariant(QStringList(QStringLiteral("Times New Roman")));
}

void TestRtfReader::charFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(int, property);
    QFETCH(QVariant, a);
    QFETCH(QVariant, b);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss\\fcharset238 Arial CE;}}"
              "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
              + body + "}",
              d);
    QCOMPARE(textOf(d), QStringLiteral("ab"));
    QCOMPARE(formatAt(d, 0).property(property), a);
    QCOMPARE(formatAt(d, 1).property(property), b);
}

void TestRtfReader::formatSurvivesPlainBeforeEveryRun()
{
    // Older word processors reset with \plain before every run; the text
    // before the \plain keeps its own format.
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
              "\\plain\\f0\\fs28\\b\\i Tu\\u269\\'e8n\\u283\\'ec\\plain\\f1\\fs20 oby\\u269\\'e8ejn\\u283\\'ec"
              "\\plain\\f0\\ul podtr\\u382\\'9een\\u283\\'ec}",
              d);
    QCOMPARE(textOf(d), QStringLiteral("Tučněobyčejněpodtrženě"));
    const QTextCharFormat first = formatAt(d, 4);
    QCOMPARE(first.fontWeight(), int(QFont::Bold));
    QVERIFY(first.fontItalic());
    QCOMPARE(first.fontPointSize(), 14.0);
    QCOMPARE(family(first), QStringLiteral("Arial"));
    const QTextCharFormat second = formatAt(d, 5);
    QVERIFY(second.fontWeight() < QFont::DemiBold);
    QVERIFY(!second.fontItalic());
    QCOMPARE(second.fontPointSize(), 10.0);
    QCOMPARE(family(second), QStringLiteral("Courier New"));
    const QTextCharFormat third = formatAt(d, 13);
    QVERIFY(third.fontUnderline());
    QCOMPARE(third.fontPointSize(), 12.0);
}

void TestRtfReader::paragraphFormat_data()
{
    QTest::addColumn<QByteArray>("body"); // three paragraphs, the middle one formatted
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("qc") << QByteArray("a\\par\\qc b\\par\\pard c") << int(QTextFormat::BlockAlignment)
                        << QVariant(int(Qt::AlignHCenter));
    QTest::newRow("qr") << QByteArray("a\\par\\qr b\\par\\pard c") << int(QTextFormat::BlockAlignment)
                        << QVariant(int(Qt::AlignRight));
    QTest::newRow("qj") << QByteArray("a\\par\\qj b\\par\\pard c") << int(QTextFormat::BlockAlignment)
                        << QVariant(int(Qt::AlignJustify));
    QTest::newRow("qc in a group") << QByteArray("a\\par{\\pard\\qc b\\par}\\pard c") << int(QTextFormat::BlockAlignment)
                                   << QVariant(int(Qt::AlignHCenter));
    QTest::newRow("li twips to pixels") << QByteArray("a\\par\\li720 b\\par\\pard c") << int(QTextFormat::BlockLeftMargin)
                                        << QVariant(48.0);
    QTest::newRow("ri") << QByteArray("a\\par\\ri360 b\\par\\pard c") << int(QTextFormat::BlockRightMargin)
                        << QVariant(24.0);
    QTest::newRow("fi negative") << QByteArray("a\\par\\fi-360\\li360 b\\par\\pard c") << int(QTextFormat::TextIndent)
                                 << QVariant(-24.0);
    QTest::newRow("sb") << QByteArray("a\\par\\sb240 b\\par\\pard c") << int(QTextFormat::BlockTopMargin)
                        << QVariant(16.0);
    QTest::newRow("sa") << QByteArray("a\\par\\sa120 b\\par\\pard c") << int(QTextFormat::BlockBottomMargin)
                        << QVariant(8.0);
    QTest::newRow("line spacing multiple") << QByteArray("a\\par\\sl360\\slmult1 b\\par\\pard c")
                                           << int(QTextFormat::LineHeight) << QVariant(150.0);
    QTest::newRow("line spacing exact") << QByteArray("a\\par\\sl-240\\slmult0 b\\par\\pard c")
                                        << int(QTextFormat::LineHeightType) << QVariant(int(QTextBlockFormat::FixedHeight));
    QTest::newRow("line spacing at least") << QByteArray("a\\par\\sl300 b\\par\\pard c")
                                           << int(QTextFormat::LineHeightType) << QVariant(int(QTextBlockFormat::MinimumHeight));
    QTest::newRow("format at the par counts") << QByteArray("a\\par b\\qc\\par\\pard c") << int(QTextFormat::BlockAlignment)
                                              << QVariant(int(Qt::AlignHCenter));
}

void TestRtfReader::paragraphFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(int, property);
    QFETCH(QVariant, value);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(textOf(d), QStringLiteral("a\nb\nc"));
    QCOMPARE(d.findBlockByNumber(1).blockFormat().property(property), value);
    QVERIFY(d.findBlockByNumber(0).blockFormat().property(property) != value);
    QVERIFY(d.findBlockByNumber(2).blockFormat().property(property) != value);
}

void TestRtfReader::tabStops()
{
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi \\pard\\tx720\\tqr\\tx4320\\tqc\\tx2880\\tqdec\\tx6000 a\\tab b\\par\\pard c}", d);
    QCOMPARE(textOf(d), QStringLiteral("a\tb\nc"));
    const QList<QTextOption::Tab> tabs = d.begin().blockFormat().tabPositions();
    QCOMPARE(tabs.size(), 4);
    QCOMPARE(tabs[0].position, 48.0);
    QCOMPARE(tabs[0].type, QTextOption::LeftTab);
    QCOMPARE(tabs[1].position, 288.0);
    QCOMPARE(tabs[1].type, QTextOption::RightTab);
    QCOMPARE(tabs[2].type, QTextOption::CenterTab);
    QCOMPARE(tabs[3].type, QTextOption::DelimiterTab);
    QVERIFY(d.lastBlock().blockFormat().tabPositions().isEmpty()); // \pard ends them
}

void TestRtfReader::fontFaces_data()
{
    QTest::addColumn<QByteArray>("font");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("text");
    QTest::newRow("CE with charset") << QByteArray("\\fcharset238 Courier New CE") << QByteArray("\\'e8")
                                     << QStringLiteral("Courier New") << QStringLiteral("č");
    QTest::newRow("CE with western charset decodes as CE")
        << QByteArray("\\fcharset0 Times New Roman CE") << QByteArray("\\'e8") << QStringLiteral("Times New Roman")
        << QStringLiteral("č");
    QTest::newRow("Cyr") << QByteArray("Arial Cyr") << QByteArray("\\'e6") << QStringLiteral("Arial") << QStringLiteral("ж");
    QTest::newRow("Greek") << QByteArray("Arial Greek") << QByteArray("\\'e1") << QStringLiteral("Arial")
                           << QStringLiteral("α");
    QTest::newRow("Tur") << QByteArray("Arial Tur") << QByteArray("\\'fe") << QStringLiteral("Arial") << QStringLiteral("ş");
    QTest::newRow("Baltic") << QByteArray("Arial Baltic") << QByteArray("\\'e0") << QStringLiteral("Arial")
                            << QStringLiteral("ą");
    QTest::newRow("Hebrew") << QByteArray("Arial (Hebrew)") << QByteArray("\\'e0") << QStringLiteral("Arial")
                            << QStringLiteral("א");
    QTest::newRow("Arabic") << QByteArray("Arial (Arabic)") << QByteArray("\\'c7") << QStringLiteral("Arial")
                            << QStringLiteral("ا");
    QTest::newRow("fname wins") << QByteArray("\\fcharset238{\\*\\fname Courier New;}Courier New CE")
                                << QByteArray("\\'e8") << QStringLiteral("Courier New") << QStringLiteral("č");
    QTest::newRow("falt is no name") << QByteArray("\\fcharset238 Liberation Serif{\\*\\falt Times New Roman}")
                                     << QByteArray("x") << QStringLiteral("Liberation Serif") << QStringLiteral("x");
    QTest::newRow("panose is no name") << QByteArray("{\\*\\panose 02020603050405020304}Times New Roman")
                                       << QByteArray("x") << QStringLiteral("Times New Roman") << QStringLiteral("x");
    // Symbol's letters need no face of their own; a font of pictures keeps
    // its face for the bytes that have no character.
    QTest::newRow("Symbol") << QByteArray("\\fcharset2 Symbol") << QByteArray("a\\'b7") << QString() << QStringLiteral("α•");
    QTest::newRow("Wingdings") << QByteArray("\\fcharset2 Wingdings") << QByteArray("J\\'41\\u61548?")
                               << QStringLiteral("Wingdings") << QStringLiteral("☺A●");
    QTest::newRow("CE alone is a name") << QByteArray(" CE") << QByteArray("x") << QStringLiteral("CE") << QStringLiteral("x");
}

void TestRtfReader::fontFaces()
{
    QFETCH(QByteArray, font);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, face);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil " + font + ";}}\\f0 " + bytes + "}", d);
    QCOMPARE(textOf(d), text);
    QCOMPARE(family(formatAt(d, 0)), face);
}

void TestRtfReader::otherWriters_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::newRow("wordpad, code page 1250") << QStringLiteral("wordpad_cp1250.rtf")
        << QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy.\nTučně a kurzívou.");
    QTest::newRow("word 97, plain before every run") << QStringLiteral("word97_plain_runs_cp1250.rtf")
        << QStringLiteral("Nadpis článku\nTučný text, kurzíva a podtržení.\nPrvní bod\nDruhý bod");
    QTest::newRow("libreoffice, unicode with hex fallbacks") << QStringLiteral("libreoffice_unicode_fallback.rtf")
        << QStringLiteral("Tučné a červené „uvozovky“ – pomlčka\nOdkaz na web.\nSloupec 1\tSloupec 2\nŽ\tŠ\nKonec.");
    QTest::newRow("abiword") << QStringLiteral("abiword_uc1.rtf")
        << QStringLiteral("Řeřicha a šťovík\nDruhý odstavec ☺");
    QTest::newRow("pandoc, paragraphs as groups") << QStringLiteral("pandoc_groups.rtf")
        << QStringLiteral("Nadpis\nPříliš kurzíva.\n•\tPoložka");
    QTest::newRow("initial content") << QStringLiteral("initial_content.rtf") << QString();
    QTest::newRow("minimal document of the classic kind") << QStringLiteral("minimal_document_with_info.rtf")
        << QStringLiteral("This is plain text.\nCentred red bold with a €.");
}

void TestRtfReader::otherWriters()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read(fixture(file), d);
    QCOMPARE(textOf(d), text);
}

void TestRtfReader::otherWritersFormatting()
{
    QTextDocument d;
    rtf::read(fixture(QStringLiteral("word97_plain_runs_cp1250.rtf")), d);
    // "Nadpis článku": Arial CE 16 pt bold, centred.
    QCOMPARE(family(formatAt(d, 0)), QStringLiteral("Arial"));
    QCOMPARE(formatAt(d, 0).fontPointSize(), 16.0);
    QCOMPARE(formatAt(d, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(d.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlock body = d.begin().next();
    QCOMPARE(formatAt(d, body.position()).fontWeight(), int(QFont::Bold)); // "Tučný"
    QCOMPARE(family(formatAt(d, body.position())), QStringLiteral("Times New Roman"));
    QVERIFY(formatAt(d, body.position() + 12).fontItalic()); // "kurzíva"
    QVERIFY(formatAt(d, body.position() + 12).fontWeight() < QFont::DemiBold);
    QVERIFY(formatAt(d, body.position() + 22).fontUnderline()); // "podtržení"
    QCOMPARE(body.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    // Its \ls names a list the file never defines; the \pn beside it makes
    // the bullets a list, as other word processors read them.
    QVERIFY(d.findBlockByNumber(2).textList());
    QCOMPARE(d.findBlockByNumber(2).textList(), d.findBlockByNumber(3).textList());
    QCOMPARE(model::listLabel(d.findBlockByNumber(3)), QStringLiteral("\u2022"));

    rtf::read(fixture(QStringLiteral("libreoffice_unicode_fallback.rtf")), d);
    QCOMPARE(formatAt(d, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(d, 8).foreground().color(), QColor(255, 0, 0)); // "červené"
    QVERIFY(formatAt(d, 7).foreground().style() == Qt::NoBrush);
}

void TestRtfReader::openThenSaveKeepsWhatIsShown()
{
    // What the reader keeps from another writer's file, the writer writes.
    for (const char *file : {"word97_plain_runs_cp1250.rtf", "libreoffice_unicode_fallback.rtf", "pandoc_groups.rtf"}) {
        QTextDocument first;
        rtf::read(fixture(QLatin1StringView(file)), first);
        QTextDocument second;
        rtf::read(rtf::write(first), second);
        QCOMPARE(textOf(second), textOf(first));
        QCOMPARE(second.blockCount(), first.blockCount());
        for (QTextBlock a = first.begin(), b = second.begin(); a.isValid(); a = a.next(), b = b.next()) {
            QCOMPARE(b.blockFormat().alignment(), a.blockFormat().alignment());
            QCOMPARE(b.blockFormat().leftMargin(), a.blockFormat().leftMargin());
            QCOMPARE(b.blockFormat().textIndent(), a.blockFormat().textIndent());
            QCOMPARE(b.blockFormat().topMargin(), a.blockFormat().topMargin());
            QCOMPARE(b.blockFormat().bottomMargin(), a.blockFormat().bottomMargin());
            for (int i = 0; i < a.length() - 1; ++i) {
                const QTextCharFormat fa = formatAt(first, a.position() + i);
                const QTextCharFormat fb = formatAt(second, b.position() + i);
                QCOMPARE(fb.fontWeight(), fa.fontWeight());
                QCOMPARE(fb.fontItalic(), fa.fontItalic());
                QCOMPARE(fb.underlineStyle(), fa.underlineStyle());
                QCOMPARE(fb.fontStrikeOut(), fa.fontStrikeOut());
                QCOMPARE(fb.fontPointSize(), fa.fontPointSize());
                QCOMPARE(fb.foreground().color(), fa.foreground().color());
                QCOMPARE(fb.background().color(), fa.background().color());
                if (!family(fa).isEmpty())
                    QCOMPARE(family(fb), family(fa));
            }
        }
    }
}

void TestRtfReader::hyperlinks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("href"); // of the characters between the brackets
    QTest::newRow("word")
        << QByteArray("[{\\field{\\*\\fldinst{\\rtlch HYPERLINK \"https://example.cz/a?b=1\" }"
                      "{\\rtlch {\\*\\datafield 00d0c9ea}}}{\\fldrslt{\\ul\\cf2 odkaz}}}]")
        << QStringLiteral("[odkaz]") << QStringLiteral("https://example.cz/a?b=1");
    QTest::newRow("libreoffice, no quotes")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK http://x.cz/ }{\\fldrslt str\\'e1nka}}]")
        << QStringLiteral("[stránka]") << QStringLiteral("http://x.cz/");
    QTest::newRow("place in the document")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK \\\\l \"kapitola\"}{\\fldrslt viz}}]")
        << QStringLiteral("[viz]") << QStringLiteral("#kapitola");
    QTest::newRow("address, place and tooltip")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK \"a.htm\" \\\\o \"tip\" \\\\l \"b\"}{\\fldrslt x}}]")
        << QStringLiteral("[x]") << QStringLiteral("a.htm#b");
    QTest::newRow("czech address")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK \"http://x.cz/\\'e8\"}{\\fldrslt x}}]")
        << QStringLiteral("[x]") << QStringLiteral("http://x.cz/č");
    QTest::newRow("plain in the result keeps the link")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt \\plain\\b a\\plain b}}]")
        << QStringLiteral("[ab]") << QStringLiteral("x");
    QTest::newRow("other field") << QByteArray("[{\\field{\\*\\fldinst PAGE }{\\fldrslt 3}}]")
                                 << QStringLiteral("[3]") << QString();
    QTest::newRow("hyperlink without quotes closed")
        << QByteArray("[{\\field{\\*\\fldinst HYPERLINK \"http://x}{\\fldrslt y}}]") << QStringLiteral("[y]")
        << QStringLiteral("http://x");
}

void TestRtfReader::hyperlinks()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QFETCH(QString, href);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi\\ansicpg1250{\\colortbl;\\red0\\green0\\blue255;}" + body + "}", d);
    QCOMPARE(textOf(d), text);
    for (int i = 0; i < text.size(); ++i) {
        const bool inside = i > 0 && i < text.size() - 1;
        const QTextCharFormat f = formatAt(d, i);
        QCOMPARE(f.isAnchor(), inside && !href.isEmpty());
        QCOMPARE(f.anchorHref(), inside ? href : QString());
    }
}

void TestRtfReader::pageBreaks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<bool>>("breaks"); // page break before each paragraph
    QTest::newRow("inside a paragraph") << QByteArray("a\\page b\\par c") << QStringLiteral("a\nb\nc")
                                        << QList<bool>{false, true, false};
    QTest::newRow("after par") << QByteArray("a\\par\\page b") << QStringLiteral("a\nb") << QList<bool>{false, true};
    QTest::newRow("survives pard") << QByteArray("a\\par\\page\\pard\\qc b\\par") << QStringLiteral("a\nb")
                                   << QList<bool>{false, true};
    QTest::newRow("before an empty paragraph") << QByteArray("a\\par\\page\\par b") << QStringLiteral("a\n\nb")
                                               << QList<bool>{false, true, false};
    QTest::newRow("at the start means nothing") << QByteArray("\\page a") << QStringLiteral("a") << QList<bool>{false};
    QTest::newRow("pagebb") << QByteArray("a\\par\\pagebb b\\par\\pard c") << QStringLiteral("a\nb\nc")
                            << QList<bool>{false, true, false};
    // A section break ends a paragraph too; before it LibreOffice writes a
    // paragraph end that to Word is an empty paragraph.
    QTest::newRow("Word: paragraph end before a section break") << QByteArray("a\\par\\sect\\sectd b")
                                                                 << QStringLiteral("a\n\nb") << QList<bool>{false, false, false};
    QTest::newRow("LibreOffice: paragraph end before a section break")
        << QByteArray("{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64;}a\\par \\sect\\sectd b") << QStringLiteral("a\nb")
        << QList<bool>{false, false};
    QTest::newRow("in a header it is no break") << QByteArray("a\\par{\\header x\\page y}b")
                                                << QStringLiteral("a\nb") << QList<bool>{false, false};
}

void TestRtfReader::pageBreaks()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QFETCH(QList<bool>, breaks);
    QTextDocument d;
    rtf::read("{\\rtf1\\ansi " + body + "}", d);
    QCOMPARE(textOf(d), text);
    QList<bool> got;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        got << bool(b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    QCOMPARE(got, breaks);
}

// Files the other programs wrote themselves: pandoc 2.17 from a Markdown
// article, and AbiWord 3.0 re-saving pandoc's file (\uc0 and \uc1 mixed,
// a large style sheet). The expected text is what AbiWord shows of it.
void TestRtfReader::wordProcessorFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("pandoc") << "pandoc_2.17_article.rtf";
    QTest::newRow("AbiWord") << "abiword_3.0_article.rtf";
}

void TestRtfReader::wordProcessorFiles()
{
    QFETCH(QString, file);
    QTextDocument d;
    rtf::read(fixture(file), d);
    const QString text = QStringLiteral(
        "Jarní číslo Sklípku\n"
        "Příliš žluťoučký kůň úpěl ďábelské ódy. Řeřicha, čtvrť, ňadra — „uvozovky“ a ‚jednoduché‘.\n"
        "•\tprvní bod\n"
        "•\tdruhý bod\n"
        "Poslední odstavec s přeškrtnutím a kódem.");
    QCOMPARE(textOf(d), text);
    auto at = [&](const QString &word) { return formatAt(d, int(text.indexOf(word))); };
    QVERIFY(at(QStringLiteral("Jarní")).fontWeight() >= QFont::Bold);
    QCOMPARE(at(QStringLiteral("Jarní")).fontPointSize(), 18.0);
    QVERIFY(at(QStringLiteral("žluťoučký")).fontWeight() >= QFont::Bold);
    QVERIFY(at(QStringLiteral("kůň")).fontWeight() < QFont::Bold);
    QVERIFY(at(QStringLiteral("ďábelské")).fontItalic());
    QVERIFY(at(QStringLiteral("přeškrtnutím")).fontStrikeOut());
    QVERIFY(!at(QStringLiteral("Poslední")).fontStrikeOut());
}

// LibreOffice 7.4 saving an HTML article with a small picture as RTF: the
// text is what LibreOffice's own text export gives, the picture is there at
// its size and comes back from a save with the same bytes.
void TestRtfReader::libreOfficeFileWithPicture()
{
    QTextDocument d;
    rtf::read(fixture(QStringLiteral("libreoffice_7.4_picture.rtf")), d);
    const QString text = QStringLiteral(
        "Jarní číslo\n"
        "Příliš žluťoučký kůň úpěl ďábelské ódy \uFFFC a podtržené konec.\n"
        "Vpravo — „uvozovky“.");
    QCOMPARE(textOf(d), text);
    QCOMPARE(QString::fromUtf8(model::plainText(d)).trimmed(), QString(text).remove(QChar(0xFFFC)));
    QVERIFY(formatAt(d, int(text.indexOf(QStringLiteral("žluťoučký")))).fontWeight() >= QFont::Bold);
    QVERIFY(formatAt(d, int(text.indexOf(QStringLiteral("podtržené")))).fontUnderline());
    QCOMPARE(d.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    const QTextCharFormat picture = formatAt(d, int(text.indexOf(QChar(0xFFFC))));
    QVERIFY(picture.isImageFormat());
    QCOMPARE(qRound(picture.toImageFormat().width()), 32);
    QCOMPARE(qRound(picture.toImageFormat().height()), 24);
    const model::Picture before = model::picture(d, picture.toImageFormat());
    QCOMPARE(before.mimeType, QByteArray("image/png"));

    QTextDocument again;
    rtf::read(rtf::write(d), again);
    QCOMPARE(textOf(again), text);
    const QTextCharFormat reread = formatAt(again, int(text.indexOf(QChar(0xFFFC))));
    QCOMPARE(model::picture(again, reread.toImageFormat()).bytes, before.bytes);
    QCOMPARE(qRound(reread.toImageFormat().width()), 32);
}

// A face that is not installed falls back to one of its kind, named by the
// font table's family or guessed from the name, not to the editor's
// typewriter default.
void TestRtfReader::missingFaceFallsBackToItsKind_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("hint");
    QTest::newRow("swiss") << QByteArray("\\fswiss Nonexistent Face") << int(QFont::SansSerif);
    QTest::newRow("roman") << QByteArray("\\froman Nonexistent Face") << int(QFont::Serif);
    QTest::newRow("modern") << QByteArray("\\fmodern Nonexistent Face") << int(QFont::TypeWriter);
    QTest::newRow("nil, sans in the name") << QByteArray("\\fnil Liberation Sans Unicode MS") << int(QFont::SansSerif);
    QTest::newRow("no family, serif in the name") << QByteArray("Old Serif Face") << int(QFont::Serif);
    QTest::newRow("nothing to go by") << QByteArray("\\fnil Mystery") << int(QFont::AnyStyle);
}

void TestRtfReader::missingFaceFallsBackToItsKind()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, hint);
    QTextDocument d;
    rtf::read("{\\rtf1{\\fonttbl{\\f0" + entry + ";}}\\f0 text\\par}", d);
    QCOMPARE(int(formatAt(d, 0).fontStyleHint()), hint);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtf_reader.moc"
