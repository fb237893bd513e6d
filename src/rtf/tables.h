#pragma once

// What the RTF reader and writer agree on about tables beyond what Qt's
// table formats hold.

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFormat>
#include <QTextTable>

namespace rtf::detail {

enum TableProperty {
    // A cell the reader added only to fill a row that has fewer cells than
    // the table has columns; written back only if text was typed into it.
    FillerCell = QTextFormat::UserProperty + 0x5400,
    // The table's width in twips as the file gave it. Columns are shown as
    // shares of the line, so a table fits the editing area as it fits the
    // page; the writer turns the shares back into these twips.
    TableWidthTwips,
};

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

// Page width between the margins of an A4 page with 2 cm margins, in
// twips: the width of tables whose columns give no width of their own.
inline constexpr int kTableTextWidth = 9638;

} // namespace rtf::detail
