// Long loads and saves: the window stays responsive to paints, shows a wait
// cursor and then a progress box, and still behaves as a synchronous call.

#include "platform/busy.h"
#include "platform/controlerror.h"
#include "platform/richtextbox.h"

#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace borovka;

class tst_Busy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void feedbackWhileWorking();
    void errorsComeBack();
    void largeFileLoadsLikeASmallOne();
    void vanishedFileKeepsContent();
    void largeDocumentSaves();
};

void tst_Busy::feedbackWhileWorking()
{
    QWidget window;
    window.show();
    std::atomic<bool> sawProgress = false;
    bool sawCursor = false;
    bool cursorBeforeProgress = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            sawCursor = true;
        for (auto *d : window.findChildren<QProgressDialog *>()) {
            if (d->isVisible() && !sawProgress) {
                cursorBeforeProgress = sawCursor;
                QCOMPARE(d->labelText(), QStringLiteral("Pracuji…"));
                sawProgress = true;
            }
        }
    });
    watch.start(10);
    // The work lasts until the progress box has been seen (or 20 s at most).
    runBusy(&window, QStringLiteral("Pracuji…"), [&] {
        for (int i = 0; i < 2000 && !sawProgress; ++i)
            QThread::msleep(10);
    });
    QVERIFY(sawProgress);
    QVERIFY(cursorBeforeProgress);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(window.findChildren<QProgressDialog *>().isEmpty());
}

void tst_Busy::errorsComeBack()
{
    QVERIFY_THROWS_EXCEPTION(ControlError, runBusy(nullptr, QString(), [] {
        throw ControlError(QStringLiteral("nejde to"));
    }));
}

namespace {
QString bigText()
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("Řádek %1 s českým textem, aby byl soubor velký.\n").arg(i);
    return text;
}
} // namespace

void tst_Busy::largeFileLoadsLikeASmallOne()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kniha.txt"));
    const QString text = bigText();
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        QVERIFY(f.size() > 512 * 1024);
    }
    RichTextBox box;
    int changes = 0;
    connect(&box, &RichTextBox::Change, this, [&changes] { ++changes; });
    box.setFileName(path);
    QCOMPARE(changes, 1);
    QCOMPARE(box.document()->thread(), box.thread());
    QCOMPARE(box.document()->parent(), &box);
    QCOMPARE(box.toPlainText(), text);
    // The loaded document is fully usable: typing and undo.
    QTest::keyClicks(&box, QStringLiteral("x"));
    QVERIFY(box.toPlainText().startsWith(QLatin1Char('x')));
    box.undo();
    QVERIFY(!box.toPlainText().startsWith(QLatin1Char('x')));
}

void tst_Busy::vanishedFileKeepsContent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kniha.rtf"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bigText().toUtf8());
    }
    RichTextBox box;
    box.setPlainText(QStringLiteral("zůstane"));
    // Picked in the dialog, then gone before the read; then a folder in its place.
    QVERIFY(QFile::remove(path));
    QVERIFY_THROWS_EXCEPTION(ControlError, box.setFileName(path));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("kniha.rtf")));
    QVERIFY_THROWS_EXCEPTION(ControlError, box.setFileName(path));
    QCOMPARE(box.toPlainText(), QStringLiteral("zůstane"));
}

void tst_Busy::largeDocumentSaves()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kniha.kln"));
    RichTextBox box;
    box.setPlainText(bigText());
    box.SaveFile(path);
    RichTextBox reader;
    reader.setFileName(path);
    QCOMPARE(reader.toPlainText(), box.toPlainText());
}

QTEST_MAIN(tst_Busy)
#include "tst_busy.moc"
