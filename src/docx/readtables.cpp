// Tables: w:tbl into QTextTable as the RTF reader builds them: columns
// of the grid as shares of the table's width (the width in twips kept),
// cells spanning columns (gridSpan) and rows (vMerge) merged, cells a row
// lacks as filler cells, shading and borders on the cells.

#include "readerimpl.h"

#include "model/tables.h"

#include <QTextBlock>
#include <QTextFrame>

namespace docx::detail {

int intAttr(const Node *n, const char *name, int fallback)
{
    if (!n || !n->hasAttr(L(name)))
        return fallback;
    bool ok = false;
    const double v = n->attrView(L(name)).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return fallback;
    return int(std::clamp(v, -1e9, 1e9));
}

namespace {

// Rows and cells below a table or row, through content controls and the
// like that may wrap them.
void collect(const Node *parent, const char *name, std::vector<const Node *> &out)
{
    for (const Node *n : parent->kids) {
        if (n->is(L(name)))
            out.push_back(n);
        else if (n->is(L("w:sdt")) || n->is(L("w:customXml")) || n->is(L("w:sdtContent")) || n->is(L("w:ins")))
            collect(n, name, out);
    }
}

struct Border {
    double width = -1; // pixels; -1 none given
    bool none = false;
    QColor color;
};

Border border(const Node *n)
{
    Border b;
    if (!n)
        return b;
    const QString v = n->attr(L("w:val"));
    if (v == u"nil" || v == u"none") {
        b.none = true;
        return b;
    }
    // Eighths of a point: 2.5 twips each.
    b.width = std::max(1.0, intAttr(n, "w:sz", 4) * 2.5 / kTwipsPerPixel);
    const QString c = n->attr(L("w:color"));
    b.color = c.size() == 6 ? QColor::fromString(u'#' + c) : QColor(Qt::black);
    return b;
}

// top, left, bottom, right, inside horizontal, inside vertical
std::array<Border, 6> borders(const Node *bdr)
{
    std::array<Border, 6> out;
    if (!bdr)
        return out;
    out[0] = border(bdr->child(L("w:top")));
    out[1] = border(bdr->child(L("w:left")) ? bdr->child(L("w:left")) : bdr->child(L("w:start")));
    out[2] = border(bdr->child(L("w:bottom")));
    out[3] = border(bdr->child(L("w:right")) ? bdr->child(L("w:right")) : bdr->child(L("w:end")));
    out[4] = border(bdr->child(L("w:insideH")));
    out[5] = border(bdr->child(L("w:insideV")));
    return out;
}

struct CellInfo {
    int row = 0, column = 0, span = 1;
    int vmerge = 0; // 1 restart, 2 continue
    const Node *tc = nullptr;
};

} // namespace

void Reader::table(const Node *tbl)
{
    std::vector<const Node *> rows;
    collect(tbl, "w:tr", rows);
    if (rows.empty())
        return;
    const Node *tblPr = tbl->child(L("w:tblPr"));
    m_s.joinNext = false;
    // Deeper than the model nests, or past the document's cells: the
    // cells' content as paragraphs.
    auto asParagraphs = [&](size_t from) {
        for (size_t r = from; r < rows.size(); ++r) {
            std::vector<const Node *> cells;
            collect(rows[r], "w:tc", cells);
            for (const Node *tc : cells)
                blocks(tc);
        }
    };
    if (m_s.tableDepth >= limits::maxTableDepth || m_documentCells >= limits::maxDocumentCells) {
        asParagraphs(0);
        return;
    }

    // The grid: the columns' widths in twips.
    std::vector<int> grid;
    if (const Node *g = tbl->child(L("w:tblGrid"))) {
        for (const Node *c : g->kids) {
            if (c->is(L("w:gridCol")) && grid.size() < size_t(limits::maxTableColumns))
                grid.push_back(std::clamp(intAttr(c, "w:w", 0), 0, limits::maxTwips));
        }
    }
    // Where each cell goes: rows' cells side by side over the grid.
    std::vector<std::vector<CellInfo>> layout;
    int columns = int(grid.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        std::vector<const Node *> cells;
        collect(rows[r], "w:tc", cells);
        const Node *trPr = rows[r]->child(L("w:trPr"));
        int column = std::clamp(intAttr(trPr ? trPr->child(L("w:gridBefore")) : nullptr, "w:val", 0), 0,
                                limits::maxTableColumns - 1);
        std::vector<CellInfo> row;
        for (const Node *tc : cells) {
            CellInfo c;
            c.row = int(r);
            c.tc = tc;
            const Node *tcPr = tc->child(L("w:tcPr"));
            c.span = std::clamp(intAttr(tcPr ? tcPr->child(L("w:gridSpan")) : nullptr, "w:val", 1), 1,
                                limits::maxTableColumns);
            if (const Node *vm = tcPr ? tcPr->child(L("w:vMerge")) : nullptr)
                c.vmerge = vm->attr(L("w:val")) == u"restart" ? 1 : 2;
            if (column >= limits::maxTableColumns) {
                // Past the last column: the rest of the row goes on in its last cell.
                c.column = -1;
                row.push_back(c);
                continue;
            }
            c.column = column;
            c.span = std::min(c.span, limits::maxTableColumns - column);
            column += c.span;
            row.push_back(c);
        }
        columns = std::max(columns, column);
        layout.push_back(std::move(row));
    }
    columns = std::clamp(columns, 1, limits::maxTableColumns);
    // Rows past the table's share of cells are read after it.
    size_t rowCount = layout.size();
    const qint64 most = std::min(limits::maxTableCells, limits::maxDocumentCells - m_documentCells);
    if (qint64(rowCount) * columns > most)
        rowCount = size_t(std::max<qint64>(1, most / columns));
    m_documentCells += qint64(rowCount) * columns;

    QTextTableFormat tf;
    tf.setBorderCollapse(true);
    tf.setCellSpacing(0);
    tf.setBorder(0);
    // Qt keeps a paragraph before a table: the one at the cursor, whose
    // text stays before it.
    const bool startsSection = !m_s.sub && m_s.tableDepth == 0 && m_sections.back().block < 0;
    if (!m_s.atEmptyBlock) // a paragraph of the file, not Qt's
        model::markOwnParagraphBeforeTable(m_s.cursor);
    QTextTable *t = m_s.cursor.insertTable(int(rowCount), columns, tf);
    if (startsSection)
        m_sections.back().block = m_s.cursor.blockNumber();
    // The page break before the table's first paragraph.
    const bool pageBreak = std::exchange(m_s.pageBreak, false);

    // Table-wide borders: the table's own, else its style's.
    const Node *tblBorders = tblPr ? tblPr->child(L("w:tblBorders")) : nullptr;
    if (!tblBorders && tblPr) {
        if (const Node *ts = tblPr->child(L("w:tblStyle"))) {
            if (const Style *s = style(ts->attr(L("w:val"))); s && s->tblPr)
                tblBorders = s->tblPr->child(L("w:tblBorders"));
        }
    }
    const std::array<Border, 6> tableBorders = borders(tblBorders);

    ++m_s.tableDepth;
    std::vector<const CellInfo *> lastOfRow(rowCount, nullptr);
    struct Span {
        int row, column, rows, columns;
    };
    std::vector<Span> spans;
    std::vector<Span> vertical(size_t(columns), Span{0, 0, 0, 0}); // per column: a vertical merge going on
    int headerRows = 0;
    bool headerGoesOn = true;
    std::vector<std::tuple<int, int, QTextTableCellFormat>> cellFormats;
    for (size_t r = 0; r < rowCount; ++r) {
        const Node *trPr = layout[r].empty() ? nullptr : rows[r]->child(L("w:trPr"));
        if (headerGoesOn && trPr && trPr->child(L("w:tblHeader")) && onOff(trPr->child(L("w:tblHeader"))))
            ++headerRows;
        else
            headerGoesOn = false;
        std::vector<bool> covered(size_t(columns), false);
        const CellInfo *last = nullptr;
        for (const CellInfo &c : layout[r]) {
            const CellInfo *target = c.column >= 0 ? &c : last;
            if (!target)
                continue;
            const QTextTableCell cell = t->cellAt(int(r), target->column);
            if (c.column >= 0) {
                for (int k = c.column; k < c.column + c.span; ++k)
                    covered[size_t(k)] = true;
                // The cell's format: shading, borders (its own, else the
                // table's: outer ones at its edges, inner ones between).
                QTextTableCellFormat cf;
                const Node *tcPr = c.tc->child(L("w:tcPr"));
                if (const Node *shd = tcPr ? tcPr->child(L("w:shd")) : nullptr) {
                    const QString fill = shd->attr(L("w:fill"));
                    if (fill.size() == 6)
                        cf.setBackground(QColor::fromString(u'#' + fill));
                }
                if (const Node *va = tcPr ? tcPr->child(L("w:vAlign")) : nullptr) {
                    const QString v = va->attr(L("w:val"));
                    if (v == u"center")
                        cf.setVerticalAlignment(QTextCharFormat::AlignMiddle);
                    else if (v == u"bottom")
                        cf.setVerticalAlignment(QTextCharFormat::AlignBottom);
                }
                const std::array<Border, 6> own = borders(tcPr ? tcPr->child(L("w:tcBorders")) : nullptr);
                const bool firstRow = r == 0, lastRow = r + 1 == rowCount;
                const bool first = c.column == 0, lastCol = c.column + c.span >= columns;
                const int fallback[4] = {firstRow ? 0 : 4, first ? 1 : 5, lastRow ? 2 : 4, lastCol ? 3 : 5};
                for (int side = 0; side < 4; ++side) {
                    const Border &b = own[size_t(side)].width >= 0 || own[size_t(side)].none
                        ? own[size_t(side)]
                        : tableBorders[size_t(fallback[side])];
                    if (b.width < 0 || b.none)
                        continue;
                    const auto style = QTextFrameFormat::BorderStyle_Solid;
                    const QBrush brush(b.color.isValid() ? b.color : QColor(Qt::black));
                    switch (side) {
                    case 0: cf.setTopBorder(b.width); cf.setTopBorderStyle(style); cf.setTopBorderBrush(brush); break;
                    case 1: cf.setLeftBorder(b.width); cf.setLeftBorderStyle(style); cf.setLeftBorderBrush(brush); break;
                    case 2: cf.setBottomBorder(b.width); cf.setBottomBorderStyle(style); cf.setBottomBorderBrush(brush); break;
                    default: cf.setRightBorder(b.width); cf.setRightBorderStyle(style); cf.setRightBorderBrush(brush); break;
                    }
                }
                // Set once the cell is filled: a cell's format is its first
                // paragraph's character format in Qt, which the paragraph sets.
                if (cf.propertyCount() > 0)
                    cellFormats.emplace_back(int(r), c.column, cf);
                // Merges, applied once the table is complete.
                Span &v = vertical[size_t(c.column)];
                if (c.vmerge == 2 && v.rows > 0 && v.columns == c.span && v.row + v.rows == int(r)) {
                    ++v.rows;
                } else {
                    if (v.rows > 1)
                        spans.push_back(v);
                    v = c.vmerge == 1 ? Span{int(r), c.column, 1, c.span} : Span{0, 0, 0, 0};
                    if (c.span > 1 && c.vmerge != 1)
                        spans.push_back(Span{int(r), c.column, 1, c.span});
                }
                last = &c;
            }
            // The cell's paragraphs, after what a cell past the last column
            // left there.
            m_s.cursor.setPosition(c.column >= 0 ? cell.firstPosition() : cell.lastPosition());
            m_s.atEmptyBlock = c.column >= 0;
            if (pageBreak && r == 0 && c.column == 0)
                m_s.pageBreak = true;
            blocks(c.tc);
            m_s.pageBreak = false;
        }
        // A vertical merge ends where a row does not go on with it.
        for (int k = 0; k < columns; ++k) {
            Span &v = vertical[size_t(k)];
            if (v.rows > 0 && v.row + v.rows <= int(r) && v.column == k) {
                if (v.rows > 1)
                    spans.push_back(v);
                v = Span{0, 0, 0, 0};
            }
        }
        // Cells the row lacks.
        QTextTableCellFormat filler;
        filler.setProperty(FillerCell, true);
        for (int k = 0; k < columns; ++k) {
            if (!covered[size_t(k)]) {
                QTextTableCell cell = t->cellAt(int(r), k);
                cell.setFormat(filler);
            }
        }
    }
    for (const Span &v : vertical) {
        if (v.rows > 1)
            spans.push_back(v);
    }
    for (const auto &[r, c, cf] : cellFormats) {
        QTextTableCell cell = t->cellAt(r, c);
        cell.setFormat(cf);
    }
    --m_s.tableDepth;
    // Merging costs the whole table each time: bounded for the document.
    const qint64 cost = qint64(rowCount) * columns;
    for (const Span &s : spans) {
        if (m_mergeWork + cost > limits::maxTableMergeWork)
            break;
        m_mergeWork += cost;
        t->mergeCells(s.row, s.column, std::min(s.rows, int(rowCount) - s.row), std::min(s.columns, columns - s.column));
    }

    QTextTableFormat f = t->format();
    int total = 0;
    for (int c = 0; c < columns && size_t(c) < grid.size(); ++c)
        total += grid[size_t(c)];
    if (total > 0) {
        QList<QTextLength> widths;
        for (int c = 0; c < columns; ++c) {
            if (size_t(c) < grid.size())
                widths.append(QTextLength(QTextLength::PercentageLength, grid[size_t(c)] * 100.0 / total));
            else
                widths.append(QTextLength());
        }
        f.setColumnWidthConstraints(widths);
        f.setProperty(TableWidthTwips, total);
        // As much of the line as of the page; a nested table fills its cell.
        const double share = m_s.tableDepth > 0 ? 100.0 : std::min(100.0, total * 100.0 / kTableTextWidth);
        f.setWidth(QTextLength(QTextLength::PercentageLength, share));
    }
    if (const Node *jc = tblPr ? tblPr->child(L("w:jc")) : nullptr) {
        const QString v = jc->attr(L("w:val"));
        f.setAlignment(v == u"center" ? Qt::AlignHCenter : (v == u"right" || v == u"end") ? Qt::AlignRight : Qt::AlignLeft);
    }
    if (const Node *ind = tblPr ? tblPr->child(L("w:tblInd")) : nullptr) {
        const int left = std::clamp(intAttr(ind, "w:w", 0), 0, limits::maxTwips);
        if (left > 0 && ind->attr(L("w:type")) != u"pct")
            f.setLeftMargin(left / kTwipsPerPixel);
    }
    // Word's cell margin, 108 twips unless the table says otherwise.
    int gap = 108;
    if (const Node *mar = tblPr ? tblPr->child(L("w:tblCellMar")) : nullptr) {
        const Node *left = mar->child(L("w:left")) ? mar->child(L("w:left")) : mar->child(L("w:start"));
        if (left)
            gap = std::clamp(intAttr(left, "w:w", gap), 0, limits::maxTwips);
    }
    if (gap > 0)
        f.setCellPadding(gap / kTwipsPerPixel);
    if (headerRows > 0)
        f.setHeaderRowCount(headerRows);
    t->setFormat(f);
    m_s.cursor.setPosition(t->lastPosition() + 1);
    m_s.atEmptyBlock = true;
    if (rowCount < layout.size())
        asParagraphs(rowCount);
}

} // namespace docx::detail
