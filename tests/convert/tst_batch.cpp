// Batch mode: many files on several threads, each output as the single-file
// conversion writes it; a failing file fails alone.

#include "convert/batch.h"
#include "convert/convert.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An article with formatting, a link and a picture, different for each n.
QByteArray article(int n)
{
    QImage image(40 + n, 30, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(n * 37 % 360, 200, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\\pard\\qc\\f1\\fs32\\b \\'c8l\\'e1nek "
                     + QByteArray::number(n) + "\\b0\\par\\pard\\f0\\fs24 ";
    for (int i = 0; i < 20 + n; ++i)
        rtf += "Odstavec " + QByteArray::number(i) + " s {\\i kurz\\'edvou} a {\\cf1 barvou}.\\par ";
    rtf += "{\\field{\\*\\fldinst HYPERLINK \"https://example.org/" + QByteArray::number(n) + "\"}{\\fldrslt odkaz}}";
    rtf += "{\\pict\\pngblip\\picwgoal600\\pichgoal450 " + png.toHex() + "}\\par}";
    return rtf;
}

// Inputs the reader refuses, and ones it reads what it can of.
QByteArray hostile(int kind)
{
    switch (kind) {
    case 0: return "{\\rtf1 " + QByteArray("{\\pict\\emfblip 01}").repeated(10'001) + "}"; // too many pictures
    case 1: return "{\\rtf1{\\pict\\jpegblip \xff\xd8\xff\xc0\x00\x11\x08\x20\x00\x40\x00\x03\x01\x22\x00}}"; // truncated
    default: return "{\\rtf1 {{{{{" + QByteArray("\\b\\i\\ul ").repeated(1000) + "a";                      // unclosed
    }
}

} // namespace

class tst_Batch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void plan_data();
    void plan();
    void manyFilesOnManyThreads_data();
    void manyFilesOnManyThreads();
    void hostileFileFailsAlone();
    void existingOutputsAreSkippedUnlessForced();
    void outputNeverOverwritesAnInput();
    void commandLine_data();
    void commandLine();
    void namesFromStandardInput();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Batch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QVERIFY(writeFile(QStringLiteral("arch/2020/a.kln"), article(1)));
    QVERIFY(writeFile(QStringLiteral("arch/2020/b.rtf"), article(2)));
    QVERIFY(writeFile(QStringLiteral("arch/2021/leden/c.kln"), article(3)));
    QVERIFY(writeFile(QStringLiteral("arch/2021/poznamky.txt"), "not an input of a folder"));
    QVERIFY(writeFile(QStringLiteral("single.kln"), article(4)));
}

void tst_Batch::plan_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<int>("errors");
    QTest::newRow("next to the input") << QStringList{"single.kln", "arch/2020/b.rtf"} << QString() << false
                                       << QStringList{"single.html", "arch/2020/b.html"} << 0;
    QTest::newRow("relative path kept") << QStringList{"arch/2020/a.kln", "./single.kln"} << "web" << false
                                        << QStringList{"web/arch/2020/a.html", "web/single.html"} << 0;
    QTest::newRow("a path leading out is dropped") << QStringList{"../@/single.kln"}
                                                   << "web" << false << QStringList{"web/single.html"} << 0;
    QTest::newRow("folder, recursive") << QStringList{"arch"} << "web" << true
                                       << QStringList{"web/2020/a.html", "web/2020/b.html", "web/2021/leden/c.html"}
                                       << 0;
    QTest::newRow("folder, next to the inputs")
        << QStringList{"arch/2021"} << QString() << true << QStringList{"arch/2021/leden/c.html"} << 0;
    QTest::newRow("folder without recursive") << QStringList{"arch", "single.kln"} << "web" << false
                                              << QStringList{"web/single.html"} << 1;
    QTest::newRow("missing file") << QStringList{"missing.kln"} << QString() << false << QStringList() << 1;
}

void tst_Batch::plan()
{
    QFETCH(QStringList, names);
    QFETCH(QString, outputDir);
    QFETCH(bool, recursive);
    QFETCH(QStringList, outputs);
    QFETCH(int, errors);
    // "@": this test's folder, seen from its parent
    names.replaceInStrings(QStringLiteral("@"), QFileInfo(m_dir->path()).fileName());
    QStringList messages;
    const QList<BatchJob> jobs = planBatch(names, QStringLiteral("html"), outputDir, recursive, &messages);
    QStringList got;
    for (const BatchJob &j : jobs)
        got.append(QDir::cleanPath(j.output));
    QCOMPARE(got, outputs);
    QCOMPARE(messages.size(), errors);
}

void tst_Batch::manyFilesOnManyThreads_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("html") << "html";
    QTest::newRow("md") << "md";
    QTest::newRow("txt") << "txt";
    QTest::newRow("rtf") << "rtf";
}

void tst_Batch::manyFilesOnManyThreads()
{
    // More files than threads, converted at once; each output must be what
    // the single-file conversion on this thread writes.
    QFETCH(QString, extension);
    QList<BatchJob> jobs;
    for (int i = 0; i < 24; ++i) {
        const QString in = path(QStringLiteral("many/%1.kln").arg(i));
        QVERIFY(writeFile(in, article(i)));
        jobs.append({in, path(QStringLiteral("out/%1.%2").arg(i).arg(extension))});
    }
    BatchOptions options;
    options.jobs = 4;
    int reported = 0;
    int lastProgress = -1;
    options.finished = [&](const BatchResult &) { ++reported; };
    options.progress = [&](int done) {
        QVERIFY(done >= lastProgress);
        lastProgress = done;
    };
    const QList<BatchResult> results = convertBatch(jobs, options);
    QCOMPARE(results.size(), jobs.size());
    QCOMPARE(reported, jobs.size());
    QCOMPARE(lastProgress, jobs.size());
    for (int i = 0; i < jobs.size(); ++i) {
        QCOMPARE(results[i].status, BatchResult::Converted);
        const QString alone = path(QStringLiteral("alone.") + extension);
        QCOMPARE(convertFile(jobs[i].input, alone), QString());
        const QByteArray expected = readAll(alone);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readAll(jobs[i].output), expected);
    }
}

void tst_Batch::hostileFileFailsAlone()
{
    QList<BatchJob> jobs;
    for (int i = 0; i < 9; ++i) {
        const QString in = path(QStringLiteral("mix/%1.kln").arg(i));
        QVERIFY(writeFile(in, i % 3 == 1 ? hostile(i / 3) : article(i)));
        jobs.append({in, path(QStringLiteral("mix/%1.txt").arg(i))});
    }
    jobs.append({path(QStringLiteral("mix/missing.kln")), path(QStringLiteral("mix/missing.txt"))});
    BatchOptions options;
    options.jobs = 3;
    const QList<BatchResult> results = convertBatch(jobs, options);
    for (int i = 0; i < 9; ++i) {
        // Only the one the reader refuses fails; the others read what they can.
        const bool refused = i == 1;
        QCOMPARE(results[i].status, refused ? BatchResult::Failed : BatchResult::Converted);
        QCOMPARE(QFile::exists(jobs[i].output), !refused);
        if (refused)
            QVERIFY2(results[i].reason.contains(QStringLiteral("obrázků")), qPrintable(results[i].reason));
    }
    QCOMPARE(results.last().status, BatchResult::Failed);
    QVERIFY(results.last().reason.contains(QStringLiteral("missing.kln")));
    // No temporary files are left behind by the failures.
    QCOMPARE(QDir(path(QStringLiteral("mix"))).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 8);
    QCOMPARE(QDir(path(QStringLiteral("mix"))).entryList(QDir::Files).size(), 9 + 8);
}

void tst_Batch::existingOutputsAreSkippedUnlessForced()
{
    QVERIFY(writeFile(path(QStringLiteral("single.txt")), "older"));
    const QList<BatchJob> jobs{{path(QStringLiteral("single.kln")), path(QStringLiteral("single.txt"))}};
    BatchOptions options;
    QList<BatchResult> results = convertBatch(jobs, options);
    QCOMPARE(results[0].status, BatchResult::Skipped);
    QVERIFY(results[0].reason.contains(QStringLiteral("--force")));
    QCOMPARE(readAll(jobs[0].output), QByteArray("older"));
    options.force = true;
    results = convertBatch(jobs, options);
    QCOMPARE(results[0].status, BatchResult::Converted);
    QVERIFY(readAll(jobs[0].output).startsWith("Článek 4"));
}

void tst_Batch::outputNeverOverwritesAnInput()
{
    // Even with --force: an RTF converted to RTF next to itself, and two
    // inputs with one output.
    const QList<BatchJob> jobs{{path(QStringLiteral("arch/2020/b.rtf")), path(QStringLiteral("arch/2020/b.rtf"))},
                               {path(QStringLiteral("arch/2020/a.kln")), path(QStringLiteral("x.txt"))},
                               {path(QStringLiteral("single.kln")), path(QStringLiteral("./x.txt"))}};
    BatchOptions options;
    options.force = true;
    const QList<BatchResult> results = convertBatch(jobs, options);
    QCOMPARE(results[0].status, BatchResult::Failed);
    QCOMPARE(readAll(jobs[0].input), article(2));
    QCOMPARE(results[1].status, BatchResult::Converted);
    QCOMPARE(results[2].status, BatchResult::Failed);
    QVERIFY(readAll(path(QStringLiteral("x.txt"))).startsWith("Článek 1"));
}

void tst_Batch::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("stderrHas"); // empty: standard error stays empty
    QTest::newRow("folder") << QStringList{"--to", "html", "--output-dir", "web", "--recursive", "arch"} << 0
                            << QStringList{"web/2020/a.html", "web/2020/b.html", "web/2021/leden/c.html"} << QString();
    QTest::newRow("files, -j and =") << QStringList{"--to=md", "-j2", "single.kln", "arch/2020/a.kln"} << 0
                                     << QStringList{"single.md", "arch/2020/a.md"} << QString();
    QTest::newRow("one missing") << QStringList{"--to", "txt", "single.kln", "chybi.kln"} << 1
                                 << QStringList{"single.txt"} << "chybi.kln: soubor neexistuje";
    QTest::newRow("unknown format") << QStringList{"--to", "pdfx", "single.kln"} << 2 << QStringList()
                                    << "neznámý formát výstupu";
    QTest::newRow("bad -j") << QStringList{"--to", "txt", "-j", "0", "single.kln"} << 2 << QStringList()
                            << "neplatný počet vláken";
    QTest::newRow("unknown option") << QStringList{"--to", "txt", "--fast", "single.kln"} << 2 << QStringList()
                                    << "neznámá volba --fast";
    QTest::newRow("no files") << QStringList{"--to", "txt"} << 2 << QStringList() << "chybí soubory";
    QTest::newRow("--jobs N, -r and -f") << QStringList{"--to", "txt", "--jobs", "3", "-r", "-f", "arch/2021"} << 0
                                         << QStringList{"arch/2021/leden/c.txt"} << QString();
    QTest::newRow("-j with a letter glued") << QStringList{"--to", "txt", "-jx", "single.kln"} << 2 << QStringList()
                                            << "neznámá volba -jx";
    QTest::newRow("-j and a letter") << QStringList{"--to", "txt", "-j", "x", "single.kln"} << 2 << QStringList()
                                     << "neplatný počet vláken: x";
    QTest::newRow("--jobs 0") << QStringList{"--to", "txt", "--jobs", "0", "single.kln"} << 2 << QStringList()
                              << "neplatný počet vláken: 0";
    QTest::newRow("-junk is no -j") << QStringList{"--to", "txt", "-junk", "single.kln"} << 2 << QStringList()
                                    << "neznámá volba -junk";
    QTest::newRow("-j without a number") << QStringList{"--to", "txt", "single.kln", "-j"} << 2 << QStringList()
                                         << "-j chce počet vláken";
    QTest::newRow("--help converts nothing") << QStringList{"--to", "txt", "--help", "single.kln"} << 0
                                             << QStringList() << QString();
    QTest::newRow("--version converts nothing") << QStringList{"--to", "txt", "single.kln", "--version"} << 0
                                                << QStringList() << QString();
}

void tst_Batch::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outputs);
    QFETCH(QString, stderrHas);
    QProcess p;
    p.setWorkingDirectory(m_dir->path());
    p.start(QStringLiteral(BOROVKA_CONVERT), args);
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    // Not a terminal: no progress line, and nothing at all when all went well.
    if (stderrHas.isEmpty())
        QCOMPARE(err, QString());
    else
        QVERIFY2(err.contains(stderrHas), qPrintable(err));
    QVERIFY(!err.contains(QLatin1Char('\r')));
    for (const QString &o : outputs)
        QVERIFY2(QFile::exists(path(o)), qPrintable(o));
    // A refused command line, help or version writes nothing.
    if (outputs.isEmpty())
        QVERIFY(!QFile::exists(path(QStringLiteral("single.txt"))));
}

void tst_Batch::namesFromStandardInput()
{
    // As find(1) gives them, with a hostile file among them.
    QVERIFY(writeFile(path(QStringLiteral("arch/2021/zly.kln")), hostile(0)));
    QProcess p;
    p.setWorkingDirectory(m_dir->path());
    p.start(QStringLiteral(BOROVKA_CONVERT), {"--to", "html", "--output-dir", "web", "-"});
    QVERIFY(p.waitForStarted());
    p.write("./arch/2020/a.kln\n./arch/2021/zly.kln\r\n\n./arch/2021/leden/c.kln\n");
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains(QStringLiteral("zly.kln")) && err.contains(QStringLiteral("obrázků")), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("Převedeno 2, přeskočeno 0, selhalo 1")), qPrintable(err));
    QVERIFY(QFile::exists(path(QStringLiteral("web/arch/2020/a.html"))));
    QVERIFY(QFile::exists(path(QStringLiteral("web/arch/2021/leden/c.html"))));
    QVERIFY(!QFile::exists(path(QStringLiteral("web/arch/2021/zly.html"))));
}

QTEST_MAIN(tst_Batch)
#include "tst_batch.moc"
