// The OpenDocument writer: documents read from small RTF texts are
// written as .odt, and the package's own XML is checked for what it must
// hold (entries, styles, lists, tables, notes, pages); then the readers
// Debian ships (LibreOffice, pandoc, odfpy) read the files, each where it
// is installed.

#include "odt/odt.h"
#include "model/properties.h"
#include "package/package.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace {

QByteArray odtOf(const QByteArray &rtf)
{
    QTextDocument doc;
    rtf::read(rtf, doc);
    return odt::write(doc);
}

// A tiny PNG as RTF hexadecimal digits.
QByteArray pngHex(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toHex();
}

QByteArray jpegHex()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes.toHex();
}

// Documents with what the RTF reader does not make (fields by their
// instruction, bookmarks, comments of other formats, kept OpenDocument
// pieces), built as the other formats' readers build them.
void buildModel(const QString &kind, QTextDocument &doc)
{
    doc.setDefaultFont(QFont(QStringLiteral("Liberation Serif"), 12));
    QTextCursor c(&doc);
    QTextCharFormat plain;
    const auto piece = [&](const QList<QPair<int, QVariant>> &props) {
        QTextCharFormat f;
        f.setObjectType(model::PieceObject);
        for (const auto &[p, v] : props)
            f.setProperty(p, v);
        c.insertText(QString(QChar::ObjectReplacementCharacter), f);
    };
    const auto field = [&](const QString &instruction, const QString &result) {
        QTextCharFormat f;
        f.setProperty(model::FieldInstruction, instruction);
        f.setProperty(model::WrapId, 1000000);
        c.insertText(result, f);
    };
    c.insertText(QStringLiteral("before "), plain);
    if (kind == QLatin1StringView("page")) {
        field(QStringLiteral("PAGE"), QStringLiteral("7"));
    } else if (kind == QLatin1StringView("pages")) {
        field(QStringLiteral("NUMPAGES \\* MERGEFORMAT"), QStringLiteral("12"));
    } else if (kind == QLatin1StringView("date")) {
        field(QStringLiteral("DATE \\@ \"d.M.yyyy\""), QStringLiteral("1.5.2024"));
    } else if (kind == QLatin1StringView("other field")) {
        field(QStringLiteral("REF target"), QStringLiteral("result"));
    } else if (kind == QLatin1StringView("bookmark")) {
        piece({{model::BookmarkStart, QStringLiteral("mark")}});
        c.insertText(QStringLiteral("inside"), plain);
        piece({{model::BookmarkEnd, QStringLiteral("mark")}});
    } else if (kind == QLatin1StringView("comment")) {
        piece({{model::OpaqueText, QStringLiteral("First line\nsecond")},
               {model::CommentAuthor, QStringLiteral("Eva")},
               {model::CommentDate, QStringLiteral("2024-05-01T10:30:00")}});
    } else if (kind.startsWith(QLatin1StringView("kept"))) {
        QString xml = QStringLiteral("<draw:frame draw:name=\"Box\" text:anchor-type=\"as-char\" svg:width=\"2cm\" "
                                     "svg:height=\"1cm\"><draw:text-box><text:p>Boxed</text:p></draw:text-box></draw:frame>");
        if (kind == QLatin1StringView("kept unknown prefix"))
            xml = QStringLiteral("<foo:shape>Boxed</foo:shape>");
        else if (kind == QLatin1StringView("kept paragraph"))
            xml = QStringLiteral("<text:p>Boxed</text:p>");
        else if (kind == QLatin1StringView("kept broken"))
            xml = QStringLiteral("<draw:frame><text:p>Boxed</draw:frame>");
        piece({{model::OpaqueText, QStringLiteral("Boxed")}, {model::OpaqueOdfXml, xml}});
        QTextCharFormat shown;
        shown.setProperty(model::OpaqueText, QString());
        c.insertText(QStringLiteral("Boxed"), shown);
        if (kind == QLatin1StringView("kept paragraphs")) {
            c.insertBlock();
            c.insertText(QStringLiteral("More"), shown);
            c.insertBlock();
            c.insertText(QStringLiteral("Kept too"), shown);
        }
    } else if (kind == QLatin1StringView("controls")) {
        c.insertText(QStringLiteral("a\u0001b\u000Bc\uFFFFd\U0001F600e"), plain);
    } else if (kind == QLatin1StringView("extreme")) {
        // Values pasted text or a damaged file may give: still sound XML.
        QTextCharFormat f;
        f.setFontPointSize(1e308);
        f.setFontFamilies({QStringLiteral("Bad\u0001Font\uFFFF")});
        c.insertText(QStringLiteral("huge"), f);
        QTextBlockFormat b;
        b.setLeftMargin(std::numeric_limits<double>::quiet_NaN());
        b.setTopMargin(1e300);
        b.setTabPositions({QTextOption::Tab(std::numeric_limits<double>::infinity(), QTextOption::LeftTab)});
        c.setBlockFormat(b);
    } else if (kind == QLatin1StringView("internal link")) {
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(QStringLiteral("#target"));
        c.insertText(QStringLiteral("there"), link);
    }
    c.insertText(QStringLiteral(" after"), plain);
}

struct Element {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
};

// Every element of a part, in document order, with its text.
QList<Element> elementsOf(const QByteArray &xml, const QString &part)
{
    QList<Element> out;
    package::XmlReader r(xml, part);
    QList<qsizetype> open;
    while (r.step() != QXmlStreamReader::EndDocument) {
        if (r.isStartElement()) {
            out.append({r.qualifiedName().toString(), r.attributes(), QString()});
            open.append(out.size() - 1);
        } else if (r.isCharacters()) {
            for (qsizetype i : open)
                out[i].text += r.text();
        } else if (r.isEndElement()) {
            open.removeLast();
        }
    }
    return out;
}

// A style's attribute, looked up through its parents, in the parts given.
QString styleAttribute(const QList<Element> &elements, const QString &style, const QString &attribute)
{
    QString name = style;
    for (int guard = 0; guard < 10 && !name.isEmpty(); ++guard) {
        qsizetype i = 0;
        while (i < elements.size()
               && !(elements[i].name == QLatin1StringView("style:style")
                    && elements[i].attributes.value(QLatin1StringView("style:name")) == name))
            ++i;
        if (i == elements.size())
            return {};
        for (qsizetype j = i + 1; j < elements.size() && elements[j].name != QLatin1StringView("style:style"); ++j) {
            if (elements[j].attributes.hasAttribute(attribute))
                return elements[j].attributes.value(attribute).toString();
        }
        name = elements[i].attributes.value(QLatin1StringView("style:parent-style-name")).toString();
    }
    return {};
}

struct Package {
    QStringList names;
    QByteArray content, styles, manifest, meta;
};

Package unpack(const QByteArray &odt)
{
    Package p;
    package::ZipReader zip(odt);
    p.names = zip.names();
    p.content = zip.read(QStringLiteral("content.xml"));
    p.styles = zip.read(QStringLiteral("styles.xml"));
    p.manifest = zip.read(QStringLiteral("META-INF/manifest.xml"));
    p.meta = zip.read(QStringLiteral("meta.xml"));
    return p;
}

const QByteArray kListRtf = "{\\rtf1\\ansi"
                            "{\\*\\listtable{\\list\\listtemplateid1"
                            "{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
                            "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}\\fi-360\\li1440}"
                            "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8211 ?;}{\\levelnumbers;}\\fi-360\\li2160}"
                            "\\listid1}}"
                            "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
                            "\\pard\\ls1\\ilvl0 one\\par"
                            "\\pard\\ls1\\ilvl1 sub\\par"
                            "\\pard\\ls1\\ilvl2 deep\\par"
                            "\\pard\\ls1\\ilvl0 two\\par"
                            "\\pard plain\\par"
                            "\\pard\\ls1\\ilvl0 three\\par}";

// Levels that show the numbers above them ("3.1."), from 3.
const QByteArray kOutlineRtf = "{\\rtf1\\ansi"
                               "{\\*\\listtable{\\list\\listtemplateid2"
                               "{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
                               "{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}\\fi-360\\li1440}"
                               "\\listid2}}"
                               "{\\*\\listoverridetable{\\listoverride\\listid2\\listoverridecount0\\ls1}}"
                               "\\pard\\ls1\\ilvl0 top\\par"
                               "\\pard\\ls1\\ilvl1 below\\par}";

const QByteArray kTableRtf = "{\\rtf1\\ansi"
                             "\\trowd\\cellx2000\\clmgf\\cellx4000\\clmrg\\cellx6000"
                             "\\pard\\intbl A\\cell B\\cell \\cell\\row"
                             "\\trowd\\clvmgf\\cellx2000\\cellx4000\\cellx6000"
                             "\\pard\\intbl C\\cell D\\cell E\\cell\\row"
                             "\\trowd\\clvmrg\\cellx2000\\clcbpat1\\cellx4000\\cellx6000"
                             "\\pard\\intbl \\cell F\\cell G\\cell\\row"
                             "\\pard after\\par}";

const QByteArray kNestedRtf = "{\\rtf1\\ansi"
                              "\\pard\\intbl outer\\par"
                              "\\pard\\intbl\\itap2 in1\\nestcell in2\\nestcell"
                              "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
                              "\\pard\\intbl\\cell right\\cell"
                              "\\trowd\\cellx3000\\cellx6000\\row\\pard after\\par}";

const QByteArray kNotesRtf = "{\\rtf1\\ansi Text{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} First note.}"
                             " more*{\\footnote\\pard\\plain Custom.}"
                             " end{\\super\\chftn}{\\footnote\\ftnalt\\pard\\plain{\\super\\chftn} An endnote.}\\par}";

const QByteArray kHeaderRtf = "{\\rtf1\\ansi\\paperw12240\\paperh15840\\margl1440\\margr1440"
                              "{\\header\\pard Head text\\par}{\\footer\\pard Foot text\\par}"
                              "\\pard Body\\par}";

} // namespace

class TstOdtWriter : public QObject {
    Q_OBJECT

private slots:
    void package_data();
    void package();
    void elements_data();
    void elements();
    void runs_data();
    void runs();
    void paragraphs_data();
    void paragraphs();
    void model_data();
    void model();
    void readers_data();
    void readers();
};

void TstOdtWriter::package_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("pictures");
    QTest::newRow("text") << QByteArray("{\\rtf1\\ansi Hello\\par}") << QStringList();
    QTest::newRow("picture") << "{\\rtf1\\ansi A {\\pict\\pngblip\\picw4\\pich3 " + pngHex(4, 3) + "} B\\par}"
                             << QStringList{QStringLiteral("Pictures/image1.png")};
    QTest::newRow("same picture twice")
        << "{\\rtf1\\ansi {\\pict\\pngblip " + pngHex(2, 2) + "}{\\pict\\pngblip " + pngHex(2, 2) + "}\\par}"
        << QStringList{QStringLiteral("Pictures/image1.png")};
    QTest::newRow("table and notes") << kTableRtf << QStringList();
}

// The package as OpenDocument requires it: the mimetype first and stored,
// every part in the manifest, the same bytes for the same document.
void TstOdtWriter::package()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, pictures);
    const QByteArray odt = odtOf(rtf);
    QCOMPARE(odt.mid(30, 8), QByteArray("mimetype"));
    QCOMPARE(odt.mid(38, 39), QByteArray("application/vnd.oasis.opendocument.text"));
    QCOMPARE(odt.at(8), '\0'); // stored: method 0
    QCOMPARE(odt, odtOf(rtf));

    const Package p = unpack(odt);
    QStringList listed;
    for (const Element &e : elementsOf(p.manifest, QStringLiteral("manifest"))) {
        if (e.name == QLatin1StringView("manifest:file-entry"))
            listed << e.attributes.value(QLatin1StringView("manifest:full-path")).toString();
    }
    QStringList entries = p.names;
    entries.removeAll(QStringLiteral("mimetype"));
    entries.removeAll(QStringLiteral("META-INF/manifest.xml"));
    entries << QStringLiteral("/");
    entries.sort();
    listed.sort();
    QCOMPARE(listed, entries);
    QStringList stored;
    for (const QString &n : p.names) {
        if (n.startsWith(QLatin1StringView("Pictures/")))
            stored << n;
    }
    QCOMPARE(stored, pictures);
}

void TstOdtWriter::elements_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute"); // empty: the element's text
    QTest::addColumn<QStringList>("expected");

    const QString content = QStringLiteral("content.xml"), styles = QStringLiteral("styles.xml");
    QTest::newRow("repeated spaces") << QByteArray("{\\rtf1\\ansi a  b    c\\par}") << content << "text:s"
                                     << "text:c" << QStringList{"", "3"};
    QTest::newRow("leading space") << QByteArray("{\\rtf1\\ansi  a\\par}") << content << "text:s" << "text:c"
                                   << QStringList{""};
    QTest::newRow("tab") << QByteArray("{\\rtf1\\ansi a\\tab b\\tab c\\par}") << content << "text:tab" << ""
                         << QStringList{"", ""};
    QTest::newRow("line break") << QByteArray("{\\rtf1\\ansi a\\line b\\par}") << content << "text:line-break" << ""
                                << QStringList{""};
    QTest::newRow("no-break space kept") << QByteArray("{\\rtf1\\ansi a\\~b\\par}") << content << "text:p" << ""
                                         << QStringList{QStringLiteral("a\u00A0b")};
    QTest::newRow("paragraphs") << QByteArray("{\\rtf1\\ansi one\\par two\\par}") << content << "text:p" << ""
                                << QStringList{"one", "two"};
    QTest::newRow("heading") << QByteArray("{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s1\\outlinelevel0 heading 1;}}"
                                           "\\pard\\s1 Title\\par\\pard\\s0 Text\\par}")
                             << content << "text:h" << "text:outline-level" << QStringList{"1"};
    QTest::newRow("heading style") << QByteArray("{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s1\\outlinelevel0 heading 1;}"
                                                 "{\\s2 My style;}}\\pard\\s1 Title\\par\\pard\\s2 Text\\par}")
                                   << styles << "style:style" << "style:display-name"
                                   << QStringList{"", "Heading 1", "My style", "Heading 2", "Heading 3", "Heading 4",
                                                  "Heading 5", "Heading 6", "Heading 7", "Heading 8", "Heading 9", "", "", "", ""};
    QTest::newRow("list formats") << kListRtf << content << "text:list-level-style-number" << "style:num-format"
                                  << QStringList{"1", "a", "1", "1", "1", "1", "1", "1"};
    QTest::newRow("list suffixes") << kListRtf << content << "text:list-level-style-number" << "style:num-suffix"
                                   << QStringList{".", ")", ".", ".", ".", ".", ".", "."};
    QTest::newRow("list bullet") << kListRtf << content << "text:list-level-style-bullet" << "text:bullet-char"
                                 << QStringList{QStringLiteral("\u2013")};
    QTest::newRow("list indents") << kListRtf << content << "style:list-level-label-alignment" << "fo:margin-left"
                                  << QStringList{"1.27cm", "2.54cm", "3.81cm", "4.2333cm", "5.2917cm", "6.35cm",
                                                 "7.4083cm", "8.4667cm", "9.525cm"};
    QTest::newRow("list hangs") << kListRtf << content << "style:list-level-label-alignment" << "fo:text-indent"
                                << QStringList{"-0.635cm", "-0.635cm", "-0.635cm", "-0.635cm", "-0.635cm", "-0.635cm",
                                               "-0.635cm", "-0.635cm", "-0.635cm"};
    QTest::newRow("list continued") << kListRtf << content << "text:list" << "text:continue-list"
                                    << QStringList{"", "", "", "list1"};
    QTest::newRow("list item before a table that starts the document")
        << QByteArray("{\\rtf1{\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\par\\pard\\intbl x\\cell\\row}") << content
        << "text:list-item" << "" << QStringList{""};
    QTest::newRow("list items") << kListRtf << content << "text:list-item" << ""
                                << QStringList{"onesubdeep", "subdeep", "deep", "two", "three"};
    QTest::newRow("display levels") << kOutlineRtf << content << "text:list-level-style-number" << "text:display-levels"
                                    << QStringList{"", "2", "", "", "", "", "", "", ""};
    QTest::newRow("start value") << kOutlineRtf << content << "text:list-level-style-number" << "text:start-value"
                                 << QStringList{"3", "", "3", "3", "3", "3", "3", "3", "3"};
    QTest::newRow("table columns") << kTableRtf << content << "table:table-column" << "table:style-name"
                                   << QStringList{"Col1", "Col1", "Col1"};
    QTest::newRow("column width") << kTableRtf << content << "style:table-column-properties" << "style:column-width"
                                  << QStringList{"3.5278cm"};
    QTest::newRow("column spans") << kTableRtf << content << "table:table-cell" << "table:number-columns-spanned"
                                  << QStringList{"", "2", "", "", "", "", ""};
    QTest::newRow("row spans") << kTableRtf << content << "table:table-cell" << "table:number-rows-spanned"
                               << QStringList{"", "", "2", "", "", "", ""};
    QTest::newRow("cell texts") << kTableRtf << content << "table:table-cell" << ""
                                << QStringList{"A", "B", "C", "D", "E", "F", "G"};
    QTest::newRow("covered cells") << kTableRtf << content << "table:covered-table-cell" << ""
                                   << QStringList{"", ""};
    QTest::newRow("nested table") << kNestedRtf << content << "table:table" << "table:name"
                                  << QStringList{"Table1", "Table2"};
    QTest::newRow("nested cells") << kNestedRtf << content << "table:table-cell" << ""
                                  << QStringList{"outerin1in2", "in1", "in2", "right"};
    QTest::newRow("note classes") << kNotesRtf << content << "text:note" << "text:note-class"
                                  << QStringList{"footnote", "footnote", "endnote"};
    QTest::newRow("note bodies") << kNotesRtf << content << "text:note-body" << ""
                                 << QStringList{"First note.", "Custom.", "An endnote."};
    QTest::newRow("note labels") << kNotesRtf << content << "text:note-citation" << "text:label"
                                 << QStringList{"", "*", ""};
    QTest::newRow("note numbering") << kNotesRtf << styles << "text:notes-configuration" << "style:num-format"
                                    << QStringList{"1", "i"};
    QTest::newRow("note numbering words") << QByteArray("{\\rtf1\\ansi\\ftnnalc\\aftnnar a{\\super\\chftn}"
                                                        "{\\footnote\\pard{\\super\\chftn} n}\\par}")
                                          << styles << "text:notes-configuration" << "style:num-format"
                                          << QStringList{"a", "1"};
    QTest::newRow("header") << kHeaderRtf << styles << "style:header" << "" << QStringList{"Head text"};
    QTest::newRow("footer") << kHeaderRtf << styles << "style:footer" << "" << QStringList{"Foot text"};
    const QByteArray kinds = "{\\rtf1\\ansi\\facingp\\titlepg{\\headerf\\pard First\\par}{\\headerl\\pard Left\\par}"
                             "{\\headerr\\pard Right\\par} body\\par}";
    QTest::newRow("first page header") << kinds << styles << "style:header-first" << "" << QStringList{"First"};
    QTest::newRow("title page without header")
        << QByteArray("{\\rtf1\\ansi\\titlepg{\\header\\pard Rest\\par}{\\footerf\\pard First foot\\par} body\\par}")
        << styles << "style:header-first" << "" << QStringList{""};
    QTest::newRow("left page header") << kinds << styles << "style:header-left" << "" << QStringList{"Left"};
    QTest::newRow("right page header") << kinds << styles << "style:header" << "" << QStringList{"Right"};
    const QByteArray sections = "{\\rtf1\\ansi{\\header\\pard H1\\par}{\\footer\\pard F\\par} one\\sect\\sectd"
                                "{\\header\\pard H2\\par} two\\sect\\sectd three\\par}";
    QTest::newRow("sections' headers") << sections << styles << "style:header" << "" << QStringList{"H1", "H2"};
    QTest::newRow("footer goes on") << sections << styles << "style:footer" << "" << QStringList{"F", "F"};
    QTest::newRow("sections' pages") << sections << styles << "style:master-page" << "style:name"
                                     << QStringList{"Standard", "Section2"};
    QTest::newRow("page number in footer")
        << QByteArray("{\\rtf1\\ansi{\\footer\\pard Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} of "
                      "{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt 3}}\\par} body\\par}")
        << styles << "style:footer" << "" << QStringList{"Page 1 of 3"};
    QTest::newRow("page count in footer")
        << QByteArray("{\\rtf1\\ansi{\\footer\\pard Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} of "
                      "{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt 3}}\\par} body\\par}")
        << styles << "text:page-count" << "" << QStringList{"3"};
    const QByteArray date = "{\\rtf1\\ansi {\\field{\\*\\fldinst DATE \\\\@\"d'. 'M'. 'yyyy\"}{\\fldrslt 1. 5. 2024}}\\par}";
    QTest::newRow("date field") << date << content << "text:date" << "style:data-style-name" << QStringList{"N1"};
    QTest::newRow("date picture") << date << content << "number:date-style" << "" << QStringList{". . "};
    QTest::newRow("date picture's year") << date << content << "number:year" << "number:style" << QStringList{"long"};
    QTest::newRow("bookmark from RTF") << QByteArray("{\\rtf1\\ansi a {\\*\\bkmkstart here}b{\\*\\bkmkend here} c\\par}")
                                       << content << "text:bookmark-start" << "text:name" << QStringList{"here"};
    QTest::newRow("page width") << kHeaderRtf << styles << "style:page-layout-properties" << "fo:page-width"
                                << QStringList{"21.59cm"};
    QTest::newRow("page height") << kHeaderRtf << styles << "style:page-layout-properties" << "fo:page-height"
                                 << QStringList{"27.94cm"};
    QTest::newRow("page margin") << kHeaderRtf << styles << "style:page-layout-properties" << "fo:margin-left"
                                 << QStringList{"2.54cm"};
    QTest::newRow("default page") << QByteArray("{\\rtf1\\ansi x\\par}") << styles << "style:page-layout-properties"
                                  << "fo:margin-top" << QStringList{"2.4994cm"};
    QTest::newRow("link") << QByteArray("{\\rtf1\\ansi see {\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}"
                                        "{\\fldrslt here}} now\\par}")
                          << content << "text:a" << "xlink:href" << QStringList{"http://example.com/"};
    QTest::newRow("link text") << QByteArray("{\\rtf1\\ansi see {\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}"
                                             "{\\fldrslt here}} now\\par}")
                               << content << "text:a" << "" << QStringList{"here"};
    QTest::newRow("picture size") << "{\\rtf1\\ansi {\\pict\\pngblip\\picw4\\pich3\\picwgoal1440\\pichgoal720 "
                                         + pngHex(4, 3) + "}\\par}"
                                  << content << "draw:frame" << "svg:width" << QStringList{"2.54cm"};
    QTest::newRow("picture file") << "{\\rtf1\\ansi {\\pict\\jpegblip " + jpegHex() + "}\\par}"
                                  << content << "draw:image" << "xlink:href" << QStringList{"Pictures/image1.jpg"};
    QTest::newRow("section page") << QByteArray("{\\rtf1\\ansi one\\sect\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906 two\\par}")
                                  << styles << "style:master-page" << "style:name"
                                  << QStringList{"Standard", "Section2"};
    QTest::newRow("section on a new page") << QByteArray("{\\rtf1\\ansi one\\sect\\sectd two\\par}") << styles
                                           << "style:master-page" << "style:name" << QStringList{"Standard"};
    QTest::newRow("header rows") << QByteArray("{\\rtf1\\ansi\\trowd\\trhdr\\cellx2000\\pard\\intbl Head\\cell\\row"
                                               "\\trowd\\cellx2000\\pard\\intbl Data\\cell\\row\\pard\\par}")
                                 << content << "table:table-header-rows" << "" << QStringList{"Head"};
    const QByteArray info = "{\\rtf1\\ansi{\\info{\\title Annual report}{\\subject Money}{\\author Jan Novak}"
                            "{\\keywords money, year}{\\creatim\\yr2024\\mo5\\dy1\\hr10\\min30}} text\\par}";
    const QString meta = QStringLiteral("meta.xml");
    QTest::newRow("title") << info << meta << "dc:title" << "" << QStringList{"Annual report"};
    QTest::newRow("subject") << info << meta << "dc:subject" << "" << QStringList{"Money"};
    QTest::newRow("author") << info << meta << "meta:initial-creator" << "" << QStringList{"Jan Novak"};
    QTest::newRow("keywords") << info << meta << "meta:keyword" << "" << QStringList{"money, year"};
    QTest::newRow("created") << info << meta << "meta:creation-date" << "" << QStringList{"2024-05-01T10:30:00"};
    QTest::newRow("comment") << QByteArray("{\\rtf1\\ansi a{\\*\\atnid JN}{\\*\\atnauthor Jan Novak}\\chatn"
                                           "{\\*\\annotation\\pard Check this.}b\\par}")
                             << content << "office:annotation" << "" << QStringList{"Jan NovakCheck this."};
}

void TstOdtWriter::elements()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, part);
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QStringList, expected);
    const Package p = unpack(odtOf(rtf));
    QStringList found;
    const QByteArray &xml = part == QLatin1StringView("styles.xml") ? p.styles
        : part == QLatin1StringView("meta.xml")                    ? p.meta
                                                                   : p.content;
    for (const Element &e : elementsOf(xml, part)) {
        if (e.name == element)
            found << (attribute.isEmpty() ? e.text : e.attributes.value(attribute).toString());
    }
    // Equal automatic styles share a name: one column style for three.
    if (element == QLatin1StringView("style:table-column-properties"))
        found.removeDuplicates();
    QCOMPARE(found, expected);
}

void TstOdtWriter::runs_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("expected");
    const QByteArray base = "{\\rtf1\\ansi\\deflang1029{\\fonttbl{\\f0 Arial;}{\\f1 Liberation Serif;}}"
                            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;}plain ";
    QTest::newRow("bold") << base + "{\\b bold}\\par}" << "bold" << "fo:font-weight" << "bold";
    QTest::newRow("italic") << base + "{\\i it}\\par}" << "it" << "fo:font-style" << "italic";
    QTest::newRow("underline") << base + "{\\ul under}\\par}" << "under" << "style:text-underline-style" << "solid";
    QTest::newRow("dotted") << base + "{\\uld dots}\\par}" << "dots" << "style:text-underline-style" << "dotted";
    QTest::newRow("strike") << base + "{\\strike gone}\\par}" << "gone" << "style:text-line-through-style" << "solid";
    QTest::newRow("size") << base + "{\\fs36 big}\\par}" << "big" << "fo:font-size" << "18pt";
    QTest::newRow("font") << base + "{\\f1 serif}\\par}" << "serif" << "style:font-name" << "Liberation Serif";
    QTest::newRow("colour") << base + "{\\cf1 red}\\par}" << "red" << "fo:color" << "#ff0000";
    QTest::newRow("background") << base + "{\\chcbpat2 green}\\par}" << "green" << "fo:background-color" << "#00ff00";
    QTest::newRow("superscript") << base + "{\\super up}\\par}" << "up" << "style:text-position" << "super 58%";
    QTest::newRow("subscript") << base + "{\\sub down}\\par}" << "down" << "style:text-position" << "sub 58%";
    QTest::newRow("language") << base + "{\\lang1031 Wort}\\par}" << "Wort" << "fo:language" << "de";
    QTest::newRow("country") << base + "{\\lang2057 colour}\\par}" << "colour" << "fo:country" << "GB";
    QTest::newRow("hidden") << base + "{\\v secret}\\par}" << "secret" << "text:display" << "none";
    QTest::newRow("small caps") << base + "{\\scaps Caps}\\par}" << "Caps" << "fo:font-variant" << "small-caps";
}

// A run's span and what its style says.
void TstOdtWriter::runs()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    const Package p = unpack(odtOf(rtf));
    const QList<Element> elements = elementsOf(p.content, QStringLiteral("content.xml"));
    QStringList styles;
    for (const Element &e : elements) {
        if (e.name == QLatin1StringView("text:span") && e.text == text)
            styles << e.attributes.value(QLatin1StringView("text:style-name")).toString();
    }
    QCOMPARE(styles.size(), 1);
    QCOMPARE(styleAttribute(elements, styles.first(), attribute), expected);
    // The plain run before it does not say so.
    QString plainStyle;
    for (const Element &e : elements) {
        if (e.name == QLatin1StringView("text:span") && e.text.trimmed() == QLatin1StringView("plain"))
            plainStyle = e.attributes.value(QLatin1StringView("text:style-name")).toString();
    }
    QVERIFY(styleAttribute(elements, plainStyle, attribute) != expected);
}

void TstOdtWriter::paragraphs_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("expected");
    QTest::newRow("centred") << QByteArray("{\\rtf1\\ansi\\pard\\qc mid\\par}") << "mid" << "fo:text-align" << "center";
    QTest::newRow("justified") << QByteArray("{\\rtf1\\ansi\\pard\\qj full\\par}") << "full" << "fo:text-align" << "justify";
    QTest::newRow("right") << QByteArray("{\\rtf1\\ansi\\pard\\qr r\\par}") << "r" << "fo:text-align" << "end";
    QTest::newRow("left indent") << QByteArray("{\\rtf1\\ansi\\pard\\li1440 in\\par}") << "in" << "fo:margin-left" << "2.54cm";
    QTest::newRow("first line") << QByteArray("{\\rtf1\\ansi\\pard\\fi720 fl\\par}") << "fl" << "fo:text-indent" << "1.27cm";
    QTest::newRow("space after") << QByteArray("{\\rtf1\\ansi\\pard\\sa240 sa\\par}") << "sa" << "fo:margin-bottom" << "0.4233cm";
    QTest::newRow("double spacing") << QByteArray("{\\rtf1\\ansi\\pard\\sl480\\slmult1 dbl\\par}") << "dbl"
                                    << "fo:line-height" << "200%";
    QTest::newRow("page break") << QByteArray("{\\rtf1\\ansi one\\par\\page two\\par}") << "two" << "fo:break-before" << "page";
    QTest::newRow("rule") << QByteArray("{\\rtf1\\ansi\\pard\\brdrb\\brdrs\\brdrw10\\brsp20 ruled\\par}") << "ruled"
                          << "fo:border-bottom" << "0.5pt solid #000000";
    QTest::newRow("section break") << QByteArray("{\\rtf1\\ansi one\\sect\\sectd two\\par}") << "two"
                                   << "fo:break-before" << "page";
    QTest::newRow("continuous section") << QByteArray("{\\rtf1\\ansi one\\sect\\sectd\\sbknone two\\par}") << "two"
                                        << "fo:break-before" << "";
    const QByteArray sections = "{\\rtf1\\ansi{\\header\\pard H1\\par} one\\sect\\sectd{\\header\\pard H2\\par} two\\par}";
    QTest::newRow("section's page") << sections << "two" << "style:master-page-name" << "Section2";
    QTest::newRow("list item") << kListRtf << "one" << "fo:margin-left" << "";
    QTest::newRow("note's paragraph") << kNotesRtf << "First note." << "style:parent-style-name" << "Footnote";
    QTest::newRow("heading parent") << QByteArray("{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s1\\outlinelevel0 heading 1;}}"
                                                  "\\pard\\s1\\qc Title\\par}")
                                    << "Title" << "style:parent-style-name" << "Heading_20_1";
}

// A paragraph's style and what it says, through its parents.
void TstOdtWriter::paragraphs()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    const Package p = unpack(odtOf(rtf));
    const QList<Element> elements = elementsOf(p.content, QStringLiteral("content.xml"));
    QString style;
    for (const Element &e : elements) {
        if ((e.name == QLatin1StringView("text:p") || e.name == QLatin1StringView("text:h")) && e.text == text)
            style = e.attributes.value(QLatin1StringView("text:style-name")).toString();
    }
    QVERIFY(!style.isEmpty());
    if (attribute == QLatin1StringView("style:parent-style-name") || attribute == QLatin1StringView("style:master-page-name")) {
        QStringList values;
        for (const Element &e : elements) {
            if (e.name == QLatin1StringView("style:style") && e.attributes.value(QLatin1StringView("style:name")) == style)
                values << e.attributes.value(attribute).toString();
        }
        QCOMPARE(values, QStringList{expected});
        return;
    }
    QCOMPARE(styleAttribute(elements, style, attribute), expected);
}

void TstOdtWriter::model_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute"); // empty: the element's text
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("page number") << "page" << "text:page-number" << "" << QStringList{"7"};
    QTest::newRow("page count") << "pages" << "text:page-count" << "" << QStringList{"12"};
    QTest::newRow("date") << "date" << "text:date" << "" << QStringList{"1.5.2024"};
    QTest::newRow("other field's result") << "other field" << "text:p" << "" << QStringList{"before result after"};
    QTest::newRow("bookmark start") << "bookmark" << "text:bookmark-start" << "text:name" << QStringList{"mark"};
    QTest::newRow("bookmark end") << "bookmark" << "text:bookmark-end" << "text:name" << QStringList{"mark"};
    QTest::newRow("comment author") << "comment" << "dc:creator" << "" << QStringList{"Eva"};
    QTest::newRow("comment date") << "comment" << "dc:date" << "" << QStringList{"2024-05-01T10:30:00"};
    QTest::newRow("comment lines") << "comment" << "text:p" << ""
                                   << QStringList{"before Eva2024-05-01T10:30:00First linesecondafter", "First line",
                                                  "second"};
    QTest::newRow("kept piece") << "kept" << "draw:text-box" << "" << QStringList{"Boxed"};
    QTest::newRow("kept piece once") << "kept" << "text:p" << "" << QStringList{"before Boxed after", "Boxed"};
    QTest::newRow("kept piece's paragraphs") << "kept paragraphs" << "text:p" << ""
                                             << QStringList{"before Boxed", "Boxed", "after"};
    QTest::newRow("kept unknown prefix") << "kept unknown prefix" << "text:p" << "" << QStringList{"before Boxed after"};
    QTest::newRow("kept paragraph") << "kept paragraph" << "text:p" << "" << QStringList{"before Boxed after"};
    QTest::newRow("kept broken") << "kept broken" << "text:p" << "" << QStringList{"before Boxed after"};
    QTest::newRow("controls dropped") << "controls" << "text:p" << ""
                                      << QStringList{QStringLiteral("before abcd\U0001F600e after")};
    QTest::newRow("extreme size") << "extreme" << "style:text-properties" << "fo:font-size" << QStringList{"1638pt"};
    QTest::newRow("extreme font") << "extreme" << "style:font-face" << "style:name"
                                  << QStringList{"Liberation Serif", "BadFont"};
    QTest::newRow("internal link") << "internal link" << "text:a" << "xlink:href" << QStringList{"#target"};
}

void TstOdtWriter::model()
{
    QFETCH(QString, kind);
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QStringList, expected);
    QTextDocument doc;
    buildModel(kind, doc);
    const Package p = unpack(odt::write(doc));
    QStringList found;
    for (const Element &e : elementsOf(p.content, QStringLiteral("content.xml"))) {
        if (e.name == element)
            found << (attribute.isEmpty() ? e.text : e.attributes.value(attribute).toString());
    }
    QCOMPARE(found, expected);
}

void TstOdtWriter::readers_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("lines"); // lines LibreOffice's and pandoc's text must hold
    QTest::addColumn<QString>("kind");     // a document built in the model when there is no RTF
    QTest::addColumn<QStringList>("labels"); // what LibreOffice alone shows: list labels

    QTest::newRow("mixed") << "{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s1\\outlinelevel0 heading 1;}}"
                              "{\\header\\pard Running head\\par}"
                              "\\pard\\s1 Report\\par"
                              "\\pard\\s0 Plain {\\b bold} and {\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}"
                              "{\\fldrslt a link}} with a note{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Noted.}\\par"
                              "\\pard A picture {\\pict\\pngblip " + pngHex(4, 4) + "} here.\\par"
                              "\\trowd\\cellx2000\\clmgf\\cellx4000\\clmrg\\cellx6000"
                              "\\pard\\intbl Cell A\\cell Wide\\cell \\cell\\row"
                              "\\trowd\\cellx2000\\cellx4000\\cellx6000"
                              "\\pard\\intbl Cell C\\cell Cell D\\cell Cell E\\cell\\row"
                              "\\pard End.\\par}"
                           << QStringList{"Report", "Cell A", "Wide", "Cell E", "End."} << QString() << QStringList();
    QTest::newRow("list") << kListRtf << QStringList{"one", "sub", "deep", "two", "plain", "three"} << QString()
                          << QStringList{"1. one", "a) sub", "2. two", "3. three"};
    QTest::newRow("outline list") << kOutlineRtf << QStringList{"top", "below"} << QString()
                                  << QStringList{"3. top", "3.1. below"};
    QTest::newRow("nested table") << kNestedRtf << QStringList{"outer", "right", "after"} << QString() << QStringList();
    QTest::newRow("notes") << kNotesRtf << QStringList{"Text", "more", "end"} << QString() << QStringList();
    QTest::newRow("header and page") << kHeaderRtf << QStringList{"Body"} << QString() << QStringList();
    QTest::newRow("kept piece") << QByteArray() << QStringList{"before", "after"} << "kept" << QStringList();
    QTest::newRow("comment") << QByteArray() << QStringList{"before", "after"} << "comment" << QStringList();
    QTest::newRow("bookmark") << QByteArray() << QStringList{"before inside after"} << "bookmark" << QStringList();
    QTest::newRow("page field") << QByteArray() << QStringList{"before"} << "page" << QStringList();
}

// LibreOffice, pandoc and odfpy read the file; each is skipped where it is
// not installed.
void TstOdtWriter::readers()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, lines);
    QFETCH(QString, kind);
    QFETCH(QStringList, labels);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("doc.odt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (rtf.isEmpty()) {
            QTextDocument doc;
            buildModel(kind, doc);
            f.write(odt::write(doc));
        } else {
            f.write(odtOf(rtf));
        }
    }
    int ran = 0;
    auto run = [](const QString &program, const QStringList &args, QByteArray &out) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return false;
        }
        out = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    auto holds = [&](const QString &text, const char *reader) {
        for (const QString &line : lines) {
            if (!text.contains(line))
                QFAIL(qPrintable(QStringLiteral("%1 lost \"%2\" in:\n%3").arg(QLatin1StringView(reader), line, text)));
        }
    };

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!soffice.isEmpty()) {
        ++ran;
        QByteArray out;
        const QString profile = QUrl::fromLocalFile(QDir::tempPath() + QStringLiteral("/lo-tst-odt-writer")).toString();
        QVERIFY(run(soffice, {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                              QStringLiteral("--convert-to"), QStringLiteral("txt:Text"), QStringLiteral("--outdir"),
                              dir.path(), path},
                    out));
        QFile txt(dir.filePath(QStringLiteral("doc.txt")));
        QVERIFY2(txt.open(QIODevice::ReadOnly), "LibreOffice did not convert the document");
        const QString text = QString::fromUtf8(txt.readAll());
        holds(text, "LibreOffice");
        for (const QString &label : labels)
            QVERIFY2(text.contains(label), qPrintable(QStringLiteral("LibreOffice shows no \"%1\" in:\n%2").arg(label, text)));
    }
    const QString pandoc = QStandardPaths::findExecutable(QStringLiteral("pandoc"));
    if (!pandoc.isEmpty()) {
        ++ran;
        QByteArray out;
        QVERIFY(run(pandoc, {QStringLiteral("-f"), QStringLiteral("odt"), QStringLiteral("-t"), QStringLiteral("plain"),
                             QStringLiteral("--wrap=none"), path},
                    out));
        holds(QString::fromUtf8(out), "pandoc");
    }
    // The system's Python, which has Debian's odfpy, before any other.
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QByteArray probe;
    if (!python.isEmpty() && run(python, {QStringLiteral("-c"), QStringLiteral("import odf.opendocument")}, probe)) {
        ++ran;
        QByteArray out;
        QVERIFY2(run(python,
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys\nfrom odf.opendocument import load\nfrom odf import text, teletype\n"
                                     "d = load(sys.argv[1])\n"
                                     "print('\\n'.join(teletype.extractText(p) for p in d.getElementsByType(text.H) + d.getElementsByType(text.P)))"),
                      path},
                     out),
                 "odfpy did not load the document");
        holds(QString::fromUtf8(out), "odfpy");
    }
    if (ran == 0)
        QSKIP("neither LibreOffice, pandoc nor odfpy is installed");
}

QTEST_MAIN(TstOdtWriter)
#include "tst_odt_writer.moc"
