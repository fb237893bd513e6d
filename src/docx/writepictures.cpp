// Pictures: each image character as an inline drawing whose bytes are a
// part of their own in word/media, at the size it is shown. The same bytes
// shown twice are one part.

#include "writerimpl.h"

#include "model/pictures.h"

#include <QCryptographicHash>
#include <QTextImageFormat>

#include <algorithm>
#include <cmath>

namespace docx::detail {

namespace {

// The extension a picture's part gets; empty for kinds a Word document
// does not hold (PICT, a bitmap without its file header).
QString extensionOf(const QByteArray &mimeType)
{
    if (mimeType == "image/png")
        return QStringLiteral("png");
    if (mimeType == "image/jpeg")
        return QStringLiteral("jpeg");
    if (mimeType == "image/emf")
        return QStringLiteral("emf");
    if (mimeType == "image/wmf")
        return QStringLiteral("wmf");
    if (mimeType == "image/bmp")
        return QStringLiteral("bmp");
    return {};
}

quint32 readLe(const QByteArray &b, qsizetype at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | uchar(b[at + i]);
    return v;
}

// A bitmap as RTF holds it (its info header and pixels) with the file
// header a .bmp file starts with; empty when the info header is no such.
QByteArray bmpFile(const QByteArray &dib)
{
    if (dib.size() < 40)
        return {};
    const quint32 headerSize = readLe(dib, 0, 4);
    if (headerSize < 40 || headerSize > 124 || headerSize > quint32(dib.size()))
        return {};
    const quint32 bits = readLe(dib, 14, 2);
    const quint32 compression = readLe(dib, 16, 4);
    quint32 colors = readLe(dib, 32, 4);
    if (colors == 0 && bits <= 8)
        colors = 1u << bits;
    if (colors > 256)
        return {};
    quint32 offset = 14 + headerSize + colors * 4;
    if (headerSize == 40 && compression == 3) // BI_BITFIELDS: three masks after the header
        offset += 12;
    const quint32 size = 14 + quint32(dib.size());
    if (offset > size)
        return {};
    QByteArray file("BM");
    for (quint32 v : {size, 0u, offset}) {
        for (int i = 0; i < 4; ++i)
            file += char((v >> (8 * i)) & 0xFF);
    }
    return file + dib;
}

qint64 emu(double pixels, qint64 perPixel)
{
    if (std::isnan(pixels) || pixels <= 0)
        return perPixel * 32;
    return qint64(std::min(pixels, 20000.0) * double(perPixel) + 0.5);
}

} // namespace

void Writer::writePicture(Xml &x, const QTextDocument &doc, const QTextImageFormat &f)
{
    model::Picture picture = model::picture(doc, f);
    const QString ext = extensionOf(picture.mimeType);
    if (ext == QLatin1StringView("bmp"))
        picture.bytes = bmpFile(picture.bytes);
    if (picture.bytes.isEmpty() || ext.isEmpty())
        return;
    const QByteArray hash = QCryptographicHash::hash(picture.bytes, QCryptographicHash::Sha1) + ext.toLatin1();
    int index = m_mediaByHash.value(hash, -1);
    if (index < 0) {
        index = int(m_media.size());
        m_media.push_back({QStringLiteral("image") + QString::number(index + 1) + u'.' + ext, picture.bytes});
        m_mediaByHash.insert(hash, index);
    }
    const QString &name = m_media[size_t(index)].name;
    const QString rid = m_part->rels.add(QStringLiteral("image"), QStringLiteral("media/") + name, false);

    double wpx = f.hasProperty(QTextFormat::ImageWidth) ? f.width() : -1;
    double hpx = f.hasProperty(QTextFormat::ImageHeight) ? f.height() : -1;
    if (wpx <= 0 && f.hasProperty(PictureShownWidth))
        wpx = f.doubleProperty(PictureShownWidth);
    if (hpx <= 0 && f.hasProperty(PictureShownHeight))
        hpx = f.doubleProperty(PictureShownHeight);
    if (wpx <= 0 || hpx <= 0) {
        const QSize size = model::planDecoding(picture.bytes, picture.mimeType == "image/png" ? "pngblip" : "jpegblip",
                                               QSize(), limits::maxPicturePixels).size;
        if (wpx <= 0)
            wpx = size.width() > 0 ? size.width() : 32;
        if (hpx <= 0)
            hpx = size.height() > 0 ? size.height() * wpx / std::max(1, size.width()) : wpx;
    }
    const QString cx = QString::number(emu(wpx, kEmuPerPixel));
    const QString cy = QString::number(emu(hpx, kEmuPerPixel));
    const int drawing = m_nextDrawing++;

    x.start(QStringLiteral("w:r"));
    writeRunProperties(x, f, QString());
    x.start(QStringLiteral("w:drawing"));
    x.start(QStringLiteral("wp:inline"));
    for (const char *d : {"distT", "distB", "distL", "distR"})
        x.attr(QLatin1StringView(d), QStringLiteral("0"));
    x.empty(QStringLiteral("wp:extent"));
    x.attr(QStringLiteral("cx"), cx);
    x.attr(QStringLiteral("cy"), cy);
    x.empty(QStringLiteral("wp:effectExtent"));
    for (const char *d : {"l", "t", "r", "b"})
        x.attr(QLatin1StringView(d), QStringLiteral("0"));
    x.empty(QStringLiteral("wp:docPr"));
    x.attr(QStringLiteral("id"), QString::number(drawing));
    x.attr(QStringLiteral("name"), QStringLiteral("Picture ") + QString::number(drawing));
    x.start(QStringLiteral("wp:cNvGraphicFramePr"));
    x.empty(QStringLiteral("a:graphicFrameLocks"));
    x.attr(QStringLiteral("noChangeAspect"), QStringLiteral("1"));
    x.end();
    x.start(QStringLiteral("a:graphic"));
    x.start(QStringLiteral("a:graphicData"));
    x.attr(QStringLiteral("uri"), QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
    x.start(QStringLiteral("pic:pic"));
    x.start(QStringLiteral("pic:nvPicPr"));
    x.empty(QStringLiteral("pic:cNvPr"));
    x.attr(QStringLiteral("id"), QString::number(drawing));
    x.attr(QStringLiteral("name"), name);
    x.empty(QStringLiteral("pic:cNvPicPr"));
    x.end();
    x.start(QStringLiteral("pic:blipFill"));
    x.empty(QStringLiteral("a:blip"));
    x.attr(QStringLiteral("r:embed"), rid);
    x.start(QStringLiteral("a:stretch"));
    x.empty(QStringLiteral("a:fillRect"));
    x.end();
    x.end();
    x.start(QStringLiteral("pic:spPr"));
    x.start(QStringLiteral("a:xfrm"));
    x.empty(QStringLiteral("a:off"));
    x.attr(QStringLiteral("x"), QStringLiteral("0"));
    x.attr(QStringLiteral("y"), QStringLiteral("0"));
    x.empty(QStringLiteral("a:ext"));
    x.attr(QStringLiteral("cx"), cx);
    x.attr(QStringLiteral("cy"), cy);
    x.end();
    x.start(QStringLiteral("a:prstGeom"));
    x.attr(QStringLiteral("prst"), QStringLiteral("rect"));
    x.empty(QStringLiteral("a:avLst"));
    x.end();
    x.end(); // spPr
    x.end(); // pic
    x.end(); // graphicData
    x.end(); // graphic
    x.end(); // inline
    x.end(); // drawing
    x.end(); // r
}

} // namespace docx::detail
