#pragma once

// The footnotes and endnotes of a document as its readers meet them: each
// reference mark in document order (body, table cells and list items
// alike) with the note it carries.

#include "model/notes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

namespace borovka::testing {

struct NoteMark {
    QString mark; // the text of the mark: "1", "iv", "*"
    QString text; // the note's plain text (NoteText) as its tool tip shows it
    int kind;     // model::NoteKindValue
    bool autoNumber;
};

// Neighbouring fragments of one note are one mark; the same note met again
// after other text is a second mark. Needs borovka_model (model::noteToolTip).
inline QList<NoteMark> notesOf(const QTextDocument &doc)
{
    QList<NoteMark> marks;
    int lastId = -1;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.hasProperty(model::NoteId)) {
                lastId = -1;
                continue;
            }
            const int id = f.intProperty(model::NoteId);
            if (id == lastId) {
                marks.last().mark += it.fragment().text();
                continue;
            }
            lastId = id;
            marks.append({it.fragment().text(), model::noteToolTip(f), f.intProperty(model::NoteKind),
                          f.boolProperty(model::NoteAutoNumber)});
        }
        lastId = -1;
    }
    return marks;
}

// The marks as "mark|text|kind|auto" (kind 0 a footnote, 1 an endnote;
// "custom" for a mark that is not the note's number), joined by ";".
inline QString describeNotes(const QList<NoteMark> &marks)
{
    QStringList out;
    for (const NoteMark &m : marks)
        out << QStringLiteral("%1|%2|%3|%4").arg(m.mark, m.text).arg(m.kind).arg(m.autoNumber ? "auto" : "custom");
    return out.join(u';');
}

} // namespace borovka::testing
