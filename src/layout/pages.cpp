#include "pages.h"

#include "model/docprops.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <memory>

namespace layout {

void setDefaultPageLayout(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter));
}

QPageLayout pageLayout(const QTextDocument &doc)
{
    constexpr double twipsPerPoint = 20;
    constexpr double defaultMargin = 25 * 72 / 25.4; // 2.5 cm in points
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    const model::PageSetup page = model::pageSetup(doc);
    if (doc.rootFrame()->frameFormat().stringProperty(model::DocPageWords).isEmpty())
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(defaultMargin, defaultMargin, defaultMargin, defaultMargin), QPageLayout::Point);
    const auto points = [](int twips) { return twips < 0 ? -1.0 : twips / twipsPerPoint; };
    double width = points(page.width), height = points(page.height), left = points(page.marginLeft),
           right = points(page.marginRight), top = points(page.marginTop), bottom = points(page.marginBottom),
           gutter = std::max(0.0, points(page.gutter));
    const bool landscape = page.landscape;
    auto sane = [](double v) { return v >= 72 && v <= 14400; }; // an inch to the largest PDF page
    if (!sane(width))
        width = landscape ? a4.height() : a4.width();
    if (!sane(height))
        height = landscape ? a4.width() : a4.height();
    // RTF gives the page as it lies; Qt wants it upright and turned.
    const bool turned = landscape || width > height;
    const QSizeF upright(std::min(width, height), std::max(width, height));
    const QSizeF lying = turned ? upright.transposed() : upright;
    auto margin = [](double v) { return v >= 0 ? v : defaultMargin; };
    QMarginsF margins(margin(left) + std::max(0.0, gutter), margin(top), margin(right), margin(bottom));
    if (margins.left() + margins.right() > lying.width() - 72 || margins.top() + margins.bottom() > lying.height() - 72)
        margins = QMarginsF(defaultMargin, defaultMargin, defaultMargin, defaultMargin);
    if (margins.left() + margins.right() > lying.width() - 72 || margins.top() + margins.bottom() > lying.height() - 72)
        margins = QMarginsF();
    return QPageLayout(QPageSize(upright, QPageSize::Point, QString(), QPageSize::FuzzyMatch),
                       turned ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Point);
}

bool paintPages(const QTextDocument &doc, QPagedPaintDevice &device)
{
    // The painter starts at the margins, so the copy fills exactly the area
    // inside them.
    const std::unique_ptr<QTextDocument> copy(doc.clone());
    QAbstractTextDocumentLayout *layout = copy->documentLayout();
    layout->setPaintDevice(&device);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setPadding(0);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    copy->setPageSize(page);

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int pages = copy->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device.newPage())
            return false;
        painter.save();
        painter.translate(0, -i * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, i * page.height(), page.width(), page.height());
        layout->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

QByteArray toPdf(const QTextDocument &doc, const QString &title)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("borovka-convert"));
    writer.setResolution(600);
    writer.setPageLayout(pageLayout(doc));
    if (!paintPages(doc, writer))
        return {};
    return pdf;
}

} // namespace layout
