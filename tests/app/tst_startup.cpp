// Start-up: the window state for the screen, and a document named on the
// command line that loads, or fails and lets the user go on or end.

#include "app/mainwindow.h"
#include "app/startup.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;

class tst_Startup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowState_data();
    void windowState();
    void noDocument();
    void documentLoads();
    void failedLoad_data();
    void failedLoad();
    void commandLineText_data();
    void commandLineText();
    void editorRequest_data();
    void editorRequest();
    void helpAndVersionWithoutDisplay_data();
    void helpAndVersionWithoutDisplay();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void tst_Startup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void tst_Startup::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

void tst_Startup::windowState_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("800 x 600") << QSize(12000, 9000) << false;
    QTest::newRow("1024 x 768") << QSize(15360, 11520) << true;
    QTest::newRow("800 wide, taller") << QSize(12000, 9015) << true;
    QTest::newRow("600 high, wider") << QSize(12015, 9000) << true;
}

void tst_Startup::windowState()
{
    QFETCH(QSize, screen);
    QFETCH(bool, maximized);
    ScriptedDialogs dialogs;
    Main main(dialogs);
    QVERIFY(main.Form_Load(QString(), screen));
    QCOMPARE(main.startsMaximized(), maximized);
}

void tst_Startup::noDocument()
{
    ScriptedDialogs dialogs;
    Main main(dialogs);
    QVERIFY(main.Form_Load(QString(), QSize(15360, 11520)));
    QCOMPARE(main.windowTitle(), QStringLiteral("Borovka KLN Editor - Noname"));
    QCOMPARE(int(main.files.stav), 0);
    QVERIFY(main.files.cesta.isEmpty());
    main.files.mnsave_Click(); // nothing to save, nothing asked
    QVERIFY(dialogs.shown.isEmpty());
}

void tst_Startup::documentLoads()
{
    {
        RichTextBox writer;
        writer.setPlainText(QStringLiteral("Článek z příkazové řádky"));
        writer.SaveFile(QStringLiteral("clanek.kln"));
    }
    ScriptedDialogs dialogs;
    Main main(dialogs);
    // A relative path stays as typed.
    QVERIFY(main.Form_Load(QStringLiteral("clanek.kln"), QSize(15360, 11520)));
    QCOMPARE(main.windowTitle(), QStringLiteral("Borovka KLN Editor - clanek.kln"));
    QCOMPARE(int(main.files.stav), 3);
    QCOMPARE(main.files.cesta, QStringLiteral("clanek.kln"));
    QCOMPARE(main.Rich1->toPlainText(), QStringLiteral("Článek z příkazové řádky"));
    QVERIFY(main.files.Form_Unload()); // unchanged: closing asks nothing
    QVERIFY(dialogs.shown.isEmpty());
}

void tst_Startup::failedLoad_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("answer");
    QTest::newRow("missing, go on") << "chybi.kln" << MsgBox::Yes;
    QTest::newRow("missing, end") << "chybi.kln" << MsgBox::No;
    QTest::newRow("box closed") << "chybi.kln" << MsgBox::Cancel;
    QTest::newRow("quoted path") << "\"clanek.kln\"" << MsgBox::Yes;
    QTest::newRow("two words") << "muj clanek.kln" << MsgBox::Yes;
}

void tst_Startup::failedLoad()
{
    QFETCH(QString, commandLine);
    QFETCH(int, answer);
    QFile existing(QStringLiteral("clanek.kln"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("{\\rtf1 x}");
    existing.close();

    ScriptedDialogs dialogs;
    Main main(dialogs);
    dialogs.answer(answer);
    const bool goOn = main.Form_Load(commandLine, QSize(15360, 11520));
    QCOMPARE(dialogs.shown.size(), 1);
    const auto &box = dialogs.shown.first();
    QCOMPARE(box.title, QStringLiteral("Chyba při otevírání souboru"));
    QCOMPARE(box.buttons, MsgBox::YesNo);
    QCOMPARE(box.prompt, QStringLiteral("Nastala chyba při otevírání souboru: ") + commandLine
                             + QStringLiteral("\r\nPříště zadej správnou cestu nebo název souboru!\r\n\r\nChceš pokračovat?"));
    QCOMPARE(goOn, answer == MsgBox::Yes);
    if (goOn) {
        QCOMPARE(main.windowTitle(), QStringLiteral("Borovka KLN Editor - Noname"));
        QCOMPARE(int(main.files.stav), 0);
        QVERIFY(main.files.cesta.isEmpty());
        QVERIFY(main.Rich1->document()->isEmpty());
    }
}

void tst_Startup::commandLineText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList{"borovka-editor"} << QString();
    QTest::newRow("one") << QStringList{"borovka-editor", "a.kln"} << "a.kln";
    QTest::newRow("blanks kept apart") << QStringList{"borovka-editor", "můj", "článek.kln"} << "můj článek.kln";
    QTest::newRow("quotes kept") << QStringList{"borovka-editor", "\"a b.kln\""} << "\"a b.kln\"";
    QTest::newRow("not trimmed") << QStringList{"borovka-editor", " a.kln "} << " a.kln ";
    QTest::newRow("a name starting with a dash") << QStringList{"borovka-editor", "-x.kln"} << "-x.kln";
    QTest::newRow("--help with more") << QStringList{"borovka-editor", "--help", "me.kln"} << "--help me.kln";
}

void tst_Startup::commandLineText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QCOMPARE(borovka::commandLineText(arguments), text);
}

void tst_Startup::editorRequest_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program's name
    QTest::addColumn<EditorRequest>("request");
    const auto row = [](const char *name, const QStringList &arguments, EditorRequest request) {
        QTest::newRow(name) << arguments << request;
    };
    row("nothing", {}, EditorRequest::Run);
    row("a document", {"clanek.kln"}, EditorRequest::Run);
    row("--help", {"--help"}, EditorRequest::Help);
    row("-h", {"-h"}, EditorRequest::Help);
    row("--version", {"--version"}, EditorRequest::Version);
    row("-v", {"-v"}, EditorRequest::Version);
    // Everything else is a document's name, as typed.
    row("a name starting with a dash", {"-x.kln"}, EditorRequest::Run);
    row("-help", {"-help"}, EditorRequest::Run);
    row("--h", {"--h"}, EditorRequest::Run);
    row("-hv", {"-hv"}, EditorRequest::Run);
    row("-hh", {"-hh"}, EditorRequest::Run);
    row("--help=x", {"--help=x"}, EditorRequest::Run);
    row("--HELP", {"--HELP"}, EditorRequest::Run);
    row("--", {"--"}, EditorRequest::Run);
    row("-", {"-"}, EditorRequest::Run);
    row("--help with a blank", {"--help "}, EditorRequest::Run);
    row("--help and a file", {"--help", "clanek.kln"}, EditorRequest::Run);
    row("a file and --version", {"clanek.kln", "--version"}, EditorRequest::Run);
    row("--help twice", {"--help", "--help"}, EditorRequest::Run);
}

void tst_Startup::editorRequest()
{
    QFETCH(QStringList, arguments);
    QFETCH(EditorRequest, request);
    arguments.prepend(QStringLiteral("borovka-editor"));
    QCOMPARE(borovka::editorRequest(arguments), request);
}

void tst_Startup::helpAndVersionWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output"); // what standard output starts with
    QTest::newRow("--help") << QStringList{"--help"} << "Použití: borovka-editor [DOKUMENT]\n";
    QTest::newRow("-h") << QStringList{"-h"} << "Použití: borovka-editor [DOKUMENT]\n";
    const QString version = QStringLiteral("borovka-editor %1\n").arg(QString::fromUtf8(borovka::version::String));
    QTest::newRow("--version") << QStringList{"--version"} << version;
    QTest::newRow("-v") << QStringList{"-v"} << version;
    // Qt's own options are taken out first, as for a document.
    QTest::newRow("after Qt's options") << QStringList{"-platform", "offscreen", "--version"} << version;
}

// Asked on a terminal with no display, the editor answers and ends.
void tst_Startup::helpAndVersionWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BOROVKA_EDITOR), arguments);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(out.startsWith(output), qPrintable(out));
    if (output.startsWith(QLatin1String("borovka-editor ")))
        QCOMPARE(out, output);
    // Alone on the command line, they are answered before Qt starts at all.
    if (arguments.size() == 1)
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
