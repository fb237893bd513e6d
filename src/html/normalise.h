#pragma once

// Content that enters a document from outside the file format (pasted or
// dropped, an HTML file given to the converter), made into exactly what
// the file format keeps: what the editing area shows after a paste is
// what a save and reopen gives back.

#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace html {

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

} // namespace html
