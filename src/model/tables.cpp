#include "tables.h"

#include "units.h"

namespace model {

std::vector<QTextTableCell> rowCells(const QTextTable *table, int row)
{
    std::vector<QTextTableCell> cells;
    for (int c = 0; c < table->columns();) {
        const QTextTableCell cell = table->cellAt(row, c);
        if (!cell.isValid())
            break;
        cells.push_back(cell);
        c = cell.column() + std::max(1, cell.columnSpan());
    }
    while (!cells.empty() && cells.back().row() == row && isEmptyFiller(cells.back()))
        cells.pop_back();
    return cells;
}

std::vector<int> columnWidthsTwips(const QTextTableFormat &format, int columns, int outerWidth)
{
    const int own = format.intProperty(TableWidthTwips);
    const int room = own > 0 ? std::min(own, kMaxTwips) : outerWidth > 0 ? outerWidth : kTableTextWidth;
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    std::vector<int> widths(size_t(std::max(columns, 0)), 0);
    int fixed = 0, open = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength l = c < constraints.size() ? constraints[c] : QTextLength();
        int w = 0;
        if (l.type() == QTextLength::FixedLength)
            w = roundedInt(l.rawValue() * kTwipsPerPixel);
        else if (l.type() == QTextLength::PercentageLength)
            w = roundedInt(l.rawValue() * room / 100.0);
        if (w > 0) {
            widths[size_t(c)] = std::min(w, kMaxTwips);
            fixed += widths[size_t(c)];
        } else {
            ++open;
        }
    }
    for (int &w : widths) {
        if (w == 0)
            w = std::max(kMinColumnTwips, (room - fixed) / std::max(1, open));
    }
    return widths;
}

bool leadsTable(const QTextBlock &block)
{
    const QTextBlock next = block.next();
    if (block.length() != 1 || !next.isValid() || block.textList()
        || block.blockFormat().boolProperty(OwnParagraphBeforeTable))
        return false;
    const QTextTable *table = QTextCursor(next).currentTable();
    if (!table || table->firstPosition() != next.position())
        return false;
    const QTextCursor own(block);
    const QTextTable *around = own.currentTable();
    const int start = around ? around->cellAt(block.position()).firstPosition() : own.currentFrame()->firstPosition();
    return around != table && start == block.position();
}

void markOwnParagraphBeforeTable(QTextCursor &cursor)
{
    if (cursor.block().length() != 1)
        return;
    QTextBlockFormat own;
    own.setProperty(OwnParagraphBeforeTable, true);
    cursor.mergeBlockFormat(own);
}

} // namespace model
