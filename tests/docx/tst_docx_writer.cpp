// The Word writer: documents read from small RTF texts are written as Word
// packages, and the package's XML is looked at for what it must say (spans,
// merges, list formats, notes, headers, the page, pictures); then the
// readers Debian ships (LibreOffice, pandoc, python-docx) read the same
// packages where they are installed.

#include "docx/docx.h"
#include "model/languagetags.h"
#include "model/properties.h"
#include "package/package.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include <functional>

namespace {

// A small PNG as the hex digits of an RTF picture.
QByteArray pngHex()
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
}

QByteArray rtfDocument(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Liberation Serif;}}" + body + "}";
}

const char kList[] =
    "{\\*\\listtable{\\list\\listtemplateid1"
    "{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
    "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}\\fi-360\\li1440}"
    "{\\listlevel\\levelnfc2\\levelstartat1{\\leveltext\\'02\\'02.;}{\\levelnumbers\\'01;}\\fi-360\\li2160}"
    "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8211 ?;}{\\levelnumbers;}\\fi-360\\li2880}"
    "\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}";

const char kTable[] = "\\trowd\\cellx2000\\clmgf\\cellx4000\\clmrg\\cellx6000\\pard\\intbl A\\cell\\pard\\intbl B\\cell"
                      "\\pard\\intbl\\cell\\row"
                      "\\trowd\\clvmgf\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl C\\cell\\pard\\intbl D\\cell"
                      "\\pard\\intbl E\\cell\\row"
                      "\\trowd\\clvmrg\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl\\cell\\pard\\intbl F\\cell"
                      "\\pard\\intbl G\\cell\\row";

// The mixed document both kinds of test use: a header, a note, a list, a
// link, a table with merged cells and a picture.
QByteArray mixedRtf()
{
    return rtfDocument(QByteArray(kList)
                       + "\\paperw12240\\paperh15840\\margl1000\\margr1100\\margt1200\\margb1300"
                         "{\\header\\pard Hlavi\\'e8ka dokumentu\\par}"
                         "\\pard Prvn\\'ed odstavec{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Text pozn\\'e1mky.}\\par"
                         "\\pard\\ls1\\ilvl0 Polo\\'9eka jedna\\par"
                         "\\pard\\ls1\\ilvl1 Podpolo\\'9eka\\par"
                         "\\pard\\ls1\\ilvl3 Odr\\'e1\\'9eka\\par"
                         "\\pard Viz {\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}{\\fldrslt odkaz}} tady.\\par"
                       + kTable + "\\pard Obr\\'e1zek {\\pict\\pngblip\\picw4\\pich2\\picwgoal1440\\pichgoal720 "
                       + pngHex() + "}\\par\\pard Konec\\par");
}

QByteArray docxOf(const QByteArray &rtf)
{
    QTextDocument doc;
    rtf::read(rtf, doc);
    return docx::write(doc);
}

// What a query finds in a part: for each element of that name, the
// attribute's value ("" when absent), or with attribute "#text" the text
// of its w:t descendants, with "#own" its own text.
QStringList query(const QByteArray &docx, const QString &part, const QString &element, const QString &attribute)
{
    package::ZipReader zip(docx);
    QXmlStreamReader r(zip.read(part));
    QStringList out;
    int depth = 0, inside = -1;
    QString text;
    // "parent/child": a child of that parent only.
    const QString parent = element.contains(u'/') ? element.section(u'/', 0, 0) : QString();
    const QString name = element.section(u'/', -1);
    QStringList path;
    while (!r.atEnd()) {
        const auto t = r.readNext();
        if (t == QXmlStreamReader::StartElement) {
            ++depth;
            path << r.qualifiedName().toString();
            if (r.qualifiedName() == name && (parent.isEmpty() || (path.size() > 1 && path[path.size() - 2] == parent))) {
                if (attribute == QLatin1StringView("#text")) {
                    inside = depth;
                    text.clear();
                } else if (attribute == QLatin1StringView("#own")) { // the element's own text
                    out << r.readElementText();
                    --depth;
                    path.removeLast();
                } else {
                    out << r.attributes().value(attribute).toString();
                }
            } else if (inside >= 0 && r.qualifiedName() == u"w:t") {
                text += r.readElementText();
                --depth;
                path.removeLast();
            }
        } else if (t == QXmlStreamReader::EndElement) {
            if (depth == inside) {
                out << text;
                inside = -1;
            }
            --depth;
            path.removeLast();
        }
    }
    if (r.hasError())
        out << QStringLiteral("XML error: ") + r.errorString();
    return out;
}

// A character that shows nothing and carries a piece of the model.
void insertPiece(QTextCursor &c, const QList<QPair<int, QVariant>> &props)
{
    QTextCharFormat f;
    f.setObjectType(model::PieceObject);
    for (const auto &[p, v] : props)
        f.setProperty(p, v);
    c.insertText(QString(QChar::ObjectReplacementCharacter), f);
}

// Documents built as other formats' readers build them: the model's
// neutral pieces, not RTF.
using Build = std::function<void(QTextCursor &)>;

void bookmarked(QTextCursor &c)
{
    c.insertText(QStringLiteral("Před "));
    insertPiece(c, {{model::BookmarkStart, QStringLiteral("Zde")}});
    c.insertText(QStringLiteral("uvnitř"));
    insertPiece(c, {{model::BookmarkEnd, QStringLiteral("Zde")}});
    insertPiece(c, {{model::BookmarkStart, QStringLiteral("Neukončená")}});
    c.insertText(QStringLiteral(" po"));
}

void commented(QTextCursor &c)
{
    c.insertText(QStringLiteral("Slovo"));
    insertPiece(c, {{model::OpaqueText, QStringLiteral("První řádek\nDruhý")},
                    {model::CommentAuthor, QStringLiteral("Eva Malá")},
                    {model::CommentInitials, QStringLiteral("EM")},
                    {model::CommentDate, QStringLiteral("2024-03-05T10:20:30Z")}});
    c.insertText(QStringLiteral(" dál"));
}

// A table of contents: one field whose result is two paragraphs.
void spanningField(QTextCursor &c)
{
    QTextCharFormat f;
    f.setProperty(model::FieldInstruction, QStringLiteral("TOC \\o \"1-3\""));
    f.setProperty(model::WrapId, 1'000'000);
    c.insertText(QStringLiteral("Kapitola 1\t1"), f);
    c.insertBlock();
    c.insertText(QStringLiteral("Kapitola 2\t2"), f);
    c.insertBlock();
    c.insertText(QStringLiteral("Text"), QTextCharFormat());
}

void keptWordXml(QTextCursor &c)
{
    c.insertText(QStringLiteral("A "));
    insertPiece(c, {{model::OpaqueText, QStringLiteral("x²")},
                    {model::OpaqueWordXml, QStringLiteral("<m:oMath><m:r><m:t>x²</m:t></m:r></m:oMath>")}});
    QTextCharFormat shown;
    shown.setProperty(model::OpaqueText, QString());
    c.insertText(QStringLiteral("x²"), shown);
    c.insertText(QStringLiteral(" B"), QTextCharFormat());
}

// Kept XML that cannot stand in a paragraph: its shown text is written.
void keptParagraphXml(QTextCursor &c)
{
    insertPiece(c, {{model::OpaqueText, QStringLiteral("obsah")},
                    {model::OpaqueWordXml, QStringLiteral("<w:p><w:r><w:t>obsah</w:t></w:r></w:p>")}});
    QTextCharFormat shown;
    shown.setProperty(model::OpaqueText, QString());
    c.insertText(QStringLiteral("obsah"), shown);
}

// Tables in tables, deeper than any reader nests them.
void deepTables(QTextCursor &c)
{
    for (int i = 0; i < 40; ++i)
        c.insertTable(1, 1);
    c.insertText(QStringLiteral("dno"));
}

// More columns than a Word table has.
void wideTable(QTextCursor &c)
{
    c.insertTable(1, 1500);
    c.insertText(QStringLiteral("první"));
}

// A paragraph with a background, as pasted HTML gives it.
void shadedParagraph(QTextCursor &c)
{
    QTextBlockFormat f;
    f.setBackground(QColor(0, 128, 255));
    c.setBlockFormat(f);
    c.insertText(QStringLiteral("a"));
}

void controlCharacters(QTextCursor &c)
{
    c.insertText(QStringView(u"a\u0001b\u00A0c\u2028d").toString() + QChar(0xD800) + u'e');
}

QByteArray docxOf(const Build &build)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    build(c);
    return docx::write(doc);
}

} // namespace

Q_DECLARE_METATYPE(Build)

class TestDocxWriter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void facts_data();
    void facts();
    void languages_data();
    void languages();
    void pieces_data();
    void pieces();
    void packageIsComplete();
    void sameDocumentSameBytes();
    void readersRead_data();
    void readersRead();

private:
    QTemporaryDir m_dir;
};

void TestDocxWriter::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestDocxWriter::facts_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QStringList>("expected");

    const QString doc = QStringLiteral("word/document.xml");
    const QByteArray mixed = mixedRtf();
    QTest::newRow("paragraph texts") << rtfDocument("\\pard Jedna\\par\\pard Dv\\'e1\\tab t\\'f8i\\par") << doc
                                     << "w:p" << "#text" << QStringList{"Jedna", "Dvátři"};
    QTest::newRow("bold and italic runs") << rtfDocument("\\pard a{\\b tu\\'e8n\\'e9}{\\i kurz\\'edva}\\par") << doc
                                          << "w:r" << "#text" << QStringList{"a", "tučné", "kurzíva"};
    QTest::newRow("bold") << rtfDocument("\\pard a{\\b b}\\par") << doc << "w:b" << "w:val" << QStringList{""};
    QTest::newRow("size in half points") << rtfDocument("\\pard{\\fs28 a}\\par") << doc << "w:sz" << "w:val"
                                         << QStringList{"28"};
    QTest::newRow("superscript") << rtfDocument("\\pard a{\\super 2}\\par") << doc << "w:vertAlign" << "w:val"
                                 << QStringList{"superscript"};
    QTest::newRow("colour") << rtfDocument("{\\colortbl;\\red255\\green0\\blue0;}\\pard{\\cf1 a}\\par") << doc
                            << "w:color" << "w:val" << QStringList{"FF0000"};
    QTest::newRow("language") << rtfDocument("\\pard{\\lang1031 Haus}\\par") << doc << "w:lang" << "w:val"
                              << QStringList{"de-DE"};
    QTest::newRow("centred") << rtfDocument("\\pard\\qc a\\par") << doc << "w:jc" << "w:val" << QStringList{"center"};
    QTest::newRow("line break") << rtfDocument("\\pard a\\line b\\par") << doc << "w:br" << "w:type"
                                << QStringList{""};
    QTest::newRow("page break before") << rtfDocument("\\pard a\\par\\page\\pard b\\par") << doc
                                       << "w:pageBreakBefore" << "w:val" << QStringList{""};
    QTest::newRow("heading outline level") << rtfDocument("\\pard\\outlinelevel1 Nadpis\\par") << doc
                                           << "w:pStyle" << "w:val" << QStringList{"Heading2"};
    QTest::newRow("heading by level, not bold") << rtfDocument("\\pard\\outlinelevel0 Nadpis\\par") << doc << "w:b"
                                                << "w:val" << QStringList{"0"};
    QTest::newRow("heading style") << rtfDocument("{\\stylesheet{\\s0 Normal;}{\\s1\\b heading 1;}}\\pard\\s1 N\\par")
                                   << "word/styles.xml" << "w:outlineLvl" << "w:val"
                                   << QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8"};
    // character formats, one property each
    QTest::newRow("italic") << rtfDocument("\\pard{\\i a}\\par") << doc << "w:i" << "w:val" << QStringList{""};
    QTest::newRow("strike") << rtfDocument("\\pard{\\strike a}\\par") << doc << "w:strike" << "w:val" << QStringList{""};
    QTest::newRow("small capitals") << rtfDocument("\\pard{\\scaps a}\\par") << doc << "w:smallCaps" << "w:val"
                                    << QStringList{""};
    QTest::newRow("underlines") << rtfDocument("\\pard{\\ul a}{\\uld b}{\\uldash c}{\\ulwave d}\\par") << doc << "w:u"
                                << "w:val" << QStringList{"single", "dotted", "dash", "wave"};
    QTest::newRow("subscript") << rtfDocument("\\pard H{\\sub 2}O\\par") << doc << "w:vertAlign" << "w:val"
                               << QStringList{"subscript"};
    QTest::newRow("font") << rtfDocument("{\\fonttbl{\\f1 DejaVu Sans;}}\\pard{\\f1 a}\\par") << doc << "w:rFonts"
                          << "w:ascii" << QStringList{"DejaVu Sans"};
    QTest::newRow("highlight colour") << rtfDocument("{\\colortbl;\\red255\\green255\\blue0;}\\pard{\\highlight1 a}\\par")
                                      << doc << "w:highlight" << "w:val" << QStringList{"yellow"};
    QTest::newRow("shading colour") << rtfDocument("{\\colortbl;\\red1\\green2\\blue3;}\\pard{\\chcbpat1 a}\\par") << doc
                                    << "w:shd" << "w:fill" << QStringList{"010203"};
    QTest::newRow("document language") << rtfDocument("\\deflang1051\\pard a\\par") << "word/styles.xml" << "w:lang"
                                       << "w:val" << QStringList{"sk-SK"};
    QTest::newRow("document font") << rtfDocument("\\pard a\\par") << "word/styles.xml" << "w:rFonts" << "w:ascii"
                                   << QStringList{"Liberation Serif"};
    // paragraph formats
    QTest::newRow("justified") << rtfDocument("\\pard\\qj a\\par") << doc << "w:jc" << "w:val" << QStringList{"both"};
    QTest::newRow("indents") << rtfDocument("\\pard\\li720\\ri360\\fi-240 a\\par") << doc << "w:ind" << "w:hanging"
                             << QStringList{"240"};
    QTest::newRow("spacing") << rtfDocument("\\pard\\sb120\\sa240 a\\par") << doc << "w:spacing" << "w:after"
                             << QStringList{"240"};
    QTest::newRow("line height") << rtfDocument("\\pard\\sl360\\slmult1 a\\par") << doc << "w:spacing" << "w:line"
                                 << QStringList{"360"};
    QTest::newRow("tab stops") << rtfDocument("\\pard\\tx1440\\tqr\\tx5000 a\\tab b\\par") << doc << "w:tabs/w:tab"
                               << "w:pos" << QStringList{"1440", "5000"};
    QTest::newRow("horizontal rule") << rtfDocument("\\pard\\brdrb\\brdrs\\brdrw10 \\par") << doc << "w:bottom"
                                     << "w:val" << QStringList{"single"};
    // tables
    QTest::newRow("cell shading") << rtfDocument("{\\colortbl;\\red200\\green0\\blue0;}\\trowd\\clcbpat1\\cellx2000"
                                                 "\\pard\\intbl a\\cell\\row")
                                  << doc << "w:tcPr/w:shd" << "w:fill" << QStringList{"C80000"};
    QTest::newRow("cell borders") << rtfDocument("\\trowd\\clbrdrt\\brdrs\\brdrw20\\clbrdrb\\brdrdb\\brdrw10\\cellx2000"
                                                 "\\pard\\intbl a\\cell\\row")
                                  << doc << "w:tcBorders/w:bottom" << "w:val" << QStringList{"double"};
    QTest::newRow("nested table") << rtfDocument("\\trowd\\cellx4000\\pard\\intbl a\\par"
                                                 "\\pard\\intbl\\itap2 b\\nestcell{\\*\\nesttableprops\\trowd\\cellx2000\\nestrow}"
                                                 "{\\nonesttables\\par}\\pard\\intbl\\cell\\row")
                                  << doc << "w:tc/w:tbl" << "w:none" << QStringList{""};
    QTest::newRow("every cell ends with a paragraph")
        << rtfDocument("\\trowd\\cellx4000\\pard\\intbl\\itap2 b\\nestcell{\\*\\nesttableprops\\trowd\\cellx2000\\nestrow}"
                       "{\\nonesttables\\par}\\pard\\intbl\\cell\\row")
        << doc << "w:tc/w:p" << "#text" << QStringList{"b", ""};
    // sections
    QTest::newRow("even page header") << rtfDocument("{\\headerl\\pard Sud\\'e1\\par}{\\headerr\\pard Lich\\'e1\\par}\\pard a\\par")
                                      << doc << "w:headerReference" << "w:type" << QStringList{"even", "default"};
    QTest::newRow("even headers on") << rtfDocument("\\facingp{\\headerl\\pard Sud\\'e1\\par}\\pard a\\par") << "word/settings.xml"
                                     << "w:evenAndOddHeaders" << "w:val" << QStringList{""};
    QTest::newRow("columns") << rtfDocument("\\pard a\\par\\sect\\sectd\\sbknone\\cols2\\pard b\\par") << doc << "w:cols"
                             << "w:num" << QStringList{"", "2"};
    QTest::newRow("section ending with a table")
        << rtfDocument("\\trowd\\cellx2000\\pard\\intbl a\\cell\\row\\sect\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906"
                       "\\pard b\\par")
        << doc << "w:pgSz" << "w:w" << QStringList{"11906", "16838"};
    QTest::newRow("continuous section") << rtfDocument("\\pard a\\par\\sect\\sectd\\sbknone\\pard b\\par") << doc
                                        << "w:type" << "w:val" << QStringList{"continuous"};
    QTest::newRow("link in a header") << rtfDocument("{\\header\\pard{\\field{\\*\\fldinst HYPERLINK \"http://example.org/\"}"
                                                     "{\\fldrslt web}}\\par}\\pard a\\par")
                                      << "word/_rels/header1.xml.rels" << "Relationship" << "Target"
                                      << QStringList{"http://example.org/"};
    QTest::newRow("grid spans") << mixed << doc << "w:gridSpan" << "w:val" << QStringList{"2"};
    QTest::newRow("vertical merge") << mixed << doc << "w:vMerge" << "w:val" << QStringList{"restart", ""};
    QTest::newRow("grid columns") << mixed << doc << "w:gridCol" << "w:w" << QStringList{"2000", "2000", "2000"};
    QTest::newRow("cell texts") << mixed << doc << "w:tc" << "#text"
                                << QStringList{"A", "B", "C", "D", "E", "", "F", "G"};
    QTest::newRow("list formats") << mixed << "word/numbering.xml" << "w:numFmt" << "w:val"
                                  << QStringList{"decimal", "lowerLetter", "decimal", "bullet", "decimal",
                                                 "decimal", "decimal", "decimal", "decimal"};
    QTest::newRow("list texts") << mixed << "word/numbering.xml" << "w:lvlText" << "w:val"
                                << QStringList{"%1.", "%2)", "%3.", "–", "%5.", "%6.", "%7.", "%8.", "%9."};
    QTest::newRow("list start") << mixed << "word/numbering.xml" << "w:start" << "w:val"
                                << QStringList{"3", "1", "3", "1", "3", "3", "3", "3", "3"};
    QTest::newRow("list items") << mixed << doc << "w:ilvl" << "w:val" << QStringList{"0", "1", "3"};
    QTest::newRow("note reference") << mixed << doc << "w:footnoteReference" << "w:id" << QStringList{"1"};
    QTest::newRow("note mark style") << mixed << doc << "w:rStyle" << "w:val" << QStringList{"FootnoteReference"};
    QTest::newRow("note texts") << mixed << "word/footnotes.xml" << "w:footnote" << "#text"
                                << QStringList{"", "", " Text poznámky."};
    QTest::newRow("note separators") << mixed << "word/footnotes.xml" << "w:footnote" << "w:type"
                                     << QStringList{"separator", "continuationSeparator", ""};
    QTest::newRow("endnote") << rtfDocument("\\pard a{\\super\\chftn}{\\footnote\\ftnalt\\pard{\\super\\chftn} Konec.}\\par")
                             << "word/endnotes.xml" << "w:endnote" << "#text" << QStringList{"", "", " Konec."};
    QTest::newRow("note numbering") << rtfDocument("\\ftnstart4\\ftnnauc\\pard a{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} P.}\\par")
                                    << "word/settings.xml" << "w:numFmt" << "w:val" << QStringList{"upperLetter"};
    QTest::newRow("custom note mark") << rtfDocument("\\pard a{\\super *}{\\footnote\\pard Hv\\'ezdi\\'e8ka.}\\par")
                                      << doc << "w:footnoteReference" << "w:customMarkFollows" << QStringList{"1"};
    QTest::newRow("header text") << mixed << "word/header1.xml" << "w:p" << "#text" << QStringList{"Hlavička dokumentu"};
    QTest::newRow("header reference") << mixed << doc << "w:headerReference" << "w:type" << QStringList{"default"};
    QTest::newRow("first page header") << rtfDocument("\\titlepg{\\headerf\\pard Prvn\\'ed\\par}{\\header\\pard Dal\\'9a\\'ed\\par}\\pard a\\par")
                                       << doc << "w:titlePg" << "w:val" << QStringList{""};
    QTest::newRow("page size") << mixed << doc << "w:pgSz" << "w:w" << QStringList{"12240"};
    QTest::newRow("page margin") << mixed << doc << "w:pgMar" << "w:left" << QStringList{"1000"};
    QTest::newRow("default page") << rtfDocument("\\pard a\\par") << doc << "w:pgSz" << "w:h" << QStringList{"16838"};
    QTest::newRow("landscape") << rtfDocument("\\paperw16838\\paperh11906\\landscape\\pard a\\par") << doc << "w:pgSz"
                               << "w:orient" << QStringList{"landscape"};
    QTest::newRow("sections") << rtfDocument("\\pard a\\par\\sect\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906\\pard b\\par")
                              << doc << "w:pgSz" << "w:w" << QStringList{"11906", "16838"};
    QTest::newRow("link") << mixed << doc << "w:hyperlink" << "#text" << QStringList{"odkaz"};
    QTest::newRow("link target") << mixed << "word/_rels/document.xml.rels" << "Relationship" << "TargetMode"
                                 << QStringList{"", "External", "", "", "", "", ""};
    QTest::newRow("internal link") << rtfDocument("\\pard{\\field{\\*\\fldinst HYPERLINK \\\\l \"cil\"}{\\fldrslt tam}}\\par")
                                   << doc << "w:hyperlink" << "w:anchor" << QStringList{"cil"};
    QTest::newRow("bookmark") << rtfDocument("\\pard{\\*\\bkmkstart cil}C\\'edl{\\*\\bkmkend cil}\\par") << doc
                              << "w:bookmarkStart" << "w:name" << QStringList{"cil"};
    QTest::newRow("field") << rtfDocument("\\pard Strana {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par") << doc
                           << "w:instrText" << "xml:space" << QStringList{"preserve"};
    QTest::newRow("field parts") << rtfDocument("\\pard Strana {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par") << doc
                                 << "w:fldChar" << "w:fldCharType" << QStringList{"begin", "separate", "end"};
    QTest::newRow("field without result") << rtfDocument("\\pard Dnes {\\field\\fldlock{\\*\\fldinst DATE}}.\\par") << doc
                                          << "w:fldChar" << "w:fldCharType" << QStringList{"begin", "separate", "end"};
    QTest::newRow("hidden text") << rtfDocument("\\pard a{\\v skryt\\'fd }b\\par") << doc << "w:r" << "#text"
                                 << QStringList{"a", "skrytý ", "b"};
    QTest::newRow("hidden text vanishes") << rtfDocument("\\pard a{\\v skryt\\'fd }b\\par") << doc << "w:vanish"
                                          << "w:val" << QStringList{""};
    QTest::newRow("comment") << rtfDocument("\\pard Text{\\*\\atnid JN}{\\*\\atnauthor Jan Nov\\'e1k}\\chatn"
                                            "{\\*\\annotation\\pard Pozn\\'e1mka k textu.} dal\\'9a\\'ed\\par")
                             << "word/comments.xml" << "w:comment" << "w:author" << QStringList{"Jan Novák"};
    QTest::newRow("picture") << mixed << doc << "a:blip" << "r:embed" << QStringList{"rId3"};
    QTest::newRow("picture size") << mixed << doc << "wp:extent" << "cx" << QStringList{"914400"};
    QTest::newRow("picture type") << mixed << "[Content_Types].xml" << "Default" << "Extension"
                                  << QStringList{"rels", "xml", "png"};
    QTest::newRow("bitmap type") << rtfDocument("\\pard{\\pict\\dibitmap0\\picw1\\pich1 280000000100000001000000010018000000000004000000000000000000000000000000000000000000ff00}\\par")
                                 << "[Content_Types].xml" << "Default" << "Extension" << QStringList{"rels", "xml", "bmp"};
    const QByteArray info = rtfDocument("{\\info{\\title N\\'e1zev}{\\author Autor}{\\keywords slova}"
                                        "{\\creatim\\yr2024\\mo3\\dy5\\hr10\\min20}}\\pard a\\par");
    QTest::newRow("title") << info << "docProps/core.xml" << "dc:title" << "#own" << QStringList{"Název"};
    QTest::newRow("author") << info << "docProps/core.xml" << "dc:creator" << "#own" << QStringList{"Autor"};
    QTest::newRow("keywords") << info << "docProps/core.xml" << "cp:keywords" << "#own" << QStringList{"slova"};
    QTest::newRow("created") << info << "docProps/core.xml" << "dcterms:created" << "xsi:type"
                             << QStringList{"dcterms:W3CDTF"};
    QTest::newRow("list item before a table that starts the document")
        << rtfDocument("{\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\par\\pard\\intbl x\\cell\\row") << doc << "w:numId" << "w:val"
        << QStringList{"1"};
    QTest::newRow("no characters XML refuses") << rtfDocument("\\pard a\\u1?b\\u65535?c\\par") << doc << "w:p"
                                               << "#text" << QStringList{"abc"};
}

void TestDocxWriter::facts()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, part);
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QStringList, expected);
    QCOMPARE(query(docxOf(rtf), part, element, attribute), expected);
}

void TestDocxWriter::languages_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("back"); // the tag the id gives

    QTest::newRow("Czech") << "cs-CZ" << 1029 << "cs-CZ";
    QTest::newRow("case") << "en-gb" << 2057 << "en-GB";
    QTest::newRow("language alone") << "de" << 1031 << "de-DE";
    QTest::newRow("region not listed") << "sk-AT" << 1051 << "sk-SK";
    QTest::newRow("script") << "sr-Latn-CS" << 2074 << "sr-Latn-CS";
    QTest::newRow("unknown") << "xx-YY" << 0 << "";
    QTest::newRow("empty") << "" << 0 << "";
}

void TestDocxWriter::languages()
{
    QFETCH(QString, tag);
    QFETCH(int, id);
    QFETCH(QString, back);
    QCOMPARE(model::languageId(tag), id);
    QCOMPARE(model::languageTag(id), back);
}

void TestDocxWriter::pieces_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QStringList>("expected");

    const QString doc = QStringLiteral("word/document.xml");
    const QString comments = QStringLiteral("word/comments.xml");
    QTest::newRow("bookmark names") << Build(bookmarked) << doc << "w:bookmarkStart" << "w:name"
                                    << QStringList{"Zde", "Neukončená"};
    QTest::newRow("bookmark ends") << Build(bookmarked) << doc << "w:bookmarkEnd" << "w:id" << QStringList{"0", "1"};
    QTest::newRow("comment reference") << Build(commented) << doc << "w:commentReference" << "w:id"
                                       << QStringList{"0"};
    QTest::newRow("comment author") << Build(commented) << comments << "w:comment" << "w:author"
                                    << QStringList{"Eva Malá"};
    QTest::newRow("comment initials") << Build(commented) << comments << "w:comment" << "w:initials"
                                      << QStringList{"EM"};
    QTest::newRow("comment date") << Build(commented) << comments << "w:comment" << "w:date"
                                  << QStringList{"2024-03-05T10:20:30Z"};
    QTest::newRow("comment paragraphs") << Build(commented) << comments << "w:p" << "#text"
                                        << QStringList{"První řádek", "Druhý"};
    QTest::newRow("field over paragraphs") << Build(spanningField) << doc << "w:fldChar" << "w:fldCharType"
                                           << QStringList{"begin", "separate", "end"};
    QTest::newRow("field instruction") << Build(spanningField) << doc << "w:instrText" << "#text"
                                       << QStringList{""}; // instrText holds no w:t
    QTest::newRow("field result") << Build(spanningField) << doc << "w:p" << "#text"
                                  << QStringList{"Kapitola 11", "Kapitola 22", "Text"};
    QTest::newRow("kept Word XML") << Build(keptWordXml) << doc << "m:oMath" << "#text" << QStringList{""};
    QTest::newRow("kept XML's shown text skipped") << Build(keptWordXml) << doc << "w:p" << "#text"
                                                   << QStringList{"A  B"};
    QTest::newRow("kept paragraph not kept") << Build(keptParagraphXml) << doc << "w:p" << "#text"
                                             << QStringList{"obsah"};
    QTest::newRow("paragraph shading") << Build(shadedParagraph) << doc << "w:pPr/w:shd" << "w:fill"
                                       << QStringList{"0080FF"};
    QTest::newRow("nesting bounded") << Build(deepTables) << doc << "w:tbl" << "w:none" << QStringList(32, QString());
    QTest::newRow("deepest text kept") << Build(deepTables) << doc << "w:t" << "#own" << QStringList{"dno"};
    QTest::newRow("columns bounded") << Build(wideTable) << doc << "w:gridCol" << "w:none"
                                     << QStringList(1000, QString());
    QTest::newRow("control characters") << Build(controlCharacters) << doc << "w:r" << "#text"
                                        << QStringList{"ab\u00A0cde"};
}

void TestDocxWriter::pieces()
{
    QFETCH(Build, build);
    QFETCH(QString, part);
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QStringList, expected);
    QCOMPARE(query(docxOf(build), part, element, attribute), expected);
}

// Every part a relationship names is in the package, with a content type.
void TestDocxWriter::packageIsComplete()
{
    const QByteArray docx = docxOf(mixedRtf());
    package::ZipReader zip(docx);
    const QStringList names = zip.names();
    for (const QString &part : {QStringLiteral("word/document.xml"), QStringLiteral("word/styles.xml"),
                                QStringLiteral("word/settings.xml"), QStringLiteral("word/numbering.xml"),
                                QStringLiteral("word/footnotes.xml"), QStringLiteral("word/header1.xml"),
                                QStringLiteral("word/media/image1.png"), QStringLiteral("docProps/core.xml")})
        QVERIFY2(names.contains(part), qPrintable(part));
    const QStringList targets = query(docx, QStringLiteral("word/_rels/document.xml.rels"),
                                      QStringLiteral("Relationship"), QStringLiteral("Target"));
    const QStringList modes = query(docx, QStringLiteral("word/_rels/document.xml.rels"),
                                    QStringLiteral("Relationship"), QStringLiteral("TargetMode"));
    const QStringList overrides = query(docx, QStringLiteral("[Content_Types].xml"), QStringLiteral("Override"),
                                        QStringLiteral("PartName"));
    QCOMPARE(targets.size(), modes.size());
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (modes[i] == QLatin1StringView("External"))
            continue;
        const QString part = QStringLiteral("word/") + targets[i];
        QVERIFY2(names.contains(part), qPrintable(part));
        QVERIFY2(part.startsWith(QLatin1StringView("word/media/")) || overrides.contains(u'/' + part), qPrintable(part));
    }
}

void TestDocxWriter::sameDocumentSameBytes()
{
    const QByteArray rtf = mixedRtf();
    QCOMPARE(docxOf(rtf), docxOf(rtf));
}

// All the model's neutral pieces in one document.
void allPieces(QTextCursor &c)
{
    keptWordXml(c);
    c.insertBlock();
    bookmarked(c);
    c.insertBlock();
    commented(c);
    c.insertBlock();
    spanningField(c);
}

void TestDocxWriter::readersRead_data()
{
    QTest::addColumn<QByteArray>("rtf"); // or empty, for the document `build` makes
    QTest::addColumn<Build>("build");
    QTest::addColumn<QStringList>("lines"); // lines LibreOffice's and pandoc's text must hold, in this order

    QTest::newRow("mixed") << mixedRtf() << Build()
                           << QStringList{"První odstavec", "Položka jedna", "Podpoložka", "Odrážka", "Viz odkaz tady.",
                                          "Obrázek", "Konec"};
    QTest::newRow("formats and sections")
        << rtfDocument("{\\stylesheet{\\s0 Normal;}{\\s1\\b\\fs32 heading 1;}}"
                       "\\pard\\s1 Nadpis\\par\\pard\\qj{\\b tu\\'e8n\\'e9} a {\\i kurz\\'edva}\\tab dal\\'9a\\'ed\\par"
                       "\\pard Strana {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par\\sect\\sectd\\lndscpsxn"
                       "\\pgwsxn16838\\pghsxn11906\\pard Na \\'9a\\'ed\\'f8ku\\par")
        << Build() << QStringList{"Nadpis", "tučné a kurzíva", "Na šířku"};
}

void TestDocxWriter::readersRead()
{
    QFETCH(QByteArray, rtf);
    QFETCH(Build, build);
    QFETCH(QStringList, lines);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
    const QString path = m_dir.filePath(name + QStringLiteral(".docx"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(build ? docxOf(build) : docxOf(rtf));
    }
    int ran = 0;
    const auto holdsLines = [&](const QString &reader, const QString &text) {
        qsizetype from = 0;
        for (const QString &line : lines) {
            const qsizetype at = text.indexOf(line, from);
            QVERIFY2(at >= 0, qPrintable(reader + QStringLiteral(": no \"") + line + QStringLiteral("\" in:\n") + text));
            from = at + line.size();
        }
    };
    if (const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice")); !soffice.isEmpty()) {
        QProcess lo;
        const QString outDir = m_dir.filePath(QStringLiteral("lo"));
        lo.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + m_dir.filePath(QStringLiteral("profile")),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                           QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"), outDir, path});
        QVERIFY(lo.waitForFinished(180000));
        QFile text(outDir + u'/' + name + QStringLiteral(".txt"));
        QVERIFY2(text.open(QIODevice::ReadOnly), "LibreOffice wrote no text");
        holdsLines(QStringLiteral("LibreOffice"), QString::fromUtf8(text.readAll()));
        ++ran;
    }
    if (const QString pandoc = QStandardPaths::findExecutable(QStringLiteral("pandoc")); !pandoc.isEmpty()) {
        QProcess p;
        p.start(pandoc, {QStringLiteral("-t"), QStringLiteral("plain"), QStringLiteral("--wrap=none"), path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        holdsLines(QStringLiteral("pandoc"), QString::fromUtf8(p.readAllStandardOutput()));
        ++ran;
    }
    // Debian's own Python, where python-docx is installed, before another.
    QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                       : QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!python.isEmpty()) {
        QProcess p;
        p.start(python, {QStringLiteral("-c"),
                         QStringLiteral("import sys\ntry:\n import docx\nexcept ImportError:\n sys.exit(3)\n"
                                        "d = docx.Document(sys.argv[1])\nprint('\\n'.join(x.text for x in d.paragraphs))"),
                         path});
        QVERIFY(p.waitForFinished(60000));
        if (p.exitCode() != 3) {
            QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
            ++ran;
        }
    }
    if (ran == 0)
        QSKIP("No reader of Word documents is installed");
}

QTEST_MAIN(TestDocxWriter)
#include "tst_docx_writer.moc"
