// Pages: a document laid out on pages and painted page by page on a
// printer or into a PDF. Shared by printing and the converter.

#pragma once

#include <QByteArray>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

namespace rtf {

// The document as a PDF for archiving or proofing: A4 with 2.5 cm margins,
// fonts embedded, text selectable. Empty when the PDF cannot be made.
QByteArray toPdf(const QTextDocument &doc, const QString &title);

// Lays the document out afresh inside the device's margins and paints it
// page after page. False when the device cannot be painted on (a printer
// that fails).
bool paintPages(const QTextDocument &doc, QPagedPaintDevice &device);

// A4 with 2.5 cm margins on every side.
void setDefaultPageLayout(QPagedPaintDevice &device);

} // namespace rtf
