#pragma once

// A document's text without formatting: the text export, and the plain
// text a note keeps beside its content.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace model {

// The document's text without formatting, as UTF-8 with "\n" line ends
// (paragraph ends and line breaks alike) and no line end after the last
// paragraph. Non-breaking spaces stay non-breaking spaces; list items
// start with their labels, table cells are separated by tabs.
QByteArray plainText(const QTextDocument &doc);

// Appends a paragraph's text as plainText() writes it: line breaks as line
// ends, without the object characters of pictures and the like. A note's
// plain text is made the same way, so it is the note's text after a save,
// which writes no object it cannot keep.
void appendPlainText(QString &out, QStringView text);

// QTextDocument::toPlainText() with its non-breaking spaces kept: Qt turns
// them into plain spaces, which would lose a writer's typography wherever a
// piece of text is taken through a document of its own.
QString textKeepingNbsp(const QTextDocument &doc);

} // namespace model
