// Tables: table:table read into QTextTable as the RTF reader makes them:
// the grid first (columns and rows as repeated, every count bounded), then
// the cells' content, merged cells, widths as shares of the table
// (TableWidthTwips keeps the twips), filler cells for short rows.

#include "readerimpl.h"

#include "model/properties.h"
#include "model/tables.h"

#include <QTextDocument>
#include <QTextTable>

namespace odt::detail {

namespace {

QLatin1StringView L(const char *s)
{
    return QLatin1StringView(s);
}

// Cells that repeated rows may add to a table; a Writer table repeats a
// few empty rows.
constexpr qint64 kMaxRepeatedCells = 100'000;

struct CellRef {
    const Node *node;
    int column;
    int rows;
    int columns;
    bool copy; // a repeat of the cell before: its content is read again
};

struct RowRef {
    std::vector<CellRef> cells;
    std::vector<const Node *> overflow; // cells past the last column
    int width = 0;                      // positions the row fills
};

// What reading a node costs: its elements and text, counted once.
qint64 weightOf(const Node &n)
{
    if (n.weight < 0) {
        qint64 w = 1 + n.text.size() / 64;
        for (const Node &k : n.kids)
            w += weightOf(k);
        n.weight = w;
    }
    return n.weight;
}

} // namespace

bool Reader::spendRepeat(const Node &n)
{
    const qint64 w = weightOf(n);
    if (w > m_repeatBudget)
        return false;
    m_repeatBudget -= w;
    return true;
}

void Reader::table(const Node &n)
{
    Style *tableStyle = findStyle(n.attr(ns::table, L("style-name")), QStringLiteral("table"));
    // Columns, with their widths.
    std::vector<int> widths;
    std::vector<int> rel;
    auto columns = [&](auto &&self, const Node &parent) -> void {
        for (const Node &c : parent.kids) {
            if (c.is(ns::table, L("table-column"))) {
                const int room = limits::maxColumns - int(widths.size());
                if (room <= 0)
                    continue;
                const int repeat = std::clamp(c.attr(ns::table, L("number-columns-repeated")).toLongLong(), 1ll, qint64(room));
                const Style *s = findStyle(c.attr(ns::table, L("style-name")), QStringLiteral("table-column"));
                widths.insert(widths.end(), size_t(repeat), s ? s->columnWidth : -1);
                rel.insert(rel.end(), size_t(repeat), s ? s->relWidth : -1);
            } else if (c.is(ns::table, L("table-columns")) || c.is(ns::table, L("table-header-columns"))
                       || c.is(ns::table, L("table-column-group"))) {
                self(self, c);
            }
        }
    };
    columns(columns, n);

    // Rows, cells placed on the grid.
    std::vector<RowRef> rows;
    int headerRows = 0;
    qint64 repeated = 0;
    int most = int(widths.size());
    auto readRow = [&](const Node &r) {
        RowRef row;
        int column = 0;
        for (const Node &c : r.kids) {
            const bool covered = c.is(ns::table, L("covered-table-cell"));
            if (!covered && !c.is(ns::table, L("table-cell")))
                continue;
            const qint64 repeat = std::clamp(c.attr(ns::table, L("number-columns-repeated")).toLongLong(), 1ll,
                                             qint64(limits::maxColumns));
            for (qint64 k = 0; k < repeat; ++k) {
                if (column >= limits::maxColumns) {
                    // Past the last column the text goes on in the row's last cell.
                    if (!covered && row.overflow.size() < 100000 && k == 0)
                        row.overflow.push_back(&c);
                    break;
                }
                if (!covered) {
                    const int spanC = std::clamp(c.attr(ns::table, L("number-columns-spanned")).toInt(), 1,
                                                 limits::maxColumns - column);
                    const int spanR = std::clamp(c.attr(ns::table, L("number-rows-spanned")).toInt(), 1, 1 << 20);
                    row.cells.push_back({&c, column, spanR, spanC, k > 0});
                    row.width = std::max(row.width, column + spanC);
                }
                ++column;
                row.width = std::max(row.width, column);
            }
        }
        most = std::max(most, row.width);
        qint64 repeat = std::clamp(r.attr(ns::table, L("number-rows-repeated")).toLongLong(), 1ll, kMaxRepeatedCells);
        if (repeat > 1) {
            const qint64 room = std::max<qint64>(0, kMaxRepeatedCells - repeated) / std::max(1, row.width);
            repeat = std::clamp<qint64>(repeat, 1, 1 + room);
            repeated += (repeat - 1) * std::max(1, row.width);
        }
        rows.push_back(row);
        for (CellRef &c : row.cells)
            c.copy = true;
        row.overflow.clear();
        for (qint64 k = 1; k < repeat; ++k)
            rows.push_back(row);
    };
    auto readRows = [&](auto &&self, const Node &parent, bool header) -> void {
        for (const Node &r : parent.kids) {
            if (r.is(ns::table, L("table-row"))) {
                readRow(r);
                if (header)
                    headerRows = int(rows.size());
            } else if (r.is(ns::table, L("table-header-rows"))) {
                self(self, r, rows.size() == size_t(headerRows));
            } else if (r.is(ns::table, L("table-rows")) || r.is(ns::table, L("table-row-group"))) {
                self(self, r, false);
            }
        }
    };
    readRows(readRows, n, false);
    if (rows.empty() || most == 0) {
        return; // no cell: nothing shows
    }
    most = std::clamp(most, 1, limits::maxColumns);
    // A table past the cells allowed (of one table, and of the document's
    // tables together): further rows go on in the last one.
    const qint64 room = std::min(limits::maxTableCells, std::max<qint64>(most, limits::maxDocumentCells - m_tableCells));
    const size_t rowLimit = size_t(std::max<qint64>(1, room / most));
    if (rows.size() > rowLimit) {
        RowRef &last = rows[rowLimit - 1];
        for (size_t r = rowLimit; r < rows.size(); ++r) {
            for (const CellRef &c : rows[r].cells) {
                if (last.overflow.size() < 100000 && !c.copy)
                    last.overflow.push_back(c.node);
            }
        }
        rows.resize(rowLimit);
    }

    if (m_b.tableDepth >= limits::maxTableDepth) {
        // Nested past the limit: the cells' paragraphs are read in turn.
        for (const RowRef &r : rows) {
            for (const CellRef &c : r.cells) {
                if (!c.copy)
                    readBlocks(*c.node);
            }
        }
        return;
    }

    // The table goes after the paragraph before it; an empty one at the
    // start of a cell or the document stays before it, as Qt needs.
    QTextTableFormat tf;
    tf.setCellPadding(0);
    tf.setCellSpacing(0);
    tf.setBorder(0);
    if (tableStyle && tableStyle->par.pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore)
        tf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor at = m_b.cursor;
    if (!m_b.reuseBlock) // a paragraph of the file, not Qt's
        model::markOwnParagraphBeforeTable(at);
    m_tableCells += qint64(rows.size()) * most;
    QTextTable *t = at.insertTable(int(rows.size()), most, tf);
    const ListContext savedList = m_b.list;
    m_b.list = ListContext();
    ++m_b.tableDepth;
    QTextTableCellFormat filler;
    filler.setProperty(model::FillerCell, true);
    for (int r = 0; r < int(rows.size()); ++r) {
        const RowRef &row = rows[size_t(r)];
        for (const CellRef &c : row.cells) {
            QTextTableCell cell = t->cellAt(r, c.column);
            m_b.cursor = cell.firstCursorPosition();
            m_b.reuseBlock = true;
            // Repeats read the same content again: as much as a budget
            // allows, or a few bytes would make gigabytes.
            if (!c.copy || spendRepeat(*c.node))
                readBlocks(*c.node);
            if (&c == &row.cells.back()) {
                for (const Node *extra : row.overflow)
                    readBlocks(*extra);
            }
        }
        // After the content: the first paragraph's character format is
        // where Qt keeps the cell's.
        for (const CellRef &c : row.cells) {
            if (const Style *s = findStyle(c.node->attr(ns::table, L("style-name")), QStringLiteral("table-cell"));
                s && !s->cell.properties().isEmpty()) {
                // Merged into what is there: the first paragraph's font stays.
                QTextTableCell cell = t->cellAt(r, c.column);
                QTextTableCellFormat f = cell.format().toTableCellFormat();
                f.merge(s->cell);
                cell.setFormat(f);
            }
        }
        for (int c = row.width; c < most; ++c)
            t->cellAt(r, c).setFormat(filler);
    }
    --m_b.tableDepth;
    m_b.list = savedList;
    // Merged cells, under the bound on what merging may cost.
    for (int r = 0; r < int(rows.size()); ++r) {
        for (const CellRef &c : rows[size_t(r)].cells) {
            if (c.rows == 1 && c.columns == 1)
                continue;
            const int spanR = std::min(c.rows, int(rows.size()) - r);
            const int spanC = std::min(c.columns, most - c.column);
            const qint64 cost = qint64(rows.size()) * most;
            if (m_mergeWork + cost > limits::maxTableMergeWork)
                continue;
            m_mergeWork += cost;
            if (spanR > 1 || spanC > 1)
                t->mergeCells(r, c.column, spanR, spanC);
        }
    }
    // Widths: shares of the table, the twips kept.
    QTextTableFormat f = t->format();
    qint64 total = 0;
    bool allGiven = widths.size() >= size_t(most);
    for (int c = 0; c < most && allGiven; ++c) {
        if (widths[size_t(c)] <= 0)
            allGiven = false;
        else
            total += widths[size_t(c)];
    }
    if (!allGiven) {
        // Relative widths alone: shares of the table's width.
        bool relGiven = rel.size() >= size_t(most);
        qint64 sum = 0;
        for (int c = 0; c < most && relGiven; ++c) {
            relGiven = rel[size_t(c)] > 0;
            sum += rel[size_t(c)];
        }
        if (relGiven && sum > 0) {
            const int tableTwips = tableStyle && tableStyle->tableWidth > 0 ? tableStyle->tableWidth : model::kTableTextWidth;
            for (int c = 0; c < most; ++c)
                widths[size_t(c)] = int(qint64(rel[size_t(c)]) * tableTwips / sum);
            total = tableTwips;
            allGiven = true;
        }
    }
    if (allGiven && total > 0) {
        QList<QTextLength> lengths;
        for (int c = 0; c < most; ++c)
            lengths.append(QTextLength(QTextLength::PercentageLength, widths[size_t(c)] * 100.0 / total));
        f.setColumnWidthConstraints(lengths);
        const int twips = int(std::min<qint64>(total, 8 * limits::maxTwips));
        f.setProperty(model::TableWidthTwips, twips);
        const double share = m_b.tableDepth > 0 ? 100.0 : std::min(100.0, twips * 100.0 / model::kTableTextWidth);
        f.setWidth(QTextLength(QTextLength::PercentageLength, share));
    }
    if (headerRows > 0 && headerRows < int(rows.size()))
        f.setHeaderRowCount(headerRows);
    t->setFormat(f);
    m_b.cursor = at;
    m_b.cursor.setPosition(t->lastPosition() + 1);
    m_b.reuseBlock = true;
    m_b.lastSpace = true;
    m_b.trailingSpace = -1;
}

} // namespace odt::detail
