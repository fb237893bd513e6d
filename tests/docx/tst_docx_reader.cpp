// The Word reader over fixtures: documents written by LibreOffice
// (data/*.docx, from the .html and .fodt beside them) and hand-written
// WordprocessingML for what only Word writes (data/<name>/, zipped here).
// Plain texts are LibreOffice's text export of the same files, written
// with the model's conventions for list labels ("1.<tab>") and table rows
// (cells separated by tabs, a row a line).

#include "docx/docx.h"
#include "model/docprops.h"
#include "model/language.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "model/properties.h"
#include "rtf/rtf.h"

#include "docquery.h"
#include "packages.h"

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QTimeZone>

namespace {

using namespace docquery;

QByteArray fixture(const QString &name)
{
    const QString path = QStringLiteral(DOCX_TEST_DATA "/") + name;
    if (name.endsWith(u".docx")) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            qFatal("missing fixture %s", qPrintable(name));
        return f.readAll();
    }
    const QByteArray zip = testpackages::zipFolder(path);
    if (zip.isEmpty())
        qFatal("missing fixture %s", qPrintable(name));
    return zip;
}

std::unique_ptr<QTextDocument> load(const QString &name)
{
    auto doc = std::make_unique<QTextDocument>();
    docx::read(fixture(name), *doc);
    return doc;
}

// Characters of the document whose format has `property`, in order.
QList<QTextCharFormat> formatsWith(const QTextDocument &doc, int property)
{
    QList<QTextCharFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().hasProperty(property)) {
                for (int i = 0; i < f.length(); ++i)
                    out << f.charFormat();
            }
        }
    }
    return out;
}

QByteArray documentXml(const QByteArray &body, const QByteArray &extraNs = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
           "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        + extraNs + "><w:body>" + body + "</w:body></w:document>";
}

QByteArray packageOf(const QByteArray &body, const QList<QPair<QString, QByteArray>> &more = {}, bool compress = true)
{
    QList<QPair<QString, QByteArray>> entries{{QStringLiteral("word/document.xml"), documentXml(body)}};
    entries += more;
    return testpackages::zipEntries(entries, compress);
}

} // namespace

class TestDocxReader : public QObject {
    Q_OBJECT

private slots:
    void plainText_data();
    void plainText();
    void runFormats_data();
    void runFormats();
    void paragraphs_data();
    void paragraphs();
    void lists_data();
    void lists();
    void tables_data();
    void tables();
    void notes_data();
    void notes();
    void links_data();
    void links();
    void fields_data();
    void fields();
    void pieces_data();
    void pieces();
    void sections_data();
    void sections();
    void documentInfo_data();
    void documentInfo();
    void pictures_data();
    void pictures();
    void hostile_data();
    void hostile();
};

void TestDocxReader::plainText_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("expected");
    QTest::newRow("LibreOffice: headings, lists, table")
        << "basic.docx"
        << QStringLiteral("Nadpis první\nObyčejný text s tučným a kurzívou a odkazem.\nSeznamy\n1.\tjedna\n2.\tdvě\n"
                          "1.\tvnořená\n3.\ttři\n•\tpuntík\n•\tdalší\nTabulka\nspojená\tC1\nsvislá\tB2\tC2\n\tB3\tC3\nKonec.");
    QTest::newRow("LibreOffice: notes, bookmark, comment")
        << "notes.docx"
        << QStringLiteral("První věta1 a druhá2.\nVysvětlivkai zde.\nNa nové stránce záložka.\nKomentovaný text."
                          "\n\n1 Text první poznámky.\n2 Druhá poznámka.\ni Na konci.");
    QTest::newRow("fields show their results")
        << "fields" << QStringLiteral("Strana 7 z 9\nWeb: příklad, zpět: cíl, pole: polem\nCílový odstavec\nA\tB\nC\u2011D\u00ADE\u03B1\u263AA\nObsah: ano");
    QTest::newRow("changes accepted, controls inlined, pieces' text")
        << "revisions" << QStringLiteral("Text vložený a sem\nOvládací prvek\nRámeček: V rámečku konec\nVzorec Obrázkovýx=2.\nSkrytý text\nDalší strana\nSpojený odstavec");
    QTest::newRow("lists") << "lists"
                           << QStringLiteral("5.\tpět\n5.1.\tvnořená\n5.2.\tdruhá\n(a)\tpísmeno\n6.\tšest\n6.1.\tznovu\n•\tpuntík\n"
                                             "o\tkroužek\nIII)\trímská\nIV)\tdalší\nnedefinovaný\n(a)\thluboko")
                                  .replace(QStringLiteral("rímská"), QStringLiteral("římská"));
    QTest::newRow("tables") << "tables" << QStringLiteral("Před\nAB\tC\nsvisle\tB2\tC2\n\tB3\tC3\n\tn1\tn2\nkrátký\nPo");
    QTest::newRow("sections") << "sections" << QStringLiteral("Oddíl jedna\nKonec oddílu\nOddíl dva");
    QTest::newRow("notes, comments and pictures")
        << "wordnotes"
        << QStringLiteral("Věta1 a vlastní* a třetí2 a koncováA\nKomentovaný a bez\nObrázky: \n\n1 Poznámka jedna\n"
                          "* Hvězdičková.\n2 Třetí\nna dva odstavce\nA Koncová");
}

void TestDocxReader::plainText()
{
    QFETCH(QString, fixture);
    QFETCH(QString, expected);
    const auto doc = load(fixture);
    QCOMPARE(textOf(*doc), expected);
}

void TestDocxReader::runFormats_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("family");
    QTest::newRow("bold") << "basic.docx" << "tučným" << true << false << 12.0 << 1033 << "Liberation Serif";
    QTest::newRow("italic") << "basic.docx" << "kurzívou" << false << true << 12.0 << 1033 << "Liberation Serif";
    QTest::newRow("heading style") << "styles" << "Kapitola" << true << false << 16.0 << 1029 << "Liberation Serif";
    QTest::newRow("based on a heading") << "styles" << "Oddíl" << true << true << 14.0 << 1029 << "Liberation Serif";
    QTest::newRow("style in a loop") << "styles" << "Citát" << false << true << 12.0 << 1029 << "Liberation Serif";
    QTest::newRow("character style") << "styles" << "důrazem" << true << true << 12.0 << 2057 << "Liberation Serif";
    QTest::newRow("direct formatting") << "styles" << "x" << false << false << 9.0 << 1031 << "Arial";
    QTest::newRow("theme font") << "styles" << "Motiv" << false << false << 12.0 << 1029 << "DejaVu Sans";
}

void TestDocxReader::runFormats()
{
    QFETCH(QString, fixture);
    QFETCH(QString, at);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(double, points);
    QFETCH(int, language);
    QFETCH(QString, family);
    const auto doc = load(fixture);
    const QTextCharFormat f = formatAt(*doc, at);
    QCOMPARE(f.fontWeight() >= QFont::Bold, bold);
    QCOMPARE(f.fontItalic(), italic);
    QCOMPARE(f.fontPointSize(), points);
    QCOMPARE(model::languageOf(f, model::defaultLanguage(*doc)), language);
    QCOMPARE(f.fontFamilies().toStringList().value(0), family);
    if (at == u"x") {
        QCOMPARE(f.underlineStyle(), QTextCharFormat::SingleUnderline);
        QVERIFY(f.fontStrikeOut());
        QCOMPARE(f.verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(f.foreground().color(), QColor(0, 0, 255));
        QCOMPARE(f.background().color(), QColor(255, 255, 0));
    }
    if (at == u"Citát")
        QCOMPARE(f.foreground().color(), QColor(255, 0, 0)); // from the style the loop came back to
}

void TestDocxReader::paragraphs_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("paragraph");
    QTest::addColumn<int>("heading");
    QTest::addColumn<QString>("style");
    QTest::addColumn<int>("alignment");
    QTest::newRow("LibreOffice heading 1") << "basic.docx" << "Nadpis první" << 1 << "Heading 1" << int(Qt::AlignLeft);
    QTest::newRow("LibreOffice heading 3") << "basic.docx" << "Tabulka" << 3 << "Heading 3" << int(Qt::AlignLeft);
    QTest::newRow("outline level of the style") << "styles" << "Kapitola" << 1 << "heading 1" << int(Qt::AlignLeft);
    QTest::newRow("Czech heading name") << "styles" << "Oddíl" << 1 << "Nadpis 2" << int(Qt::AlignLeft);
    QTest::newRow("style in a loop") << "styles" << "Citát" << 0 << "Citace" << int(Qt::AlignJustify);
    QTest::newRow("direct outline level") << "styles" << "Osnova" << 3 << "Normal" << int(Qt::AlignHCenter);
}

void TestDocxReader::paragraphs()
{
    QFETCH(QString, fixture);
    QFETCH(QString, paragraph);
    QFETCH(int, heading);
    QFETCH(QString, style);
    QFETCH(int, alignment);
    const auto doc = load(fixture);
    const QTextBlock b = blockWith(*doc, paragraph);
    QVERIFY(b.isValid());
    const QTextBlockFormat f = b.blockFormat();
    QCOMPARE(f.headingLevel(), heading);
    QCOMPARE(int(f.alignment() & Qt::AlignHorizontal_Mask), alignment);
    const int number = f.intProperty(model::StyleNumber);
    QString name;
    for (const QVariant &v : doc->rootFrame()->frameFormat().property(model::DocStyles).toList()) {
        const QVariantMap m = v.toMap();
        if (!m.value(QStringLiteral("character")).toBool() && m.value(QStringLiteral("number")).toInt() == number)
            name = m.value(QStringLiteral("name")).toString();
    }
    QCOMPARE(name, style);
    if (paragraph == u"Osnova") {
        // Indents, spacing, tabs, the rule and the page break.
        QCOMPARE(f.leftMargin(), 1134 / 15.0);
        QCOMPARE(f.rightMargin(), 567 / 15.0);
        QCOMPARE(f.textIndent(), 283 / 15.0);
        QCOMPARE(f.topMargin(), 240 / 15.0);
        QCOMPARE(f.bottomMargin(), 60 / 15.0);
        QCOMPARE(f.lineHeight(), 150.0);
        QCOMPARE(f.tabPositions().size(), 2);
        QCOMPARE(f.tabPositions().at(0).type, QTextOption::DelimiterTab);
        QCOMPARE(f.tabPositions().at(1).type, QTextOption::RightTab);
        QVERIFY(f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
        QCOMPARE(f.pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    }
}

void TestDocxReader::lists_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("paragraph");
    QTest::addColumn<int>("indent");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("bullet");
    QTest::newRow("start number") << "lists" << "pět" << 1 << "5." << 1 << "";
    QTest::newRow("two levels' numbers") << "lists" << "vnořená" << 2 << "5.1." << 1 << "";
    QTest::newRow("letters") << "lists" << "písmeno" << 3 << "(a)" << 1 << "";
    QTest::newRow("level restarts") << "lists" << "znovu" << 2 << "6.1." << 1 << "";
    QTest::newRow("Symbol bullet") << "lists" << "puntík" << 1 << "•" << 2 << "";
    QTest::newRow("circle bullet") << "lists" << "kroužek" << 2 << "o" << 2 << "";
    QTest::newRow("start override") << "lists" << "římská" << 1 << "III)" << 3 << "";
    QTest::newRow("undefined list") << "lists" << "nedefinovaný" << 0 << "" << 0 << "";
    QTest::newRow("level past the last") << "lists" << "hluboko" << 3 << "(a)" << 1 << "";
    QTest::newRow("list of the paragraph style") << "styles" << "Stylem" << 1 << "▪" << 1 << "";
    QTest::newRow("LibreOffice nested") << "basic.docx" << "vnořená" << 2 << "1." << 1 << "";
    QTest::newRow("LibreOffice bullets") << "basic.docx" << "puntík" << 1 << "•" << 2 << "";
}

void TestDocxReader::lists()
{
    QFETCH(QString, fixture);
    QFETCH(QString, paragraph);
    QFETCH(int, indent);
    QFETCH(QString, label);
    QFETCH(int, group);
    const auto doc = load(fixture);
    const QTextBlock b = blockWith(*doc, paragraph);
    QVERIFY(b.isValid());
    QTextList *list = b.textList();
    QCOMPARE(list ? list->format().indent() : 0, indent);
    QCOMPARE(list ? list->format().intProperty(model::ListGroup) : 0, group);
    QCOMPARE(model::listLabel(b), label);
}

void TestDocxReader::tables_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    // row, column, row span, column span, text
    QTest::addColumn<QVariantList>("cell");
    QTest::newRow("LibreOffice column span") << "basic.docx" << 0 << 3 << 3 << QVariantList{0, 0, 1, 2, "spojená"};
    QTest::newRow("LibreOffice row span") << "basic.docx" << 0 << 3 << 3 << QVariantList{1, 0, 2, 1, "svislá"};
    QTest::newRow("column span") << "tables" << 0 << 5 << 3 << QVariantList{0, 0, 1, 2, "AB"};
    QTest::newRow("row span of three") << "tables" << 0 << 5 << 3 << QVariantList{1, 0, 3, 1, "svisle"};
    QTest::newRow("cell holding a table") << "tables" << 0 << 5 << 3 << QVariantList{3, 1, 1, 2, "n1\tn2"};
    QTest::newRow("short row") << "tables" << 0 << 5 << 3 << QVariantList{4, 0, 1, 1, "krátký"};
    QTest::newRow("nested table") << "tables" << 1 << 1 << 2 << QVariantList{0, 1, 1, 1, "n2"};
}

void TestDocxReader::tables()
{
    QFETCH(QString, fixture);
    QFETCH(int, table);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QVariantList, cell);
    const auto doc = load(fixture);
    const QList<QTextTable *> all = tablesOf(*doc);
    QVERIFY(table < all.size());
    QTextTable *t = all[table];
    QCOMPARE(t->rows(), rows);
    QCOMPARE(t->columns(), columns);
    const QTextTableCell c = t->cellAt(cell[0].toInt(), cell[1].toInt());
    QCOMPARE(c.row(), cell[0].toInt());
    QCOMPARE(c.column(), cell[1].toInt());
    QCOMPARE(c.rowSpan(), cell[2].toInt());
    QCOMPARE(c.columnSpan(), cell[3].toInt());
    QString shown = cellText(t, cell[0].toInt(), cell[1].toInt());
    if (cell[4].toString().contains(u'\t')) {
        // A cell holding a table: its rows' text, as the text export gives it.
        QTextDocument inner;
        shown = textOf(*doc).section(u'\n', 4, 4).section(u'\t', 1);
    }
    QCOMPARE(shown, cell[4].toString());
    if (fixture == u"tables" && table == 0) {
        QCOMPARE(t->format().intProperty(model::TableWidthTwips), 6000);
        const auto widths = t->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 3);
        QCOMPARE(widths[1].rawValue(), 50.0);
        QCOMPARE(t->format().headerRowCount(), 1);
        QCOMPARE(t->cellAt(0, 0).format().background().color(), QColor(255, 255, 0));
        QCOMPARE(t->cellAt(0, 2).format().toTableCellFormat().topBorder(), 1.0 * 8 * 2.5 / 15);
        QCOMPARE(t->cellAt(2, 1).format().toTableCellFormat().topBorderBrush().color(), QColor(255, 0, 0));
        QVERIFY(t->cellAt(4, 2).format().boolProperty(model::FillerCell));
    }
}

void TestDocxReader::notes_data()
{
    QTest::addColumn<QString>("fixture");
    // mark, kind, automatic, text; one entry per note in order
    QTest::addColumn<QStringList>("expected");
    // how the document numbers notes, as the model keeps it
    QTest::addColumn<QString>("words");
    QTest::newRow("LibreOffice") << "notes.docx"
                                 << QStringList{"1|0|1|Text první poznámky.", "2|0|1|Druhá poznámka.", "i|1|1|Na konci."}
                                 << "";
    QTest::newRow("Word") << "wordnotes"
                          << QStringList{"1|0|1|Poznámka jedna", "*|0|0|Hvězdičková.", "2|0|1|Třetí\nna dva odstavce",
                                         "A|1|1|Koncová"}
                          << "\\aftnnauc";
}

void TestDocxReader::notes()
{
    QFETCH(QString, fixture);
    QFETCH(QStringList, expected);
    QFETCH(QString, words);
    const auto doc = load(fixture);
    QStringList got;
    QSet<int> ids;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!model::isNoteMark(f))
                continue;
            ids.insert(f.intProperty(model::NoteId));
            QCOMPARE(f.stringProperty(model::NoteNumberingWords), words);
            got << QStringLiteral("%1|%2|%3|%4")
                       .arg(it.fragment().text())
                       .arg(f.intProperty(model::NoteKind))
                       .arg(int(f.boolProperty(model::NoteAutoNumber)))
                       .arg(f.stringProperty(model::NoteText));
            // The note's RTF holds its text, and its mark repeating the number.
            QVERIFY(rtfText(f.stringProperty(model::NoteRtf)).contains(f.stringProperty(model::NoteText).section(u'\n', 0, 0)));
        }
    }
    QCOMPARE(got, expected);
    QCOMPARE(ids.size(), expected.size());
    // The settings part that numbers the notes gives the default tab too (both files 1.25 cm).
    QCOMPARE(doc->rootFrame()->frameFormat().intProperty(model::DocDefaultTab), 709);
}

void TestDocxReader::links_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("href");
    QTest::newRow("LibreOffice") << "basic.docx" << "odkazem" << "https://example.org/a";
    QTest::newRow("external relationship") << "fields" << "příklad" << "https://example.org/příklad";
    QTest::newRow("anchor") << "fields" << "cíl" << "#cil";
    QTest::newRow("HYPERLINK field") << "fields" << "polem" << "https://example.com/pole";
    QTest::newRow("no link") << "fields" << "Cílový" << "";
}

void TestDocxReader::links()
{
    QFETCH(QString, fixture);
    QFETCH(QString, at);
    QFETCH(QString, href);
    const auto doc = load(fixture);
    const QTextCharFormat f = formatAt(*doc, at);
    QCOMPARE(f.isAnchor(), !href.isEmpty());
    QCOMPARE(f.anchorHref(), href);
    QVERIFY(!f.hasProperty(model::FieldInstruction));
}

void TestDocxReader::fields_data()
{
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("instruction");
    QTest::newRow("simple field") << "7" << "PAGE \\* MERGEFORMAT";
    QTest::newRow("complex field") << "9" << "NUMPAGES";
    QTest::newRow("field in a field's instruction") << "ano" << "IF 1 = 1 \"ano\" \"ne\"";
    QTest::newRow("plain text") << "Strana" << "";
}

void TestDocxReader::fields()
{
    QFETCH(QString, at);
    QFETCH(QString, instruction);
    const auto doc = load(QStringLiteral("fields"));
    const QTextCharFormat f = formatAt(*doc, at);
    QCOMPARE(f.stringProperty(model::FieldInstruction), instruction);
    QCOMPARE(f.intProperty(model::WrapId) >= 1'000'000, !instruction.isEmpty());
    QVERIFY(!f.hasProperty(model::WrapRtf));
    // Each field its own number.
    QSet<int> ids;
    for (const QTextCharFormat &g : formatsWith(*doc, model::WrapId))
        ids.insert(g.intProperty(model::WrapId));
    QCOMPARE(ids.size(), 3);
}

void TestDocxReader::pieces_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<int>("property");
    // the pieces' values of that property, in order
    QTest::addColumn<QStringList>("values");
    QTest::newRow("bookmark starts") << "fields" << int(model::BookmarkStart) << QStringList{"cil", "venku"};
    QTest::newRow("bookmark ends") << "fields" << int(model::BookmarkEnd) << QStringList{"cil", "venku"};
    QTest::newRow("LibreOffice bookmark") << "notes.docx" << int(model::BookmarkStart) << QStringList{"zalozka"};
    QTest::newRow("comment texts") << "wordnotes" << int(model::OpaqueText) << QStringList{"Tohle přepsat.", "Bez rozsahu"};
    QTest::newRow("comment authors") << "wordnotes" << int(model::CommentAuthor) << QStringList{"Eva Dvořáková", "Ota"};
    QTest::newRow("comment dates") << "wordnotes" << int(model::CommentDate) << QStringList{"2024-05-06T07:08:00Z", ""};
    QTest::newRow("LibreOffice comment") << "notes.docx" << int(model::CommentAuthor) << QStringList{"Petr Svoboda"};
    QTest::newRow("text box and equation text") << "revisions" << int(model::OpaqueText) << QStringList{"V rámečku", "Obrázkový", "x=2"};
}

void TestDocxReader::pieces()
{
    QFETCH(QString, fixture);
    QFETCH(int, property);
    QFETCH(QStringList, values);
    const auto doc = load(fixture);
    QStringList got;
    for (const QTextCharFormat &f : formatsWith(*doc, property)) {
        if (f.objectType() == model::PieceObject)
            got << f.stringProperty(property);
    }
    QCOMPARE(got, values);
    if (fixture == u"revisions") {
        // The pieces keep their XML, but for one that refers to another
        // part; the text shown after them is marked theirs.
        QList<QTextCharFormat> pieces, shown;
        for (const QTextCharFormat &f : formatsWith(*doc, model::OpaqueText))
            (f.objectType() == model::PieceObject ? pieces : shown) << f;
        QCOMPARE(pieces.size(), 3);
        QCOMPARE(shown.size(), 9 + 9 + 3);
        QVERIFY(pieces[0].stringProperty(model::OpaqueWordXml).startsWith(u"<mc:AlternateContent"));
        QVERIFY(pieces[0].stringProperty(model::OpaqueWordXml).contains(u"xmlns:wps="));
        QVERIFY(!pieces[1].hasProperty(model::OpaqueWordXml));
        QVERIFY(pieces[2].stringProperty(model::OpaqueWordXml).startsWith(u"<m:oMath"));
        QVERIFY(!shown[0].hasProperty(model::OpaqueWordXml));
    }
}

void TestDocxReader::sections_data()
{
    QTest::addColumn<QString>("fixture");
    // width, height, left margin, landscape
    QTest::addColumn<QList<int>>("page");
    // the first section: kind and text of each header and footer
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("firstWords");
    QTest::newRow("LibreOffice landscape") << "notes.docx" << QList<int>{16838, 11906, 850, 1}
                                           << QStringList{"header|Záhlaví dokumentu", "footer|Strana 2"} << "";
    QTest::newRow("two sections") << "sections" << QList<int>{11906, 16838, 1701, 0}
                                   << QStringList{"header|Záhlaví", "headerf|První strana", "footer|Zápatí"} << "\\titlepg";
}

void TestDocxReader::sections()
{
    QFETCH(QString, fixture);
    QFETCH(QList<int>, page);
    QFETCH(QStringList, headers);
    QFETCH(QString, firstWords);
    const auto doc = load(fixture);
    const model::PageSetup p = model::pageSetup(*doc);
    QCOMPARE(p.width, page[0]);
    QCOMPARE(p.height, page[1]);
    QCOMPARE(p.marginLeft, page[2]);
    QCOMPARE(p.landscape, bool(page[3]));
    const QStringList first = doc->rootFrame()->frameFormat().property(model::DocFirstSection).toStringList();
    QVERIFY(!first.isEmpty());
    QCOMPARE(first[0], firstWords);
    QStringList got;
    for (qsizetype i = 1; i + 1 < first.size(); i += 2)
        got << first[i] + u'|' + rtfText(first[i + 1]);
    QCOMPARE(got, headers);
    if (fixture == u"sections") {
        // The second section: its page and footer; a header pointing back
        // at the body, or a part outside the package, is left out.
        const QTextBlock b = blockWith(*doc, QStringLiteral("Oddíl dva"));
        const QStringList second = b.blockFormat().property(model::SectionStart).toStringList();
        QCOMPARE(second.value(0), QStringLiteral("\\pgwsxn16838\\pghsxn11906\\lndscpsxn\\marglsxn1000\\margrsxn1000\\margtsxn1000\\margbsxn1000"));
        QCOMPARE(second.size(), 3);
        QCOMPARE(second[1], QStringLiteral("footer"));
        QVERIFY(!blockWith(*doc, QStringLiteral("Konec oddílu")).blockFormat().hasProperty(model::SectionStart));
    }
}

void TestDocxReader::documentInfo_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("title") << "sections" << "title" << QVariant(QStringLiteral("Oddíly"));
    QTest::newRow("subject") << "sections" << "subject" << QVariant(QStringLiteral("Stránky"));
    QTest::newRow("author") << "sections" << "author" << QVariant(QStringLiteral("Jan Novák"));
    QTest::newRow("keywords") << "sections" << "keywords" << QVariant(QStringLiteral("oddíl, záhlaví"));
    QTest::newRow("created") << "sections" << "creatim" << QVariant(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
    QTest::newRow("LibreOffice title") << "notes.docx" << "title" << QVariant(QStringLiteral("Poznámky"));
}

void TestDocxReader::documentInfo()
{
    QFETCH(QString, fixture);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    const auto doc = load(fixture);
    const QVariant got = model::documentInfo(*doc).value(key);
    if (value.metaType() == QMetaType::fromType<QDateTime>())
        QCOMPARE(got.toDateTime().toUTC(), value.toDateTime());
    else
        QCOMPARE(got, value);
}

void TestDocxReader::pictures_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("blip");
    QTest::addColumn<int>("goalWidth");
    QTest::addColumn<int>("goalHeight");
    QTest::newRow("PNG") << 0 << QByteArray("pngblip") << 2000 << 1000;
    QTest::newRow("EMF") << 1 << QByteArray("emfblip") << 1000 << 1000;
}

void TestDocxReader::pictures()
{
    QFETCH(int, index);
    QFETCH(QByteArray, blip);
    QFETCH(int, goalWidth);
    QFETCH(int, goalHeight);
    const auto doc = load(QStringLiteral("wordnotes"));
    QList<QTextImageFormat> images;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                images << it.fragment().charFormat().toImageFormat();
        }
    }
    // A picture outside the package and one of no relationship are left out.
    QCOMPARE(images.size(), 2);
    const QTextImageFormat f = images[index];
    QCOMPARE(f.intProperty(model::PictureGoalWidth), goalWidth);
    QCOMPARE(f.intProperty(model::PictureGoalHeight), goalHeight);
    QCOMPARE(f.width(), goalWidth / 15.0);
    const model::PictureData data = model::pictureOf(*doc, f);
    QCOMPARE(data.blip, blip);
    QFile file(QStringLiteral(DOCX_TEST_DATA "/wordnotes/word/media/") + (index ? "kresba.emf" : "obr.png"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(data.bytes, file.readAll());
}

void TestDocxReader::hostile_data()
{
    QTest::addColumn<QByteArray>("data");
    // empty: the document must load; else the start of the error
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("no zip") << QByteArray("PK\3\4 not really") << "" << "!";
    QTest::newRow("no document part")
        << testpackages::zipEntries({{QStringLiteral("word/styles.xml"), "<w:styles/>"}})
        << "Dokument Wordu je poškozený" << "";
    QTest::newRow("officeDocument pointing outside")
        << testpackages::zipEntries({{QStringLiteral("_rels/.rels"),
                                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                      "<Relationship Id=\"a\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"../../etc/passwd\"/>"
                                      "</Relationships>"},
                                     {QStringLiteral("word/document.xml"), documentXml("<w:p><w:r><w:t>ok</w:t></w:r></w:p>")}})
        << "" << "ok";
    QTest::newRow("DOCTYPE") << testpackages::zipEntries({{QStringLiteral("word/document.xml"),
                                                           "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaa\">]><w:document/>"}})
                             << "Část dokumentu word/document.xml obsahuje deklaraci" << "";
    QTest::newRow("malformed XML") << packageOf("<w:p><w:r><w:t>a</w:r></w:p>") << "Dokument je poškozený" << "";
    QTest::newRow("no body") << testpackages::zipEntries({{QStringLiteral("word/document.xml"), "<x/>"}})
                             << "Dokument Wordu je poškozený" << "";
    {
        QByteArray deep;
        for (int i = 0; i < 1200; ++i)
            deep += "<w:sdt><w:sdtContent>";
        QTest::newRow("nesting past the limit") << packageOf(deep) << "Část dokumentu word/document.xml je vnořená" << "";
    }
    {
        // Two billion levels, starts and indents: nine levels at most.
        const QByteArray numbering =
            "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
            "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"2000000000\"><w:start w:val=\"2000000000\"/></w:lvl>"
            "<w:lvl w:ilvl=\"-5\"/><w:lvl w:ilvl=\"0\"><w:start w:val=\"99999999999\"/><w:numFmt w:val=\"decimal\"/>"
            "<w:lvlText w:val=\"%1%2%3%4%5%6%7%8%9%1%2.\"/><w:pPr><w:ind w:left=\"2000000000\"/></w:pPr></w:lvl></w:abstractNum>"
            "<w:num w:numId=\"2000000000\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";
        QTest::newRow("numbering with huge counts")
            << packageOf("<w:p><w:pPr><w:numPr><w:ilvl w:val=\"2000000000\"/><w:numId w:val=\"2000000000\"/></w:numPr></w:pPr>"
                         "<w:r><w:t>a</w:t></w:r></w:p>"
                         "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"2000000000\"/></w:numPr></w:pPr>"
                         "<w:r><w:t>b</w:t></w:r></w:p>",
                         {{QStringLiteral("word/numbering.xml"), numbering}})
            << "" << "b";
    }
    {
        QByteArray row = "<w:tbl><w:tblGrid><w:gridCol w:w=\"2000000000\"/></w:tblGrid><w:tr>";
        for (int i = 0; i < 100'000; ++i)
            row += "<w:tc><w:tcPr><w:gridSpan w:val=\"2000000000\"/></w:tcPr><w:p><w:r><w:t>c</w:t></w:r></w:p></w:tc>";
        row += "</w:tr></w:tbl>";
        QTest::newRow("100 000 cells in a row") << packageOf(row, {}, false) << "" << "c";
    }
    {
        QByteArray nested;
        for (int i = 0; i < 330; ++i)
            nested += "<w:tbl><w:tr><w:tc>";
        nested += "<w:p><w:r><w:t>dno</w:t></w:r></w:p>";
        for (int i = 0; i < 330; ++i)
            nested += "</w:tc></w:tr></w:tbl>";
        QTest::newRow("tables nested 330 deep") << packageOf(nested) << "" << "dno";
    }
    {
        // Styles based on each other in a circle, relationships to
        // themselves, a header that is the body.
        const QByteArray styles =
            "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
            "<w:style w:type=\"paragraph\" w:styleId=\"a\"><w:basedOn w:val=\"b\"/></w:style>"
            "<w:style w:type=\"paragraph\" w:styleId=\"b\"><w:basedOn w:val=\"a\"/></w:style>"
            "<w:style w:type=\"paragraph\" w:styleId=\"b\"><w:basedOn w:val=\"b\"/></w:style></w:styles>";
        const QByteArray rels =
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"h\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"document.xml\"/>"
            "<Relationship Id=\"s\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
            "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer\" Target=\"_rels/document.xml.rels\"/>"
            "</Relationships>";
        QTest::newRow("loops")
            << packageOf("<w:p><w:pPr><w:pStyle w:val=\"a\"/></w:pPr><w:r><w:t>smyčka</w:t></w:r></w:p>"
                         "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"h\"/><w:footerReference w:type=\"default\" r:id=\"r\"/></w:sectPr>",
                         {{QStringLiteral("word/styles.xml"), styles}, {QStringLiteral("word/_rels/document.xml.rels"), rels}})
            << "" << "smyčka";
    }
    {
        // Content controls and links nested as deep as the reader's limit allows.
        QByteArray controls, links;
        for (int i = 0; i < 490; ++i)
            controls += "<w:sdt><w:sdtContent>";
        for (int i = 0; i < 985; ++i)
            links += "<w:hyperlink w:anchor=\"x\">";
        links += "<w:r><w:t>hluboko</w:t></w:r>";
        for (int i = 0; i < 985; ++i)
            links += "</w:hyperlink>";
        QByteArray end;
        for (int i = 0; i < 490; ++i)
            end += "</w:sdtContent></w:sdt>";
        QTest::newRow("controls nested deep") << packageOf(controls + "<w:p><w:r><w:t>hluboko</w:t></w:r></w:p>" + end)
                                              << "" << "hluboko";
        QTest::newRow("links nested deep") << packageOf("<w:p>" + links + "</w:p>") << "" << "hluboko";
    }
    {
        // Fields that never end, and ends without beginnings.
        QByteArray fields;
        for (int i = 0; i < 500; ++i)
            fields += "<w:r><w:fldChar w:fldCharType=\"begin\"/><w:instrText>X</w:instrText><w:fldChar w:fldCharType=\"separate\"/></w:r>";
        fields += "<w:r><w:t>v poli</w:t></w:r>";
        for (int i = 0; i < 700; ++i)
            fields += "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
        QTest::newRow("fields unbalanced") << packageOf("<w:p>" + fields + "<w:r><w:t>!</w:t></w:r></w:p>") << "" << "v poli!";
    }
}

void TestDocxReader::hostile()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    QFETCH(QString, text);
    QTextDocument doc;
    QString thrown;
    bool failed = false;
    try {
        docx::read(data, doc);
    } catch (const model::ReadError &e) {
        failed = true;
        thrown = e.description();
    }
    if (text == u"!") { // any Czech error will do
        QVERIFY(failed);
        QVERIFY(!thrown.isEmpty());
        return;
    }
    QVERIFY2(failed == !error.isEmpty(), qPrintable(thrown.isEmpty() ? QStringLiteral("no error") : thrown));
    if (failed) {
        QVERIFY2(thrown.startsWith(error), qPrintable(thrown));
        QVERIFY(doc.isEmpty());
        return;
    }
    QVERIFY2(::textOf(doc).contains(text), qPrintable(::textOf(doc).left(200)));
    // Whatever the file claims: nine list levels, 64 columns.
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.textList())
            QVERIFY(b.textList()->format().indent() <= 9);
    }
    for (QTextTable *t : tablesOf(doc))
        QVERIFY(t->columns() <= 64);
    if (QTest::currentDataTag() == QByteArrayView("100 000 cells in a row")) {
        QCOMPARE(tablesOf(doc).size(), 1);
        QCOMPARE(tablesOf(doc)[0]->columns(), 64);
        QCOMPARE(::textOf(doc).count(u'c'), 100'000);
    }
}

QTEST_MAIN(TestDocxReader)
#include "tst_docx_reader.moc"
