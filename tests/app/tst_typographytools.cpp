// Czech typography in the editor: corrections as the writer types, each
// its own undo step, "Opravit typografii" from the context menu with its
// message, and the setting remembered between runs.

#include "typography.h"
#include "app/mainwindow.h"
#include "app/typographytools.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace borovka;
using namespace borovka::testing;

class tst_TypographyTools : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void typing_data() { typedTexts(); }
    void typing();
    void fixFromTheMenu_data();
    void fixFromTheMenu();
    void remembered_data();
    void remembered();

private:
    RichTextBox *rich() { return m_main->Rich1; }
    void openWindow();
    // Empties the editing area and writes `markup` into it.
    void start(const QString &markup);
    QAction *menuEntry(const QString &text);

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
    std::unique_ptr<QMenu> m_menu;
};

void tst_TypographyTools::initTestCase()
{
    // The remembered setting goes to a test folder, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("borovka-typography-test"));
}

void tst_TypographyTools::init()
{
    QSettings(QCoreApplication::applicationName()).clear();
    openWindow();
}

void tst_TypographyTools::openWindow()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void tst_TypographyTools::cleanup()
{
    m_menu.reset();
    QCOMPARE(m_dialogs->problems(), QStringList());
    QCOMPARE(m_dialogs->pending(), 0);
    m_main.reset();
    m_dialogs.reset();
}

void tst_TypographyTools::start(const QString &markup)
{
    rich()->setTextRTF("");
    rich()->setTextCursor(writeMarkup(*rich()->document(), markup));
}

QAction *tst_TypographyTools::menuEntry(const QString &text)
{
    m_menu.reset(rich()->createContextMenu(QPoint(5, 5)));
    for (QAction *a : m_menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

void tst_TypographyTools::typing()
{
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(QString, undone);

    this->start(start);
    typeKeys(rich(), keys);
    QCOMPARE(rawText(*rich()->document()), expected);
    QTest::keyClick(rich(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rawText(*rich()->document()), undone);
}

void tst_TypographyTools::fixFromTheMenu_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<int>("from"); // the selection; -1: none
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("cursor"); // where the cursor is after

    QTest::newRow("whole document") << "\"Ahoj\" - řekl a šel..." << -1 << -1
                                    << QStringLiteral("„Ahoj“ – řekl a\u00A0šel…")
                                    << QStringLiteral("Opraveno míst: 5.") << 20;
    QTest::newRow("selection") << "\"Ahoj\" - řekl a šel..." << 7 << 16
                               << QStringLiteral("\"Ahoj\" – řekl a\u00A0šel...")
                               << QStringLiteral("Opraveno míst: 2.") << 16;
    QTest::newRow("cursor after a shortened place") << "no...| a \"x\"" << -1 << -1
                                                    << QStringLiteral("no… a\u00A0„x“")
                                                    << QStringLiteral("Opraveno míst: 4.") << 3;
    QTest::newRow("nothing to fix") << QStringLiteral("„Ahoj“ – řekl a\u00A0šel…") << -1 << -1
                                    << QStringLiteral("„Ahoj“ – řekl a\u00A0šel…")
                                    << QStringLiteral("Nebylo co opravit, typografie je v pořádku.") << 20;
}

void tst_TypographyTools::fixFromTheMenu()
{
    QFETCH(QString, markup);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);
    QFETCH(QString, message);
    QFETCH(int, cursor);

    start(markup);
    if (from >= 0) {
        QTextCursor c = rich()->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        rich()->setTextCursor(c);
    }
    QAction *fix = menuEntry(QStringLiteral("Opravit typografii"));
    QVERIFY(fix);
    m_dialogs->answer(MsgBox::Ok);
    fix->trigger();
    QCOMPARE(rawText(*rich()->document()), expected);
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].prompt, message);
    QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Opravit typografii"));
    QCOMPARE(m_dialogs->shown[0].buttons, MsgBox::OkOnly);
    QCOMPARE(rich()->textCursor().position(), cursor);
}

void tst_TypographyTools::remembered_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("typed"); // "v " typed in the next run

    QTest::newRow("turned off") << false << "v ";
    QTest::newRow("left on") << true << QStringLiteral("v\u00A0");
}

void tst_TypographyTools::remembered()
{
    QFETCH(bool, on);
    QFETCH(QString, typed);

    QAction *toggle = menuEntry(QStringLiteral("Česká typografie při psaní"));
    QVERIFY(toggle);
    QVERIFY(toggle->isCheckable());
    QVERIFY(toggle->isChecked()); // on by default
    if (!on)
        toggle->trigger();
    m_menu.reset();

    // The next run.
    m_main.reset();
    openWindow();
    QCOMPARE(m_main->typography->asYouType->isChecked(), on);
    start(QString());
    QTest::keyClicks(rich(), QStringLiteral("v "));
    QCOMPARE(rawText(*rich()->document()), typed);
}

QTEST_MAIN(tst_TypographyTools)
#include "tst_typographytools.moc"
