// The benchmark documents are what the numbers rest on: they must be the
// size asked for, the same on every run, written as older word processors
// write RTF, and carry exactly the text they claim to.

#include "docgen.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QImage>
#include <QProcess>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

class TestBenchDoc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void size_data();
    void size();
    void sameBytesEveryRun();
    void writtenAsOlderWordProcessors();
    void readerGivesTheClaimedText_data();
    void readerGivesTheClaimedText();
    void photosAreJpegsTheReaderKeeps();
    void parseSize_data();
    void parseSize();
    void editorExitsWhenReadyIfAsked();
};

void TestBenchDoc::size_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::newRow("10 KB") << qint64(10 * 1024);
    QTest::newRow("1 MB") << qint64(1024 * 1024);
    QTest::newRow("3 MB + 1") << qint64(3 * 1024 * 1024 + 1);
}

void TestBenchDoc::size()
{
    QFETCH(qint64, bytes);
    const benchdoc::Document d = benchdoc::magazine(bytes);
    QVERIFY(d.rtf.size() >= bytes);
    // It stops within one paragraph of the size.
    QVERIFY2(d.rtf.size() < bytes + 16 * 1024, qPrintable(QString::number(d.rtf.size())));
    QVERIFY(d.rtf.endsWith("}\r\n"));
    QCOMPARE(d.rtf.count('{'), d.rtf.count('}'));
}

void TestBenchDoc::sameBytesEveryRun()
{
    const benchdoc::Document a = benchdoc::magazine(200 * 1024);
    const benchdoc::Document b = benchdoc::magazine(200 * 1024);
    const benchdoc::Document other = benchdoc::magazine(200 * 1024, 7);
    QCOMPARE(a.rtf, b.rtf);
    QCOMPARE(a.text, b.text);
    QVERIFY(a.rtf != other.rtf);
}

void TestBenchDoc::writtenAsOlderWordProcessors()
{
    const benchdoc::Document d = benchdoc::magazine(100 * 1024);
    QVERIFY(d.rtf.startsWith("{\\rtf1\\ansi\\ansicpg1250"));
    QVERIFY(d.rtf.contains("\\fcharset238"));
    for (const char c : d.rtf)
        QVERIFY2(uchar(c) < 0x80, "RTF of this kind is 7-bit");
    // Czech letters as code-page escapes: č ř ž š ě.
    for (const char *escape : {"\\'e8", "\\'f8", "\\'9e", "\\'9a", "\\'ec"})
        QVERIFY2(d.rtf.contains(escape), escape);
    QVERIFY(d.rtf.contains("\\plain\\f"));
    QVERIFY(d.rtf.contains("\\qc"));
    QVERIFY(d.rtf.contains("\\b "));
    QVERIFY(d.rtf.contains("\\i "));
    QVERIFY(d.rtf.contains("\\fs36"));
    // Lines broken as such writers break them, well short of a paragraph.
    int longest = 0;
    for (const QByteArray &line : d.rtf.split('\n'))
        longest = qMax(longest, int(line.size()));
    QVERIFY2(longest < 600, qPrintable(QString::number(longest)));
    QVERIFY(d.paragraphs > 50);
    QVERIFY(d.runs > 3 * d.paragraphs);
}

void TestBenchDoc::readerGivesTheClaimedText_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1250") << quint32(1250);
    QTest::newRow("seed 7") << quint32(7);
    QTest::newRow("seed 99") << quint32(99);
}

void TestBenchDoc::readerGivesTheClaimedText()
{
    QFETCH(quint32, seed);
    const benchdoc::Document d = benchdoc::magazine(300 * 1024, seed);
    QTextDocument doc;
    rtf::read(d.rtf, doc);
    const QByteArray text = model::plainText(doc);
    if (text != d.text) {
        qsizetype i = 0;
        while (i < text.size() && i < d.text.size() && text[i] == d.text[i])
            ++i;
        QFAIL(qPrintable(QStringLiteral("differs at byte %1: read \"%2\", claimed \"%3\"")
                             .arg(i)
                             .arg(QString::fromUtf8(text.mid(qMax(qsizetype(0), i - 20), 60)),
                                  QString::fromUtf8(d.text.mid(qMax(qsizetype(0), i - 20), 60)))));
    }
    QCOMPARE(doc.blockCount(), d.paragraphs);
    // The non-breaking spaces, line breaks and tabs the text claims are there.
    QVERIFY(d.text.contains("\xC2\xA0"));
    QVERIFY(d.text.contains('\t'));
}

// Small photographs stand for camera-sized ones: the same groups, fewer pixels.
void TestBenchDoc::photosAreJpegsTheReaderKeeps()
{
    const benchdoc::Document d = benchdoc::photoArticle(2, 320, 240);
    QCOMPARE(d.rtf, benchdoc::photoArticle(2, 320, 240).rtf);
    QCOMPARE(d.rtf.count("{\\pict\\picscalex100\\picscaley100\\picw320\\pich240\\picwgoal9000\\pichgoal6750\\jpegblip"), 2);
    QTextDocument doc;
    rtf::read(d.rtf, doc);
    int pictures = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            ++pictures;
            const model::Picture p = model::picture(doc, f.toImageFormat());
            QCOMPARE(p.mimeType, QByteArray("image/jpeg"));
            QCOMPARE(QImage::fromData(p.bytes, "JPEG").size(), QSize(320, 240));
        }
    }
    QCOMPARE(pictures, 2);
    // Text before, between and after them.
    QVERIFY(doc.blockCount() > 6);
}

void TestBenchDoc::parseSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("bytes");
    QTest::newRow("10k") << "10k" << qint64(10240);
    QTest::newRow("1m") << "1m" << qint64(1048576);
    QTest::newRow("50M") << "50M" << qint64(52428800);
    QTest::newRow("plain") << "4096" << qint64(4096);
    QTest::newRow("zero") << "0" << qint64(-1);
    QTest::newRow("word") << "velký" << qint64(-1);
    QTest::newRow("unit only") << "k" << qint64(-1);
}

void TestBenchDoc::parseSize()
{
    QFETCH(QString, text);
    QFETCH(qint64, bytes);
    QCOMPARE(benchdoc::parseSize(text), bytes);
    if (bytes > 0)
        QCOMPARE(benchdoc::parseSize(benchdoc::sizeLabel(bytes).remove(u' ').chopped(1)), bytes);
}

// The start-up measurement relies on the probe ending by itself once its
// window is ready; without that every timed run would hang.
void TestBenchDoc::editorExitsWhenReadyIfAsked()
{
    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(env);
    editor.start(QStringLiteral(BOROVKA_EDITOR_PATH), {});
    QVERIFY(editor.waitForStarted());
    const bool finished = editor.waitForFinished(120'000);
    if (!finished)
        editor.kill();
    QVERIFY2(finished, "the start-up probe did not end after its first paint");
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
}

QTEST_MAIN(TestBenchDoc)
#include "tst_benchdoc.moc"
