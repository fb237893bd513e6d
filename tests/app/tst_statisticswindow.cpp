// The "Statistika" window: Ctrl+Shift+G and the context menu open it, it
// shows the document's counts and the selection's, and follows the typing.

#include "app/mainwindow.h"
#include "app/statisticswindow.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

using namespace borovka;

class tst_StatisticsWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opens_data();
    void opens();
    void followsTypingAndSelection();

private:
    StatisticsWindow *window() { return m_main->statistics->window; }
    RichTextBox *rich() { return m_main->Rich1; }
    // The figures of a column, row by row, joined by "|".
    QString column(int c)
    {
        QStringList out;
        for (int r = 0; r < StatisticsWindow::Rows; ++r)
            out << window()->figure(r, c)->text();
        return out.join(u'|');
    }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_StatisticsWindow::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void tst_StatisticsWindow::cleanup()
{
    m_main.reset();
}

void tst_StatisticsWindow::opens_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Ctrl+Shift+G") << true;
    QTest::newRow("context menu") << false;
}

void tst_StatisticsWindow::opens()
{
    QFETCH(bool, byKey);
    rich()->setPlainText(QStringLiteral("Příliš žluťoučký kůň\núpěl ďábelské ódy."));
    QVERIFY(!window()->isVisible());
    if (byKey) {
        QTest::keyClick(rich(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
        std::unique_ptr<QMenu> menu(rich()->createContextMenu(QPoint(5, 5)));
        QAction *show = nullptr;
        for (QAction *a : menu->actions()) {
            if (a->text() == QStringLiteral("Statistika"))
                show = a;
        }
        QVERIFY(show);
        show->trigger();
    }
    QVERIFY(window()->isVisible());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Statistika"));
    QCOMPARE(column(0), QStringLiteral("6|38|34|2|0,0"));
    QVERIFY(!window()->selectionHeading->isVisible());
}

// Typing and selecting start the short pause; its end counts again.
void tst_StatisticsWindow::followsTypingAndSelection()
{
    rich()->setPlainText(QStringLiteral("Jedna dvě"));
    QTest::keyClick(rich(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(column(0), QStringLiteral("2|9|8|1|0,0"));
    QSignalSpy counted(window()->pause, &QTimer::timeout);
    QTextCursor c = rich()->textCursor();
    c.movePosition(QTextCursor::End);
    rich()->setTextCursor(c);
    QTest::keyClicks(rich(), QStringLiteral(" osm"));
    QVERIFY(window()->pause->isActive());
    QVERIFY(counted.wait());
    QCOMPARE(column(0), QStringLiteral("3|13|11|1|0,0"));
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    rich()->setTextCursor(c);
    QVERIFY(counted.wait());
    QVERIFY(window()->selectionHeading->isVisible());
    QCOMPARE(column(1), QStringLiteral("1|5|5|1|0,0"));
    // Closed, it counts nothing.
    window()->close();
    QTest::keyClicks(rich(), QStringLiteral("x"));
    QVERIFY(!window()->pause->isActive());
}

QTEST_MAIN(tst_StatisticsWindow)
#include "tst_statisticswindow.moc"
