// Pictures: draw:image in a draw:frame, its bytes a part of the package
// (Pictures/...) or office:binary-data in a flat file. PNG and JPEG show;
// GIF and BMP are kept as PNG; metafiles show as placeholders, as the RTF
// reader keeps them.

#include "readerimpl.h"

#include "model/pictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QLocale>
#include <QTextDocument>
#include <QTextImageFormat>

namespace odt::detail {

namespace {

QByteArray blipOf(const QByteArray &b)
{
    if (b.startsWith("\x89PNG"))
        return "pngblip";
    if (b.startsWith("\xFF\xD8"))
        return "jpegblip";
    if (b.size() > 44 && b.mid(40, 4) == " EMF")
        return "emfblip";
    if (b.startsWith("\xD7\xCD\xC6\x9A") || b.startsWith(QByteArray("\x01\x00\x09\x00", 4)))
        return "wmetafile8";
    return {};
}

// GIF, BMP and the like as PNG, when they are small enough to decode.
QByteArray asPng(const QByteArray &bytes)
{
    QBuffer in;
    in.setData(bytes);
    QImageReader reader(&in);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > model::limits::maxPicturePixels)
        return {};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    image.save(&out, "PNG");
    return png;
}

} // namespace

bool Reader::picture(const Node &frame, const Node &image, const QTextCharFormat &base)
{
    QByteArray bytes;
    if (const Node *data = image.child(ns::office, QLatin1StringView("binary-data"))) {
        const QString text = data->allText();
        if (text.size() / 4 * 3 > model::limits::maxPictureBytes)
            throw model::ReadError(tr("Dokument je příliš velký: obsahuje obrázek větší než %1 MB.")
                                       .arg(model::limits::maxPictureBytes / (1024 * 1024)));
        bytes = QByteArray::fromBase64(text.toLatin1());
    } else if (m_zip) {
        const QString part = package::resolvePart(QStringLiteral("content.xml"), image.attr(ns::xlink, QLatin1StringView("href")));
        // A picture shown many times is read once.
        if (auto it = m_parts.constFind(part); it != m_parts.cend())
            bytes = *it;
        else if (!part.isEmpty() && m_zip->contains(part))
            m_parts.insert(part, bytes = m_zip->read(part));
    }
    if (bytes.isEmpty())
        return false; // a linked picture: kept as it was
    if (bytes.size() > model::limits::maxPictureBytes)
        throw model::ReadError(tr("Dokument je příliš velký: obsahuje obrázek větší než %1 MB.")
                                   .arg(model::limits::maxPictureBytes / (1024 * 1024)));
    if (++m_pictures > limits::maxPictures)
        throw model::ReadError(tr("Dokument je příliš velký: má víc než %1 obrázků.")
                                   .arg(QLocale(QLocale::Czech).toString(limits::maxPictures)));
    model::PictureData data;
    data.blip = blipOf(bytes);
    if (data.blip.isEmpty()) {
        const QByteArray png = asPng(bytes);
        if (png.isEmpty())
            return false; // SVG and kinds the model has no name for
        bytes = png;
        data.blip = "pngblip";
    }
    data.bytes = bytes;
    const bool drawable = model::isDrawableBlip(data.blip);
    double w = std::clamp(toTwips(frame.attr(ns::svg, QLatin1StringView("width")), -1), -1, limits::maxTwips);
    double h = std::clamp(toTwips(frame.attr(ns::svg, QLatin1StringView("height")), -1), -1, limits::maxTwips);
    const int goalW = int(w), goalH = int(h);
    auto pixels = [](double twips) { return std::clamp(twips / kTwipsPerPixel, 1.0, limits::maxTwips / kTwipsPerPixel); };

    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(data.blip + '\0');
    hash.addData(data.bytes);
    QTextDocument &doc = *m_b.cursor.document();
    // Names are per document: a note is a document of its own.
    const QByteArray key = hash.result() + QByteArray::number(quintptr(&doc));
    QSize imageSize;
    bool damaged = false;
    QString name = m_pictureNames.value(key);
    const bool fresh = name.isEmpty();
    if (fresh) {
        name = QStringLiteral("odt-picture:") + QString::fromLatin1(hash.result().toHex());
        const qint64 budget = std::min(model::limits::maxPicturePixels, model::limits::maxDocumentPicturePixels - m_decodedPixels);
        const qint64 work = std::min(model::limits::maxPictureDecodeWork,
                                     model::limits::maxDocumentPicturePixels / 2
                                         + model::limits::decodeWorkPerByte * m_inputBytes - m_decodeWork);
        if (drawable && budget > 0 && work > 0) {
            const int most = int(limits::maxTwips / kTwipsPerPixel);
            const QSize shown(w > 0 ? qRound(pixels(w)) : most, h > 0 ? qRound(pixels(h)) : most);
            const model::DecodePlan plan = model::planDecoding(data.bytes, data.blip, shown, budget);
            damaged = plan.size.isEmpty();
            if (!damaged && plan.work <= work) {
                imageSize = plan.target;
                m_decodeWork += plan.work;
                m_decodedPixels += qint64(imageSize.width()) * imageSize.height();
            }
        }
        m_pictureNames.insert(key, name);
    }
    model::completePictureSize(w, h, imageSize);
    const double wpx = pixels(w), hpx = pixels(h);
    if (fresh) {
        doc.addResource(QTextDocument::UserResource, model::pictureBytesUrl(name), model::toVariant(data));
        if (!imageSize.isEmpty()) {
            model::decodeWhenShown(doc, name, imageSize);
        } else {
            const QImage placeholder = model::placeholderImage(QSize(qRound(wpx), qRound(hpx)),
                                                               model::blipLabel(data.blip, damaged));
            doc.addResource(QTextDocument::ImageResource, QUrl(name), placeholder);
        }
    }
    QTextCharFormat cf = base;
    cf.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = cf.toImageFormat();
    f.setName(name);
    f.setWidth(wpx);
    f.setHeight(hpx);
    if (goalW > 0)
        f.setProperty(model::PictureGoalWidth, goalW);
    if (goalH > 0)
        f.setProperty(model::PictureGoalHeight, goalH);
    f.setProperty(model::PictureShownWidth, wpx);
    f.setProperty(model::PictureShownHeight, hpx);
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    m_b.lastSpace = false;
    m_b.trailingSpace = -1;
    return true;
}

} // namespace odt::detail
