#include "convert.h"

#include "normalise.h"
#include "rtf.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

namespace borovka {

namespace {

// Larger inputs are refused before they are read.
constexpr qint64 MaxInput = qint64(1) << 30;

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case 0x2028: out += QLatin1String("<br>"); break;
        case 0x00A0: out += QLatin1String("&nbsp;"); break;
        default: out += c;
        }
    }
    return out;
}

QString alignmentStyle(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    if (h == Qt::AlignHCenter)
        return QStringLiteral("text-align:center");
    if (h == Qt::AlignRight || h == Qt::AlignTrailing)
        return QStringLiteral("text-align:right");
    if (h == Qt::AlignJustify)
        return QStringLiteral("text-align:justify");
    return {};
}

QString familyOf(const QTextCharFormat &f, const QFont &fallback)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? fallback.family() : families.first();
}

// One text run with its formatting as nested inline elements.
void appendRun(QString &html, const QString &text, const QTextCharFormat &f, const QFont &base)
{
    QStringList style;
    const QString family = familyOf(f, base);
    if (family != base.family())
        style << QStringLiteral("font-family:'%1'").arg(QString(family).replace(QLatin1Char('\''), QString()));
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() != base.pointSizeF())
        style << QStringLiteral("font-size:%1pt").arg(f.fontPointSize());
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        style << QStringLiteral("color:%1").arg(f.foreground().color().name());
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        style << QStringLiteral("background-color:%1").arg(f.background().color().name());

    QString open, close;
    auto wrap = [&](const char *tag) {
        open += QLatin1Char('<') + QLatin1String(tag) + QLatin1Char('>');
        close.prepend(QLatin1String("</") + QLatin1String(tag) + QLatin1Char('>'));
    };
    if (f.fontWeight() > QFont::Medium)
        wrap("strong");
    if (f.fontItalic())
        wrap("em");
    if (f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline)
        wrap("u");
    if (f.fontStrikeOut())
        wrap("s");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        wrap("sup");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        wrap("sub");
    if (!style.isEmpty()) {
        open.prepend(QStringLiteral("<span style=\"%1\">").arg(style.join(QLatin1Char(';'))));
        close += QLatin1String("</span>");
    }
    html += open + escaped(text) + close;
}

// PNG and JPEG pictures embedded as data URIs, so the page stays one file;
// pictures a browser cannot show are left out.
void appendPictures(QString &html, const QTextDocument &doc, const QTextFragment &f)
{
    const QTextImageFormat image = f.charFormat().toImageFormat();
    const rtf::Picture picture = rtf::picture(doc, image);
    if (picture.mimeType != "image/png" && picture.mimeType != "image/jpeg")
        return;
    const QString tag = QStringLiteral("<img src=\"data:%1;base64,%2\" width=\"%3\" height=\"%4\" alt=\"\">")
                            .arg(QLatin1String(picture.mimeType), QLatin1String(picture.bytes.toBase64()))
                            .arg(qRound(image.width()))
                            .arg(qRound(image.height()));
    for (const QChar c : f.text())
        if (c == QChar::ObjectReplacementCharacter)
            html += tag;
}

} // namespace

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
    return OutputKind::Unknown;
}

QByteArray toHtml(const QTextDocument &doc, const QString &title)
{
    const QFont base = doc.defaultFont();
    QString html;
    html.reserve(doc.characterCount() * 2 + 512);
    html += QStringLiteral(
                "<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n"
                "<title>%1</title>\n<style>\nbody { font-family: '%2', monospace; font-size: %3pt; "
                "max-width: 40em; margin: 2em auto; }\np { margin: 0 0 0.5em; white-space: pre-wrap; }\n"
                "</style>\n</head>\n<body>\n")
                .arg(escaped(title), base.family())
                .arg(base.pointSizeF());
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        QStringList style;
        if (const QString a = alignmentStyle(bf.alignment()); !a.isEmpty())
            style << a;
        if (bf.leftMargin() > 0)
            style << QStringLiteral("margin-left:%1px").arg(bf.leftMargin());
        if (bf.textIndent() != 0)
            style << QStringLiteral("text-indent:%1px").arg(bf.textIndent());
        html += style.isEmpty() ? QStringLiteral("<p>")
                                : QStringLiteral("<p style=\"%1\">").arg(style.join(QLatin1Char(';')));
        bool empty = true;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid())
                continue;
            if (f.charFormat().isImageFormat()) {
                appendPictures(html, doc, f);
                empty = false;
                continue;
            }
            QString text = f.text();
            text.remove(QChar::ObjectReplacementCharacter);
            if (text.isEmpty())
                continue;
            appendRun(html, text, f.charFormat(), base);
            empty = false;
        }
        if (empty)
            html += QLatin1String("<br>");
        html += QLatin1String("</p>\n");
    }
    html += QLatin1String("</body>\n</html>\n");
    return html.toUtf8();
}

QString convertFile(const QString &input, const QString &output)
{
    const OutputKind kind = outputKindFor(output);
    if (kind == OutputKind::Unknown)
        return QCoreApplication::translate("convert", "neznámý typ výstupu: %1 (použijte .kln, .rtf, .txt, .html nebo .md)")
            .arg(output);

    QFile in(input);
    if (QFileInfo(input).isDir() || !in.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("convert", "nelze otevřít %1: %2").arg(input, in.errorString());
    if (in.size() > MaxInput)
        return QCoreApplication::translate("convert", "soubor %1 je příliš velký").arg(input);
    const QByteArray data = in.readAll();
    in.close();

    QTextDocument doc;
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(11.25);
    doc.setDefaultFont(font);
    doc.setUndoRedoEnabled(false);
    try {
        // A web page reads as a paste of it does; other input by its content.
        const QString suffix = QFileInfo(input).suffix().toLower();
        if ((suffix == QLatin1String("html") || suffix == QLatin1String("htm")) && !rtf::isRtf(data))
            rtf::readHtml(rtf::decodeHtml(data), QFileInfo(input).absolutePath(), doc);
        else
            rtf::read(data, doc);
    } catch (const rtf::Error &e) {
        return QCoreApplication::translate("convert", "nelze přečíst %1: %2").arg(input, e.description());
    }

    QByteArray bytes;
    switch (kind) {
    case OutputKind::Rtf: bytes = rtf::write(doc); break;
    case OutputKind::Text: bytes = rtf::plainText(doc); break;
    case OutputKind::Html: bytes = toHtml(doc, QFileInfo(input).completeBaseName()); break;
    case OutputKind::Markdown: bytes = doc.toMarkdown().toUtf8(); break;
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
