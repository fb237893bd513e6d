// Pictures (see pictures.h): each image character written back as the
// picture it was read as; an image from elsewhere (pasted) as PNG.

#include "writerimpl.h"

#include "model/pictures.h"

#include <QTextDocument>
#include <QTextImageFormat>

#include <algorithm>

namespace rtf::detail {

// A picture as a \pict group with the bytes and header words it was read
// with; its size as the file gave it unless it was resized since.
void Writer::appendPicture(QByteArray &out, const QTextImageFormat &f) const
{
    const model::PictureData data = model::pictureOf(m_doc, f);
    if (data.bytes.isEmpty())
        return; // an image whose source is gone: nothing to write
    const bool metafile = data.blip == "emfblip" || data.blip.startsWith("wmetafile")
        || data.blip.startsWith("pmmetafile");
    double wpx = f.hasProperty(QTextFormat::ImageWidth) ? f.width() : -1;
    double hpx = f.hasProperty(QTextFormat::ImageHeight) ? f.height() : -1;
    if (wpx <= 0)
        wpx = data.picw > 0 && !metafile ? data.picw : 32;
    if (hpx <= 0)
        hpx = data.pich > 0 && !metafile ? data.pich : wpx;

    const bool asRead = f.hasProperty(model::PictureShownWidth)
        && qAbs(f.doubleProperty(model::PictureShownWidth) - wpx) < 0.01
        && qAbs(f.doubleProperty(model::PictureShownHeight) - hpx) < 0.01;
    int goalW = roundedInt(wpx * kTwipsPerPixel);
    int goalH = roundedInt(hpx * kTwipsPerPixel);
    int scaleX = 100, scaleY = 100;
    bool writeGoal = true;
    if (asRead) {
        scaleX = f.hasProperty(model::PictureScaleX) ? f.intProperty(model::PictureScaleX) : 100;
        scaleY = f.hasProperty(model::PictureScaleY) ? f.intProperty(model::PictureScaleY) : 100;
        // Without a goal the file sized the picture by \picw alone.
        writeGoal = f.hasProperty(model::PictureGoalWidth) || f.hasProperty(model::PictureGoalHeight)
            || data.picw <= 0 || data.pich <= 0;
        if (f.hasProperty(model::PictureGoalWidth))
            goalW = f.intProperty(model::PictureGoalWidth);
        else if (scaleX > 0)
            goalW = roundedInt(goalW * 100.0 / scaleX);
        if (f.hasProperty(model::PictureGoalHeight))
            goalH = f.intProperty(model::PictureGoalHeight);
        else if (scaleY > 0)
            goalH = roundedInt(goalH * 100.0 / scaleY);
    }
    int picw = data.picw, pich = data.pich;
    if (picw < 0)
        picw = metafile ? roundedInt(goalW * 2540.0 / 1440.0) : roundedInt(goalW / kTwipsPerPixel);
    if (pich < 0)
        pich = metafile ? roundedInt(goalH * 2540.0 / 1440.0) : roundedInt(goalH / kTwipsPerPixel);

    out += "{\\pict";
    if (!data.blip.isEmpty())
        out += '\\' + data.blip;
    out += data.words;
    out += "\\picw" + QByteArray::number(picw) + "\\pich" + QByteArray::number(pich);
    if (writeGoal)
        out += "\\picwgoal" + QByteArray::number(goalW) + "\\pichgoal" + QByteArray::number(goalH);
    if (scaleX != 100 || scaleY != 100)
        out += "\\picscalex" + QByteArray::number(scaleX) + "\\picscaley" + QByteArray::number(scaleY);
    out += "\r\n";
    // Lines of 128 digits, as word processors write them. The output is
    // grown once and the digits written into it: appending outgrows it
    // with a copy made while the old one still lives, and a photograph's
    // digits are most of a document.
    const qsizetype n = data.bytes.size();
    const auto *b = reinterpret_cast<const uchar *>(data.bytes.constData());
    const qsizetype at = out.size();
    out.resize(at + 2 * n + 2 * ((n + 63) / 64));
    char *o = out.data() + at;
    for (qsizetype i = 0; i < n; i += 64) {
        const qsizetype end = std::min(n, i + 64);
        for (qsizetype j = i; j < end; ++j) {
            *o++ = kHexDigits[b[j] >> 4];
            *o++ = kHexDigits[b[j] & 15];
        }
        *o++ = '\r';
        *o++ = '\n';
    }
    out += '}';
}

} // namespace rtf::detail
