// Pages: a document laid out on pages and painted page by page on a
// printer or into a PDF. Shared by printing and the converter.

#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

namespace layout {

// The document as a PDF for archiving or proofing, on the document's page
// (see pageLayout), fonts embedded, text selectable. Empty when the PDF
// cannot be made.
QByteArray toPdf(const QTextDocument &doc, const QString &title);

// Lays the document out afresh inside the device's margins and paints it
// page after page. False when the device cannot be painted on (a printer
// that fails).
bool paintPages(const QTextDocument &doc, QPagedPaintDevice &device);

// A4 with 2.5 cm margins on every side.
void setDefaultPageLayout(QPagedPaintDevice &device);

// The page the document carries (\paperw, \paperh, \margl, \margr, \margt,
// \margb, \gutter, \landscape), with A4 and 2.5 cm margins for whatever it
// does not say or says beyond reason (a page under an inch or over 200
// inches, margins that leave less than an inch of text).
QPageLayout pageLayout(const QTextDocument &doc);

} // namespace layout
