// Tables as w:tbl: the grid from the column widths (the twips the file
// gave, or shares of the room there is), cells merged across as
// w:gridSpan and down as w:vMerge, borders and shading, nested tables in
// their cells. Filler cells nobody typed in are not written.

#include "writerimpl.h"

#include "model/tables.h"

#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace docx::detail {

namespace {

constexpr int kMinColumn = model::kMinColumnTwips;

QString hexColor(const QColor &c)
{
    return QString::asprintf("%02X%02X%02X", c.red(), c.green(), c.blue());
}

const char *borderValue(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: return "double";
    case QTextFrameFormat::BorderStyle_Dotted: return "dotted";
    case QTextFrameFormat::BorderStyle_Dashed: return "dashed";
    case QTextFrameFormat::BorderStyle_DotDash: return "dotDash";
    case QTextFrameFormat::BorderStyle_DotDotDash: return "dotDotDash";
    case QTextFrameFormat::BorderStyle_Inset: return "inset";
    case QTextFrameFormat::BorderStyle_Outset: return "outset";
    case QTextFrameFormat::BorderStyle_Groove: return "threeDEngrave";
    case QTextFrameFormat::BorderStyle_Ridge: return "threeDEmboss";
    default: return "single";
    }
}

// A border: width in pixels as eighths of a point.
void writeBorder(Xml &x, const QString &side, double width, QTextFrameFormat::BorderStyle style, const QBrush &brush)
{
    x.empty(side);
    if (width <= 0 || style == QTextFrameFormat::BorderStyle_None) {
        x.attr(QStringLiteral("w:val"), QStringLiteral("nil"));
        return;
    }
    x.attr(QStringLiteral("w:val"), QLatin1StringView(borderValue(style)));
    x.attr(QStringLiteral("w:sz"), QString::number(std::clamp(roundedInt(width * 6), 2, 96)));
    x.attr(QStringLiteral("w:space"), QStringLiteral("0"));
    x.attr(QStringLiteral("w:color"), brush.style() != Qt::NoBrush ? hexColor(brush.color()) : QStringLiteral("auto"));
}

} // namespace

void Writer::writeCell(Xml &x, const QTextDocument &doc, const QTextTableCell &cell)
{
    bool endsWithParagraph = false;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            writeChildFrame(x, doc, child);
            endsWithParagraph = false;
        } else if (!model::leadsTable(it.currentBlock())) {
            writeBlock(x, doc, it.currentBlock());
            endsWithParagraph = true;
        }
    }
    if (!endsWithParagraph) // Word requires a cell to end with a paragraph
        x.empty(QStringLiteral("w:p"));
}

void Writer::writeTable(Xml &x, const QTextDocument &doc, const QTextTable *table)
{
    const QTextTableFormat tf = table->format();
    const int rows = table->rows();
    const int columns = std::min(table->columns(), 1000);
    if (rows <= 0 || columns <= 0)
        return;
    if (m_tableLevel >= 32) { // deeper than any reader nests: the text only
        for (int r = 0; r < rows; ++r) {
            for (const QTextTableCell &cell : rowCells(table, r)) {
                if (cell.row() == r)
                    writeCell(x, doc, cell);
            }
        }
        return;
    }

    const std::vector<int> widths = model::columnWidthsTwips(tf, columns, m_cellWidth);
    int total = 0;
    for (int w : widths)
        total += w;

    x.start(QStringLiteral("w:tbl"));
    x.start(QStringLiteral("w:tblPr"));
    x.empty(QStringLiteral("w:tblW"));
    x.attr(QStringLiteral("w:w"), QString::number(std::min(total, 31680)));
    x.attr(QStringLiteral("w:type"), QStringLiteral("dxa"));
    const Qt::Alignment a = tf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        x.val(QStringLiteral("w:jc"), QStringLiteral("center"));
    else if (a & Qt::AlignRight)
        x.val(QStringLiteral("w:jc"), QStringLiteral("right"));
    if (const int left = std::clamp(roundedInt(tf.leftMargin() * kTwipsPerPixel), 0, 31680); left > 0) {
        x.empty(QStringLiteral("w:tblInd"));
        x.attr(QStringLiteral("w:w"), QString::number(left));
        x.attr(QStringLiteral("w:type"), QStringLiteral("dxa"));
    }
    // One border for the whole table, as pasted HTML gives it.
    if (tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None) {
        x.start(QStringLiteral("w:tblBorders"));
        for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
            writeBorder(x, QLatin1StringView(side), tf.border(), tf.borderStyle(), tf.borderBrush());
        x.end();
    }
    x.empty(QStringLiteral("w:tblLayout"));
    x.attr(QStringLiteral("w:type"), QStringLiteral("fixed"));
    if (tf.cellPadding() > 0) {
        const QString pad = QString::number(std::min(roundedInt(tf.cellPadding() * kTwipsPerPixel), 1440));
        x.start(QStringLiteral("w:tblCellMar"));
        for (const char *side : {"w:left", "w:right"}) {
            x.empty(QLatin1StringView(side));
            x.attr(QStringLiteral("w:w"), pad);
            x.attr(QStringLiteral("w:type"), QStringLiteral("dxa"));
        }
        x.end();
    }
    x.empty(QStringLiteral("w:tblLook"));
    x.attr(QStringLiteral("w:val"), QStringLiteral("04A0"));
    x.end(); // tblPr
    x.start(QStringLiteral("w:tblGrid"));
    for (int w : widths) {
        x.empty(QStringLiteral("w:gridCol"));
        x.attr(QStringLiteral("w:w"), QString::number(w));
    }
    x.end();

    const int outerWidth = m_cellWidth;
    ++m_tableLevel;
    for (int r = 0; r < rows; ++r) {
        x.start(QStringLiteral("w:tr"));
        if (r < tf.headerRowCount()) {
            x.start(QStringLiteral("w:trPr"));
            x.empty(QStringLiteral("w:tblHeader"));
            x.end();
        }
        const std::vector<QTextTableCell> cells = rowCells(table, r);
        if (cells.empty()) { // a row of fillers alone: Word wants a cell in every row
            x.start(QStringLiteral("w:tc"));
            x.start(QStringLiteral("w:tcPr"));
            x.empty(QStringLiteral("w:tcW"));
            x.attr(QStringLiteral("w:w"), QString::number(total));
            x.attr(QStringLiteral("w:type"), QStringLiteral("dxa"));
            if (columns > 1)
                x.val(QStringLiteral("w:gridSpan"), columns);
            x.end();
            x.empty(QStringLiteral("w:p"));
            x.end();
        }
        for (const QTextTableCell &cell : cells) {
            const int start = cell.column();
            const int span = std::min(columns - start, std::max(1, cell.columnSpan()));
            if (span <= 0)
                break;
            int width = 0;
            for (int c = start; c < start + span; ++c)
                width += widths[size_t(c)];
            const QTextTableCellFormat cf = cell.format().toTableCellFormat();
            x.start(QStringLiteral("w:tc"));
            x.start(QStringLiteral("w:tcPr"));
            x.empty(QStringLiteral("w:tcW"));
            x.attr(QStringLiteral("w:w"), QString::number(width));
            x.attr(QStringLiteral("w:type"), QStringLiteral("dxa"));
            if (span > 1)
                x.val(QStringLiteral("w:gridSpan"), span);
            if (cell.row() != r)
                x.empty(QStringLiteral("w:vMerge"));
            else if (cell.rowSpan() > 1)
                x.val(QStringLiteral("w:vMerge"), QStringLiteral("restart"));
            struct Side {
                const char *name;
                QTextFormat::Property width, style, brush;
            };
            static const Side sides[] = {
                {"w:top", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellTopBorderBrush},
                {"w:left", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle, QTextFormat::TableCellLeftBorderBrush},
                {"w:bottom", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle, QTextFormat::TableCellBottomBorderBrush},
                {"w:right", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle, QTextFormat::TableCellRightBorderBrush},
            };
            bool anyBorder = false;
            for (const Side &s : sides)
                anyBorder = anyBorder || cf.hasProperty(s.width);
            if (anyBorder) {
                x.start(QStringLiteral("w:tcBorders"));
                for (const Side &s : sides) {
                    if (!cf.hasProperty(s.width))
                        continue;
                    const auto style = cf.hasProperty(s.style) ? QTextFrameFormat::BorderStyle(cf.intProperty(s.style))
                                                               : QTextFrameFormat::BorderStyle_Solid;
                    writeBorder(x, QLatin1StringView(s.name), cf.doubleProperty(s.width), style,
                                cf.hasProperty(s.brush) ? cf.brushProperty(s.brush) : QBrush(Qt::black));
                }
                x.end();
            }
            if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush) {
                x.empty(QStringLiteral("w:shd"));
                x.attr(QStringLiteral("w:val"), QStringLiteral("clear"));
                x.attr(QStringLiteral("w:color"), QStringLiteral("auto"));
                x.attr(QStringLiteral("w:fill"), hexColor(cf.background().color()));
            }
            switch (cf.verticalAlignment()) {
            case QTextCharFormat::AlignMiddle: x.val(QStringLiteral("w:vAlign"), QStringLiteral("center")); break;
            case QTextCharFormat::AlignBottom: x.val(QStringLiteral("w:vAlign"), QStringLiteral("bottom")); break;
            default: break;
            }
            x.end(); // tcPr
            if (cell.row() != r) {
                x.empty(QStringLiteral("w:p")); // covered by the cell above
            } else {
                m_cellWidth = std::max(kMinColumn, width - 216);
                writeCell(x, doc, cell);
                m_cellWidth = outerWidth;
            }
            x.end(); // tc
        }
        x.end(); // tr
    }
    --m_tableLevel;
    x.end(); // tbl
}

} // namespace docx::detail
