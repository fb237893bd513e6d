#include "shortcuts.h"

#include "mainwindow.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QKeyEvent>

namespace borovka {

Shortcuts::Shortcuts(Main &window)
    : QObject(&window), m_window(window)
{
    FormatCommands &format = window.format;
    FileCommands &files = window.files;

    bold = add({QKeySequence(Qt::CTRL | Qt::Key_B)});
    italic = add({QKeySequence(Qt::CTRL | Qt::Key_I)});
    underline = add({QKeySequence(Qt::CTRL | Qt::Key_U)});
    connect(bold, &QAction::triggered, &format, &FormatCommands::tucne_Click);
    connect(italic, &QAction::triggered, &format, &FormatCommands::kurziva_Click);
    connect(underline, &QAction::triggered, &format, &FormatCommands::podtrzene_Click);

    save = add({QKeySequence(Qt::CTRL | Qt::Key_S)});
    open = add({QKeySequence(Qt::CTRL | Qt::Key_O)});
    newDocument = add({QKeySequence(Qt::CTRL | Qt::Key_N)});
    saveAs = add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    connect(save, &QAction::triggered, &files, &FileCommands::mnsave_Click);
    connect(open, &QAction::triggered, &files, &FileCommands::mnopen_Click);
    connect(newDocument, &QAction::triggered, &files, &FileCommands::mnnew_Click);
    connect(saveAs, &QAction::triggered, &files, &FileCommands::mnsaveas_Click);

    left = add({QKeySequence(Qt::CTRL | Qt::Key_L)});
    center = add({QKeySequence(Qt::CTRL | Qt::Key_E)});
    right = add({QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(left, &QAction::triggered, &format, &FormatCommands::vlevo_Click);
    connect(center, &QAction::triggered, &format, &FormatCommands::stred_Click);
    connect(right, &QAction::triggered, &format, &FormatCommands::vpravo_Click);

    bigger = add({QKeySequence(Qt::CTRL | Qt::Key_BracketRight)});
    smaller = add({QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)});
    connect(bigger, &QAction::triggered, &format, &FormatCommands::vetsi_Click);
    connect(smaller, &QAction::triggered, &format, &FormatCommands::mensi_Click);

    // The editing area's history holds typing, pasting and every formatting
    // command alike; these reach it from anywhere in the window.
    undo = add({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    redo = add({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    RichTextBox *rich = window.Rich1;
    connect(undo, &QAction::triggered, rich, &QTextEdit::undo);
    connect(redo, &QAction::triggered, rich, &QTextEdit::redo);

    rich->installEventFilter(this);
}

QAction *Shortcuts::add(const QList<QKeySequence> &keys)
{
    auto *action = new QAction(&m_window);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    m_keys << keys;
    return action;
}

bool Shortcuts::eventFilter(QObject *watched, QEvent *event)
{
    // The editing area claims some of these keys for itself (Ctrl+U deletes
    // the line on X11, Ctrl+Z is its own undo): left unclaimed, the window's
    // shortcut runs instead.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence &k : std::as_const(m_keys)) {
            if (k == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace borovka
