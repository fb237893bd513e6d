#include "pictures.h"

#include "units.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QVariantList>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace model {

QVariant toVariant(const PictureData &p)
{
    return QVariantList{p.blip, p.words, p.picw, p.pich, p.bytes};
}

PictureData fromVariant(const QVariant &v)
{
    const QVariantList l = v.toList();
    PictureData p;
    if (l.size() != 5)
        return p;
    p.blip = l[0].toByteArray();
    p.words = l[1].toByteArray();
    p.picw = l[2].toInt();
    p.pich = l[3].toInt();
    p.bytes = l[4].toByteArray();
    return p;
}

QUrl pictureBytesUrl(const QString &imageName)
{
    return QUrl(QStringLiteral("rtf-picture-bytes:") + QString::fromLatin1(imageName.toUtf8().toHex()));
}

QByteArray mimeTypeOfBlip(const QByteArray &blip)
{
    if (blip == "pngblip")
        return "image/png";
    if (blip == "jpegblip")
        return "image/jpeg";
    if (blip == "emfblip")
        return "image/emf";
    if (blip.startsWith("wmetafile"))
        return "image/wmf";
    if (blip == "macpict")
        return "image/x-pict";
    if (blip.startsWith("dibitmap") || blip.startsWith("wbitmap"))
        return "image/bmp"; // without its file header, as RTF keeps it
    return {};
}

bool isDrawableBlip(const QByteArray &blip)
{
    return blip == "pngblip" || blip == "jpegblip";
}

namespace {

thread_local qint64 t_decodeWork = 0;

// The decoders the kind names, first the one it names: the other image
// plugins need not face what a file holds.
QList<QByteArray> decodersFor(const QByteArray &blip)
{
    if (blip == "jpegblip")
        return {"jpeg", "png"};
    return {"png", "jpeg"};
}

DecodePlan planWith(QImageReader &reader, const QByteArray &format, QSize shown, qint64 maxPixels)
{
    DecodePlan plan;
    const QSize size = reader.size();
    if (size.isEmpty())
        return plan;
    plan.size = size;
    // At the size shown, never larger than the picture itself.
    QSize target = shown.isEmpty() ? size : size.scaled(shown.boundedTo(size), Qt::KeepAspectRatio);
    target = target.expandedTo(QSize(1, 1));
    const qint64 pixels = qint64(target.width()) * target.height();
    if (pixels > maxPixels) {
        const double f = std::sqrt(double(maxPixels) / double(pixels));
        target = QSize(std::max(1, int(target.width() * f)), std::max(1, int(target.height() * f)));
    }
    plan.target = target;
    // JPEG decodes at an eighth, a quarter or a half of its size when that
    // still covers the target; PNG always whole.
    int denominator = 1;
    if (format == "jpeg") {
        while (denominator < 8 && (size.width() / (denominator * 2)) >= target.width()
               && (size.height() / (denominator * 2)) >= target.height())
            denominator *= 2;
    }
    plan.work = qint64((size.width() + denominator - 1) / denominator) * ((size.height() + denominator - 1) / denominator);
    return plan;
}

} // namespace

namespace {

// Calls `use` with a reader for the first decoder the kind names that can
// read the bytes; the other image plugins need not face what a file holds.
template<typename Use>
auto withReader(const QByteArray &bytes, const QByteArray &blip, Use use) -> decltype(use(std::declval<QImageReader &>(), QByteArray()))
{
    for (const QByteArray &format : decodersFor(blip)) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        reader.setDecideFormatFromContent(false);
        if (reader.canRead())
            return use(reader, format);
    }
    return {};
}

} // namespace

DecodePlan planDecoding(const QByteArray &bytes, const QByteArray &blip, QSize shown, qint64 maxPixels)
{
    return withReader(bytes, blip, [&](QImageReader &reader, const QByteArray &format) {
        return planWith(reader, format, shown, maxPixels);
    });
}

QImage decodePicture(const QByteArray &bytes, const QByteArray &blip, QSize shown, qint64 maxPixels, qint64 maxWork)
{
    return withReader(bytes, blip, [&](QImageReader &reader, const QByteArray &format) -> QImage {
        const DecodePlan plan = planWith(reader, format, shown, maxPixels);
        if (plan.size.isEmpty() || plan.work > maxWork)
            return {};
        if (plan.target != plan.size)
            reader.setScaledSize(plan.target);
        t_decodeWork += plan.work;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            return {};
        return image;
    });
}

namespace {

// The pictures of a document still to be decoded, and their sizes. A child
// of the document, so it lives and moves between threads with it.
class PendingPictures : public QObject {
public:
    explicit PendingPictures(QTextDocument *doc) : QObject(doc) { setObjectName(name()); }
    static QString name() { return QStringLiteral("rtf-pending-pictures"); }
    QHash<QString, QSize> sizes;
};

} // namespace

void decodeWhenShown(QTextDocument &doc, const QString &name, QSize size)
{
    auto *pending = static_cast<PendingPictures *>(
        doc.findChild<QObject *>(PendingPictures::name(), Qt::FindDirectChildrenOnly));
    if (!pending) {
        pending = new PendingPictures(&doc);
        QTextDocument *d = &doc;
        doc.setResourceProvider([d, pending](const QUrl &url) -> QVariant {
            const QString key = url.toString();
            const auto it = pending->sizes.constFind(key);
            if (it == pending->sizes.cend())
                return {};
            const QSize size = *it;
            pending->sizes.erase(it);
            const PictureData data = fromVariant(d->resource(QTextDocument::UserResource, pictureBytesUrl(key)));
            QImage image = decodePicture(data.bytes, data.blip, size, limits::maxPicturePixels);
            if (image.isNull())
                image = placeholderImage(size, blipLabel(data.blip, true));
            // Kept, so it is decoded once.
            d->addResource(QTextDocument::ImageResource, url, image);
            return image;
        });
    }
    pending->sizes.insert(name, size);
}

qint64 decodeWorkOnThisThread()
{
    return t_decodeWork;
}

QString blipLabel(const QByteArray &blip, bool damaged)
{
    if (damaged)
        return QStringLiteral("?");
    if (blip == "emfblip")
        return QStringLiteral("EMF");
    if (blip.startsWith("wmetafile") || blip.startsWith("pmmetafile"))
        return QStringLiteral("WMF");
    if (blip == "macpict")
        return QStringLiteral("PICT");
    if (blip.startsWith("dibitmap") || blip.startsWith("wbitmap"))
        return QStringLiteral("BMP");
    if (blip == "pngblip")
        return QStringLiteral("PNG"); // not decoded: the document's pictures use the memory allowed
    if (blip == "jpegblip")
        return QStringLiteral("JPEG");
    return QStringLiteral("?");
}

QImage placeholderImage(QSize shown, const QString &label)
{
    // Drawn at a bounded size and scaled by the layout: a picture may ask
    // for a whole page.
    QSize size = shown.isEmpty() ? QSize(32, 32) : shown;
    size = size.boundedTo(QSize(256, 256)).expandedTo(QSize(8, 8));
    if (!shown.isEmpty())
        size = shown.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(8, 8));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xF2, 0xF2, 0xF2));
    QPainter p(&image);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    if (size.width() >= 24 && size.height() >= 16) {
        QFont f = p.font();
        f.setPixelSize(std::clamp(std::min(size.width() / 4, size.height() / 2), 8, 24));
        p.setFont(f);
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawText(image.rect(), Qt::AlignCenter, label);
    }
    return image;
}

PictureData pictureOf(const QTextDocument &doc, const QTextImageFormat &format)
{
    const QString name = format.name();
    if (name.isEmpty())
        return {};
    // A picture read from RTF: as read, even when it held no data.
    const QVariant kept = doc.resource(QTextDocument::UserResource, pictureBytesUrl(name));
    if (kept.isValid())
        return fromVariant(kept);
    PictureData data;
    // A picture that came from elsewhere (pasted): its image as PNG.
    const QVariant v = doc.resource(QTextDocument::ImageResource, QUrl(name));
    QImage image;
    if (v.userType() == QMetaType::QImage)
        image = v.value<QImage>();
    else if (v.userType() == QMetaType::QPixmap)
        image = v.value<QPixmap>().toImage();
    else if (v.userType() == QMetaType::QByteArray)
        image.loadFromData(v.toByteArray());
    if (image.isNull())
        return {};
    QBuffer buffer(&data.bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    data.blip = "pngblip";
    data.picw = image.width();
    data.pich = image.height();
    return data;
}

Picture picture(const QTextDocument &doc, const QTextImageFormat &format)
{
    const PictureData data = pictureOf(doc, format);
    if (data.bytes.isEmpty())
        return {};
    return {data.bytes, mimeTypeOfBlip(data.blip)};
}

void completePictureSize(double &width, double &height, QSize decoded)
{
    const bool known = !decoded.isEmpty();
    if (width <= 0 && height <= 0)
        width = known ? decoded.width() * kTwipsPerPixel : 480;
    if (width <= 0)
        width = known ? height * decoded.width() / std::max(1, decoded.height()) : height;
    if (height <= 0)
        height = known ? width * decoded.height() / std::max(1, decoded.width()) : width;
}

} // namespace model
