// The Markdown and HTML writers judged by independent readers: Markdown is
// rendered by cmark-gfm, the HTML (ours and cmark's) read back by Qt and
// compared with the document on text, paragraphs, line breaks, emphasis,
// links, lists, headings and pictures; our HTML must pass tidy.

#include "convert/convert.h"
#include "convert/inlinetree.h"
#include "html/normalise.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QSet>

using namespace borovka;

namespace {

QByteArray fixture(const QString &name)
{
    QFile f(QStringLiteral(RTF_TEST_DATA "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// How deep a list item nests as a reader sees it: in the items of lower
// levels before it, one step each, whatever levels the document skips.
int nesting(const QTextBlock &item)
{
    QTextBlock b = item;
    while (b.previous().isValid() && b.previous().textList())
        b = b.previous();
    std::vector<int> open;
    for (;; b = b.next()) {
        const int level = b.textList()->format().indent();
        while (!open.empty() && open.back() >= level)
            open.pop_back();
        open.push_back(level);
        if (b == item)
            return int(open.size());
    }
}

// One paragraph as a reader shows it: its lines with spaces collapsed, its
// heading level and the kind of list it stands in.
QString paragraphOf(const QTextBlock &b)
{
    // Notes' marks are compared by footnotes(): GFM numbers them its way.
    QString text;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (!model::isNoteMark(f) && !f.anchorHref().startsWith(QLatin1String("#fn")))
            text += it.fragment().text();
    }
    QStringList lines;
    for (const QString &line : text.remove(QChar::ObjectReplacementCharacter).split(QChar::LineSeparator))
        lines << line.simplified();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    QString kind;
    if (const int h = b.blockFormat().headingLevel())
        kind = QStringLiteral("h%1 ").arg(h);
    if (const QTextList *list = b.textList()) {
        // A reader sees how deep an item nests; a level the document skips
        // nests one step, as HTML and Markdown have it.
        const int depth = nesting(b);
        kind += list->format().style() <= QTextListFormat::ListDecimal ? QStringLiteral("ol%1 ").arg(depth)
                                                                       : QStringLiteral("ul%1 ").arg(depth);
    }
    return kind + lines.join(QStringLiteral(" / "));
}

// What every visible character carries: bold, italic, underline, strike,
// raised or lowered, and the link it belongs to. A reader makes table
// headers bold and links underlined on its own; those are left out.
struct Seen {
    QStringList paragraphs;
    QStringList marks;
    int pictures = 0;
};

Seen seen(const QTextDocument &doc, bool countAllPictures)
{
    Seen s;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QString p = paragraphOf(b);
        const bool heading = b.blockFormat().headingLevel() > 0;
        QTextCursor at(b);
        const QTextTable *table = at.currentTable();
        const bool header = table && table->cellAt(at).row() == 0;
        bool any = false;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (cf.isImageFormat()) {
                if (countAllPictures || !exporting::webPicture(doc, cf).bytes.isEmpty())
                    s.pictures += f.text().count(QChar::ObjectReplacementCharacter);
                continue;
            }
            if (model::isNoteMark(cf) || cf.anchorHref().startsWith(QLatin1String("#fn")))
                continue; // notes: compared by footnotes()
            for (const QChar c : f.text()) {
                if (c.isSpace() || c == QChar::LineSeparator || c == QChar::ObjectReplacementCharacter)
                    continue;
                any = true;
                QString m = c;
                if (cf.fontWeight() > QFont::Medium && !heading && !header)
                    m += QLatin1Char('B');
                if (cf.fontItalic())
                    m += QLatin1Char('I');
                if ((cf.fontUnderline() || cf.underlineStyle() != QTextCharFormat::NoUnderline) && !cf.isAnchor())
                    m += QLatin1Char('U');
                if (cf.fontStrikeOut())
                    m += QLatin1Char('S');
                if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                    m += QStringLiteral("^");
                if (cf.verticalAlignment() == QTextCharFormat::AlignSubScript)
                    m += QStringLiteral("_");
                if (cf.isAnchor())
                    m += QLatin1Char('@') + QUrl::fromPercentEncoding(cf.anchorHref().toUtf8());
                s.marks << m;
            }
        }
        if (any)
            s.paragraphs << p;
        if (b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
            s.paragraphs << QStringLiteral("<hr>"); // a reader sees the rule, not its empty paragraph
    }
    return s;
}

QByteArray run(const QString &program, const QStringList &args, const QByteArray &input, QByteArray *err = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return "<not started>";
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    if (err)
        *err = p.readAllStandardError() + QByteArray::number(p.exitCode());
    return p.readAllStandardOutput();
}

// ---- generated documents

struct Run {
    QString text;
    QString marks; // B I U S ^ _ and @href at the end
};

QTextCharFormat formatFor(const QString &runMarks)
{
    QTextCharFormat f;
    const QString marks = runMarks.section(QLatin1Char('@'), 0, 0);
    if (marks.contains(QLatin1Char('B')))
        f.setFontWeight(QFont::Bold);
    if (marks.contains(QLatin1Char('I')))
        f.setFontItalic(true);
    if (marks.contains(QLatin1Char('U')))
        f.setFontUnderline(true);
    if (marks.contains(QLatin1Char('S')))
        f.setFontStrikeOut(true);
    if (marks.contains(QLatin1Char('^')))
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (marks.contains(QLatin1Char('_')))
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (const int at = runMarks.indexOf(QLatin1Char('@')); at >= 0) {
        f.setAnchor(true);
        f.setAnchorHref(runMarks.mid(at + 1));
    }
    return f;
}

// Paragraphs of runs; "\n" inside a run's text is a line break.
void fill(QTextDocument &doc, const QList<QList<Run>> &paragraphs)
{
    QTextCursor c(&doc);
    bool first = true;
    for (const auto &paragraph : paragraphs) {
        if (!first)
            c.insertBlock(QTextBlockFormat(), QTextCharFormat());
        first = false;
        for (const Run &r : paragraph)
            c.insertText(QString(r.text).replace(QLatin1Char('\n'), QChar::LineSeparator), formatFor(r.marks));
    }
}

// Headings, nested lists, a table with merged cells, a picture of its own,
// a link, a title.
void structured(QTextDocument &doc)
{
    doc.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Jarní <číslo> & spol."));
    QTextCursor c(&doc);
    QTextBlockFormat h1;
    h1.setHeadingLevel(1);
    h1.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(h1);
    c.insertText(QStringLiteral("Nadpis článku"), formatFor(QStringLiteral("B")));
    QTextBlockFormat h2;
    h2.setHeadingLevel(2);
    c.insertBlock(h2);
    c.insertText(QStringLiteral("# Podnadpis s *hvězdičkou*"), formatFor(QString()));
    c.insertBlock(QTextBlockFormat());
    c.insertText(QStringLiteral("Úvod s "));
    c.insertText(QStringLiteral("odkazem"), formatFor(QStringLiteral("B@https://sklipek.cz/a (b)?x=1&y=2")));
    c.insertText(QStringLiteral(" a jiným písmem."), formatFor(QString()));
    QTextCharFormat courier;
    courier.setFontFamilies({QStringLiteral("Courier New")});
    courier.setForeground(QColor(200, 0, 0));
    c.insertText(QStringLiteral("kód"), courier);
    c.insertText(QStringLiteral(" konec."), QTextCharFormat());
    // A rule after a paragraph that underlines nothing.
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    c.insertBlock(rule);

    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.insertBlock(QTextBlockFormat());
    c.createList(bullets);
    c.insertText(QStringLiteral("první bod"), formatFor(QString()));
    c.insertBlock();
    c.insertText(QStringLiteral("1. druhý bod s "), formatFor(QString()));
    c.insertText(QStringLiteral("důrazem"), formatFor(QStringLiteral("I")));
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setIndent(2);
    c.insertList(numbers);
    c.insertText(QStringLiteral("vnořený"), formatFor(QString()));
    c.insertBlock();
    c.insertText(QStringLiteral("- taky vnořený"), formatFor(QString()));

    c.insertBlock(QTextBlockFormat());
    c.currentList() ? c.currentList()->remove(c.block()) : void();
    c.setBlockFormat(QTextBlockFormat());
    c.insertText(QStringLiteral("Tabulka:"), formatFor(QString()));
    QTextTableFormat tf;
    tf.setHeaderRowCount(1);
    QTextTable *table = c.insertTable(3, 3, tf);
    const QStringList cells{"Jméno", "Věk", "Obec", "Jana", "", "Brno", "Petr | Pavel", "31 * 2", ""};
    for (int i = 0; i < cells.size(); ++i) {
        QTextCursor cc = table->cellAt(i / 3, i % 3).firstCursorPosition();
        cc.insertText(cells.at(i), formatFor(i == 5 ? QStringLiteral("B") : QString()));
    }
    table->mergeCells(1, 0, 1, 2); // "Jana" over two columns
    table->mergeCells(1, 2, 2, 1); // "Brno" over two rows
    c = QTextCursor(&doc);
    c.movePosition(QTextCursor::End);
    c.insertBlock(QTextBlockFormat());
    QTextImageFormat image;
    const QByteArray png = fixture(QStringLiteral("picture.png"));
    QImage img;
    img.loadFromData(png);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("obrazek")), img);
    image.setName(QStringLiteral("obrazek"));
    image.setWidth(img.width());
    image.setHeight(img.height());
    c.insertImage(image);
    c.insertBlock(QTextBlockFormat());
    c.insertText(QStringLiteral("Závěr."), formatFor(QString()));
}

// Text, a list whose every item has the same margin, and a table whose
// every cell is in a smaller size, one run of it larger.
void sameInEvery(QTextDocument &doc)
{
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("Úvodní odstavec, delší než seznam a tabulka dohromady, aby byl tělem stránky."),
                 QTextCharFormat());
    QTextBlockFormat item;
    item.setLeftMargin(8);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.insertBlock(item);
    c.createList(bullets);
    c.insertText(QStringLiteral("jedna"));
    for (const char *text : {"dvě", "tři"}) {
        c.insertBlock();
        c.insertText(QString::fromUtf8(text));
    }
    c.insertBlock(QTextBlockFormat());
    c.currentList() ? c.currentList()->remove(c.block()) : void();
    c.setBlockFormat(QTextBlockFormat());
    c.insertText(QStringLiteral("Tabulka:"), QTextCharFormat());
    QTextTable *table = c.insertTable(2, 2, QTextTableFormat());
    QTextCharFormat small;
    small.setFontPointSize(9);
    const QStringList cells{"Obec", "Obyvatel", "Brno", "380 000"};
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(cells.at(i), small);
    QTextCharFormat larger = small;
    larger.setFontPointSize(14);
    table->cellAt(1, 1).lastCursorPosition().insertText(QStringLiteral(" lidí"), larger);
}

void generated(const QString &name, QTextDocument &doc)
{
    doc.setDefaultFont(QFont(QStringLiteral("Times New Roman"), 12));
    using P = QList<Run>;
    if (name == QLatin1String("bold and underlined before a line break")) {
        fill(doc, {P{{"Pozor:\n", "BU"}, {"zbytek článku je obyčejný.", ""}}, P{{"Další odstavec.", ""}}});
    } else if (name == QLatin1String("spaces at the edges")) {
        fill(doc, {P{{"a", ""}, {" tučně ", "B"}, {"b", ""}, {"  kurzíva", "I"}, {"   c", ""}}});
    } else if (name == QLatin1String("punctuation at the edges")) {
        fill(doc, {P{{"x", ""}, {"(kurzíva)", "I"}, {"y ", ""}, {"\"tučně\"", "B"}, {"z, ", ""},
                      {"přeškrtnuto!", "S"}, {"a ", ""}, {"-", "B"}, {" b.", ""}}});
    } else if (name == QLatin1String("runs side by side")) {
        fill(doc, {P{{"ab", "B"}, {"cd", "I"}, {"ef", "BI"}, {"gh", "S"}, {"ij", "BS"}, {"kl", "U"}, {"mn", "B"}}});
    } else if (name == QLatin1String("inside a word")) {
        fill(doc, {P{{"slo", ""}, {"vo", "B"}, {"vka", ""}, {" H", ""}, {"2", "_"}, {"O m", ""}, {"2", "^"},
                      {" ne", ""}, {"do", "S"}, {"ko", "I"}, {"nale", ""}}});
    } else if (name == QLatin1String("syntax characters")) {
        fill(doc, {P{{"*hvězdička* _podtržítko_ # ne nadpis", ""}},
                   P{{"1. není seznam", ""}},
                   P{{"- ani tohle\n+ ani tohle\n2) ani toto\n# ani nadpis\n> ani citace", ""}},
                   P{{"[odkaz](http://x) ![obr](y) `kód` <b>tag</b> &amp; a|b \\ ~~ne~~ 3 * 4", ""}},
                   P{{"    odsazený text", ""}},
                   P{{"===", ""}},
                   P{{"***", "B"}, {" **", ""}, {"_x_", "I"}}});
    } else if (name == QLatin1String("line breaks")) {
        fill(doc, {P{{"\nprvní řádek  \n", ""}, {"druhý", "B"}, {"\n\ntřetí po prázdném", ""}}});
    } else if (name == QLatin1String("structure")) {
        structured(doc);
    } else if (name == QLatin1String("the same style in every item and cell")) {
        sameInEvery(doc);
    }
}

const QStringList GeneratedNames{
    "bold and underlined before a line break", "spaces at the edges", "punctuation at the edges",
    "runs side by side", "inside a word", "syntax characters", "line breaks", "structure",
    "the same style in every item and cell"};

QStringList fixtureNames()
{
    return QDir(QStringLiteral(RTF_TEST_DATA)).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
}

} // namespace

class tst_Export : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readersAgree_data();
    void readersAgree();
    void htmlIsLight();
    void scriptLinksLeftOut();
    void styleSaidOnce_data();
    void styleSaidOnce();
    void webPagesThroughRtf_data();
    void webPagesThroughRtf();
    void noBreakSpacesKept_data();
    void noBreakSpacesKept();
    void picturesWrittenWhole_data();
    void picturesWrittenWhole();
    void footnotes_data();
    void footnotes();

private:
    QString m_cmark, m_tidy;
};

void tst_Export::initTestCase()
{
    m_cmark = QStandardPaths::findExecutable(QStringLiteral("cmark-gfm"));
    m_tidy = QStandardPaths::findExecutable(QStringLiteral("tidy"));
    if (m_cmark.isEmpty() || m_tidy.isEmpty())
        QFAIL("cmark-gfm and tidy are needed (scripts/setup.sh installs them)");
}

void tst_Export::readersAgree_data()
{
    QTest::addColumn<QString>("source"); // a fixture file or a generated document
    QTest::addColumn<QString>("format");
    for (const QString &format : {QStringLiteral("md"), QStringLiteral("html")}) {
        for (const QString &name : fixtureNames())
            QTest::addRow("%s, %s", qPrintable(format), qPrintable(name)) << name << format;
        for (const QString &name : GeneratedNames)
            QTest::addRow("%s, %s", qPrintable(format), qPrintable(name)) << name << format;
    }
}

void tst_Export::readersAgree()
{
    QFETCH(QString, source);
    QFETCH(QString, format);
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Courier New"), 11));
    if (source.endsWith(QLatin1String(".rtf"))) {
        try {
            rtf::read(fixture(source), doc);
        } catch (const rtf::Error &) {
            QSKIP("the reader refuses this file");
        }
    } else {
        generated(source, doc);
    }

    QString html;
    if (format == QLatin1String("md")) {
        const QByteArray md = toMarkdown(doc);
        QByteArray err;
        html = QString::fromUtf8(run(m_cmark, {"-e", "strikethrough", "-e", "table", "-e", "footnotes", "--unsafe"}, md, &err));
        QVERIFY2(err == "0", err.constData());
        if (qEnvironmentVariableIsSet("SHOW_EXPORT"))
            qWarning("%s\n%s", md.constData(), qPrintable(html));
        // Qt reads <s> but not cmark's <del>.
        html.replace(QLatin1String("<del>"), QLatin1String("<s>")).replace(QLatin1String("</del>"), QLatin1String("</s>"));
    } else {
        const QByteArray page = toHtml(doc, QStringLiteral("clanek"));
        QByteArray err;
        run(m_tidy, {"-errors", "-q", "-utf8"}, page, &err);
        QVERIFY2(err.endsWith('0') || err.endsWith('1'), err.constData()); // 2 would be errors
        QVERIFY2(!err.contains("Error"), err.constData());
        html = QString::fromUtf8(page);
        if (qEnvironmentVariableIsSet("SHOW_EXPORT"))
            qWarning("%s", page.constData());
    }

    // Notes are compared on their own (footnotes()): the text without them.
    html.truncate(html.indexOf(QLatin1String("<section class=\"footnotes\"")) >= 0
                      ? html.indexOf(QLatin1String("<section class=\"footnotes\""))
                      : html.size());
    QTextDocument back;
    back.setHtml(html);
    const Seen expected = seen(doc, false);
    const Seen actual = seen(back, true);
    QCOMPARE(actual.paragraphs, expected.paragraphs);
    QCOMPARE(actual.marks, expected.marks);
    QCOMPARE(actual.pictures, expected.pictures);
}

void tst_Export::htmlIsLight()
{
    QTextDocument doc;
    generated(QStringLiteral("structure"), doc);
    const QString html = QString::fromUtf8(toHtml(doc, QStringLiteral("soubor")));
    QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html>\n<html lang=\"cs\">")));
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("<title>Jarní &lt;číslo&gt; &amp; spol.</title>")));
    QVERIFY(html.contains(QStringLiteral("body { font-family: 'Times New Roman'; font-size: 12pt; }")));
    QVERIFY(html.contains(QStringLiteral("<h1 style=\"text-align:center\"><strong>Nadpis článku</strong></h1>")));
    QVERIFY(html.contains(QStringLiteral("<h2>")));
    QVERIFY(html.contains(QStringLiteral("<a href=\"https://sklipek.cz/a (b)?x=1&amp;y=2\"><strong>odkazem</strong></a>")));
    // The one run in another face and colour says so; nothing else does.
    QCOMPARE(html.count(QStringLiteral("font-family")), 2);
    QVERIFY(html.contains(QStringLiteral("<span style=\"font-family:'Courier New';color:#c80000\">kód</span>")));
    QCOMPARE(html.count(QStringLiteral("font-size")), 1);
    QVERIFY(html.contains(QStringLiteral("<ul>\n<li>první bod</li>\n<li>1. druhý bod s <em>důrazem</em><ol>\n<li>vnořený")));
    QVERIFY(html.contains(QStringLiteral("<tr><th>Jméno</th><th>Věk</th><th>Obec</th></tr>")));
    QVERIFY(html.contains(QStringLiteral("<td colspan=\"2\">Jana</td><td rowspan=\"2\"><strong>Brno</strong></td>")));
    QVERIFY(html.contains(QStringLiteral("<figure><img src=\"data:image/png;base64,")));

    // Without a title of its own the file name stands in.
    QTextDocument plain;
    plain.setPlainText(QStringLiteral("text"));
    QVERIFY(QString::fromUtf8(toHtml(plain, QStringLiteral("soubor"))).contains(QStringLiteral("<title>soubor</title>")));
}

void tst_Export::scriptLinksLeftOut()
{
    QTextDocument doc;
    fill(doc, {{{"klikni", "@javascript:alert(1)"}, {" a ", ""}, {"tady", "@JavaScript:x()"},
                {" nebo ", ""}, {"sem", "@https://sklipek.cz/"}}});
    for (const QByteArray &out : {toHtml(doc, QStringLiteral("a")), toMarkdown(doc)}) {
        QVERIFY2(!out.toLower().contains("javascript"), out.constData());
        QVERIFY2(out.contains("klikni a tady nebo ") && out.contains("https://sklipek.cz/"), out.constData());
    }
}

void tst_Export::styleSaidOnce_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("style"); // said once ...
    QTest::addColumn<QString>("where"); // ... here
    QTest::addColumn<int>("count");     // times the property shows in the page
    const QString every = QStringLiteral("the same style in every item and cell");
    QTest::newRow("item margin on the list") << every << "margin-left:8px" << "<ul style=\"margin-left:8px\">\n<li>jedna</li>" << 1;
    QTest::newRow("cell size in the style sheet") << every << "font-size" << ".t1 td, .t1 th { font-size:9pt; }" << 3;
    QTest::newRow("the table names its rule") << every << "<table" << "<table class=\"t1\">" << 1;
    QTest::newRow("a run that differs still says so")
        << every << "font-size:14pt" << "<td>380 000 <span style=\"font-size:14pt\">lidí</span></td>" << 1;
    QTest::newRow("nothing to say in a plain table") << "structure" << "<table " << "<table>" << 0;
}

// Style that every item of a list or cell of a table repeats is said once,
// and the page still shows every character at its size.
void tst_Export::styleSaidOnce()
{
    QFETCH(QString, source);
    QFETCH(QString, style);
    QFETCH(QString, where);
    QFETCH(int, count);
    QTextDocument doc;
    generated(source, doc);
    const QString html = QString::fromUtf8(toHtml(doc, QStringLiteral("t")));
    QVERIFY2(html.contains(where), qPrintable(html));
    QCOMPARE(html.count(style), count);

    QTextDocument back;
    back.setHtml(html);
    QStringList sizes, shown;
    for (const QTextDocument *d : {&doc, &back}) {
        QString line;
        for (QTextBlock b = d->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                for (const QChar ch : it.fragment().text())
                    if (!ch.isSpace())
                        line += QStringLiteral("%1%2 ").arg(ch).arg(
                            it.fragment().charFormat().hasProperty(QTextFormat::FontPointSize)
                                ? it.fragment().charFormat().fontPointSize()
                                : d->defaultFont().pointSizeF());
        (d == &doc ? sizes : shown) << line;
    }
    QCOMPARE(shown.join(QLatin1Char('\n')).split(QLatin1Char(' ')), sizes.join(QLatin1Char('\n')).split(QLatin1Char(' ')));
}

// A saved web article converted straight to HTML, and converted to RTF and
// that RTF to HTML, gives the same page: what the editor shows of pasted or
// converted HTML is what its file keeps.
void tst_Export::webPagesThroughRtf_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(WEB_TEST_DATA));
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QVERIFY(!pages.isEmpty());
    for (const QString &page : pages)
        QTest::newRow(qPrintable(page)) << dir.filePath(page);
}

void tst_Export::webPagesThroughRtf()
{
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QTextDocument direct;
    html::readHtml(html::decodeHtml(f.readAll()), QFileInfo(file).absolutePath(), direct);
    QTextDocument throughRtf;
    rtf::read(rtf::write(direct), throughRtf);

    const Seen expected = seen(direct, true);
    const Seen actual = seen(throughRtf, true);
    QCOMPARE(actual.paragraphs, expected.paragraphs);
    QCOMPARE(actual.marks, expected.marks);
    QCOMPARE(actual.pictures, expected.pictures);
    // The pages themselves: title, headings, sizes, lists, cells, links,
    // rules, pictures.
    QCOMPARE(QString::fromUtf8(toHtml(throughRtf, QStringLiteral("t"))),
             QString::fromUtf8(toHtml(direct, QStringLiteral("t"))));
    // Nothing is fetched from the network: a remote picture is its text.
    if (file.endsWith(QLatin1String("vinobrani.html"))) {
        QVERIFY(model::plainText(throughRtf).contains("[Sklep v Bořeticích]"));
        QVERIFY(toHtml(direct, QStringLiteral("t")).contains("<hr>"));
    }
}

void tst_Export::noBreakSpacesKept_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("space"); // how the format writes a no-break space
    QTest::newRow("Markdown") << "md" << "\u00A0";
    QTest::newRow("HTML") << "html" << "&nbsp;";
}

// A one-letter preposition stays with its word in the text and in a note.
void tst_Export::noBreakSpacesKept()
{
    QFETCH(QString, format);
    QFETCH(QString, space);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi V\\~lese{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} a\\~k\\~domu}.\\par}", doc);
    const QString out = QString::fromUtf8(format == QLatin1String("md") ? toMarkdown(doc) : toHtml(doc, QStringLiteral("clanek")));
    QVERIFY2(out.contains(QStringLiteral("V%1lese").arg(space)), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("a%1k%1domu").arg(space)), qPrintable(out));
}

void tst_Export::picturesWrittenWhole_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("Markdown") << "md";
    QTest::newRow("HTML") << "html";
}

// Each picture becomes its whole data URL once, in a table written as HTML
// inside Markdown too; text or a face name that looks like the writers' own
// placeholder for a picture is text, never a picture.
void tst_Export::picturesWrittenWhole()
{
    QFETCH(QString, format);
    QTextDocument doc;
    generated(QStringLiteral("structure"), doc);
    QTextTable *table = nullptr;
    for (QTextFrame *f : doc.rootFrame()->childFrames())
        table = table ? table : qobject_cast<QTextTable *>(f);
    QVERIFY(table);
    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("cerveny")), red);
    QTextImageFormat inTable;
    inTable.setName(QStringLiteral("cerveny"));
    table->cellAt(2, 0).lastCursorPosition().insertImage(inTable);
    QTextCursor end(&doc);
    end.movePosition(QTextCursor::End);
    QTextCharFormat face;
    face.setFontFamilies({QStringLiteral("Jiné\u00010\u0001písmo")});
    end.insertText(QStringLiteral(" x\u00010\u0001y"), face);

    const QByteArray out = format == QLatin1String("md") ? toMarkdown(doc) : toHtml(doc, QStringLiteral("clanek"));
    QTextImageFormat figure;
    figure.setName(QStringLiteral("obrazek"));
    for (const QTextImageFormat &picture : {figure, inTable}) {
        const QByteArray url = "data:image/png;base64," + exporting::webPicture(doc, picture).bytes.toBase64();
        QVERIFY(url.size() > 60);
        QCOMPARE(out.count(url), 1);
    }
    QCOMPARE(out.count("data:"), 2);
    QVERIFY(!out.contains('\x01'));
    QVERIFY(out.contains("x0y"));
    if (format == QLatin1String("html"))
        QVERIFY(out.contains("font-family:'Jiné0písmo'"));
}

void tst_Export::footnotes_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("format");
    for (const QString &format : {QStringLiteral("md"), QStringLiteral("html")}) {
        for (const char *name : {"libreoffice_7.4_footnotes.rtf", "pandoc_2.17_footnotes.rtf", "abiword_3.0_footnotes.rtf"})
            QTest::addRow("%s, %s", qPrintable(format), name) << QString::fromLatin1(name) << format;
    }
}

// Each note a real footnote: a raised link in the text to its text at the
// end, as cmark-gfm renders GFM footnotes; our page still passes tidy.
void tst_Export::footnotes()
{
    QFETCH(QString, source);
    QFETCH(QString, format);
    QTextDocument doc;
    rtf::read(fixture(source), doc);
    QStringList notes; // texts, in the order of their marks
    QSet<int> ids;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (model::isNoteMark(f) && !ids.contains(f.intProperty(model::NoteId))) {
                ids.insert(f.intProperty(model::NoteId));
                notes << model::noteToolTip(f).simplified();
            }
        }
    }
    QVERIFY(!notes.isEmpty());

    QString html;
    QByteArray err;
    if (format == QLatin1String("md")) {
        html = QString::fromUtf8(run(m_cmark, {"-e", "footnotes"}, toMarkdown(doc), &err));
        QVERIFY2(err == "0", err.constData());
        QCOMPARE(html.count(QLatin1String("data-footnote-ref")), notes.size());
    } else {
        const QByteArray page = toHtml(doc, QStringLiteral("clanek"));
        run(m_tidy, {"-errors", "-q", "-utf8"}, page, &err);
        QVERIFY2(!err.contains("Error") && !err.endsWith('2'), err.constData());
        html = QString::fromUtf8(page);
        for (int i = 1; i <= notes.size(); ++i)
            QVERIFY(html.contains(QStringLiteral("<a href=\"#fn%1\" id=\"fnref%1\">").arg(i)));
    }
    if (qEnvironmentVariableIsSet("SHOW_EXPORT"))
        qWarning("%s", qPrintable(html));
    const qsizetype section = html.indexOf(QLatin1String("<section class=\"footnotes\""));
    QVERIFY(section > 0);
    // The notes' texts, in order, in the list at the end.
    QTextDocument end;
    end.setHtml(html.mid(section));
    const QString listed = end.toPlainText().simplified();
    qsizetype at = 0;
    for (const QString &note : notes) {
        at = listed.indexOf(note, at);
        QVERIFY2(at >= 0, qPrintable(note + QStringLiteral(" not in ") + listed));
        at += note.size();
    }
}

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
