// Zip packages and their XML under hostile input: every refusal is a
// Czech sentence, never a crash, a hang or an allocation a file chose.

#include "package/package.h"

#include <QTest>
#include <QtEndian>

using package::ZipReader;
using package::ZipWriter;

namespace {

QByteArray zip(const QList<std::pair<QString, QByteArray>> &entries)
{
    ZipWriter w;
    for (const auto &[name, data] : entries)
        w.add(name, data, name != QLatin1String("mimetype"));
    return w.finish();
}

// Sets the uncompressed size of every entry, in the local and the
// central header alike, to `size`: a package that lies about its parts.
QByteArray withClaimedSize(QByteArray bytes, quint32 size)
{
    for (qsizetype at = 0; (at = bytes.indexOf("PK\x03\x04", at)) >= 0; at += 4)
        qToLittleEndian(size, bytes.data() + at + 22);
    for (qsizetype at = 0; (at = bytes.indexOf("PK\x01\x02", at)) >= 0; at += 4)
        qToLittleEndian(size, bytes.data() + at + 24);
    return bytes;
}

// What reading every part of the package gives: "ok" or the refusal.
QString readAll(const QByteArray &bytes)
{
    try {
        ZipReader r(bytes);
        for (const QString &name : r.names())
            r.read(name);
        return QStringLiteral("ok");
    } catch (const model::ReadError &e) {
        return e.description();
    }
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

private slots:
    void roundTrip();
    void hostile_data();
    void hostile();
    void resolvePart_data();
    void resolvePart();
    void xml_data();
    void xml();
};

void TestPackage::roundTrip()
{
    const QByteArray big(300000, 'x');
    const QByteArray bytes = zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                  {"content.xml", "<a>ř</a>"},
                                  {"Pictures/p.png", big}});
    // OpenDocument wants its type first and stored: readable at offset 38.
    QCOMPARE(bytes.mid(30, 8), QByteArray("mimetype"));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 8), quint16(0));
    QCOMPARE(bytes.mid(38, 39), QByteArray("application/vnd.oasis.opendocument.text"));
    QVERIFY(bytes.size() < 10000); // the rest is compressed

    ZipReader r(bytes);
    QCOMPARE(r.names(), QStringList({"mimetype", "content.xml", "Pictures/p.png"}));
    QCOMPARE(r.read("content.xml"), QByteArray("<a>ř</a>"));
    QCOMPARE(r.read("Pictures/p.png"), big);
    QVERIFY(r.read("missing", false).isEmpty());
    QVERIFY_THROWS_EXCEPTION(model::ReadError, r.read("missing"));
    // One document saved twice is the same file.
    QCOMPARE(zip({{"a", "1"}, {"b", big}}), zip({{"a", "1"}, {"b", big}}));
}

void TestPackage::hostile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // the start of the sentence
    const QByteArray fine = zip({{"word/document.xml", QByteArray(5000, 'a')}});
    QTest::newRow("fine") << fine << QStringLiteral("ok");
    QTest::newRow("zip bomb: 64 MB of zeros") << zip({{"a.xml", QByteArray(64 << 20, '\0')}})
                                              << QStringLiteral("Část dokumentu a.xml by se rozbalila");
    QTest::newRow("claims less than it inflates to") << withClaimedSize(fine, 100)
                                                     << QStringLiteral("Dokument je poškozený: jeho část word/document.xml");
    QTest::newRow("claims more than it inflates to") << withClaimedSize(fine, 6000)
                                                     << QStringLiteral("Dokument je poškozený: jeho část word/document.xml");
    QTest::newRow("claims 4 GB") << withClaimedSize(fine, 0xFFFFFFF0u)
                                 << QStringLiteral("Část dokumentu word/document.xml je po rozbalení příliš velká");
    QTest::newRow("central directory cut short") << fine.first(fine.size() - 30)
                                                 << QStringLiteral("Dokument je poškozený");
    QTest::newRow("only the signature") << QByteArray("PK\x03\x04 and nothing of a zip")
                                        << QStringLiteral("Dokument je poškozený: jeho archiv ZIP nelze přečíst");
    QList<std::pair<QString, QByteArray>> many;
    for (int i = 0; i <= package::maxEntries; ++i)
        many.append({QString::number(i), QByteArray()});
    QTest::newRow("too many entries") << zip(many) << QStringLiteral("Dokument má příliš mnoho částí (10001");
}

void TestPackage::hostile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    const QString got = readAll(bytes);
    QVERIFY2(got.startsWith(refusal), qPrintable(got));
}

void TestPackage::resolvePart_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("part"); // empty: outside the package
    QTest::newRow("beside") << "word/document.xml" << "media/a.png" << "word/media/a.png";
    QTest::newRow("root") << "word/document.xml" << "/customXml/item.xml" << "customXml/item.xml";
    QTest::newRow("up") << "word/document.xml" << "../docProps/core.xml" << "docProps/core.xml";
    QTest::newRow("dots") << "word/document.xml" << "./media/../media/a.png" << "word/media/a.png";
    QTest::newRow("past the root") << "word/document.xml" << "../../etc/passwd" << "";
    QTest::newRow("package's own rels") << "" << "word/document.xml" << "word/document.xml";
    QTest::newRow("external address") << "word/document.xml" << "https://example.org/a.png" << "";
    QTest::newRow("network path") << "word/document.xml" << "//server/share/a.png" << "";
}

void TestPackage::resolvePart()
{
    QFETCH(QString, from);
    QFETCH(QString, target);
    QFETCH(QString, part);
    QCOMPARE(package::resolvePart(from, target), part);
}

void TestPackage::xml_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("result"); // the text read, or the start of the refusal
    QTest::newRow("fine") << QByteArray("<?xml version=\"1.0\"?><a><b>x</b><b>y&amp;</b></a>") << QStringLiteral("xy&");
    QTest::newRow("billion laughs") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY l \"lol\">"
                                                  "<!ENTITY l2 \"&l;&l;&l;&l;\">]><a>&l2;</a>")
                                    << QStringLiteral("Část dokumentu part.xml obsahuje deklaraci typu dokumentu");
    QTest::newRow("external entity") << QByteArray("<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>")
                                     << QStringLiteral("Část dokumentu part.xml obsahuje deklaraci typu dokumentu");
    QTest::newRow("100 000 deep") << QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000)
                                  << QStringLiteral("Část dokumentu part.xml je vnořená hlouběji než do 1000 úrovní");
    QTest::newRow("cut short") << QByteArray("<a><b>x</b>") << QStringLiteral("Dokument je poškozený: jeho část part.xml");
    QTest::newRow("undeclared entity") << QByteArray("<a>&nbsp;</a>") << QStringLiteral("Dokument je poškozený");
}

void TestPackage::xml()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, result);
    QString got;
    try {
        package::XmlReader r(xml, QStringLiteral("part.xml"));
        while (r.step() != QXmlStreamReader::StartElement) {
        }
        got = r.collectText();
        QCOMPARE(r.depth(), 0);
    } catch (const model::ReadError &e) {
        got = e.description();
    }
    QVERIFY2(got.startsWith(result), qPrintable(got));
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
