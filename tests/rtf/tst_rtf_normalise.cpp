// Pasted and converted HTML: what the document shows after the normaliser
// is what a save and reopen gives back.

#include "docfacts.h"
#include "html/normalise.h"
#include "model/docprops.h"
#include "model/lists.h"
#include "model/paste.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextListFormat>

namespace {

QByteArray pngBytes()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// What a reader sees of a document: per paragraph its text, list level and
// label, heading, rule and alignment, per run its size and styles, link
// and picture.
QStringList shownOf(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        QString line = b.text();
        if (const QTextList *list = b.textList())
            line += QStringLiteral(" |list %1 %2 %3").arg(list->format().indent()).arg(model::listLabel(b)).arg(int(list->format().style()));
        if (bf.headingLevel())
            line += QStringLiteral(" |h%1").arg(bf.headingLevel());
        if (bf.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
            line += QStringLiteral(" |rule");
        // Where the text starts: list indent and paragraph margins together.
        const QTextList *list = b.textList();
        const double indent = bf.leftMargin() + bf.indent() * doc.indentWidth()
            + (list ? list->format().indent() * doc.indentWidth() : 0);
        if (qRound(indent) != 0)
            line += QStringLiteral(" |indent %1").arg(qRound(indent));
        line += QStringLiteral(" |align %1").arg(int(bf.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            line += QStringLiteral(" [%1 %2pt%3%4%5%6%7]")
                        .arg(it.fragment().length())
                        .arg(f.font().pointSizeF())
                        .arg(f.fontWeight() >= QFont::DemiBold ? " b" : "", f.fontItalic() ? " i" : "",
                             f.fontUnderline() ? " u" : "", f.fontStrikeOut() ? " s" : "",
                             f.isAnchor() ? QStringLiteral(" ->") + f.anchorHref() : QString());
            if (f.isImageFormat())
                line += QStringLiteral(" picture %1").arg(model::picture(doc, f.toImageFormat()).bytes.size());
        }
        out << line;
    }
    return out;
}

} // namespace

class TestRtfNormalise : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void savedAsShown_data();
    void savedAsShown();
    void picturesAndRemoteAddresses();
    void headingsGetPoints();

private:
    QTemporaryDir m_dir;
};

void TestRtfNormalise::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile f(m_dir.filePath(QStringLiteral("obr.png")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(pngBytes());
}

void TestRtfNormalise::savedAsShown_data()
{
    QTest::addColumn<QString>("html");
    const QString png = QString::fromLatin1(pngBytes().toBase64());
    QTest::newRow("headings") << "<h1>Velký</h1><h2>Menší</h2><h6>Malý</h6><p>text</p>";
    QTest::newRow("nested lists") << "<ul><li>a<ul><li>b</li><li>c</li></ul></li><li>d</li></ul><ol><li>x</li><li>y</li></ol>";
    QTest::newRow("letters and roman") << "<ol type=\"a\"><li>a</li><li>b</li></ol><ol type=\"I\"><li>i</li></ol>";
    QTest::newRow("rule") << "<p>nad</p><hr><p>pod</p>";
    QTest::newRow("character styles") << "<p><b>t</b><i>k</i><u>p</u><s>š</s><big>v</big><small>m</small></p>";
    QTest::newRow("link") << "<p>viz <a href=\"https://example.org/a?b=c\">odkaz</a>.</p>";
    QTest::newRow("alignment") << "<p align=\"center\">střed</p><p style=\"text-align:right\">vpravo</p>";
    QTest::newRow("pixel sizes") << "<p><span style=\"font-size:20px\">px</span></p>";
    QTest::newRow("table text") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>";
    QTest::newRow("inline picture") << "<p>obr <img src=\"data:image/png;base64," + png + "\" alt=\"x\"></p>";
    QTest::newRow("local picture") << "<p><img src=\"obr.png\"></p>";
    QTest::newRow("remote picture") << "<p><img src=\"https://example.org/o.png\" alt=\"Graf\"></p>";
    QTest::newRow("preformatted") << "<pre>a  b\n c</pre>";
    QTest::newRow("spans in a nested table")
        << "<table><tr><td><table border=\"1\"><tr><th colspan=\"2\">Navigace</th></tr>"
           "<tr><td rowspan=\"2\">Obce</td><td>Brno</td></tr><tr><td>Jihlava</td></tr></table></td>"
           "<td>obsah</td></tr><tr><td colspan=\"2\">pata</td></tr></table>";
    QTest::newRow("link to # alone") << "<p><a href=\"#\">Nahoru</a> a <a href=\"#obsah\">obsah</a></p>";
    QTest::newRow("navigation list without markers")
        << "<ul style=\"list-style-type:none\"><li><a href=\"https://example.org/\">Domů</a></li>"
           "<li>Kontakt</li></ul><p>text</p>";
    QTest::newRow("heading at the body's size")
        << "<p>tělo</p><p><span style=\"font-size:11.5pt\"><b>Nadpis</b></span></p>";
}

void TestRtfNormalise::savedAsShown()
{
    QFETCH(QString, html);
    QTextDocument shown;
    // The editor's body size, which the file cannot keep in half points.
    QFont body(QStringLiteral("Courier New"));
    body.setPointSizeF(11.25);
    shown.setDefaultFont(body);
    html::readHtml(html, m_dir.path(), shown);
    QTextDocument saved;
    rtf::read(rtf::write(shown), saved);
    QCOMPARE(shownOf(saved), shownOf(shown));
    QCOMPARE(docfacts::facts(saved), docfacts::facts(shown));
}

void TestRtfNormalise::picturesAndRemoteAddresses()
{
    QTextDocument doc;
    html::readHtml(QStringLiteral("<p><img src=\"obr.png\"><img src=\"http://example.org/a.png\" alt=\"Mapa\">"
                                 "<img src=\"https://example.org/b/c.jpg\"></p>"),
                  m_dir.path(), doc);
    QCOMPARE(doc.begin().text(), QStringLiteral("\uFFFC[Mapa][c.jpg]"));
    const model::Picture p = model::picture(doc, doc.begin().begin().fragment().charFormat().toImageFormat());
    QCOMPARE(p.mimeType, QByteArray("image/png"));
    QCOMPARE(p.bytes, pngBytes());
    // Without a folder relative addresses are not read.
    html::readHtml(QStringLiteral("<p><img src=\"obr.png\" alt=\"o\"></p>"), QString(), doc);
    QCOMPARE(doc.begin().text(), QStringLiteral("[o]"));
}

void TestRtfNormalise::headingsGetPoints()
{
    QTextDocument doc;
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    html::readHtml(QStringLiteral("<h1>a</h1><p><big>b</big></p>"), QString(), doc);
    const QTextCharFormat h1 = doc.begin().begin().fragment().charFormat();
    QVERIFY(!h1.hasProperty(QTextFormat::FontSizeAdjustment));
    QCOMPARE(h1.fontPointSize(), 20.0);
    QCOMPARE(doc.begin().blockFormat().headingLevel(), 1);
    QCOMPARE(doc.lastBlock().begin().fragment().charFormat().fontPointSize(), 12.0);
}

QTEST_MAIN(TestRtfNormalise)
#include "tst_rtf_normalise.moc"
