// What LibreOffice reads from the writer's output: a document whose runs
// cover every property the writer writes, one at a time and all together,
// is converted by LibreOffice to RTF and read back; every character keeps
// its text and properties. Skips itself where LibreOffice is not installed.

#include "model/docprops.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QBrush>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include "rtftest.h"

using namespace rtftest;

namespace {

using Props = QList<QPair<int, QVariant>>;

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType() == QMetaType::fromType<QBrush>() || b.metaType() == QMetaType::fromType<QBrush>())
        return a.value<QBrush>().color() == b.value<QBrush>().color();
    if (a.metaType() == QMetaType::fromType<double>() || b.metaType() == QMetaType::fromType<double>())
        return qAbs(a.toDouble() - b.toDouble()) < 0.5;
    return a == b;
}

struct Case {
    const char *name;
    Props props;
};

QList<Case> charCases()
{
    return {
        {"bold", {{QTextFormat::FontWeight, int(QFont::Bold)}}},
        {"italic", {{QTextFormat::FontItalic, true}}},
        {"underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::SingleUnderline)}}},
        {"dotted underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::DotLine)}}},
        {"dashed underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::DashUnderline)}}},
        {"dash-dot underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::DashDotLine)}}},
        {"dash-dot-dot underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::DashDotDotLine)}}},
        {"wave underline", {{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::WaveUnderline)}}},
        {"strikethrough", {{QTextFormat::FontStrikeOut, true}}},
        {"size", {{QTextFormat::FontPointSize, 20.0}}},
        {"face", {{QTextFormat::FontFamilies, QStringList(QStringLiteral("Liberation Serif"))}}},
        {"text colour", {{QTextFormat::ForegroundBrush, QBrush(QColor(200, 10, 30))}}},
        {"background", {{QTextFormat::BackgroundBrush, QBrush(QColor(255, 255, 0))}}},
        {"all capitals", {{QTextFormat::FontCapitalization, int(QFont::AllUppercase)}}},
        {"small capitals", {{QTextFormat::FontCapitalization, int(QFont::SmallCaps)}}},
        {"superscript", {{QTextFormat::TextVerticalAlignment, int(QTextCharFormat::AlignSuperScript)}}},
        {"subscript", {{QTextFormat::TextVerticalAlignment, int(QTextCharFormat::AlignSubScript)}}},
        {"all together",
         {{QTextFormat::FontWeight, int(QFont::Bold)},
          {QTextFormat::FontItalic, true},
          {QTextFormat::TextUnderlineStyle, int(QTextCharFormat::SingleUnderline)},
          {QTextFormat::FontStrikeOut, true},
          {QTextFormat::FontPointSize, 9.0},
          {QTextFormat::FontFamilies, QStringList(QStringLiteral("Liberation Serif"))},
          {QTextFormat::ForegroundBrush, QBrush(QColor(0, 0, 255))},
          {QTextFormat::BackgroundBrush, QBrush(QColor(0, 255, 0))},
          {QTextFormat::FontCapitalization, int(QFont::SmallCaps)},
          {QTextFormat::TextVerticalAlignment, int(QTextCharFormat::AlignSuperScript)}}},
    };
}

QList<Case> blockCases()
{
    return {
        {"right", {{QTextFormat::BlockAlignment, int(Qt::AlignRight)}}},
        {"centre", {{QTextFormat::BlockAlignment, int(Qt::AlignHCenter)}}},
        {"justify", {{QTextFormat::BlockAlignment, int(Qt::AlignJustify)}}},
        {"left indent", {{QTextFormat::BlockLeftMargin, 48.0}}},
        {"right indent", {{QTextFormat::BlockRightMargin, 24.0}}},
        {"first line", {{QTextFormat::TextIndent, -18.0}}},
        {"space before", {{QTextFormat::BlockTopMargin, 12.0}}},
        {"space after", {{QTextFormat::BlockBottomMargin, 8.0}}},
        {"line height 150 %",
         {{QTextFormat::LineHeightType, int(QTextBlockFormat::ProportionalHeight)}, {QTextFormat::LineHeight, 150.0}}},
        {"exact line height",
         {{QTextFormat::LineHeightType, int(QTextBlockFormat::FixedHeight)}, {QTextFormat::LineHeight, 20.0}}},
        {"all together",
         {{QTextFormat::BlockAlignment, int(Qt::AlignHCenter)},
          {QTextFormat::BlockLeftMargin, 30.0},
          {QTextFormat::BlockRightMargin, 20.0},
          {QTextFormat::TextIndent, 10.0},
          {QTextFormat::BlockTopMargin, 6.0},
          {QTextFormat::BlockBottomMargin, 4.0}}},
    };
}

const QString kBefore = QStringLiteral("před ");
const QString kStyled = QStringLiteral("čáry");
const QString kAfter = QStringLiteral(" po ");

// One paragraph per case: "<name>: před " plain, "čáry" styled, " po" plain
// (ending a raised run is what LibreOffice once read wrong), and a
// paragraph per block case with the properties on the whole paragraph.
void build(QTextDocument &doc)
{
    QTextCursor c(&doc);
    QTextCharFormat base;
    base.setFontFamilies({QStringLiteral("Liberation Sans")});
    base.setFontPointSize(12);
    bool first = true;
    for (const Case &k : charCases()) {
        if (!first)
            c.insertBlock(QTextBlockFormat(), base);
        first = false;
        QTextCharFormat styled = base;
        for (const auto &[p, v] : k.props)
            styled.setProperty(p, v);
        c.insertText(QString::fromLatin1(k.name) + QStringLiteral(": ") + kBefore, base);
        c.insertText(kStyled, styled);
        c.insertText(kAfter, base);
    }
    for (const Case &k : blockCases()) {
        QTextBlockFormat f;
        for (const auto &[p, v] : k.props)
            f.setProperty(p, v);
        c.insertBlock(f, base);
        c.insertText(QString::fromLatin1(k.name), base);
    }
}

} // namespace

class TestRtfLibreOffice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyPropertyReadsBack();
    void notesReadBack();
    void documentPropertiesReadBack();
    void piecesReadBack();
    void charactersReadBack_data();
    void charactersReadBack();

private:
    QByteArray throughLibreOffice(const QByteArray &rtf, const QString &name);
    QString m_soffice;
    QTemporaryDir m_dir;
};

void TestRtfLibreOffice::initTestCase()
{
    m_soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (m_soffice.isEmpty())
        QSKIP("LibreOffice is not installed");
    QVERIFY(m_dir.isValid());
}

void TestRtfLibreOffice::everyPropertyReadsBack()
{
    QTextDocument doc;
    build(doc);
    QTextDocument back;
    rtf::read(throughLibreOffice(rtf::write(doc), QStringLiteral("ours")), back);

    QStringList want, got;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        want << b.text();
    for (QTextBlock b = back.begin(); b.isValid(); b = b.next())
        if (!b.text().isEmpty() || b.next().isValid())
            got << b.text();
    for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
        QCOMPARE(got[i], want[i]);
    QCOMPARE(got.size(), want.size());

    // Every character of every run: the styled run has the properties, its
    // neighbours do not.
    QTextBlock b = back.begin();
    for (const Case &k : charCases()) {
        const int start = b.position() + int(std::strlen(k.name)) + 2;
        for (int i = start; i < b.position() + b.length() - 1; ++i) {
            const bool styled = i >= start + kBefore.size() && i < start + kBefore.size() + kStyled.size();
            const QTextCharFormat f = formatAt(back, i);
            for (const auto &[p, v] : k.props) {
                QVERIFY2(sameValue(f.property(p), v) == styled,
                         qPrintable(QStringLiteral("%1, character %2: property %3 is %4")
                                        .arg(QLatin1StringView(k.name)).arg(i - b.position()).arg(p)
                                        .arg(f.property(p).toString())));
            }
        }
        b = b.next();
    }
    for (const Case &k : blockCases()) {
        const QTextBlockFormat f = b.blockFormat();
        for (const auto &[p, v] : k.props)
            QVERIFY2(sameValue(f.property(p), v),
                     qPrintable(QStringLiteral("%1: property %2 is %3")
                                    .arg(QLatin1StringView(k.name)).arg(p).arg(f.property(p).toString())));
        b = b.next();
    }
}

// Our RTF converted by LibreOffice to its own RTF.
QByteArray TestRtfLibreOffice::throughLibreOffice(const QByteArray &rtf, const QString &name)
{
    const QString in = m_dir.filePath(name + QStringLiteral(".rtf"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(rtf);
    f.close();
    const QString outDir = m_dir.filePath(QStringLiteral("out"));
    QProcess lo;
    // A profile of its own, so a LibreOffice the user runs does not take the job.
    lo.start(m_soffice, {QStringLiteral("-env:UserInstallation=file://") + m_dir.filePath(QStringLiteral("profile")),
                         QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                         QStringLiteral("--outdir"), outDir, in});
    if (!lo.waitForFinished(180000))
        return {};
    QFile converted(outDir + u'/' + name + QStringLiteral(".rtf"));
    if (!converted.open(QIODevice::ReadOnly))
        return {};
    return converted.readAll();
}

// LibreOffice shows the notes we write, with their texts, as notes.
void TestRtfLibreOffice::notesReadBack()
{
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Liberation Serif;}}\\f0 "
              "Prvn\\'ed{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Pozn\\'e1mka {\\b tu\\'e8n\\'e1}.}"
              " a druh\\'e1{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Dal\\'9a\\'ed.}"
              " a vysv\\'ectlivka{\\super\\chftn}{\\footnote\\ftnalt\\pard\\plain{\\super\\chftn} Na konci.} konec.\\par}",
              doc);
    const QByteArray lo = throughLibreOffice(rtf::write(doc), QStringLiteral("notes"));
    QVERIFY(lo.contains("\\footnote"));
    QTextDocument back;
    rtf::read(lo, back);
    auto notes = [](const QTextDocument &d) {
        QStringList out;
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (model::isNoteMark(f))
                    out << it.fragment().text() + u'|' + model::noteToolTip(f) + u'|'
                            + QString::number(f.intProperty(model::NoteKind));
            }
        }
        return out;
    };
    QCOMPARE(notes(doc).size(), 3);
    QCOMPARE(notes(back), notes(doc));
    QCOMPARE(back.toPlainText(), doc.toPlainText());
}

// LibreOffice keeps the page size and margins, the headers and footers and
// the title we write.
void TestRtfLibreOffice::documentPropertiesReadBack()
{
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Liberation Serif;}}{\\info{\\title N\\'e1zev}{\\author Jan}}"
              "\\paperw11906\\paperh16838\\margl1701\\margr1134\\margt1417\\margb1417"
              "{\\header \\pard\\plain Hlavi\\'e8ka\\par}{\\footer \\pard\\plain Pata\\par}\\f0 Text."
              "\\sect\\sectd\\sbkpage\\lndscpsxn\\pgwsxn16838\\pghsxn11906\\marglsxn720\\margrsxn720 Na \\'9a\\'ed\\'f8ku.\\par}",
              doc);
    const QByteArray lo = throughLibreOffice(rtf::write(doc), QStringLiteral("props"));
    for (const char *word : {"\\paperw11906", "\\paperh16838", "\\margl1701", "\\margr1134"})
        QVERIFY2(lo.contains(word), word);
    // With a header LibreOffice keeps the top and bottom margins as its
    // section's, and measures the page's own from the header.
    QVERIFY(lo.contains("\\margtsxn1417"));
    QVERIFY(lo.contains("\\margbsxn1417"));
    // The first section keeps its portrait page; only the second turns.
    const qsizetype first = lo.indexOf("\\sectd"), second = lo.indexOf("\\sect\\sectd");
    QVERIFY(first > 0 && second > first);
    QVERIFY(lo.mid(first, second - first).contains("\\pgwsxn11906\\pghsxn16838"));
    QVERIFY(lo.mid(second).contains("\\pgwsxn16838\\pghsxn11906\\marglsxn720\\margrsxn720"));
    QTextDocument back;
    rtf::read(lo, back);
    QCOMPARE(back.metaInformation(QTextDocument::DocumentTitle), QStringLiteral("Název"));
    QCOMPARE(back.toPlainText(), QStringLiteral("Text.\nNa šířku."));
    const QStringList section = back.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList();
    QStringList headers;
    for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
        QTextDocument h;
        rtf::read(section[i + 1].toLatin1(), h);
        headers << section[i] + u':' + h.toPlainText().trimmed();
    }
    QVERIFY2(headers.contains(QStringLiteral("header:Hlavička")), qPrintable(headers.join(u',')));
    QVERIFY2(headers.contains(QStringLiteral("footer:Pata")), qPrintable(headers.join(u',')));
}

// LibreOffice keeps the comments, fields and hidden text of a file it
// wrote, after we open and save it: field by field, comment by comment.
void TestRtfLibreOffice::piecesReadBack()
{
    auto pieces = [](const QTextDocument &d) {
        static const QRegularExpression instruction(QStringLiteral("fldinst[{ ]*([A-Z]+)"));
        QStringList out;
        int lastWrap = 0;
        for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                const QString rtf = f.hasProperty(model::OpaqueRtf) ? f.stringProperty(model::OpaqueRtf)
                                                                  : f.stringProperty(model::WrapRtf);
                const int wrap = f.intProperty(model::WrapId);
                if (const auto m = instruction.match(rtf); m.hasMatch() && (wrap == 0 || wrap != lastWrap))
                    out << QStringLiteral("field:") + m.captured(1);
                else if (rtf.contains(QLatin1StringView("\\annotation")))
                    out << QStringLiteral("comment:") + f.stringProperty(model::OpaqueText);
                else if (rtf.startsWith(QLatin1StringView("{\\v ")))
                    out << QStringLiteral("hidden");
                lastWrap = wrap;
            }
        }
        return out;
    };
    QTextDocument doc;
    rtf::read(rtftest::fixture(QStringLiteral("libreoffice_7.4_comments_fields.rtf")), doc);
    const QByteArray lo = throughLibreOffice(rtf::write(doc), QStringLiteral("pieces"));
    QTextDocument back;
    rtf::read(lo, back);
    const QStringList expected{QStringLiteral("field:PAGE"), QStringLiteral("field:NUMPAGES"), QStringLiteral("field:DATE"),
                               QStringLiteral("comment:Jan Novák: Poznámka k účtu."), QStringLiteral("hidden"),
                               QStringLiteral("field:REF"), QStringLiteral("field:FORMTEXT")};
    QCOMPARE(pieces(doc), expected);
    QCOMPARE(pieces(back), expected);
    // LibreOffice shows a DATE field's result as of the day it opens the file.
    auto text = [](const QTextDocument &d) {
        static const QRegularExpression date(QStringLiteral("\\d{1,2}\\. \\d{1,2}\\. \\d{4}"));
        return d.toPlainText().remove(QChar::ObjectReplacementCharacter).replace(date, QStringLiteral("<datum>"));
    };
    QVERIFY(text(doc).contains(QLatin1StringView("datum <datum>.")));
    QCOMPARE(text(back), text(doc));
}

void TestRtfLibreOffice::charactersReadBack_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text"); // the document's text, notes after it
    QTest::addColumn<QByteArray>("written"); // how our file says it
    const QByteArray head = "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Liberation Serif;}"
                            "{\\f1\\fnil\\fcharset2 Wingdings;}{\\f2\\froman\\fcharset2 Symbol;}}\\f0 ";
    const QString nb(QChar::Nbsp);
    QTest::newRow("between words") << head + "V\\~lese a\\~k\\~domu.\\par}"
                                   << QStringLiteral("V%1lese a%1k%1domu.").arg(nb) << QByteArray("\\~");
    QTest::newRow("in a row, at the ends") << head + "\\~x\\~\\~\\~y\\~\\par}"
                                           << QStringLiteral("%1x%1%1%1y%1").arg(nb) << QByteArray("\\~");
    QTest::newRow("bold, in a note")
        << head + "{\\b 5\\~kg}{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} s\\~n\\'e1mi}\\par}"
        << QStringLiteral("5%1kg1\n\n1 s%1námi").arg(nb) << QByteArray("\\~");
    // A picture of Wingdings that has a character is written as that
    // character; one that has none keeps its face, so that it shows the
    // same picture wherever the face is.
    QTest::newRow("symbol fonts") << head + "{\\f1 J}{\\f2 a}{\\f1 A}\\par}" << QStringLiteral("☺αA")
                                  << QByteArray("\\ftech\\fcharset238 Wingdings;");
}

// LibreOffice reads the characters we write as the same characters (no-break
// spaces as no-break spaces), and writes them back so that we read them so.
void TestRtfLibreOffice::charactersReadBack()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(QString::fromUtf8(model::plainText(doc)), text);
    const QByteArray ours = rtf::write(doc);
    QVERIFY2(ours.contains(written), ours.constData());
    QTextDocument back;
    rtf::read(throughLibreOffice(ours, QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_').remove(u',')), back);
    QCOMPARE(QString::fromUtf8(model::plainText(back)), text);
}

QTEST_MAIN(TestRtfLibreOffice)
#include "tst_rtf_libreoffice.moc"
