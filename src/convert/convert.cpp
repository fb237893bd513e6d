#include "convert.h"

#include "html/normalise.h"
#include "layout/pages.h"
#include "model/plaintext.h"
#include "formats/formats.h"
#include "package/package.h"
#include "rtf/rtf.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextDocument>

#include <algorithm>
#include <cstring>

namespace borovka {

OutputKind outputKindFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("kln") || suffix == QLatin1String("rtf"))
        return OutputKind::Rtf;
    if (suffix == QLatin1String("txt"))
        return OutputKind::Text;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return OutputKind::Html;
    if (suffix == QLatin1String("md"))
        return OutputKind::Markdown;
    if (suffix == QLatin1String("pdf"))
        return OutputKind::Pdf;
    if (suffix == QLatin1String("docx"))
        return OutputKind::Docx;
    if (suffix == QLatin1String("odt"))
        return OutputKind::Odt;
    return OutputKind::Unknown;
}

namespace {

// A picture the reader cannot show gets a placeholder with its kind
// written on it, which needs fonts. "\pict" also finds it in \shppict
// and inside objects, and more than pictures: never fewer.
const QByteArrayView PictureWord("\\pict");

// A Word or OpenDocument document, packaged or flat: may hold pictures
// however it is written.
bool isPackageOrXml(QByteArrayView data)
{
    return package::isZip(data) || data.trimmed().startsWith("<");
}

bool textWithoutGui(const QString &input, const QString &output)
{
    if (outputKindFor(output) != OutputKind::Text)
        return false;
    const QString suffix = QFileInfo(input).suffix().toLower();
    return suffix != QLatin1String("html") && suffix != QLatin1String("htm");
}

} // namespace

bool convertsWithoutGui(const QString &input, const QByteArray &data, const QString &output)
{
    return textWithoutGui(input, output) && !data.contains(PictureWord) && !isPackageOrXml(data);
}

bool convertsWithoutGui(const QString &input, const QString &output)
{
    if (!textWithoutGui(input, output))
        return false;
    QFile in(input);
    if (QFileInfo(input).isDir() || !in.open(QIODevice::ReadOnly) || in.size() > rtf::maxInputSize())
        return false; // convertFile() reports it, with the usual application
    // Looked through in pieces: the whole file is read once, by convertFile().
    QByteArray piece(1 << 16, Qt::Uninitialized);
    const qsizetype keep = PictureWord.size() - 1; // a word cut at a piece's end
    qsizetype have = 0;
    for (;;) {
        const qint64 n = in.read(piece.data() + have, piece.size() - have);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (have == 0 && isPackageOrXml(QByteArrayView(piece.constData(), n)))
            return false;
        have += n;
        if (QByteArrayView(piece.constData(), have).contains(PictureWord))
            return false;
        const qsizetype tail = std::min(keep, have);
        std::memmove(piece.data(), piece.constData() + have - tail, size_t(tail));
        have = tail;
    }
}

QString convertFile(const QString &input, const QString &output)
{
    const OutputKind kind = outputKindFor(output);
    if (kind == OutputKind::Unknown)
        return QCoreApplication::translate("convert", "neznámý typ výstupu: %1 (použijte .kln, .rtf, .docx, .odt, .txt, .html, .md nebo .pdf)")
            .arg(output);

    QFile in(input);
    if (QFileInfo(input).isDir() || !in.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("convert", "nelze otevřít %1: %2").arg(input, in.errorString());
    // Larger inputs than the reader takes are refused before they are read.
    if (in.size() > rtf::maxInputSize())
        return QCoreApplication::translate("convert", "soubor %1 je příliš velký").arg(input);
    QByteArray data = in.readAll();
    in.close();

    QTextDocument doc;
    // The editor's font, for what is laid out or written with the document's
    // font. Text alone needs none, and a QFont before a QGuiApplication
    // exists is not allowed: the text output starts only Qt's core.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QFont font(QStringLiteral("Courier New"));
        // The editor's 11.25 points as a saved document has them: the file
        // keeps half points.
        font.setPointSizeF(11.5);
        doc.setDefaultFont(font);
    }
    doc.setUndoRedoEnabled(false);
    try {
        // A web page reads as a paste of it does; other input by its content.
        const QString suffix = QFileInfo(input).suffix().toLower();
        if ((suffix == QLatin1String("html") || suffix == QLatin1String("htm")) && !rtf::isRtf(data))
            html::readHtml(html::decodeHtml(data), QFileInfo(input).absolutePath(), doc);
        else
            formats::read(data, doc);
    } catch (const model::ReadError &e) {
        return QCoreApplication::translate("convert", "nelze přečíst %1: %2").arg(input, e.description());
    }
    // The document holds what it needs: the file's bytes would only sit
    // beside the output while it is made (a photograph's digits twice).
    data = QByteArray();

    QByteArray bytes;
    switch (kind) {
    case OutputKind::Rtf: bytes = rtf::write(doc); break;
    case OutputKind::Docx: bytes = formats::write(doc, formats::Format::Docx); break;
    case OutputKind::Odt: bytes = formats::write(doc, formats::Format::Odt); break;
    case OutputKind::Text: bytes = model::plainText(doc); break;
    case OutputKind::Html: bytes = toHtml(doc, QFileInfo(input).completeBaseName()); break;
    case OutputKind::Markdown: bytes = toMarkdown(doc); break;
    case OutputKind::Pdf:
        bytes = layout::toPdf(doc, QFileInfo(input).completeBaseName());
        if (bytes.isEmpty())
            return QCoreApplication::translate("convert", "nelze vytvořit PDF %1").arg(output);
        break;
    case OutputKind::Unknown: break;
    }

    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        const QString why = out.errorString();
        out.cancelWriting();
        return QCoreApplication::translate("convert", "nelze zapsat %1: %2").arg(output, why);
    }
    return {};
}

} // namespace borovka
