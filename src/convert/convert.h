#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace borovka {

// Output kinds of the converter, chosen by the output file's extension.
enum class OutputKind { Unknown, Rtf, Text, Html, Markdown, Pdf };

OutputKind outputKindFor(const QString &path);

// A clean, self-contained HTML page: paragraphs with their alignment, and
// bold, italic, underline, strikethrough, faces, sizes and colours.
QByteArray toHtml(const QTextDocument &doc, const QString &title);

// Reads `input` as the editor opens files and writes `output` as the editor
// saves them. Returns an empty string on success, otherwise what went wrong;
// a failed conversion leaves no output file behind.
QString convertFile(const QString &input, const QString &output);

} // namespace borovka
