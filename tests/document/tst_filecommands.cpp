// The file commands against every document state, driven through the
// scripted dialogs, checked on state, path, caption, content and disk.

#include "document/filecommands.h"
#include "model/plaintext.h"
#include "platform/atomicwrite.h"
#include "platform/commondialog.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"
#include "rtf/rtf.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QDir>

#include <memory>

using namespace borovka;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString StartCaption = QStringLiteral("start caption");
const QString OldText = QStringLiteral("Starý text článku");
const QString DiskText = QStringLiteral("Text na disku");
const QString OtherText = QStringLiteral("Jiný dokument");

enum class Command { New, Open, Save, SaveAs, SaveTxt, SaveAsTxt, Close };

QString readFileText(const QString &path)
{
    RichTextBox reader;
    reader.setFileName(path);
    return reader.toPlainText();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

class tst_FileCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void rich1Change_data();
    void rich1Change();

    void transitions_data();
    void transitions();

    void saveDialogSettings_data();
    void saveDialogSettings();
    void openDialogSettings();

    void newReportsFailure_data();
    void newReportsFailure();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void failureAfterCancelledDialogIsReported();
    void openFailureIsReported_data();
    void openFailureIsReported();
    void openWithYesThenCancel_keepsWrittenFile();
    void openWithYesSavedThenCancel_keepsUnnamed();
    void defaultExtension();
    void plainTextExportThenSaveWritesRtf();
    void wordAndOpenDocumentKeepTheirFormat_data();
    void wordAndOpenDocumentKeepTheirFormat();
    void newAfterOpenForgetsFile();
    void closeWriteFailureKeepsWindowOpen();
    void closeWithCancelledSaveDialogEnds();
    void konecEndsWithoutQuestion();
    void writeFaults_data();
    void writeFaults();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void enterState(int stav);
    void setText(const QString &text);
    void runScript(const QString &script);
    void run(Command command);
    void checkFailureShown(int messages);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<RichTextBox> m_rich;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CommonDialog> m_common;
    std::unique_ptr<FileCommands> m_files;
    bool m_closeAllowed = false;
    int m_ended = 0;
};

void tst_FileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(StartCaption);
    m_rich = std::make_unique<RichTextBox>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_common = std::make_unique<CommonDialog>(*m_dialogs);
    m_files = std::make_unique<FileCommands>(*m_window, *m_rich, *m_common);
    m_ended = 0;
    connect(m_files.get(), &FileCommands::endProgram, this, [this] { ++m_ended; });
}

void tst_FileCommands::cleanup()
{
    if (m_dialogs) {
        QCOMPARE(m_dialogs->problems(), QStringList());
        QCOMPARE(m_dialogs->pending(), 0);
    }
    m_files.reset();
    m_common.reset();
    m_dialogs.reset();
    m_rich.reset();
    m_window.reset();
    m_dir.reset();
}

void tst_FileCommands::setText(const QString &text)
{
    m_rich->setPlainText(text);
}

// Puts the document into a state as the user would reach it. In the named
// states the file "old.kln" holds DiskText; the editing area holds OldText.
void tst_FileCommands::enterState(int stav)
{
    if (stav == 1 || stav == 3) {
        setText(DiskText);
        m_rich->SaveFile(path("old.kln"));
        m_files->cesta = path("old.kln");
    }
    setText(OldText);
    m_files->stav = Stav(stav);
    m_dialogs->clear();
}

// Tokens: yes, no, cancel (message box answers); save:NAME, open:NAME
// (OK with that file); save-, open-, font-, color- (cancel).
void tst_FileCommands::runScript(const QString &script)
{
    for (const QString &token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (token == QLatin1String("yes"))
            m_dialogs->answer(MsgBox::Yes);
        else if (token == QLatin1String("no"))
            m_dialogs->answer(MsgBox::No);
        else if (token == QLatin1String("cancel"))
            m_dialogs->answer(MsgBox::Cancel);
        else if (token == QLatin1String("ok"))
            m_dialogs->answer(MsgBox::Ok);
        else if (token == QLatin1String("save-"))
            m_dialogs->cancel(Kind::Save);
        else if (token == QLatin1String("open-"))
            m_dialogs->cancel(Kind::Open);
        else if (token.startsWith(QLatin1String("save:")))
            m_dialogs->acceptFile(Kind::Save, path(token.mid(5)));
        else if (token.startsWith(QLatin1String("open:")))
            m_dialogs->acceptFile(Kind::Open, path(token.mid(5)));
        else
            QFAIL(qPrintable(QStringLiteral("bad script token ") + token));
    }
}

void tst_FileCommands::run(Command command)
{
    switch (command) {
    case Command::New: m_files->mnnew_Click(); break;
    case Command::Open: m_files->mnopen_Click(); break;
    case Command::Save: m_files->mnsave_Click(); break;
    case Command::SaveAs: m_files->mnsaveas_Click(); break;
    case Command::SaveTxt: m_files->mnsavetxt_Click(); break;
    case Command::SaveAsTxt: m_files->mnsaveastxt_Click(); break;
    case Command::Close: m_closeAllowed = m_files->Form_Unload(); break;
    }
}

// ---- content changes -------------------------------------------------------------

void tst_FileCommands::rich1Change_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("unnamed unchanged becomes changed") << 0 << 2;
    QTest::newRow("named changed stays") << 1 << 1;
    QTest::newRow("unnamed changed stays") << 2 << 2;
    QTest::newRow("named unchanged becomes changed") << 3 << 1;
}

void tst_FileCommands::rich1Change()
{
    QFETCH(int, before);
    QFETCH(int, after);
    m_files->stav = Stav(before);
    m_files->cesta = QStringLiteral("/some/path.kln");
    // A real edit through the control, as the user types.
    QTest::keyClicks(m_rich.get(), QStringLiteral("x"));
    QCOMPARE(int(m_files->stav), after);
    QCOMPARE(m_files->cesta, QStringLiteral("/some/path.kln"));
    QCOMPARE(m_window->windowTitle(), StartCaption);
}

// ---- the transition table --------------------------------------------------------

void tst_FileCommands::transitions_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("dialogs"); // what was shown, in order
    QTest::addColumn<int>("stav");
    QTest::addColumn<QString>("cesta");   // file name in the folder; "old" for old.kln
    QTest::addColumn<QString>("caption"); // "start", "noname" or a file name
    QTest::addColumn<QString>("content"); // "old", "empty" or "other"
    QTest::addColumn<QString>("written"); // NAME=old checks a file's text; "" nothing

    const QString none;
    // New
    QTest::newRow("new from 0") << 0 << Command::New << none << none << 0 << none << "noname" << "empty" << none;
    QTest::newRow("new from 3") << 3 << Command::New << none << none << 0 << "old.kln" << "noname" << "empty" << "old.kln=disk";
    QTest::newRow("new from 1 yes") << 1 << Command::New << "yes" << "Message" << 0 << "old.kln" << "noname" << "empty" << "old.kln=old";
    QTest::newRow("new from 1 no") << 1 << Command::New << "no" << "Message" << 0 << "old.kln" << "noname" << "empty" << "old.kln=disk";
    QTest::newRow("new from 1 cancel") << 1 << Command::New << "cancel" << "Message" << 1 << "old.kln" << "start" << "old" << "old.kln=disk";
    QTest::newRow("new from 2 yes") << 2 << Command::New << "yes save:a.kln" << "Message Save" << 0 << "a.kln" << "noname" << "empty" << "a.kln=old";
    QTest::newRow("new from 2 no") << 2 << Command::New << "no" << "Message" << 0 << none << "noname" << "empty" << none;
    QTest::newRow("new from 2 cancel") << 2 << Command::New << "cancel" << "Message" << 2 << none << "start" << "old" << none;

    // Open (other.kln holds OtherText)
    QTest::newRow("open from 0") << 0 << Command::Open << "open:other.kln" << "Open" << 3 << "other.kln" << "other.kln" << "other" << none;
    QTest::newRow("open from 0 cancelled") << 0 << Command::Open << "open-" << "Open" << 0 << none << "start" << "old" << none;
    QTest::newRow("open from 3") << 3 << Command::Open << "open:other.kln" << "Open" << 3 << "other.kln" << "other.kln" << "other" << "old.kln=disk";
    QTest::newRow("open from 3 cancelled") << 3 << Command::Open << "open-" << "Open" << 3 << "old.kln" << "start" << "old" << none;
    QTest::newRow("open from 1 yes") << 1 << Command::Open << "yes open:other.kln" << "Message Open" << 3 << "other.kln" << "other.kln" << "other" << "old.kln=old";
    QTest::newRow("open from 1 no") << 1 << Command::Open << "no open:other.kln" << "Message Open" << 3 << "other.kln" << "other.kln" << "other" << "old.kln=disk";
    QTest::newRow("open from 1 cancel") << 1 << Command::Open << "cancel" << "Message" << 1 << "old.kln" << "start" << "old" << "old.kln=disk";
    QTest::newRow("open from 2 yes") << 2 << Command::Open << "yes save:a.kln open:other.kln" << "Message Save Open" << 3 << "other.kln" << "other.kln" << "other" << "a.kln=old";
    QTest::newRow("open from 2 yes, save cancelled") << 2 << Command::Open << "yes save-" << "Message Save" << 2 << none << "start" << "old" << none;
    QTest::newRow("open from 2 no") << 2 << Command::Open << "no open:other.kln" << "Message Open" << 3 << "other.kln" << "other.kln" << "other" << none;
    QTest::newRow("open from 2 cancel") << 2 << Command::Open << "cancel" << "Message" << 2 << none << "start" << "old" << none;

    // Save
    QTest::newRow("save from 0") << 0 << Command::Save << none << none << 0 << none << "start" << "old" << none;
    QTest::newRow("save from 2") << 2 << Command::Save << "save:a.kln" << "Save" << 3 << "a.kln" << "a.kln" << "old" << "a.kln=old";
    QTest::newRow("save from 2 cancelled") << 2 << Command::Save << "save-" << "Save" << 2 << none << "start" << "old" << none;
    QTest::newRow("save from 3") << 3 << Command::Save << none << none << 3 << "old.kln" << "old.kln" << "old" << "old.kln=old";
    QTest::newRow("save from 1") << 1 << Command::Save << none << none << 3 << "old.kln" << "old.kln" << "old" << "old.kln=old";

    // Save As, from every state
    for (int s : {0, 1, 2, 3}) {
        QTest::addRow("save as from %d", s) << s << Command::SaveAs << "save:b.kln" << "Save" << 3 << "b.kln" << "b.kln" << "old" << "b.kln=old";
        QTest::addRow("save as from %d cancelled", s) << s << Command::SaveAs << "save-" << "Save" << s
            << ((s == 1 || s == 3) ? "old.kln" : "") << "start" << "old" << none;
    }

    // Plain-text export: the same decisions as Save and Save As
    QTest::newRow("save txt from 0") << 0 << Command::SaveTxt << none << none << 0 << none << "start" << "old" << none;
    QTest::newRow("save txt from 2") << 2 << Command::SaveTxt << "save:t.txt" << "Save" << 3 << "t.txt" << "t.txt" << "old" << "t.txt=old";
    QTest::newRow("save txt from 1") << 1 << Command::SaveTxt << none << none << 3 << "old.kln" << "old.kln" << "old" << "old.kln=old";
    QTest::newRow("save as txt from 3") << 3 << Command::SaveAsTxt << "save:t.txt" << "Save" << 3 << "t.txt" << "t.txt" << "old" << "t.txt=old";
    QTest::newRow("save as txt cancelled") << 1 << Command::SaveAsTxt << "save-" << "Save" << 1 << "old.kln" << "start" << "old" << "old.kln=disk";

    // Closing the window: Yes and No only
    QTest::newRow("close from 0") << 0 << Command::Close << none << none << 0 << none << "start" << "old" << none;
    QTest::newRow("close from 3") << 3 << Command::Close << none << none << 3 << "old.kln" << "start" << "old" << "old.kln=disk";
    QTest::newRow("close from 1 yes") << 1 << Command::Close << "yes" << "Message" << 1 << "old.kln" << "start" << "old" << "old.kln=old";
    QTest::newRow("close from 1 no") << 1 << Command::Close << "no" << "Message" << 1 << "old.kln" << "start" << "old" << "old.kln=disk";
    QTest::newRow("close from 2 yes") << 2 << Command::Close << "yes save:c.kln" << "Message Save" << 2 << "c.kln" << "start" << "old" << "c.kln=old";
    QTest::newRow("close from 2 no") << 2 << Command::Close << "no" << "Message" << 2 << none << "start" << "old" << none;
}

void tst_FileCommands::transitions()
{
    QFETCH(int, start);
    QFETCH(Command, command);
    QFETCH(QString, script);
    QFETCH(QString, dialogs);
    QFETCH(int, stav);
    QFETCH(QString, cesta);
    QFETCH(QString, caption);
    QFETCH(QString, content);
    QFETCH(QString, written);

    setText(OtherText);
    m_rich->SaveFile(path("other.kln"));
    enterState(start);
    runScript(script);

    run(command);

    QStringList kinds;
    for (const auto &s : m_dialogs->shown)
        kinds << kindName(s.kind);
    QCOMPARE(kinds.join(QLatin1Char(' ')), dialogs);
    for (const auto &s : m_dialogs->shown) {
        if (s.kind != Kind::Message)
            continue;
        QCOMPARE(s.prompt, QStringLiteral("Dokumet byl od posledního uložení změněn. Chceš tyto změny uložit?"));
        QCOMPARE(s.title, QStringLiteral("Soubor změněn"));
        QCOMPARE(s.buttons, command == Command::Close ? MsgBox::YesNo : MsgBox::YesNoCancel);
    }

    QCOMPARE(int(m_files->stav), stav);
    if (!cesta.isEmpty())
        QCOMPARE(m_files->cesta, path(cesta));
    else if (start == 0 || start == 2)
        QVERIFY(m_files->cesta.isEmpty());

    if (caption == QLatin1String("start"))
        QCOMPARE(m_window->windowTitle(), StartCaption);
    else if (caption == QLatin1String("noname"))
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Borovka Editor - Noname"));
    else
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Borovka Editor - ") + path(caption));

    const QString expected = content == QLatin1String("old") ? OldText
        : content == QLatin1String("other")                  ? OtherText
                                                             : QString();
    QCOMPARE(m_rich->toPlainText(), expected);

    if (command == Command::Close)
        QCOMPARE(m_closeAllowed, true);

    // Only the files the row names exist besides the fixtures.
    QStringList expectedFiles{QStringLiteral("other.kln")};
    if (start == 1 || start == 3)
        expectedFiles << QStringLiteral("old.kln");
    if (!written.isEmpty()) {
        const QString name = written.section(QLatin1Char('='), 0, 0);
        const QString what = written.section(QLatin1Char('='), 1);
        const QString text = what == QLatin1String("old") ? OldText : DiskText;
        if (!expectedFiles.contains(name))
            expectedFiles << name;
        const QByteArray bytes = readBytes(path(name));
        if (bytes.startsWith("{\\rtf")) {
            QVERIFY2(!name.endsWith(QLatin1String(".txt")), "an export must write plain text");
            QCOMPARE(readFileText(path(name)), text);
        } else {
            QVERIFY2(command == Command::SaveTxt || command == Command::SaveAsTxt, "only exports write plain text");
            QCOMPARE(QString::fromUtf8(bytes).trimmed(), text);
        }
    }
    QStringList present = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    expectedFiles.sort();
    present.sort();
    QCOMPARE(present, expectedFiles);
}

// ---- dialog settings ---------------------------------------------------------------

void tst_FileCommands::saveDialogSettings_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("script");
    QTest::newRow("save") << Command::Save << 2 << "save-";
    QTest::newRow("save as") << Command::SaveAs << 3 << "save-";
    QTest::newRow("save txt") << Command::SaveTxt << 2 << "save-";
    QTest::newRow("save as txt") << Command::SaveAsTxt << 0 << "save-";
    QTest::newRow("new, yes") << Command::New << 2 << "yes save- ok";
    QTest::newRow("open, yes") << Command::Open << 2 << "yes save-";
    QTest::newRow("close, yes") << Command::Close << 2 << "yes save-";
}

void tst_FileCommands::saveDialogSettings()
{
    QFETCH(Command, command);
    QFETCH(int, start);
    QFETCH(QString, script);
    enterState(start);
    // Flags left by a font dialog stay in force: the file commands never set them.
    m_common->Flags = 259;
    runScript(script);
    run(command);

    const auto save = std::find_if(m_dialogs->shown.cbegin(), m_dialogs->shown.cend(),
                                   [](const auto &s) { return s.kind == Kind::Save; });
    QVERIFY(save != m_dialogs->shown.cend());
    QCOMPARE(save->values.DialogTitle, QStringLiteral("Uložení souboru..."));
    QCOMPARE(save->values.DefaultExt, QStringLiteral("kln"));
    QCOMPARE(save->values.Filter, QStringLiteral("Soubor Sklipku (*.kln)"));
    QCOMPARE(save->values.FileName, QStringLiteral("*.kln"));
    QCOMPARE(save->values.Flags, 259);
    // Cancelling leaves the pattern, and no file called "*.kln" appears.
    QCOMPARE(m_common->FileName, QStringLiteral("*.kln"));
    QVERIFY(!QFile::exists(path("*.kln")));
    QVERIFY(!QFile::exists(QStringLiteral("*.kln")));
}

void tst_FileCommands::openDialogSettings()
{
    enterState(3);
    runScript(QStringLiteral("open-"));
    m_files->mnopen_Click();
    QCOMPARE(m_dialogs->shown.size(), 1);
    const DialogValues &v = m_dialogs->shown.first().values;
    QCOMPARE(v.DialogTitle, QStringLiteral("Otevření souboru..."));
    QCOMPARE(v.DefaultExt, QStringLiteral("kln"));
    QCOMPARE(v.Filter, QStringLiteral("Soubor Sklipku (*.kln)"));
    QCOMPARE(v.FileName, QStringLiteral("*.kln"));
}

// ---- failures -------------------------------------------------------------------------

void tst_FileCommands::newReportsFailure_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("target"); // where the save goes; a missing folder fails
    QTest::newRow("unnamed, save dialog cancelled") << 2 << "yes save- ok" << QString();
    QTest::newRow("unnamed, missing folder") << 2 << "yes save:missing/a.kln ok" << QString();
    QTest::newRow("named, file in a missing folder") << 1 << "yes ok" << "missing/old.kln";
}

void tst_FileCommands::newReportsFailure()
{
    QFETCH(int, start);
    QFETCH(QString, script);
    QFETCH(QString, target);
    enterState(start);
    if (!target.isEmpty())
        m_files->cesta = path(target);
    const QString cestaBefore = m_files->cesta;
    runScript(script);

    m_files->mnnew_Click();

    const auto &last = m_dialogs->shown.last();
    QCOMPARE(last.kind, Kind::Message);
    QCOMPARE(last.title, QStringLiteral("Operace přerušena"));
    QCOMPARE(last.buttons, MsgBox::OkOnly);
    QVERIFY2(last.prompt.startsWith(QStringLiteral("Operace přerušena !!\r\nchyba: ")), qPrintable(last.prompt));
    // The description of the failure follows "chyba: ".
    QVERIFY(last.prompt.size() > QStringLiteral("Operace přerušena !!\r\nchyba: ").size());
    QCOMPARE(int(m_files->stav), start);
    QCOMPARE(m_files->cesta, cestaBefore);
    QCOMPARE(m_window->windowTitle(), StartCaption);
    QCOMPARE(m_rich->toPlainText(), OldText);
}

// The failure message, shown once as the last thing and `messages` boxes in all.
void tst_FileCommands::checkFailureShown(int messages)
{
    QVERIFY(!m_dialogs->shown.isEmpty());
    int count = 0;
    for (const auto &s : m_dialogs->shown)
        count += s.kind == Kind::Message;
    QCOMPARE(count, messages);
    const auto &last = m_dialogs->shown.last();
    QCOMPARE(last.kind, Kind::Message);
    QCOMPARE(last.title, QStringLiteral("Operace přerušena"));
    QCOMPARE(last.buttons, MsgBox::OkOnly);
    const QString head = QStringLiteral("Operace přerušena !!\r\nchyba: ");
    QVERIFY2(last.prompt.startsWith(head) && last.prompt.size() > head.size(), qPrintable(last.prompt));
}

void tst_FileCommands::saveFailureIsReported_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("cesta");
    QTest::newRow("save to a missing folder") << Command::Save << 1 << "ok" << "missing/x.kln";
    QTest::newRow("save, unchanged, to a missing folder") << Command::Save << 3 << "ok" << "missing/x.kln";
    QTest::newRow("save txt to a folder") << Command::SaveTxt << 3 << "ok" << ".";
    QTest::newRow("save with dialog into a missing folder") << Command::Save << 2 << "save:missing/y.kln ok" << "";
    QTest::newRow("save as into a missing folder") << Command::SaveAs << 2 << "save:missing/y.kln ok" << "";
    QTest::newRow("save as over a folder") << Command::SaveAs << 0 << "save:. ok" << "";
    QTest::newRow("save as txt into a missing folder") << Command::SaveAsTxt << 1 << "save:missing/y.txt ok" << "old.kln";
    QTest::newRow("open, yes, save into a missing folder") << Command::Open << 2 << "yes save:missing/y.kln ok" << "";
    QTest::newRow("open, yes, file in a missing folder") << Command::Open << 1 << "yes ok" << "missing/x.kln";
}

void tst_FileCommands::saveFailureIsReported()
{
    QFETCH(Command, command);
    QFETCH(int, start);
    QFETCH(QString, script);
    QFETCH(QString, cesta);
    enterState(start);
    if (!cesta.isEmpty())
        m_files->cesta = cesta == QLatin1String(".") ? m_dir->path() : path(cesta);
    const QString cestaBefore = m_files->cesta;
    runScript(script);
    run(command);
    checkFailureShown(command == Command::Open ? 2 : 1);
    QCOMPARE(int(m_files->stav), start);
    QCOMPARE(m_files->cesta, cestaBefore);
    QCOMPARE(m_window->windowTitle(), StartCaption);
    QCOMPARE(m_rich->toPlainText(), OldText);
}

// The dialog object still holds the pattern of a cancelled Save dialog
// when the next Save writes to the document's file without one.
void tst_FileCommands::failureAfterCancelledDialogIsReported()
{
    enterState(1);
    m_files->cesta = path("missing/old.kln");
    runScript(QStringLiteral("save-"));
    m_files->mnsaveas_Click();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_common->FileName, FileCommands::SavePattern);

    runScript(QStringLiteral("ok"));
    m_files->mnsave_Click();
    checkFailureShown(1);
    QCOMPARE(int(m_files->stav), 1);
}

void tst_FileCommands::openFailureIsReported_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("chosen"); // "big" is made larger than a document may be
    QTest::newRow("vanished file") << 3 << "open:does-not-exist.kln ok" << "";
    QTest::newRow("a folder") << 3 << "open:sub ok" << "sub";
    QTest::newRow("too large") << 0 << "open:big.kln ok" << "big.kln";
    QTest::newRow("after no to the prompt") << 1 << "no open:does-not-exist.kln ok" << "";
    QTest::newRow("after saving first") << 2 << "yes save:s.kln open:sub ok" << "sub";
}

void tst_FileCommands::openFailureIsReported()
{
    QFETCH(int, start);
    QFETCH(QString, script);
    QFETCH(QString, chosen);
    if (chosen == QLatin1String("sub"))
        QVERIFY(QDir(m_dir->path()).mkdir(chosen));
    if (chosen == QLatin1String("big.kln")) {
        QFile big(path(chosen));
        QVERIFY(big.open(QIODevice::WriteOnly));
        // Sparse: no disk space, only the size counts; refused before it is read.
        QVERIFY(big.resize(rtf::maxInputSize() + 1));
    }
    enterState(start);
    const QByteArray before = readBytes(path("old.kln"));
    const QString cestaBefore = m_files->cesta;
    runScript(script);
    m_files->mnopen_Click();
    checkFailureShown(start == 1 || start == 2 ? 2 : 1);
    const int after = start == 2 ? 2 : start;
    QCOMPARE(int(m_files->stav), after);
    QCOMPARE(m_files->cesta, start == 2 ? path("s.kln") : cestaBefore);
    QCOMPARE(m_window->windowTitle(), StartCaption);
    QCOMPARE(m_rich->toPlainText(), OldText);
    QCOMPARE(readBytes(path("old.kln")), before);
}

void tst_FileCommands::openWithYesThenCancel_keepsWrittenFile()
{
    enterState(1);
    runScript(QStringLiteral("yes open-"));
    m_files->mnopen_Click();
    // The old file was rewritten before the Open dialog; the state stays changed.
    QCOMPARE(readFileText(path("old.kln")), OldText);
    QCOMPARE(int(m_files->stav), 1);
    QCOMPARE(m_window->windowTitle(), StartCaption);
}

void tst_FileCommands::openWithYesSavedThenCancel_keepsUnnamed()
{
    enterState(2);
    runScript(QStringLiteral("yes save:s.kln open-"));
    m_files->mnopen_Click();
    QCOMPARE(readFileText(path("s.kln")), OldText);
    QCOMPARE(m_files->cesta, path("s.kln"));
    QCOMPARE(int(m_files->stav), 2);
    QCOMPARE(m_window->windowTitle(), StartCaption);
}

void tst_FileCommands::defaultExtension()
{
    enterState(2);
    runScript(QStringLiteral("save:clanek"));
    m_files->mnsave_Click();
    QCOMPARE(m_files->cesta, path("clanek.kln"));
    QVERIFY(QFile::exists(path("clanek.kln")));

    runScript(QStringLiteral("save:clanek.rtf"));
    m_files->mnsaveas_Click();
    QCOMPARE(m_files->cesta, path("clanek.rtf"));
    QVERIFY(QFile::exists(path("clanek.rtf")));
}

void tst_FileCommands::plainTextExportThenSaveWritesRtf()
{
    enterState(2);
    m_rich->setPlainText(QStringLiteral("Řádek jedna\nŘádek dva"));
    runScript(QStringLiteral("save:export.txt"));
    m_files->mnsaveastxt_Click();
    QString exported = QString::fromUtf8(readBytes(path("export.txt")));
    if (exported.endsWith(QLatin1Char('\n')))
        exported.chop(1);
    QCOMPARE(exported, QStringLiteral("Řádek jedna\nŘádek dva"));
    QCOMPARE(int(m_files->stav), 3);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Borovka Editor - ") + path("export.txt"));

    // Nothing to ask at close after an export.
    QVERIFY(m_files->Form_Unload());
    QVERIFY(m_dialogs->shown.size() == 1);

    m_files->mnsave_Click();
    QVERIFY(readBytes(path("export.txt")).startsWith("{\\rtf"));
    QCOMPARE(readFileText(path("export.txt")), QStringLiteral("Řádek jedna\nŘádek dva"));
}

// A name typed with .docx or .odt in the Save dialog saves that format;
// such a file opens again as a document, and Save keeps its format.
void tst_FileCommands::wordAndOpenDocumentKeepTheirFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("marker"); // what only a file of that format holds
    QTest::newRow("Word") << "clanek.docx" << QByteArray("word/document.xml");
    QTest::newRow("OpenDocument") << "clanek.odt" << QByteArray("application/vnd.oasis.opendocument.text");
    QTest::newRow("Word in capitals") << "CLANEK.DOCX" << QByteArray("word/document.xml");
}

void tst_FileCommands::wordAndOpenDocumentKeepTheirFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, marker);
    enterState(2);
    setText(QStringLiteral("Příliš žluťoučký kůň"));
    runScript(QStringLiteral("save:") + name);
    m_files->mnsaveas_Click();
    QCOMPARE(m_files->cesta, path(name));
    QVERIFY(readBytes(path(name)).startsWith("PK\x03\x04"));
    QVERIFY(readBytes(path(name)).contains(marker));

    m_files->mnnew_Click();
    runScript(QStringLiteral("open:") + name);
    m_files->mnopen_Click();
    QCOMPARE(m_rich->toPlainText(), QStringLiteral("Příliš žluťoučký kůň"));
    setText(QStringLiteral("Úpění ďábelských ód"));
    m_files->mnsave_Click();
    QVERIFY(readBytes(path(name)).contains(marker));
    QCOMPARE(readFileText(path(name)), QStringLiteral("Úpění ďábelských ód"));
}

void tst_FileCommands::newAfterOpenForgetsFile()
{
    enterState(3);
    m_files->mnnew_Click();
    QCOMPARE(int(m_files->stav), 0);
    m_files->mnsave_Click(); // state "0": nothing at all
    QVERIFY(m_dialogs->shown.isEmpty());

    QTest::keyClicks(m_rich.get(), QStringLiteral("novy"));
    QCOMPARE(int(m_files->stav), 2);
    runScript(QStringLiteral("save:new.kln"));
    m_files->mnsave_Click();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(readFileText(path("old.kln")), DiskText); // the old file was not touched
    QCOMPARE(readFileText(path("new.kln")), QStringLiteral("novy"));
}

void tst_FileCommands::closeWriteFailureKeepsWindowOpen()
{
    enterState(1);
    m_files->cesta = path("missing/old.kln");
    runScript(QStringLiteral("yes ok"));
    QVERIFY(!m_files->Form_Unload());
    QCOMPARE(m_dialogs->shown.last().title, QStringLiteral("Operace přerušena"));
    QVERIFY(m_dialogs->shown.last().prompt.startsWith(QStringLiteral("Operace přerušena !!\r\nchyba: ")));
    QCOMPARE(int(m_files->stav), 1);
    QCOMPARE(m_rich->toPlainText(), OldText);
}

void tst_FileCommands::closeWithCancelledSaveDialogEnds()
{
    enterState(2);
    runScript(QStringLiteral("yes save-"));
    QVERIFY(m_files->Form_Unload());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 0);
}

void tst_FileCommands::konecEndsWithoutQuestion()
{
    enterState(1);
    m_files->mnend_Click();
    QCOMPARE(m_ended, 1);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(readFileText(path("old.kln")), DiskText);
}

void tst_FileCommands::writeFaults_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("fault");
    for (const char *fault : {"disk full", "flush", "short write", "sync", "close", "replace", "read-only file"}) {
        QTest::addRow("save, %s", fault) << Command::Save << "ok" << fault;
        QTest::addRow("save txt, %s", fault) << Command::SaveTxt << "ok" << fault;
        QTest::addRow("save as over the file, %s", fault) << Command::SaveAs << "save:old.kln ok" << fault;
        QTest::addRow("save as txt over the file, %s", fault) << Command::SaveAsTxt << "save:old.kln ok" << fault;
        QTest::addRow("new, yes, %s", fault) << Command::New << "yes ok" << fault;
        QTest::addRow("open, yes, %s", fault) << Command::Open << "yes ok" << fault;
        QTest::addRow("close, yes, %s", fault) << Command::Close << "yes ok" << fault;
    }
}

void tst_FileCommands::writeFaults()
{
    QFETCH(Command, command);
    QFETCH(QString, script);
    QFETCH(QString, fault);
    enterState(1);
    const QByteArray before = readBytes(path("old.kln"));
    WriteFaults faults;
    if (fault == QLatin1String("disk full"))
        faults.diskFullAfter = 10;
    else if (fault == QLatin1String("flush"))
        faults.failFlush = true;
    else if (fault == QLatin1String("short write"))
        faults.shortWriteAtEnd = true;
    else if (fault == QLatin1String("sync"))
        faults.failSync = true;
    else if (fault == QLatin1String("close"))
        faults.failClose = true;
    else if (fault == QLatin1String("replace"))
        faults.failReplace = true;
    else
        QFile::setPermissions(path("old.kln"), QFileDevice::ReadOwner);
    m_rich->setWriteFaults(&faults);
    runScript(script);

    run(command);

    QCOMPARE(readBytes(path("old.kln")), before);
    QCOMPARE(int(m_files->stav), 1);
    QCOMPARE(m_files->cesta, path("old.kln"));
    QCOMPARE(m_window->windowTitle(), StartCaption);
    QCOMPARE(m_rich->toPlainText(), OldText);
    // Every command tells the user; the prompt of New, Open and close comes first.
    checkFailureShown(script.startsWith(QLatin1String("yes")) ? 2 : 1);
    if (command == Command::Close)
        QVERIFY2(!m_closeAllowed, "the window stays open so the text is not lost");
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    QCOMPARE(files, (QStringList{QStringLiteral("old.kln")}));
    m_rich->setWriteFaults(nullptr);
}

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
