// Spell-checking as you type: which words are checked, which are marked,
// that the marks never touch the document, the context menu, the personal
// word list, the switch, and dictionaries that are missing or broken.

#include "platform/richtextbox.h"
#include "platform/spellcheck.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace borovka;

namespace {

std::shared_ptr<SpellDictionary> testDictionary()
{
    return std::make_shared<SpellDictionary>(QStringLiteral(SPELL_TEST_DATA "/cs_test.aff"),
                                             QStringLiteral(SPELL_TEST_DATA "/cs_test.dic"));
}

QStringList words(const QString &text)
{
    QStringList out;
    for (const WordSpan &w : checkableWords(text))
        out << text.mid(w.start, w.length);
    return out;
}

QStringList texts(const QMenu &menu)
{
    QStringList out;
    for (const QAction *a : menu.actions())
        out << (a->isSeparator() ? QStringLiteral("---") : a->text());
    return out;
}

} // namespace

class tst_SpellCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void wordsToCheck_data();
    void wordsToCheck();
    void misspelt_data();
    void misspelt();
    void marksLeaveTheDocumentAlone();
    void noteMarkEndsTheWord();
    void onlyTheVisiblePartIsChecked();
    void marksGoWithTheirDocument();
    void otherLanguagesAreLeftAlone_data();
    void otherLanguagesAreLeftAlone();
    void suggestionsInTheContextMenu();
    void ignoreAllAndPersonalList();
    void personalListNotWritable();
    void switchIsRemembered();
    void brokenDictionaries_data();
    void brokenDictionaries();
    void backgroundLoad();
    void installedCzechDictionary();

private:
    QPoint pointAt(int position)
    {
        QTextCursor c(m_rich->document());
        c.setPosition(position);
        return m_rich->cursorRect(c).center() + QPoint(1, 0);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RichTextBox> m_rich;
    std::unique_ptr<SpellChecker> m_checker;
};

void tst_SpellCheck::initTestCase()
{
    // Settings and word lists go to a test folder, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("borovka-spellcheck-test"));
    QVERIFY(testDictionary()->isValid());
}

void tst_SpellCheck::init()
{
    QSettings(QCoreApplication::applicationName()).clear();
    m_rich = std::make_unique<RichTextBox>();
    m_rich->resize(400, 300);
    m_rich->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rich.get()));
    m_checker = std::make_unique<SpellChecker>(*m_rich, m_dir.filePath(QStringLiteral("slova.txt")));
}

void tst_SpellCheck::cleanup()
{
    m_checker.reset();
    m_rich.reset();
    QFile::remove(m_dir.filePath(QStringLiteral("slova.txt")));
}

void tst_SpellCheck::wordsToCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("czech letters") << "Příliš žluťoučký kůň." << QStringList{"Příliš", "žluťoučký", "kůň"};
    QTest::newRow("hyphenated") << "česko-slovenský - spor" << QStringList{"česko-slovenský", "spor"};
    QTest::newRow("apostrophes") << "rock'n'roll a l’amour" << QStringList{"rock'n'roll", "l’amour"};
    QTest::newRow("quotes around") << "'slovo' -jiné-" << QStringList{"slovo", "jiné"};
    QTest::newRow("digits and capitals") << "DPH 2024 x1 3D ČR Ok" << QStringList{"Ok"};
    QTest::newRow("addresses") << "viz https://sklipek.cz/clanek, jan@sklipek.cz a www.sklipek.cz"
                               << QStringList{"viz"};
    QTest::newRow("combining accent") << QString::fromUtf8("cafe\xcc\x81 bar") << QStringList{QString::fromUtf8("cafe\xcc\x81"), "bar"};
    QTest::newRow("single letters") << "a v k" << QStringList{};
}

void tst_SpellCheck::wordsToCheck()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(words(text), expected);
}

void tst_SpellCheck::misspelt_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("wrong");
    QTest::newRow("known") << "kůň" << false;
    QTest::newRow("capitalised") << "Příliš" << false;
    QTest::newRow("without háček") << "kun" << true;
    QTest::newRow("unknown") << "kočka" << true;
    QTest::newRow("both parts known") << "česko-slovenský" << false;
    QTest::newRow("one part unknown") << "česko-slovesky" << true;
    QTest::newRow("typographic apostrophe") << "rock’n’roll" << false;
}

void tst_SpellCheck::misspelt()
{
    QFETCH(QString, word);
    QFETCH(bool, wrong);
    m_checker->setDictionary(testDictionary());
    QCOMPARE(m_checker->isMisspelt(word), wrong);
}

// An endnote's mark "i" right after a word is not read as part of it.
void tst_SpellCheck::noteMarkEndsTheWord()
{
    m_rich->setTextRTF("{\\rtf1\\aftnnrlc slovo{\\super\\chftn}{\\footnote\\ftnalt\\pard\\plain{\\super\\chftn} pozn\\'e1mka}"
                       " k\\u367?\\u328?\\par}");
    QVERIFY(m_rich->toPlainText().startsWith(QStringLiteral("slovoi kůň")));
    m_checker->setDictionary(testDictionary());
    QCOMPARE(m_checker->marked(), (QList<std::pair<int, int>>{}));
}

void tst_SpellCheck::marksLeaveTheDocumentAlone()
{
    m_rich->setPlainText(QStringLiteral("Příliš žlutoucky kůň úpěl ABC 42 kocka"));
    m_rich->document()->setModified(false);
    const QByteArray rtf = m_rich->TextRTF();
    const int undoSteps = m_rich->document()->availableUndoSteps();
    int changes = 0;
    connect(m_rich.get(), &RichTextBox::Change, this, [&changes] { ++changes; });

    m_checker->setDictionary(testDictionary());
    const QList<std::pair<int, int>> expected{{7, 9}, {33, 5}};
    QCOMPARE(m_checker->marked(), expected);
    // The timer after a change does the same.
    m_rich->setExtraSelections({});
    QTest::keyClick(m_rich->verticalScrollBar(), Qt::Key_Down); // a scroll, no change
    m_checker->recheck();
    QCOMPARE(m_checker->marked(), expected);

    QCOMPARE(changes, 0);
    QCOMPARE(m_rich->TextRTF(), rtf);
    QCOMPARE(m_rich->document()->availableUndoSteps(), undoSteps);
    QVERIFY(!m_rich->document()->isModified());

    // Typing is checked a moment later.
    QTextCursor end(m_rich->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral(" pes a"));
    QTRY_COMPARE(m_checker->marked().size(), 3);
    QCOMPARE(m_checker->marked().at(2), std::make_pair(39, 3));
}

void tst_SpellCheck::onlyTheVisiblePartIsChecked()
{
    QStringList lines;
    for (int i = 0; i < 3000; ++i)
        lines << QStringLiteral("chyba");
    m_rich->setPlainText(lines.join(QLatin1Char('\n')));
    m_checker->setDictionary(testDictionary());
    const auto top = m_checker->marked();
    QVERIFY(!top.isEmpty());
    QVERIFY(top.size() < 200);
    QCOMPARE(top.first().first, 0);

    m_rich->verticalScrollBar()->setValue(m_rich->verticalScrollBar()->maximum());
    QTRY_VERIFY(!m_checker->marked().isEmpty() && m_checker->marked().first().first > 0);
    QVERIFY(m_checker->marked().last().first > (3000 - 200) * 6);
}

void tst_SpellCheck::marksGoWithTheirDocument()
{
    m_rich->setPlainText(QStringLiteral("kocka pes"));
    m_checker->setDictionary(testDictionary());
    QCOMPARE(m_checker->marked().size(), 2);
    // New and Open replace the whole document: no mark may outlive it.
    m_rich->setTextRTF(QByteArrayView());
    QVERIFY(m_rich->extraSelections().isEmpty());
    m_checker->recheck();
    QVERIFY(m_checker->marked().isEmpty());
    m_rich->setTextRTF(QByteArrayView("{\\rtf1 pes}"));
    m_checker->recheck();
    QCOMPARE(m_checker->marked(), (QList<std::pair<int, int>>{{0, 3}}));
}

void tst_SpellCheck::otherLanguagesAreLeftAlone_data()
{
    using Marks = QList<std::pair<int, int>>;
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<Marks>("expected");
    QTest::newRow("english run") << QByteArray("{\\rtf1\\deflang1029 kocka {\\lang1033 kocka}}") << Marks{{0, 5}};
    QTest::newRow("czech run said so") << QByteArray("{\\rtf1\\deflang1029 kocka {\\lang1029 kocka}}")
                                       << Marks{{0, 5}, {6, 5}};
    QTest::newRow("no proofing") << QByteArray("{\\rtf1 {\\noproof kocka} kocka}") << Marks{{6, 5}};
    QTest::newRow("proofing again") << QByteArray("{\\rtf1 {\\noproof\\noproof0 kocka}}") << Marks{{0, 5}};
    QTest::newRow("english document") << QByteArray("{\\rtf1\\deflang1033 kocka {\\lang1029 kocka}}") << Marks{{6, 5}};
    QTest::newRow("word partly english") << QByteArray("{\\rtf1 {\\lang1033 ko}cka}") << Marks{};
    QTest::newRow("plain is the document's") << QByteArray("{\\rtf1 {\\lang1033\\plain kocka}}") << Marks{{0, 5}};
}

void tst_SpellCheck::otherLanguagesAreLeftAlone()
{
    using Marks = QList<std::pair<int, int>>;
    QFETCH(QByteArray, rtf);
    QFETCH(Marks, expected);
    m_rich->setTextRTF(rtf);
    m_checker->setDictionary(testDictionary());
    m_checker->recheck();
    QCOMPARE(m_checker->marked(), expected);
    // Nor does the context menu offer to correct a word it does not mark.
    std::unique_ptr<QMenu> menu(m_rich->createContextMenu(pointAt(2)));
    QCOMPARE(texts(*menu).contains(QStringLiteral("Přidat do slovníku")), expected.value(0).first == 0 && !expected.isEmpty());
}

void tst_SpellCheck::suggestionsInTheContextMenu()
{
    m_rich->setPlainText(QStringLiteral("Praha kun slovo"));
    QTextCursor c(m_rich->document());
    c.setPosition(6);
    c.setPosition(9, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold);
    m_checker->setDictionary(testDictionary());

    std::unique_ptr<QMenu> menu(m_rich->createContextMenu(pointAt(7)));
    const QStringList entries = texts(*menu);
    QVERIFY2(entries.first() == QStringLiteral("kůň"), qPrintable(entries.join(QLatin1Char('|'))));
    const int add = int(entries.indexOf(QStringLiteral("Přidat do slovníku")));
    QVERIFY(add >= 1 && add <= SpellChecker::MaxSuggestions);
    QCOMPARE(entries.at(add + 1), QStringLiteral("Ignorovat vše"));
    QCOMPARE(entries.last(), QStringLiteral("Kontrola pravopisu"));
    QVERIFY(menu->actions().last()->isCheckable());

    menu->actions().first()->trigger();
    QCOMPARE(m_rich->toPlainText(), QStringLiteral("Praha kůň slovo"));
    c.setPosition(6);
    c.setPosition(9, QTextCursor::KeepAnchor);
    QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
    m_rich->undo();
    QCOMPARE(m_rich->toPlainText(), QStringLiteral("Praha kun slovo"));

    // A right word gets no suggestions, only the switch.
    menu.reset(m_rich->createContextMenu(pointAt(1)));
    QVERIFY(!texts(*menu).contains(QStringLiteral("Přidat do slovníku")));
    QCOMPARE(texts(*menu).last(), QStringLiteral("Kontrola pravopisu"));
}

void tst_SpellCheck::ignoreAllAndPersonalList()
{
    m_rich->setPlainText(QStringLiteral("kocka pes kocka pes"));
    m_checker->setDictionary(testDictionary());
    QCOMPARE(m_checker->marked().size(), 4);

    std::unique_ptr<QMenu> menu(m_rich->createContextMenu(pointAt(1)));
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("Ignorovat vše"))
            a->trigger();
    QCOMPARE(m_checker->marked().size(), 2);

    menu.reset(m_rich->createContextMenu(pointAt(7)));
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("Přidat do slovníku"))
            a->trigger();
    QCOMPARE(m_checker->marked().size(), 0);

    // The added word stays for the next run; the ignored one does not.
    QFile list(m_dir.filePath(QStringLiteral("slova.txt")));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QCOMPARE(list.readAll(), QByteArray("pes\n"));
    SpellChecker next(*m_rich, list.fileName());
    next.setDictionary(testDictionary());
    QVERIFY(!next.isMisspelt(QStringLiteral("pes")));
    QVERIFY(next.isMisspelt(QStringLiteral("kocka")));
}

void tst_SpellCheck::personalListNotWritable()
{
    QFile blocker(m_dir.filePath(QStringLiteral("soubor")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SpellChecker checker(*m_rich, blocker.fileName() + QStringLiteral("/slova.txt"));
    checker.setDictionary(testDictionary());
    m_rich->setPlainText(QStringLiteral("pes"));
    checker.recheck();
    std::unique_ptr<QMenu> menu(m_rich->createContextMenu(pointAt(1)));
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("Přidat do slovníku"))
            a->trigger();
    // Known for this run even though the list could not be written.
    QVERIFY(!checker.isMisspelt(QStringLiteral("pes")));
    QCOMPARE(m_rich->toPlainText(), QStringLiteral("pes"));
}

void tst_SpellCheck::switchIsRemembered()
{
    m_rich->setPlainText(QStringLiteral("kocka"));
    m_checker->setDictionary(testDictionary());
    QCOMPARE(m_checker->marked().size(), 1);
    QCOMPARE(m_checker->toggle->text(), QStringLiteral("Kontrola pravopisu"));
    QVERIFY(m_checker->toggle->isChecked());
    m_checker->toggle->trigger();
    QVERIFY(!m_checker->isEnabled());
    QCOMPARE(m_checker->marked().size(), 0);

    SpellChecker next(*m_rich, QString());
    QVERIFY(!next.isEnabled());
    QVERIFY(!next.toggle->isChecked());
    next.toggle->trigger();
    SpellChecker third(*m_rich, QString());
    QVERIFY(third.isEnabled());
}

void tst_SpellCheck::brokenDictionaries_data()
{
    QTest::addColumn<QByteArray>("aff");
    QTest::addColumn<QByteArray>("dic");
    QTest::addColumn<bool>("missing");
    QTest::newRow("missing") << QByteArray() << QByteArray() << true;
    QTest::newRow("empty") << QByteArray() << QByteArray() << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02\xff\xfe garbage\n", 14) << QByteArray("nonsense\n\xff\n") << false;
    QTest::newRow("unknown encoding") << QByteArray("SET X-NONSENSE-9\n") << QByteArray("1\npes\n") << false;
}

void tst_SpellCheck::brokenDictionaries()
{
    QFETCH(QByteArray, aff);
    QFETCH(QByteArray, dic);
    QFETCH(bool, missing);
    const QString affPath = m_dir.filePath(QStringLiteral("x.aff"));
    const QString dicPath = m_dir.filePath(QStringLiteral("x.dic"));
    QFile::remove(affPath);
    QFile::remove(dicPath);
    if (!missing) {
        QFile a(affPath), d(dicPath);
        QVERIFY(a.open(QIODevice::WriteOnly) && d.open(QIODevice::WriteOnly));
        a.write(aff);
        d.write(dic);
    }
    auto dictionary = std::make_shared<SpellDictionary>(affPath, dicPath);
    QVERIFY(!dictionary->isValid());
    QVERIFY(dictionary->suggestions(QStringLiteral("pes"), 7).isEmpty());
    m_rich->setPlainText(QStringLiteral("cokoli nesmyslného"));
    m_checker->setDictionary(dictionary);
    QVERIFY(m_checker->marked().isEmpty());
    std::unique_ptr<QMenu> menu(m_rich->createContextMenu(pointAt(1)));
    QCOMPARE(texts(*menu).last(), QStringLiteral("Kontrola pravopisu"));
}

void tst_SpellCheck::backgroundLoad()
{
    m_rich->setPlainText(QStringLiteral("kocka"));
    QSignalSpy loaded(m_checker.get(), &SpellChecker::dictionaryLoaded);
    m_checker->loadInBackground(QStringLiteral(SPELL_TEST_DATA "/cs_test.aff"),
                                QStringLiteral(SPELL_TEST_DATA "/cs_test.dic"));
    QTRY_COMPARE(loaded.size(), 1);
    QCOMPARE(loaded.first().first().toBool(), true);
    QCOMPARE(m_checker->marked().size(), 1);
}

void tst_SpellCheck::installedCzechDictionary()
{
    if (!QFile::exists(SpellDictionary::czechDic()))
        QSKIP("hunspell-cs is not installed");
    SpellDictionary czech(SpellDictionary::czechAff(), SpellDictionary::czechDic());
    QVERIFY(czech.isValid());
    for (const QString &w : words(QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy, česko-slovenský")))
        QVERIFY2(czech.isCorrect(w) || w.contains(QLatin1Char('-')), qPrintable(w));
    QVERIFY(!czech.isCorrect(QStringLiteral("zlutoucky")));
    QVERIFY(czech.suggestions(QStringLiteral("zlutoucky"), 7).contains(QStringLiteral("žluťoučký")));
    QVERIFY(czech.suggestions(QStringLiteral("zlutoucky"), 7).size() <= 7);
}

QTEST_MAIN(tst_SpellCheck)
#include "tst_spellcheck.moc"
