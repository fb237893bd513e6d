#pragma once

#include <QObject>

class QAction;
class QPrinter;
class QWidget;

namespace borovka {

class DialogService;
class RichTextBox;
class Shortcuts;

// Ctrl+P: the document on paper through Qt's print dialog, on the page the
// document carries (A4 with 2.5 cm margins when it carries none) unless the
// writer picks another page there.
class Printing : public QObject {
    Q_OBJECT

public:
    Printing(RichTextBox &rich, DialogService &dialogs, Shortcuts &shortcuts, QWidget &window);

    QAction *print = nullptr;

    // Prints to a printer already set up; a printer that fails is reported
    // in a message box. Returns false then.
    bool printTo(QPrinter &printer);
    // Gives the printer the document's page size and margins.
    void setUpPage(QPrinter &printer) const;

public Q_SLOTS:
    void showPrintDialog();

private:
    RichTextBox &m_rich;
    DialogService &m_dialogs;
    QWidget &m_window;
};

} // namespace borovka
