// A light, semantic HTML page: headings, paragraphs, lists and tables, the
// emphasis elements, links and pictures as data URLs. The body text's face
// and size go into one CSS rule; a run names its face, size or colour only
// where it differs from the body text, a table's cells in one rule where
// most of its text differs alike, list items' shared style on the list.

#include "convert.h"
#include "inlinetree.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <memory>

namespace borovka {

namespace {

using exporting::Inline;

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case 0x2028: out += QLatin1String("<br>"); break;
        case 0x00A0: out += QLatin1String("&nbsp;"); break;
        default:
            // Control characters have no place in HTML text.
            if (c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
                out += c;
        }
    }
    return out;
}

QString familyOf(const QTextCharFormat &f, const QString &fallback)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? fallback : families.first();
}

QString colourOf(const QTextCharFormat &f)
{
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QString();
}

double sizeOf(const QTextCharFormat &f, double fallback)
{
    return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : fallback;
}

QString cssFamily(const QString &family)
{
    QString name = family;
    name.removeIf([](QChar c) {
        return c.unicode() < 0x20 || c == QLatin1Char('\'') || c == QLatin1Char('\\') || c == QLatin1Char('<')
            || c == QLatin1Char('>');
    });
    return QLatin1Char('\'') + name + QLatin1Char('\'');
}

QString alignmentStyle(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    if (h == Qt::AlignHCenter)
        return QStringLiteral("text-align:center");
    if (h == Qt::AlignRight || h == Qt::AlignTrailing)
        return QStringLiteral("text-align:right");
    if (h == Qt::AlignJustify)
        return QStringLiteral("text-align:justify");
    return {};
}

QString blockStyle(const QTextBlockFormat &bf)
{
    QStringList style;
    if (const QString a = alignmentStyle(bf.alignment()); !a.isEmpty())
        style << a;
    if (bf.leftMargin() > 0)
        style << QStringLiteral("margin-left:%1px").arg(bf.leftMargin());
    if (bf.textIndent() != 0)
        style << QStringLiteral("text-indent:%1px").arg(bf.textIndent());
    return style.isEmpty() ? QString() : QStringLiteral(" style=\"%1\"").arg(style.join(QLatin1Char(';')));
}

class HtmlWriter {
public:
    HtmlWriter(const QTextDocument &doc, exporting::PictureUrls &pictures) : m_doc(doc), m_pictures(pictures)
    {
        findBodyText();
        m_span = [this](const QTextCharFormat &f) { return spanStyle(f); };
    }

    QString write(const QString &title)
    {
        QString body = QStringLiteral("font-family: %1; font-size: %2pt;")
                           .arg(cssFamily(m_family))
                           .arg(m_size);
        if (!m_colour.isEmpty())
            body += QStringLiteral(" color: %1;").arg(m_colour);
        // The body first: its tables add their rules to the style sheet.
        m_out.clear();
        frame(m_doc.rootFrame());
        footnotes();
        QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n"
                                      "<title>%1</title>\n<style>\nbody { %2 }\n"
                                      "table { border-collapse: collapse; }\n"
                                      "td, th { border: 1px solid #999; padding: 0.2em 0.4em; vertical-align: top; }\n")
                           .arg(escaped(title.trimmed().isEmpty() ? QStringLiteral("Dokument") : title.trimmed()),
                                body);
        html += m_sheet;
        html += QLatin1String("</style>\n</head>\n<body>\n");
        html += m_out;
        html += QLatin1String("</body>\n</html>\n");
        return html;
    }

    // One table alone, as the page's body would hold it.
    QString tableFragment(const QTextTable *t)
    {
        QString out;
        m_out.swap(out);
        // No style sheet around it: each run says its own look.
        m_inFragment = true;
        table(t);
        m_inFragment = false;
        m_out.swap(out);
        return out;
    }

private:
    struct TextLook {
        QString family;
        double size = 0;
        QString colour;
    };

    // The face, size and colour most of the text has.
    void findBodyText()
    {
        const QFont base = m_doc.defaultFont();
        const TextLook look = mostOf(m_doc.begin(), QTextBlock(), {base.family(), base.pointSizeF(), QString()});
        m_family = look.family;
        m_size = look.size;
        m_colour = look.colour;
    }

    // The face, size and colour most of the text of the blocks from `first`
    // up to `end` (not included) has; `fallback` when they hold no text.
    TextLook mostOf(QTextBlock first, const QTextBlock &end, const TextLook &fallback) const
    {
        QHash<QString, qint64> families, colours;
        QHash<double, qint64> sizes;
        const QFont base = m_doc.defaultFont();
        for (QTextBlock b = first; b.isValid() && b != end; b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (!f.isValid() || f.charFormat().isImageFormat())
                    continue;
                const QTextCharFormat cf = f.charFormat();
                families[familyOf(cf, base.family())] += f.length();
                sizes[sizeOf(cf, base.pointSizeF())] += f.length();
                colours[colourOf(cf)] += f.length();
            }
        }
        auto most = [](const auto &hash, auto start) {
            auto best = start;
            qint64 count = -1;
            for (auto it = hash.begin(); it != hash.end(); ++it)
                if (it.value() > count || (it.value() == count && it.key() < best))
                    best = it.key(), count = it.value();
            return best;
        };
        return {most(families, fallback.family), most(sizes, fallback.size), most(colours, fallback.colour)};
    }

    // What of `look` differs from the text around: for a list or a table
    // whose every run would otherwise say it.
    QString lookStyle(const TextLook &look) const
    {
        QStringList style;
        if (look.family != m_family)
            style << QStringLiteral("font-family:%1").arg(cssFamily(look.family));
        if (look.size != m_size)
            style << QStringLiteral("font-size:%1pt").arg(look.size);
        if (look.colour != m_colour)
            style << QStringLiteral("color:%1").arg(look.colour.isEmpty() ? QStringLiteral("#000000") : look.colour);
        return style.join(QLatin1Char(';'));
    }

    // Makes `look` the text around while a table is written; gives back
    // the look it replaced.
    TextLook enter(const TextLook &look)
    {
        TextLook outer{m_family, m_size, m_colour};
        m_family = look.family;
        m_size = look.size;
        m_colour = look.colour;
        return outer;
    }

    QString spanStyle(const QTextCharFormat &f) const
    {
        QStringList style;
        const QString family = familyOf(f, m_doc.defaultFont().family());
        if (family != m_family)
            style << QStringLiteral("font-family:%1").arg(cssFamily(family));
        const double size = sizeOf(f, m_doc.defaultFont().pointSizeF());
        if (size != m_size)
            style << QStringLiteral("font-size:%1pt").arg(size);
        const QString colour = colourOf(f);
        if (colour != m_colour)
            style << QStringLiteral("color:%1").arg(colour.isEmpty() ? QStringLiteral("#000000") : colour);
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            style << QStringLiteral("background-color:%1").arg(f.background().color().name());
        return style.join(QLatin1Char(';'));
    }

    // ---- inline content

    static QString image(const Inline &n)
    {
        QString tag = QStringLiteral("<img src=\"") + n.value + QLatin1Char('"');
        if (n.width > 0 && n.height > 0)
            tag += QStringLiteral(" width=\"%1\" height=\"%2\"").arg(n.width).arg(n.height);
        return tag + QStringLiteral(" alt=\"\">");
    }

    QString inlines(const std::vector<Inline> &nodes) const
    {
        QString out;
        for (const Inline &n : nodes) {
            if (n.kind == Inline::Text) {
                out += escaped(n.value);
            } else if (n.kind == Inline::Picture) {
                out += image(n);
            } else if (n.kind == Inline::Note) {
                out += noteReference(n);
            } else {
                const QString name = exporting::htmlTag(n.kind);
                out += QLatin1Char('<') + name;
                if (n.kind == Inline::Link)
                    out += QStringLiteral(" href=\"") + escaped(n.value) + QLatin1Char('"');
                else if (n.kind == Inline::Span)
                    out += QStringLiteral(" style=\"") + escaped(n.value) + QLatin1Char('"');
                out += QLatin1Char('>') + inlines(n.children) + QStringLiteral("</") + name + QLatin1Char('>');
            }
        }
        return out;
    }

    // ---- notes: a raised link to the note, the notes in a list at the end

    QString noteReference(const Inline &n) const
    {
        const auto known = m_noteNumbers.constFind(n.note);
        const bool first = known == m_noteNumbers.cend();
        const int number = first ? int(m_notes.size()) + 1 : *known;
        if (first) {
            m_noteNumbers.insert(n.note, number);
            m_notes.push_back(n.value);
        }
        const QString mark = n.mark.trimmed().isEmpty() ? QString::number(number) : n.mark.trimmed();
        // The id only once: a mark the document repeats links to the same note.
        const QString id = first ? QStringLiteral(" id=\"fnref%1\"").arg(number) : QString();
        return QStringLiteral("<sup><a href=\"#fn%1\"%2>%3</a></sup>").arg(number).arg(id, escaped(mark));
    }

    void footnotes()
    {
        if (m_notes.empty())
            return;
        m_out += QLatin1String("<section class=\"footnotes\">\n<ol>\n");
        for (size_t i = 0; i < m_notes.size(); ++i) {
            QString text = escaped(m_notes[i]);
            text.replace(QLatin1Char('\n'), QLatin1String("<br>"));
            m_out += QStringLiteral("<li id=\"fn%1\">%2 <a href=\"#fnref%1\">\u21A9</a></li>\n").arg(i + 1).arg(text);
        }
        m_out += QLatin1String("</ol>\n</section>\n");
    }

    mutable QHash<int, int> m_noteNumbers; // NoteId -> number in the page
    mutable std::vector<QString> m_notes;  // their texts, by number

    // ---- blocks

    struct OpenList {
        QTextList *list;
        int indent;
        QString tag;
        QString itemStyle; // every item's, written on the list instead
    };

    // The paragraph style all items of `list` share, empty when they differ.
    // Once for each list: a list broken by other paragraphs opens again.
    QString sharedItemStyle(const QTextList *list)
    {
        const auto known = m_sharedStyles.constFind(list);
        if (known != m_sharedStyles.cend())
            return *known;
        const int count = list->count();
        QString style = count < 2 ? QString() : blockStyle(list->item(0).blockFormat());
        for (int i = 1; i < count && !style.isEmpty(); ++i) {
            if (blockStyle(list->item(i).blockFormat()) != style)
                style.clear();
        }
        m_sharedStyles.insert(list, style);
        return style;
    }

    QHash<const QTextList *, QString> m_sharedStyles;

    void closeLists(int toDepth = 0)
    {
        while (int(m_lists.size()) > toDepth) {
            m_out += QStringLiteral("</li>\n</") + m_lists.back().tag + QStringLiteral(">\n");
            m_lists.pop_back();
        }
    }

    void frame(const QTextFrame *f) { items(f->begin()); }

    // The blocks and frames of a frame or table cell. Lists do not reach
    // out of either.
    void items(QTextFrame::iterator it)
    {
        std::vector<OpenList> outer;
        outer.swap(m_lists);
        for (; !it.atEnd(); ++it) {
            if (const QTextFrame *child = it.currentFrame()) {
                closeLists();
                if (const auto *table = qobject_cast<const QTextTable *>(child))
                    this->table(table);
                else
                    frame(child);
            } else {
                block(it.currentBlock());
            }
        }
        closeLists();
        m_lists.swap(outer);
    }

    void block(const QTextBlock &b)
    {
        const std::vector<Inline> nodes = exporting::inlineTree(m_doc, b, m_pictures, m_span);
        const QTextBlockFormat bf = b.blockFormat();
        if (QTextList *list = b.textList()) {
            listItem(b, list, nodes);
            return;
        }
        closeLists();
        // A rule follows its paragraph, which is most often empty.
        const bool rule = bf.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
        if (!exporting::hasContent(nodes)) {
            if (rule)
                m_out += QStringLiteral("<hr>\n");
            return; // empty paragraphs are spacing, which the style sheet gives
        }
        if (rule) {
            QTextBlockFormat plain = bf;
            plain.clearProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
            paragraph(nodes, plain);
            m_out += QStringLiteral("<hr>\n");
            return;
        }
        paragraph(nodes, bf);
    }

    void paragraph(const std::vector<Inline> &nodes, const QTextBlockFormat &bf)
    {
        const QString style = blockStyle(bf);
        const int level = bf.headingLevel();
        if (level >= 1 && level <= 6) {
            m_out += QStringLiteral("<h%1%2>").arg(level).arg(style) + inlines(nodes)
                + QStringLiteral("</h%1>\n").arg(level);
            return;
        }
        // A picture on its own in its paragraph is a figure.
        if (nodes.size() == 1 && nodes.front().kind == Inline::Picture) {
            m_out += QStringLiteral("<figure%1>").arg(style) + image(nodes.front()) + QStringLiteral("</figure>\n");
            return;
        }
        m_out += QStringLiteral("<p%1>").arg(style) + inlines(nodes) + QStringLiteral("</p>\n");
    }

    void listItem(const QTextBlock &b, QTextList *list, const std::vector<Inline> &nodes)
    {
        const QTextListFormat format = list->format();
        const int indent = std::max(1, format.indent());
        while (!m_lists.empty()
               && (m_lists.back().indent > indent || (m_lists.back().indent == indent && m_lists.back().list != list)))
            closeLists(int(m_lists.size()) - 1);
        if (!m_lists.empty() && m_lists.back().list == list) {
            m_out += QStringLiteral("</li>\n");
        } else {
            const bool ordered = format.style() <= QTextListFormat::ListDecimal
                && format.style() != QTextListFormat::ListStyleUndefined;
            const QString tag = ordered ? QStringLiteral("ol") : QStringLiteral("ul");
            const int first = list->itemNumber(b) + 1;
            QString type; // letters and roman numbers; decimal is the default
            switch (format.style()) {
            case QTextListFormat::ListLowerAlpha: type = QStringLiteral(" type=\"a\""); break;
            case QTextListFormat::ListUpperAlpha: type = QStringLiteral(" type=\"A\""); break;
            case QTextListFormat::ListLowerRoman: type = QStringLiteral(" type=\"i\""); break;
            case QTextListFormat::ListUpperRoman: type = QStringLiteral(" type=\"I\""); break;
            default: break;
            }
            const QString shared = sharedItemStyle(list);
            m_out += QLatin1Char('<') + tag + type
                + (ordered && first != 1 ? QStringLiteral(" start=\"%1\"").arg(first) : QString()) + shared
                + QStringLiteral(">\n");
            m_lists.push_back({list, indent, tag, shared});
        }
        const QString style = blockStyle(b.blockFormat());
        m_out += QStringLiteral("<li%1>").arg(style == m_lists.back().itemStyle ? QString() : style)
            + inlines(nodes);
    }

    void table(const QTextTable *t)
    {
        const int headerRows = t->format().headerRowCount();
        // A face, size or colour most of the table's text has is said once,
        // on the table, not in every cell; the runs say where they differ.
        const TextLook look = m_inFragment ? TextLook{m_family, m_size, m_colour}
                                           : mostOf(t->firstCursorPosition().block(),
                                                    t->lastCursorPosition().block().next(), {m_family, m_size, m_colour});
        const QString style = lookStyle(look);
        const TextLook outer = enter(look);
        if (style.isEmpty()) {
            m_out += QStringLiteral("<table>\n");
        } else {
            // A rule of the style sheet for the table's cells: text does not
            // take a table's own font everywhere. A class for each table, in
            // the order they open, so a nested table's rule comes later and wins.
            const QString name = QStringLiteral("t%1").arg(++m_tableClasses);
            m_sheet += QStringLiteral(".%1 td, .%1 th { %2; }\n").arg(name, QString(style).replace(QLatin1Char(';'), QLatin1String("; ")));
            m_out += QStringLiteral("<table class=\"%1\">\n").arg(name);
        }
        for (int r = 0; r < t->rows(); ++r) {
            m_out += QStringLiteral("<tr>");
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue; // covered by a merged cell
                const QString tag = r < headerRows ? QStringLiteral("th") : QStringLiteral("td");
                m_out += QLatin1Char('<') + tag;
                if (cell.columnSpan() > 1)
                    m_out += QStringLiteral(" colspan=\"%1\"").arg(cell.columnSpan());
                if (cell.rowSpan() > 1)
                    m_out += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan());
                m_out += QLatin1Char('>');
                cellContent(cell);
                m_out += QStringLiteral("</") + tag + QLatin1Char('>');
            }
            m_out += QStringLiteral("</tr>\n");
        }
        m_out += QStringLiteral("</table>\n");
        enter(outer);
    }

    // A cell of one plain paragraph holds its text alone.
    void cellContent(const QTextTableCell &cell)
    {
        auto it = cell.begin();
        const QTextBlock first = it.currentBlock();
        ++it;
        if (it.atEnd() && first.isValid() && !first.textList() && first.blockFormat().headingLevel() == 0) {
            m_out += inlines(exporting::inlineTree(m_doc, first, m_pictures, m_span));
            return;
        }
        m_out += QLatin1Char('\n');
        items(cell.begin());
    }

    const QTextDocument &m_doc;
    exporting::PictureUrls &m_pictures;
    exporting::SpanStyle m_span;
    QString m_family;
    double m_size = 0;
    QString m_colour;
    QString m_out;
    QString m_sheet; // rules for the tables' text
    int m_tableClasses = 0;
    bool m_inFragment = false;
    std::vector<OpenList> m_lists;
};

} // namespace

namespace exporting {

std::function<QString(const QTextTable *)> htmlTableWriter(const QTextDocument &doc, PictureUrls &pictures)
{
    auto writer = std::make_shared<HtmlWriter>(doc, pictures);
    return [writer](const QTextTable *t) { return writer->tableFragment(t); };
}

} // namespace exporting

QByteArray toHtml(const QTextDocument &doc, const QString &title)
{
    const QString own = doc.metaInformation(QTextDocument::DocumentTitle).trimmed();
    exporting::PictureUrls pictures;
    return pictures.toUtf8(HtmlWriter(doc, pictures).write(own.isEmpty() ? title : own));
}

} // namespace borovka
