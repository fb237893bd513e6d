#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace borovka {

// Runs `work` on a worker thread while the window keeps repainting. After
// WaitCursorDelay the mouse shows a wait cursor, after ProgressDelay a
// progress box says what is going on. User input waits until the work is
// done, so no other command can start meanwhile. An exception thrown by
// `work` is rethrown here.
void runBusy(QWidget *owner, const QString &label, const std::function<void()> &work);

// True while runBusy waits for its work: the window must not close then.
bool isBusy();

constexpr int WaitCursorDelay = 330; // ms
constexpr int ProgressDelay = 1000;  // ms

} // namespace borovka
