// Broken and hostile input: each case loads what can be read, or is
// refused with an error, and never crashes, hangs or runs out of memory.
// The large inputs are generated here rather than kept as files.

#include "model/lists.h"
#include "model/notes.h"
#include "model/pictures.h"
#include "rtf/readerlimits.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QUrl>
#include <QtMath>
#include <QTest>
#include <QTextTable>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextListFormat>
#include <QSet>

#include <limits>
#include <thread>

#include <unistd.h>

#include "rtftest.h"

using namespace rtftest;

class TestRtfHostile : public QObject {
    Q_OBJECT

private slots:
    void partialContent_data();
    void partialContent();
    void deepNesting();
    void deepNestingUnclosed();
    void deepNestingInsideSkippedGroup();
    void hugeControlWord();
    void hugeFontSizeIsClamped();
    void longParametersAreClamped_data();
    void longParametersAreClamped();
    void tabStopsAreBounded();
    void truncatedAnywhere();
    void randomGarbage();
    void tooLargeIsRefused();
    void ceilingFollowsMemory();
    void limitHooksHoldForTheirThreadOnly();
    void checkInputSizeAlone();
    void pictureSizeOverflowOnSave_data();
    void pictureSizeOverflowOnSave();
    void paragraphLimit_data();
    void paragraphLimit();
    void paragraphLimitKeepsNoPartOfTheText();
    void tableShapes_data();
    void tableShapes();
    // lists
    void listLimits_data();
    void listLimits();
    void hugeListTableIsBounded();
    void longListsAreSplit_data();
    void longListsAreSplit();
    void picturesCostWhatTheFileDoes_data();
    void picturesCostWhatTheFileDoes();
    void pictureDecodedAtTheSizeShown_data();
    void pictureDecodedAtTheSizeShown();
    void noteLimit_data();
    void noteLimit();
    void hostileNotes_data();
    void hostileNotes();
};

void TestRtfHostile::partialContent_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("header only") << QByteArray("{\\rtf1") << QString();
    QTest::newRow("header and backslash") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("bin past the end") << QByteArray("{\\rtf1 a{\\pict\\bin999999999 bc}}") << QStringLiteral("a\uFFFC");
    QTest::newRow("bin at 2^31-1") << QByteArray("{\\rtf1 a\\bin2147483647 bc}") << QStringLiteral("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 bc}") << QStringLiteral("abc");
    QTest::newRow("nul bytes") << raw("{\\rtf1 a\0b\0\0c\\b\0d}") << QStringLiteral("abcd");
    QTest::newRow("nul in a hex escape") << raw("{\\rtf1 a\\'\0e8b}") << QStringLiteral("ae8b");
    QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1\\ansi a\\'e") << QStringLiteral("a");
    QTest::newRow("truncated in a group") << QByteArray("{\\rtf1 a\\par {\\b b") << QStringLiteral("a\nb");
    QTest::newRow("truncated in the font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << QString();
    QTest::newRow("too many closing braces") << QByteArray("{\\rtf1 a}}}}b") << QStringLiteral("a");
    QTest::newRow("closing braces inside") << QByteArray("{\\rtf1 {a}}}b}") << QStringLiteral("a");
    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 {{{a{\\b b") << QStringLiteral("ab");
    QTest::newRow("huge uc is bounded") << QByteArray("{\\rtf1 \\uc999999\\u269 abcdefghijkl}") << QStringLiteral("čijkl");
    QTest::newRow("u out of range") << QByteArray("{\\rtf1 a\\u99999999?b\\u-99999?c}") << QStringLiteral("abc");
    QTest::newRow("colour index huge") << QByteArray("{\\rtf1{\\colortbl;\\red300\\green-5\\blue0;}\\cf2147483647 a}")
                                       << QStringLiteral("a");
    QTest::newRow("font never defined") << QByteArray("{\\rtf1\\f99999 a}") << QStringLiteral("a");
    QTest::newRow("text after the end") << QByteArray("{\\rtf1 a}\\par b{c}") << QStringLiteral("a");
    QTest::newRow("many cells") << QByteArray("{\\rtf1 a" + QByteArray("\\cell").repeated(100000) + "}")
                                << QStringLiteral("a");
    QTest::newRow("byte-order mark and blank lines first") << QByteArray("\xEF\xBB\xBF\r\n {\\rtf1 a}")
                                                           << QStringLiteral("a");
    QTest::newRow("style loop")
        << QByteArray("{\\rtf1{\\stylesheet{\\s1\\sbasedon1\\snext1 a;}{\\s2\\sbasedon3 b;}{\\s3\\sbasedon2 c;}}\\s2 x}")
        << QStringLiteral("x");
}

void TestRtfHostile::partialContent()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QTextDocument d;
    d.setPlainText(QStringLiteral("old content"));
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), text);
    QVERIFY(d.isUndoRedoEnabled());
}

void TestRtfHostile::deepNesting()
{
    const int depth = 100000;
    QByteArray rtf = "{\\rtf1 " + QByteArray(depth, '{') + "\\b hluboko" + QByteArray(depth, '}') + "konec}";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), QStringLiteral("hlubokokonec"));
    QCOMPARE(formatAt(d, 0).fontWeight(), int(QFont::Bold));
    // The groups close properly even past the depth kept: the bold ends.
    QVERIFY(formatAt(d, 7).fontWeight() < QFont::DemiBold);
}

void TestRtfHostile::deepNestingUnclosed()
{
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i)
        rtf += "{\\i x";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(d.toPlainText(), QString(100000, u'x'));
    QVERIFY(formatAt(d, 99999).fontItalic());
}

void TestRtfHostile::deepNestingInsideSkippedGroup()
{
    const int depth = 100000;
    QByteArray rtf = "{\\rtf1 a{\\*\\unknown " + QByteArray(depth, '{') + "skryto" + QByteArray(depth, '}') + "}b}";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), QStringLiteral("ab"));
}

void TestRtfHostile::hugeControlWord()
{
    QByteArray rtf = "{\\rtf1 a\\" + QByteArray(20 * 1024 * 1024, 'x') + "123 b\\" + QByteArray(1000, 'p') + " c}";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), QStringLiteral("abc"));
}

void TestRtfHostile::hugeFontSizeIsClamped()
{
    QTextDocument d;
    rtf::read("{\\rtf1 \\fs2147483647 a\\fs-20 b\\fs0 c}", d);
    QCOMPARE(textOf(d), QStringLiteral("abc"));
    QCOMPARE(formatAt(d, 0).fontPointSize(), 1638.0);
    QCOMPARE(formatAt(d, 1).fontPointSize(), 12.0);
    QCOMPARE(formatAt(d, 2).fontPointSize(), 12.0);
}

void TestRtfHostile::longParametersAreClamped_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("value");
    const QByteArray digits(200, '9');
    QTest::newRow("fs") << "\\fs" + digits << int(QTextFormat::FontPointSize) << QVariant(1638.0);
    QTest::newRow("li") << "\\li" + digits << int(QTextFormat::BlockLeftMargin) << QVariant(31680 / 15.0);
    QTest::newRow("negative fi") << "\\fi-" + digits << int(QTextFormat::TextIndent) << QVariant(-31680 / 15.0);
    QTest::newRow("sa") << "\\sa" + digits << int(QTextFormat::BlockBottomMargin) << QVariant(31680 / 15.0);
    QTest::newRow("negative sb is none") << "\\sb-" + digits << int(QTextFormat::BlockTopMargin) << QVariant();
}

void TestRtfHostile::longParametersAreClamped()
{
    QFETCH(QByteArray, word);
    QFETCH(int, property);
    QFETCH(QVariant, value);
    QTextDocument d;
    rtf::read("{\\rtf1 " + word + " x\\par}", d);
    QCOMPARE(textOf(d), QStringLiteral("x"));
    const QVariant got = property == QTextFormat::FontPointSize ? formatAt(d, 0).property(property)
                                                                : d.begin().blockFormat().property(property);
    QCOMPARE(got, value);
}

void TestRtfHostile::tabStopsAreBounded()
{
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 1; i <= 100000; ++i)
        rtf += "\\tqr\\tx" + QByteArray::number(i);
    rtf += " x\\par}";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), QStringLiteral("x"));
    const QList<QTextOption::Tab> tabs = d.begin().blockFormat().tabPositions();
    QVERIFY(!tabs.isEmpty());
    QVERIFY(tabs.size() <= 64);
    QCOMPARE(tabs.first().position, 1 / 15.0);
}

void TestRtfHostile::truncatedAnywhere()
{
    // A document cut at any byte loads a beginning of its text.
    QTextDocument full;
    QTextCursor c(&full);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(10, 20, 30));
    for (int i = 0; i < 6; ++i) {
        if (i)
            c.insertBlock();
        c.insertText(QStringLiteral("Řádek %1 ").arg(i));
        c.insertText(QStringLiteral("tučně {a\\b}"), bold);
    }
    const QByteArray rtf = rtf::write(full);
    const QString text = textOf(full);
    // Below five bytes the input is no RTF and reads as plain text.
    for (qsizetype cut = 5; cut <= rtf.size(); ++cut) {
        QTextDocument d;
        rtf::read(rtf.left(cut), d);
        const QString got = textOf(d);
        QVERIFY2(text.startsWith(got), qPrintable(QStringLiteral("cut at %1: %2").arg(cut).arg(got)));
    }
}

void TestRtfHostile::randomGarbage()
{
    // Seeded, so a failure can be repeated.
    QRandomGenerator rng(20240110);
    const QByteArray alphabet = raw("{}\\\\\\'*abcdefuiqlr0123456789- ;\r\n\0\xE8\xFF");
    for (int round = 0; round < 50; ++round) {
        QByteArray rtf = "{\\rtf1 ";
        const int size = 1 + int(rng.bounded(20000));
        for (int i = 0; i < size; ++i)
            rtf += alphabet[int(rng.bounded(alphabet.size()))];
        QTextDocument d;
        rtf::read(rtf, d);
        QVERIFY(d.blockCount() >= 1);
        QVERIFY(d.characterCount() <= rtf.size() + 1);
    }
}

void TestRtfHostile::tooLargeIsRefused()
{
    // The real ceiling is gigabytes; the hook lowers it for this thread.
    rtf::detail::setInputLimitForTesting(1024 * 1024);
    struct Restore {
        ~Restore() { rtf::detail::setInputLimitForTesting(0); }
    } restore;
    QCOMPARE(rtf::maxInputSize(), 1024 * 1024);
    QByteArray rtf = "{\\rtf1 ";
    rtf += QByteArray(rtf::maxInputSize() + 1 - rtf.size(), 'a');
    QCOMPARE(rtf.size(), rtf::maxInputSize() + 1);
    QTextDocument d;
    d.setPlainText(QStringLiteral("původní"));
    try {
        rtf::read(rtf, d);
        QFAIL("no error for a file above the limit");
    } catch (const rtf::Error &e) {
        QVERIFY2(e.description().contains(QStringLiteral("příliš velký")), qPrintable(e.description()));
    }
    QCOMPARE(d.toPlainText(), QStringLiteral("původní"));
    QVERIFY(d.isUndoRedoEnabled());
    // At the ceiling it reads.
    rtf.chop(1);
    rtf::read(rtf, d);
    QCOMPARE(d.toPlainText().size(), rtf.size() - 7);
}

void TestRtfHostile::ceilingFollowsMemory()
{
    // A quarter of physical memory, never below 1 GiB, and the bounds that
    // follow from the input size grow with it.
    const qint64 ram = qint64(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE);
    QVERIFY(rtf::maxInputSize() >= qint64(1) << 30);
    QVERIFY(rtf::maxInputSize() >= ram / 4 - sysconf(_SC_PAGE_SIZE));
    QVERIFY(rtf::maxInputSize() <= std::max<qint64>(qint64(1) << 30, ram / 4));
    const qint64 scale = rtf::maxInputSize() / (64 * 1024 * 1024);
    QVERIFY(scale >= 16);
    QCOMPARE(rtf::limits::maxParagraphs, 1'000'000 * scale);
    QCOMPARE(rtf::limits::maxRuns, 4'000'000 * scale);
    // What one picture may be does not depend on the machine.
    QCOMPARE(rtf::limits::maxPictureBytes, 32 * 1024 * 1024);
}

void TestRtfHostile::limitHooksHoldForTheirThreadOnly()
{
    // The converter reads on several threads: a lowered limit of one must
    // not reach the others.
    rtf::detail::setParagraphLimitForTesting(2);
    rtf::detail::setInputLimitForTesting(100);
    struct Restore {
        ~Restore()
        {
            rtf::detail::setParagraphLimitForTesting(0);
            rtf::detail::setInputLimitForTesting(0);
        }
    } restore;
    const QByteArray three = "{\\rtf1 a\\par b\\par c}";
    QTextDocument d;
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::read(three, d));
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::checkInputSize(101));
    int blocks = 0;
    qint64 ceiling = 0;
    std::thread other([&] {
        QTextDocument od;
        rtf::read(three, od);
        blocks = od.blockCount();
        ceiling = rtf::maxInputSize();
    });
    other.join();
    QCOMPARE(blocks, 3);
    QCOMPARE(ceiling, rtf::limits::maxInputBytes);
}

void TestRtfHostile::checkInputSizeAlone()
{
    rtf::checkInputSize(0);
    rtf::checkInputSize(rtf::maxInputSize());
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::checkInputSize(rtf::maxInputSize() + 1));
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::checkInputSize(std::numeric_limits<qint64>::max()));
}

void TestRtfHostile::pictureSizeOverflowOnSave_data()
{
    // Sizes a file may give a picture, at the ends of their range. The
    // writer derived \picw of a metafile from a huge goal and overflowed.
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("metafile, huge goal, no picw") << QByteArray("\\emfblip\\picwgoal2147483647\\pichgoal2000000000");
    QTest::newRow("metafile, huge picw") << QByteArray("\\wmetafile8\\picw2147483647\\pich2147483647");
    QTest::newRow("tiny scale") << QByteArray("\\pngblip\\picscalex1\\picscaley1\\picwgoal2147483647");
    QTest::newRow("huge scale") << QByteArray("\\pngblip\\picscalex2147483647\\picscaley2147483647\\picw5\\pich5");
    QTest::newRow("zero and negative") << QByteArray("\\dibitmap0\\picscalex0\\picw-5\\picwgoal-7\\pichgoal0");
    QTest::newRow("no words at all") << QByteArray();
}

void TestRtfHostile::pictureSizeOverflowOnSave()
{
    QFETCH(QByteArray, header);
    QTextDocument d;
    rtf::read("{\\rtf1 a{\\pict" + header + " 0102}b}", d);
    QCOMPARE(textOf(d), QStringLiteral("a\uFFFCb"));
    const QByteArray saved = rtf::write(d);
    QTextDocument back;
    rtf::read(saved, back);
    QCOMPARE(layoutOf(back), layoutOf(d));
    QTextCursor c(&back);
    c.setPosition(2);
    const QTextImageFormat f = c.charFormat().toImageFormat();
    QVERIFY(f.isValid());
    QVERIFY(f.width() >= 1 && f.width() <= 31680 / 15.0);
    QVERIFY(f.height() >= 1 && f.height() <= 31680 / 15.0);
    // Saving again changes nothing.
    QCOMPARE(rtf::write(back), saved);
}

void TestRtfHostile::paragraphLimit_data()
{
    // The limit is lowered through the test hook: a million paragraphs
    // would take seconds to build for each row, and the code path is the
    // same.
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("paragraphs"); // -1: refused
    const int limit = 50;
    const QByteArray line = "text\\par\r\n";
    QTest::newRow("at the limit") << "{\\rtf1 " + line.repeated(limit) + "}" << limit;
    QTest::newRow("at the limit, no final par") << "{\\rtf1 " + line.repeated(limit - 1) + "text}" << limit;
    QTest::newRow("at the limit, empty paragraphs") << "{\\rtf1 " + QByteArray("\\par ").repeated(limit) + "}"
                                                    << limit;
    QTest::newRow("one past") << "{\\rtf1 " + line.repeated(limit) + "text}" << -1;
    QTest::newRow("one empty past") << "{\\rtf1 " + QByteArray("\\par ").repeated(limit + 1) + "}" << -1;
    QTest::newRow("far past") << "{\\rtf1 " + line.repeated(limit * 10) + "}" << -1;
    // A text file is held to the same bound, or its RTF would not open again.
    QTest::newRow("text file at the limit") << QByteArray("line\n").repeated(limit - 1) + "last" << limit;
    QTest::newRow("text file one past") << QByteArray("line\r\n").repeated(limit) << -1;
}

void TestRtfHostile::paragraphLimit()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, paragraphs);
    rtf::detail::setParagraphLimitForTesting(50);
    struct Restore {
        ~Restore() { rtf::detail::setParagraphLimitForTesting(0); }
    } restore;

    QTextDocument d;
    if (paragraphs >= 0) {
        rtf::read(rtf, d);
        QCOMPARE(d.blockCount(), paragraphs);
        return;
    }
    try {
        rtf::read(rtf, d);
        QFAIL("no error for a document past the paragraph limit");
    } catch (const rtf::Error &e) {
        QVERIFY2(e.description().startsWith(QStringLiteral("Dokument je příliš velký")), qPrintable(e.description()));
        QVERIFY2(e.description().contains(QStringLiteral("50 odstavc")), qPrintable(e.description()));
    }
}

void TestRtfHostile::paragraphLimitKeepsNoPartOfTheText()
{
    rtf::detail::setParagraphLimitForTesting(3);
    struct Restore {
        ~Restore() { rtf::detail::setParagraphLimitForTesting(0); }
    } restore;
    QTextDocument d;
    d.setPlainText(QStringLiteral("původní"));
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::read("{\\rtf1 a\\par b\\par c\\par d}", d));
    // The caller keeps its own document; this one holds no part of the file.
    QVERIFY(d.isEmpty());
    QVERIFY(d.isUndoRedoEnabled());
    // The document still takes edits, and the limit does not outlive a read.
    QTextCursor(&d).insertText(QStringLiteral("x"));
    QCOMPARE(d.toPlainText(), QStringLiteral("x"));
    rtf::read("{\\rtf1 a\\par b\\par c}", d);
    QCOMPARE(d.blockCount(), 3);

    // The default limit is back once the hook is reset.
    rtf::detail::setParagraphLimitForTesting(0);
    rtf::read("{\\rtf1 a\\par b\\par c\\par d}", d);
    QCOMPARE(d.blockCount(), 4);
}

// Hostile tables load what can be read, bounded by the table limits.
void TestRtfHostile::tableShapes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("columns"); // of the outermost table; 0: no table
    QTest::addColumn<int>("depth");   // tables nested in the first cell
    QTest::addColumn<QString>("text");
    const QByteArray manyCellx = "\\trowd" + QByteArray("\\cellx100").repeated(100000);
    QTest::newRow("100 000 cellx") << "{\\rtf1" + manyCellx + "\\pard\\intbl a\\cell b\\cell\\row}" << rtf::limits::maxTableColumns << 1 << QStringLiteral("a\tb");
    QTest::newRow("cellx out of order and negative")
        << QByteArray("{\\rtf1\\trowd\\cellx5000\\cellx-300\\cellx2000\\pard\\intbl a\\cell b\\cell c\\cell\\row}") << 3 << 1
        << QStringLiteral("a\tb\tc");
    QTest::newRow("cell outside any row") << QByteArray("{\\rtf1 a\\cell b\\row c}") << 0 << 0 << QStringLiteral("a\tb\nc");
    QTest::newRow("row without cells") << QByteArray("{\\rtf1\\trowd\\cellx100\\intbl\\row\\row\\pard a}") << 0 << 0 << QStringLiteral("a");
    auto row = [](int cells) {
        QByteArray r = "{\\rtf1\\pard\\intbl";
        for (int i = 0; i < cells; ++i)
            r += ' ' + QByteArray::number(i) + "\\cell";
        return r + "\\row}";
    };
    auto cellsText = [](int cells, int columns) {
        QStringList t;
        for (int i = 0; i < cells; ++i)
            t << QString::number(i);
        return QStringList(t.mid(0, columns - 1)).join(u'\t') + u'\t' + QStringList(t.mid(columns - 1)).join(u'\n');
    };
    QTest::newRow("columns at the limit") << row(rtf::limits::maxTableColumns) << rtf::limits::maxTableColumns << 1
                                          << cellsText(rtf::limits::maxTableColumns, rtf::limits::maxTableColumns);
    QTest::newRow("columns past the limit go on in the last cell")
        << row(rtf::limits::maxTableColumns + 2) << rtf::limits::maxTableColumns << 1
        << cellsText(rtf::limits::maxTableColumns + 2, rtf::limits::maxTableColumns);
    auto nested = [](int depth) { return "{\\rtf1\\pard\\intbl\\itap" + QByteArray::number(depth) + " x\\nestcell\\nestrow}"; };
    QTest::newRow("nesting at the limit") << nested(rtf::limits::maxTableDepth) << 1 << rtf::limits::maxTableDepth << QStringLiteral("x");
    QTest::newRow("nesting past the limit") << nested(rtf::limits::maxTableDepth + 1) << 1 << rtf::limits::maxTableDepth
                                            << QStringLiteral("x");
    QByteArray deep = "{\\rtf1";
    for (int i = 1; i <= 10000; ++i)
        deep += "\\pard\\intbl\\itap" + QByteArray::number(i) + " x\\par";
    QTest::newRow("10 000 deep") << deep + "}" << 1 << rtf::limits::maxTableDepth << QString(10000, u'x');
    // Each row splits the first column again, past the column limit.
    QByteArray splits = "{\\rtf1\\trowd\\cellx30000\\pard\\intbl a\\cell\\row";
    for (int i = 1; i <= 2 * rtf::limits::maxTableColumns; ++i)
        splits += "\\trowd\\cellx" + QByteArray::number(30000 - 100 * i) + "\\cellx30000\\pard\\intbl\\cell b\\cell\\row";
    QTest::newRow("column splits past the limit") << splits + "}" << rtf::limits::maxTableColumns << 1
                                                  << u'a' + QString(2 * rtf::limits::maxTableColumns, u'b');
    // Splitting a column of a long table would need a merge in each row
    // past the merge budget: the last row's cell ends at the nearest edge.
    const QByteArray fourCells = "\\trowd\\cellx1000\\cellx2000\\cellx3000\\cellx4000\\pard\\intbl\\cell\\cell\\cell\\cell\\row";
    QTest::newRow("column split past the merge budget")
        << "{\\rtf1" + fourCells.repeated(2500) + "\\trowd\\cellx1500\\cellx4000\\pard\\intbl a\\cell b\\cell\\row}" << 4 << 1
        << QStringLiteral("ab");
    QTest::newRow("100 000 cells in a row")
        << QByteArray("{\\rtf1\\pard\\intbl" + QByteArray("\\cell").repeated(100000) + "\\row}") << rtf::limits::maxTableColumns << 1
        << QString();
}

void TestRtfHostile::tableShapes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, columns);
    QFETCH(int, depth);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read(rtf, d);
    QTextTable *table = nullptr;
    for (QTextFrame *f : d.rootFrame()->childFrames())
        table = table ? table : qobject_cast<QTextTable *>(f);
    QCOMPARE(table ? table->columns() : 0, columns);
    int levels = 0;
    for (QTextTable *t = table; t; ++levels) {
        QTextTable *inner = nullptr;
        for (QTextFrame *f : t->cellAt(0, 0).begin().parentFrame()->childFrames()) {
            if (t->cellAt(f->firstPosition()).row() == 0 && t->cellAt(f->firstPosition()).column() == 0)
                inner = inner ? inner : qobject_cast<QTextTable *>(f);
        }
        t = inner;
    }
    QCOMPARE(levels, depth);
    if (!text.isEmpty() || columns == 0)
        QCOMPARE(textOf(d).remove(u'\t').remove(u'\n'), QString(text).remove(u'\t').remove(u'\n'));
    // What was read saves and reads back as the same.
    QTextDocument back;
    rtf::read(rtf::write(d), back);
    QCOMPARE(layoutOf(back), layoutOf(d));
}

namespace {

QByteArray bulletList(int id, int styleId = INT_MIN, bool levels = true)
{
    QByteArray l = "{\\list\\listtemplateid" + QByteArray::number(id);
    if (levels)
        l += "{\\listlevel\\levelnfc23{\\leveltext\\'01\\'95;}}{\\listlevel\\levelnfc0{\\leveltext\\'02\\'01.;}}";
    if (styleId != INT_MIN)
        l += "\\liststyleid" + QByteArray::number(styleId);
    return l + "\\listid" + QByteArray::number(id) + "}";
}

QByteArray overrideOf(int list, int ls)
{
    return "{\\listoverride\\listid" + QByteArray::number(list) + "\\listoverridecount0\\ls" + QByteArray::number(ls) + "}";
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray chunk;
    QDataStream s(&chunk, QIODevice::WriteOnly);
    s << quint32(data.size());
    chunk += type + data;
    const QByteArray crcd = type + data;
    quint32 crc = 0xFFFFFFFF;
    for (const char ch : crcd) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    QDataStream(&chunk, QIODevice::Append) << (crc ^ 0xFFFFFFFF);
    return chunk;
}

// A valid one-bit PNG of `width` by `height` pixels, all black but for the
// first `seed` pixels of the first row: a few kilobytes for 128 megapixels.
QByteArray bigPng(int width, int height, int seed)
{
    QByteArray ihdr;
    QDataStream(&ihdr, QIODevice::WriteOnly) << quint32(width) << quint32(height) << quint8(1) << quint8(0)
                                             << quint8(0) << quint8(0) << quint8(0);
    const int row = 1 + (width + 7) / 8;
    QByteArray raw(qsizetype(row) * height, '\0');
    for (int i = 0; i < seed && i < row - 1; ++i)
        raw[1 + i] = char(0xFF);
    const QByteArray zlib = qCompress(raw, 9).mid(4); // without Qt's length prefix
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", ihdr) + pngChunk("IDAT", zlib)
        + pngChunk("IEND", {});
}

// A JPEG whose header claims `width` by `height` pixels, cut short after a
// few bytes of its scan.
QByteArray truncatedJpeg(int width, int height, int seed)
{
    QImage small(16, 8, QImage::Format_RGB32);
    small.fill(QColor::fromHsv(seed * 40 % 360, 255, 255));
    QByteArray jpeg = encoded(small, "JPEG");
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    if (sof < 0 || sos < 0)
        return {};
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg.left(sos + 14 + 16);
}

QByteArray pict(const char *blip, const QByteArray &bytes, const QByteArray &size = {})
{
    return "{\\pict\\" + QByteArray(blip) + size + " " + bytes.toHex() + "}";
}


int noteCount(const QTextDocument &doc)
{
    QSet<int> ids;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (model::isNoteMark(it.fragment().charFormat()))
                ids.insert(it.fragment().charFormat().intProperty(model::NoteId));
        }
    }
    return int(ids.size());
}

} // namespace

void TestRtfHostile::listLimits_data()
{
    using rtf::limits::maxListStyleChain;
    using rtf::limits::maxLists;
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("level"); // -1: no list, the \listtext label shows
    QTest::addColumn<QString>("text");

    const QByteArray item = "{\\listtext *\\tab}x}";
    QTest::newRow("ls of no list") << "{\\rtf1{\\*\\listtable" + bulletList(1) + "}{\\*\\listoverridetable" + overrideOf(1, 1)
            + "}\\ls7\\ilvl0" + item
                                   << -1 << "*\tx";
    QTest::newRow("override of no list") << "{\\rtf1{\\*\\listoverridetable" + overrideOf(5, 1) + "}\\ls1" + item << -1
                                         << "*\tx";
    QTest::newRow("ilvl 2000000000: the last level") << "{\\rtf1{\\*\\listtable" + bulletList(1) + "}{\\*\\listoverridetable"
            + overrideOf(1, 1) + "}\\ls1\\ilvl2000000000" + item
                                                     << 1 << "x";
    QTest::newRow("ilvl negative") << "{\\rtf1{\\*\\listtable" + bulletList(1) + "}{\\*\\listoverridetable" + overrideOf(1, 1)
            + "}\\ls1\\ilvl-5" + item
                                   << 0 << "x";
    // Lists taking their levels from each other in a ring.
    QTest::newRow("liststyleid loop") << "{\\rtf1{\\*\\listtable" + bulletList(1, 2, false) + bulletList(2, 1, false)
            + "}{\\*\\listoverridetable" + overrideOf(1, 1) + "}\\ls1" + item
                                      << -1 << "*\tx";
    auto chain = [](int steps) {
        QByteArray table = bulletList(1000);
        for (int i = 0; i < steps; ++i)
            table += bulletList(i + 1, i == steps - 1 ? 1000 : i + 2, false);
        return "{\\rtf1{\\*\\listtable" + table + "}{\\*\\listoverridetable" + overrideOf(1, 1) + "}\\ls1";
    };
    QTest::newRow("liststyleid chain at the limit") << chain(maxListStyleChain) + item << 0 << "x";
    QTest::newRow("liststyleid chain past the limit") << chain(maxListStyleChain + 1) + item << -1 << "*\tx";
    auto lists = [](int n, int ls) {
        QByteArray table, overrides;
        for (int i = 1; i <= n; ++i) {
            table += bulletList(i);
            overrides += overrideOf(i, i);
        }
        return "{\\rtf1{\\*\\listtable" + table + "}{\\*\\listoverridetable" + overrides + "}\\ls" + QByteArray::number(ls);
    };
    QTest::newRow("lists at the limit") << lists(maxLists, maxLists) + item << 0 << "x";
    QTest::newRow("lists past the limit") << lists(maxLists + 1, maxLists + 1) + item << -1 << "*\tx";
}

void TestRtfHostile::listLimits()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, level);
    QFETCH(QString, text);
    QTextDocument doc;
    rtf::read(rtf, doc);
    const QTextBlock b = doc.lastBlock();
    QCOMPARE(b.text(), text);
    QCOMPARE(b.textList() ? b.textList()->format().indent() - 1 : -1, level);
}

void TestRtfHostile::hugeListTableIsBounded()
{
    using rtf::limits::maxLevelTextLength;
    // Labels longer than their length byte allows, levels past the
    // nine RTF has, and many \pn numberings: all bounded.
    QByteArray label = "{\\leveltext\\'ff" + QByteArray("\\'95").repeated(100000) + ";}";
    QByteArray levels;
    for (int i = 0; i < 50; ++i)
        levels += "{\\listlevel\\levelnfc23" + label + "}";
    QByteArray body;
    for (int i = 0; i < 20000; ++i)
        body += "{\\*\\pn\\pnlvlbody\\pndec\\pnstart" + QByteArray::number(i) + "}p\\par";
    const QByteArray rtf = "{\\rtf1{\\*\\listtable{\\list" + levels + "\\listid1}}{\\*\\listoverridetable"
        + overrideOf(1, 1) + "}\\ls1\\ilvl8 x\\par\\pard" + body + "}";
    QTextDocument doc;
    rtf::read(rtf, doc);
    const QTextBlock first = doc.begin();
    QVERIFY(first.textList());
    QCOMPARE(first.textList()->format().indent(), rtf::limits::maxListLevels);
    QVERIFY(model::listLabel(first).size() <= maxLevelTextLength);
    QCOMPARE(doc.blockCount(), 1 + 20000);
}

void TestRtfHostile::longListsAreSplit_data()
{
    QTest::addColumn<QByteArray>("level");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("lists");
    QTest::addColumn<QString>("lastLabel");
    const QByteArray bullet = "{\\listlevel\\levelnfc23{\\leveltext\\'01\\'95;}}";
    const QByteArray numbered = "{\\listlevel\\levelnfc0\\levelstartat5{\\leveltext\\'02\\'00.;}}";
    using rtf::limits::maxBulletListRun;
    using rtf::limits::maxNumberedListRun;
    QTest::newRow("bullets at the limit") << bullet << maxBulletListRun << 1 << QStringLiteral("\u2022");
    QTest::newRow("bullets past the limit") << bullet << maxBulletListRun + 1 << 2 << QStringLiteral("\u2022");
    QTest::newRow("numbers at the limit") << numbered << maxNumberedListRun << 1
                                          << QString::number(maxNumberedListRun + 4) + u'.';
    QTest::newRow("numbers past the limit") << numbered << maxNumberedListRun + 1 << 2
                                            << QString::number(maxNumberedListRun + 5) + u'.';
}

void TestRtfHostile::longListsAreSplit()
{
    QFETCH(QByteArray, level);
    QFETCH(int, items);
    QFETCH(int, lists);
    QFETCH(QString, lastLabel);
    const QByteArray rtf = "{\\rtf1{\\*\\listtable{\\list" + level + "\\listid1}}{\\*\\listoverridetable"
        + overrideOf(1, 1) + "}\\ls1 " + QByteArray("x\\par ").repeated(items) + "}";
    QTextDocument doc;
    rtf::read(rtf, doc);
    for (int pass = 0; pass < 2; ++pass) {
        QSet<const QTextList *> seen;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            QVERIFY(b.textList());
            seen.insert(b.textList());
        }
        QCOMPARE(doc.blockCount(), items);
        QCOMPARE(seen.size(), lists);
        QCOMPARE(model::listLabel(doc.lastBlock()), lastLabel);
        const QByteArray saved = rtf::write(doc);
        // One list in the file: readers count on as the editor does.
        QCOMPARE(saved.count("{\\listoverride\\"), 1);
        rtf::read(saved, doc);
    }
}

void TestRtfHostile::picturesCostWhatTheFileDoes_data()
{
    // Pictures whose headers claim far more pixels than their bytes hold.
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("count");
    const QByteArray goal = "\\picwgoal4000\\pichgoal2000";
    QTest::newRow("truncated JPEG claiming 16384x8192") << "{\\rtf1 " + pict("jpegblip", truncatedJpeg(16384, 8192, 0)) + "}"
                                                        << 1;
    QByteArray seven = "{\\rtf1 ";
    for (int i = 0; i < 7; ++i)
        seven += pict("jpegblip", truncatedJpeg(16384, 8192, i)) + "\\par ";
    QTest::newRow("seven of them") << seven + "}" << 7;
    QByteArray six = "{\\rtf1 ";
    for (int i = 0; i < 6; ++i)
        six += pict("pngblip", bigPng(16384, 8192, i), goal) + "\\par ";
    QTest::newRow("six valid 16384x8192 PNGs") << six + "}" << 6;
    QByteArray wide = "{\\rtf1 ";
    for (int i = 0; i < 4; ++i)
        wide += pict("pngblip", bigPng(32000, 4000, i)) + pict("jpegblip", truncatedJpeg(65000, 65000, i), goal);
    QTest::newRow("no size given, and larger claims") << wide + "}" << 8;
}

void TestRtfHostile::picturesCostWhatTheFileDoes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, count);
    const qint64 before = model::decodeWorkOnThisThread();
    QTextDocument d;
    rtf::read(rtf, d);
    // Opening decodes nothing: pictures are decoded when first shown.
    QCOMPARE(model::decodeWorkOnThisThread(), before);

    // Shown (the layout asks for each image), the decoders' work and the
    // pixels kept are bounded by the file's size (and a fixed allowance),
    // whatever the headers claim.
    const qint64 bound = rtf::limits::maxDocumentPicturePixels / 2 + rtf::limits::decodeWorkPerByte * rtf.size();
    QList<QTextImageFormat> images;
    qint64 pixels = 0;
    QSet<QString> names;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
            if (!f.isValid())
                continue;
            images.append(f);
            if (names.contains(f.name()))
                continue;
            names.insert(f.name());
            const QImage image = d.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
            QVERIFY(!image.isNull());
            // Never more than the picture is shown at.
            QVERIFY(image.width() <= qCeil(f.width()) && image.height() <= qCeil(f.height()));
            pixels += qint64(image.width()) * image.height();
        }
    }
    QCOMPARE(images.size(), count);
    const qint64 work = model::decodeWorkOnThisThread() - before;
    QVERIFY2(work <= bound, qPrintable(QString::number(work)));
    QVERIFY(pixels <= bound);
    // Every picture's bytes are kept for saving, decoded or not.
    const QByteArray saved = rtf::write(d);
    QTextDocument back;
    rtf::read(saved, back);
    QCOMPARE(rtf::write(back), saved);
}

void TestRtfHostile::pictureDecodedAtTheSizeShown_data()
{
    // Real pictures: decoded at the size shown, the JPEG by its decoder's
    // own scaling (an eighth of 800x600 covers 100x75).
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<qint64>("work");
    QImage photo(800, 600, QImage::Format_RGB32);
    photo.fill(QColor(30, 120, 200));
    const QByteArray size = "\\picwgoal1500\\pichgoal1125"; // 100 by 75 pixels
    QTest::newRow("JPEG shown small") << "{\\rtf1 " + pict("jpegblip", encoded(photo, "JPEG"), size) + "}"
                                      << QSize(100, 75) << qint64(100 * 75);
    QTest::newRow("PNG shown small") << "{\\rtf1 " + pict("pngblip", encoded(photo, "PNG"), size) + "}"
                                     << QSize(100, 75) << qint64(800 * 600);
    QTest::newRow("JPEG shown larger than it is")
        << "{\\rtf1 " + pict("jpegblip", encoded(photo, "JPEG"), "\\picwgoal24000\\pichgoal18000") + "}"
        << QSize(800, 600) << qint64(800 * 600);
    QTest::newRow("JPEG without a size") << "{\\rtf1 " + pict("jpegblip", encoded(photo, "JPEG")) + "}"
                                         << QSize(800, 600) << qint64(800 * 600);
}

void TestRtfHostile::pictureDecodedAtTheSizeShown()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QSize, decoded);
    QFETCH(qint64, work);
    const qint64 before = model::decodeWorkOnThisThread();
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(model::decodeWorkOnThisThread(), before);
    QTextCursor c(&d);
    c.setPosition(1);
    const QTextImageFormat f = c.charFormat().toImageFormat();
    QVERIFY(f.isValid());
    QCOMPARE(d.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>().size(), decoded);
    QCOMPARE(model::decodeWorkOnThisThread() - before, work);
    // Decoded once: asking again costs nothing.
    QCOMPARE(d.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>().size(), decoded);
    QCOMPARE(model::decodeWorkOnThisThread() - before, work);
}

void TestRtfHostile::noteLimit_data()
{
    QTest::addColumn<qint64>("notes");
    QTest::newRow("at the limit") << rtf::limits::maxNotes;
    QTest::newRow("past the limit") << rtf::limits::maxNotes + 1;
}

// Notes past the limit are read as body text: nothing is lost, and the
// document stays bounded.
void TestRtfHostile::noteLimit()
{
    QFETCH(qint64, notes);
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (qint64 i = 0; i < notes; ++i)
        rtf += "a{\\chftn}{\\footnote n}";
    rtf += "}";
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(noteCount(doc), int(std::min(notes, rtf::limits::maxNotes)));
    if (notes > rtf::limits::maxNotes)
        QVERIFY(doc.toPlainText().endsWith(QStringLiteral("1n"))); // the last mark, then its text
    const QByteArray out = rtf::write(doc);
    QCOMPARE(out.count('{'), out.count('}'));
    QCOMPARE(out.count("{\\footnote"), std::min(notes, rtf::limits::maxNotes));
}

void TestRtfHostile::hostileNotes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("notes");
    QByteArray nested = "{\\rtf1 a{\\chftn}";
    for (int i = 0; i < 5000; ++i)
        nested += "{\\footnote x";
    QTest::newRow("notes nested 5000 deep, unclosed") << nested << 1;
    QByteArray many = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i)
        many += "{\\footnote}";
    many += "}";
    QTest::newRow("100 000 empty notes") << many << int(rtf::limits::maxNotes);
    QTest::newRow("note in a header") << QByteArray("{\\rtf1{\\header{\\footnote x}}a}") << 0;
    QTest::newRow("note in a picture") << QByteArray("{\\rtf1{\\pict\\pngblip 00{\\footnote x}}a}") << 0;
    QTest::newRow("unbalanced braces in a note") << QByteArray("{\\rtf1 a{\\footnote }}}}b{{{") << 1;
    QTest::newRow("note in a field instruction")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst {\\footnote x}}{\\fldrslt y}}}") << 0;
    QTest::newRow("note in a field result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://a\"}{\\fldrslt y{\\chftn}{\\footnote x}}}}") << 1;
    // A note's paragraphs keep \\intbl of the cell it is in; its tables are its own.
    QTest::newRow("note opening a table cell")
        << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl{\\footnote x\\par}a\\cell b\\cell\\row c\\par}") << 1;
    QTest::newRow("note in a cell, in a table of its own")
        << QByteArray("{\\rtf1\\trowd\\cellx1000\\intbl a{\\footnote\\intbl x\\cell y}b\\cell\\row}") << 1;
    QTest::newRow("header in a cell")
        << QByteArray("{\\rtf1\\trowd\\cellx1000\\intbl{\\header\\intbl h\\par}a\\cell\\row}") << 0;
}

void TestRtfHostile::hostileNotes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, notes);
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(noteCount(doc), notes);
    const QByteArray out = rtf::write(doc);
    QCOMPARE(out.count('{'), out.count('}'));
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(noteCount(back), notes);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
}

QTEST_MAIN(TestRtfHostile)
#include "tst_rtf_hostile.moc"
