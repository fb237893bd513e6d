// The "Statistika" counts against LibreOffice's: documents authored by hand
// as flat OpenDocument, with the figures LibreOffice's meta.xml gives for
// them (soffice --convert-to odt recomputes them); where LibreOffice is
// installed, a test confirms those figures on the same files.

#include "formats/formats.h"
#include "package/package.h"
#include "statistics.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "libreoffice.h"

using borovka::TextStatistics;

Q_DECLARE_METATYPE(TextStatistics)

namespace {

QString fixturePath(const QString &name)
{
    // "odt/x.fodt" is a reader fixture shared with the OpenDocument tests.
    return name.contains(u'/') ? QStringLiteral(TESTS_DIR "/") + name : QStringLiteral(STATISTICS_TEST_DATA "/") + name;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString describe(const TextStatistics &s)
{
    return QStringLiteral("words %1, characters %2, without spaces %3, paragraphs %4")
        .arg(s.words).arg(s.characters).arg(s.charactersWithoutSpaces).arg(s.paragraphs);
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT

private slots:
    void document_data();
    void document();
    void libreOfficeCountsTheSame_data();
    void libreOfficeCountsTheSame();
    void selection_data();
    void selection();
    void standardPages_data();
    void standardPages();
};

void TestStatistics::document_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<TextStatistics>("expected"); // LibreOffice 7.4's meta:document-statistic
    QTest::newRow("words, dashes, blanks, empty paragraphs") << "words.fodt" << TextStatistics{38, 142, 102, 5};
    QTest::newRow("header and footer") << "header.fodt" << TextStatistics{5, 29, 27, 3};
    QTest::newRow("paragraphs and emphasis") << "odt/data/text.fodt" << TextStatistics{38, 236, 204, 8};
    QTest::newRow("numbered and bulleted lists") << "odt/data/lists.fodt" << TextStatistics{64, 282, 270, 29};
    QTest::newRow("tables, merged and empty cells") << "odt/data/tables.fodt" << TextStatistics{17, 81, 77, 13};
    QTest::newRow("footnotes, custom mark, endnote") << "odt/data/notes.fodt" << TextStatistics{31, 213, 193, 11};
}

void TestStatistics::document()
{
    QFETCH(QString, file);
    QFETCH(TextStatistics, expected);
    QTextDocument doc;
    formats::read(fileBytes(fixturePath(file)), doc);
    const TextStatistics got = borovka::documentStatistics(doc);
    QVERIFY2(got == expected, qPrintable(describe(got) + QStringLiteral("\nwant ") + describe(expected)));
}

void TestStatistics::libreOfficeCountsTheSame_data()
{
    document_data();
}

void TestStatistics::libreOfficeCountsTheSame()
{
    QFETCH(QString, file);
    QFETCH(TextStatistics, expected);
    if (libreoffice::executable().isEmpty())
        QSKIP("LibreOffice is not installed");
    static QTemporaryDir dir;
    const QByteArray odt = libreoffice::convert(fixturePath(file), QStringLiteral("odt"), dir.path());
    QVERIFY(!odt.isEmpty());
    package::ZipReader zip(odt);
    const QString meta = QString::fromUtf8(zip.read(QStringLiteral("meta.xml")));
    const auto number = [&](const char *name) {
        const QRegularExpression re(QStringLiteral("meta:%1=\"(\\d+)\"").arg(QLatin1StringView(name)));
        return re.match(meta).captured(1).toLongLong();
    };
    const TextStatistics lo{number("word-count"), number("character-count"),
                            number("non-whitespace-character-count"), number("paragraph-count")};
    QVERIFY2(lo == expected, qPrintable(describe(lo) + QStringLiteral("\nwant ") + describe(expected)));
}

void TestStatistics::selection_data()
{
    QTest::addColumn<QString>("text"); // paragraphs separated by "\n"
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<TextStatistics>("expected");
    const QString czech = QStringLiteral("Příliš žluťoučký kůň\núpěl ďábelské ódy.");
    QTest::newRow("nothing") << czech << 3 << 3 << TextStatistics{};
    QTest::newRow("inside a word") << czech << 1 << 4 << TextStatistics{1, 3, 3, 1};
    QTest::newRow("backwards, across words") << czech << 11 << 0 << TextStatistics{2, 11, 10, 1};
    QTest::newRow("across paragraphs") << czech << 17 << 26 << TextStatistics{2, 8, 7, 2};
    QTest::newRow("blanks only") << QStringLiteral("a \u00A0\t b") << 1 << 5 << TextStatistics{0, 4, 0, 1};
    QTest::newRow("whole") << czech << 0 << 100 << TextStatistics{6, 38, 34, 2};
    QTest::newRow("dashes part words") << QStringLiteral("x–y u—v a-b") << 0 << 11 << TextStatistics{5, 11, 9, 1};
    QTest::newRow("one-letter words") << QStringLiteral("a b c d\u00A0e") << 0 << 9 << TextStatistics{5, 9, 5, 1};
    // Long text is counted by stretches: words across their borders.
    QTest::newRow("one long word") << QStringLiteral("x").repeated(700) << 0 << 700 << TextStatistics{1, 700, 700, 1};
    QTest::newRow("many one-letter words") << QStringLiteral("a ").repeated(300) << 0 << 600 << TextStatistics{300, 600, 300, 1};
    QTest::newRow("long Czech, a dash inside") << QStringLiteral("kůň ").repeated(100) + QStringLiteral("x–y ") + QStringLiteral("kůň\u00A0").repeated(100)
                                               << 0 << 804 << TextStatistics{202, 804, 603, 1};
    QTest::newRow("a character outside the basic plane") << QStringLiteral("𝄞 x") << 0 << 4 << TextStatistics{2, 3, 2, 1};
}

void TestStatistics::selection()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(TextStatistics, expected);
    QTextDocument doc;
    QTextCursor(&doc).insertText(text);
    const TextStatistics got = borovka::rangeStatistics(doc, from, to);
    QVERIFY2(got == expected, qPrintable(describe(got) + QStringLiteral("\nwant ") + describe(expected)));
}

void TestStatistics::standardPages_data()
{
    QTest::addColumn<qint64>("characters");
    QTest::addColumn<QString>("pages");
    QTest::newRow("none") << qint64(0) << QStringLiteral("0,0");
    QTest::newRow("under half a tenth") << qint64(89) << QStringLiteral("0,0");
    QTest::newRow("half a tenth rounds up") << qint64(90) << QStringLiteral("0,1");
    QTest::newRow("one page") << qint64(1800) << QStringLiteral("1,0");
    QTest::newRow("one and a half") << qint64(2700) << QStringLiteral("1,5");
    QTest::newRow("thousands grouped") << qint64(1800 * 12345 + 1260) << QStringLiteral("12\u00A0345,7");
}

void TestStatistics::standardPages()
{
    QFETCH(qint64, characters);
    QFETCH(QString, pages);
    QCOMPARE(borovka::standardPages(characters), pages);
}

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
