// Lists, headings and rules: read from what word processors write, written
// so list-aware readers see lists and simple readers see the labels, and
// read back as they were.

#include "model/lists.h"
#include "rtf/rtf.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextListFormat>

#include "rtftest.h"

using namespace rtftest;

namespace {

// Each paragraph as "level label text" when it is a list item, as its
// text when it is not.
QStringList itemsOf(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (const QTextList *list = b.textList())
            out << QStringLiteral("%1 %2 %3").arg(list->format().indent() - 1).arg(model::listLabel(b), b.text());
        else
            out << b.text();
    }
    return out;
}

QStringList readBack(const QTextDocument &doc)
{
    QTextDocument again;
    rtf::read(rtf::write(doc), again);
    return itemsOf(again);
}

} // namespace

class TestRtfLists : public QObject {
    Q_OBJECT

private slots:
    void fixtures_data();
    void fixtures();
    void read_data();
    void read();
    void simpleReadersSeeLabels();
    void labelsForSimpleReaders_data();
    void labelsForSimpleReaders();
    void headingsAndRules_data();
    void headingsAndRules();
    void numbers_data();
    void numbers();
    void plainTextHasLabelAndTab();
};

void TestRtfLists::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("items");
    const QStringList htmlLists{QStringLiteral("Úvod"), QStringLiteral("0 • jablka"), QStringLiteral("0 • hrušky"),
                                QStringLiteral("1 • žluté"), QStringLiteral("1 • zelené"), QStringLiteral("0 • švestky"),
                                QStringLiteral("Mezi")};
    QTest::newRow("LibreOffice") << "libreoffice_7.4_lists.rtf"
                                 << htmlLists + QStringList{"0 a. alfa", "0 b. beta", "0 I. první", "0 II. druhý",
                                                            "0 3. tři", "0 4. čtyři", "Konec"};
    // AbiWord's own import of the page numbered every list from 1.
    QTest::newRow("AbiWord") << "abiword_3.0_lists.rtf"
                             << htmlLists + QStringList{"0 1. alfa", "0 2. beta", "0 1. první", "0 2. druhý",
                                                        "0 1. tři", "0 2. čtyři", "Konec", "", "", ""};
    // pandoc writes no lists, only indented paragraphs that start with the label.
    QTest::newRow("pandoc") << "pandoc_2.17_lists.rtf"
                            << QStringList{"Úvod", "•\tjablka", "•\thrušky", "–\tžluté", "–\tzelené", "•\tšvestky",
                                           "Mezi", "1.\tprvní", "2.\tdruhý", "3)\ttři", "4)\tčtyři"};
    QTest::newRow("Word list table, symbol fonts")
        << "word_listtable_symbol_bullets.rtf"
        << QStringList{"Přehled", "0 • jablka", "1 o žluté", "2 ▪ citróny", "0 • hrušky", "Postup", "0 3) začít",
                       "1 3.a. podbod", "2 (i) jemně", "0 4) skončit", "1 4.a. znovu", "0 ✓ hotovo",
                       "*\tneznámý seznam"}; // \ls of no list: its \listtext stays
    QTest::newRow("Word 95 paragraph numbering")
        << "word95_pn_numbering.rtf"
        << QStringList{"Nákup", "0 • chléb", "0 • máslo", "Kroky", "0 1. otevřít", "0 2. zavřít", "0 B) druhé B",
                       "2 iv čtvrté"};
    QTest::newRow("OpenSymbol bullets")
        << "libreoffice_opensymbol_bullet_byte.rtf"
        << QStringList{"Seznam", "0 • první", "1 ▪ druhá úroveň", "2 ♦ třetí úroveň"};
}

void TestRtfLists::fixtures()
{
    QFETCH(QString, file);
    QFETCH(QStringList, items);
    QTextDocument doc;
    rtf::read(fixture(file), doc);
    QCOMPARE(itemsOf(doc), items);
    QCOMPARE(readBack(doc), items);
}

// Items as the first read builds them, from a list of three levels
// ("1.", "a)", "•"), one that shows the level above ("1.1") and Word 95
// numbering.
void TestRtfLists::read_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("items");
    auto item = [](const QByteArray &words, const char *text) {
        return "\\pard" + words + (words.endsWith('}') ? "" : " ") + text + "\\par";
    };
    QTest::newRow("levels") << item("\\ls1", "a") + item("\\ls1\\ilvl1", "b") + item("\\ls1\\ilvl1", "c")
                                   + item("\\ls1\\ilvl2", "d") + item("\\ls1", "e") + item("\\ls1\\ilvl1", "f")
                            << QStringList{"0 1. a", "1 a) b", "1 b) c", "2 \u2022 d", "0 2. e", "1 a) f"};
    QTest::newRow("a paragraph between items") << item("\\ls1", "a") + item("", "mezi") + item("\\ls1", "b")
                                               << QStringList{"0 1. a", "mezi", "0 2. b"};
    QTest::newRow("start number") << item("\\ls2", "a") + item("\\ls2", "b") << QStringList{"0 3. a", "0 4. b"};
    QTest::newRow("numbers of the level above") << item("\\ls3", "a") + item("\\ls3\\ilvl1", "b") + item("\\ls3\\ilvl1", "c")
                                                    + item("\\ls3", "d") + item("\\ls3\\ilvl1", "e")
                                                << QStringList{"0 1. a", "1 1.1 b", "1 1.2 c", "0 2. d", "1 2.1 e"};
    QTest::newRow("list not defined") << item("\\ls9", "a") << QStringList{"a"};
    QTest::newRow("level past the list's last") << item("\\ls3", "a") + item("\\ls3\\ilvl5", "b")
                                                << QStringList{"0 1. a", "1 1.1 b"};
    QTest::newRow("item in a table cell")
        << "\\trowd\\cellx3000\\pard\\intbl\\ls1 a\\cell\\row" + item("\\ls1", "b")
        << QStringList{"", "0 1. a", "0 2. b"}; // Qt keeps a paragraph before a table
    QTest::newRow("word 95 levels")
        << item("{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart4{\\pntxta .}}", "a")
               + item("{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart4{\\pntxta .}}", "b")
               + item("{\\*\\pn\\pnlvl3\\pnlcltr{\\pntxtb (}{\\pntxta )}}", "c")
               + item("{\\*\\pn\\pnlvlblt{\\pntxtb \\'b7}}", "d")
        << QStringList{"0 IV. a", "0 V. b", "2 (a) c", "0 \u00b7 d"}; // a middle dot in code page 1252
    // Its text a character of a symbol font the level does not name.
    QTest::newRow("picture bullet") << item("\\ls4", "a") << QStringList{"0 \u2022 a"};
    QTest::newRow("leading zeros") << item("\\ls5", "a") + item("\\ls5", "b") << QStringList{"0 01. a", "0 02. b"};
    QTest::newRow("legal numbering under a roman level")
        << item("\\ls6", "a") + item("\\ls6\\ilvl1", "b") + item("\\ls6", "c") + item("\\ls6\\ilvl1", "d")
        << QStringList{"0 I. a", "1 1.01 b", "0 II. c", "1 2.01 d"};
}

void TestRtfLists::read()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, items);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi{\\*\\listtable"
              "{\\list\\listid1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
              "{\\listlevel\\levelnfc4{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}}"
              "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}}}"
              "{\\list\\listid2{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}}"
              "{\\list\\listid3{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
              "{\\listlevel\\levelnfc0{\\leveltext\\'03\\'00.\\'01;}{\\levelnumbers\\'01\\'03;}}}"
              "{\\list\\listid4{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\levelpicture0}}"
              "{\\list\\listid5{\\listlevel\\levelnfc22{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}}"
              "{\\list\\listid6{\\listlevel\\levelnfc1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
              "{\\listlevel\\levelnfc22\\levellegal1{\\leveltext\\'03\\'00.\\'01;}{\\levelnumbers\\'01\\'03;}}}}"
              "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}{\\listoverride\\listid3\\ls3}"
              "{\\listoverride\\listid4\\ls4}{\\listoverride\\listid5\\ls5}{\\listoverride\\listid6\\ls6}}"
                  + body + "}",
              doc);
    QCOMPARE(itemsOf(doc), items);
}

void TestRtfLists::simpleReadersSeeLabels()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("Body"));
    QTextListFormat f;
    f.setStyle(QTextListFormat::ListUpperRoman);
    f.setNumberSuffix(QStringLiteral(")"));
    f.setProperty(model::ListStartNumber, 3);
    c.insertList(f);
    c.insertText(QStringLiteral("one"));
    c.insertBlock();
    c.insertText(QStringLiteral("two"));
    const QByteArray out = rtf::write(doc);
    QVERIFY(out.contains("{\\*\\listtable"));
    QVERIFY(out.contains("\\levelnfc1"));
    QVERIFY(out.contains("\\levelstartat3"));
    QVERIFY(out.contains("\\ls1\\ilvl0{\\listtext"));
    QVERIFY(out.contains("III)\\tab}"));
    QVERIFY(out.contains("IV)\\tab}"));
    QCOMPARE(readBack(doc), (QStringList{"Body", "0 III) one", "0 IV) two"}));
}

void TestRtfLists::headingsAndRules_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("heading");
    QTest::addColumn<bool>("rule");
    QTest::newRow("body") << QByteArray("{\\rtf1 a\\par}") << 0 << false;
    QTest::newRow("outline level 0") << QByteArray("{\\rtf1\\outlinelevel0 a\\par}") << 1 << false;
    QTest::newRow("outline level 5") << QByteArray("{\\rtf1\\outlinelevel5 a\\par}") << 6 << false;
    QTest::newRow("outline level 9 is body text") << QByteArray("{\\rtf1\\outlinelevel9 a\\par}") << 0 << false;
    QTest::newRow("bottom border") << QByteArray("{\\rtf1\\brdrb\\brdrs\\brdrw10 a\\par}") << 0 << true;
    QTest::newRow("pard ends both") << QByteArray("{\\rtf1\\outlinelevel1\\brdrb a\\par\\pard b}") << 0 << false;
}

void TestRtfLists::headingsAndRules()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, heading);
    QFETCH(bool, rule);
    QTextDocument doc;
    rtf::read(rtf, doc);
    for (int pass = 0; pass < 2; ++pass) {
        const QTextBlockFormat f = doc.lastBlock().blockFormat();
        QCOMPARE(f.headingLevel(), heading);
        QCOMPARE(f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth), rule);
        rtf::read(rtf::write(doc), doc);
    }
}

void TestRtfLists::labelsForSimpleReaders_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("dropped in a list") << QByteArray("\\pard\\ls1{\\listtext \\'95\\tab}jedna\\par")
                                       << QStringList{"0 \u2022 jedna"};
    QTest::newRow("before the list word") << QByteArray("\\pard{\\listtext \\'95\\tab}\\ls1 jedna\\par")
                                          << QStringList{"0 \u2022 jedna"};
    QTest::newRow("in two runs") << QByteArray("\\pard\\ls1{\\listtext {\\b 1}.\\tab}jedna\\par")
                                 << QStringList{"0 \u2022 jedna"};
    QTest::newRow("kept when the paragraph leaves the list")
        << QByteArray("\\pard\\ls1{\\listtext 7.\\tab}\\ls0 sedm\\par") << QStringList{"7.\tsedm"};
    QTest::newRow("kept for a list not defined") << QByteArray("\\pard\\ls9{\\listtext *\\tab}x\\par")
                                                 << QStringList{"*\tx"};
    QTest::newRow("a table that opens with a label")
        << QByteArray("\\trowd\\cellx3000\\pard\\intbl\\ls1{\\listtext \\'95\\tab}x\\cell\\row\\pard y\\par")
        << QStringList{"", "0 \u2022 x", "y"}; // Qt keeps a paragraph before a table
    QTest::newRow("a no-break space as the label")
        << QByteArray("\\pard{\\*\\pn\\pnlvlblt{\\pntxtb \\'a0}}x\\par") << QStringList{"0 \u00a0 x"};
    QTest::newRow("items after one left")
        << QByteArray("\\pard\\ls1{\\listtext 1.\\tab}a\\par\\pard\\ls1{\\listtext 2.\\tab}\\ls0 b\\par"
                      "\\pard\\ls1{\\listtext 3.\\tab}c\\par")
        << QStringList{"0 \u2022 a", "2.\tb", "0 \u2022 c"};
}

void TestRtfLists::labelsForSimpleReaders()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, items);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid5}}"
              "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}" + body + "}", doc);
    QCOMPARE(itemsOf(doc), items);
    QCOMPARE(readBack(doc), items);
}

void TestRtfLists::numbers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal") << int(QTextListFormat::ListDecimal) << 12 << "12";
    QTest::newRow("letter") << int(QTextListFormat::ListLowerAlpha) << 3 << "c";
    QTest::newRow("letters past z") << int(QTextListFormat::ListUpperAlpha) << 28 << "AB";
    QTest::newRow("roman") << int(QTextListFormat::ListLowerRoman) << 1994 << "mcmxciv";
    QTest::newRow("roman upper") << int(QTextListFormat::ListUpperRoman) << 4 << "IV";
    QTest::newRow("roman past 3999") << int(QTextListFormat::ListUpperRoman) << 4000 << "4000";
    QTest::newRow("zero letter") << int(QTextListFormat::ListLowerAlpha) << 0 << "0";
}

void TestRtfLists::numbers()
{
    QFETCH(int, style);
    QFETCH(int, n);
    QFETCH(QString, text);
    QCOMPARE(model::formatListNumber(style, n), text);
}

void TestRtfLists::plainTextHasLabelAndTab()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("word95_pn_numbering.rtf")), doc);
    const QString text = QString::fromUtf8(model::plainText(doc));
    QVERIFY2(text.startsWith(QStringLiteral("Nákup\n•\tchléb\n•\tmáslo\nKroky\n1.\totevřít\n")), qPrintable(text));
}

QTEST_MAIN(TestRtfLists)
#include "tst_rtf_lists.moc"
