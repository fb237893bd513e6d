// Tables as table:table: column widths in lengths (the model's shares of
// the table's width in twips, as the RTF writer turns them into edges),
// merged cells as spans with table:covered-table-cell where the merged cell
// covers, borders, shading and padding as automatic cell styles, nested
// tables inside their cells.

#include "writerimpl.h"

#include "model/tables.h"

#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace odt::detail {

namespace {

constexpr int kMinColumn = model::kMinColumnTwips;
constexpr int kMaxWidth = 31680; // 22 inches: no page is wider

QString borderStyle(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: return QStringLiteral("double");
    case QTextFrameFormat::BorderStyle_Dotted: return QStringLiteral("dotted");
    case QTextFrameFormat::BorderStyle_Dashed:
    case QTextFrameFormat::BorderStyle_DotDash:
    case QTextFrameFormat::BorderStyle_DotDotDash: return QStringLiteral("dashed");
    case QTextFrameFormat::BorderStyle_Inset: return QStringLiteral("inset");
    case QTextFrameFormat::BorderStyle_Outset: return QStringLiteral("outset");
    case QTextFrameFormat::BorderStyle_Groove: return QStringLiteral("groove");
    case QTextFrameFormat::BorderStyle_Ridge: return QStringLiteral("ridge");
    default: return QStringLiteral("solid");
    }
}

QString pointsOfPixels(double px)
{
    return points(std::clamp(px * 0.75, 0.05, 72.0));
}

} // namespace

void Writer::writeTable(Walk &w, const QTextTable *table)
{
    QXmlStreamWriter &x = *w.x;
    const QTextTableFormat tf = table->format();
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0)
        return;

    const std::vector<int> widths = model::columnWidthsTwips(tf, columns, w.cellWidth);
    long total = 0;
    for (int width : widths)
        total += width;

    // The table's style: its width, alignment, and the page of a section
    // that starts with it.
    QString master;
    if (w.body && w.tableDepth == 0)
        master = m_sectionMaster.value(table->firstCursorPosition().block().blockNumber());
    QByteArray xml;
    {
        QXmlStreamWriter s(&xml);
        s.writeStartElement(QStringLiteral("style:style"));
        s.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
        s.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table"));
        if (!master.isEmpty())
            s.writeAttribute(QStringLiteral("style:master-page-name"), master);
        s.writeEmptyElement(QStringLiteral("style:table-properties"));
        s.writeAttribute(QStringLiteral("style:width"), cmFromTwips(double(std::min<long>(total, 20L * kMaxWidth))));
        const Qt::Alignment a = tf.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter) {
            s.writeAttribute(QStringLiteral("table:align"), QStringLiteral("center"));
        } else if (a & Qt::AlignRight) {
            s.writeAttribute(QStringLiteral("table:align"), QStringLiteral("right"));
        } else {
            s.writeAttribute(QStringLiteral("table:align"), QStringLiteral("left"));
            if (tf.leftMargin() > 0)
                s.writeAttribute(QStringLiteral("fo:margin-left"), cmFromPixels(std::min(tf.leftMargin(), 2000.0)));
        }
        s.writeEndElement();
    }
    const QString tableStyle = w.pool->add(QStringLiteral("Table"), xml);

    x.writeStartElement(QStringLiteral("table:table"));
    x.writeAttribute(QStringLiteral("table:name"), QStringLiteral("Table") + QString::number(++m_tableCount));
    x.writeAttribute(QStringLiteral("table:style-name"), tableStyle);
    for (int c = 0; c < columns; ++c) {
        QByteArray col;
        QXmlStreamWriter s(&col);
        s.writeStartElement(QStringLiteral("style:style"));
        s.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
        s.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table-column"));
        s.writeEmptyElement(QStringLiteral("style:table-column-properties"));
        s.writeAttribute(QStringLiteral("style:column-width"), cmFromTwips(widths[size_t(c)]));
        s.writeEndElement();
        x.writeEmptyElement(QStringLiteral("table:table-column"));
        x.writeAttribute(QStringLiteral("table:style-name"), w.pool->add(QStringLiteral("Col"), col));
    }

    const int headerRows = std::clamp(tf.headerRowCount(), 0, rows);
    const int outerWidth = w.cellWidth;
    ++w.tableDepth;
    if (headerRows > 0)
        x.writeStartElement(QStringLiteral("table:table-header-rows"));
    for (int r = 0; r < rows; ++r) {
        if (r == headerRows && headerRows > 0)
            x.writeEndElement();
        x.writeStartElement(QStringLiteral("table:table-row"));
        // Filler cells that only pad the row's end are not the file's.
        int end = columns;
        while (end > 0) {
            const QTextTableCell cell = table->cellAt(r, end - 1);
            if (!cell.isValid() || cell.row() != r || !isEmptyFiller(cell))
                break;
            end = cell.column();
        }
        for (int c = 0; c < std::max(end, 1);) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid()) {
                x.writeStartElement(QStringLiteral("table:table-cell"));
                x.writeEmptyElement(QStringLiteral("text:p"));
                x.writeEndElement();
                ++c;
                continue;
            }
            if (cell.row() != r || cell.column() != c) {
                x.writeEmptyElement(QStringLiteral("table:covered-table-cell"));
                ++c;
                continue;
            }
            const int colSpan = std::clamp(cell.columnSpan(), 1, columns - c);
            const int rowSpan = std::clamp(cell.rowSpan(), 1, rows - r);
            x.writeStartElement(QStringLiteral("table:table-cell"));
            const QString cellStyle = [&] {
                const QTextTableCellFormat f = cell.format().toTableCellFormat();
                QByteArray cx;
                QXmlStreamWriter s(&cx);
                s.writeStartElement(QStringLiteral("style:style"));
                s.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
                s.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table-cell"));
                s.writeEmptyElement(QStringLiteral("style:table-cell-properties"));
                switch (f.verticalAlignment()) {
                case QTextCharFormat::AlignMiddle: s.writeAttribute(QStringLiteral("style:vertical-align"), QStringLiteral("middle")); break;
                case QTextCharFormat::AlignBottom: s.writeAttribute(QStringLiteral("style:vertical-align"), QStringLiteral("bottom")); break;
                default: break;
                }
                if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
                    s.writeAttribute(QStringLiteral("fo:background-color"), f.background().color().name());
                struct Side {
                    const char *attr;
                    QTextFormat::Property width, style, brush, padding;
                };
                static const Side sides[] = {
                    {"fo:border-top", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle,
                     QTextFormat::TableCellTopBorderBrush, QTextFormat::TableCellTopPadding},
                    {"fo:border-bottom", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle,
                     QTextFormat::TableCellBottomBorderBrush, QTextFormat::TableCellBottomPadding},
                    {"fo:border-left", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle,
                     QTextFormat::TableCellLeftBorderBrush, QTextFormat::TableCellLeftPadding},
                    {"fo:border-right", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle,
                     QTextFormat::TableCellRightBorderBrush, QTextFormat::TableCellRightPadding},
                };
                for (const Side &side : sides) {
                    double width = 0;
                    auto style = QTextFrameFormat::BorderStyle_Solid;
                    QColor color(Qt::black);
                    if (f.hasProperty(side.width)) {
                        width = f.doubleProperty(side.width);
                        if (f.hasProperty(side.style))
                            style = QTextFrameFormat::BorderStyle(f.intProperty(side.style));
                        if (f.hasProperty(side.brush) && f.brushProperty(side.brush).style() != Qt::NoBrush)
                            color = f.brushProperty(side.brush).color();
                    } else if (tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None) {
                        // One border for the whole table, as pasted HTML gives it.
                        width = tf.border();
                        style = tf.borderStyle();
                        if (tf.borderBrush().style() != Qt::NoBrush)
                            color = tf.borderBrush().color();
                    }
                    if (width > 0 && style != QTextFrameFormat::BorderStyle_None)
                        s.writeAttribute(QLatin1StringView(side.attr),
                                         pointsOfPixels(width) + u' ' + borderStyle(style) + u' ' + color.name());
                    else
                        s.writeAttribute(QLatin1StringView(side.attr), QStringLiteral("none"));
                }
                for (const Side &side : sides) {
                    double pad = tf.cellPadding() > 0 ? tf.cellPadding() : 7.2; // 0.075 in, as word processors pad
                    if (f.hasProperty(side.padding))
                        pad = f.doubleProperty(side.padding);
                    const QString attr = QLatin1StringView(side.attr).mid(10); // "top" ...
                    s.writeAttribute(QStringLiteral("fo:padding-") + attr, cmFromPixels(std::clamp(pad, 0.0, 96.0)));
                }
                s.writeEndElement();
                return w.pool->add(QStringLiteral("Cell"), cx);
            }();
            x.writeAttribute(QStringLiteral("table:style-name"), cellStyle);
            if (colSpan > 1)
                x.writeAttribute(QStringLiteral("table:number-columns-spanned"), QString::number(colSpan));
            if (rowSpan > 1)
                x.writeAttribute(QStringLiteral("table:number-rows-spanned"), QString::number(rowSpan));
            x.writeAttribute(QStringLiteral("office:value-type"), QStringLiteral("string"));
            int cellWidth = 0;
            for (int k = c; k < c + colSpan; ++k)
                cellWidth += widths[size_t(k)];
            w.cellWidth = std::max(kMinColumn, cellWidth - 216);
            bool any = false;
            for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
                if (QTextFrame *child = it.currentFrame()) {
                    closeLists(w);
                    if (auto *nested = qobject_cast<QTextTable *>(child))
                        writeTable(w, nested);
                    else
                        writeFrame(w, child);
                    any = true;
                } else if (!model::leadsTable(it.currentBlock())) {
                    writeBlock(w, it.currentBlock());
                    any = true;
                }
            }
            closeLists(w);
            if (!any)
                x.writeEmptyElement(QStringLiteral("text:p"));
            x.writeEndElement();
            for (int k = 1; k < colSpan; ++k)
                x.writeEmptyElement(QStringLiteral("table:covered-table-cell"));
            c += colSpan;
        }
        x.writeEndElement(); // table:table-row
    }
    if (headerRows == rows && headerRows > 0)
        x.writeEndElement();
    --w.tableDepth;
    w.cellWidth = outerWidth;
    x.writeEndElement();
}

} // namespace odt::detail
