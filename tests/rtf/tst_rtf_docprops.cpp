// Document properties the editor does not show: carried with the document
// and written back.

#include "model/docprops.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include "rtftest.h"
#include "rtf/readerlimits.h"

using namespace rtftest;

namespace {

QByteArray doc(const QByteArray &body)
{
    return rtftest::timesDocument(body);
}

// The plain text of each header and footer of a section list, "kind:text".
QStringList headersOf(const QStringList &section)
{
    QStringList out;
    for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
        QTextDocument d;
        rtf::read(section[i + 1].toLatin1(), d);
        out << section[i] + u':' + d.toPlainText();
    }
    return out;
}

} // namespace

class TestRtfDocProps : public QObject {
    Q_OBJECT

private slots:
    void writtenBack_data();
    void writtenBack();
    void title();
    void pageSetup_data();
    void pageSetup();
    void headersAndSections();
    void sections_data();
    void sections();
    void keptBySave_data();
    void keptBySave();
    void survivesCloneAndEditing();
    void hostile_data();
    void hostile();
    void bookmarks();
    void pieceLimit_data();
    void pieceLimit();
};

void TestRtfDocProps::writtenBack_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArrayList>("expected"); // in the output, in this order
    QTest::newRow("page size and margins")
        << doc("\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1134\\margb1134\\gutter567 a")
        << QByteArrayList{"\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1134\\margb1134\\gutter567"};
    QTest::newRow("landscape") << doc("\\paperw16838\\paperh11906\\landscape a")
                               << QByteArrayList{"\\paperw16838\\paperh11906\\landscape"};
    QTest::newRow("word said twice") << doc("\\margl100\\margl200 a") << QByteArrayList{"\\margl200\r\n"};
    QTest::newRow("default tab") << doc("\\deftab567 a") << QByteArrayList{"\\deftab567{"};
    QTest::newRow("no default tab") << doc("a") << QByteArrayList{"\\deftab720{"};
    QTest::newRow("default language") << doc("\\deflang1031 a") << QByteArrayList{"\\deflang1031\\uc1"};
    QTest::newRow("default font")
        << QByteArray("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Georgia;}}a\\f0 b}")
        << QByteArrayList{"\\deff0", "{\\f0\\froman\\fcharset238 Georgia;}", "\\f0\\fs24 a", "\\fs24 b"};
    QTest::newRow("default style's font and colour")
        << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Georgia;}}{\\colortbl;\\red0\\green0\\blue128;}"
                      "{\\stylesheet{\\s0\\f1\\fs22\\cf1 Normal;}}\\pard\\plain\\s0\\f1\\fs22\\cf1 a}")
        << QByteArrayList{"{\\f0\\fswiss\\fcharset238 Arial;}", "{\\colortbl ;\\red0\\green0\\blue128;}", "{\\stylesheet{\\s0\\f2\\fs22\\cf1 Normal;}}",
                          "\\f2\\fs22\\cf1 a"};
    QTest::newRow("info") << doc("{\\info{\\title N\\'e1zev}{\\author Jan}{\\keywords a, b}{\\creatim\\yr2024\\mo3\\dy5\\hr10\\min7}}a")
                          << QByteArrayList{"{\\info{\\title N\\'e1zev}{\\author Jan}{\\keywords a, b}{\\creatim\\yr2024\\mo3\\dy5\\hr10\\min7}}"};
    // \ud is read as the time's own group: the \info in it is not the document's.
    QTest::newRow("time whose group holds a text of the information")
        << doc("{\\info{\\creatim\\yr2024{\\upr{\\ud{\\info{\\keywords k}}}}\\mo3\\dy5}}a")
        << QByteArrayList{"{\\info{\\creatim\\yr2024\\mo3\\dy5}}"};
    QTest::newRow("section words") << doc("\\sectd\\sbknone\\cols2\\pgwsxn12000 a")
                                   << QByteArrayList{"\\sectd\\sbknone\\cols2\\pgwsxn12000"};
    QTest::newRow("header and footer")
        << doc("\\facingp{\\header \\pard\\plain Hlavi\\'e8ka\\par}{\\footerl \\pard\\plain Pata\\par}a")
        << QByteArrayList{"{\\header \\pard", "Hlavi\\'e8ka\\par", "{\\footerl \\pard", "Pata\\par"};
    QTest::newRow("second section") << doc("\\facingp a\\sect\\sectd\\sbkpage\\lndscpsxn{\\headerr \\pard R\\par}b")
                                    << QByteArrayList{" a\\sect\r\n\\sectd\\sbkpage\\lndscpsxn{\\headerr ", " b\\par"};
    QTest::newRow("note numbering said in a header")
        << doc("{\\header \\pard\\ftnstart3\\ftnnalc s. {\\chftn}\\par}a")
        << QByteArrayList{"\\ftnstart3\\ftnnalc", "{\\header ", "\\chftn}"};
    // LibreOffice's list without a label stays one for list-aware readers.
    QTest::newRow("list without a label")
        << doc("{\\*\\listtable{\\list\\listid1{\\listlevel\\levelnfc255{\\leveltext\\'00;}{\\levelnumbers;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1 a\\par")
        << QByteArrayList{"{\\listlevel\\levelnfc255\\levelnfcn255", "{\\leveltext\\'00;}", "\\ls1\\ilvl0"};
    QTest::newRow("leading zeros and legal numbering")
        << doc("{\\*\\listtable{\\list\\listid1{\\listlevel\\levelnfc1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
               "{\\listlevel\\levelnfc22\\levellegal{\\leveltext\\'03\\'00.\\'01;}{\\levelnumbers\\'01\\'03;}}}}"
               "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par")
        << QByteArrayList{"\\levelnfc1\\levelnfcn1", "\\levelnfc22\\levelnfcn22", "\\levellegal1", "I.\\tab}", "1.01\\tab}"};
    // Without facing pages Word shows a right page's header on every page.
    QTest::newRow("right page's header without facing pages")
        << doc("{\\headerr \\pard R\\par}{\\footerr \\pard P\\par}a")
        << QByteArrayList{"{\\header \\pard", " R\\par", "{\\footer \\pard", " P\\par"};
}

void TestRtfDocProps::writtenBack()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArrayList, expected);
    QTextDocument d;
    rtf::read(rtf, d);
    const QByteArray out = rtf::write(d);
    qsizetype from = 0;
    for (const QByteArray &e : expected) {
        const qsizetype at = out.indexOf(e, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("%1 missing in %2").arg(QString::fromLatin1(e), QString::fromLatin1(out))));
        from = at + e.size();
    }
    QCOMPARE(out.count('{'), out.count('}'));
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(rtf::write(back), out);
}

void TestRtfDocProps::title()
{
    QTextDocument d;
    rtf::read(doc("{\\info{\\title  Titulek \\'e8l\\'e1nku }}a"), d);
    QCOMPARE(d.metaInformation(QTextDocument::DocumentTitle), QStringLiteral("Titulek článku"));
    rtf::read(doc("b"), d);
    QCOMPARE(d.metaInformation(QTextDocument::DocumentTitle), QString());
    QVERIFY(!rtf::write(d).contains("\\info"));
}

// Another format's reader sets the page in neutral form: what it sets
// replaces the file's words for it, the rest of them stay.
void TestRtfDocProps::pageSetup_data()
{
    QTest::addColumn<QByteArray>("words"); // as the file gave them
    QTest::addColumn<QList<int>>("page");  // width, height, margins l r t b, landscape
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("nothing given") << QByteArray() << QList<int>{11906, 16838, 1134, 1134, 1417, 1417, 0}
                                   << QByteArray("\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1417\\margb1417\r\n");
    QTest::newRow("turned, gutter kept") << QByteArray("\\paperw11906\\paperh16838\\gutter567\\margmirror")
                                         << QList<int>{16838, 11906, -1, -1, -1, -1, 1}
                                         << QByteArray("\\paperw16838\\paperh11906\\gutter567\\margmirror\\landscape\r\n");
    QTest::newRow("landscape taken back") << QByteArray("\\landscape\\margl100")
                                          << QList<int>{-1, -1, 200, -1, -1, -1, 0} << QByteArray("\\margl200\r\n");
}

void TestRtfDocProps::pageSetup()
{
    QFETCH(QByteArray, words);
    QFETCH(QList<int>, page);
    QFETCH(QByteArray, saved);
    QTextDocument d;
    rtf::read(doc(words + " a"), d);
    model::PageSetup p = model::pageSetup(d);
    p.width = page[0];
    p.height = page[1];
    p.marginLeft = page[2];
    p.marginRight = page[3];
    p.marginTop = page[4];
    p.marginBottom = page[5];
    p.landscape = page[6];
    model::setPageSetup(d, p);
    const model::PageSetup got = model::pageSetup(d);
    QCOMPARE((QList<int>{got.width, got.height, got.marginLeft, got.marginRight, got.marginTop, got.marginBottom,
                         got.landscape}),
             page);
    const QByteArray out = rtf::write(d);
    QVERIFY2(out.contains("\r\n" + saved + "\\sectd"), out.constData());
}

void TestRtfDocProps::headersAndSections()
{
    QTextDocument d;
    rtf::read(doc("\\facingp{\\header \\pard H1\\par}{\\footer \\pard F1\\par}prvn\\'ed\\par druh\\'fd\\sect\\sectd\\cols2{\\headerl \\pard H2\\par}t\\'f8et\\'ed"
                  "\\sect\\sectd \\'e8tvrt\\'fd"),
           d);
    QCOMPARE(textOf(d), QStringLiteral("první\ndruhý\ntřetí\nčtvrtý"));
    const QStringList first = d.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList();
    QCOMPARE(headersOf(first), (QStringList{QStringLiteral("header:H1"), QStringLiteral("footer:F1")}));
    const QStringList second = d.findBlockByNumber(2).blockFormat().property(model::SectionStart).toStringList();
    QCOMPARE(second.value(0), QStringLiteral("\\cols2"));
    QCOMPARE(headersOf(second), QStringList(QStringLiteral("headerl:H2")));
    QVERIFY(d.findBlockByNumber(3).blockFormat().hasProperty(model::SectionStart));
    QVERIFY(!d.findBlockByNumber(1).blockFormat().hasProperty(model::SectionStart));

    QTextDocument back;
    rtf::read(rtf::write(d), back);
    QCOMPARE(textOf(back), textOf(d));
    QCOMPARE(headersOf(back.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList()), headersOf(first));
    QCOMPARE(back.findBlockByNumber(2).blockFormat().property(model::SectionStart).toStringList().value(0), QStringLiteral("\\cols2"));
    QCOMPARE(rtf::write(back), rtf::write(d));
}

// Sections as the first read builds them: each as "first paragraph|its
// section words|its headers and footers".
void TestRtfDocProps::sections_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("sections");
    QTest::newRow("one section, nothing said") << doc("a") << QStringList{"a||"};
    QTest::newRow("section words of the first section")
        << doc("\\sectd\\sbknone\\cols2 a") << QStringList{"a|\\sbknone\\cols2|"};
    QTest::newRow("header and footer")
        << doc("{\\header \\pard H\\par}{\\footer \\pard F\\par}a") << QStringList{"a||header:H footer:F"};
    QTest::newRow("left, right and first page")
        << doc("\\facingp\\titlepg{\\headerl L}{\\headerr R}{\\headerf T}{\\footerf P}a")
        << QStringList{"a|\\titlepg|headerl:L headerr:R headerf:T footerf:P"};
    QTest::newRow("left, right and first page without facing pages")
        << doc("\\titlepg{\\headerl L}{\\headerr R}{\\headerf T}{\\footerl P}a")
        << QStringList{"a|\\titlepg|headerl:L header:R headerf:T footer:P"};
    QTest::newRow("facing pages turned off") << doc("\\facingp0{\\headerr R}a") << QStringList{"a||header:R"};
    QTest::newRow("header of two paragraphs") << doc("{\\header \\pard x\\par y}a") << QStringList{"a||header:x\ny"};
    QTest::newRow("three sections, the second with its own header")
        << doc("\\facingp{\\header H}a\\sect\\sectd\\sbkpage\\lndscpsxn{\\headerr R}b\\par c\\sect\\sectd d")
        << QStringList{"a||header:H", "b|\\sbkpage\\lndscpsxn|headerr:R", "d||"};
    QTest::newRow("break without sectd keeps the section's words")
        << doc("\\sectd\\cols2 a\\sect b") << QStringList{"a|\\cols2|", "b|\\cols2|"};
    QTest::newRow("break at the end starts nothing") << doc("a\\sect") << QStringList{"a||"};
    // Both are kept and written back in their order.
    QTest::newRow("header given twice") << doc("{\\header x}{\\header y}a") << QStringList{"a||header:x header:y"};
}

void TestRtfDocProps::sections()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, sections);
    QTextDocument d;
    rtf::read(rtf, d);
    QStringList got;
    QStringList section = d.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList();
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        if (b != d.begin() && !b.blockFormat().hasProperty(model::SectionStart))
            continue;
        if (b != d.begin())
            section = b.blockFormat().property(model::SectionStart).toStringList();
        got << QStringLiteral("%1|%2|%3").arg(b.text(), section.value(0), headersOf(section).join(u' '));
    }
    QCOMPARE(got, sections);
}

void TestRtfDocProps::keptBySave_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");        // as the text export writes it
    QTest::addColumn<QStringList>("starts"); // the first paragraph of each later section
    QTest::newRow("break in a cell starts the section after the table")
        << doc("a\\par\\trowd\\cellx1000\\cellx2000\\intbl x\\sect\\sectd\\pgwsxn12000 z\\cell y\\cell\\row\\pard b\\par c")
        << QStringLiteral("a\nx\nz\ty\nb\nc") << QStringList{QStringLiteral("b")};
    QTest::newRow("break right after a row adds no paragraph")
        << doc("\\trowd\\cellx1000\\intbl x\\cell\\row\\sect\\sectd\\pard b") << QStringLiteral("x\nb")
        << QStringList{QStringLiteral("b")};
    QTest::newRow("break after the paragraph that follows a table")
        << doc("\\trowd\\cellx1000\\intbl x\\cell\\row\\pard\\sect\\sectd b") << QStringLiteral("x\n\nb")
        << QStringList{QStringLiteral("b")};
    QTest::newRow("section that opens with a table")
        << doc("a\\intbl\\sect\\sectd\\pgwsxn12000 x\\cell\\row\\pard b") << QStringLiteral("a\nx\nb")
        << QStringList{QStringLiteral("x")};
    QTest::newRow("break after nested tables") << doc("\\itap2 x\\par\\pard\\sect\\sectd b") << QStringLiteral("x\n\nb")
                                               << QStringList{QStringLiteral("b")};
    QTest::newRow("file cut short in a table after a break") << QByteArray("{\\rtf1\\intbl a\\sect b")
                                                            << QStringLiteral("a\nb") << QStringList{QString()};
    QTest::newRow("section that opens with nested tables") << doc("a\\sect\\itap3 v") << QStringLiteral("a\nv")
                                                           << QStringList{QString()};
    QTest::newRow("list level given after its text")
        << doc("{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
               "{\\listlevel\\levelnfc0{\\leveltext\\'02\\'01.;}{\\levelnumbers\\'01;}}\\listid7}}"
               "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\\pard\\ls1\\ilvl1 a\\par\\pard\\ls1 b\\ilvl1\\par")
        << QStringLiteral("1.\ta\n2.\tb") << QStringList();
    QTest::newRow("result over items of two lists")
        << doc("{\\*\\pn\\pnlvlblt{\\pntxtb a}}{\\field{\\*\\fldinst X}{\\fldrslt p\\par\\pard{\\*\\pn\\pnlvlblt{\\pntxtb b}}q\\par}}\\pard c\\par")
        << QStringLiteral("a\tp\nb\tq\nc") << QStringList();
    QTest::newRow("a header's numbering numbers nothing of the body") << doc("{\\header\\pn a}b")
                                                                      << QStringLiteral("b") << QStringList();
}

void TestRtfDocProps::keptBySave()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QStringList, starts);
    auto startsOf = [](const QTextDocument &d) {
        QStringList out;
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
            if (b.blockFormat().hasProperty(model::SectionStart))
                out << b.text();
        }
        return out;
    };
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(QString::fromUtf8(model::plainText(d)), text);
    QCOMPARE(startsOf(d), starts);
    const QByteArray out = rtf::write(d);
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(QString::fromUtf8(model::plainText(back)), text);
    QCOMPARE(startsOf(back), starts);
    QCOMPARE(rtf::write(back), out);
}

void TestRtfDocProps::survivesCloneAndEditing()
{
    QTextDocument d;
    rtf::read(doc("\\paperw12000{\\info{\\title T}}{\\header \\pard H\\par}a\\par b"), d);
    const QByteArray out = rtf::write(d);
    std::unique_ptr<QTextDocument> copy(d.clone());
    QCOMPARE(rtf::write(*copy), out);
    d.setUndoRedoEnabled(true);
    QTextCursor c(&d);
    c.select(QTextCursor::Document);
    c.insertText(QStringLiteral("nový"));
    const QByteArray edited = rtf::write(d);
    QVERIFY(edited.contains("\\paperw12000"));
    QVERIFY(edited.contains("{\\title T}"));
    QVERIFY(edited.contains("{\\header "));
}

void TestRtfDocProps::hostile_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("footnote in a header") << doc("{\\header h{\\chftn}{\\footnote x}}a") << QStringLiteral("a");
    QTest::newRow("header in a header") << doc("{\\header h{\\footer f}}a") << QStringLiteral("a");
    QTest::newRow("header in a note") << doc("a{\\chftn}{\\footnote n{\\header h}}") << QStringLiteral("a1");
    QTest::newRow("unbalanced header") << doc("a{\\header h{{{") << QStringLiteral("a");
    QTest::newRow("huge margin is clamped") << doc("\\margl99999999999 a") << QStringLiteral("a");
    QByteArray many = "{\\rtf1 ";
    for (int i = 0; i < 30000; ++i)
        many += "x\\sect{\\header h}";
    many += "}";
    QTest::newRow("30 000 sections") << many << QString();
    QByteArray info = "{\\rtf1 {\\info{\\title ";
    info += QByteArray(100000, 'x');
    info += "}}a}";
    QTest::newRow("long title") << info << QStringLiteral("a");
}

void TestRtfDocProps::hostile()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QTextDocument d;
    rtf::read(rtf, d);
    if (!text.isEmpty())
        QCOMPARE(d.toPlainText(), text);
    const QByteArray out = rtf::write(d);
    QCOMPARE(out.count('{'), out.count('}'));
    QVERIFY(out.size() < rtf.size() * 4 + 4096);
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(back.toPlainText(), d.toPlainText());
    QCOMPARE(rtf::write(back), out);
}

// A bookmark is one invisible character, written back where it was;
// deleting it deletes the bookmark, undo brings it back.
void TestRtfDocProps::bookmarks()
{
    QTextDocument d;
    rtf::read(doc("a{\\*\\bkmkstart Kapitola 1}b{\\*\\bkmkend Kapitola 1}c{\\*\\bkmkstart}d"), d);
    QCOMPARE(d.toPlainText(), QStringLiteral("a\uFFFCb\uFFFCcd"));
    QCOMPARE(QString::fromUtf8(model::plainText(d)), QStringLiteral("abcd"));
    const QByteArray out = rtf::write(d);
    QVERIFY2(out.contains(" a{\\*\\bkmkstart Kapitola 1}b{\\*\\bkmkend Kapitola 1}cd\\par"), out.constData());
    QTextDocument back;
    rtf::read(out, back);
    QCOMPARE(back.toPlainText(), d.toPlainText());
    QCOMPARE(rtf::write(back), out);

    d.setUndoRedoEnabled(true);
    QTextCursor c(&d);
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    QVERIFY(!rtf::write(d).contains("bkmkstart"));
    d.undo();
    QCOMPARE(rtf::write(d), out);
}

void TestRtfDocProps::pieceLimit_data()
{
    QTest::addColumn<qint64>("pieces");
    QTest::newRow("at the limit") << rtf::limits::maxPieces;
    QTest::newRow("past the limit") << rtf::limits::maxPieces + 1;
}

void TestRtfDocProps::pieceLimit()
{
    QFETCH(qint64, pieces);
    QByteArray rtf = "{\\rtf1 ";
    for (qint64 i = 0; i < pieces; ++i)
        rtf += "{\\*\\bkmkstart b}";
    rtf += "x}";
    QTextDocument d;
    rtf::read(rtf, d);
    QCOMPARE(qint64(d.toPlainText().count(QChar::ObjectReplacementCharacter)), std::min(pieces, rtf::limits::maxPieces));
    QVERIFY(d.toPlainText().endsWith(u'x'));
}

QTEST_MAIN(TestRtfDocProps)
#include "tst_rtf_docprops.moc"
