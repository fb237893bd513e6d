#pragma once

// OpenDocument texts (.odt packages and flat .fodt files) read into and
// written from the document model, as RTF is. Nothing here depends on
// widgets.

#include "model/readerror.h"

#include <QByteArray>
#include <QByteArrayView>

class QTextDocument;

namespace odt {

// True when the data is a zip package whose mimetype is
// application/vnd.oasis.opendocument.text.
bool isOdt(QByteArrayView data);
// True when the data is a flat OpenDocument text (an XML document whose
// root is office:document with that mimetype).
bool isFlatOdt(QByteArrayView data);

// Replaces the content of `doc` by the OpenDocument text in `data`
// (package or flat). Throws model::ReadError (a Czech sentence) for a
// document that cannot be read or breaks the package limits; `doc` is
// then to be thrown away.
void read(QByteArrayView data, QTextDocument &doc);

// The whole document as an OpenDocument package.
QByteArray write(const QTextDocument &doc);

} // namespace odt
