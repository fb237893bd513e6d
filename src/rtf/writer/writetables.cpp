// Tables as RTF tables: each row a \trowd with its cells' edges, borders,
// shading and merges, then the cells' paragraphs (\intbl) each ended by
// \cell, then \row. Nested tables are written the way word processors
// since 2000 write them (\itapN, \nestcell, \nestrow in \nesttableprops),
// so that readers without nesting still find the text.

#include "writerimpl.h"

#include "model/tables.h"

#include <QTextTable>

#include <algorithm>

namespace rtf::detail {

namespace {

constexpr int kDefaultGap = 108; // what word processors use: 0.075 in
constexpr int kMinColumn = model::kMinColumnTwips;

const char *borderStyleWord(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: return "\\brdrdb";
    case QTextFrameFormat::BorderStyle_Dotted: return "\\brdrdot";
    case QTextFrameFormat::BorderStyle_Dashed: return "\\brdrdash";
    case QTextFrameFormat::BorderStyle_DotDash: return "\\brdrdashd";
    case QTextFrameFormat::BorderStyle_DotDotDash: return "\\brdrdashdd";
    case QTextFrameFormat::BorderStyle_Inset: return "\\brdrinset";
    case QTextFrameFormat::BorderStyle_Outset: return "\\brdroutset";
    case QTextFrameFormat::BorderStyle_Groove: return "\\brdrengrave";
    case QTextFrameFormat::BorderStyle_Ridge: return "\\brdremboss";
    default: return "\\brdrs";
    }
}

// The columns whose right edge is a cell's edge in some row. A cell wider
// than a column is written as one cell up to its right edge where the other
// rows give the edges it crosses; the grid is the union of the rows' edges.
std::vector<char> usedEdges(const QTextTable *table)
{
    const int columns = table->columns();
    std::vector<char> used(size_t(columns), 0);
    for (int r = 0; r < table->rows(); ++r) {
        for (const QTextTableCell &cell : rowCells(table, r))
            used[size_t(std::min(columns, cell.column() + std::max(1, cell.columnSpan())) - 1)] = 1;
    }
    return used;
}

// The columns at whose edge a cell spanning first..last gets a \cellx: its
// last one, and those no other row has an edge at, written as merged cells.
std::vector<int> cellEdges(int first, int last, const std::vector<char> &used)
{
    std::vector<int> edges;
    for (int c = first; c <= last; ++c) {
        if (c == last || !used[size_t(c)])
            edges.push_back(c);
    }
    return edges;
}

} // namespace

// The colours of what is written only: a cell merged into another keeps
// a format of its own that no row writes.
void Writer::registerTableColors()
{
    std::vector<const QTextFrame *> frames{m_doc.rootFrame()};
    while (!frames.empty()) {
        const QTextFrame *frame = frames.back();
        frames.pop_back();
        const QList<QTextFrame *> children = frame->childFrames();
        frames.insert(frames.end(), children.crbegin(), children.crend());
        const auto *table = qobject_cast<const QTextTable *>(frame);
        if (!table)
            continue;
        const QTextTableFormat tf = table->format();
        if (tf.border() > 0 && tf.borderBrush().style() != Qt::NoBrush)
            colorIndex(tf.borderBrush().color());
        for (int r = 0; r < table->rows(); ++r) {
            for (const QTextTableCell &cell : rowCells(table, r)) {
                const QTextTableCellFormat f = cell.format().toTableCellFormat();
                if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
                    colorIndex(f.background().color());
                for (const QBrush &b : {f.topBorderBrush(), f.leftBorderBrush(), f.bottomBorderBrush(), f.rightBorderBrush()}) {
                    if (b.style() != Qt::NoBrush)
                        colorIndex(b.color());
                }
            }
        }
    }
}

QByteArray Writer::cellCode(const QTextTableCellFormat &f, const QTextTableFormat &table)
{
    QByteArray code;
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignMiddle: code += "\\clvertalc"; break;
    case QTextCharFormat::AlignBottom: code += "\\clvertalb"; break;
    default: break;
    }
    struct Side {
        const char *word;
        QTextFormat::Property width, style, brush;
    };
    static const Side sides[] = {
        {"\\clbrdrt", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellTopBorderBrush},
        {"\\clbrdrl", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle, QTextFormat::TableCellLeftBorderBrush},
        {"\\clbrdrb", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle, QTextFormat::TableCellBottomBorderBrush},
        {"\\clbrdrr", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle, QTextFormat::TableCellRightBorderBrush},
    };
    for (const Side &s : sides) {
        double width = 0;
        auto style = QTextFrameFormat::BorderStyle_Solid;
        QBrush brush(Qt::black);
        if (f.hasProperty(s.width)) {
            width = f.doubleProperty(s.width);
            if (f.hasProperty(s.style))
                style = QTextFrameFormat::BorderStyle(f.intProperty(s.style));
            if (f.hasProperty(s.brush))
                brush = f.brushProperty(s.brush);
        } else if (table.border() > 0 && table.borderStyle() != QTextFrameFormat::BorderStyle_None) {
            // A table with one border for all, as pasted HTML gives it.
            width = table.border();
            style = table.borderStyle();
            if (table.borderBrush().style() != Qt::NoBrush)
                brush = table.borderBrush();
        }
        if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
            continue;
        code += s.word;
        code += borderStyleWord(style);
        code += "\\brdrw" + QByteArray::number(std::clamp(roundedInt(width * kTwipsPerPixel), 1, 1440));
        if (brush.style() != Qt::NoBrush && brush.color() != Qt::black)
            code += "\\brdrcf" + QByteArray::number(colorIndex(brush.color()));
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        code += "\\clcbpat" + QByteArray::number(colorIndex(f.background().color()));
    // Padding in twips (fl3); as in Word's files, \clpadl is the top and
    // \clpadt the left padding.
    static const std::pair<QTextFormat::Property, const char *> paddings[] = {
        {QTextFormat::TableCellTopPadding, "l"},
        {QTextFormat::TableCellLeftPadding, "t"},
        {QTextFormat::TableCellBottomPadding, "b"},
        {QTextFormat::TableCellRightPadding, "r"},
    };
    for (const auto &[property, side] : paddings) {
        if (f.hasProperty(property)) {
            const int twips = std::clamp(roundedInt(f.doubleProperty(property) * kTwipsPerPixel), 0, 1440);
            code += "\\clpad" + QByteArray(side) + QByteArray::number(twips) + "\\clpadf" + side + '3';
        }
    }
    return code;
}

// The row's definition: \trowd, then each cell's properties and edge.
QByteArray Writer::rowCode(const QTextTable *table, int row, const std::vector<int> &edges, const std::vector<char> &used,
                           int left, int gap)
{
    const QTextTableFormat tf = table->format();
    QByteArray code = "\\trowd\\trgaph" + QByteArray::number(gap) + "\\trleft" + QByteArray::number(left);
    const Qt::Alignment a = tf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        code += "\\trqc";
    else if (a & Qt::AlignRight)
        code += "\\trqr";
    if (row < tf.headerRowCount())
        code += "\\trhdr";
    const int columns = table->columns();
    for (const QTextTableCell &cell : rowCells(table, row)) {
        const int first = cell.column();
        const int last = std::min(columns, first + std::max(1, cell.columnSpan())) - 1;
        const QByteArray props = cellCode(cell.format().toTableCellFormat(), tf);
        const std::vector<int> cellxs = cellEdges(first, last, used);
        for (int c : cellxs) {
            if (cell.row() != row)
                code += "\\clvmrg";
            else if (cell.rowSpan() > 1)
                code += "\\clvmgf";
            if (cellxs.size() > 1)
                code += c == cellxs.front() ? "\\clmgf" : "\\clmrg";
            code += props;
            code += "\\cellx" + QByteArray::number(edges[size_t(c)]);
        }
    }
    code += "\r\n";
    return code;
}

void Writer::writeCell(QByteArray &out, const QTextTableCell &cell, int width)
{
    const int outerWidth = m_cellWidth;
    m_cellWidth = width;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
        QTextFrame::iterator next = it;
        ++next;
        if (const QTextFrame *child = it.currentFrame()) {
            writeChildFrame(out, child);
        } else if (!model::leadsTable(it.currentBlock())) {
            m_cellEnd = next.atEnd();
            writeBlock(out, it.currentBlock());
            m_cellEnd = false;
        }
    }
    m_cellWidth = outerWidth;
}

void Writer::writeTable(QByteArray &out, const QTextTable *table)
{
    const QTextTableFormat tf = table->format();
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0)
        return;

    // Column edges in twips.
    const std::vector<int> widths = model::columnWidthsTwips(tf, columns, m_cellWidth);
    const int gap = tf.cellPadding() > 0 ? std::min(roundedInt(tf.cellPadding() * kTwipsPerPixel), 1440) : kDefaultGap;
    // Room for a twip of each column before the rightmost edge a reader takes.
    const int left = std::min(std::clamp(roundedInt(tf.leftMargin() * kTwipsPerPixel), 0, 31680) - gap, kMaxTwips - columns);
    std::vector<int> edges(static_cast<size_t>(columns));
    // No wider than a table can be read: each column keeps a twip at
    // least, and the edges read back as the widths they were written from.
    // Nor further right: a reader takes no \cellx past kMaxTwips.
    const int widest = std::min(left + kMaxTwips, kMaxTwips);
    qint64 x = left;
    for (int c = 0; c < columns; ++c) {
        x += widths[size_t(c)];
        const int room = widest - (columns - 1 - c);
        edges[size_t(c)] = int(std::min<qint64>(x, room));
        if (c > 0 && edges[size_t(c)] <= edges[size_t(c - 1)])
            edges[size_t(c)] = edges[size_t(c - 1)] + 1;
    }
    // A nested row's definition comes after its cells, so readers place
    // them side by side, not by their edges: there every column gets a cell
    // of its own, and a wider cell is written as merged cells (\clmgf, \clmrg).
    std::vector<char> used = m_tableLevel > 0 ? std::vector<char>(size_t(columns), 0) : usedEdges(table);
    // An edge closer to the next than readers tell edges apart is written
    // by every cell that spans it: a row placed before one ending there
    // would otherwise take both edges for one.
    for (int c = 0; c + 1 < columns; ++c) {
        if (edges[size_t(c + 1)] - edges[size_t(c)] < kEdgeTolerance)
            used[size_t(c)] = used[size_t(c + 1)] = 0;
    }

    // document properties: a section that opens with the table starts
    // before it; no section starts inside a table.
    if (m_tableLevel == 0)
        startSection(out, table->firstCursorPosition().block());

    const int level = ++m_tableLevel;
    for (int r = 0; r < rows; ++r) {
        const QByteArray def = rowCode(table, r, edges, used, left, gap);
        if (level == 1)
            out += def;
        bool nested = false;
        const QByteArray cellEnd = level > 1 ? "\\pard\\intbl\\itap" + QByteArray::number(level) + "\\nestcell\r\n"
                                             : QByteArray("\\pard\\intbl\\cell\r\n");
        for (const QTextTableCell &cell : rowCells(table, r)) {
            const int span = std::max(1, cell.columnSpan());
            const int start = cell.column();
            const int width = edges[size_t(std::min(columns, start + span) - 1)] - (start > 0 ? edges[size_t(start - 1)] : left);
            if (cell.row() != r) {
                out += cellEnd; // covered by the cell above: an empty cell merged into it
            } else {
                for (QTextFrame::iterator it = cell.begin(); !it.atEnd() && !nested; ++it)
                    nested = it.currentFrame() != nullptr;
                writeCell(out, cell, std::max(kMinColumn, width - 2 * gap));
            }
            const size_t parts = cellEdges(start, std::min(columns, start + span) - 1, used).size();
            for (size_t c = 1; c < parts; ++c)
                out += cellEnd; // the cells merged into it
        }
        if (level == 1) {
            // Readers that take the last definition seen for the row must
            // not take a nested table's.
            if (nested)
                out += def;
            out += "\\row\r\n";
        } else {
            out += "{\\*\\nesttableprops " + def + "\\nestrow}{\\nonesttables\\par}\r\n";
        }
    }
    --m_tableLevel;
}

} // namespace rtf::detail
