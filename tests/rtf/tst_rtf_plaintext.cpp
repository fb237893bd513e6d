// Plain text: recognising RTF, decoding text files, and the text export.

#include "rtf.h"

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
    void exportText();
    void readingTextThatIsNotRtf();
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
    QCOMPARE(rtf::plainText(doc), expected);
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

QTEST_MAIN(TestRtfPlainText)
#include "tst_rtf_plaintext.moc"
