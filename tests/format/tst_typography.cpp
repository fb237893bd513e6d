// "Opravit typografii" over documents: it leaves what typing leaves, keeps
// every character's formatting, changes nothing in fields, hyperlinks and
// kept pieces, nor outside the selection, and is one undo step.

#include "typography.h"
#include "format/typography.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace borovka;
using namespace borovka::testing;

namespace {

// The bold characters of the document, in order.
QString boldText(const QTextDocument &doc)
{
    QString bold;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontWeight() == QFont::Bold)
                bold += it.fragment().text();
    return bold;
}

} // namespace

class tst_Typography : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fixesLikeTyping_data() { typedTexts(); }
    void fixesLikeTyping();
    void fixesDocument_data();
    void fixesDocument();
};

void tst_Typography::fixesLikeTyping()
{
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);

    QTextDocument doc;
    QTextCursor at = writeMarkup(doc, start);
    at.insertText(keys);
    typography::fix(QTextCursor(&doc));
    QCOMPARE(rawText(doc), expected);
}

void tst_Typography::fixesDocument_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<int>("from"); // the selection; -1: none
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("bold");
    QTest::addColumn<int>("count");

    QTest::newRow("bold word inside quotes")
        << "řekl \"{b:ahoj}\"" << -1 << -1 << QStringLiteral("řekl „ahoj“") << "ahoj" << 2;
    QTest::newRow("bold quotes") << "{b:\"ahoj\"} a \"tak\"" << -1 << -1
                                 << QStringLiteral("„ahoj“ a\u00A0„tak“") << QStringLiteral("„ahoj“") << 5;
    QTest::newRow("ellipsis over two formats")
        << "no.{b:..} a" << -1 << -1 << QStringLiteral("no… a") << "" << 1;
    QTest::newRow("fields, links and pieces kept")
        << "{f:\"a - b\"} - {l:v \"x\"...} {p} \"ok\"" << -1 << -1
        << QStringLiteral("\"a - b\" – v \"x\"... \uFFFC „ok“") << "" << 3;
    QTest::newRow("corrections around a bold word")
        << "a {b:v} k s" << -1 << -1 << QStringLiteral("a\u00A0v\u00A0k\u00A0s") << "v" << 3;
    QTest::newRow("far apart") << "a " + QString(100, u'x') + " v x" << -1 << -1
                               << "a\u00A0" + QString(100, u'x') + " v\u00A0x" << "" << 2;
    QTest::newRow("paragraphs") << "\"a\"\n'b'\nrock'n'roll - to" << -1 << -1
                                << QStringLiteral("„a“\n‚b‘\nrock’n’roll – to") << "" << 7;
    QTest::newRow("selection only") << "\"a\" \"b\"" << 4 << 7 << QStringLiteral("\"a\" „b“") << "" << 2;
    QTest::newRow("context before the selection")
        << "v lese" << 1 << 2 << QStringLiteral("v\u00A0lese") << "" << 1;
    QTest::newRow("context after the selection")
        << "it'so" << 0 << 3 << QStringLiteral("it’so") << "" << 1;
    QTest::newRow("nothing to fix") << QStringLiteral("„ahoj“ v\u00A0lese – to…") << -1 << -1
                                    << QStringLiteral("„ahoj“ v\u00A0lese – to…") << "" << 0;
    QTest::newRow("one-letter words only") << "a i k s v z o u" << -1 << -1
                                           << QStringLiteral("a\u00A0i\u00A0k\u00A0s\u00A0v\u00A0z\u00A0o\u00A0u")
                                           << "" << 7;
}

void tst_Typography::fixesDocument()
{
    QFETCH(QString, markup);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);
    QFETCH(QString, bold);
    QFETCH(int, count);

    QTextDocument doc;
    writeMarkup(doc, markup);
    const QString before = rawText(doc);
    QTextCursor range(&doc);
    if (from >= 0) {
        range.setPosition(from);
        range.setPosition(to, QTextCursor::KeepAnchor);
    }
    QCOMPARE(typography::fix(range), count);
    QCOMPARE(rawText(doc), expected);
    QCOMPARE(boldText(doc), bold);
    // One undo step gives the text back; nothing changed, nothing to undo.
    QCOMPARE(doc.isUndoAvailable(), count > 0);
    doc.undo();
    QCOMPARE(rawText(doc), before);
    QVERIFY(!doc.isUndoAvailable());
}

QTEST_MAIN(tst_Typography)
#include "tst_typography.moc"
