// The language of runs: \langN and \noproof read into the character
// format and written back, the document's own language never repeated.

#include "model/language.h"
#include "rtf/rtf.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

class TestRtfLanguage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data();
    void runs();
};

namespace {

QTextCharFormat formatOf(const QTextDocument &doc, const QString &word)
{
    QTextCursor c = doc.find(word);
    if (c.isNull())
        return {};
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}

} // namespace

void TestRtfLanguage::runs_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("noProof");
    QTest::addColumn<QByteArray>("written"); // in the output, or empty
    QTest::addColumn<QByteArray>("absent");  // never in the output

    QTest::newRow("english run") << QByteArray("{\\rtf1\\deflang1029 ahoj {\\lang1033 hello}}") << "hello" << 1033
                                 << false << QByteArray("\\lang1033 hello") << QByteArray("\\lang1029");
    QTest::newRow("document's language") << QByteArray("{\\rtf1\\deflang1029 {\\lang1029 ahoj}}") << "ahoj" << 1029
                                         << false << QByteArray(" ahoj") << QByteArray("\\lang1029");
    QTest::newRow("no default language") << QByteArray("{\\rtf1 {\\lang1029 ahoj}}") << "ahoj" << 1029 << false
                                         << QByteArray("\\deflang1029") << QByteArray("\\lang1029");
    QTest::newRow("non-asian language") << QByteArray("{\\rtf1 {\\langfe1041\\langnp1031 Hallo}}") << "Hallo"
                                        << 1031 << false << QByteArray("\\lang1031 Hallo") << QByteArray("\\langfe");
    QTest::newRow("plain resets") << QByteArray("{\\rtf1 {\\lang1033\\noproof\\plain ahoj}}") << "ahoj" << 1029
                                  << false << QByteArray() << QByteArray("\\lang1033");
    QTest::newRow("no number") << QByteArray("{\\rtf1 {\\lang1033\\lang ahoj}}") << "ahoj" << 1029 << false
                               << QByteArray() << QByteArray("\\lang1033");
    QTest::newRow("no proofing") << QByteArray("{\\rtf1 {\\noproof kod}}") << "kod" << 1029 << true
                                 << QByteArray("\\noproof kod") << QByteArray("\\lang");
    QTest::newRow("proofing again") << QByteArray("{\\rtf1 {\\noproof\\noproof0 kod}}") << "kod" << 1029 << false
                                    << QByteArray() << QByteArray("\\noproof");
    QTest::newRow("english document") << QByteArray("{\\rtf1\\deflang1033 {\\lang1029 ahoj} hello}") << "ahoj"
                                      << 1029 << false << QByteArray("\\lang1029 ahoj") << QByteArray("\\lang1033");
    QTest::newRow("english document's text") << QByteArray("{\\rtf1\\deflang1033 {\\lang1029 ahoj} hello}")
                                             << "hello" << 1033 << false << QByteArray("\\deflang1033")
                                             << QByteArray("\\lang1033");
    QTest::newRow("language in a note") << QByteArray("{\\rtf1 a{\\footnote \\pard {\\lang1033 note}}}") << "a"
                                        << 1029 << false << QByteArray("\\lang1033 note") << QByteArray();
}

void TestRtfLanguage::runs()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, word);
    QFETCH(int, language);
    QFETCH(bool, noProof);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, absent);

    QTextDocument doc;
    rtf::read(rtf, doc);
    const int documentLanguage = model::defaultLanguage(doc);
    const QTextCharFormat f = formatOf(doc, word);
    QVERIFY(f.isValid());
    QCOMPARE(model::languageOf(f, documentLanguage), language);
    QCOMPARE(f.boolProperty(model::CharNoProof), noProof);
    QCOMPARE(model::isProofedCzech(f, documentLanguage), language == model::czechLanguage && !noProof);

    const QByteArray out = rtf::write(doc);
    if (!written.isEmpty())
        QVERIFY2(out.contains(written), out.constData());
    if (!absent.isEmpty())
        QVERIFY2(!out.contains(absent), out.constData());

    // Read back, the run keeps its language and the file stays as it was.
    QTextDocument back;
    rtf::read(out, back);
    const QTextCharFormat g = formatOf(back, word);
    QCOMPARE(model::languageOf(g, model::defaultLanguage(back)), language);
    QCOMPARE(g.boolProperty(model::CharNoProof), noProof);
    QCOMPARE(rtf::write(back), out);
}

QTEST_GUILESS_MAIN(TestRtfLanguage)
#include "tst_rtf_language.moc"
