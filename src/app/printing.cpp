#include "printing.h"

#include "shortcuts.h"
#include "layout/pages.h"
#include "platform/dialogservice.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace borovka {

Printing::Printing(RichTextBox &rich, DialogService &dialogs, Shortcuts &shortcuts, QWidget &window)
    : QObject(&window), m_rich(rich), m_dialogs(dialogs), m_window(window)
{
    print = shortcuts.add({QKeySequence(Qt::CTRL | Qt::Key_P)});
    connect(print, &QAction::triggered, this, &Printing::showPrintDialog);
}

void Printing::showPrintDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer);
    QPrintDialog dialog(&printer, &m_window);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, m_rich.textCursor().hasSelection());
    if (dialog.exec() != QDialog::Accepted)
        return;
    printTo(printer);
}

void Printing::setUpPage(QPrinter &printer) const
{
    // A printer that cannot take the document's page gets A4.
    if (!printer.setPageLayout(layout::pageLayout(*m_rich.document())))
        layout::setDefaultPageLayout(printer);
}

bool Printing::printTo(QPrinter &printer)
{
    bool ok = false;
    if (printer.printRange() == QPrinter::Selection && m_rich.textCursor().hasSelection()) {
        QTextDocument part;
        part.setDefaultFont(m_rich.document()->defaultFont());
        QTextCursor(&part).insertFragment(m_rich.textCursor().selection());
        ok = layout::paintPages(part, printer);
    } else {
        ok = layout::paintPages(*m_rich.document(), printer);
    }
    if (!ok)
        m_dialogs.messageBox(QStringLiteral("Dokument se nepodařilo vytisknout. Zkontroluj tiskárnu."),
                             MsgBox::OkOnly, QStringLiteral("Tisk"));
    return ok;
}

} // namespace borovka
