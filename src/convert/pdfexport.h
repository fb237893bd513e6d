#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace borovka {

// The document as a PDF for archiving or proofing: A4 with 2.5 cm margins,
// fonts embedded, text selectable. Empty when the PDF cannot be made.
QByteArray toPdf(const QTextDocument &doc, const QString &title);

} // namespace borovka
