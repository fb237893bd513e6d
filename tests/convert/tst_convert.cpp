// The converter: output chosen by extension, the formatting in HTML, and
// failures that leave no output file.

#include "convert/commandline.h"
#include "convert/convert.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;

namespace {

// A word processor's RTF: code page 1250, a centred bold title, a red word.
const QByteArray Article =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman\\fcharset238 Times New Roman CE;}"
    "{\\f1\\fswiss\\fcharset238 Arial CE;}}{\\colortbl;\\red255\\green0\\blue0;}"
    "\\pard\\qc\\plain\\f1\\fs32\\b Nov\\'e1 \\'e8\\'edsla\\par"
    "\\pard\\plain\\f0\\fs24 Text s \\cf1 \\'e8erven\\'fdm\\cf0  slovem & <zna\\'e8kami>.\\par}";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_Convert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void outputKind_data();
    void outputKind();
    void toText();
    void toHtml();
    void toRtfAndBack();
    void htmlEmbedsPictures();
    void toMarkdown();
    void htmlInput_data();
    void htmlInput();
    void htmlInputPictureBesideIt();
    void failuresLeaveNothing_data();
    void failuresLeaveNothing();
    void parseCommand_data();
    void parseCommand();
    void commandLine_data();
    void commandLine();
    void standardErrorHoldsOwnMessages_data();
    void standardErrorHoldsOwnMessages();
    void withoutGui_data();
    void withoutGui();
    void textWithoutGuiIsTheDocumentsText_data();
    void textWithoutGuiIsTheDocumentsText();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Convert::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QFile f(path(QStringLiteral("clanek.rtf")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Article);
}

void tst_Convert::outputKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<OutputKind>("kind");
    QTest::newRow("kln") << "a.kln" << OutputKind::Rtf;
    QTest::newRow("RTF upper case") << "A.RTF" << OutputKind::Rtf;
    QTest::newRow("txt") << "a.txt" << OutputKind::Text;
    QTest::newRow("html") << "a.html" << OutputKind::Html;
    QTest::newRow("htm") << "a.htm" << OutputKind::Html;
    QTest::newRow("md") << "dir.d/a.md" << OutputKind::Markdown;
    QTest::newRow("doc") << "a.doc" << OutputKind::Unknown;
    QTest::newRow("none") << "a" << OutputKind::Unknown;
}

void tst_Convert::outputKind()
{
    QFETCH(QString, name);
    QFETCH(OutputKind, kind);
    QCOMPARE(outputKindFor(name), kind);
}

void tst_Convert::toText()
{
    QCOMPARE(convertFile(path("clanek.rtf"), path("clanek.txt")), QString());
    QCOMPARE(QString::fromUtf8(readAll(path("clanek.txt"))).trimmed(),
             QStringLiteral("Nová čísla\nText s červeným slovem & <značkami>."));
}

void tst_Convert::toHtml()
{
    QCOMPARE(convertFile(path("clanek.rtf"), path("clanek.html")), QString());
    const QString html = QString::fromUtf8(readAll(path("clanek.html")));
    QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("<p style=\"text-align:center\">")));
    QVERIFY(html.contains(QStringLiteral("<strong>Nová čísla</strong>")));
    QVERIFY(html.contains(QStringLiteral("font-size:16pt")));
    QVERIFY(html.contains(QStringLiteral("color:#ff0000\">červeným</span>")));
    QVERIFY(html.contains(QStringLiteral("&amp; &lt;značkami&gt;.")));
    QVERIFY(!html.contains(QStringLiteral("<script")));
}

void tst_Convert::htmlEmbedsPictures()
{
    const QString source = QFINDTESTDATA("../rtf/data/picture_png.rtf");
    QVERIFY(!source.isEmpty());
    QCOMPARE(convertFile(source, path("obrazek.html")), QString());
    const QString html = QString::fromUtf8(readAll(path("obrazek.html")));
    QFile png(QFINDTESTDATA("../rtf/data/picture.png"));
    QVERIFY(png.open(QIODevice::ReadOnly));
    // The picture's own bytes, at the size the file asks for (600 x 450 twips at 50 %).
    QVERIFY(html.contains(QStringLiteral("<img src=\"data:image/png;base64,")
                          + QString::fromLatin1(png.readAll().toBase64())
                          + QStringLiteral("\" width=\"20\" height=\"15\"")));
    QVERIFY(html.contains(QStringLiteral("Před obrázkem ")));
    // Plain text leaves the picture out.
    QCOMPARE(convertFile(source, path("obrazek.txt")), QString());
    QVERIFY(!readAll(path("obrazek.txt")).contains("\xef\xbf\xbc"));
}

void tst_Convert::toRtfAndBack()
{
    QCOMPARE(convertFile(path("clanek.rtf"), path("kopie.kln")), QString());
    QVERIFY(readAll(path("kopie.kln")).startsWith("{\\rtf1\\ansi\\ansicpg1250"));
    QCOMPARE(convertFile(path("kopie.kln"), path("kopie.txt")), QString());
    QCOMPARE(convertFile(path("clanek.rtf"), path("clanek.txt")), QString());
    QCOMPARE(readAll(path("kopie.txt")), readAll(path("clanek.txt")));
}

void tst_Convert::htmlInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    const QByteArray page = "<html><head><meta charset=\"utf-8\"><title>T</title></head><body><h1>Článek</h1>"
                            "<ul><li>jedna</li><li>dvě</li></ul><ol type=\"i\"><li>x</li></ol></body></html>";
    const QString text = QStringLiteral("Článek\n•\tjedna\n•\tdvě\ni.\tx");
    QTest::newRow("utf-8") << "stranka.html" << page << text;
    QTest::newRow("htm") << "stranka.htm" << page << text;
    QTest::newRow("windows-1250 by its meta")
        << "stranka.html"
        << QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"
                      "</head><body><p>\x8elu\x9dou\xe8k\xfd k\xf9\xf2</p></body></html>")
        << QStringLiteral("Žluťoučký kůň");
    QTest::newRow("RTF named .html reads by content") << "clanek.html" << Article
                                                      << QStringLiteral("Nová čísla\nText s červeným slovem & <značkami>.");
}

void tst_Convert::htmlInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(input);
    f.close();
    QCOMPARE(convertFile(path(name), path("vystup.kln")), QString());
    // The .kln file keeps what the page showed.
    QCOMPARE(convertFile(path("vystup.kln"), path("vystup.txt")), QString());
    QCOMPARE(QString::fromUtf8(readAll(path("vystup.txt"))).trimmed(), text);
}

void tst_Convert::htmlInputPictureBesideIt()
{
    QFile png(QFINDTESTDATA("../rtf/data/picture.png"));
    QVERIFY(png.open(QIODevice::ReadOnly));
    QVERIFY(png.copy(path("obr.png")));
    QFile f(path("stranka.html"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<p>A<img src=\"obr.png\"><img src=\"https://example.org/x.png\" alt=\"web\"></p>");
    f.close();
    QCOMPARE(convertFile(path("stranka.html"), path("vystup.kln")), QString());
    const QByteArray kln = readAll(path("vystup.kln"));
    QVERIFY(kln.contains("{\\pict\\pngblip"));
    QVERIFY(kln.contains("[web]"));
}

void tst_Convert::toMarkdown()
{
    QCOMPARE(convertFile(path("clanek.rtf"), path("clanek.md")), QString());
    const QString md = QString::fromUtf8(readAll(path("clanek.md")));
    QVERIFY2(md.contains(QStringLiteral("**Nová čísla**")), qPrintable(md));
}

void tst_Convert::failuresLeaveNothing_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("unknown output type") << "clanek.rtf" << "clanek.doc";
    QTest::newRow("missing input") << "chybi.rtf" << "chybi.txt";
    QTest::newRow("input is a folder") << "." << "slozka.txt";
    QTest::newRow("output folder missing") << "clanek.rtf" << "nic/clanek.txt";
}

void tst_Convert::failuresLeaveNothing()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    const QString error = convertFile(input == QLatin1String(".") ? m_dir->path() : path(input), path(output));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path(output)));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("clanek.rtf")});
}

namespace {

// What a parsed command line asks for, in one line.
QString describe(const ConvertCommand &c)
{
    QStringList parts;
    switch (c.action) {
    case ConvertCommand::Help: return QStringLiteral("help");
    case ConvertCommand::Version: return QStringLiteral("version");
    case ConvertCommand::Usage: return QStringLiteral("usage");
    case ConvertCommand::Error: return QStringLiteral("error: ") + c.error;
    case ConvertCommand::Single: parts << c.input + QStringLiteral(" -> ") + c.output; break;
    case ConvertCommand::Batch:
        parts << QStringLiteral("to ") + c.format;
        if (!c.outputDir.isEmpty())
            parts << QStringLiteral("into ") + c.outputDir;
        if (c.jobs)
            parts << QStringLiteral("jobs %1").arg(c.jobs);
        if (c.recursive)
            parts << QStringLiteral("recursive");
        if (c.force)
            parts << QStringLiteral("force");
        if (c.fromStandardInput)
            parts << QStringLiteral("stdin");
        parts << c.names.join(QLatin1Char(','));
        break;
    }
    if (c.verbose)
        parts << QStringLiteral("verbose");
    return parts.join(QStringLiteral("; "));
}

} // namespace

void tst_Convert::parseCommand_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program's name
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QStringList &arguments, const QString &expected) {
        QTest::newRow(name) << arguments << expected;
    };
    row("two files", {"a.kln", "b.txt"}, "a.kln -> b.txt");
    row("verbose anywhere", {"a.kln", "--verbose", "b.txt"}, "a.kln -> b.txt; verbose");
    row("a file named as an option, after --", {"--", "-a.kln", "--to"}, "-a.kln -> --to");
    row("- as the input", {"-", "b.txt"}, "- -> b.txt");
    row("one file", {"a.kln"}, "usage");
    row("three files", {"a.kln", "b.txt", "c.txt"}, "usage");
    row("nothing", {}, "usage");
    row("help", {"--help"}, "help");
    row("help, short", {"-h"}, "help");
    row("help wins over files", {"a.kln", "b.txt", "--help"}, "help");
    row("help wins over a wrong option", {"--fast", "--help"}, "help");
    row("version", {"--version"}, "version");
    row("version in batch mode", {"--to", "txt", "a.kln", "--version"}, "version");
    row("batch", {"--to", "HTML", "a.kln", "b.kln"}, "to html; a.kln,b.kln");
    row("--to= and a dot", {"--to=.md", "a.kln"}, "to md; a.kln");
    row("-j glued", {"--to", "txt", "-j2", "a.kln"}, "to txt; jobs 2; a.kln");
    row("-j apart", {"--to", "txt", "-j", "2", "a.kln"}, "to txt; jobs 2; a.kln");
    row("--jobs", {"--to", "txt", "--jobs", "16", "a.kln"}, "to txt; jobs 16; a.kln");
    row("--jobs=", {"--to", "txt", "--jobs=1024", "a.kln"}, "to txt; jobs 1024; a.kln");
    row("short flags", {"--to", "txt", "-r", "-f", "arch"}, "to txt; recursive; force; arch");
    row("long flags, output folder", {"--recursive", "--output-dir", "web", "--force", "--to", "kln", "arch"},
        "to kln; into web; recursive; force; arch");
    row("--output-dir=", {"--to", "txt", "--output-dir=web", "a.kln"}, "to txt; into web; a.kln");
    row("names from standard input", {"--to", "txt", "-"}, "to txt; stdin; ");
    row("standard input and files", {"--to", "txt", "a.kln", "-", "b.kln"}, "to txt; stdin; a.kln,b.kln");
    row("unknown option", {"--fast", "a.kln", "b.txt"}, "error: neznámá volba --fast");
    row("unknown option in batch mode", {"--to", "txt", "--fast", "a.kln"}, "error: neznámá volba --fast");
    row("-v is no option", {"-v", "a.kln", "b.txt"}, "error: neznámá volba -v");
    row("-junk is no -j", {"--to", "txt", "-junk", "a.kln"}, "error: neznámá volba -junk");
    row("-j with a letter glued", {"--to", "txt", "-jx", "a.kln"}, "error: neznámá volba -jx");
    row("-j and a letter", {"--to", "txt", "-j", "x", "a.kln"}, "error: neplatný počet vláken: x");
    row("-j with a number and a letter", {"--to", "txt", "-j2x", "a.kln"}, "error: neplatný počet vláken: 2x");
    row("--jobs 0", {"--to", "txt", "--jobs", "0", "a.kln"}, "error: neplatný počet vláken: 0");
    row("too many jobs", {"--to", "txt", "-j", "1025", "a.kln"}, "error: neplatný počet vláken: 1025");
    row("an earlier -j wrong", {"--to", "txt", "-j", "0", "-j", "2", "a.kln"}, "error: neplatný počet vláken: 0");
    row("flags are not compacted", {"--to", "txt", "-rf", "arch"}, "error: neznámá volba -rf");
    row("a flag with a value", {"--to", "txt", "--force=1", "a.kln"}, "error: neznámá volba --force=1");
    row("--to without a format", {"a.kln", "--to"}, "error: --to chce formát výstupu (html, md, txt, pdf, docx, odt, rtf nebo kln)");
    row("--output-dir without a folder", {"--to", "txt", "a.kln", "--output-dir"}, "error: --output-dir chce název složky");
    row("--output-dir empty", {"--to", "txt", "--output-dir=", "a.kln"}, "error: --output-dir chce název složky");
    row("-j without a number", {"--to", "txt", "a.kln", "-j"}, "error: -j chce počet vláken");
    row("--jobs without a number", {"--to", "txt", "a.kln", "--jobs"}, "error: -j chce počet vláken");
    row("unknown format", {"--to", "doc", "a.kln"}, "error: neznámý formát výstupu: doc (použijte html, md, txt, pdf, docx, odt, rtf nebo kln)");
    row("no files", {"--to", "txt"}, "error: chybí soubory k převodu");
    row("a batch option without --to", {"--force", "a.kln", "b.txt"},
        "error: volba --force patří jen k dávkovému převodu (--to)");
    row("-j without --to", {"a.kln", "-j4", "b.txt"}, "error: volba -j4 patří jen k dávkovému převodu (--to)");
}

void tst_Convert::parseCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    arguments.prepend(QStringLiteral("borovka-convert"));
    QCOMPARE(describe(parseConvertCommand(arguments)), expected);
}

void tst_Convert::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // part of what it prints
    QTest::addColumn<bool>("alone"); // the program copied away from the build folder
    QTest::newRow("help") << QStringList{"--help"} << 0 << ".html" << false;
    QTest::newRow("help, short") << QStringList{"-h"} << 0 << "Návratový kód: 0 převedeno" << false;
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QStringLiteral("borovka-convert %1\n").arg(QString::fromUtf8(version::String)) << false;
    QTest::newRow("unknown option") << QStringList{"--fast", "clanek.rtf", "out.txt"} << 2
                                    << "borovka-convert: neznámá volba --fast\n" << false;
    QTest::newRow("batch option without --to") << QStringList{"-j2", "clanek.rtf", "out.txt"} << 2
                                               << "volba -j2 patří jen k dávkovému převodu" << false;
    QTest::newRow("converts") << QStringList{"clanek.rtf", "out.txt"} << 0 << "" << false;
    QTest::newRow("unknown type") << QStringList{"clanek.rtf", "out.xyz"} << 1 << "out.xyz" << false;
    QTest::newRow("unreadable") << QStringList{"chybi.rtf", "out.txt"} << 1 << "chybi.rtf" << false;
    QTest::newRow("no arguments") << QStringList{} << 2 << "borovka-convert" << false;
    // One program does every conversion: it needs no other beside it.
    QTest::newRow("alone, text") << QStringList{"clanek.rtf", "out.txt"} << 0 << "" << true;
    QTest::newRow("alone, HTML") << QStringList{"clanek.rtf", "out.html"} << 0 << "" << true;
}

void tst_Convert::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(bool, alone);
    QString program = QStringLiteral(BOROVKA_CONVERT);
    if (alone) {
        program = path(QStringLiteral("borovka-convert"));
        QVERIFY(QFile::copy(QStringLiteral(BOROVKA_CONVERT), program));
    }
    QProcess p;
    p.setWorkingDirectory(m_dir->path());
    p.start(program, arguments);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QString output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QVERIFY2(output.contains(said), qPrintable(output));
    if (exitCode == 0 && arguments.size() == 2)
        QVERIFY(QFile::exists(path(arguments.at(1))));
    if (exitCode != 0 && arguments.size() >= 2)
        QVERIFY(!QFile::exists(path(arguments.last())));
}

void tst_Convert::standardErrorHoldsOwnMessages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // a line stderr starts with; "" for nothing at all
    QTest::newRow("success says nothing") << QStringList{"clanek.rtf", "out.html"} << "";
    QTest::newRow("failure says why, only that")
        << QStringList{"chybi.rtf", "out.txt"} << "borovka-convert: nelze otevřít";
    QTest::newRow("verbose lets Qt speak") << QStringList{"--verbose", "clanek.rtf", "out.md"}
                                           << "QStandardPaths: XDG_RUNTIME_DIR not set";
}

// Run as a service or by root, Qt warns about the runtime folder on every start.
void tst_Convert::standardErrorHoldsOwnMessages()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir->path());
    p.start(QStringLiteral(BOROVKA_CONVERT), arguments);
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    if (expected.isEmpty()) {
        QCOMPARE(err, QString());
        QCOMPARE(p.exitCode(), 0);
    } else if (arguments.contains(QStringLiteral("--verbose"))) {
        QVERIFY2(err.contains(expected), qPrintable(err));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFile::exists(path(arguments.last())));
    } else {
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY2(err.startsWith(expected), qPrintable(err));
    }
}

void tst_Convert::withoutGui_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("withoutGui");
    QTest::newRow("article to text") << "a.kln" << Article << "a.txt" << true;
    QTest::newRow("plain text to text") << "a.txt" << QByteArray("Text.\n") << "b.TXT" << true;
    QTest::newRow("article to html") << "a.kln" << Article << "a.html" << false;
    QTest::newRow("article to rtf") << "a.kln" << Article << "a.rtf" << false;
    QTest::newRow("article to pdf") << "a.kln" << Article << "a.pdf" << false;
    QTest::newRow("web page to text") << "a.html" << QByteArray("<p>Text</p>") << "a.txt" << false;
    QTest::newRow("picture") << "a.kln" << QByteArray("{\\rtf1 {\\pict\\emfblip 0100}}") << "a.txt" << false;
    QTest::newRow("picture of a shape")
        << "a.kln" << QByteArray("{\\rtf1 {\\*\\shppict{\\pict\\pngblip 89}}}") << "a.txt" << false;
    // The file is looked through in pieces of 64 KiB.
    for (const int at : {65536 - 6, 65536 - 3, 65536, 3 * 65536 + 1}) {
        const QByteArray big = "{\\rtf1 " + QByteArray(at - 7, 'x') + "{\\pict 00}}";
        QTest::addRow("picture at %d", at) << "a.kln" << big << "a.txt" << false;
        QTest::addRow("no picture, %d bytes", at) << "a.kln" << QByteArray(big).replace("pict", "pics") << "a.txt" << true;
    }
}

void tst_Convert::withoutGui()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, data);
    QFETCH(QString, output);
    QFETCH(bool, withoutGui);
    QCOMPARE(convertsWithoutGui(input, data, output), withoutGui);
    QFile file(path(input));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    file.close();
    QCOMPARE(convertsWithoutGui(path(input), path(output)), withoutGui);
}

void tst_Convert::textWithoutGuiIsTheDocumentsText_data()
{
    QTest::addColumn<QString>("fixture");
    const QDir dir(QStringLiteral(RTF_TEST_DATA));
    for (const QString &name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

// The converter started without Qt's graphical side gives exactly the text
// this process (a GUI application) reads from the same file.
void tst_Convert::textWithoutGuiIsTheDocumentsText()
{
    QFETCH(QString, fixture);
    const QByteArray data = readAll(fixture);
    QTextDocument doc;
    rtf::read(data, doc);
    const QByteArray expected = model::plainText(doc);

    const QString out = path(QStringLiteral("out.txt"));
    QFile::remove(out);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BOROVKA_CONVERT), {fixture, out});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(readAll(out), expected);
}

QTEST_MAIN(tst_Convert)
#include "tst_convert.moc"
