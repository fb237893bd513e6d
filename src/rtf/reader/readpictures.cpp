// Pictures: \\pict groups read into image characters whose bytes the
// document keeps, so the writer gives them back as they were.

#include "readerimpl.h"

#include <QCryptographicHash>
#include <QImage>
#include <QLocale>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <array>

namespace rtf::detail {

void Reader::beginPicture()
{
    m_pic = PictureBuilder();
    m_pic.hidden = m_st.chr.hidden;
    m_picActive = true;
}

void Reader::pictureWord(std::string_view name, bool hasParam, int param)
{
    if (!m_picActive)
        return;
    const QByteArray word(name.data(), qsizetype(name.size()));
    const QByteArray withParam = hasParam ? word + QByteArray::number(param) : word;
    // Kinds with a parameter name its mapping mode or its type.
    static const char *const kinds[] = {"pngblip", "jpegblip", "emfblip", "macpict", "pmmetafile",
                                        "wmetafile", "dibitmap", "wbitmap"};
    for (const char *k : kinds) {
        if (word == k) {
            m_pic.data.blip = withParam;
            return;
        }
    }
    const int positive = hasParam ? std::max(0, param) : 0;
    if (word == "picw")
        m_pic.data.picw = positive;
    else if (word == "pich")
        m_pic.data.pich = positive;
    else if (word == "picwgoal")
        m_pic.goalW = positive;
    else if (word == "pichgoal")
        m_pic.goalH = positive;
    else if (word == "picscalex")
        m_pic.scaleX = positive;
    else if (word == "picscaley")
        m_pic.scaleY = positive;
    else if (m_pic.data.words.size() < 1024) {
        // Other words of a picture's header are written back as read.
        static const char *const kept[] = {"piccropl", "piccropr", "piccropt", "piccropb", "picscaled",
                                           "wbmbitspixel", "wbmplanes", "wbmwidthbytes", "picbmp",
                                           "picbpp", "bliptag", "blipupi", "defshp"};
        for (const char *k : kept) {
            if (word == k) {
                m_pic.data.words += '\\' + withParam;
                return;
            }
        }
    }
}

void Reader::pictureBytes(const char *s, qsizetype n)
{
    if (!m_picActive || n <= 0)
        return;
    if (m_pic.data.bytes.size() + n > limits::maxPictureBytes) {
        throw Error(QStringLiteral("Dokument je příliš velký: obsahuje obrázek větší než %1 MB.")
                        .arg(limits::maxPictureBytes / (1024 * 1024)));
    }
    m_pic.data.bytes.append(s, n);
}

void Reader::pictureHex(const char *s, qsizetype n)
{
    if (!m_picActive || n <= 0)
        return;
    // Decoded straight into the picture's bytes: a photograph is hundreds
    // of megabytes of digits.
    QByteArray &bytes = m_pic.data.bytes;
    const qsizetype before = bytes.size();
    bytes.resize(before + (n + 1) / 2);
    char *out = bytes.data() + before;
    const char *const start = out;
    int nibble = m_pic.nibble;
    const auto *p = reinterpret_cast<const uchar *>(s);
    const auto *const end = p + n;
    while (p < end) {
        if (nibble < 0) {
            // Pairs of digits, the usual case, two at a time.
            while (end - p >= 2) {
                const int hi = kHexValue[p[0]];
                const int lo = kHexValue[p[1]];
                if ((hi | lo) < 0)
                    break;
                *out++ = char(hi * 16 + lo);
                p += 2;
            }
            if (p == end)
                break;
        }
        const int v = kHexValue[*p++];
        if (v < 0)
            continue; // white space between the digits
        if (nibble < 0) {
            nibble = v;
        } else {
            *out++ = char(nibble * 16 + v);
            nibble = -1;
        }
    }
    m_pic.nibble = nibble;
    bytes.resize(before + (out - start));
    if (bytes.size() > limits::maxPictureBytes) {
        throw Error(QStringLiteral("Dokument je příliš velký: obsahuje obrázek větší než %1 MB.")
                        .arg(limits::maxPictureBytes / (1024 * 1024)));
    }
}

void Reader::finishPicture()
{
    m_picActive = false;
    PictureBuilder pic = std::move(m_pic);
    m_pic = PictureBuilder();
    if (pic.hidden || m_st.chr.hidden)
        return;
    // One without data, which a save cannot write, would make a result
    // look as if it showed something; the result keeps its piece instead.
    if (pic.data.bytes.isEmpty() && m_st.chr.wrap >= 0)
        return;
    if (++m_pictures > limits::maxPictures) {
        throw Error(QStringLiteral("Dokument je příliš velký: má víc než %1 obrázků.")
                        .arg(QLocale(QLocale::Czech).toString(limits::maxPictures)));
    }
    model::PictureData &data = pic.data;
    data.bytes.squeeze(); // kept for the document's life: no room to grow
    const bool drawable = model::isDrawableBlip(data.blip);

    // The size shown, in twips before scaling: the goal, else \picw, which
    // metafiles give in hundredths of a millimetre and bitmaps in pixels.
    auto natural = [&](int goal, int picw) -> double {
        if (goal > 0)
            return goal;
        if (picw > 0) {
            const bool metafile = data.blip == "emfblip" || data.blip.startsWith("wmetafile")
                || data.blip.startsWith("pmmetafile");
            return metafile ? picw * 1440.0 / 2540.0 : picw * 15.0;
        }
        return -1;
    };
    double w = natural(pic.goalW, data.picw);
    double h = natural(pic.goalH, data.pich);
    auto shownPixels = [](double twips, int scale) {
        return std::clamp(twips * (scale > 0 ? scale : 100) / 100.0 / kTwipsPerPixel, 1.0,
                          double(limits::maxTwips) / kTwipsPerPixel);
    };

    QString name;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(data.blip + '\0' + data.words + '\0' + QByteArray::number(data.picw) + ','
                 + QByteArray::number(data.pich) + '\0');
    hash.addData(data.bytes);
    const QByteArray key = hash.result();
    QTextDocument *doc = m_b.cursor.document();
    QSize imageSize;     // what the picture is decoded at, when it is
    bool damaged = false; // decoding was tried, and the bytes are no picture
    auto it = m_b.pictureNames.constFind(key);
    const bool fresh = it == m_b.pictureNames.cend();
    if (!fresh) {
        name = *it;
        imageSize = m_b.pictureSizes.value(key);
    } else {
        name = QStringLiteral("rtf-picture:") + QString::fromLatin1(key.toHex());
        const qint64 budget = std::min(limits::maxPicturePixels, limits::maxDocumentPicturePixels - m_decodedPixels);
        // What decoding may cost, in proportion to the file's size.
        const qint64 work = std::min(limits::maxPictureDecodeWork,
                                     limits::maxDocumentPicturePixels / 2
                                         + limits::decodeWorkPerByte * m_inputBytes - m_decodeWork);
        if (drawable && budget > 0 && work > 0) {
            // Decoded at the size shown, when first shown; a side the file
            // does not give is at most the largest the page shows. Only the
            // header is read here.
            const int most = int(limits::maxTwips / kTwipsPerPixel);
            const QSize shown(w > 0 ? qRound(shownPixels(w, pic.scaleX)) : most,
                              h > 0 ? qRound(shownPixels(h, pic.scaleY)) : most);
            const model::DecodePlan plan = model::planDecoding(data.bytes, data.blip, shown, budget);
            damaged = plan.size.isEmpty();
            if (!damaged && plan.work <= work) {
                imageSize = plan.target;
                m_decodeWork += plan.work;
                m_decodedPixels += qint64(imageSize.width()) * imageSize.height();
            }
        }
        m_b.pictureNames.insert(key, name);
        m_b.pictureSizes.insert(key, imageSize);
    }
    // Without a size in the file the decoded picture's own size applies.
    model::completePictureSize(w, h, imageSize);
    const double wpx = shownPixels(w, pic.scaleX);
    const double hpx = shownPixels(h, pic.scaleY);

    if (fresh) {
        doc->addResource(QTextDocument::UserResource, model::pictureBytesUrl(name), model::toVariant(data));
        if (!imageSize.isEmpty()) {
            model::decodeWhenShown(*doc, name, imageSize);
        } else {
            const QImage image = model::placeholderImage(
                QSize(qRound(wpx), qRound(hpx)), model::blipLabel(data.blip, damaged || data.blip.isEmpty()));
            doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        }
    }

    // The paragraph begins first: a result that a new paragraph in a table
    // splits gives the picture the result it goes on as.
    beforeText();
    flushRun();
    QTextCharFormat cf = charFormat(m_st.chr);
    cf.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = cf.toImageFormat();
    f.setName(name);
    f.setWidth(wpx);
    f.setHeight(hpx);
    if (pic.goalW > 0)
        f.setProperty(model::PictureGoalWidth, pic.goalW);
    if (pic.goalH > 0)
        f.setProperty(model::PictureGoalHeight, pic.goalH);
    if (pic.scaleX != 100)
        f.setProperty(model::PictureScaleX, pic.scaleX);
    if (pic.scaleY != 100)
        f.setProperty(model::PictureScaleY, pic.scaleY);
    f.setProperty(model::PictureShownWidth, wpx);
    f.setProperty(model::PictureShownHeight, hpx);
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_b.blockHasText = true;
}

} // namespace rtf::detail
