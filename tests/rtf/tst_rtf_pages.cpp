// The page a document carries, as printing and the PDF take it: size,
// orientation and margins from the file, A4 with 2.5 cm margins for what
// it does not say or says beyond reason.

#include "layout/pages.h"
#include "rtf/rtf.h"

#include <QTest>
#include <QTextDocument>

class TestRtfPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
};

void TestRtfPages::layout_data()
{
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QSizeF>("page"); // points, as it lies
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QMarginsF>("margins"); // points: left, top, right, bottom

    const QSizeF a4(595.28, 841.89);
    const double cm25 = 70.87;
    const QMarginsF standard(cm25, cm25, cm25, cm25);
    QTest::newRow("nothing said") << QByteArray() << a4 << false << standard;
    QTest::newRow("a4 with word's margins")
        << QByteArray("\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1134\\margb1134") << a4 << false
        << QMarginsF(70.85, 56.7, 70.85, 56.7);
    QTest::newRow("letter landscape") << QByteArray("\\paperw15840\\paperh12240\\margl1440\\margr1440\\margt1080\\margb1080\\landscape")
                                      << QSizeF(792, 612) << true << QMarginsF(72, 54, 72, 54);
    QTest::newRow("wider than high") << QByteArray("\\paperw15840\\paperh12240") << QSizeF(792, 612) << true << standard;
    QTest::newRow("landscape without a size") << QByteArray("\\landscape") << a4.transposed() << true << standard;
    QTest::newRow("only margins") << QByteArray("\\margl2880") << a4 << false << QMarginsF(144, cm25, cm25, cm25);
    QTest::newRow("gutter") << QByteArray("\\margl1440\\gutter720") << a4 << false << QMarginsF(108, cm25, cm25, cm25);
    QTest::newRow("margins wider than the page") << QByteArray("\\paperw12240\\paperh15840\\margl9000\\margr9000")
                                                 << QSizeF(612, 792) << false << standard;
    QTest::newRow("negative margins") << QByteArray("\\margl-500\\margt-1") << a4 << false << standard;
    QTest::newRow("tiny page") << QByteArray("\\paperw10\\paperh10") << a4 << false << standard;
    QTest::newRow("negative size") << QByteArray("\\paperw-11906\\paperh16838") << a4 << false << standard;
    QTest::newRow("small page, no room for margins") << QByteArray("\\paperw1800\\paperh1800\\margl900")
                                                     << QSizeF(90, 90) << false << QMarginsF();
}

void TestRtfPages::layout()
{
    QFETCH(QByteArray, words);
    QFETCH(QSizeF, page);
    QFETCH(bool, landscape);
    QFETCH(QMarginsF, margins);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi" + words + " Text\\par}", doc);
    const QPageLayout l = layout::pageLayout(doc);
    QVERIFY(l.isValid());
    const QSizeF size = l.fullRect(QPageLayout::Point).size();
    QVERIFY2(qAbs(size.width() - page.width()) < 1 && qAbs(size.height() - page.height()) < 1,
             qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
    QCOMPARE(l.orientation() == QPageLayout::Landscape, landscape);
    const QMarginsF m = l.margins(QPageLayout::Point);
    QVERIFY2(qAbs(m.left() - margins.left()) < 0.1 && qAbs(m.top() - margins.top()) < 0.1
                 && qAbs(m.right() - margins.right()) < 0.1 && qAbs(m.bottom() - margins.bottom()) < 0.1,
             qPrintable(QStringLiteral("%1 %2 %3 %4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom())));
}

QTEST_GUILESS_MAIN(TestRtfPages)
#include "tst_rtf_pages.moc"
