#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace borovka {

class RichTextBox;
class Shortcuts;

// The small "Statistika" window: the document's words, characters,
// paragraphs and standard pages, and the selection's beside them while
// text is selected. It stays open beside the text and follows the typing.
class StatisticsWindow : public QDialog {
    Q_OBJECT

public:
    StatisticsWindow(RichTextBox &rich, QWidget *parent);

    // Counts now (the window shows and counts again after a short pause
    // in the typing, not at every key).
    void refresh();

    // The figures shown, by row (words, characters, characters without
    // spaces, paragraphs, standard pages) and column (document, selection).
    QLabel *figure(int row, int column) const { return m_figures[row][column]; }
    QLabel *selectionHeading = nullptr;
    QTimer *pause = nullptr;

    static constexpr int Rows = 5;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void changed();

    RichTextBox &m_rich;
    QLabel *m_figures[Rows][2] = {};
};

// Ctrl+Shift+G and the "Statistika" entry of the editing area's context menu.
class Statistics : public QObject {
    Q_OBJECT

public:
    Statistics(RichTextBox &rich, Shortcuts &shortcuts, QWidget &window);

    QAction *show = nullptr;
    StatisticsWindow *window = nullptr;
};

} // namespace borovka
