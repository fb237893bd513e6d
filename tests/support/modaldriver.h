#pragma once

// Drives real modal dialogs in tests: a timer waits for each modal dialog
// the code under test opens, looks at it and answers it, so every dialog
// goes through its own exec().

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace borovka::testing {

using Step = std::function<void(QWidget *)>;

// Answers modal dialogs in the order they appear: each step gets the next
// new modal widget. A dialog beyond the steps, and whatever is still open
// after the time limit, is rejected, so a test that goes wrong fails
// instead of hanging.
class ModalDriver {
public:
    explicit ModalDriver(QList<Step> steps) : m_steps(std::move(steps))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_timer.start();
    }

    int stepsRun() const { return m_next; }
    // True when a dialog had to be closed by force or none of the steps
    // expected it.
    bool timedOut() const { return m_timedOut || m_unexpected > 0; }

private:
    void tick()
    {
        QWidget *active = QApplication::activeModalWidget();
        if (m_clock.elapsed() > 15000) {
            m_timedOut = true;
            if (auto *dialog = qobject_cast<QDialog *>(active))
                dialog->reject();
            else if (active)
                active->close();
            return;
        }
        if (!active || !active->isVisible() || active == m_last)
            return;
        m_last = active;
        if (m_next >= m_steps.size()) {
            // A dialog no step expected, such as an error box: answer it
            // so the test can report it.
            ++m_unexpected;
            if (auto *dialog = qobject_cast<QDialog *>(active))
                dialog->reject();
            return;
        }
        // Run the step outside this timer's slot: a step that opens a nested
        // dialog blocks until it is answered, and Qt does not fire a timer
        // again while its own slot is still running.
        const Step step = m_steps.at(m_next++);
        QMetaObject::invokeMethod(
            &m_timer, [step, target = QPointer<QWidget>(active)] {
                if (target)
                    step(target);
            },
            Qt::QueuedConnection);
    }

    QList<Step> m_steps;
    int m_next = 0;
    int m_unexpected = 0;
    bool m_timedOut = false;
    QPointer<QWidget> m_last;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

inline QString stripAccel(QString text)
{
    return text.remove(QLatin1Char('&'));
}

inline void reject(QWidget *w)
{
    if (auto *d = qobject_cast<QDialog *>(w))
        d->reject();
}

inline QLineEdit *nameEdit(QWidget *fileDialog)
{
    return fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
}

inline QStringList typeEntries(QWidget *fileDialog)
{
    QStringList entries;
    if (auto *combo = fileDialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
    return entries;
}

// The file names the dialog's list shows once the folder has been read.
inline QStringList listedFiles(QWidget *fileDialog, int expected)
{
    auto *view = fileDialog->findChild<QListView *>(QStringLiteral("listView"));
    if (!view)
        return {};
    auto names = [view] {
        QStringList n;
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(root); ++r)
            n << view->model()->index(r, 0, root).data().toString();
        n.sort();
        return n;
    };
    (void)QTest::qWaitFor([&] { return names().size() >= expected; }, 5000);
    // Give a slow folder read the chance to show a file it should not.
    QTest::qWait(100);
    return names();
}

inline void clickDialogButton(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    const auto boxes = dialog->findChildren<QDialogButtonBox *>();
    for (QDialogButtonBox *box : boxes) {
        if (QPushButton *b = box->button(which)) {
            b->click();
            return;
        }
    }
}

} // namespace borovka::testing
