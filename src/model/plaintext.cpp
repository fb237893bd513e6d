// The document's text export.

#include "plaintext.h"

#include "lists.h"
#include "notes.h"
#include "tables.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>

namespace model {

void appendPlainText(QString &out, QStringView text)
{
    // Whole stretches between the characters that change, not a character
    // at a time: this is most of a large export.
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != QChar::LineSeparator && c != QChar::ParagraphSeparator && c != QChar::ObjectReplacementCharacter)
            continue;
        out += text.sliced(from, i - from);
        if (c != QChar::ObjectReplacementCharacter)
            out += u'\n';
        from = i + 1;
    }
    out += text.sliced(from);
}

QString textKeepingNbsp(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0xFDD0: // a frame's start and end, as Qt marks them
        case 0xFDD1:
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

namespace {

// A frame's paragraphs a line each; a table's row a line with its cells
// separated by a tab. The paragraph Qt keeps before a table (see
// leadsTable()) and an empty one after a table at the end of a frame or
// cell are not the text's. `first` says whether a line has been written
// before.
void appendItems(QString &text, QTextFrame::iterator it, bool &first, ListNumbering &numbering)
{
    bool afterTable = false;
    for (; !it.atEnd(); ++it) {
        QTextFrame::iterator next = it;
        ++next;
        if (const QTextFrame *frame = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(frame)) {
                for (int r = 0; r < table->rows(); ++r) {
                    if (!first)
                        text += u'\n';
                    first = false;
                    // Cells the reader added to fill a short row are no text.
                    int end = table->columns();
                    while (end > 0 && isEmptyFiller(table->cellAt(r, end - 1)))
                        --end;
                    for (int c = 0; c < end;) {
                        const QTextTableCell cell = table->cellAt(r, c);
                        if (c > 0)
                            text += u'\t';
                        if (cell.row() == r) {
                            bool inCell = true; // lines of one cell stay in its row's line
                            appendItems(text, cell.begin(), inCell, numbering);
                        }
                        c = cell.column() + std::max(1, cell.columnSpan());
                    }
                }
            } else {
                appendItems(text, frame->begin(), first, numbering);
            }
            afterTable = true;
        } else {
            const QTextBlock block = it.currentBlock();
            // Pictures give no text: a paragraph of them after the last
            // table is no line either.
            const QString shown = block.text();
            const bool noText = std::all_of(shown.cbegin(), shown.cend(),
                                            [](QChar c) { return c == QChar::ObjectReplacementCharacter; });
            const bool skip = leadsTable(block) || (noText && afterTable && next.atEnd());
            if (!skip) {
                if (!first)
                    text += u'\n';
                first = false;
                // A list item starts with its label and a tab, as it shows.
                if (block.textList())
                    text += numbering.label(block) + u'\t';
                appendPlainText(text, block.text());
            }
            afterTable = false;
        }
    }
}

} // namespace

QByteArray plainText(const QTextDocument &doc)
{
    // Line breaks within a paragraph (U+2028) become line ends like
    // paragraph ends do. Non-breaking spaces stay non-breaking spaces: an
    // article's typography (a one-letter Czech preposition kept with the
    // next word) must survive the export into the magazine's pages.
    QString text;
    text.reserve(doc.characterCount());
    bool first = true;
    ListNumbering numbering;
    appendItems(text, doc.rootFrame()->begin(), first, numbering);
    // Notes follow the body, each after its mark as the body shows it.
    QStringList notes;
    int lastNote = -1;
    const QList<QTextFormat> formats = doc.allFormats();
    const bool hasNotes = std::any_of(formats.begin(), formats.end(),
                                      [](const QTextFormat &f) { return f.isCharFormat() && isNoteMark(f.toCharFormat()); });
    for (QTextBlock block = hasNotes ? doc.begin() : QTextBlock(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!isNoteMark(f))
                continue;
            const int id = f.intProperty(NoteId);
            if (id == lastNote && !notes.isEmpty()) {
                notes.last().insert(notes.last().size() - f.stringProperty(NoteText).size() - 1, it.fragment().text());
                continue;
            }
            lastNote = id;
            notes << it.fragment().text() + u' ' + f.stringProperty(NoteText);
        }
    }
    if (!notes.isEmpty())
        text += QStringLiteral("\n\n") + notes.join(u'\n');
    return text.toUtf8();
}

} // namespace model
