#pragma once

// Content that enters a document from outside the file format (pasted or
// dropped, an HTML file given to the converter), made into exactly what
// the file format keeps: what the editing area shows after a paste is
// what a save and reopen gives back.

#include <QByteArrayView>
#include <QString>

class QTextCharFormat;
class QTextCursor;
class QTextDocument;

namespace rtf {

// Replaces the content of `doc` by `html`: text, character formatting,
// links, lists, tables, headings, rules, alignment and pictures given
// inline (data: addresses) or as local files that can be read (relative
// addresses against `baseDir`; none are read when it is empty). A picture
// at a remote address is not fetched: its alternative text shows in
// brackets. Formatting the file format cannot keep is dropped, relative
// font sizes (<h1>, <big>) become points.
void readHtml(const QString &html, const QString &baseDir, QTextDocument &doc);

// The text of an HTML file: the encoding its byte-order mark or <meta>
// names, UTF-8 otherwise.
QString decodeHtml(QByteArrayView data);

// Makes what readHtml() describes of a document Qt built from HTML.
void normalise(QTextDocument &doc, const QString &baseDir);

// Inserts the whole of `source` at `cursor`, with the bytes of its
// pictures, so the target document writes them as `source` would.
void insertDocument(QTextCursor &cursor, const QTextDocument &source);

// Inserts the selection of `selection` at `cursor` (another document),
// with the bytes of its pictures.
void insertSelection(QTextCursor &cursor, const QTextCursor &selection);

namespace detail {

// The points a character format shows at when its size is relative to
// `size` (Qt's size adjustment, from <h1> ... <h6>, <big>, <small>);
// `size` when it is not.
double adjustedPointSize(const QTextCharFormat &f, double size);

} // namespace detail

} // namespace rtf
