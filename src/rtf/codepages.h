#pragma once

// Code pages of the RTF reader and writer: which code page a font's
// \fcharset selects, and decoding of \'hh bytes by a code page.

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringDecoder>

#include <memory>

namespace rtf::detail {

// Windows' CP_SYMBOL: bytes of the Symbol font (\fcharset2), decoded to
// the characters its glyphs show.
inline constexpr int symbolCodepage = 42;
// Other fonts with \fcharset2 (Wingdings ...): their list bullets are
// decoded, other bytes kept.
inline constexpr int pictographCodepage = -42;
// Bytes taken as the characters of the same number.
inline constexpr int latin1Codepage = 28591;

// The character a byte of a symbol font shows (symbolCodepage or
// pictographCodepage).
char16_t symbolCharacter(int codepage, uchar byte);

// The code page of a font charset; 0 when the charset names none (1,
// DEFAULT_CHARSET, or an unknown value): the document's \ansicpg applies.
int codepageForCharset(int charset);

// The byte of code page 1250 for `c`, or 0 when the code page lacks it.
// Only characters from U+0080 up are looked up.
uchar toCp1250(char16_t c);

// The characters of bytes 0x80-0xFF of a single-byte code page the reader
// has a table for, or null: those bytes decode one by one, straight into
// the text being built.
const char16_t *byteTable(int codepage);

// Appends `n` bytes of a single-byte code page (`table` from byteTable())
// to `out`, without the characters that are no text (see isText()).
// Returns whether it appended any.
bool appendTableText(const char16_t *table, const char *s, qsizetype n, QString &out);

// Decodes bytes by code page. Keeps one converter per code page, so a run
// of text costs one call, not one allocation per character.
class TextDecoder {
public:
    // Appends the decoded `bytes` to `out`. An unknown code page decodes
    // as Windows-1252.
    void decode(int codepage, QByteArrayView bytes, QString &out);
    // True when the code page can be decoded (table or converter).
    bool supports(int codepage);

private:
    QStringDecoder *converter(int codepage);
    QHash<int, std::shared_ptr<QStringDecoder>> m_converters;
};

// Bytes 0x80-0xFF of Windows-1250, for plain text that is not UTF-8.
void decodeCp1250(QByteArrayView bytes, QString &out);

// A font table entry's name as read so far: bytes not yet decoded after
// what has been, for the name and the \fname face, and the words that
// name its code page.
struct FontName {
    QByteArray nameBytes;
    QString name;
    QByteArray altBytes;
    QString alt;
    int charset = -1;
    int cpg = 0;
};

// A font's face without the code page suffix of its name ("Arial CE"):
// the suffix's code page goes to `codepage` unless one is there.
QString withoutCodepageSuffix(QString name, int *codepage = nullptr);

// Finishes reading `f`'s name and gives the code page of the font's text,
// from \cpg, \fcharset and a code page suffix of its name ("Arial CE");
// `face` gets the face name without the suffix. symbolCodepage for a
// symbol font; 0 when the document's code page applies.
int fontCodepage(TextDecoder &decoder, int ansiCp, FontName &f, QString &face);

} // namespace rtf::detail
