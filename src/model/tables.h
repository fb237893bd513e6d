#pragma once

// What a table holds beyond Qt's table formats (TableProperty), as
// every format's reader and writer agree on it.

#include "properties.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFormat>
#include <QTextTable>

#include <vector>

namespace model {

// A filler cell nobody typed in: no part of the file's table.
inline bool isEmptyFiller(const QTextTableCell &cell)
{
    return cell.format().boolProperty(FillerCell) && cell.firstPosition() == cell.lastPosition();
}

// Whether the paragraph is the empty one of such a cell, which a save
// does not write.
inline bool inEmptyFiller(const QTextBlock &block)
{
    const QTextTable *table = QTextCursor(block).currentTable();
    return table && isEmptyFiller(table->cellAt(block.position()));
}

// Qt keeps a paragraph before every table; an empty one that starts the
// document, a frame or a cell, right before a table of its own, is no
// paragraph of the text, and other word processors would show it. One in
// a list shows its label, and one the reader marked came from the file.
bool leadsTable(const QTextBlock &block);

// For a reader about to put a table in at the cursor, when the cursor's
// block is a paragraph the file ended there: if it is empty, marks it as
// the file's, so that leadsTable() leaves it to be written.
void markOwnParagraphBeforeTable(QTextCursor &cursor);

// The cells of a row as a writer writes them: those covered from above
// included, without the empty cells that only fill a short row.
std::vector<QTextTableCell> rowCells(const QTextTable *table, int row);

// Page width between the margins of an A4 page with 2 cm margins, in
// twips: the width of tables whose columns give no width of their own.
inline constexpr int kTableTextWidth = 9638;

// The narrowest column a writer gives a table, in twips.
inline constexpr int kMinColumnTwips = 300;
// \cellx differing by less than this from a column's edge end on that
// edge, as the RTF reader places a row's cells.
inline constexpr int kEdgeTolerance = 30;

// The table's columns in twips, as every writer lays them out: fixed
// widths as they are, percentages of the room there is (the table's own
// width, else the width of the cell or page around it, else
// kTableTextWidth), and columns without a width share what is left.
std::vector<int> columnWidthsTwips(const QTextTableFormat &format, int columns, int outerWidth);

} // namespace model
