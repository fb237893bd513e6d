#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace borovka {

// Output kinds of the converter, chosen by the output file's extension.
enum class OutputKind { Unknown, Rtf, Text, Html, Markdown, Pdf, Docx, Odt };

OutputKind outputKindFor(const QString &path);

// A light, self-contained HTML page in UTF-8: headings, paragraphs with
// their alignment, lists, tables, emphasis, links and pictures; faces, sizes
// and colours only where they differ from the body text. The title is the
// document's own, or `title` when it has none.
QByteArray toHtml(const QTextDocument &doc, const QString &title);

// CommonMark with ~~strikethrough~~ and pipe tables; underline, superscript
// and subscript as inline HTML.
QByteArray toMarkdown(const QTextDocument &doc);

// Reads `input` as the editor opens files and writes `output` as the editor
// saves them. Returns an empty string on success, otherwise what went wrong;
// a failed conversion leaves no output file behind.
QString convertFile(const QString &input, const QString &output);

// True when converting `input` to `output` can do without Qt's graphical
// side (fonts, painting, a platform plug-in): text out of RTF or plain text
// that holds no picture (Word and OpenDocument packages may hold any). Only Qt's core then has to start, which is most of
// the time a small file takes; the text is read by the same code either way.
bool convertsWithoutGui(const QString &input, const QString &output);
bool convertsWithoutGui(const QString &input, const QByteArray &data, const QString &output);

} // namespace borovka
