#pragma once

// Word documents (Office Open XML, .docx) read into and written from the
// document model, as RTF is. Nothing here depends on widgets.

#include "model/readerror.h"

#include <QByteArray>
#include <QByteArrayView>

class QTextDocument;

namespace docx {

// True when the data is a zip package holding word/document.xml.
bool isDocx(QByteArrayView data);

// Replaces the content of `doc` by the Word document in `data`. Throws
// model::ReadError (a Czech sentence) for a package that cannot be read
// or breaks the package limits; `doc` is then to be thrown away.
void read(QByteArrayView data, QTextDocument &doc);

// The whole document as a Word package.
QByteArray write(const QTextDocument &doc);

} // namespace docx
