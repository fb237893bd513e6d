#pragma once

// Which file format a file is, for the editing area and the converter: a
// file is read by its content (RTF, a Word or OpenDocument document, plain
// text) and written in the format its name asks for (.docx, .odt, anything
// else RTF).

#include "model/readerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace formats {

enum class Format { Rtf, Docx, Odt };

// The format a save to `path` writes: by the name's suffix, any case.
Format formatForName(const QString &path);

// Replaces the content of `doc` by the document in `data`, whatever its
// format. Throws model::ReadError as the format's reader does; a known
// format the editor does not open (PDF, an older Word file ...) is refused
// with a sentence saying what it is.
void read(QByteArrayView data, QTextDocument &doc);

// The whole document in `format`.
QByteArray write(const QTextDocument &doc, Format format);

} // namespace formats
