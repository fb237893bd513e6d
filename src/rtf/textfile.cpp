// Telling RTF from other text, and what a file that is not RTF loads as.

#include "rtf.h"

#include "codepages.h"

#include <QStringDecoder>

#include <algorithm>
#include <string_view>

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

QString unsupportedFormat(QByteArrayView data)
{
    const auto is = [&data](QByteArrayView magic) { return data.startsWith(magic); };
    if (is("PK\x03\x04") || is("PK\x05\x06")) {
        // Word and OpenDocument texts are read by their own readers; these
        // say what such a package is when it reaches the RTF reader alone.
        // An OpenDocument package names its type first, uncompressed.
        const QByteArrayView head = data.first(std::min<qsizetype>(data.size(), 128));
        if (head.contains("application/vnd.oasis.opendocument.text"))
            return QStringLiteral("Soubor je dokument OpenDocument (.odt), ne RTF.");
        if (head.contains("application/vnd.oasis.opendocument."))
            return QStringLiteral("Soubor je dokument OpenDocument jiného druhu než text (tabulka, prezentace, "
                                  "kresba), který editor neotevírá.");
        if (data.contains("word/document.xml"))
            return QStringLiteral("Soubor je dokument Word (.docx), ne RTF.");
        if (data.contains("[Content_Types].xml"))
            return QStringLiteral("Soubor je balíček Office bez textového dokumentu (například sešit Excel nebo "
                                  "prezentace PowerPoint), který editor neotevírá.");
        return QStringLiteral("Soubor je archiv ZIP, ne textový dokument.");
    }
    if (is("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        // An encrypted package of Office is a compound file holding it.
        static const QByteArray encrypted = [] {
            QByteArray name; // as the compound file's directory spells it, UTF-16
            for (const char c : std::string_view("EncryptedPackage"))
                name.append(c).append('\0');
            return name;
        }();
        if (data.contains(encrypted))
            return QStringLiteral("Dokument je zašifrovaný heslem. Editor zašifrované dokumenty neotevírá.");
        return QStringLiteral("Soubor je dokument starého formátu Word (.doc) nebo jiného programu Office, "
                              "který editor neotevírá. Uložte ho jako RTF.");
    }
    if (is("%PDF-"))
        return QStringLiteral("Soubor je dokument PDF, který editor neotevírá.");
    struct Kind {
        QByteArrayView magic;
        const char *name;
    };
    static const Kind pictures[] = {{"\x89PNG\r\n\x1A\n", "PNG"}, {"\xFF\xD8\xFF", "JPEG"}, {"GIF87a", "GIF"},
                                    {"GIF89a", "GIF"}, {QByteArrayView("II*\0", 4), "TIFF"},
                                    {QByteArrayView("MM\0*", 4), "TIFF"}};
    for (const Kind &k : pictures) {
        if (is(k.magic))
            return QStringLiteral("Soubor je obrázek %1, ne textový dokument.").arg(QLatin1StringView(k.name));
    }
    if (is("RIFF") && data.size() >= 12 && data.sliced(8, 4) == "WEBP")
        return QStringLiteral("Soubor je obrázek WebP, ne textový dokument.");
    if (is("\x1F\x8B") || is("7z\xBC\xAF\x27\x1C") || is("Rar!\x1A\x07"))
        return QStringLiteral("Soubor je komprimovaný archiv, ne textový dokument.");
    return {};
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
