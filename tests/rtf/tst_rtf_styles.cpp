// Paragraph and character styles: applied where the text does not
// override them, kept by name and written back.

#include "model/docprops.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include "rtftest.h"

using namespace rtftest;

namespace {

QByteArray doc(const QByteArray &sheet, const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}{\\f2\\fnil\\fcharset2 OpenSymbol;}}"
           "{\\stylesheet{\\s0\\f0\\fs24 Normal;}" + sheet + "}" + body + "}";
}

// What a test checks of the first character of a paragraph: "b" bold, "i"
// italic, the size, "h<level>" and "s<style>".
QString describe(const QTextDocument &d, int block)
{
    const QTextBlock b = d.findBlockByNumber(block);
    const QTextCharFormat f = formatAt(d, b.position());
    QString out;
    if (f.fontWeight() >= QFont::Bold)
        out += u'b';
    if (f.fontItalic())
        out += u'i';
    out += QString::number(f.fontPointSize());
    if (b.blockFormat().headingLevel())
        out += u'h' + QString::number(b.blockFormat().headingLevel());
    if (b.blockFormat().hasProperty(model::StyleNumber))
        out += u's' + QString::number(b.blockFormat().intProperty(model::StyleNumber));
    if (f.hasProperty(model::CharStyleNumber))
        out += QStringLiteral("cs") + QString::number(f.intProperty(model::CharStyleNumber));
    if (b.blockFormat().alignment() == Qt::AlignHCenter)
        out += u'c';
    return out;
}

QByteArray chain(int length, bool loop)
{
    QByteArray sheet = "{\\s1\\b X1;}";
    for (int i = 2; i <= length; ++i)
        sheet += "{\\s" + QByteArray::number(i) + "\\sbasedon" + QByteArray::number(i - 1) + " X" + QByteArray::number(i) + ";}";
    if (loop)
        sheet.replace("{\\s1\\b X1;}", "{\\s1\\b\\sbasedon" + QByteArray::number(length) + " X1;}");
    return sheet;
}

} // namespace

class TestRtfStyles : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void roundTrip_data();
    void roundTrip();
    void writtenSheet();
    void libreOfficeHeadings();
};

void TestRtfStyles::read_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("blocks");
    const QByteArray heading = "{\\s1\\sbasedon0\\snext0\\qc\\b\\fs32 heading 1;}";
    QTest::newRow("heading style") << doc(heading, "\\pard\\plain\\s1 Nadpis\\par\\pard\\plain\\s0 text")
                                   << QStringList{"b16h1s1c", "12"};
    QTest::newRow("text overrides the style")
        << doc(heading, "\\pard\\plain\\s1\\b0\\ql Nadpis\\par") << QStringList{"16h1s1"};
    QTest::newRow("based on") << doc(heading + "{\\s2\\sbasedon1\\i\\fs28 Podnadpis;}", "\\pard\\s2 a")
                              << QStringList{"bi14s2c"};
    QTest::newRow("based on, its base's words undone")
        << doc(heading + "{\\s2\\sbasedon1\\ql\\b0\\fs24 Tich\\'fd;}", "\\pard\\plain\\s2 a") << QStringList{"12s2"};
    QTest::newRow("outline level") << doc("{\\s3\\outlinelevel1\\fs28 M\\'f9j nadpis;}", "\\pard\\s3 a")
                                   << QStringList{"14h2s3"};
    QTest::newRow("heading name with another case") << doc("{\\s4 Heading 3;}", "\\pard\\s4 a")
                                                    << QStringList{"12h3s4"};
    QTest::newRow("character style") << doc("{\\*\\cs10\\additive\\i Zd\\'f9razn\\'ec n\\'ed;}", "a{\\cs10 b}")
                                     << QStringList{"12"};
    QTest::newRow("character style run") << doc("{\\*\\cs10\\additive\\i Zd\\'f9razn\\'ec n\\'ed;}", "{\\cs10 b}a")
                                         << QStringList{"i12cs10"};
    QTest::newRow("character style of the largest number")
        << doc("{\\*\\cs2147483647\\additive\\i Velk\\'fd;}", "{\\cs2147483647 b}a") << QStringList{"i12cs32767"};
    QTest::newRow("loop") << doc(chain(3, true), "\\pard\\s1 a") << QStringList{"b12s1"};
    QTest::newRow("self-based") << doc("{\\s1\\sbasedon1\\b A;}", "\\pard\\s1 a") << QStringList{"b12s1"};
    QTest::newRow("chain at the limit") << doc(chain(64, false), "\\pard\\s64 a") << QStringList{"b12s64"};
    QTest::newRow("chain past the limit") << doc(chain(65, false), "\\pard\\s65 a") << QStringList{"12s65"};
    QTest::newRow("100 000 long chain") << doc(chain(100000, false), "\\pard\\s30000 a\\par\\pard\\s2 b")
                                        << QStringList{"12s30000", "b12s2"};
    QTest::newRow("missing font") << doc("{\\s1\\f9\\b A;}", "\\pard\\s1 a") << QStringList{"b12s1"};
    QTest::newRow("style not in the sheet") << doc("", "\\pard\\s7 a") << QStringList{"12s7"};
    QTest::newRow("style sheet after the text is not read")
        << QByteArray("{\\rtf1\\pard\\s1 a\\par{\\stylesheet{\\s1\\outlinelevel1\\b H;}}\\pard\\s1 b\\par}")
        << QStringList{"12s1", "12s1"};
    QTest::newRow("style named before the style sheet, no text between")
        << QByteArray("{\\rtf1\\s1{\\stylesheet{\\s1\\b H;}}a\\par}") << QStringList{"12"};
    QTest::newRow("entry without semicolon") << doc("{\\s1\\b A}{\\s2\\i B;}", "\\pard\\s1 a\\par\\pard\\plain\\s2 b")
                                             << QStringList{"b12s1", "i12s2"};
    QTest::newRow("unbalanced sheet") << QByteArray("{\\rtf1{\\stylesheet{\\s1\\b A;}{\\s2 B") << QStringList{"12"};
}

void TestRtfStyles::read()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, blocks);
    QTextDocument d;
    rtf::read(rtf, d);
    QStringList got;
    for (int i = 0; i < blocks.size(); ++i)
        got << describe(d, i);
    QCOMPARE(got, blocks);
}

void TestRtfStyles::roundTrip_data()
{
    read_data();
}

void TestRtfStyles::roundTrip()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, blocks);
    QTextDocument d;
    rtf::read(rtf, d);
    const QByteArray out = rtf::write(d);
    QCOMPARE(out.count('{'), out.count('}'));
    QTextDocument back;
    rtf::read(out, back);
    QStringList got;
    for (int i = 0; i < blocks.size(); ++i)
        got << describe(back, i);
    QCOMPARE(got, blocks);
    QCOMPARE(rtf::write(back), out);
}

void TestRtfStyles::writtenSheet()
{
    QTextDocument d;
    // A style in a symbol font keeps its name as the file spells it.
    rtf::read(doc("{\\s1\\sbasedon0\\snext0\\qc\\b\\f1\\fs32 heading 1;}{\\*\\cs10\\additive\\i Zd\\'f9razn\\'ecn\\'ed;}"
                  "{\\*\\cs11\\additive\\f2 Bullets;}",
                  "\\pard\\s1 a"),
              d);
    const QByteArray out = rtf::write(d);
    QVERIFY2(out.contains("{\\stylesheet{\\s0\\f"), out.constData());
    QVERIFY2(out.contains("\\qc\\f"), out.constData());
    QVERIFY2(out.contains("\\b\\sbasedon0\\snext0 heading 1;}"), out.constData());
    QVERIFY2(out.contains("{\\*\\cs10\\additive\\f"), out.constData());
    QVERIFY2(out.contains(" Zd\\'f9razn\\'ecn\\'ed;}"), out.constData());
    QVERIFY2(out.contains(" Bullets;}"), out.constData());
    QVERIFY2(out.contains("\\pard\\s1\\qc"), out.constData());
    // The face of the style is in the font table.
    QVERIFY2(out.contains(" Arial;}"), out.constData());
}

// Headings made by LibreOffice from HTML: its "Heading N" styles give the
// levels, and a save keeps them and the title.
void TestRtfStyles::libreOfficeHeadings()
{
    QTextDocument d;
    rtf::read(fixture(QStringLiteral("libreoffice_7.4_headings.rtf")), d);
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(textOf(d), QStringLiteral("Nadpis\nText s poznámkou.\nPodnadpis\nKonec."));
        QList<int> levels;
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
            levels << b.blockFormat().headingLevel();
        QCOMPARE(levels, (QList<int>{1, 0, 2, 0}));
        QCOMPARE(d.metaInformation(QTextDocument::DocumentTitle), QStringLiteral("Titulek"));
        QVERIFY(formatAt(d, 0).fontWeight() >= QFont::Bold);
        const QByteArray out = rtf::write(d);
        QVERIFY(out.contains(" Heading 1;}"));
        rtf::read(out, d);
    }
}

QTEST_MAIN(TestRtfStyles)
#include "tst_rtf_styles.moc"
