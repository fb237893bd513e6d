#include <QTest>
class TestRtfNormalise : public QObject { Q_OBJECT };
QTEST_MAIN(TestRtfNormalise)
#include "tst_rtf_normalise.moc"
