#pragma once

// Pictures: what a reader keeps of a picture so a save can give it back
// byte for byte, and the image the editing area shows for it.
//
// A picture is one U+FFFC character with a QTextImageFormat. Its bytes live
// in a resource of the document (pictureBytesUrl() of the image's name), so
// they survive undo, QTextDocument::clone() and copying within the
// document, where Qt keeps the image's name but not user properties. The
// sizes as the file gave them are kept in the format (PictureProperty); a picture whose size was changed in the editor is written at
// its new size.

#include "limits.h"
#include "properties.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTextFormat>
#include <QUrl>

class QTextDocument;
class QTextImageFormat;

namespace model {

// What a picture is, independent of where and how large it is shown. Kept
// as the document resource pictureBytesUrl(name).
struct PictureData {
    QByteArray blip;  // the kind as RTF names it: "pngblip", "wmetafile8" ...
    QByteArray words; // other control words of the header, as read: "\\wbmbitspixel1" ...
    int picw = -1;    // \picw and \pich as read
    int pich = -1;
    QByteArray bytes;
};

QVariant toVariant(const PictureData &p);
PictureData fromVariant(const QVariant &v);

// The picture `format` shows, as the writer writes it: the bytes the file
// held, or for an image from elsewhere (pasted) the image as PNG. Empty
// bytes when the document has no such picture.
PictureData pictureOf(const QTextDocument &doc, const QTextImageFormat &format);

// Where the bytes of the picture shown as `imageName` are kept.
QUrl pictureBytesUrl(const QString &imageName);

// A picture's size in twips where the file gives one side or none (0 or
// less): the picture's own size or proportions from its decoded size,
// else a square of 480 twips (a third of an inch).
void completePictureSize(double &width, double &height, QSize decoded);

// The MIME type of a blip kind; empty for kinds without one.
QByteArray mimeTypeOfBlip(const QByteArray &blip);

// True for kinds the editor decodes and shows (PNG, JPEG).
bool isDrawableBlip(const QByteArray &blip);

// What decoding a PNG or JPEG costs and gives: its own size, the size it
// would be decoded at to be shown at `shown` pixels (its own size when
// `shown` is empty, at most `maxPixels` pixels), and the pixels the
// decoder produces on the way (see limits::maxPictureDecodeWork). An empty
// size when the bytes are no such picture.
struct DecodePlan {
    QSize size;
    QSize target;
    qint64 work = 0;
};
DecodePlan planDecoding(const QByteArray &bytes, const QByteArray &blip, QSize shown, qint64 maxPixels);

// Decodes PNG or JPEG bytes for display at `shown` pixels: at that size,
// never larger than the picture and at most `maxPixels` pixels, and only
// when the decoder's work is at most `maxWork` pixels. A null image when
// the bytes are no such picture or cost too much.
QImage decodePicture(const QByteArray &bytes, const QByteArray &blip, QSize shown, qint64 maxPixels,
                     qint64 maxWork = limits::maxPictureDecodeWork);

// Lets `doc` decode the picture `name` (PNG or JPEG bytes kept as
// pictureBytesUrl(name)) at `size` when it is first asked for as the
// image resource `name`, which is when the layout draws it: opening a
// document decodes only what is shown. A picture that does not decode
// then shows as a placeholder.
void decodeWhenShown(QTextDocument &doc, const QString &name, QSize size);

// Decoder work done on this thread so far, in pixels: what tests of
// hostile pictures measure.
qint64 decodeWorkOnThisThread();

// The framed stand-in for a picture the editor cannot draw, for display at
// `shown` pixels, with a short label ("EMF", "WMF" ...).
QImage placeholderImage(QSize shown, const QString &label);

// The label placeholderImage() shows for a kind.
QString blipLabel(const QByteArray &blip, bool damaged);

// A picture of a document (one U+FFFC character with an image format):
// its bytes as the file held them and their MIME type, "image/png" or
// "image/jpeg" for pictures the editor shows, "image/emf", "image/wmf",
// "image/x-pict" or "image/bmp" (a DIB without its file header) for those
// it shows as a placeholder. A picture that came from elsewhere (pasted)
// is given as PNG. Empty when `format` names no picture of `doc`.
struct Picture {
    QByteArray bytes;
    QByteArray mimeType;
};
Picture picture(const QTextDocument &doc, const QTextImageFormat &format);

} // namespace model
