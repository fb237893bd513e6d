// CommonMark with the two extensions readers commonly know: ~~strikethrough~~
// and pipe tables. Where the light syntax could be misread (an emphasis edge
// at punctuation, two emphases touching) the element is written as inline
// HTML instead, which every CommonMark reader takes as it is.

#include "convert.h"
#include "inlinetree.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QRegularExpression>
#include <QTextTable>

namespace borovka {

namespace {

using exporting::Inline;

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber();
}

QString firstText(const Inline &node)
{
    return node.children.empty() || node.children.front().kind != Inline::Text ? QString()
                                                                                : node.children.front().value;
}

QString lastText(const Inline &node)
{
    return node.children.empty() || node.children.back().kind != Inline::Text ? QString()
                                                                               : node.children.back().value;
}

// The delimiters CommonMark reads only between letters or digits are safe:
// they open and close wherever they stand, and cannot pair with others.
bool canUseDelimiters(const Inline &node)
{
    if (node.kind != Inline::Bold && node.kind != Inline::Italic && node.kind != Inline::Strike)
        return false;
    const QString first = firstText(node), last = lastText(node);
    return !first.isEmpty() && !last.isEmpty() && isWordChar(first.front()) && isWordChar(last.back());
}

// QString::simplified() without touching no-break spaces, which it takes
// for blanks like any other: runs of blanks become one space, none at the
// ends.
QString collapseBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (c.isSpace() && c != QChar::Nbsp) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

class MarkdownWriter {
public:
    explicit MarkdownWriter(const QTextDocument &doc) : m_doc(doc) {}

    QString write()
    {
        frame(m_doc.rootFrame());
        footnotes();
        while (m_out.endsWith(QLatin1Char('\n')))
            m_out.chop(1);
        return m_out.isEmpty() ? m_out : m_out + QLatin1Char('\n');
    }

    // The page written, in UTF-8 with its pictures.
    QByteArray toUtf8(const QString &page) const { return m_pictures.toUtf8(page); }

private:
    // ---- inline content

    // `lineBreak` is what a line break becomes: a backslash and a new line in
    // a paragraph, <br> in a table cell, a space in a heading.
    QString inlines(const std::vector<Inline> &nodes, const QString &lineBreak)
    {
        QString out;
        bool previousDelimited = false;
        for (const Inline &n : nodes) {
            switch (n.kind) {
            case Inline::Text:
                out += text(n.value, lineBreak);
                previousDelimited = false;
                break;
            case Inline::Picture:
                m_atLineStart = false;
                out += QStringLiteral("![](") + n.value + QLatin1Char(')');
                previousDelimited = false;
                break;
            case Inline::Link:
                m_atLineStart = false;
                out += QLatin1Char('[') + inlines(n.children, lineBreak) + QStringLiteral("](")
                    + destination(n.value) + QLatin1Char(')');
                previousDelimited = false;
                break;
            case Inline::Span:
                out += inlines(n.children, lineBreak);
                previousDelimited = false;
                break;
            case Inline::Note: {
                // GFM footnotes: [^1] here, its text at the end.
                m_atLineStart = false;
                const auto known = m_noteNumbers.constFind(n.note);
                int number = known == m_noteNumbers.cend() ? int(m_notes.size()) + 1 : *known;
                if (known == m_noteNumbers.cend()) {
                    m_noteNumbers.insert(n.note, number);
                    m_notes.push_back(n.value);
                }
                out += QStringLiteral("[^%1]").arg(number);
                previousDelimited = false;
                break;
            }
            default: {
                // Two delimited runs side by side would merge into one run of
                // delimiters: the second is written as HTML.
                const bool delimited = canUseDelimiters(n) && !previousDelimited;
                m_atLineStart = false;
                const QString inner = inlines(n.children, lineBreak);
                out += delimited ? delimiter(n.kind) + inner + delimiter(n.kind)
                                 : openTag(n.kind) + inner + closeTag(n.kind);
                previousDelimited = delimited;
            }
            }
        }
        return out;
    }

    static QString delimiter(Inline::Kind kind)
    {
        switch (kind) {
        case Inline::Bold: return QStringLiteral("**");
        case Inline::Italic: return QStringLiteral("*");
        default: return QStringLiteral("~~");
        }
    }

    static QString openTag(Inline::Kind kind) { return QLatin1Char('<') + exporting::htmlTag(kind) + QLatin1Char('>'); }
    static QString closeTag(Inline::Kind kind) { return QStringLiteral("</") + exporting::htmlTag(kind) + QLatin1Char('>'); }

    // Link addresses with nothing a reader could take for the end of the link.
    static QString destination(const QString &href)
    {
        QString out;
        for (const QChar c : href) {
            if (c.unicode() <= 0x20 || c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('<')
                || c == QLatin1Char('>') || c == QLatin1Char('\\') || c == QLatin1Char('`'))
                out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
            else
                out += c;
        }
        return out;
    }

    // Plain text with every character Markdown could read as syntax escaped.
    // Spaces at the start and end of a line mean nothing and two at the end
    // would break the line, so they are dropped.
    QString text(const QString &value, const QString &lineBreak)
    {
        QString out;
        const QStringList lines = value.split(QChar::LineSeparator);
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                while (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char('\t')))
                    out.chop(1);
                out += lineBreak;
            }
            QString line = lines.at(i);
            line.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += escaped(line, i > 0 || m_atLineStart);
            if (!line.trimmed().isEmpty())
                m_atLineStart = false;
        }
        return out;
    }

    static QString escaped(const QString &line, bool lineStart)
    {
        static const QString always = QStringLiteral("\\`*_[]<>#~|&!");
        QString out;
        out.reserve(line.size() + 8);
        int i = 0;
        if (lineStart) {
            while (i < line.size() && line.at(i) == QLatin1Char(' '))
                ++i;
            // Marks that begin a list item, a heading underline or a numbered item.
            int digits = i;
            while (digits < line.size() && line.at(digits).isDigit() && line.at(digits).unicode() < 128)
                ++digits;
            if (i < line.size() && QStringLiteral("-+=").contains(line.at(i))) {
                out += QLatin1Char('\\');
            } else if (digits > i && digits < line.size()
                       && (line.at(digits) == QLatin1Char('.') || line.at(digits) == QLatin1Char(')'))) {
                out += line.mid(i, digits - i) + QLatin1Char('\\');
                i = digits;
            }
        }
        for (; i < line.size(); ++i) {
            const QChar c = line.at(i);
            // Control characters have no place in Markdown text.
            if (c.unicode() < 0x20)
                continue;
            if (always.contains(c))
                out += QLatin1Char('\\');
            out += c;
        }
        return out;
    }

    // ---- blocks

    void frame(const QTextFrame *f)
    {
        for (auto it = f->begin(); !it.atEnd(); ++it) {
            if (const QTextFrame *child = it.currentFrame()) {
                if (const auto *table = qobject_cast<const QTextTable *>(child))
                    this->table(table);
                else
                    frame(child);
            } else {
                block(it.currentBlock());
            }
        }
    }

    void block(const QTextBlock &b)
    {
        const std::vector<Inline> nodes = exporting::inlineTree(m_doc, b, m_pictures);
        QTextList *list = b.textList();
        // A rule follows its paragraph, which is most often empty; a blank
        // line before it keeps it from underlining a heading.
        const bool rule = !list && b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
        if (!exporting::hasContent(nodes) && !list) {
            if (rule) {
                if (m_lastList)
                    m_out += QLatin1Char('\n');
                m_out += QStringLiteral("---\n\n");
            }
            m_lastList = nullptr;
            return;
        }
        if (rule) {
            paragraph(b, nodes);
            m_out += QStringLiteral("---\n\n");
            return;
        }
        if (list) {
            listItem(b, list, nodes);
            return;
        }
        paragraph(b, nodes);
    }

    void paragraph(const QTextBlock &b, const std::vector<Inline> &nodes)
    {
        if (m_lastList)
            m_out += QLatin1Char('\n');
        m_lastList = nullptr;
        const int level = b.blockFormat().headingLevel();
        m_atLineStart = true;
        if (level >= 1 && level <= 6) {
            m_out += QString(level, QLatin1Char('#')) + QLatin1Char(' ')
                + inlines(nodes, QStringLiteral(" ")).trimmed() + QStringLiteral("\n\n");
            return;
        }
        QString body = inlines(nodes, QStringLiteral("\\\n"));
        while (body.endsWith(QLatin1Char(' ')))
            body.chop(1);
        m_out += body + QStringLiteral("\n\n");
    }

    void listItem(const QTextBlock &b, QTextList *list, const std::vector<Inline> &nodes)
    {
        const QTextListFormat format = list->format();
        const int level = std::max(1, format.indent());
        const bool ordered = format.style() <= QTextListFormat::ListDecimal
            && format.style() != QTextListFormat::ListStyleUndefined;
        const QString marker = ordered ? QString::number(list->itemNumber(b) + 1) + QLatin1Char('.')
                                       : QStringLiteral("-");
        if (!m_lastList)
            m_openLists.clear();
        // An item nests in the items of lower levels before it; a level
        // skipped nests one step all the same, as Markdown has no other way.
        while (!m_openLists.empty()
               && (m_openLists.back().level > level
                   || (m_openLists.back().level == level && m_openLists.back().list != list)))
            m_openLists.pop_back();
        const bool continues = !m_openLists.empty() && m_openLists.back().list == list;
        if (continues)
            m_openLists.pop_back();
        // A different list of the same kind right after would continue this one.
        if (m_lastList && m_lastList != list && m_openLists.empty())
            m_out += QStringLiteral("\n<!-- -->\n\n");
        // Nested items start where the text of their parent item starts.
        const QString indent(m_openLists.empty() ? 0 : m_openLists.back().content, QLatin1Char(' '));
        const QString hang = indent + QString(marker.size() + 1, QLatin1Char(' '));
        m_openLists.push_back({list, level, int(hang.size())});
        m_atLineStart = true;
        QString body = inlines(nodes, QStringLiteral("\\\n") + hang);
        while (body.endsWith(QLatin1Char(' ')))
            body.chop(1);
        m_out += indent + marker + QLatin1Char(' ') + body + QLatin1Char('\n');
        m_lastList = list;
    }

    void table(const QTextTable *t)
    {
        if (m_lastList)
            m_out += QLatin1Char('\n');
        m_lastList = nullptr;
        const int rows = t->rows(), columns = t->columns();
        if (rows == 0 || columns == 0)
            return;
        if (!fitsPipeTable(t)) {
            // An HTML block: CommonMark passes it through whole, and it
            // ends at the first blank line, so it must hold none.
            if (!m_htmlTable)
                m_htmlTable = exporting::htmlTableWriter(m_doc, m_pictures);
            QString html = m_htmlTable(t);
            html.replace(QRegularExpression(QStringLiteral("\\n\\s*\\n")), QStringLiteral("\n"));
            m_out += html.trimmed() + QStringLiteral("\n\n");
            return;
        }
        for (int r = 0; r < rows; ++r) {
            QString line = QStringLiteral("|");
            for (int c = 0; c < columns; ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                // A merged cell's text stands in its first column and row.
                const bool first = cell.row() == r && cell.column() == c;
                line += QLatin1Char(' ') + (first ? cellText(cell) : QString()) + QStringLiteral(" |");
            }
            m_out += line + QLatin1Char('\n');
            if (r == 0) {
                QString rule = QStringLiteral("|");
                for (int c = 0; c < columns; ++c)
                    rule += QStringLiteral(" --- |");
                m_out += rule + QLatin1Char('\n');
            }
        }
        m_out += QLatin1Char('\n');
    }

    // Pipe tables hold one line of text a cell: no merged cells, no
    // tables, lists or headings inside a cell.
    static bool fitsPipeTable(const QTextTable *t)
    {
        for (int r = 0; r < t->rows(); ++r) {
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                    return false;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (it.currentFrame())
                        return false;
                    const QTextBlock b = it.currentBlock();
                    if (b.textList() || b.blockFormat().headingLevel() > 0)
                        return false;
                }
            }
        }
        return true;
    }

    QString cellText(const QTextTableCell &cell)
    {
        QStringList parts;
        for (auto it = cell.begin(); !it.atEnd(); ++it) {
            const QTextBlock b = it.currentBlock();
            if (!b.isValid())
                continue;
            const std::vector<Inline> nodes = exporting::inlineTree(m_doc, b, m_pictures);
            m_atLineStart = false;
            if (exporting::hasContent(nodes))
                parts << inlines(nodes, QStringLiteral("<br>")).trimmed();
        }
        return parts.join(QStringLiteral("<br>"));
    }

    // The notes' definitions, each paragraph after the first indented so
    // that it stays in its note.
    void footnotes()
    {
        if (m_notes.empty())
            return;
        while (m_out.endsWith(QLatin1Char('\n')))
            m_out.chop(1);
        m_out += QStringLiteral("\n\n");
        for (size_t i = 0; i < m_notes.size(); ++i) {
            QStringList paragraphs;
            for (const QString &p : m_notes[i].split(QLatin1Char('\n'))) {
                const QString line = escaped(collapseBlanks(p), false);
                if (!line.isEmpty())
                    paragraphs << line;
            }
            if (paragraphs.isEmpty())
                paragraphs << QString(); // a note without text still defines its mark
            m_out += QStringLiteral("[^%1]: ").arg(i + 1) + paragraphs.join(QStringLiteral("\n\n    ")) + QStringLiteral("\n\n");
        }
    }

    const QTextDocument &m_doc;
    QString m_out;
    QHash<int, int> m_noteNumbers; // NoteId -> number in the text
    std::vector<QString> m_notes;  // their texts, by number
    QTextList *m_lastList = nullptr;
    struct OpenList {
        QTextList *list;
        int level;
        int content; // column where its items' text starts
    };
    std::vector<OpenList> m_openLists;
    exporting::PictureUrls m_pictures;
    std::function<QString(const QTextTable *)> m_htmlTable;
    // Nothing has been written on this line of a paragraph yet.
    bool m_atLineStart = false;
};

} // namespace

QByteArray toMarkdown(const QTextDocument &doc)
{
    MarkdownWriter writer(doc);
    return writer.toUtf8(writer.write());
}

} // namespace borovka
