#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;

namespace borovka {

class Main;

// The keyboard shortcuts a writer expects besides the menus' function keys.
// Each runs the same handler as its button or menu item; none shows in a
// menu, so the menus read as they always did.
class Shortcuts : public QObject {
    Q_OBJECT

public:
    explicit Shortcuts(Main &window);

    QAction *bold = nullptr;      // Ctrl+B
    QAction *italic = nullptr;    // Ctrl+I
    QAction *underline = nullptr; // Ctrl+U
    QAction *save = nullptr;      // Ctrl+S
    QAction *open = nullptr;      // Ctrl+O
    QAction *newDocument = nullptr; // Ctrl+N
    QAction *saveAs = nullptr;    // Ctrl+Shift+S
    QAction *left = nullptr;      // Ctrl+L
    QAction *center = nullptr;    // Ctrl+E
    QAction *right = nullptr;     // Ctrl+R
    QAction *bigger = nullptr;    // Ctrl+]
    QAction *smaller = nullptr;   // Ctrl+[
    QAction *undo = nullptr;      // Ctrl+Z
    QAction *redo = nullptr;      // Ctrl+Y, Ctrl+Shift+Z

    // Adds a window-wide shortcut that wins over the editing area's own keys.
    QAction *add(const QList<QKeySequence> &keys);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Main &m_window;
    QList<QKeySequence> m_keys;
};

} // namespace borovka
