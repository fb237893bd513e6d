// The writer's shortcuts, pressed in the real window with the focus in the
// text: each runs the same command as its button or menu item, and undo and
// redo reach every command.

#include "selection.h"
#include "app/mainwindow.h"
#include "app/shortcuts.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

using namespace borovka;
using namespace borovka::testing;
using Kind = ScriptedDialogs::Kind;

class tst_Shortcuts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void styleKeysToggle_data();
    void styleKeysToggle();
    void fileKeysRunTheFileCommands_data();
    void fileKeysRunTheFileCommands();
    void alignmentKeys_data();
    void alignmentKeys();
    void sizeKeysStepByFourPoints();
    void undoAndRedoEveryCommand_data();
    void undoAndRedoEveryCommand();
    void undoPaste();
    void menusStayAsTheyWere();

private:
    void press(QKeyCombination key) { QTest::keyClick(m_main->Rich1, key.key(), key.keyboardModifiers()); }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_Shortcuts::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QCOMPARE(QApplication::focusWidget(), m_main->Rich1);
}

void tst_Shortcuts::cleanup()
{
    QCOMPARE(m_dialogs->problems(), QStringList());
    QCOMPARE(m_dialogs->pending(), 0);
    m_main.reset();
    m_dialogs.reset();
}

void tst_Shortcuts::styleKeysToggle_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<Style>("style");
    QTest::newRow("Ctrl+B") << QKeyCombination(Qt::CTRL, Qt::Key_B) << Style::Bold;
    QTest::newRow("Ctrl+I") << QKeyCombination(Qt::CTRL, Qt::Key_I) << Style::Italic;
    QTest::newRow("Ctrl+U") << QKeyCombination(Qt::CTRL, Qt::Key_U) << Style::Underline;
}

void tst_Shortcuts::styleKeysToggle()
{
    QFETCH(QKeyCombination, key);
    QFETCH(Style, style);
    RichTextBox *rich = m_main->Rich1;
    rich->insertPlainText(QStringLiteral("první řádek"));
    select(*rich, 0, 6);
    press(key);
    QCOMPARE(readStyle(*rich, style), std::optional<bool>(true));
    // The text is still there: the key was not taken by the editing area.
    QCOMPARE(rich->toPlainText(), QStringLiteral("první řádek"));
    press(key);
    QCOMPARE(readStyle(*rich, style), std::optional<bool>(false));

    // A mixed selection becomes wholly styled, as with the button.
    select(*rich, 0, 3);
    press(key);
    select(*rich, 0, 6);
    QCOMPARE(readStyle(*rich, style), std::optional<bool>());
    press(key);
    QCOMPARE(readStyle(*rich, style), std::optional<bool>(true));
}

void tst_Shortcuts::fileKeysRunTheFileCommands_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<bool>("typeFirst");
    QTest::addColumn<QString>("expected"); // the dialog the command shows first
    QTest::newRow("Ctrl+S in a changed document") << QKeyCombination(Qt::CTRL, Qt::Key_S) << true << "Save";
    QTest::newRow("Ctrl+S unchanged does nothing") << QKeyCombination(Qt::CTRL, Qt::Key_S) << false << "";
    QTest::newRow("Ctrl+Shift+S") << QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_S) << false << "Save";
    QTest::newRow("Ctrl+O") << QKeyCombination(Qt::CTRL, Qt::Key_O) << false << "Open";
    QTest::newRow("Ctrl+O asks first when changed") << QKeyCombination(Qt::CTRL, Qt::Key_O) << true << "Message";
    QTest::newRow("Ctrl+N asks when changed") << QKeyCombination(Qt::CTRL, Qt::Key_N) << true << "Message";
}

void tst_Shortcuts::fileKeysRunTheFileCommands()
{
    QFETCH(QKeyCombination, key);
    QFETCH(bool, typeFirst);
    QFETCH(QString, expected);
    if (typeFirst)
        QTest::keyClicks(m_main->Rich1, QStringLiteral("text"));
    if (expected == QLatin1String("Save"))
        m_dialogs->cancel(Kind::Save);
    else if (expected == QLatin1String("Open"))
        m_dialogs->cancel(Kind::Open);
    else if (!expected.isEmpty())
        m_dialogs->answer(MsgBox::Cancel);
    const int stav = int(m_main->files.stav);
    press(key);
    if (expected.isEmpty()) {
        QVERIFY(m_dialogs->shown.isEmpty());
    } else {
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(kindName(m_dialogs->shown.first().kind), expected);
    }
    // Cancelled: nothing changed, the key did not type into the text.
    QCOMPARE(int(m_main->files.stav), stav);
    QCOMPARE(m_main->Rich1->toPlainText(), typeFirst ? QStringLiteral("text") : QString());
}

void tst_Shortcuts::alignmentKeys_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("alignment");
    QTest::newRow("Ctrl+R") << QKeyCombination(Qt::CTRL, Qt::Key_R) << Align::Right;
    QTest::newRow("Ctrl+E") << QKeyCombination(Qt::CTRL, Qt::Key_E) << Align::Center;
    QTest::newRow("Ctrl+L") << QKeyCombination(Qt::CTRL, Qt::Key_L) << Align::Left;
}

void tst_Shortcuts::alignmentKeys()
{
    QFETCH(QKeyCombination, key);
    QFETCH(int, alignment);
    RichTextBox *rich = m_main->Rich1;
    rich->setPlainText(QStringLiteral("a\nb\nc"));
    select(*rich, 0, 5);
    rich->setSelAlignment(alignment == Align::Left ? Align::Right : Align::Left);
    select(*rich, 0, 3); // the first two paragraphs
    press(key);
    QCOMPARE(rich->SelAlignment(), std::optional<int>(alignment));
    select(*rich, 4, 5);
    QVERIFY(rich->SelAlignment() != std::optional<int>(alignment));
}

void tst_Shortcuts::sizeKeysStepByFourPoints()
{
    RichTextBox *rich = m_main->Rich1;
    QTest::keyClicks(rich, QStringLiteral("slovo"));
    select(*rich, 0, 5);
    const double size = *rich->SelFontSize();
    press(QKeyCombination(Qt::CTRL, Qt::Key_BracketRight));
    QCOMPARE(rich->SelFontSize(), std::optional<double>(size + 4));
    press(QKeyCombination(Qt::CTRL, Qt::Key_BracketRight));
    QCOMPARE(rich->SelFontSize(), std::optional<double>(size + 8));
    press(QKeyCombination(Qt::CTRL, Qt::Key_BracketLeft));
    QCOMPARE(rich->SelFontSize(), std::optional<double>(size + 4));
}

void tst_Shortcuts::undoAndRedoEveryCommand_data()
{
    QTest::addColumn<QKeyCombination>("command");
    QTest::addColumn<QKeyCombination>("redo");
    const QKeyCombination ctrlY(Qt::CTRL, Qt::Key_Y);
    const QKeyCombination ctrlShiftZ(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
    QTest::newRow("bold, Ctrl+Y") << QKeyCombination(Qt::CTRL, Qt::Key_B) << ctrlY;
    QTest::newRow("underline, Ctrl+Shift+Z") << QKeyCombination(Qt::CTRL, Qt::Key_U) << ctrlShiftZ;
    QTest::newRow("size step") << QKeyCombination(Qt::CTRL, Qt::Key_BracketRight) << ctrlY;
    QTest::newRow("alignment") << QKeyCombination(Qt::CTRL, Qt::Key_E) << ctrlShiftZ;
}

void tst_Shortcuts::undoAndRedoEveryCommand()
{
    QFETCH(QKeyCombination, command);
    QFETCH(QKeyCombination, redo);
    RichTextBox *rich = m_main->Rich1;
    QTest::keyClicks(rich, QStringLiteral("slovo"));
    select(*rich, 0, 5);
    const QByteArray before = rich->TextRTF();
    press(command);
    const QByteArray after = rich->TextRTF();
    QVERIFY(after != before);
    press(QKeyCombination(Qt::CTRL, Qt::Key_Z));
    QCOMPARE(rich->TextRTF(), before);
    press(redo);
    QCOMPARE(rich->TextRTF(), after);
    // Undoing the typing as well leaves the empty document, still marked changed.
    for (int i = 0; i < 10; ++i)
        press(QKeyCombination(Qt::CTRL, Qt::Key_Z));
    QCOMPARE(rich->toPlainText(), QString());
    QCOMPARE(int(m_main->files.stav), 2);
}

void tst_Shortcuts::undoPaste()
{
    RichTextBox *rich = m_main->Rich1;
    QTest::keyClicks(rich, QStringLiteral("a "));
    auto *mime = new QMimeData;
    mime->setText(QStringLiteral("vložený text"));
    QApplication::clipboard()->setMimeData(mime);
    press(QKeyCombination(Qt::CTRL, Qt::Key_V));
    QCOMPARE(rich->toPlainText(), QStringLiteral("a vložený text"));
    press(QKeyCombination(Qt::CTRL, Qt::Key_Z));
    QCOMPARE(rich->toPlainText(), QStringLiteral("a "));
    press(QKeyCombination(Qt::CTRL, Qt::Key_Y));
    QCOMPARE(rich->toPlainText(), QStringLiteral("a vložený text"));
}

void tst_Shortcuts::menusStayAsTheyWere()
{
    // The new keys live on the window, not in the menus.
    const Shortcuts &s = *m_main->shortcuts;
    for (QAction *a : {s.bold, s.italic, s.underline, s.save, s.open, s.newDocument, s.saveAs,
                       s.left, s.center, s.right, s.bigger, s.smaller, s.undo, s.redo}) {
        QCOMPARE(a->associatedObjects(), QList<QObject *>{m_main.get()});
        QVERIFY(a->text().isEmpty());
    }
    QCOMPARE(m_main->mnfile->actions().size(), 8);
    QCOMPARE(m_main->mnsave->shortcut(), QKeySequence(Qt::Key_F2));
    QCOMPARE(m_main->tucne->toolTip(), QStringLiteral("tučné písmo"));
    QCOMPARE(m_main->vetsi->toolTip(), QStringLiteral("zvětšení písma o 3 body"));
}

QTEST_MAIN(tst_Shortcuts)
#include "tst_shortcuts.moc"
