#include "pages.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

namespace rtf {

void setDefaultPageLayout(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter));
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
    setDefaultPageLayout(writer);
    if (!paintPages(doc, writer))
        return {};
    return pdf;
}

} // namespace rtf
