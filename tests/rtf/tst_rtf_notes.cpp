// Footnotes and endnotes: read at their anchor, written back, kept by
// clone and undo, exported as text.

#include "model/notes.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "notemarks.h"
#include "rtftest.h"

using namespace borovka::testing;
using namespace rtftest;

namespace {

QByteArray doc(const QByteArray &body)
{
    return rtftest::timesDocument(body);
}

// The style of each note's first paragraph, "-" for none, as the note's
// own document keeps it.
QString noteStyles(const QTextDocument &d)
{
    QStringList out;
    int last = -1;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.hasProperty(model::NoteRtf) || f.intProperty(model::NoteId) == last)
                continue;
            last = f.intProperty(model::NoteId);
            QTextDocument note;
            rtf::read(f.stringProperty(model::NoteRtf).toUtf8(), note);
            const QTextBlockFormat first = note.begin().blockFormat();
            out << (first.hasProperty(model::StyleNumber) ? QString::number(first.intProperty(model::StyleNumber))
                                                          : QStringLiteral("-"));
        }
    }
    return out.join(u';');
}

} // namespace

class TestRtfNotes : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void roundTrip_data();
    void roundTrip();
    void writtenShape();
    void listInANoteKeepsItsLabels();
    void eachNoteKeepsItsOwnFormats();
    void deleteAndUndo();
    void survivesClone();
    void plainTextExport();
    void fixture_data();
    void fixture();
};

void TestRtfNotes::read_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marks");
    QTest::newRow("footnote") << doc("Text{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Pozn\\'e1mka.} d\\'e1l.\\par")
                              << QStringLiteral("Text1 dál.") << QStringLiteral("1|Poznámka.|0|auto");
    QTest::newRow("two footnotes") << doc("a{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} A}b{\\super\\chftn}{\\footnote B}c")
                                   << QStringLiteral("a1b2c") << QStringLiteral("1|A|0|auto;2|B|0|auto");
    QTest::newRow("endnote in roman") << doc("a{\\super\\chftn}{\\footnote\\ftnalt\\pard\\plain{\\super\\chftn} E}")
                                      << QStringLiteral("ai") << QStringLiteral("i|E|1|auto");
    QTest::newRow("start and letters") << doc("\\ftnstart3\\ftnnalc a{\\chftn}{\\footnote X}")
                                       << QStringLiteral("ac") << QStringLiteral("c|X|0|auto");
    QTest::newRow("chicago") << doc("\\ftnnchi a{\\chftn}{\\footnote X}b{\\chftn}{\\footnote Y}")
                             << QStringLiteral("a*b\u2020") << QStringLiteral("*|X|0|auto;\u2020|Y|0|auto");
    QTest::newRow("custom mark") << doc("slovo*{\\footnote\\pard\\plain{\\super *} vlastn\\'ed}.")
                                 << QStringLiteral("slovo*.") << QStringLiteral("*|* vlastní|0|custom");
    QTest::newRow("custom mark after a space") << doc("slovo {\\footnote jin\\'e1}.") << QStringLiteral("slovo *.")
                                               << QStringLiteral("*|jiná|0|custom");
    QTest::newRow("note of two paragraphs") << doc("a{\\chftn}{\\footnote\\pard prvn\\'ed\\par\\pard druh\\'fd}b")
                                            << QStringLiteral("a1b") << QStringLiteral("1|první\ndruhý|0|auto");
    QTest::newRow("note in a note reads as its text")
        << doc("a{\\chftn}{\\footnote vn\\'ecj\\'9a\\'ed {\\footnote vnit\\'f8n\\'ed}}b") << QStringLiteral("a1b")
        << QStringLiteral("1|vnější vnitřní|0|auto");
    QTest::newRow("footnote in a header is no note") << doc("{\\header h{\\chftn}{\\footnote x}}a")
                                                     << QStringLiteral("a") << QString();
    QTest::newRow("chftn without a note stays its number") << doc("a{\\chftn}\\par b") << QStringLiteral("a1\nb")
                                                           << QString();
    QTest::newRow("numbering words after the first mark do not count")
        << doc("a{\\chftn}{\\footnote x}\\ftnnalc\\ftnstart5 b{\\chftn}{\\footnote y}") << QStringLiteral("a1b2")
        << QStringLiteral("1|x|0|auto;2|y|0|auto");
    QTest::newRow("neighbouring marks without notes, lettered")
        << doc("\\ftnstart2\\ftnnalc a{\\super\\chftn}{\\super\\chftn}b") << QStringLiteral("abbb") << QString();
    QTest::newRow("unbalanced note ends with the file") << doc("a{\\chftn}{\\footnote konec")
                                                        << QStringLiteral("a1") << QStringLiteral("1|konec|0|auto");
    QTest::newRow("a list item's label stays out of its note")
        << doc("{\\pntext 1.\\tab}\\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}a{\\chftn}{\\footnote\\pard x\\par y}b\\par")
        << QStringLiteral("a1b") << QStringLiteral("1|x\ny|0|auto");
    QTest::newRow("a row shorter than its definition in a note")
        << doc("a{\\chftn}{\\footnote\\trowd\\cellx1000\\cellx2000\\intbl x\\cell\\row\\pard y}b") << QStringLiteral("a1b")
        << QStringLiteral("1|x\ny|0|auto");
    // A note's text is what a save keeps of it: a picture without data is
    // not written, and a line break ends a line as in the text export.
    QTest::newRow("picture without data and a line break in a note")
        << doc("a{\\chftn}{\\footnote x{\\pict\\pngblip}y\\line z}b") << QStringLiteral("a1b")
        << QStringLiteral("1|xy\nz|0|auto");
    QTest::newRow("note cut short by a picture") << doc("a{\\chftn}{\\footnote x\\pict") << QStringLiteral("a1")
                                                  << QStringLiteral("1|x|0|auto");
    QTest::newRow("a cell's mark without its note is no later note's")
        << doc("\\trowd\\cellx1000\\intbl a{\\chftn}\\cell\\row\\pard b{\\super *}{\\footnote x}") << QStringLiteral("a1\nb*")
        << QStringLiteral("*|x|0|custom");
    QTest::newRow("note's formatting does not leak")
        << doc("a{\\chftn}{\\footnote\\pard\\qc\\b tu\\'e8n\\'ec\\par}b\\par c") << QStringLiteral("a1b\nc")
        << QStringLiteral("1|tučně|0|auto");
    QTest::newRow("custom mark after a number without its note")
        << doc("a{\\chftn}{\\super *}{\\footnote x}b") << QStringLiteral("a1*b") << QStringLiteral("*|x|0|custom");
    QTest::newRow("text between a number and its note")
        << doc("a{\\chftn} {\\footnote x}b") << QStringLiteral("a1 b") << QStringLiteral("1|x|0|auto");
    // A note's last paragraph is the note's own, not the list item around it.
    QTest::newRow("empty note inside a list item")
        << doc("{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}"
               "\\pard\\ls1 a{\\chftn}{\\footnote\\pard}b\\par")
        << QStringLiteral("a1b") << QStringLiteral("1||0|auto");
    QTest::newRow("note ending in an empty paragraph inside a list item")
        << doc("{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}"
               "\\pard\\ls1 a{\\chftn}{\\footnote\\pard x\\par}b\\par")
        << QStringLiteral("a1b") << QStringLiteral("1|x|0|auto");
    // A \chftn whose paragraph, section or row ends before a note comes is
    // a number without its note: a later note gets a mark of its own.
    QTest::newRow("number, its note, then a custom mark")
        << doc("Alpha{\\chftn}{\\footnote First.} beta {\\footnote Second.}") << QStringLiteral("Alpha1 beta *")
        << QStringLiteral("1|First.|0|auto;*|Second.|0|custom");
    QTest::newRow("number, par, then a note after a space")
        << doc("a{\\chftn}\\par b {\\footnote x}") << QStringLiteral("a1\nb *") << QStringLiteral("*|x|0|custom");
    QTest::newRow("number, par, then a note opening the paragraph")
        << doc("a{\\chftn}\\par{\\footnote x}b") << QStringLiteral("a1\n*b") << QStringLiteral("*|x|0|custom");
    QTest::newRow("number, sect, then a note")
        << doc("a{\\chftn}\\sect b {\\footnote x}") << QStringLiteral("a1\nb *") << QStringLiteral("*|x|0|custom");
    QTest::newRow("number in a row's last cell without cell, then a note")
        << doc("\\trowd\\cellx1000\\intbl a{\\chftn}\\row\\pard b {\\footnote x}") << QStringLiteral("a1\nb *")
        << QStringLiteral("*|x|0|custom");
    QTest::newRow("two numbers, the second's note")
        << doc("a{\\chftn}{\\chftn}{\\footnote x}b") << QStringLiteral("a11b") << QStringLiteral("1|x|0|auto");
    QTest::newRow("lone number at the end") << doc("a{\\chftn}") << QStringLiteral("a1") << QString();
    QTest::newRow("endnotes and footnotes counted apart")
        << doc("a{\\chftn}{\\footnote\\ftnalt E}b{\\chftn}{\\footnote F}c{\\chftn}{\\footnote\\ftnalt G}")
        << QStringLiteral("aib1cii") << QStringLiteral("i|E|1|auto;1|F|0|auto;ii|G|1|auto");
    QTest::newRow("number without its note after an endnote and a header")
        << doc("a{\\chftn}{\\footnote\\ftnalt E}{\\header h}b{\\chftn}") << QStringLiteral("aibii")
        << QStringLiteral("i|E|1|auto");
    QTest::newRow("endnote with a custom mark") << doc("x\\'a7{\\footnote\\ftnalt E}.") << QStringLiteral("x\u00a7.")
                                               << QStringLiteral("\u00a7|E|1|custom");
    QTest::newRow("endnote numbering words")
        << doc("\\aftnstart4\\aftnnruc\\ftnnrlc a{\\chftn}{\\footnote\\ftnalt E}b{\\chftn}{\\footnote F}")
        << QStringLiteral("aIVbi") << QStringLiteral("IV|E|1|auto;i|F|0|auto");
    QTest::newRow("notes in table cells")
        << doc("\\trowd\\cellx1000\\cellx2000\\pard\\intbl a{\\chftn}{\\footnote\\pard A}\\cell b{\\chftn}{\\footnote\\pard B}\\cell"
               "\\row\\pard c*{\\footnote\\pard C}")
        << QStringLiteral("a1\tb2\nc*") << QStringLiteral("1|A|0|auto;2|B|0|auto;*|C|0|custom");
    QTest::newRow("custom mark ending a cell that the next is merged into")
        << doc("\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\pard\\intbl a{\\super l}{\\footnote x}\\cell t\\cell\\row")
        << QStringLiteral("al t") << QStringLiteral("l|x|0|custom");
    QTest::newRow("note in a cell merged into the row above, after another note")
        << doc("\\trowd\\clvmgf\\cellx1000\\cellx2000\\pard\\intbl a\\cell b{\\chftn}{\\footnote y}\\cell\\row"
               "\\trowd\\clvmrg\\cellx1000\\cellx2000\\pard\\intbl c{\\chftn}{\\footnote x}\\cell\\cell\\row")
        << QStringLiteral("a\tb1\nc2\t") << QStringLiteral("1|y|0|auto;2|x|0|auto");
    QTest::newRow("a custom mark's note takes a number too")
        << doc("a*{\\footnote x}b{\\chftn}{\\footnote y}") << QStringLiteral("a*b2") << QStringLiteral("*|x|0|custom;2|y|0|auto");
    QTest::newRow("notes in list items")
        << doc("{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\\pard\\ls1 a{\\chftn}{\\footnote\\pard A}\\par"
               "\\pard\\ls1 b{\\chftn}\\par\\pard\\ls1 c {\\footnote\\pard C}\\par")
        << QStringLiteral("a1\nb2\nc *") << QStringLiteral("1|A|0|auto;*|C|0|custom");
    QTest::newRow("marks and notes in groups of their own")
        << doc("a{{\\chftn}}{{\\footnote x}}b{\\b{\\chftn}{\\footnote{\\i y}{\\par}z}}c")
        << QStringLiteral("a1b2c") << QStringLiteral("1|x|0|auto;2|y\nz|0|auto");
    QTest::newRow("note closed twice") << doc("a{\\chftn}{\\footnote x}}b{\\chftn}{\\footnote y}")
                                      << QStringLiteral("a1") << QStringLiteral("1|x|0|auto");
}

void TestRtfNotes::read()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, marks);
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(textOf(d), text);
    QCOMPARE(describeNotes(notesOf(d)), marks);
    // Nothing of the note's paragraph format reaches the body.
    QCOMPARE(d.begin().blockFormat().alignment(), Qt::AlignLeft);
    QVERIFY(!formatAt(d, 0).font().bold());
}

void TestRtfNotes::roundTrip_data()
{
    read_data();
}

void TestRtfNotes::roundTrip()
{
    QFETCH(QByteArray, rtf);
    QTextDocument d;
    rtf::read(rtf, d);
    const QByteArray out = rtf::write(d);
    QCOMPARE(out.count('{'), out.count('}'));
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(textOf(back), textOf(d));
    QCOMPARE(describeNotes(notesOf(back)), describeNotes(notesOf(d)));
    QCOMPARE(rtf::write(back), out); // stable
}

// A list in a note is not in the body's list table: its labels are saved as
// text, and the note reads the same before and after.
void TestRtfNotes::listInANoteKeepsItsLabels()
{
    QTextDocument d;
    rtf::read(doc("a{\\chftn}{\\footnote{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}jedna\\par"
                  "{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}dva}b"),
              d);
    QCOMPARE(describeNotes(notesOf(d)), QStringLiteral("1|1.\tjedna\n2.\tdva|0|auto"));
    QTextDocument back;
    rtf::read(rtf::write(d), back);
    QCOMPARE(describeNotes(notesOf(back)), describeNotes(notesOf(d)));
    QCOMPARE(model::plainText(back), model::plainText(d));
}

// Each note is a document of its own, often made where the previous one
// was freed: one note's formats must not be taken for another's.
void TestRtfNotes::eachNoteKeepsItsOwnFormats()
{
    QByteArray body;
    for (int i = 0; i < 12; ++i)
        body += i % 2 ? "a{\\chftn}{\\footnote\\pard\\plain\\fs20 n{\\i\\fs28 k}}" : "a{\\chftn}{\\footnote\\pard\\plain{\\b\\fs32 t}n}";
    QTextDocument d;
    rtf::read(doc(body), d);
    int notes = 0;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.hasProperty(model::NoteRtf))
                continue;
            QTextDocument note;
            rtf::read(f.stringProperty(model::NoteRtf).toLatin1(), note);
            QStringList described;
            for (auto run = note.begin().begin(); !run.atEnd(); ++run) {
                const QTextCharFormat c = run.fragment().charFormat();
                described << QStringLiteral("%1:%2%3%4").arg(run.fragment().text()).arg(c.fontPointSize())
                                 .arg(c.fontWeight() > QFont::Normal ? "b" : "").arg(c.fontItalic() ? "i" : "");
            }
            QCOMPARE(described.join(u' '), notes % 2 ? QStringLiteral("n:10 k:14i") : QStringLiteral("t:16b n:12"));
            ++notes;
        }
    }
    QCOMPARE(notes, 12);
}

void TestRtfNotes::writtenShape()
{
    QTextDocument d;
    rtf::read(doc("Text{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Pozn\\'e1mka.} d\\'e1l."), d);
    const QByteArray out = rtf::write(d);
    QVERIFY2(out.contains("\\super \\chftn}{\\footnote \\pard"), out.constData());
    QVERIFY2(out.contains("\\super \\chftn}\\plain"), out.constData());
    QVERIFY2(out.contains("Pozn\\'e1mka.}"), out.constData());
    QCOMPARE(out.count("\\footnote"), 1);
    QCOMPARE(out.count("\\chftn"), 2);
}

void TestRtfNotes::deleteAndUndo()
{
    QTextDocument d;
    rtf::read(doc("a{\\super\\chftn}{\\footnote A}b"), d);
    d.setUndoRedoEnabled(true);
    QTextCursor c(&d);
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    QCOMPARE(d.toPlainText(), QStringLiteral("ab"));
    QVERIFY(notesOf(d).isEmpty());
    QVERIFY(!rtf::write(d).contains("\\footnote"));
    d.undo();
    QCOMPARE(describeNotes(notesOf(d)), QStringLiteral("1|A|0|auto"));
    QVERIFY(rtf::write(d).contains("\\footnote"));
}

void TestRtfNotes::survivesClone()
{
    QTextDocument d;
    rtf::read(doc("a{\\super\\chftn}{\\footnote\\pard {\\b A}}b"), d);
    std::unique_ptr<QTextDocument> copy(d.clone());
    QCOMPARE(describeNotes(notesOf(*copy)), describeNotes(notesOf(d)));
    QCOMPARE(rtf::write(*copy), rtf::write(d));
}

void TestRtfNotes::plainTextExport()
{
    QTextDocument d;
    rtf::read(doc("Text{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Prvn\\'ed.}\\par a{\\chftn}{\\footnote Druh\\'e1.}"), d);
    QCOMPARE(QString::fromUtf8(model::plainText(d)), QStringLiteral("Text1\na2\n\n1 První.\n2 Druhá."));
}

void TestRtfNotes::fixture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("styles"); // of each note's first paragraph
    QTest::newRow("LibreOffice 7.4") << QStringLiteral("libreoffice_7.4_footnotes.rtf")
                                     << QStringLiteral("1|Poznámka tučná.|0|auto;2|Další.|0|auto;i|Na konci.|1|auto")
                                     << QStringLiteral("24;24;25");
    QTest::newRow("pandoc 2.17") << QStringLiteral("pandoc_2.17_footnotes.rtf")
                                 << QStringLiteral("1|První poznámka.|0|auto;2|Druhá poznámka.|0|auto")
                                 << QStringLiteral("-;-");
    QTest::newRow("AbiWord 3.0") << QStringLiteral("abiword_3.0_footnotes.rtf")
                                 << QStringLiteral("1|První poznámka.|0|auto;2|Druhá poznámka.|0|auto")
                                 << QStringLiteral("-;-");
}

void TestRtfNotes::fixture()
{
    QFETCH(QString, file);
    QFETCH(QString, marks);
    QFETCH(QString, styles);
    QTextDocument d;
    rtf::read(rtftest::fixture(file), d);
    QCOMPARE(describeNotes(notesOf(d)), marks);
    QCOMPARE(noteStyles(d), styles);
    QTextDocument back;
    rtf::read(rtf::write(d), back);
    QCOMPARE(describeNotes(notesOf(back)), marks);
    QCOMPARE(noteStyles(back), styles);
    QCOMPARE(back.toPlainText(), d.toPlainText());
}

QTEST_MAIN(TestRtfNotes)
#include "tst_rtf_notes.moc"
