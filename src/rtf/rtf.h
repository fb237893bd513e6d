#pragma once

// The editor's rich-text file format: RTF read into and written from a
// QTextDocument. Nothing here depends on widgets, so the converter, the
// benchmarks and the fuzzers use exactly the code the editor uses.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "model/readerror.h"

class QTextDocument;

namespace rtf {

// A document that cannot be read at all (for example one larger than the
// reader accepts): the same error every format's reader throws.
using Error = model::ReadError;

// True when the data starts as an RTF document does ("{\rtf", after an
// optional byte-order mark and white space).
bool isRtf(QByteArrayView data);

// The largest input read() accepts, in bytes.
qint64 maxInputSize();

// Throws Error with a readable description when an input of `bytes` bytes
// is larger than read() accepts, so a caller can refuse a file before
// reading it into memory.
void checkInputSize(qint64 bytes);

// Replaces the content of `doc` by the RTF in `data`. Builds into `doc`
// directly; callers that must keep their document on failure read into a
// fresh document and swap it in afterwards. Data larger than
// maxInputSize() throws Error before `doc` is touched; a document with
// more paragraphs or pictures, or a larger picture, than the reader
// accepts (see readerlimits.h) throws Error and leaves `doc` empty (never a part of the text that a save would keep); data that is not
// RTF (see isRtf) is taken as plain text; the undo history is not kept.
// Pictures (PNG and JPEG shown, other kinds as a framed placeholder) are
// image characters whose bytes the document keeps as resources, so write()
// gives them back (PNG and JPEG are decoded at the size shown when first
// asked for as image resources, through the document's resource
// provider, which read() sets); HYPERLINK fields become anchors, \page a
// page break before the next paragraph; lists (\listtable, \pn) become
// QTextList items (see lists.h), \outlinelevel a heading level and a
// paragraph's bottom border a horizontal rule.
void read(QByteArrayView data, QTextDocument &doc);

// The whole document as RTF: {\rtf1\ansi\ansicpg1250\deff0\deftab720 ...
QByteArray write(const QTextDocument &doc);

// For data that is not RTF: what a known format the editor does not open
// is, as a Czech sentence for the user (a Word or OpenDocument package, an
// encrypted or older Office document, PDF, a picture, an archive); empty
// for data that read() takes as plain text. Such data is never shown as a
// screen of its bytes.
QString unsupportedFormat(QByteArrayView data);

// Plain text that is not RTF: UTF-8 when the bytes are valid UTF-8
// (a leading byte-order mark is dropped), otherwise Windows-1250. Text
// with a UTF-16 byte-order mark is read as UTF-16. Characters an RTF
// document cannot hold are dropped as read() drops them: control
// characters other than tab, LF and CR (NUL, form feed ...), U+FFFC and
// the non-characters U+FFFE and U+FFFF.
QString decodePlainText(QByteArrayView data);

} // namespace rtf
