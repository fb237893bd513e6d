#pragma once

// What a reader of a document sees in it, as one comparable list of lines:
// the text, each table's shape and merged cells, notes, list labels,
// heading levels, bold and italic text, links, pictures, headers and
// footers, the page. Two documents that give the same facts read the same,
// whichever formats they went through.

#include "model/docprops.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "model/properties.h"
#include "rtf/rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

namespace docfacts {

inline void tableFacts(QTextFrame *frame, QStringList &out)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QString shape = QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
            for (int r = 0; r < table->rows(); ++r) {
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() == r && cell.column() == c && (cell.rowSpan() > 1 || cell.columnSpan() > 1))
                        shape += QStringLiteral(" [%1,%2 %3x%4]").arg(r).arg(c).arg(cell.rowSpan()).arg(cell.columnSpan());
                }
            }
            out << shape;
        }
        tableFacts(child, out);
    }
}

inline QStringList facts(const QTextDocument &doc)
{
    QStringList out;
    out << QStringLiteral("text: ") + QString::fromUtf8(model::plainText(doc)).trimmed();
    tableFacts(doc.rootFrame(), out);
    model::ListNumbering numbering;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.textList())
            out << QStringLiteral("item %1 %2").arg(b.textList()->format().indent()).arg(numbering.label(b));
        if (b.blockFormat().headingLevel() > 0)
            out << QStringLiteral("heading %1: %2").arg(b.blockFormat().headingLevel()).arg(b.text());
        // Runs of bold, italic, shifted or linked text, however a format
        // splits them into fragments.
        QString bold, italic, shifted, linkText, href;
        const auto flush = [&out](QString &run, const QString &what) {
            if (!run.trimmed().isEmpty())
                out << what + run;
            run.clear();
        };
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            const QString text = f.text().remove(QChar::ObjectReplacementCharacter);
            if (model::isNoteMark(cf))
                out << QStringLiteral("note %1: %2").arg(cf.intProperty(model::NoteKind)).arg(model::noteToolTip(cf).trimmed());
            else if (cf.isImageFormat())
                out << QStringLiteral("picture");
            if (text.isEmpty() || model::isNoteMark(cf))
                continue;
            const bool shift = cf.verticalAlignment() == QTextCharFormat::AlignSuperScript
                || cf.verticalAlignment() == QTextCharFormat::AlignSubScript;
            const QString link = cf.isAnchor() ? cf.anchorHref() : QString();
            cf.fontWeight() >= QFont::Bold ? void(bold += text) : flush(bold, QStringLiteral("bold: "));
            cf.fontItalic() ? void(italic += text) : flush(italic, QStringLiteral("italic: "));
            shift ? void(shifted += text) : flush(shifted, QStringLiteral("shifted: "));
            if (link != href)
                flush(linkText, QStringLiteral("link %1: ").arg(href));
            href = link;
            if (!link.isEmpty())
                linkText += text;
        }
        flush(bold, QStringLiteral("bold: "));
        flush(italic, QStringLiteral("italic: "));
        flush(shifted, QStringLiteral("shifted: "));
        flush(linkText, QStringLiteral("link %1: ").arg(href));
    }
    const model::PageSetup page = model::pageSetup(doc);
    // No page given is the A4 page every writer then writes.
    out << QStringLiteral("page %1x%2 %3")
               .arg(page.width < 0 ? (page.landscape ? 16838 : 11906) : page.width)
               .arg(page.height < 0 ? (page.landscape ? 11906 : 16838) : page.height)
               .arg(page.landscape);
    // Headers and footers of the first section, by kind, with their text.
    const QStringList first = doc.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList();
    for (qsizetype i = 1; i + 1 < first.size(); i += 2) {
        QTextDocument content;
        rtf::read(first[i + 1].toLatin1(), content);
        const QString text = QString::fromUtf8(model::plainText(content)).trimmed();
        if (!text.isEmpty()) // an empty one only hides the others on its pages
            out << first[i] + QStringLiteral(": ") + text;
    }
    return out;
}

} // namespace docfacts
