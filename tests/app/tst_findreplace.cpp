// Find and replace over formatted Czech text: the search itself, the
// "Najít" / "Nahradit" window, Ctrl+F and Ctrl+H, and the context menu.

#include "selection.h"
#include "app/findreplace.h"
#include "app/mainwindow.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"
#include "platform/spellcheck.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

using namespace borovka;
using namespace borovka::testing;

class tst_FindReplace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void finds_data();
    void finds();
    void wrapsWithANotice();
    void notFound();
    void replaceOneKeepsFormatting();
    void replaceAllIsOneUndoStep();
    void replaceAllWithTheSearchTextInside_data();
    void replaceAllWithTheSearchTextInside();
    void hugeSearchText();
    void keysOpenTheWindows_data();
    void keysOpenTheWindows();
    void contextMenuOffersBoth();
    void everyContextMenuReachesScreenReaders_data();
    void everyContextMenuReachesScreenReaders();

private:
    FindReplaceDialog *dialog() { return m_main->findReplace->dialog; }
    RichTextBox *rich() { return m_main->Rich1; }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_FindReplace::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
}

void tst_FindReplace::cleanup()
{
    QCOMPARE(m_dialogs->problems(), QStringList());
    m_main.reset();
    m_dialogs.reset();
}

void tst_FindReplace::finds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<int>("expected"); // start of the first match, -1 for none

    const QString text = QStringLiteral("Čaj a caj. Šťastný čajík, ČAJ.");
    QTest::newRow("diacritics exact") << text << "čaj" << false << false << 0;
    QTest::newRow("no diacritics finds none with") << text << "caj" << false << false << 6;
    QTest::newRow("case sensitive") << text << "čaj" << true << false << 19;
    QTest::newRow("case sensitive capitals") << text << "ČAJ" << true << false << 26;
    QTest::newRow("whole words skip čajík") << QStringLiteral("čajík čaj") << "čaj" << false << true << 6;
    QTest::newRow("word with háček at its end") << QStringLiteral("kůň koně kůň") << "koně" << false << true << 4;
    QTest::newRow("none") << text << "kafe" << false << false << -1;
    QTest::newRow("s is not š") << QStringLiteral("šťastný") << "stastny" << false << false << -1;
}

void tst_FindReplace::finds()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wholeWords);
    QFETCH(int, expected);
    QTextDocument doc;
    doc.setPlainText(text);
    const search::Found found = search::next(doc, 0, {search, caseSensitive, wholeWords});
    QCOMPARE(found.match.isNull() ? -1 : found.match.selectionStart(), expected);
    QVERIFY(!found.wrapped);
    if (expected >= 0)
        QVERIFY(search::isMatch(found.match, {search, caseSensitive, wholeWords}));
}

void tst_FindReplace::wrapsWithANotice()
{
    rich()->setPlainText(QStringLiteral("pes a kočka\na pes"));
    select(*rich(), 13, 13);
    dialog()->showFor(false);
    dialog()->searchEdit->setText(QStringLiteral("pes"));
    dialog()->findNextButton->click();
    QCOMPARE(rich()->textCursor().selectionStart(), 14);
    QCOMPARE(rich()->textCursor().selectedText(), QStringLiteral("pes"));
    QVERIFY(dialog()->notice->text().isEmpty());
    dialog()->findNextButton->click();
    QCOMPARE(rich()->textCursor().selectionStart(), 0);
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Hledání pokračovalo od začátku dokumentu."));
    dialog()->findNextButton->click();
    QCOMPARE(rich()->textCursor().selectionStart(), 14);
    QVERIFY(dialog()->notice->text().isEmpty());
}

void tst_FindReplace::notFound()
{
    rich()->setPlainText(QStringLiteral("pes"));
    m_main->files.stav = Stav::Named;
    dialog()->showFor(true);
    dialog()->searchEdit->setText(QStringLiteral("kočka"));
    dialog()->findNextButton->click();
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Hledaný text nebyl nalezen."));
    dialog()->replaceAllButton->click();
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Hledaný text nebyl nalezen."));
    dialog()->searchEdit->clear();
    dialog()->replaceButton->click();
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Zadej hledaný text."));
    QCOMPARE(rich()->toPlainText(), QStringLiteral("pes"));
    QCOMPARE(int(m_main->files.stav), 3);
}

void tst_FindReplace::replaceOneKeepsFormatting()
{
    rich()->setPlainText(QStringLiteral("malý pes, velký pes"));
    select(*rich(), 5, 8);
    rich()->setSelBold(true);
    select(*rich(), 0, 0);
    dialog()->showFor(true);
    dialog()->searchEdit->setText(QStringLiteral("pes"));
    dialog()->replaceEdit->setText(QStringLiteral("kocour"));
    dialog()->replaceButton->click(); // the first press finds
    QCOMPARE(rich()->toPlainText(), QStringLiteral("malý pes, velký pes"));
    QCOMPARE(rich()->textCursor().selectionStart(), 5);
    dialog()->replaceButton->click(); // the second replaces and finds the next
    QCOMPARE(rich()->toPlainText(), QStringLiteral("malý kocour, velký pes"));
    QCOMPARE(rich()->textCursor().selectionStart(), 19);
    select(*rich(), 5, 11);
    QCOMPARE(rich()->SelBold(), std::optional<bool>(true));
    select(*rich(), 19, 22);
    QCOMPARE(rich()->SelBold(), std::optional<bool>(false));
}

void tst_FindReplace::replaceAllIsOneUndoStep()
{
    rich()->setPlainText(QStringLiteral("Pes, pes a PES."));
    select(*rich(), 5, 8);
    rich()->setSelItalic(true);
    select(*rich(), 11, 14);
    rich()->setSelColor(QColor(255, 0, 0));
    const QByteArray before = rich()->TextRTF();
    m_main->files.stav = Stav::Named;
    int changes = 0;
    connect(rich(), &RichTextBox::Change, this, [&changes] { ++changes; });

    dialog()->showFor(true);
    dialog()->searchEdit->setText(QStringLiteral("pes"));
    dialog()->replaceEdit->setText(QStringLiteral("kůň"));
    dialog()->replaceAllButton->click();
    QCOMPARE(rich()->toPlainText(), QStringLiteral("kůň, kůň a kůň."));
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Nahrazeno výskytů: 3."));
    QCOMPARE(changes, 1);
    QCOMPARE(int(m_main->files.stav), 1);
    select(*rich(), 5, 8);
    QCOMPARE(rich()->SelItalic(), std::optional<bool>(true));
    select(*rich(), 11, 14);
    QCOMPARE(rich()->SelColor(), std::optional<QColor>(QColor(255, 0, 0)));
    select(*rich(), 0, 3);
    QCOMPARE(rich()->SelItalic(), std::optional<bool>(false));

    rich()->undo();
    QCOMPARE(rich()->TextRTF(), before);
}

void tst_FindReplace::replaceAllWithTheSearchTextInside_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("contains it") << "a aa a" << "a" << "aa" << "aa aaaa aa";
    QTest::newRow("is it") << "pes pes" << "pes" << "pes" << "pes pes";
    QTest::newRow("ends with it") << "ab" << "b" << "bbb" << "abbb";
    QTest::newRow("empty replacement") << "x-y-z" << "-" << "" << "xyz";
}

void tst_FindReplace::replaceAllWithTheSearchTextInside()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    QTextDocument doc;
    doc.setPlainText(text);
    search::replaceAll(doc, {search, true, false}, replacement);
    QCOMPARE(doc.toPlainText(), expected);
}

void tst_FindReplace::hugeSearchText()
{
    // A whole pasted article as the search text.
    const QString huge = QStringLiteral("článek ").repeated(15000).left(100000);
    rich()->setPlainText(QStringLiteral("začátek ") + huge + QStringLiteral(" konec"));
    dialog()->showFor(true);
    dialog()->searchEdit->setText(huge);
    QCOMPARE(dialog()->searchEdit->text().size(), 100000);
    dialog()->findNextButton->click();
    QCOMPARE(rich()->textCursor().selectionStart(), 8);
    QCOMPARE(rich()->textCursor().selectionEnd(), 100008);
    QCOMPARE(rich()->textCursor().selectedText(), huge);
    dialog()->replaceEdit->setText(QStringLiteral("y"));
    dialog()->replaceAllButton->click();
    QCOMPARE(rich()->toPlainText(), QStringLiteral("začátek y konec"));
    // Longer than the whole document: simply not found.
    dialog()->searchEdit->setText(huge);
    dialog()->findNextButton->click();
    QCOMPARE(dialog()->notice->text(), QStringLiteral("Hledaný text nebyl nalezen."));
}

void tst_FindReplace::keysOpenTheWindows_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("replacing");
    QTest::newRow("Ctrl+F") << QKeyCombination(Qt::CTRL, Qt::Key_F) << "Najít" << false;
    QTest::newRow("Ctrl+H") << QKeyCombination(Qt::CTRL, Qt::Key_H) << "Nahradit" << true;
}

void tst_FindReplace::keysOpenTheWindows()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, title);
    QFETCH(bool, replacing);
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTest::keyClicks(rich(), QStringLiteral("hledej slovo"));
    select(*rich(), 7, 12);
    QTest::keyClick(rich(), key.key(), key.keyboardModifiers());
    QVERIFY(dialog()->isVisible());
    QCOMPARE(dialog()->windowTitle(), title);
    QCOMPARE(dialog()->replaceEdit->isVisible(), replacing);
    QCOMPARE(dialog()->replaceAllButton->isVisible(), replacing);
    QCOMPARE(dialog()->searchEdit->text(), QStringLiteral("slovo"));
    QCOMPARE(dialog()->caseSensitive->text(), QStringLiteral("Rozlišovat velikost písmen"));
    QCOMPARE(dialog()->wholeWords->text(), QStringLiteral("Celá slova"));
    QCOMPARE(dialog()->findNextButton->text(), QStringLiteral("Najít další"));
    QCOMPARE(dialog()->closeButton->text(), QStringLiteral("Zavřít"));
    QCOMPARE(dialog()->replaceButton->text(), QStringLiteral("Nahradit"));
    QCOMPARE(dialog()->replaceAllButton->text(), QStringLiteral("Nahradit vše"));
    QCOMPARE(rich()->toPlainText(), QStringLiteral("hledej slovo"));
    dialog()->closeButton->click();
    QVERIFY(!dialog()->isVisible());
}

void tst_FindReplace::contextMenuOffersBoth()
{
    rich()->setPlainText(QStringLiteral("text"));
    std::unique_ptr<QMenu> menu(rich()->createContextMenu(QPoint(5, 5)));
    QStringList texts;
    QAction *replace = nullptr;
    for (QAction *a : menu->actions()) {
        texts << a->text();
        if (a->text() == QLatin1String("Nahradit..."))
            replace = a;
    }
    QVERIFY2(texts.contains(QStringLiteral("Najít...")), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY(replace);
    replace->trigger();
    QVERIFY(dialog()->isVisible());
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Nahradit"));
}

void tst_FindReplace::everyContextMenuReachesScreenReaders_data()
{
    QTest::addColumn<int>("opened"); // menus opened and closed before the one read
    QTest::newRow("first menu") << 0;
    QTest::newRow("second menu") << 1;
    QTest::newRow("third menu") << 2;
}

// What a screen reader lists: the menu's children that are valid and
// belong to it, by name.
static QStringList accessibleNames(QMenu &menu)
{
    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(&menu);
    if (!tree || !tree->isValid())
        return {QStringLiteral("<no menu>")};
    QStringList names;
    for (int i = 0; i < tree->childCount(); ++i) {
        QAccessibleInterface *item = tree->child(i);
        if (!item || !item->isValid() || item->parent() != tree || tree->indexOfChild(item) != i)
            continue;
        if (item->role() != QAccessible::Separator)
            names << item->text(QAccessible::Name);
    }
    return names;
}

void tst_FindReplace::everyContextMenuReachesScreenReaders()
{
    QFETCH(int, opened);
    QAccessible::setActive(true);
    rich()->setPlainText(QStringLiteral("text"));
    for (int i = 0; i < opened; ++i) {
        std::unique_ptr<QMenu> earlier(rich()->createContextMenu(QPoint(5, 5)));
        QVERIFY(accessibleNames(*earlier).contains(QStringLiteral("Najít...")));
    }
    std::unique_ptr<QMenu> menu(rich()->createContextMenu(QPoint(5, 5)));
    QStringList shown;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            shown << QString(a->text()).remove(QLatin1Char('&'));
    QVERIFY(shown.contains(QStringLiteral("Najít...")));
    QVERIFY(shown.contains(QStringLiteral("Nahradit...")));
    QVERIFY(shown.contains(QStringLiteral("Kontrola pravopisu")));
    QCOMPARE(accessibleNames(*menu), shown);

    // The menu's own items still run the program's actions.
    const bool spelling = m_main->spelling->toggle->isChecked();
    for (QAction *a : menu->actions())
        if (a->text() == QLatin1String("Kontrola pravopisu"))
            a->trigger();
    QCOMPARE(m_main->spelling->toggle->isChecked(), !spelling);
    m_main->spelling->toggle->trigger();
}

QTEST_MAIN(tst_FindReplace)
#include "tst_findreplace.moc"
