// Plain text in and out: what a file that is not RTF loads as, and the
// document's text export.

#include "rtf.h"

#include "codepages.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>

namespace rtf {

QString decodePlainText(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    else if (data.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(data.sliced(2));
    else if (data.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(data.sliced(2));

    // Stateless: a sequence cut off at the end counts as invalid, so such
    // a file is read as Windows-1250 rather than losing its last bytes.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    text.clear();
    detail::decodeCp1250(data, text);
    return text;
}

QByteArray plainText(const QTextDocument &doc)
{
    // Line breaks within a paragraph (U+2028) become line ends like
    // paragraph ends do. Non-breaking spaces stay non-breaking spaces: an
    // article's typography (a one-letter Czech preposition kept with the
    // next word) must survive the export into the magazine's pages.
    QString text;
    text.reserve(doc.characterCount());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin())
            text += u'\n';
        const QString t = block.text();
        for (const QChar c : t) {
            switch (c.unicode()) {
            case QChar::LineSeparator:
            case QChar::ParagraphSeparator:
                text += u'\n';
                break;
            case QChar::ObjectReplacementCharacter:
                break;
            default:
                text += c;
                break;
            }
        }
    }
    return text.toUtf8();
}

} // namespace rtf
