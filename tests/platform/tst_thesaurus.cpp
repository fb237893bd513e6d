// Synonyms from a thesaurus of our own (tests/platform/data/th_test.*,
// five entries in the MyThes format), the "Synonyma" submenu and what
// choosing a synonym does to the text; damaged and missing thesauri.

#include "platform/richtextbox.h"
#include "platform/thesaurus.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace borovka;

namespace {

const QString kIdx = QStringLiteral(THESAURUS_TEST_DATA "/th_test.idx");
const QString kDat = QStringLiteral(THESAURUS_TEST_DATA "/th_test.dat");

// "(definition) a, b | (definition) c" for comparing meanings at a glance.
QString describe(const QList<Meaning> &meanings)
{
    QStringList parts;
    for (const Meaning &m : meanings)
        parts << (m.definition.isEmpty() ? QString() : m.definition + u' ') + m.synonyms.join(QStringLiteral(", "));
    return parts.join(QStringLiteral(" | "));
}

QMenu *synonymMenu(QMenu &menu)
{
    for (QAction *a : menu.actions()) {
        if (a->menu() && a->text() == QStringLiteral("Synonyma"))
            return a->menu();
    }
    return nullptr;
}

} // namespace

class tst_Thesaurus : public QObject {
    Q_OBJECT

private slots:
    void choosing_data();
    void choosing();
    void meanings_data();
    void meanings();
    void installedCzechThesaurus();

private:
    QPoint pointAt(RichTextBox &rich, int position)
    {
        QTextCursor c(rich.document());
        c.setPosition(position);
        return rich.cursorRect(c).center() + QPoint(1, 0);
    }
};

void tst_Thesaurus::choosing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("click");    // position in the text
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<int>("chosen");   // index into offered, -1: nothing chosen
    QTest::addColumn<QString>("after");
    QTest::newRow("small letters") << "Ten dům stojí." << 5 << QStringList{"budova", "stavení", "domov", "domácnost", "vlastní dům"}
                                   << 0 << "Ten budova stojí.";
    QTest::newRow("capital kept") << "Dům stojí." << 1 << QStringList{"Budova", "Stavení", "Domov", "Domácnost", "Vlastní dům"}
                                  << 2 << "Domov stojí.";
    QTest::newRow("all capitals kept") << "VELKÝ sál" << 2 << QStringList{"ROZLEHLÝ", "OBROVSKÝ", "ZNAČNÝ"} << 1 << "OBROVSKÝ sál";
    QTest::newRow("click just after the word") << "psát" << 4 << QStringList{"zapisovat", "sepisovat"} << 1 << "sepisovat";
    QTest::newRow("several words") << "Dům." << 0 << QStringList{"Budova", "Stavení", "Domov", "Domácnost", "Vlastní dům"}
                                   << 4 << "Vlastní dům.";
    QTest::newRow("unknown word: disabled") << "Ten stůl." << 5 << QStringList{} << -1 << "Ten stůl.";
    QTest::newRow("no word: disabled") << "dům   kniha" << 4 << QStringList{} << -1 << "dům   kniha";
}

// The submenu offers the meanings' synonyms (without the word itself),
// written as the word is; choosing one replaces the word and keeps its
// formatting (bold here) and its neighbours'.
void tst_Thesaurus::choosing()
{
    QFETCH(QString, text);
    QFETCH(int, click);
    QFETCH(QStringList, offered);
    QFETCH(int, chosen);
    QFETCH(QString, after);
    RichTextBox rich;
    rich.resize(400, 200);
    QTextCursor c(rich.document());
    c.insertText(text);
    // The clicked word in bold, the rest plain.
    QTextCursor word = wordAt(*rich.document(), click);
    if (!word.isNull()) {
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        word.mergeCharFormat(bold);
    }
    SynonymMenu synonyms(rich, std::make_shared<Thesaurus>(kIdx, kDat));
    std::unique_ptr<QMenu> menu(rich.createContextMenu(pointAt(rich, click)));
    QMenu *sub = synonymMenu(*menu);
    QVERIFY(sub);
    QCOMPARE(sub->isEnabled(), !offered.isEmpty());
    QStringList got;
    QList<QAction *> actions;
    for (QAction *a : sub->actions()) {
        if (!a->isSeparator()) {
            got << a->text();
            actions << a;
        }
    }
    QCOMPARE(got, offered);
    if (chosen < 0)
        return;
    const int start = word.selectionStart();
    actions[chosen]->trigger();
    QCOMPARE(rich.document()->toPlainText(), after);
    const int end = start + offered[chosen].size();
    for (QTextBlock b = rich.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const bool inWord = f.position() >= start && f.position() + f.length() <= end;
            QVERIFY2((f.charFormat().fontWeight() == QFont::Bold) == inWord, qPrintable(f.text()));
        }
    }
    // One step of the history takes it back.
    rich.document()->undo();
    QCOMPARE(rich.document()->toPlainText(), text);
}

void tst_Thesaurus::meanings_data()
{
    QTest::addColumn<QByteArray>("idx"); // empty: the file is missing
    QTest::addColumn<QByteArray>("dat");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("meanings");
    QFile idxFile(kIdx), datFile(kDat);
    QVERIFY(idxFile.open(QIODevice::ReadOnly) && datFile.open(QIODevice::ReadOnly));
    const QByteArray idx = idxFile.readAll(), dat = datFile.readAll();
    const QString dum = QStringLiteral("(podst. jm.) budova, stavení, dům | (podst. jm.) domov, domácnost | vlastní dům");
    QTest::newRow("three meanings, one without definition") << idx << dat << true << "dům" << dum;
    QTest::newRow("capital looked up in small letters")
        << idx << dat << true << "Kniha" << "(podst. jm.) svazek, publikace, spis";
    QTest::newRow("all capitals") << idx << dat << true << "KRÁSNÝ" << "(příd. jm.) pěkný, hezký, půvabný | (příd. jm.) skvělý";
    QTest::newRow("the last entry") << idx << dat << true << "velký" << "(příd. jm.) rozlehlý, obrovský, značný";
    QTest::newRow("unknown word") << idx << dat << true << "stůl" << "";
    QTest::newRow("part of a word") << idx << dat << true << "dů" << "";
    QTest::newRow("empty word") << idx << dat << true << "" << "";
    QTest::newRow("no files") << QByteArray() << QByteArray() << false << "dům" << "";
    QTest::newRow("no data file") << idx << QByteArray() << false << "dům" << "";
    QTest::newRow("empty files") << QByteArray("\n") << QByteArray("\n") << false << "dům" << "";
    QTest::newRow("unknown encoding") << idx << QByteArray(dat).replace("UTF-8", "KLINGON") << false << "dům" << "";
    QTest::newRow("count past the entries") << QByteArray(idx).replace("UTF-8\n5\n", "UTF-8\n2000000000\n") << dat << false
                                            << "dům" << "";
    QTest::newRow("index cut short") << idx.left(idx.size() - 12) << dat << false << "dům" << "";
    QTest::newRow("offset past the data") << QByteArray(idx).replace("|6\n", "|6000000\n") << dat << false << "dům" << "";
    QTest::newRow("line without end") << idx + QByteArray(100000, 'x') << dat << false << "dům" << "";
    QTest::newRow("huge meaning count") << idx << QByteArray(dat).replace("dům|3", "dům|999999999") << true << "dům" << "";
    QTest::newRow("fewer meanings than counted") << idx << QByteArray(dat).replace("velký|1", "velký|5") << true << "velký" << "";
    QTest::newRow("another entry sound") << idx << QByteArray(dat).replace("velký|1", "velký|5") << true << "dům" << dum;
    QTest::newRow("offset into another entry") << QByteArray(idx).replace("dům|6\n", "dům|92\n") << dat << true << "dům" << "";
}

// What a thesaurus gives for a word, sound or damaged; a damaged entry
// refuses that entry only.
void tst_Thesaurus::meanings()
{
    QFETCH(QByteArray, idx);
    QFETCH(QByteArray, dat);
    QFETCH(bool, valid);
    QFETCH(QString, word);
    QFETCH(QString, meanings);
    QTemporaryDir dir;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        if (bytes.isEmpty())
            return;
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(QStringLiteral("t.idx"), idx);
    write(QStringLiteral("t.dat"), dat);
    auto thesaurus = std::make_shared<Thesaurus>(dir.filePath(QStringLiteral("t.idx")), dir.filePath(QStringLiteral("t.dat")));
    QCOMPARE(thesaurus->isValid(), valid);
    QCOMPARE(describe(thesaurus->meanings(word)), meanings);
    // The submenu is there all the same, disabled when nothing is offered.
    RichTextBox rich;
    rich.resize(400, 200);
    QTextCursor(rich.document()).insertText(QStringLiteral("Ten ") + word + u'.');
    SynonymMenu synonyms(rich, thesaurus);
    std::unique_ptr<QMenu> menu(rich.createContextMenu(pointAt(rich, 5)));
    QMenu *sub = synonymMenu(*menu);
    QVERIFY(sub);
    QCOMPARE(sub->isEnabled(), !meanings.isEmpty());
}

void tst_Thesaurus::installedCzechThesaurus()
{
    if (!QFile::exists(Thesaurus::czechIdx()) || !QFile::exists(Thesaurus::czechDat()))
        QSKIP("mythes-cs is not installed");
    Thesaurus thesaurus(Thesaurus::czechIdx(), Thesaurus::czechDat());
    QVERIFY(thesaurus.isValid());
    const QList<Meaning> meanings = thesaurus.meanings(QStringLiteral("Dům"));
    QVERIFY(!meanings.isEmpty());
    QVERIFY2(meanings.first().synonyms.contains(QStringLiteral("budova")), qPrintable(describe(meanings)));
}

QTEST_MAIN(tst_Thesaurus)
#include "tst_thesaurus.moc"
