// Telling RTF from other text, and what a file that is not RTF loads as.

#include "rtf.h"

#include "codepages.h"

#include <QStringDecoder>

namespace rtf {

namespace {

// The characters the RTF reader drops too (control characters other than
// tab and line ends, the object placeholder with no object behind it,
// non-characters): a text file and the RTF saved from it must load as the
// same text, and a NUL or a stray escape code is never what the writer of
// a text file meant to keep.
QString dropNonText(QString text)
{
    text.removeIf([](QChar qc) {
        const char16_t c = qc.unicode();
        if (c < 0x20)
            return c != u'\t' && c != u'\n' && c != u'\r';
        return c == QChar::ObjectReplacementCharacter || c >= 0xFFFE;
    });
    return text;
}

} // namespace

bool isRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

QString decodePlainText(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    else if (data.startsWith("\xFF\xFE"))
        return dropNonText(QStringDecoder(QStringDecoder::Utf16LE).decode(data.sliced(2)));
    else if (data.startsWith("\xFE\xFF"))
        return dropNonText(QStringDecoder(QStringDecoder::Utf16BE).decode(data.sliced(2)));

    // Stateless: a sequence cut off at the end counts as invalid, so such
    // a file is read as Windows-1250 rather than losing its last bytes.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return dropNonText(std::move(text));
    text.clear();
    detail::decodeCp1250(data, text);
    return dropNonText(std::move(text));
}

} // namespace rtf
