#include "busy.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <exception>
#include <memory>

namespace borovka {

namespace {
int g_busy = 0; // runBusy calls waiting on the GUI thread
} // namespace

bool isBusy()
{
    return g_busy > 0;
}

void runBusy(QWidget *owner, const QString &label, const std::function<void()> &work)
{
    std::exception_ptr error;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    }));

    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);

    bool cursorShown = false;
    QTimer cursorTimer;
    cursorTimer.setSingleShot(true);
    QObject::connect(&cursorTimer, &QTimer::timeout, [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorShown = true;
    });

    std::unique_ptr<QProgressDialog> progress;
    QTimer progressTimer;
    progressTimer.setSingleShot(true);
    QObject::connect(&progressTimer, &QTimer::timeout, [&] {
        // No cancel button: a half-read or half-written file is never wanted.
        progress = std::make_unique<QProgressDialog>(label, QString(), 0, 0, owner);
        progress->setWindowTitle(QStringLiteral("Borovka Editor"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(0);
        progress->show();
    });

    struct Busy {
        Busy() { ++g_busy; }
        ~Busy() { --g_busy; }
    } busy;
    thread->start();
    cursorTimer.start(WaitCursorDelay);
    progressTimer.start(ProgressDelay);
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();

    cursorTimer.stop();
    progressTimer.stop();
    progress.reset();
    if (cursorShown)
        QApplication::restoreOverrideCursor();
    if (error)
        std::rethrow_exception(error);
}

} // namespace borovka
