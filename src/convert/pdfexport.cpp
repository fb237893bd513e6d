#include "pdfexport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

namespace borovka {

QByteArray toPdf(const QTextDocument &doc, const QString &title)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("borovka-convert"));
    writer.setResolution(600);
    if (!writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                          QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter)))
        return {};

    // Laid out afresh for the page: the painter starts at the margins, so the
    // document fills exactly the area inside them, page after page.
    const std::unique_ptr<QTextDocument> copy(doc.clone());
    QAbstractTextDocumentLayout *layout = copy->documentLayout();
    layout->setPaintDevice(&writer);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setPadding(0);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page = writer.pageLayout().paintRectPixels(writer.resolution()).size();
    copy->setPageSize(page);

    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    const int pages = copy->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -i * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, i * page.height(), page.width(), page.height());
        layout->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end())
        return {};
    return pdf;
}

} // namespace borovka
