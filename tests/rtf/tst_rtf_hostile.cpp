// Broken and hostile input: each case loads what can be read, or is
// refused with an error, and never crashes, hangs or runs out of memory.
// The large inputs are generated here rather than kept as files.

#include "readerlimits.h"
#include "rtf.h"
#include "notes.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include <limits>

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
    void checkInputSizeAlone();
    void pictureSizeOverflowOnSave_data();
    void pictureSizeOverflowOnSave();
    void paragraphLimit_data();
    void paragraphLimit();
    void paragraphLimitKeepsNoPartOfTheText();
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
    QCOMPARE(textOf(back), textOf(d));
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

namespace {

int noteCount(const QTextDocument &doc)
{
    QSet<int> ids;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (rtf::isNoteMark(it.fragment().charFormat()))
                ids.insert(it.fragment().charFormat().intProperty(rtf::NoteId));
        }
    }
    return int(ids.size());
}

} // namespace

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
