// borovka-convert to PDF, read back with poppler's tools: the text, the
// page size, the margins and the embedded fonts.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_PdfExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textIsExtracted_data();
    void textIsExtracted();
    void a4WithMargins();
    void documentsPage_data();
    void documentsPage();
    void longDocumentHasPages();
    void unwritableOutputFails();

private:
    QString convert(const QByteArray &rtf, const QString &name = QStringLiteral("clanek"));
    static QString run(const QString &tool, const QStringList &args);

    QTemporaryDir m_dir;
};

QString tst_PdfExport::run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(tool, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

void tst_PdfExport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"pdftotext", "pdfinfo", "pdffonts"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP("poppler-utils is not installed");
}

QString tst_PdfExport::convert(const QByteArray &rtf, const QString &name)
{
    const QString in = m_dir.filePath(name + QStringLiteral(".kln"));
    const QString out = m_dir.filePath(name + QStringLiteral(".pdf"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return {};
    f.close();
    QFile::remove(out);
    QProcess p;
    p.start(QStringLiteral(BOROVKA_CONVERT), {in, out});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return out;
}

void tst_PdfExport::textIsExtracted_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("czech") << QByteArray("{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset238 Courier New;}}"
                                         "\\pard\\f0\\fs24 P\\'f8\\'edli\\'9a \\'9elu\\'9dou\\'e8k\\'fd k\\'f9\\'f2\\par}")
                           << QStringLiteral("Příliš žluťoučký kůň");
    QTest::newRow("formatted runs") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\pard\\f0\\fs28 "
                                                  "{\\b tu\\u269?n\\'e9} a {\\i kurz\\u237?va}\\par}")
                                    << QStringLiteral("tučné a kurzíva");
    QTest::newRow("two paragraphs, centred") << QByteArray("{\\rtf1\\ansi\\pard\\qc Prvn\\u237?\\par\\pard Druh\\u253?\\par}")
                                             << QStringLiteral("První\nDruhý");
}

void tst_PdfExport::textIsExtracted()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    const QString pdf = convert(rtf);
    QVERIFY(!pdf.isEmpty());
    QString extracted = run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    extracted.remove(QChar(0x0C));
    QCOMPARE(extracted.trimmed(), text);
}

void tst_PdfExport::a4WithMargins()
{
    const QString pdf = convert("{\\rtf1\\ansi\\pard Okraj\\par}");
    QVERIFY(!pdf.isEmpty());
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));

    // Every font is embedded.
    const QStringList fonts = run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(fonts.size() >= 3, qPrintable(fonts.join(QLatin1Char('\n'))));
    for (const QString &line : fonts.mid(2))
        QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\s+yes\\s+(yes|no)\\s+(yes|no)\\s+\\d+"))), qPrintable(line));

    // The first word starts at the 2.5 cm margins (70.87 points).
    const QString bbox = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpressionMatch m = QRegularExpression(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Okraj<")).match(bbox);
    QVERIFY2(m.hasMatch(), qPrintable(bbox));
    QVERIFY(qAbs(m.captured(1).toDouble() - 70.87) < 1.0);
    QVERIFY(m.captured(2).toDouble() >= 70.0 && m.captured(2).toDouble() < 80.0);
}

void tst_PdfExport::documentsPage_data()
{
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QString>("size");  // as pdfinfo gives it
    QTest::addColumn<double>("left");   // where the first word starts, points
    QTest::addColumn<double>("top");
    QTest::newRow("letter landscape")
        << QByteArray("\\paperw15840\\paperh12240\\margl1440\\margr1440\\margt1440\\margb1440\\landscape")
        << QStringLiteral("792 x 612 pts") << 72.0 << 72.0;
    QTest::newRow("a5") << QByteArray("\\paperw8391\\paperh11906\\margl567\\margt850") << QStringLiteral("420 x 595 pts (A5)")
                        << 28.35 << 42.5;
    QTest::newRow("none given") << QByteArray() << QStringLiteral("595 x 842 pts (A4)") << 70.87 << 70.87;
}

void tst_PdfExport::documentsPage()
{
    QFETCH(QByteArray, words);
    QFETCH(QString, size);
    QFETCH(double, left);
    QFETCH(double, top);
    const QString pdf = convert("{\\rtf1\\ansi" + words + "\\pard Okraj\\par}", QStringLiteral("stranka"));
    QVERIFY(!pdf.isEmpty());
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+") + QRegularExpression::escape(size))),
             qPrintable(info));
    const QString bbox = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpressionMatch m = QRegularExpression(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Okraj<")).match(bbox);
    QVERIFY2(m.hasMatch(), qPrintable(bbox));
    QVERIFY2(qAbs(m.captured(1).toDouble() - left) < 1.0, qPrintable(m.captured(1)));
    QVERIFY2(m.captured(2).toDouble() >= top - 1 && m.captured(2).toDouble() < top + 10, qPrintable(m.captured(2)));
}

void tst_PdfExport::longDocumentHasPages()
{
    QByteArray rtf = "{\\rtf1\\ansi\\pard ";
    for (int i = 1; i <= 200; ++i)
        rtf += "Odstavec " + QByteArray::number(i) + "\\par ";
    rtf += "}";
    const QString pdf = convert(rtf, QStringLiteral("dlouhy"));
    QVERIFY(!pdf.isEmpty());
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(run(QStringLiteral("pdfinfo"), {pdf}));
    QVERIFY(pages.hasMatch());
    QVERIFY(pages.captured(1).toInt() >= 3);
    // No paragraph is lost or cut between pages.
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (int i = 1; i <= 200; ++i)
        QVERIFY2(text.contains(QStringLiteral("Odstavec %1\n").arg(i)), qPrintable(QString::number(i)));
}

void tst_PdfExport::unwritableOutputFails()
{
    const QString in = m_dir.filePath(QStringLiteral("x.kln"));
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1 x}");
    f.close();
    QProcess p;
    p.start(QStringLiteral(BOROVKA_CONVERT), {in, m_dir.filePath(QStringLiteral("missing/x.pdf"))});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing/x.pdf"))));
}

QTEST_MAIN(tst_PdfExport)
#include "tst_pdfexport.moc"
