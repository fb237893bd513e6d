// Content from outside the file format made into what it keeps.

#include "normalise.h"

#include "model/fontsize.h"
#include "model/limits.h"
#include "model/pictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QImage>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <vector>

namespace html {


namespace {

// Character and paragraph properties the file format keeps; the others
// (letter spacing, overlines, paragraph backgrounds, <pre>'s unbroken
// lines ...) would show after a paste and be gone after a save.
bool keptCharProperty(int p)
{
    switch (p) {
    case QTextFormat::FontFamily:
    case QTextFormat::FontFamilies:
    case QTextFormat::FontStyleHint:
    case QTextFormat::FontPointSize:
    case QTextFormat::FontPixelSize:
    case QTextFormat::FontWeight:
    case QTextFormat::FontItalic:
    case QTextFormat::FontUnderline:
    case QTextFormat::TextUnderlineStyle:
    case QTextFormat::FontStrikeOut:
    case QTextFormat::FontCapitalization:
    case QTextFormat::ForegroundBrush:
    case QTextFormat::BackgroundBrush:
    case QTextFormat::TextVerticalAlignment:
    case QTextFormat::IsAnchor:
    case QTextFormat::AnchorHref:
    case QTextFormat::AnchorName:
    case QTextFormat::ObjectType:
    case QTextFormat::ObjectIndex:
    case QTextFormat::ImageName:
    case QTextFormat::ImageWidth:
    case QTextFormat::ImageHeight:
    case QTextFormat::ImageAltText:
    case QTextFormat::ImageTitle:
        return true;
    default:
        return p >= QTextFormat::UserProperty;
    }
}

bool keptBlockProperty(int p)
{
    switch (p) {
    case QTextFormat::BlockAlignment:
    case QTextFormat::BlockTopMargin:
    case QTextFormat::BlockBottomMargin:
    case QTextFormat::BlockLeftMargin:
    case QTextFormat::BlockRightMargin:
    case QTextFormat::TextIndent:
    case QTextFormat::BlockIndent:
    case QTextFormat::LineHeight:
    case QTextFormat::LineHeightType:
    case QTextFormat::HeadingLevel:
    case QTextFormat::BlockTrailingHorizontalRulerWidth:
    case QTextFormat::PageBreakPolicy:
    case QTextFormat::TabPositions:
    case QTextFormat::ObjectIndex:
        return true;
    default:
        return p >= QTextFormat::UserProperty;
    }
}

template <typename Format>
bool strip(Format &f, bool (*kept)(int))
{
    bool changed = false;
    const auto props = f.properties();
    for (auto it = props.cbegin(); it != props.cend(); ++it) {
        if (!kept(it.key())) {
            f.clearProperty(it.key());
            changed = true;
        }
    }
    return changed;
}

// The bytes of a picture's address: a data: address, or a file the user
// can read. Remote addresses give nothing: nothing is fetched.
QByteArray pictureBytes(const QString &source, const QString &baseDir)
{
    if (source.startsWith(QLatin1StringView("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = source.indexOf(u',');
        if (comma < 0)
            return {};
        const QStringView header = QStringView(source).sliced(5, comma - 5);
        const QByteArray payload = source.sliced(comma + 1).toLatin1();
        if (payload.size() > model::limits::maxPictureBytes * 2)
            return {};
        if (header.endsWith(QLatin1StringView(";base64"), Qt::CaseInsensitive))
            return QByteArray::fromBase64(payload);
        return QByteArray::fromPercentEncoding(payload);
    }
    const QUrl url(source);
    QString path;
    if (url.isLocalFile())
        path = url.toLocalFile();
    else if (QDir::isAbsolutePath(source) && url.scheme().size() <= 1) // "/a.png", "C:/a.png"
        path = source;
    else if (url.isRelative() && !baseDir.isEmpty() && !source.startsWith(QLatin1StringView("//")))
        path = QDir(baseDir).filePath(url.path());
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (QFileInfo(path).size() > model::limits::maxPictureBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Makes `bytes` a picture of `doc` as the reader makes one: PNG and JPEG
// as they are, other kinds as PNG. Its name, or empty when the bytes are
// no picture.
QString addPicture(QTextDocument &doc, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray kind = reader.format();
    const QSize size = reader.size();
    if (!size.isEmpty() && qint64(size.width()) * size.height() > model::limits::maxPicturePixels)
        return {}; // a few bytes may claim gigapixels
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    model::PictureData data;
    if (kind == "png" || kind == "jpeg") {
        data.bytes = bytes;
        data.blip = kind == "png" ? "pngblip" : "jpegblip";
    } else {
        QBuffer out(&data.bytes);
        out.open(QIODevice::WriteOnly);
        if (!image.save(&out, "PNG"))
            return {};
        data.blip = "pngblip";
    }
    data.picw = image.width();
    data.pich = image.height();
    const QString name = QStringLiteral("rtf-picture:")
        + QString::fromLatin1(QCryptographicHash::hash(data.bytes, QCryptographicHash::Sha1).toHex());
    doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    doc.addResource(QTextDocument::UserResource, model::pictureBytesUrl(name), model::toVariant(data));
    return name;
}

} // namespace

void normalise(QTextDocument &doc, const QString &baseDir)
{
    const double base = doc.defaultFont().pointSizeF() > 0 ? doc.defaultFont().pointSizeF() : 12;
    // Qt's colour for links; none without a GUI (the converter's text output).
    const QColor linkColour = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::palette().color(QPalette::Link)
        : QColor();
    // The file keeps half points: text that names no size is saved at the
    // body size rounded so, and shows that size from the start.
    const double keptBase = std::max(0.5, std::round(base * 2) / 2);
    struct Edit {
        int start, length;
        QTextCharFormat format;
        QString text; // replaces the range when not empty
    };
    std::vector<Edit> edits;
    std::vector<std::pair<int, QTextBlockFormat>> blocks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat bf = block.blockFormat();
        bool blockChanged = strip(bf, keptBlockProperty);
        if (const QTextList *list = block.textList(); list && list->format().style() == QTextListFormat::ListStyleUndefined) {
            // A list without markers (a page's navigation) reads as plain
            // paragraphs, a level further in for each level below the first;
            // the file has no list without labels.
            bf.clearProperty(QTextFormat::ObjectIndex);
            bf.setIndent(0);
            bf.setLeftMargin(bf.leftMargin() + std::max(0, list->format().indent() - 1) * doc.indentWidth());
            blockChanged = true;
        }
        if (blockChanged)
            blocks.emplace_back(block.position(), bf);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            QTextCharFormat cf = frag.charFormat();
            bool changed = strip(cf, keptCharProperty);
            if (frag.charFormat().hasProperty(QTextFormat::FontSizeAdjustment)) {
                const QTextCharFormat original = frag.charFormat();
                double size = base;
                if (original.hasProperty(QTextFormat::FontPointSize) && original.fontPointSize() > 0)
                    size = original.fontPointSize();
                cf.setFontPointSize(model::adjustedPointSize(original, size));
                cf.clearProperty(QTextFormat::FontSizeAdjustment);
                changed = true;
            }
            if (cf.hasProperty(QTextFormat::FontPixelSize)) {
                // Pixels at 96 dots per inch, as the writer keeps them.
                if (!cf.hasProperty(QTextFormat::FontPointSize) && cf.intProperty(QTextFormat::FontPixelSize) > 0)
                    cf.setFontPointSize(cf.intProperty(QTextFormat::FontPixelSize) * 0.75);
                cf.clearProperty(QTextFormat::FontPixelSize);
                changed = true;
            }
            if (cf.hasProperty(QTextFormat::FontPointSize)) {
                // The file keeps half points: 10.8 points would show until
                // the next save and then come back as 11.
                const double kept = std::max(0.5, std::round(cf.fontPointSize() * 2) / 2);
                if (kept != cf.fontPointSize()) {
                    cf.setFontPointSize(kept);
                    changed = true;
                }
            }
            if (!cf.hasProperty(QTextFormat::FontPointSize) && keptBase != base) {
                cf.setFontPointSize(keptBase);
                changed = true;
            }
            if (cf.isAnchor() && !cf.hasProperty(QTextFormat::AnchorName)
                && (cf.anchorHref().trimmed().isEmpty() || cf.anchorHref().trimmed() == QLatin1String("#"))) {
                // A link to "#" goes nowhere and the file keeps no such link:
                // plain text, without the look Qt gives links.
                cf.setAnchor(false);
                cf.clearProperty(QTextFormat::IsAnchor);
                cf.clearProperty(QTextFormat::AnchorHref);
                if (!cf.hasProperty(QTextFormat::ForegroundBrush) || cf.foreground().color() == linkColour) {
                    cf.clearProperty(QTextFormat::ForegroundBrush);
                    cf.clearProperty(QTextFormat::FontUnderline);
                    cf.clearProperty(QTextFormat::TextUnderlineStyle);
                }
                changed = true;
            }
            if (cf.isImageFormat()) {
                const QTextImageFormat image = cf.toImageFormat();
                const QString name = image.name();
                const bool known = doc.resource(QTextDocument::UserResource, model::pictureBytesUrl(name)).isValid();
                if (!known) {
                    const QString picture = addPicture(doc, pictureBytes(name, baseDir));
                    if (!picture.isEmpty()) {
                        QTextImageFormat f = image;
                        f.setName(picture);
                        cf = f;
                        changed = true;
                    } else {
                        // Shown as its alternative text, which is what a save keeps.
                        QString alt = image.stringProperty(QTextFormat::ImageAltText).simplified();
                        if (alt.isEmpty())
                            alt = image.stringProperty(QTextFormat::ImageTitle).simplified();
                        if (alt.isEmpty())
                            alt = QFileInfo(QUrl(name).path()).fileName();
                        QTextCharFormat text = cf;
                        text.setObjectType(QTextFormat::NoObject);
                        for (int p : {int(QTextFormat::ImageName), int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight),
                                      int(QTextFormat::ImageAltText), int(QTextFormat::ImageTitle)}) {
                            text.clearProperty(p);
                        }
                        QString shown;
                        for (const QChar c : frag.text())
                            shown += c == QChar::ObjectReplacementCharacter ? u'[' + alt + u']' : QString(c);
                        edits.push_back({frag.position(), frag.length(), text, shown});
                        continue;
                    }
                }
            }
            if (changed)
                edits.push_back({frag.position(), frag.length(), cf, QString()});
        }
    }
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (const auto &[position, format] : blocks) {
        cursor.setPosition(position);
        cursor.setBlockFormat(format);
    }
    // From the end, so the positions before each edit stay valid.
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        cursor.setPosition(it->start);
        cursor.setPosition(it->start + it->length, QTextCursor::KeepAnchor);
        if (it->text.isEmpty())
            cursor.setCharFormat(it->format);
        else
            cursor.insertText(it->text, it->format);
    }
    cursor.endEditBlock();
}

QString decodeHtml(QByteArrayView data)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(data);
}

void readHtml(const QString &html, const QString &baseDir, QTextDocument &doc)
{
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.setHtml(html);
    normalise(doc, baseDir);
    doc.setUndoRedoEnabled(undo);
}

} // namespace html
