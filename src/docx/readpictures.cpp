// Pictures: DrawingML (w:drawing with a:blip) and VML (v:imagedata) whose
// bytes are parts of the package, kept as the RTF reader keeps pictures
// (model/pictures.h): PNG and JPEG shown, metafiles as placeholders.
// Drawings without a picture (text boxes, shapes) keep their text.

#include "readerimpl.h"

#include "model/pictures.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLocale>
#include <QRegularExpression>

namespace docx::detail {

namespace {

qint64 longAttr(const Node *n, const char *name)
{
    if (!n)
        return -1;
    bool ok = false;
    const qint64 v = n->attrView(L(name)).toLongLong(&ok);
    return ok ? v : -1;
}

// The kind by the bytes, else by the name.
QByteArray blipOf(const QByteArray &bytes, const QString &name)
{
    if (bytes.startsWith("\x89PNG"))
        return "pngblip";
    if (bytes.startsWith("\xFF\xD8"))
        return "jpegblip";
    if (bytes.size() > 44 && bytes.mid(40, 4) == " EMF")
        return "emfblip";
    if (bytes.startsWith("\xD7\xCD\xC6\x9A") || bytes.startsWith(QByteArray("\x01\x00\x09\x00", 4))
        || bytes.startsWith(QByteArray("\x02\x00\x09\x00", 4)))
        return "wmetafile8";
    const QString lower = name.toLower();
    if (lower.endsWith(L(".emf")))
        return "emfblip";
    if (lower.endsWith(L(".wmf")))
        return "wmetafile8";
    return {};
}

} // namespace

void Reader::drawing(const Node *n, const QTextCharFormat &format)
{
    if (inFieldInstruction())
        return;
    const Node *blip = n->find(L("a:blip"));
    if (!blip) {
        // A shape or text box: its text, kept as a piece.
        if (const Node *box = n->find(L("w:txbxContent"))) {
            opaque(n, shownText(box), fieldFormat(format), !refersToParts(n));
        }
        return;
    }
    // The size shown, from EMU (635 to a twip).
    const Node *extent = n->find(L("wp:extent"));
    const qint64 cx = longAttr(extent, "cx"), cy = longAttr(extent, "cy");
    const int w = cx > 0 ? int(std::min<qint64>(cx / 635, limits::maxTwips)) : -1;
    const int h = cy > 0 ? int(std::min<qint64>(cy / 635, limits::maxTwips)) : -1;
    QString rid = blip->attr(L("r:embed"));
    if (rid.isEmpty())
        rid = blip->attr(L("r:link"));
    picture(rid, w, h, format);
}

void Reader::vmlPicture(const Node *pict, const QTextCharFormat &format)
{
    if (inFieldInstruction())
        return;
    const Node *image = pict->find(L("v:imagedata"));
    if (!image) {
        if (const Node *box = pict->find(L("w:txbxContent"))) {
            opaque(pict, shownText(box), fieldFormat(format), !refersToParts(pict));
        }
        return;
    }
    // The size from the shape's style: "width:120pt;height:80pt".
    int w = -1, h = -1;
    const Node *shape = image->parent;
    const QString style = shape ? shape->attr(L("style")) : QString();
    static const QRegularExpression re(QStringLiteral("(width|height)\\s*:\\s*([0-9.]+)\\s*(pt|in|cm|mm|px)?"));
    for (auto it = re.globalMatch(style); it.hasNext();) {
        const auto m = it.next();
        double v = m.captured(2).toDouble();
        const QString unit = m.captured(3);
        v *= unit == u"in" ? 1440 : unit == u"cm" ? 1440 / 2.54 : unit == u"mm" ? 144 / 2.54 : unit == u"px" ? 15 : 20;
        const int t = int(std::clamp(v, 0.0, double(limits::maxTwips)));
        (m.captured(1) == u"width" ? w : h) = t > 0 ? t : -1;
    }
    picture(image->attr(L("r:id")), w, h, format);
}

void Reader::picture(const QString &rid, int w, int h, const QTextCharFormat &format)
{
    const auto rel = m_rels.constFind(rid);
    if (rid.isEmpty() || rel == m_rels.cend() || rel->external || !m_zip.contains(rel->target))
        return;
    const QByteArray bytes = readPart(rel->target);
    if (bytes.size() > model::limits::maxPictureBytes)
        throw ReadError(QCoreApplication::translate("docx", "Dokument obsahuje obrázek větší než %1 MB; takový dokument editor neotevře.")
                            .arg(model::limits::maxPictureBytes / (1024 * 1024)));
    const QByteArray blip = blipOf(bytes, rel->target);
    if (blip.isEmpty() || bytes.isEmpty())
        return; // a kind the model keeps no bytes of
    if (++m_pictures > limits::maxPictures)
        throw ReadError(QCoreApplication::translate("docx", "Dokument je příliš velký: má víc než %1 obrázků.")
                            .arg(QLocale(QLocale::Czech).toString(limits::maxPictures)));

    // Pictures of notes and headers belong to their own documents.
    QTextDocument &doc = *m_s.cursor.document();
    QString name = m_s.sub ? QString() : m_pictureNames.value(rel->target);
    QSize imageSize;
    const bool drawable = model::isDrawableBlip(blip);
    if (drawable) {
        const int most = int(limits::maxTwips / kTwipsPerPixel);
        const QSize shown(w > 0 ? qRound(w / kTwipsPerPixel) : most, h > 0 ? qRound(h / kTwipsPerPixel) : most);
        const model::DecodePlan plan = model::planDecoding(bytes, blip, shown, model::limits::maxPicturePixels);
        if (!plan.size.isEmpty() && plan.work <= model::limits::maxPictureDecodeWork)
            imageSize = plan.target;
        if (w <= 0 && h <= 0 && !plan.size.isEmpty()) {
            w = plan.size.width() * int(kTwipsPerPixel);
            h = plan.size.height() * int(kTwipsPerPixel);
        }
    }
    if (w <= 0)
        w = h > 0 ? h : 480;
    if (h <= 0)
        h = w;
    const double wpx = std::max(1.0, w / kTwipsPerPixel);
    const double hpx = std::max(1.0, h / kTwipsPerPixel);
    if (name.isEmpty()) {
        const QByteArray key = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
        name = QStringLiteral("docx-picture:") + QString::fromLatin1(key);
        model::PictureData data;
        data.blip = blip;
        data.bytes = bytes;
        doc.addResource(QTextDocument::UserResource, model::pictureBytesUrl(name), model::toVariant(data));
        if (!imageSize.isEmpty()) {
            model::decodeWhenShown(doc, name, imageSize);
        } else {
            const QImage image = model::placeholderImage(QSize(qRound(wpx), qRound(hpx)),
                                                         model::blipLabel(blip, drawable));
            doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        }
        if (!m_s.sub)
            m_pictureNames.insert(rel->target, name);
    }
    QTextCharFormat cf = fieldFormat(format);
    cf.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = cf.toImageFormat();
    f.setName(name);
    f.setWidth(wpx);
    f.setHeight(hpx);
    f.setProperty(PictureGoalWidth, w);
    f.setProperty(PictureGoalHeight, h);
    f.setProperty(PictureShownWidth, wpx);
    f.setProperty(PictureShownHeight, hpx);
    m_s.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
}

} // namespace docx::detail
