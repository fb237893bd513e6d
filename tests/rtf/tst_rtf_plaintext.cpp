// Plain text: recognising RTF, decoding text files, and the text export.

#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

class TestRtfPlainText : public QObject {
    Q_OBJECT

private slots:
    void isRtf_data();
    void isRtf();
    void decode_data();
    void decode();
    void exportText_data();
    void exportedTextSurvivesASave_data();
    void exportedTextSurvivesASave();
    void exportText();
    void readingTextThatIsNotRtf();
    void otherPrograms_data();
    void otherPrograms();
    void controlCharacterInTextFileChangedOnSave_data();
    void controlCharacterInTextFileChangedOnSave();
    void documentText_data();
    void documentText();
};

void TestRtfPlainText::isRtf_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("expected");
    QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi x}") << true;
    QTest::newRow("bom and blank lines") << QByteArray("\xEF\xBB\xBF\r\n  {\\rtf1}") << true;
    QTest::newRow("truncated header") << QByteArray("{\\rt") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text mentioning rtf") << QByteArray("x{\\rtf1}") << false;
    QTest::newRow("other braces") << QByteArray("{\\pict}") << false;
}

void TestRtfPlainText::isRtf()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, expected);
    QCOMPARE(rtf::isRtf(data), expected);
}

void TestRtfPlainText::decode_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    QTest::newRow("utf-8") << QByteArray("\xC4\x8D\xC5\x99\xC4\x9B") << QStringLiteral("čřě");
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF" "a\xC5\xBE") << QStringLiteral("až");
    QTest::newRow("windows-1250") << QByteArray("\xE8\xF8\xEC \x8A\x8E\x9A\x9E") << QStringLiteral("čřě ŠŽšž");
    QTest::newRow("cut utf-8 sequence is 1250") << QByteArray("a\xC5") << QStringLiteral("aĹ");
    QTest::newRow("ascii") << QByteArray("plain\r\ntext") << QStringLiteral("plain\r\ntext");
    QTest::newRow("utf-16le with bom") << QByteArray("\xFF\xFE" "a\0\x0D\x01", 6) << QStringLiteral("ač");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestRtfPlainText::decode()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    QCOMPARE(rtf::decodePlainText(data), expected);
}

void TestRtfPlainText::exportText_data()
{
    QTest::addColumn<QString>("content"); // \n separates paragraphs
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("paragraphs, no final line end") << QStringLiteral("a\nb") << QByteArray("a\nb");
    QTest::newRow("empty paragraphs") << QStringLiteral("\na\n") << QByteArray("\na\n");
    QTest::newRow("line separator") << QStringLiteral("a") + QChar(QChar::LineSeparator) + QStringLiteral("b")
                                    << QByteArray("a\nb");
    QTest::newRow("nbsp kept") << QStringLiteral("v") + QChar(QChar::Nbsp) + QStringLiteral("lese")
                               << QByteArray("v\xC2\xA0lese");
    QTest::newRow("czech as utf-8") << QStringLiteral("čř\tě") << QByteArray("\xC4\x8D\xC5\x99\t\xC4\x9B");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestRtfPlainText::exportText()
{
    QFETCH(QString, content);
    QFETCH(QByteArray, expected);
    QTextDocument doc;
    QTextCursor c(&doc);
    const QStringList paragraphs = content.split(u'\n');
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i)
            c.insertBlock();
        c.insertText(paragraphs[i]);
    }
    QCOMPARE(model::plainText(doc), expected);
}

// What the text export gives of a file, and the same after a save: a row
// shorter than the table gives no tabs for the cells that only fill it.
void TestRtfPlainText::exportedTextSurvivesASave_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("table") << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row\\pard po}")
                           << QByteArray("a\tb\npo");
    QTest::newRow("short row") << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000\\intbl a\\cell b\\cell c\\cell\\row"
                                             "\\trowd\\cellx1000\\intbl d\\cell\\row}")
                               << QByteArray("a\tb\tc\nd");
    QTest::newRow("empty last cell") << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a\\cell\\cell\\row}")
                                     << QByteArray("a\t");
    // The file's empty paragraph (or empty list item) before a table that
    // starts the document is a line; Qt's own paragraph there is none.
    QTest::newRow("empty paragraph before a leading table")
        << QByteArray("{\\rtf1 \\par\\trowd\\cellx1000\\intbl x\\cell\\row\\pard}") << QByteArray("\nx");
    QTest::newRow("empty list item before a leading table")
        << QByteArray("{\\rtf1{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\par\\pard\\trowd\\cellx1000\\intbl x\\cell\\row\\pard}")
        << QByteArray("\xC2\xB7\t\nx");
    QTest::newRow("ilvl past the list's one level")
        << QByteArray("{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}\\listid7}}"
                      "{\\*\\listoverridetable{\\listoverride\\listid7\\ls2}}\\ls2 a\\par\\ilvl2 b}")
        << QByteArray("1.\ta\n2.\tb");
    QTest::newRow("list") << QByteArray("{\\rtf1{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}jedna\\par dva}")
                          << QByteArray("1.\tjedna\n2.\tdva");
}

void TestRtfPlainText::exportedTextSurvivesASave()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, expected);
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(model::plainText(doc), expected);
    QTextDocument again;
    rtf::read(rtf::write(doc), again);
    QCOMPARE(model::plainText(again), expected);
}

void TestRtfPlainText::readingTextThatIsNotRtf()
{
    QTextDocument doc;
    rtf::read("first\r\nsecond \xE8", doc);
    QCOMPARE(doc.blockCount(), 2);
    QCOMPARE(doc.toPlainText(), QStringLiteral("first\nsecond č"));
    rtf::read(QByteArray(), doc);
    QCOMPARE(doc.blockCount(), 1);
    QVERIFY(doc.isEmpty());
}

void TestRtfPlainText::controlCharacterInTextFileChangedOnSave_data()
{
    // A text file with a control character used to load with it, while the
    // RTF saved from it read back without: the text changed on save.
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nul") << QByteArray("a\0b", 3) << QStringLiteral("ab");
    QTest::newRow("nul at the end of a 1250 file") << QByteArray("\xE8\r\n\0", 4) << QStringLiteral("č\r\n");
    QTest::newRow("escape and bell") << QByteArray("a\x1B[0m\x07" "b") << QStringLiteral("a[0mb");
    QTest::newRow("form feed") << QByteArray("strana 1\fstrana 2") << QStringLiteral("strana 1strana 2");
    QTest::newRow("tab and line ends kept") << QByteArray("a\tb\r\nc\nd\re") << QStringLiteral("a\tb\r\nc\nd\re");
    QTest::newRow("delete kept") << QByteArray("a\x7F") << QStringLiteral("a\x7F");
    QTest::newRow("utf-16 nul") << QByteArray("\xFF\xFE" "a\0\0\0b\0", 8) << QStringLiteral("ab");
    QTest::newRow("object placeholder") << QByteArray("a\xEF\xBF\xBC" "b") << QStringLiteral("ab");
    QTest::newRow("non-character") << QByteArray("a\xEF\xBF\xBF" "b") << QStringLiteral("ab");
}

void TestRtfPlainText::controlCharacterInTextFileChangedOnSave()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    const QString text = rtf::decodePlainText(data);
    QCOMPARE(text, expected);

    // Loaded as the editing area loads a text file, saved, and read again.
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocument back;
    rtf::read(rtf::write(doc), back);
    QCOMPARE(model::plainText(back), model::plainText(doc));

    // rtf::read takes the same file the same way.
    QTextDocument direct;
    rtf::read(data, direct);
    QCOMPARE(model::plainText(direct), model::plainText(doc));
}

// The text export of files read into a document, as the converter writes
// .txt: paragraphs and page breaks, \uN fallbacks, code pages of fonts and
// of the document, destinations without text, and what tables, lists,
// notes, fields, pictures, hidden text and sections give.
void TestRtfPlainText::documentText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("expected"); // UTF-8
    const auto row = [](const char *name, const char *rtf, const char *expected) {
        QTest::newRow(name) << QByteArray(rtf) << QByteArray(expected);
    };
    row("paragraphs", "{\\rtf1 a\\par\\par b\\par}", "a\n\nb");
    row("paragraph marks as line ends of the file", "{\\rtf1 a\\\r\nb\\\nc}", "a\nb\nc");
    row("only paragraph ends", "{\\rtf1\\par\\par\\par}", "\n\n");
    row("a page break ends a paragraph with text", "{\\rtf1\\page a\\page b\\par\\page\\page c}", "a\nb\nc");
    row("a dropped byte still opens a paragraph", "{\\rtf1 a\\par\\'00}", "a\n");
    row("fallbacks", "{\\rtf1\\uc2 \\u269\\'e8\\'e8x{\\uc0\\u345}\\u-3913 ?\\u382\\par y\\u353 \\{}",
        "\u010Dx\u0159\uF0B7\ny\u0161");
    row("fallback taken by a word or a symbol", "{\\rtf1\\u269\\b x\\u269\\~y\\u269{z}}", "\u010Dx\u010Dy\u010Dz");
    row("font code pages", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}{\\f1\\fcharset238 A;}{\\f2 Arial Cyr;}"
                           "{\\f3\\fcharset0{\\*\\fname Face;}Old CE;}{\\f4\\cpg1253 G;}}"
                           "\\'e8\\f1\\'e8\\f2\\'e8\\f3\\'e8{\\f4\\'e8}\\plain\\'e8}",
        "\u00E8\u010D\u0438\u010D\u03B8\u00E8");
    row("document code page", "{\\rtf1\\ansi\\ansicpg1250\\deff5 \\'8a\\mac\\'8a\\ansicpg999\\'8a}", "\u0160\u00E4\u00E4");
    row("unicode group", "{\\rtf1{\\upr{\\'e8}{\\*\\ud{\\u269 ?}}}}", "\u010D");
    row("destinations without text", "{\\rtf1{\\*\\unknown x}{\\info{\\title T}{\\creatim\\yr2026 r}}"
                                     "{\\stylesheet{\\s1\\snext0 Nadpis;}}{\\colortbl;\\red1;}{\\*\\title t}a\\unknown b}", "ab");
    row("line, tab and symbols", "{\\rtf1 a\\line b\\tab\\emdash\\~\\-\\_\\'09\tc\\\\}",
        "a\nb\t\u2014\u00A0\u00AD\u2011\t\tc\\");
    row("text after the document", "{\\rtf1 a}b{\\par c}", "a");
    row("cut short", "{\\rtf1{\\fonttbl{\\f1\\fcharset238 A;}}\\f1 \\'e8\\'", "\u010D");
    row("table", "{\\rtf1\\trowd\\cellx1000\\intbl a\\cell\\row}", "a");
    row("list", "{\\rtf1{\\pntext 1.\\tab}a\\par}", "1.\ta");
    row("note", "{\\rtf1 a{\\footnote b}}", "a\n\na b");
    row("field", "{\\rtf1{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}}", "1");
    row("picture", "{\\rtf1{\\pict\\pngblip 00}}", "");
    row("hidden text", "{\\rtf1 a{\\v b}}", "a");
    row("a style applied", "{\\rtf1{\\stylesheet{\\s1\\v Skryty;}}\\s1 a}", "");
    row("symbol font", "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1 a}", "\u03B1");
    row("several bytes a character", "{\\rtf1\\ansicpg932 \\'82\\'a0}", "\u3042");
    row("a paragraph separator by number", "{\\rtf1 a\\u8233 b}", "a\n");
    row("section", "{\\rtf1 a\\sect b}", "a\nb");
    row("binary data", "{\\rtf1{\\*\\x\\bin1 }a}", "");
    row("not RTF", "plain text", "plain text");
}

void TestRtfPlainText::documentText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, expected);
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(model::plainText(doc), expected);
}

// Documents of other programs say what they are instead of loading as a
// screen of bytes; text that merely looks like them still loads as text.
void TestRtfPlainText::otherPrograms_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("refusal"); // the start of the message; empty: read as text
    const QByteArray zip("PK\x03\x04\x14\x00\x06\x00", 8);
    QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    ole += QByteArray(504, '\0');
    QByteArray encrypted = ole;
    for (const char c : QByteArrayView("EncryptedPackage"))
        encrypted.append(c).append('\0');
    QTest::newRow("Word package") << zip + "word/_rels/.relsPK\x01\x02word/document.xml"
                                  << QStringLiteral("Soubor je dokument Word (.docx)");
    QTest::newRow("OpenDocument text") << zip + QByteArray(22, '\0') + "mimetypeapplication/vnd.oasis.opendocument.text"
                                       << QStringLiteral("Soubor je dokument OpenDocument (.odt)");
    QTest::newRow("OpenDocument spreadsheet")
        << zip + QByteArray(22, '\0') + "mimetypeapplication/vnd.oasis.opendocument.spreadsheet"
        << QStringLiteral("Soubor je dokument OpenDocument jiného druhu než text");
    QTest::newRow("Excel workbook") << zip + "[Content_Types].xmlPK\x01\x02xl/workbook.xml"
                                    << QStringLiteral("Soubor je balíček Office bez textového dokumentu");
    QTest::newRow("other archive") << zip + "readme.txtPK\x01\x02" << QStringLiteral("Soubor je archiv ZIP");
    QTest::newRow("encrypted Office document") << encrypted << QStringLiteral("Dokument je zašifrovaný heslem");
    QTest::newRow("older Word document") << ole + "WordDocument"
                                         << QStringLiteral("Soubor je dokument starého formátu Word (.doc)");
    QTest::newRow("PDF") << QByteArray("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj") << QStringLiteral("Soubor je dokument PDF");
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << QStringLiteral("Soubor je obrázek PNG");
    QTest::newRow("TIFF") << QByteArray("MM\0*\0\0\0\x08", 8) << QStringLiteral("Soubor je obrázek TIFF");
    QTest::newRow("gzip") << QByteArray("\x1F\x8B\x08\0", 4) << QStringLiteral("Soubor je komprimovaný archiv");
    QTest::newRow("text starting like a ZIP's name") << QByteArray("PKO banka oznamuje") << QString();
    QTest::newRow("text starting like a TIFF's") << QByteArray("MM, to je ono.") << QString();
    QTest::newRow("text about PDF") << QByteArray("%PDF je zkratka") << QString(); // no dash: no file
    QTest::newRow("text with NUL bytes") << QByteArray("a\0b\0c", 5) << QString();
    QTest::newRow("UTF-16 text") << QByteArray("\xFF\xFEP\0K\0", 6) << QString();
}

void TestRtfPlainText::otherPrograms()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, refusal);
    QTextDocument doc;
    if (refusal.isEmpty()) {
        QVERIFY(rtf::unsupportedFormat(data).isEmpty());
        rtf::read(data, doc);
        QVERIFY(!doc.isEmpty());
        return;
    }
    QVERIFY2(rtf::unsupportedFormat(data).startsWith(refusal), qPrintable(rtf::unsupportedFormat(data)));
    try {
        rtf::read(data, doc);
        QFAIL("read as text");
    } catch (const rtf::Error &e) {
        QCOMPARE(e.description(), rtf::unsupportedFormat(data));
    }
    QVERIFY(doc.isEmpty());
}

QTEST_MAIN(TestRtfPlainText)
#include "tst_rtf_plaintext.moc"
