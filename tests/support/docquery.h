#pragma once

// Looking things up in a document a reader built: its text as the text
// export gives it, the paragraph or character holding a text, its tables.

#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace docquery {

// The document as the text export writes it (notes after the body).
inline QString textOf(const QTextDocument &doc)
{
    return QString::fromUtf8(model::plainText(doc));
}

// The text the RTF reader gives for `rtf`: what another format's reader
// should give for the same document.
inline QString rtfText(const QString &rtf)
{
    QTextDocument d;
    rtf::read(rtf.toLatin1(), d);
    return textOf(d);
}

// The first paragraph whose text contains `needle`, in the body or a table.
inline QTextBlock blockWith(const QTextDocument &doc, const QString &needle)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.text().contains(needle))
            return b;
    }
    return {};
}

// The format of the first character of `needle`.
inline QTextCharFormat formatAt(const QTextDocument &doc, const QString &needle)
{
    const QTextBlock b = blockWith(doc, needle);
    if (!b.isValid())
        return {};
    QTextCursor c(b);
    c.setPosition(b.position() + int(b.text().indexOf(needle)) + 1);
    return c.charFormat();
}

// Every table, nested ones too, in document order.
inline QList<QTextTable *> tablesOf(const QTextDocument &doc)
{
    QList<QTextTable *> out;
    QList<QTextFrame *> frames{doc.rootFrame()};
    while (!frames.isEmpty()) {
        QTextFrame *f = frames.takeFirst();
        if (auto *t = qobject_cast<QTextTable *>(f))
            out << t;
        frames = f->childFrames() + frames;
    }
    return out;
}

// A cell's text, its paragraphs on lines of their own.
inline QString cellText(QTextTable *t, int r, int c)
{
    const QTextTableCell cell = t->cellAt(r, c);
    QTextCursor cur(t->document());
    cur.setPosition(cell.firstPosition());
    cur.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
    return cur.selectedText().replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace docquery
