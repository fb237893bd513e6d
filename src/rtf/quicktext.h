// The text of a simple RTF file without building a document, for the
// converter's text output. Needs only Qt's core: a small conversion to
// text costs what starting a program does, not what starting Qt's
// graphical side does.

#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace rtf {

// What plainText() gives for the document read() makes of `data`, for a
// file of paragraphs, character and paragraph formats, fonts, colours, a
// style sheet and document information, with text in a single-byte code
// page. Nothing for anything else (tables, lists, notes, fields, pictures,
// hidden text, sections, styles applied, text that is not RTF, an input
// read() refuses): the caller then reads the document.
std::optional<QByteArray> quickPlainText(QByteArrayView data);

} // namespace rtf
