// Tables: \trowd ... \cellx define a row, \intbl and \itapN put paragraphs
// into a table, \cell and \nestcell end a cell, \row and \nestrow a row.
//
// A table is opened at the first paragraph in it and grows as its cells
// arrive. Qt rebuilds a table's whole grid after every change of its cells,
// so rows are added in batches that double the table (the rows not used are
// removed at its end), and merges, whose each costs the whole table, are
// applied once when the table is complete.

#include "readerimpl.h"

#include "model/notes.h"
#include "model/tables.h"

#include <QTextBlock>
#include <QTextTable>

#include <algorithm>
#include <cstdlib>

namespace rtf::detail {

namespace {
// Rows are added ahead in batches of at most this many cells.
constexpr int kGrowCells = 4096;

// The border the \brdr words describe: a cell's, or from 4 on the row's.
CellBorderDef &border(RowDef &d)
{
    return d.border < 4 ? d.next.borders[size_t(d.border)] : d.borders[size_t(d.border - 4)];
}
} // namespace

int Reader::tableLevel() const
{
    const ParProps &p = m_st.par;
    const int level = p.itap > 0 ? p.itap : p.intbl || m_b.rowDefined ? 1 : 0;
    return std::min(level, limits::maxTableDepth);
}

void Reader::enterParagraph()
{
    if (!m_b.parPending && !paragraphHasText())
        syncTables();
    if (m_b.parPending)
        openPendingParagraph();
}

// Brings the open tables to the paragraph's level, with an open cell at
// each level, and the cursor into the innermost one.
void Reader::syncTables()
{
    const int level = tableLevel();
    if (int(m_b.tables.size()) == level && (level == 0 || m_b.tables.back().cellOpen))
        return;
    while (int(m_b.tables.size()) > level)
        closeTable();
    for (int d = 0; d < level; ++d) {
        if (d >= int(m_b.tables.size()))
            openTable();
        if (!m_b.tables[size_t(d)].cellOpen)
            openCell(m_b.tables[size_t(d)], d + 1);
    }
}

void Reader::openTable()
{
    const bool outer = m_b.tables.empty();
    const RowDef &def = outer ? m_bodyDef : m_nestDef;
    const int columns = outer && !def.cells.empty() ? int(def.cells.size()) : 1;
    QTextTableFormat f;
    f.setBorderCollapse(true);
    f.setCellSpacing(0);
    f.setBorder(0);
    if (m_b.parPending && !m_b.reuseBlock) // a paragraph the file ended, not Qt's
        model::markOwnParagraphBeforeTable(m_b.cursor);
    TableBuild t;
    t.table = m_b.cursor.insertTable(1, columns, f);
    t.rows = 1;
    m_b.tables.push_back(std::move(t));
}

void Reader::openCell(TableBuild &t, int level)
{
    const RowDef &def = level == 1 ? m_bodyDef : m_nestDef;
    if (!t.rowOpen) {
        ++t.row;
        if (t.row >= t.rows) {
            // Qt takes out each unused cell at the table's end at the cost
            // of the whole table, so fewer cells are added ahead at a time
            // in a large table.
            const int n = std::clamp(kGrowCells / std::max(1, t.table->columns()), 1, std::max(1, t.rows));
            t.table->appendRows(n);
            t.rows += n;
        }
        t.rowOpen = true;
        t.nextColumn = 0;
        t.rowCells.clear();
        // Nested rows are defined after their cells, so their cells go
        // side by side; outer rows place each cell by its \cellx.
        t.byPosition = level == 1 && !def.cells.empty();
    }
    const size_t i = t.rowCells.size();
    if (t.nextColumn >= limits::maxTableColumns) {
        // The rest of the row goes on in its last cell, as paragraphs.
        t.cellOpen = true;
        m_b.parPending = true;
        return;
    }
    const int first = t.nextColumn;
    int last = first;
    if (t.byPosition && i < def.cells.size())
        last = placeEdge(t, first, def.cells[i].right, def.left);
    last = std::min(last, limits::maxTableColumns - 1);
    const int columns = t.table->columns();
    if (last >= columns) {
        t.table->appendColumns(last + 1 - columns);
        // Earlier rows did not reach the new columns.
        QTextTableCellFormat filler;
        filler.setProperty(FillerCell, true);
        for (int r = 0; r < t.row; ++r) {
            for (int c = columns; c <= last; ++c)
                t.table->cellAt(r, c).setFormat(filler);
        }
    }
    t.rowCells.emplace_back(first, last - first + 1);
    t.nextColumn = last + 1;
    m_b.cursor.setPosition(t.table->cellAt(t.row, first).firstPosition());
    t.cellOpen = true;
    m_b.parPending = true;
    m_b.reuseBlock = true;
}

// The column a cell ending at `right` ends in. The table's columns are the
// union of its rows' edges, as other word processors show them: an edge
// between two columns splits the column, an edge past the last adds one.
int Reader::placeEdge(TableBuild &t, int first, int right, int left)
{
    std::vector<int> &b = t.bounds;
    if (size_t(first) >= b.size()) {
        const int prev = b.empty() ? left : b.back();
        b.resize(size_t(first), prev);
        b.push_back(std::max(right, prev + 1));
        return first;
    }
    size_t k = size_t(std::lower_bound(b.begin() + first, b.end(), right - kEdgeTolerance + 1) - b.begin());
    if (k < b.size() && b[k] < right + kEdgeTolerance) {
        if (k + 1 < b.size() && std::abs(b[k + 1] - right) < std::abs(b[k] - right))
            ++k;
        return int(k);
    }
    if (b.size() < size_t(limits::maxTableColumns)) {
        if (k == b.size()) {
            b.push_back(right); // wider than the table: a new column up to this edge
            return int(k);
        }
        if (splitColumn(t, int(k), right))
            return int(k);
    }
    // No more columns: the nearest edge.
    size_t last = size_t(first);
    while (last + 1 < b.size() && std::abs(b[last + 1] - right) < std::abs(b[last] - right))
        ++last;
    return int(last);
}

// Splits `column` at `right`: the column ends there and a new one after it
// takes the rest. The cells of the rows read so far that cover the column
// then cover both, by the merges applied when the table is complete.
bool Reader::splitColumn(TableBuild &t, int column, int right)
{
    const qint64 cost = qint64(t.rows) * t.table->columns();
    // Not when the merges it adds to the rows read so far, with those
    // waiting, would be left out: cells at the nearest edge read better.
    const qint64 merges = 1 + t.row + qint64(t.spans.size() + t.verticalDone.size());
    if (m_mergeWork + cost * merges > limits::maxTableMergeWork)
        return false;
    m_mergeWork += cost;
    t.bounds.insert(t.bounds.begin() + column, right);
    t.table->insertColumns(column + 1, 1);
    std::vector<char> covered(size_t(std::max(0, t.row)), 0);
    auto widen = [column](TableBuild::Span &s) {
        if (s.column > column)
            ++s.column;
        else if (s.column + s.columns > column)
            ++s.columns;
        else
            return false;
        return s.column <= column;
    };
    for (TableBuild::Span &s : t.spans) {
        if (widen(s) && s.row < int(covered.size()))
            covered[size_t(s.row)] = 1;
    }
    for (TableBuild::Span &s : t.verticalDone)
        widen(s);
    for (TableBuild::Span &s : t.vertical)
        widen(s);
    if (t.vertical.size() > size_t(column + 1))
        t.vertical.insert(t.vertical.begin() + column + 1, TableBuild::Span{0, 0, 0, 0});
    // Qt gives the new cells the format of a neighbour: rows that did not
    // reach the column get fillers, the others an empty cell to merge.
    std::vector<char> filler(covered.size(), 0);
    for (size_t r = 0; r < covered.size(); ++r)
        filler[r] = t.table->cellAt(int(r), column).format().boolProperty(FillerCell);
    QTextTableCellFormat fill;
    fill.setProperty(FillerCell, true);
    for (int r = 0; r < t.rows; ++r) {
        const bool done = size_t(r) < covered.size();
        t.table->cellAt(r, column + 1).setFormat(done && filler[size_t(r)] ? fill : QTextTableCellFormat());
        if (done && !filler[size_t(r)] && !covered[size_t(r)])
            t.spans.push_back({r, column, 1, 2});
    }
    return true;
}

void Reader::endCell()
{
    const int level = tableLevel();
    if (level > 0)
        enterParagraph(); // an empty cell is a cell too
    if (level == 0 || int(m_b.tables.size()) != level || !m_b.tables.back().cellOpen) {
        // A cell outside any table: its text goes on after a tab.
        m_b.cells = std::min(m_b.cells + 1, 1 << 20);
        return;
    }
    m_b.propsDirty = true;
    flushRun();
    applyParagraph(m_st.par, m_st.chr);
    m_b.parPending = true;
    m_b.cells = 0;
    m_b.tables.back().cellOpen = false;
    m_b.markPending = false; // notes: a \chftn of the cell without its note
}

void Reader::endRow(bool nested)
{
    int level = tableLevel();
    if (!nested)
        m_b.rowDefined = false; // the row is complete, or was never there
    if (level == 0)
        level = nested ? int(m_b.tables.size()) : std::min<int>(1, int(m_b.tables.size()));
    if (level == 0) {
        endParagraph(); // a row outside any table ends a paragraph, no more
        return;
    }
    if (level > int(m_b.tables.size()))
        return; // a row without cells
    if (!m_b.parPending && paragraphHasText()) {
        // The row's last cell has no \cell.
        m_b.propsDirty = true;
        flushRun();
        applyParagraph(m_st.par, m_st.chr);
        m_b.parPending = true;
        m_b.cells = 0;
    }
    while (int(m_b.tables.size()) > level)
        closeTable();
    TableBuild &t = m_b.tables[size_t(level - 1)];
    t.cellOpen = false;
    if (t.rowOpen)
        finishRow(t, level);
}

// A cell's format; where the cell gives no border or padding, the row's
// borders (outer ones at the table's edges, inner ones between cells) and
// padding hold.
QTextTableCellFormat Reader::cellFormat(const CellDef &c, const RowDef &row, bool firstRow, bool first, bool last) const
{
    QTextTableCellFormat f;
    auto color = [this](int index, const QColor &fallback) {
        return index >= 0 && size_t(index) < m_colors.size() && m_colors[size_t(index)].isValid()
            ? m_colors[size_t(index)] : fallback;
    };
    if (c.shading >= 0) {
        const QColor bg = color(c.shading, QColor());
        if (bg.isValid())
            f.setBackground(bg);
    }
    if (c.valign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    else if (c.valign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignBottom);
    const int rowSide[4] = {firstRow || row.borders[4].width < 0 ? 0 : 4, first ? 1 : 5, 2, last ? 3 : 5};
    for (int side = 0; side < 4; ++side) {
        const CellBorderDef &own = c.borders[size_t(side)];
        const CellBorderDef &b = own.width >= 0 ? own : row.borders[size_t(rowSide[side])];
        if (b.width < 0 || b.style == QTextFrameFormat::BorderStyle_None)
            continue;
        const double width = std::max(1, b.width) / kTwipsPerPixel;
        const auto style = QTextFrameFormat::BorderStyle(b.style);
        const QBrush brush(color(b.color, Qt::black));
        switch (side) {
        case 0: f.setTopBorder(width); f.setTopBorderStyle(style); f.setTopBorderBrush(brush); break;
        case 1: f.setLeftBorder(width); f.setLeftBorderStyle(style); f.setLeftBorderBrush(brush); break;
        case 2: f.setBottomBorder(width); f.setBottomBorderStyle(style); f.setBottomBorderBrush(brush); break;
        default: f.setRightBorder(width); f.setRightBorderStyle(style); f.setRightBorderBrush(brush); break;
        }
    }
    for (int side = 0; side < 4; ++side) {
        const int twips = c.padding[size_t(side)] >= 0 ? c.padding[size_t(side)] : row.padding[size_t(side)];
        if (twips < 0)
            continue;
        const double px = twips / kTwipsPerPixel;
        switch (side) {
        case 0: f.setTopPadding(px); break;
        case 1: f.setLeftPadding(px); break;
        case 2: f.setBottomPadding(px); break;
        default: f.setRightPadding(px); break;
        }
    }
    return f;
}

void Reader::finishRow(TableBuild &t, int level)
{
    const RowDef &def = level == 1 ? m_bodyDef : m_nestDef;
    if (!t.formatSet && !def.cells.empty()) {
        t.left = def.left;
        t.gap = def.gap;
        t.align = def.align;
        t.formatSet = true;
    }
    if (def.header && t.headerRows == t.row)
        ++t.headerRows;
    const int columns = t.table->columns();
    if (t.vertical.size() < size_t(columns))
        t.vertical.resize(size_t(columns), TableBuild::Span{0, 0, 0, 0});
    std::vector<char> touched(size_t(columns), 0);

    // Cells of a horizontal merge (\clmgf, \clmrg) and cells wider than a
    // column become one cell; vertical merges go down from \clvmgf.
    int groupStart = -1, groupEnd = -1, groupV = 0;
    auto closeGroup = [&] {
        if (groupStart < 0)
            return;
        const int width = groupEnd - groupStart + 1;
        if (width > 1)
            t.spans.push_back({t.row, groupStart, 1, width});
        TableBuild::Span &v = t.vertical[size_t(groupStart)];
        touched[size_t(groupStart)] = 1;
        if (groupV == 2 && v.rows > 0 && v.columns == width) {
            ++v.rows;
        } else {
            if (v.rows > 1)
                t.verticalDone.push_back(v);
            v = groupV == 1 ? TableBuild::Span{t.row, groupStart, 1, width} : TableBuild::Span{0, 0, 0, 0};
        }
        groupStart = -1;
    };
    for (size_t i = 0; i < t.rowCells.size(); ++i) {
        const auto [column, span] = t.rowCells[i];
        const CellDef *c = i < def.cells.size() ? &def.cells[i] : nullptr;
        if (c) {
            const QTextTableCellFormat f = cellFormat(*c, def, t.row == 0, i == 0, i + 1 == t.rowCells.size());
            // The cell's format is that of the character its first
            // paragraph starts after, which also holds that paragraph's
            // character format: an empty paragraph keeps its own. But a
            // run's background there would be taken for the cell's shading.
            QTextTableCell cell = t.table->cellAt(t.row, column);
            QTextCharFormat kept = cell.firstCursorPosition().blockCharFormat();
            const bool stray = !f.hasProperty(QTextFormat::BackgroundBrush) && kept.hasProperty(QTextFormat::BackgroundBrush);
            if (!f.properties().isEmpty() || stray) {
                kept.clearProperty(QTextFormat::BackgroundBrush);
                kept.merge(f);
                cell.setFormat(kept);
            }
        }
        if (!t.byPosition && c && size_t(column) == t.bounds.size()) {
            const int prev = t.bounds.empty() ? def.left : t.bounds.back();
            t.bounds.push_back(std::max(c->right, prev + 1));
        }
        if (c && c->merge == 2 && groupStart >= 0) {
            groupEnd = column + span - 1;
            continue;
        }
        closeGroup();
        groupStart = column;
        groupEnd = column + span - 1;
        groupV = c ? c->vmerge : 0;
    }
    closeGroup();
    for (size_t c = 0; c < size_t(columns); ++c) {
        TableBuild::Span &v = t.vertical[c];
        if (!touched[c] && v.rows > 0) {
            if (v.rows > 1)
                t.verticalDone.push_back(v);
            v.rows = 0;
        }
    }
    QTextTableCellFormat filler;
    filler.setProperty(FillerCell, true);
    for (int c = t.nextColumn; c < columns; ++c)
        t.table->cellAt(t.row, c).setFormat(filler);
    t.rowOpen = false;
    t.cellOpen = false;
}

namespace {

bool holdsNumberedMark(const QTextTableCell &cell)
{
    const QTextBlock last = cell.lastCursorPosition().block();
    for (QTextBlock b = cell.firstCursorPosition().block(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (model::isNoteMark(f) || f.hasProperty(model::NoteSelfMark))
                return true;
        }
        if (b == last)
            break;
    }
    return false;
}

} // namespace

void Reader::mergeCells(QTextTable *table, const TableBuild::Span &s)
{
    const int rows = table->rows(), columns = table->columns();
    const qint64 cost = qint64(rows) * columns;
    if (m_mergeWork + cost > limits::maxTableMergeWork)
        return;
    m_mergeWork += cost;
    if (s.row + s.rows > rows || s.column + s.columns > columns)
        return;
    // Qt gives the first cell's last paragraph the format of an empty cell
    // merged into it, and so the last paragraph of a neighbour in the same
    // rows when that follows a nested table; each keeps its own, as it does
    // when the merged cell has text.
    std::vector<std::pair<QTextCursor, QTextBlockFormat>> kept;
    // Qt puts each merged cell's text after the first cell's, after a space
    // (the next row's first text, after a paragraph break) that takes the
    // format of the text before it: after a note's custom mark, the mark
    // became "l ". Such a space takes the format of the text it goes before.
    struct Moved { int length; QTextCharFormat format; };
    std::vector<Moved> moved;
    for (int r = s.row; r < s.row + s.rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            const bool merged = c >= s.column && c < s.column + s.columns;
            if (cell.row() != r || cell.column() != c)
                continue; // covered
            if (merged && (r != s.row || c != s.column)) {
                // A note's number is fixed when it is read: moved before
                // the text of the rows in between it would come back
                // renumbered. The cells stay apart.
                if (r > s.row && holdsNumberedMark(cell))
                    return;
                if (const int length = cell.lastPosition() - cell.firstPosition(); length > 0)
                    moved.push_back({length, cell.firstCursorPosition().charFormat()});
                continue; // about to go into the first cell
            }
            QTextCursor at = cell.lastCursorPosition();
            at.movePosition(QTextCursor::StartOfBlock);
            at.setKeepPositionOnInsert(true); // on the block, not after what comes into the cell
            kept.emplace_back(at, at.blockFormat());
        }
    }
    int joint = table->cellAt(s.row, s.column).lastPosition();
    table->mergeCells(s.row, s.column, s.rows, s.columns);
    for (auto &[at, format] : kept)
        at.setBlockFormat(format);
    QTextDocument *document = table->document();
    for (Moved &m : moved) {
        QTextCursor space(document);
        space.setPosition(joint + 1);
        const QTextCharFormat before = space.charFormat();
        if (document->characterAt(joint) == u' ' && (model::isNoteMark(before) || before.hasProperty(model::NoteSelfMark))) {
            for (int p = model::NoteId; p <= model::NoteNumberingWords; ++p)
                m.format.clearProperty(p);
            space.setPosition(joint, QTextCursor::KeepAnchor);
            space.setCharFormat(m.format);
        }
        joint += 1 + m.length;
    }
}

void Reader::closeTable()
{
    const int level = int(m_b.tables.size());
    TableBuild &t = m_b.tables.back();
    if (t.rowOpen)
        finishRow(t, level);
    const int used = t.row + 1;
    if (t.rows > used) {
        // Qt gives the paragraph before rows it takes out the format of the
        // first of them, an empty cell's: the last cell's paragraph keeps
        // its own.
        const auto lastParagraph = [&t, used] {
            QTextCursor at = t.table->cellAt(used - 1, t.table->columns() - 1).lastCursorPosition();
            at.movePosition(QTextCursor::StartOfBlock);
            return at;
        };
        QTextCursor at = lastParagraph();
        const QTextBlockFormat format = at.blockFormat();
        const QTextCharFormat chars = at.blockCharFormat();
        t.table->removeRows(used, t.rows - used);
        at = lastParagraph();
        at.setBlockFormat(format);
        at.setBlockCharFormat(chars);
    }
    for (const TableBuild::Span &v : t.vertical) {
        if (v.rows > 1)
            t.verticalDone.push_back(v);
    }
    for (const TableBuild::Span &s : t.spans)
        mergeCells(t.table, s);
    for (const TableBuild::Span &s : t.verticalDone)
        mergeCells(t.table, s);

    QTextTableFormat f = t.table->format();
    const int total = t.bounds.empty() ? 0 : t.bounds.back() - t.left;
    if (total > 0) {
        QList<QTextLength> widths;
        int prev = t.left;
        for (int c = 0; c < t.table->columns(); ++c) {
            if (size_t(c) < t.bounds.size()) {
                widths.append(QTextLength(QTextLength::PercentageLength, (t.bounds[size_t(c)] - prev) * 100.0 / total));
                prev = t.bounds[size_t(c)];
            } else {
                widths.append(QTextLength());
            }
        }
        f.setColumnWidthConstraints(widths);
        f.setProperty(TableWidthTwips, total);
        // As much of the line as of the page; a nested table fills its cell.
        const double share = level > 1 ? 100.0 : std::min(100.0, total * 100.0 / kTableTextWidth);
        f.setWidth(QTextLength(QTextLength::PercentageLength, share));
    }
    f.setAlignment(t.align);
    // Word processors put the cell's text, not its edge, at \trleft + \trgaph.
    if (t.left + t.gap > 0)
        f.setLeftMargin((t.left + t.gap) / kTwipsPerPixel);
    if (t.gap > 0)
        f.setCellPadding(t.gap / kTwipsPerPixel);
    if (t.headerRows > 0)
        f.setHeaderRowCount(t.headerRows);
    t.table->setFormat(f);
    m_b.cursor.setPosition(t.table->lastPosition() + 1);
    m_b.tables.pop_back();
    m_b.parPending = true;
    m_b.reuseBlock = true;
    if (m_b.tables.empty() && !m_noteDoc && m_sections.back().block == Section::kAfterTable) // document properties
        m_sections.back().block = m_b.cursor.blockNumber();
}

void Reader::tableWord(Cmd cmd, bool hasParam, int param, int arg)
{
    RowDef &d = rowDef();
    CellDef &c = d.next;
    switch (cmd) {
    case Cmd::RowDefaults:
        d = RowDef();
        if (!m_inNestProps)
            m_b.rowDefined = true;
        return;
    case Cmd::CellX:
        if (d.cells.size() < size_t(limits::maxTableColumns)) {
            // Edges out of order or left of the row still make a cell.
            const int prev = d.cells.empty() ? d.left : d.cells.back().right;
            c.right = std::max(clampInt(param, -limits::maxTwips, limits::maxTwips), prev + 1);
            d.cells.push_back(c);
        }
        c = CellDef();
        d.border = -1;
        return;
    case Cmd::TrGaph:
        d.gap = clampInt(param, 0, limits::maxTwips);
        return;
    case Cmd::TrLeft:
        d.left = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::TrAlign:
        d.align = Qt::Alignment(param);
        return;
    case Cmd::TrHeader:
        d.header = !hasParam || param != 0;
        return;
    case Cmd::InTable:
        m_st.par.intbl = true;
        return;
    case Cmd::Itap:
        m_st.par.itap = quint16(clampInt(param, 0, limits::maxTableDepth));
        return;
    case Cmd::NestTableProps:
        m_inNestProps = true;
        m_nestPropsDepth = m_stack.size();
        return;
    case Cmd::CellMerge:
        c.merge = quint8(param);
        return;
    case Cmd::CellVMerge:
        c.vmerge = quint8(param);
        return;
    case Cmd::CellVAlign:
        c.valign = quint8(param);
        return;
    case Cmd::CellShading:
        c.shading = hasParam ? param : -1;
        return;
    case Cmd::CellBorder:
        d.border = param;
        c.borders[size_t(param)] = CellBorderDef{15, -1, quint8(QTextFrameFormat::BorderStyle_None)};
        return;
    case Cmd::RowBorder:
        d.border = 4 + param;
        d.borders[size_t(param)] = CellBorderDef{15, -1, quint8(QTextFrameFormat::BorderStyle_None)};
        return;
    case Cmd::BorderWidth:
        if (d.border >= 0)
            border(d).width = clampInt(param, 0, 1440);
        return;
    case Cmd::BorderColor:
        if (d.border >= 0)
            border(d).color = param;
        return;
    case Cmd::BorderStyle:
        if (d.border >= 0)
            border(d).style = quint8(param);
        return;
    case Cmd::RowPadding:
        d.padding[size_t(arg)] = clampInt(param, 0, 1440);
        return;
    case Cmd::CellPadding:
        c.padding[size_t(arg)] = clampInt(param, 0, 1440);
        return;
    default:
        return;
    }
}

} // namespace rtf::detail
