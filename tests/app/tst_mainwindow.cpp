// The main window as a user checks it: captions, tooltips, fonts, places,
// menus and shortcuts, focus, and what each control runs.

#include "selection.h"
#include "app/mainwindow.h"
#include "platform/busy.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"
#include "version.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace borovka;
using namespace borovka::testing;
using Kind = ScriptedDialogs::Kind;

namespace {

QStringList captions(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("---") : a->text());
    return out;
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowSettings();
    void label();
    void buttons_data();
    void buttons();
    void styleButtonsShowTheirEffect();
    void editingArea();
    void menuTree();
    void shortcutsFromTheEditingArea_data();
    void shortcutsFromTheEditingArea();
    void tabStaysInTheEditingArea();
    void resizingMovesNothing();
    void buttonsRunTheirCommands();
    void formatMenuOpensTheDialogs();
    void formattingTouchesStateOnlyThroughContent_data();
    void formattingTouchesStateOnlyThroughContent();
    void aboutBox();
    void konecEndsWithoutClosing();
    void closeAsksOnlyWhenChanged_data();
    void closeAsksOnlyWhenChanged();
    void closeWaitsWhileBusy();

private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_MainWindow::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
}

void tst_MainWindow::cleanup()
{
    QCOMPARE(m_dialogs->problems(), QStringList());
    QCOMPARE(m_dialogs->pending(), 0);
    m_main.reset();
    m_dialogs.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void tst_MainWindow::windowSettings()
{
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Borovka KLN Editor - Noname"));
    QVERIFY(!m_main->windowIcon().isNull());
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QCOMPARE(m_main->centralWidget()->size(), QSize(634, 436));
    QVERIFY(!m_main->isMaximized());
}

void tst_MainWindow::label()
{
    QCOMPARE(m_main->Label1->text(), QStringLiteral("Textový editor pro elektronický časopis Sklipek"));
    QCOMPARE(m_main->Label1->geometry(), QRect(72, 8, 540, 27));
    QCOMPARE(m_main->Label1->font().family(), QStringLiteral("Arial"));
    QCOMPARE(m_main->Label1->font().pointSizeF(), 18.0);
    QVERIFY(m_main->Label1->font().bold());
    QCOMPARE(m_main->Label1->palette().color(QPalette::WindowText), QColor(255, 255, 128));
    QVERIFY(!m_main->Label1->autoFillBackground());
}

void tst_MainWindow::buttons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QRect>("geometry");
    int i = 0;
    QTest::newRow("tucne") << i++ << "B" << "tučné písmo" << QRect(8, 64, 33, 33);
    QTest::newRow("kurziva") << i++ << "I" << "kurzíva" << QRect(48, 64, 33, 33);
    QTest::newRow("podtrzene") << i++ << "U" << "podtržené" << QRect(88, 64, 33, 33);
    QTest::newRow("preskrtnute") << i++ << "S" << "přeškrnuté" << QRect(128, 64, 33, 33);
    QTest::newRow("druh") << i++ << "Písmo..." << "Styl, velikost a script písma" << QRect(184, 64, 81, 33);
    QTest::newRow("barva") << i++ << "Barvy..." << "barvy písma" << QRect(272, 64, 89, 33);
    QTest::newRow("vetsi") << i++ << "A +" << "zvětšení písma o 3 body" << QRect(384, 64, 33, 33);
    QTest::newRow("mensi") << i++ << "A -" << "zmenšení písma o 3 body" << QRect(424, 64, 33, 33);
    QTest::newRow("vlevo") << i++ << "A--" << "zarovnání doleva" << QRect(480, 64, 33, 33);
    QTest::newRow("stred") << i++ << "-A-" << "zarovnání na střed" << QRect(520, 64, 33, 33);
    QTest::newRow("vpravo") << i++ << "--A" << "zarovnání doprava" << QRect(560, 64, 33, 33);
}

void tst_MainWindow::buttons()
{
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(QRect, geometry);
    QCOMPARE(m_main->buttons().size(), 11);
    const QPushButton *button = m_main->buttons().at(index);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->toolTip(), tooltip);
    QCOMPARE(button->geometry(), geometry);
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
}

void tst_MainWindow::styleButtonsShowTheirEffect()
{
    for (QPushButton *b : {m_main->tucne, m_main->kurziva, m_main->podtrzene, m_main->preskrtnute}) {
        QCOMPARE(b->font().family(), QStringLiteral("Arial"));
        QCOMPARE(b->font().pointSizeF(), 9.75);
    }
    QVERIFY(m_main->tucne->font().bold());
    QVERIFY(m_main->kurziva->font().italic() && !m_main->kurziva->font().bold());
    QVERIFY(m_main->podtrzene->font().underline() && !m_main->podtrzene->font().bold());
    QVERIFY(m_main->preskrtnute->font().strikeOut() && !m_main->preskrtnute->font().bold());
}

void tst_MainWindow::editingArea()
{
    RichTextBox *rich = m_main->Rich1;
    QCOMPARE(rich->geometry(), QRect(104, 104, 425, 329));
    QCOMPARE(rich->palette().color(QPalette::Base), QColor(192, 255, 192));
    QCOMPARE(rich->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(rich->font().pointSizeF(), 11.25);

    // Empty, and what is typed first is Courier New at 11.5 points.
    QVERIFY(rich->document()->isEmpty());
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QCOMPARE(QApplication::focusWidget(), rich);
    QTest::keyClicks(rich, QStringLiteral("Ahoj"));
    select(*rich, 0, 4);
    QCOMPARE(rich->SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
    QCOMPARE(rich->SelFontSize(), std::optional<double>(11.5));
}

void tst_MainWindow::menuTree()
{
    QMenuBar *bar = m_main->menuBar();
    QCOMPARE(captions(bar->actions()), (QStringList{"Soubor", "Formát", "O programu..."}));
    QCOMPARE(captions(m_main->mnfile->actions()),
             (QStringList{"Nový", "Otevřít...", "Uložit", "Uložit jako...", "Uložit TXT",
                          "Uložit jako TXT...", "---", "Konec"}));
    QCOMPARE(captions(m_main->mnformat->actions()), (QStringList{"Písmo...", "Barva...", "Zarovnámí"}));
    QCOMPARE(captions(m_main->mnaling->actions()), (QStringList{"doleva", "doprava", "na střed"}));
    // "O programu..." is a leaf on the bar itself.
    QVERIFY(m_main->mnabout->menu() == nullptr);
    QCOMPARE(m_main->mnnew->shortcut(), QKeySequence(Qt::Key_F4));
    QCOMPARE(m_main->mnopen->shortcut(), QKeySequence(Qt::Key_F3));
    QCOMPARE(m_main->mnsave->shortcut(), QKeySequence(Qt::Key_F2));
    QCOMPARE(m_main->mnsaveas->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
    // No access-key markers.
    for (QAction *a : m_main->findChildren<QAction *>())
        QVERIFY2(!a->text().contains(QLatin1Char('&')), qPrintable(a->text()));
}

void tst_MainWindow::shortcutsFromTheEditingArea_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected"); // the dialog the command shows
    QTest::newRow("F2 saves") << QKeyCombination(Qt::Key_F2) << "save" << "Save";
    QTest::newRow("Ctrl+F2 saves as") << QKeyCombination(Qt::CTRL, Qt::Key_F2) << "save" << "Save";
    QTest::newRow("F3 opens") << QKeyCombination(Qt::Key_F3) << "message open" << "Message";
    QTest::newRow("F4 starts anew") << QKeyCombination(Qt::Key_F4) << "message" << "Message";
}

void tst_MainWindow::shortcutsFromTheEditingArea()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTest::keyClicks(m_main->Rich1, QStringLiteral("text")); // state "2"
    QCOMPARE(QApplication::focusWidget(), m_main->Rich1);
    for (const QString &step : script.split(QLatin1Char(' '))) {
        if (step == QLatin1String("save"))
            m_dialogs->cancel(Kind::Save);
        else if (step == QLatin1String("open"))
            m_dialogs->cancel(Kind::Open);
        else
            m_dialogs->answer(MsgBox::No);
    }
    QTest::keyClick(m_main->Rich1, key.key(), key.keyboardModifiers());
    QVERIFY(!m_dialogs->shown.isEmpty());
    QCOMPARE(kindName(m_dialogs->shown.first().kind), expected);
}

void tst_MainWindow::tabStaysInTheEditingArea()
{
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTest::keyClick(m_main->Rich1, Qt::Key_Tab);
    QTest::keyClick(m_main->Rich1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_main->Rich1);
    QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("\t\t"));
}

void tst_MainWindow::resizingMovesNothing()
{
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QList<QRect> before;
    for (QWidget *w : m_main->centralWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        before << w->geometry();
    m_main->resize(1200, 900);
    QApplication::processEvents();
    QList<QRect> after;
    for (QWidget *w : m_main->centralWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        after << w->geometry();
    QCOMPARE(after, before);
    // The background beyond the 800 x 600 picture is dark navy.
    const QImage shot = m_main->centralWidget()->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() - 5, shot.height() - 5), QColor(3, 0, 67));
}

void tst_MainWindow::buttonsRunTheirCommands()
{
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    RichTextBox *rich = m_main->Rich1;
    rich->setPlainText(QStringLiteral("slovo"));
    select(*rich, 0, 5);
    QTest::mouseClick(m_main->tucne, Qt::LeftButton);
    QCOMPARE(rich->SelBold(), std::optional<bool>(true));
    QTest::mouseClick(m_main->kurziva, Qt::LeftButton);
    QCOMPARE(rich->SelItalic(), std::optional<bool>(true));
    QTest::mouseClick(m_main->podtrzene, Qt::LeftButton);
    QCOMPARE(rich->SelUnderline(), std::optional<bool>(true));
    QTest::mouseClick(m_main->preskrtnute, Qt::LeftButton);
    QCOMPARE(rich->SelStrikeThru(), std::optional<bool>(true));
    const double size = *rich->SelFontSize();
    QTest::mouseClick(m_main->vetsi, Qt::LeftButton);
    QCOMPARE(rich->SelFontSize(), std::optional<double>(size + 4));
    QTest::mouseClick(m_main->mensi, Qt::LeftButton);
    QCOMPARE(rich->SelFontSize(), std::optional<double>(size));
    QTest::mouseClick(m_main->vpravo, Qt::LeftButton);
    QCOMPARE(rich->SelAlignment(), std::optional<int>(Align::Right));
    QTest::mouseClick(m_main->stred, Qt::LeftButton);
    QCOMPARE(rich->SelAlignment(), std::optional<int>(Align::Center));
    QTest::mouseClick(m_main->vlevo, Qt::LeftButton);
    QCOMPARE(rich->SelAlignment(), std::optional<int>(Align::Left));
    m_dialogs->accept(Kind::Color, [](DialogValues &v) { v.Color = QColor(0, 0, 255); });
    QTest::mouseClick(m_main->barva, Qt::LeftButton);
    QCOMPARE(rich->SelColor(), std::optional<QColor>(QColor(0, 0, 255)));
    m_dialogs->accept(Kind::Font, [](DialogValues &v) { v.FontSize = 30; });
    QTest::mouseClick(m_main->druh, Qt::LeftButton);
    QCOMPARE(rich->SelFontSize(), std::optional<double>(30));
    // The selection and the focus stayed in the text throughout.
    QCOMPARE(QApplication::focusWidget(), rich);
    QVERIFY(rich->textCursor().hasSelection());
}

void tst_MainWindow::formatMenuOpensTheDialogs()
{
    m_dialogs->cancel(Kind::Font).cancel(Kind::Color);
    m_main->mnfont->trigger();
    m_main->mncolor->trigger();
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown.at(0).kind, Kind::Font);
    QCOMPARE(m_dialogs->shown.at(1).kind, Kind::Color);
    m_main->Rich1->setPlainText(QStringLiteral("a\nb"));
    select(*m_main->Rich1, 0, 3);
    m_main->mnright->trigger();
    QCOMPARE(m_main->Rich1->SelAlignment(), std::optional<int>(Align::Right));
    m_main->mncenter->trigger();
    QCOMPARE(m_main->Rich1->SelAlignment(), std::optional<int>(Align::Center));
    m_main->mnleft->trigger();
    QCOMPARE(m_main->Rich1->SelAlignment(), std::optional<int>(Align::Left));
}

void tst_MainWindow::formattingTouchesStateOnlyThroughContent_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("withSelection");
    QTest::addColumn<int>("stav");
    for (const char *a : {"B", "I", "U", "S", "A +", "A -", "A--", "-A-", "--A"}) {
        QTest::addRow("%s on a selection", a) << QString::fromUtf8(a) << true << 1;
    }
    // Styles for the next typed text change no content.
    for (const char *a : {"B", "I", "U", "S", "A +", "A -"})
        QTest::addRow("%s at the insertion point", a) << QString::fromUtf8(a) << false << 3;
}

void tst_MainWindow::formattingTouchesStateOnlyThroughContent()
{
    QFETCH(QString, action);
    QFETCH(bool, withSelection);
    QFETCH(int, stav);
    m_main->Rich1->setPlainText(QStringLiteral("text"));
    m_main->files.stav = Stav::Named;
    m_main->files.cesta = QStringLiteral("/tmp/x.kln");
    m_main->setWindowTitle(QStringLiteral("caption"));
    if (withSelection)
        select(*m_main->Rich1, 0, 4);
    else
        select(*m_main->Rich1, 2, 2);
    for (QPushButton *b : m_main->buttons())
        if (b->text() == action)
            b->click();
    QCOMPARE(int(m_main->files.stav), stav);
    QCOMPARE(m_main->files.cesta, QStringLiteral("/tmp/x.kln"));
    QCOMPARE(m_main->windowTitle(), QStringLiteral("caption"));
}

void tst_MainWindow::aboutBox()
{
    const QString caption = m_main->windowTitle();
    m_main->Rich1->setPlainText(QStringLiteral("neuložený text"));
    m_main->files.stav = Stav::UnnamedChanged;
    m_dialogs->answer(MsgBox::Ok);
    m_main->mnabout->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    const auto &box = m_dialogs->shown.first();
    QCOMPARE(box.title, QStringLiteral("Borovka KLN Editor ") + QString::fromUtf8(version::String));
    QCOMPARE(box.buttons, MsgBox::OkOnly);
    const QStringList lines = box.prompt.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("Textový editor pro elektronický časopis Sklipek od verze 1.20."));
    QVERIFY(lines.last().contains(QStringLiteral("Sklipek")));
    QCOMPARE(int(m_main->files.stav), 2);
    QCOMPARE(m_main->windowTitle(), caption);
    QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("neuložený text"));
}

void tst_MainWindow::konecEndsWithoutClosing()
{
    m_main->showAtStart();
    QTest::keyClicks(m_main->Rich1, QStringLiteral("text")); // changed, yet no question
    int ended = 0;
    connect(m_main.get(), &Main::programEnded, this, [&ended] { ++ended; });
    m_main->mnend->trigger();
    QCOMPARE(ended, 1);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void tst_MainWindow::closeAsksOnlyWhenChanged_data()
{
    QTest::addColumn<bool>("type");
    QTest::addColumn<bool>("asks");
    QTest::newRow("untouched") << false << false;
    QTest::newRow("changed") << true << true;
}

void tst_MainWindow::closeAsksOnlyWhenChanged()
{
    QFETCH(bool, type);
    QFETCH(bool, asks);
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    if (type)
        QTest::keyClicks(m_main->Rich1, QStringLiteral("text"));
    if (asks)
        m_dialogs->answer(MsgBox::No);
    int ended = 0;
    connect(m_main.get(), &Main::programEnded, this, [&ended] { ++ended; });
    QVERIFY(m_main->close());
    QCOMPARE(ended, 1);
    QCOMPARE(m_dialogs->shown.size(), asks ? 1 : 0);
    if (asks)
        QCOMPARE(m_dialogs->shown.first().buttons, MsgBox::YesNo);
}

void tst_MainWindow::closeWaitsWhileBusy()
{
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    std::atomic<bool> tried = false;
    bool closed = true;
    // The desktop asks the window to close while a long load is running.
    QTimer::singleShot(20, m_main.get(), [&] {
        closed = m_main->close();
        tried = true;
    });
    runBusy(m_main.get(), QStringLiteral("Načítám…"), [&] {
        for (int i = 0; i < 2000 && !tried; ++i)
            QThread::msleep(10);
    });
    QVERIFY(tried);
    QVERIFY(!closed);
    QVERIFY(m_main->isVisible());
    QVERIFY(m_dialogs->shown.isEmpty());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
