// Recovery copies: written after a change, removed when nothing unsaved is
// left, offered after a killed editor, kept from a running one, and set
// aside when damaged.

#include "app/mainwindow.h"
#include "document/recovery.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;
using Kind = ScriptedDialogs::Kind;

namespace {

const RecoveryTimings Fast{10, 10, 0, 0};

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

QByteArray rtfOf(const QString &text)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (QChar c : text)
        rtf += c.unicode() < 128 ? QByteArray(1, char(c.unicode()))
                                 : "\\u" + QByteArray::number(c.unicode()) + '?';
    return rtf + '}';
}

// A copy left by an editor that is gone: no lock beside it.
bool writeLeftCopy(const QString &file, const QString &document, const QByteArray &rtf,
                   const QDateTime &time)
{
    const QByteArray sum = QCryptographicHash::hash(rtf, QCryptographicHash::Sha256).toHex();
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("BOROVKA-RECOVERY 1\n{\"path\":\"" + document.toUtf8() + "\",\"time\":\""
            + time.toUTC().toString(Qt::ISODateWithMs).toLatin1() + "\",\"size\":\""
            + QByteArray::number(rtf.size()) + "\",\"sha256\":\"" + sum + "\"}\n" + rtf);
    return f.flush() && f.setFileTime(time, QFileDevice::FileModificationTime);
}

} // namespace

class tst_Recovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copyAfterAChange_data();
    void copyAfterAChange();
    void removedWhenNothingIsUnsaved_data();
    void removedWhenNothingIsUnsaved();
    void killedEditorIsOffered_data();
    void killedEditorIsOffered();
    void everyCopyIsOfferedAndKept_data();
    void everyCopyIsOfferedAndKept();
    void damagedCopyIsSetAside_data();
    void damagedCopyIsSetAside();
    void folderThatIsAFile();
    void readOnlyFolder();
    void copyWaitsForAPauseInTyping();

private:
    std::unique_ptr<Recovery> makeRecovery(RecoveryTimings timings = Fast)
    {
        return std::make_unique<Recovery>(m_main->files, *m_main->Rich1, *m_dialogs, m_folder, timings);
    }
    QProcess *startChild(const QString &document);

    QTemporaryDir m_home;
    QString m_folder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_Recovery::init()
{
    QVERIFY(m_home.isValid());
    // Where the editor itself keeps them under XDG_DATA_HOME.
    m_folder = m_home.filePath(QStringLiteral("data/borovka-editor/recovery"));
    QDir(m_folder).removeRecursively();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
}

void tst_Recovery::cleanup()
{
    QCOMPARE(m_dialogs->problems(), QStringList());
    QCOMPARE(m_dialogs->pending(), 0);
    m_main.reset();
    m_dialogs.reset();
}

void tst_Recovery::copyAfterAChange_data()
{
    QTest::addColumn<bool>("named");
    QTest::newRow("unnamed") << false;
    QTest::newRow("named") << true;
}

void tst_Recovery::copyAfterAChange()
{
    QFETCH(bool, named);
    auto recovery = makeRecovery();
    QVERIFY(recovery->isActive());
    QSignalSpy written(recovery.get(), &Recovery::written);
    const QString path = m_home.filePath(QStringLiteral("článek.kln"));
    if (named) {
        m_main->files.stav = Stav::Named;
        m_main->files.cesta = path;
    }
    m_main->Rich1->insertPlainText(QStringLiteral("Žluťoučký kůň"));
    QTRY_COMPARE(written.size(), 1);
    QCOMPARE(written.first().first().toBool(), true);
    QFile copy(recovery->copyPath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    const QByteArray bytes = copy.readAll();
    QVERIFY(bytes.startsWith("BOROVKA-RECOVERY 1\n"));
    QCOMPARE(bytes.contains(path.toUtf8()), named);
    // The lock beside it names this process.
    QVERIFY(QFile::exists(QFileInfo(recovery->copyPath()).path() + QLatin1Char('/')
                          + QFileInfo(recovery->copyPath()).completeBaseName() + QStringLiteral(".lock")));
    // Typing on writes the copy again; the document itself never changed state.
    m_main->Rich1->insertPlainText(QStringLiteral(" a dál"));
    QTRY_COMPARE(written.size(), 2);
    QCOMPARE(int(m_main->files.stav), named ? 1 : 2);
    recovery->finish();
    QVERIFY(!QFile::exists(recovery->copyPath()));
    QCOMPARE(filesIn(m_folder, QStringLiteral("*")), QStringList());
}

void tst_Recovery::removedWhenNothingIsUnsaved_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("save") << "save";
    QTest::newRow("new") << "new";
    QTest::newRow("open") << "open";
    QTest::newRow("konec") << "konec";
}

void tst_Recovery::removedWhenNothingIsUnsaved()
{
    QFETCH(QString, command);
    auto recovery = makeRecovery();
    QSignalSpy written(recovery.get(), &Recovery::written);
    m_main->Rich1->insertPlainText(QStringLiteral("text"));
    QTRY_COMPARE(written.size(), 1);
    QVERIFY(QFile::exists(recovery->copyPath()));

    const QString file = m_home.filePath(QStringLiteral("doc.kln"));
    if (command == QLatin1String("save")) {
        m_dialogs->acceptFile(Kind::Save, file);
        m_main->mnsave->trigger();
    } else if (command == QLatin1String("new")) {
        m_dialogs->answer(MsgBox::No);
        m_main->mnnew->trigger();
    } else if (command == QLatin1String("open")) {
        m_main->Rich1->SaveFile(file);
        m_dialogs->answer(MsgBox::No).acceptFile(Kind::Open, file);
        m_main->mnopen->trigger();
    } else {
        recovery->finish();
    }
    QVERIFY(!QFile::exists(recovery->copyPath()));
}

QProcess *tst_Recovery::startChild(const QString &document)
{
    auto *child = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child->setProcessEnvironment(env);
    child->setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/recoverychild"));
    if (!document.isEmpty())
        child->setArguments({document});
    child->start();
    return child;
}

void tst_Recovery::killedEditorIsOffered_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<int>("answer");
    QTest::newRow("unnamed, restored") << false << MsgBox::Yes;
    QTest::newRow("named, restored") << true << MsgBox::Yes;
    QTest::newRow("declined") << false << MsgBox::No;
}

void tst_Recovery::killedEditorIsOffered()
{
    QFETCH(bool, named);
    QFETCH(int, answer);
    QString document;
    if (named) {
        document = m_home.filePath(QStringLiteral("uložený.kln"));
        m_main->Rich1->setPlainText(QStringLiteral("uložený obsah"));
        m_main->Rich1->SaveFile(document);
    }
    QProcess *child = startChild(document);
    QVERIFY(child->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(m_folder, QStringLiteral("*.recovery")).size(), 1, 20000);

    // While that editor runs, its copy is not ours to offer.
    {
        auto early = makeRecovery();
        QVERIFY(!early->offerLeftCopies(*m_main));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    child->kill();
    QVERIFY(child->waitForFinished());
    QCOMPARE(filesIn(m_folder, QStringLiteral("*.recovery")).size(), 1);

    auto recovery = makeRecovery();
    m_dialogs->answer(answer);
    QCOMPARE(recovery->offerLeftCopies(*m_main), answer == MsgBox::Yes);
    QCOMPARE(m_dialogs->shown.size(), 1);
    const auto &box = m_dialogs->shown.first();
    QCOMPARE(box.buttons, MsgBox::YesNo);
    QCOMPARE(box.title, QStringLiteral("Obnovení dokumentu"));
    QVERIFY2(box.prompt.contains(named ? QDir::toNativeSeparators(document) : QStringLiteral("Noname")),
             qPrintable(box.prompt));
    QVERIFY2(box.prompt.contains(QDate::currentDate().toString(QStringLiteral("d. M. yyyy"))),
             qPrintable(box.prompt));

    if (answer == MsgBox::Yes) {
        QVERIFY(m_main->Rich1->toPlainText().startsWith(
            named ? QStringLiteral("Zachráněný text uložený obsah") : QStringLiteral("Zachráněný text")));
        QCOMPARE(int(m_main->files.stav), named ? 1 : 2);
        QCOMPARE(m_main->files.cesta, document);
        // The copy now belongs to this editor, until it is saved.
        QCOMPARE(filesIn(m_folder, QStringLiteral("*.recovery")),
                 QStringList{QFileInfo(recovery->copyPath()).fileName()});
    } else {
        QCOMPARE(m_main->Rich1->toPlainText(), named ? QStringLiteral("uložený obsah") : QString());
        QCOMPARE(int(m_main->files.stav), 0);
        QCOMPARE(filesIn(m_folder, QStringLiteral("*.recovery")), QStringList());
    }
    // The file on disk was never touched.
    if (named) {
        m_main->Rich1->setFileName(document);
        QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("uložený obsah"));
    }
}

void tst_Recovery::everyCopyIsOfferedAndKept_data()
{
    QTest::addColumn<QStringList>("copies");   // their texts, oldest first
    QTest::addColumn<QList<int>>("answers");    // to the prompts in turn
    QTest::addColumn<QStringList>("offered");   // the copies asked about
    QTest::addColumn<QString>("restored");      // the editor's text after
    QTest::addColumn<QStringList>("left");      // copies on disk for the next start

    const int yes = MsgBox::Yes;
    const int no = MsgBox::No;
    QTest::newRow("one, restored") << QStringList{"první"} << QList<int>{yes} << QStringList{"první"}
                                   << "první" << QStringList{};
    QTest::newRow("one, declined") << QStringList{"první"} << QList<int>{no} << QStringList{"první"}
                                   << "" << QStringList{};
    QTest::newRow("two, first restored") << QStringList{"první", "druhá"} << QList<int>{yes}
                                         << QStringList{"první"} << "první" << QStringList{"druhá"};
    QTest::newRow("two, second restored") << QStringList{"první", "druhá"} << QList<int>{no, yes}
                                          << QStringList{"první", "druhá"} << "druhá" << QStringList{};
    QTest::newRow("two, both declined") << QStringList{"první", "druhá"} << QList<int>{no, no}
                                        << QStringList{"první", "druhá"} << "" << QStringList{};
    QTest::newRow("three, second restored")
        << QStringList{"první", "druhá", "třetí"} << QList<int>{no, yes} << QStringList{"první", "druhá"}
        << "druhá" << QStringList{"třetí"};
}

void tst_Recovery::everyCopyIsOfferedAndKept()
{
    QFETCH(QStringList, copies);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, offered);
    QFETCH(QString, restored);
    QFETCH(QStringList, left);
    QVERIFY(QDir().mkpath(m_folder));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    auto documentOf = [this](const QString &text) { return m_home.filePath(text + QStringLiteral(".kln")); };
    for (int i = 0; i < copies.size(); ++i)
        QVERIFY(writeLeftCopy(QDir(m_folder).filePath(QStringLiteral("%1-1.recovery").arg(4000001 + i)),
                              documentOf(copies[i]), rtfOf(copies[i]),
                              start.addSecs(60 * i)));
    // Which copies a run asked about, by the document each names.
    auto askedAbout = [&] {
        QStringList asked;
        for (const auto &box : std::as_const(m_dialogs->shown))
            for (const QString &text : std::as_const(copies))
                if (box.prompt.contains(QDir::toNativeSeparators(documentOf(text))))
                    asked << text;
        m_dialogs->shown.clear();
        return asked;
    };
    auto leftOnDisk = [&](const Recovery &running) {
        QStringList texts;
        for (const QString &name : filesIn(m_folder, QStringLiteral("*.recovery"))) {
            if (QDir(m_folder).filePath(name) == running.copyPath())
                continue;
            QFile f(QDir(m_folder).filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                return QStringList{QStringLiteral("<unreadable>")};
            const QByteArray bytes = f.readAll();
            for (const QString &text : std::as_const(copies))
                if (bytes.contains(text.toUtf8()))
                    texts << text;
        }
        return texts;
    };

    auto recovery = makeRecovery();
    for (int answer : std::as_const(answers))
        m_dialogs->answer(answer);
    QCOMPARE(recovery->offerLeftCopies(*m_main), !restored.isEmpty());
    QCOMPARE(askedAbout(), offered);
    QCOMPARE(m_main->Rich1->toPlainText(), restored);
    QCOMPARE(m_main->files.cesta, restored.isEmpty() ? QString() : documentOf(restored));
    QCOMPARE(leftOnDisk(*recovery), left);
    // The restored copy is this editor's own now.
    QCOMPARE(QFile::exists(recovery->copyPath()), !restored.isEmpty());

    // The next start offers what is left, the oldest first, and keeps the rest.
    recovery->finish();
    recovery.reset();
    auto next = makeRecovery();
    if (!left.isEmpty())
        m_dialogs->answer(MsgBox::Yes);
    QCOMPARE(next->offerLeftCopies(*m_main), !left.isEmpty());
    QCOMPARE(askedAbout(), left.mid(0, 1));
    if (!left.isEmpty())
        QCOMPARE(m_main->Rich1->toPlainText(), left.first());
    QCOMPARE(leftOnDisk(*next), left.mid(1));
    next->finish();
}

void tst_Recovery::damagedCopyIsSetAside_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("resizeTo"); // a sparse file of that size, or -1
    const QByteArray rtf = "{\\rtf1 text}";
    const QByteArray sum = QCryptographicHash::hash(rtf, QCryptographicHash::Sha256).toHex();
    auto header = [](qint64 size, const QByteArray &sha) {
        return "BOROVKA-RECOVERY 1\n{\"path\":\"\",\"time\":\"2024-05-01T10:00:00.000Z\",\"size\":\""
            + QByteArray::number(size) + "\",\"sha256\":\"" + sha + "\"}\n";
    };
    QTest::newRow("empty") << QByteArray() << QByteArray() << qint64(-1);
    QTest::newRow("not a copy") << QByteArray("{\\rtf1 hello}") << QByteArray() << qint64(-1);
    QTest::newRow("broken header") << QByteArray("BOROVKA-RECOVERY 1\n{\"size\":\n") << rtf << qint64(-1);
    QTest::newRow("truncated") << header(rtf.size(), sum) << rtf.left(5) << qint64(-1);
    QTest::newRow("other content") << header(rtf.size(), sum) << QByteArray("{\\rtf1 jiný}") << qint64(-1);
    const qint64 twoGiB = qint64(2) << 30;
    const QByteArray big = header(twoGiB, sum);
    QTest::newRow("2 GB") << big << QByteArray() << qint64(big.size() + twoGiB);
}

void tst_Recovery::damagedCopyIsSetAside()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(qint64, resizeTo);
    QVERIFY(QDir().mkpath(m_folder));
    const QString file = QDir(m_folder).filePath(QStringLiteral("4242-1.recovery"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(header + body);
        if (resizeTo >= 0 && !f.resize(resizeTo))
            QSKIP("no sparse files here");
    }
    auto recovery = makeRecovery();
    m_dialogs->answer(MsgBox::Ok);
    QVERIFY(!recovery->offerLeftCopies(*m_main));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.first().buttons, MsgBox::OkOnly);
    QVERIFY2(m_dialogs->shown.first().prompt.contains(QStringLiteral("poškozená")),
             qPrintable(m_dialogs->shown.first().prompt));
    QVERIFY(!QFile::exists(file));
    QVERIFY(QFile::exists(file + QStringLiteral(".damaged")));
    QCOMPARE(int(m_main->files.stav), 0);
    QVERIFY(m_main->Rich1->document()->isEmpty());
    QFile::remove(file + QStringLiteral(".damaged"));
}

void tst_Recovery::folderThatIsAFile()
{
    QFile blocker(m_home.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Recovery recovery(m_main->files, *m_main->Rich1, *m_dialogs, blocker.fileName() + QStringLiteral("/sub"), Fast);
    QVERIFY(!recovery.isActive());
    m_main->Rich1->insertPlainText(QStringLiteral("text"));
    QVERIFY(!recovery.offerLeftCopies(*m_main));
    QCOMPARE(int(m_main->files.stav), 2);
}

void tst_Recovery::readOnlyFolder()
{
    auto recovery = makeRecovery();
    QVERIFY(recovery->isActive());
    QSignalSpy written(recovery.get(), &Recovery::written);
    QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner));
    m_main->Rich1->insertPlainText(QStringLiteral("text"));
    QTRY_COMPARE(written.size(), 1);
    QCOMPARE(written.first().first().toBool(), false);
    QVERIFY(!QFile::exists(recovery->copyPath()));
    // Typing goes on and the next try comes after the interval.
    m_main->Rich1->insertPlainText(QStringLiteral(" dál"));
    QTRY_COMPARE(written.size(), 2);
    QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("text dál"));
    QCOMPARE(int(m_main->files.stav), 2);
    QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void tst_Recovery::copyWaitsForAPauseInTyping()
{
    // A writer who never pauses still gets a copy once the wait is over.
    auto recovery = makeRecovery({0, 0, 3600 * 1000, 200});
    QSignalSpy written(recovery.get(), &Recovery::written);
    QElapsedTimer clock;
    clock.start();
    m_main->Rich1->insertPlainText(QStringLiteral("text"));
    QTRY_COMPARE(written.size(), 1);
    QVERIFY(clock.elapsed() >= 200);
    QVERIFY(QFile::exists(recovery->copyPath()));
}

QTEST_MAIN(tst_Recovery)
#include "tst_recovery.moc"
