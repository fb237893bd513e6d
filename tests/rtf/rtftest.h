#pragma once

// What the RTF tests share: fixtures, a document's text by paragraph, and
// the format of one character.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <functional>

#include "model/lists.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "model/properties.h"
#include "model/tables.h"
#include "rtf/rtf.h"

namespace rtftest {

// A file of tests/rtf/data.
inline QByteArray fixture(const QString &name)
{
    QFile f(QStringLiteral(RTF_TEST_DATA "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

namespace detail {

// Qt keeps a paragraph before and after every table; empty ones at the
// start or the end of a frame or cell are no text of the document.
inline bool isTableArtifact(const QTextFrame::iterator &it, bool atStart, bool afterTable)
{
    if (it.currentFrame() || it.currentBlock().length() != 1)
        return false;
    QTextFrame::iterator next = it;
    ++next;
    const bool own = it.currentBlock().blockFormat().boolProperty(model::OwnParagraphBeforeTable);
    return (atStart && !own && !next.atEnd() && next.currentFrame()) || (afterTable && next.atEnd());
}

inline void textOf(QStringList &lines, QTextFrame::iterator it)
{
    bool atStart = true, afterTable = false;
    for (; !it.atEnd(); ++it) {
        if (isTableArtifact(it, atStart, afterTable)) {
        } else if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            for (int r = 0; r < table->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columns(); c += table->cellAt(r, c).columnSpan()) {
                    QStringList inner;
                    if (table->cellAt(r, c).row() == r)
                        textOf(inner, table->cellAt(r, c).begin());
                    cells << inner.join(u'\n');
                }
                lines << cells.join(u'\t');
            }
        } else if (it.currentFrame()) {
            textOf(lines, it.currentFrame()->begin());
        } else {
            lines << it.currentBlock().text();
        }
        afterTable = it.currentFrame() != nullptr;
        atStart = false;
    }
}

inline QString layoutOf(QTextFrame::iterator it)
{
    QStringList parts;
    bool atStart = true, afterTable = false;
    for (; !it.atEnd(); ++it) {
        if (isTableArtifact(it, atStart, afterTable)) {
        } else if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            QString t = QStringLiteral("[");
            for (int r = 0; r < table->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columns(); c += table->cellAt(r, c).columnSpan()) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() != r)
                        continue;
                    if (cell.format().boolProperty(model::FillerCell) && cell.firstPosition() == cell.lastPosition())
                        continue; // no cell of the file: fills a short row
                    QString text = layoutOf(cell.begin());
                    if (cell.columnSpan() > 1)
                        text += u'<' + QString::number(cell.columnSpan());
                    if (cell.rowSpan() > 1)
                        text += u'^' + QString::number(cell.rowSpan());
                    cells << text;
                }
                t += u'{' + cells.join(u'|') + u'}';
            }
            parts << t + u']';
        } else if (it.currentFrame()) {
            parts << layoutOf(it.currentFrame()->begin());
        } else {
            parts << it.currentBlock().text();
        }
        afterTable = it.currentFrame() != nullptr;
        atStart = false;
    }
    return parts.join(u'/');
}

} // namespace detail

// The paragraphs' text joined by "\n"; U+2028 and other characters stay.
// A table row is a line, its cells separated by a tab.
inline QString textOf(const QTextDocument &doc)
{
    QStringList lines;
    detail::textOf(lines, doc.rootFrame()->begin());
    return lines.join(u'\n');
}

// The document's paragraphs joined by "/", each table as "[{a|b}{c<2}]":
// rows in braces, cells by "|", "<n" a cell n columns wide, "^n" n rows
// high; covered cells are left out.
inline QString layoutOf(const QTextDocument &doc)
{
    return detail::layoutOf(doc.rootFrame()->begin());
}

// Each table of the document, nested ones after the table around them, as
// "rows x columns" followed by each merged cell as " row,column:rowSpan x
// columnSpan": "3x2 0,0:2x1 2,0:1x2". Fillers of short rows are counted:
// this is the grid as built.
inline QStringList tableShapes(const QTextDocument &doc)
{
    QStringList out;
    std::function<void(const QTextFrame *)> visit = [&](const QTextFrame *frame) {
        for (const QTextFrame *child : frame->childFrames()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child)) {
                QString shape = QStringLiteral("%1x%2").arg(table->rows()).arg(table->columns());
                for (int r = 0; r < table->rows(); ++r) {
                    for (int c = 0; c < table->columns(); ++c) {
                        const QTextTableCell cell = table->cellAt(r, c);
                        if (cell.row() == r && cell.column() == c && (cell.rowSpan() > 1 || cell.columnSpan() > 1))
                            shape += QStringLiteral(" %1,%2:%3x%4").arg(r).arg(c).arg(cell.rowSpan()).arg(cell.columnSpan());
                    }
                }
                out << shape;
            }
            visit(child);
        }
    };
    visit(doc.rootFrame());
    return out;
}

// The format of the character at `pos`.
inline QTextCharFormat formatAt(const QTextDocument &doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    return c.charFormat();
}

// A small document in code page 1250 with Times New Roman as font 0.
inline QByteArray timesDocument(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}" + body + "}";
}

// The pieces in order: "piece:" and its RTF, "field:" and the RTF before
// its result with the result's text (its pictures are in the text).
inline QStringList piecesOf(const QTextDocument &d)
{
    QStringList found;
    int lastWrap = 0;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString text = it.fragment().text();
            // A piece in a result is in both.
            if (f.hasProperty(model::WrapRtf)) {
                if (f.intProperty(model::WrapId) != lastWrap)
                    found << QStringLiteral("field:") + f.stringProperty(model::WrapRtf);
                if (!f.hasProperty(model::OpaqueRtf))
                    found.last() += QString(text).remove(QChar::ObjectReplacementCharacter);
            }
            if (f.hasProperty(model::OpaqueRtf)) {
                for (qsizetype i = 0; i < text.count(QChar::ObjectReplacementCharacter); ++i)
                    found << QStringLiteral("piece:") + f.stringProperty(model::OpaqueRtf);
            }
            lastWrap = f.intProperty(model::WrapId);
        }
    }
    return found;
}

// A byte string with the NUL bytes of its literal.
template <size_t N>
QByteArray raw(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

} // namespace rtftest
