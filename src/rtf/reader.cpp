// The RTF reader: one pass over the bytes with an explicit stack of group
// states, so neither time nor stack depth depends on what a file nests.

#include "rtf.h"

#include "codepages.h"
#include "fontclass.h"
#include "pictures.h"
#include "readerlimits.h"

#include <QColor>
#include <QCryptographicHash>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTextDocument>
#include <QTextOption>

#include <QLocale>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtf {
namespace {

using detail::TextDecoder;

// Twips to the document's units, pixels at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;

std::atomic<qint64> g_paragraphLimit{0}; // 0: limits::maxParagraphs

qint64 paragraphLimit()
{
    return g_paragraphLimit > 0 ? g_paragraphLimit.load() : limits::maxParagraphs;
}

Error tooManyParagraphs(qint64 limit)
{
    return Error(QStringLiteral("Dokument je příliš velký: má víc než %1 odstavců. "
                                "Editor otevírá dokumenty s nejvýše %1 odstavci.")
                     .arg(QLocale(QLocale::Czech).toString(limit)));
}

// Where the text of a group goes.
enum class Dest : quint8 {
    Body,        // the document
    Skip,        // nothing: pictures, headers, unknown \* groups ...
    FontTable,   // font names
    FontAltName, // {\*\fname ...}: the face without its charset suffix
    ColorTable,
    UprAnsi,     // \upr: the ANSI text is dropped, its \ud part is kept
    ObjectSkip,  // \object: data dropped, its \result is kept
    Picture,     // \pict: header words and picture data
    PictureHolder, // \shppict, \shpinst and its picture property: only a \pict is read
    ShapeName,   // \sn: the name of a shape property
    FieldInst,   // \fldinst: the field's instruction, for hyperlinks
};

// Character properties as RTF states them; turned into a QTextCharFormat
// only once per run.
struct CharProps {
    int font = -1; // -1: the \deff font
    int halfPoints = 24;
    int fg = -1; // colour table index, -1 automatic
    int bg = -1;
    quint8 underline = QTextCharFormat::NoUnderline;
    quint8 valign = QTextCharFormat::AlignNormal;
    quint8 caps = QFont::MixedCase;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false; // \v and deleted revisions: not shown, so not read
    int link = -1;       // index of the hyperlink target, -1 none
    bool operator==(const CharProps &) const = default;
};

struct ParProps {
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    int sl = 0;           // line spacing: twips, negative "exactly"
    bool slMult = false;  // \sl in 240ths of a line
    bool pageBefore = false; // \pagebb, or a \page before the paragraph
    quint8 tabCount = 0;
    quint8 nextTab = QTextOption::LeftTab; // kind of the next \tx
    std::array<int, limits::maxTabStops> tabPos{}; // twips
    std::array<quint8, limits::maxTabStops> tabType{};
    bool operator==(const ParProps &) const = default;
};

struct GroupState {
    CharProps chr;
    ParProps par;
    Dest dest = Dest::Body;
    quint8 uc = 1;     // fallback characters after \uN
    bool star = false; // \* seen: the next control word is an optional destination
};

struct FontEntry {
    QByteArray nameBytes;
    QString name;
    QByteArray altBytes;
    QString alt;
    QString family; // resolved when the table is complete
    int hint = -1;  // QFont::StyleHint from \froman etc.; -1: none given
    int charset = -1;
    int cpg = 0;
    int codepage = 0; // 0: the document's code page
    bool done = false;
};

enum class Cmd {
    // destinations (FontAltName must stay the last of them)
    FontTable, ColorTable, SkipDest, Upr, Ud, Object, Result, FldInst, FldRslt, Pict, ShpPict, ShpInst, Sp, Sn, Sv, ShpRslt,
    FontAltName,
    // document
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // font table
    Font, FCharset, Cpg, FontClass,
    // colour table
    Red, Green, Blue,
    // character format
    Plain, FontSize, Bold, Italic, Strike, StrikeD, Underline, UnderlineStyle, UlNone, Hidden, Caps, SmallCaps,
    Cf, Cb, Highlight, Sub, Super, NoSuperSub, Up, Dn,
    // paragraph format
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Tx, TabKind, PageBefore,
    // text and breaks
    Par, Sect, Page, Line, Tab, Cell, Row, Char, Unicode, Uc, Bin,
    // shapes
    Shp,
};

struct CmdInfo {
    Cmd cmd;
    int arg = 0; // the character, or the underline style
};

const std::unordered_map<std::string_view, CmdInfo> &commands()
{
    static const std::unordered_map<std::string_view, CmdInfo> map = [] {
        std::unordered_map<std::string_view, CmdInfo> m;
        m.emplace("fonttbl", CmdInfo{Cmd::FontTable});
        m.emplace("colortbl", CmdInfo{Cmd::ColorTable});
        // Destinations whose text is no part of the visible body text.
        for (const char *d : {"stylesheet", "info", "header", "headerl", "headerr", "headerf",
                              "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
                              "atnid", "atnauthor", "atndate", "atnicn", "atnref", "atntime",
                              "atrfstart", "atrfend", "xe", "tc", "txe", "rxe", "pn",
                              "pntxta", "pntxtb", "listtable", "listoverridetable", "revtbl",
                              "rsidtbl", "filetbl", "generator", "themedata", "colorschememapping",
                              "latentstyles", "datastore", "xmlnstbl", "mmathPr",
                              "shptxt", "nonshppict", "objdata", "objclass", "objname",
                              "template", "bkmkstart", "bkmkend", "keywords", "comment", "doccomm",
                              "title", "subject", "author", "operator", "company", "manager",
                              "category", "hlinkbase", "creatim", "revtim", "printim", "buptim",
                              "fchars", "lchars", "pgdsctbl", "userprops", "docvar",
                              "wgrffmtfilter", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc",
                              "aftncn", "background", "fldtype", "formfield", "datafield", "falt",
                              "panose", "nonesttables", "nesttableprops", "pnseclvl", "do", "blipuid", "picprop", "listpicture", "protusertbl",
                              "passwordhash", "mhtmltag", "htmltag", "fontemb", "fontfile"}) {
            m.emplace(d, CmdInfo{Cmd::SkipDest});
        }
        m.emplace("fldinst", CmdInfo{Cmd::FldInst});
        m.emplace("fldrslt", CmdInfo{Cmd::FldRslt});
        m.emplace("pagebb", CmdInfo{Cmd::PageBefore});
        m.emplace("pict", CmdInfo{Cmd::Pict});
        m.emplace("shppict", CmdInfo{Cmd::ShpPict});
        m.emplace("shpinst", CmdInfo{Cmd::ShpInst});
        m.emplace("sp", CmdInfo{Cmd::Sp});
        m.emplace("sn", CmdInfo{Cmd::Sn});
        m.emplace("sv", CmdInfo{Cmd::Sv});
        m.emplace("shprslt", CmdInfo{Cmd::ShpRslt});
        m.emplace("shp", CmdInfo{Cmd::Shp});
        m.emplace("upr", CmdInfo{Cmd::Upr});
        m.emplace("ud", CmdInfo{Cmd::Ud});
        m.emplace("object", CmdInfo{Cmd::Object});
        m.emplace("result", CmdInfo{Cmd::Result});
        m.emplace("fname", CmdInfo{Cmd::FontAltName});
        m.emplace("ansi", CmdInfo{Cmd::Ansi});
        m.emplace("mac", CmdInfo{Cmd::Mac});
        m.emplace("pc", CmdInfo{Cmd::Pc});
        m.emplace("pca", CmdInfo{Cmd::Pca});
        m.emplace("ansicpg", CmdInfo{Cmd::AnsiCpg});
        m.emplace("deff", CmdInfo{Cmd::Deff});
        m.emplace("f", CmdInfo{Cmd::Font});
        m.emplace("fcharset", CmdInfo{Cmd::FCharset});
        m.emplace("cpg", CmdInfo{Cmd::Cpg});
        m.emplace("fnil", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("froman", CmdInfo{Cmd::FontClass, QFont::Serif});
        m.emplace("fswiss", CmdInfo{Cmd::FontClass, QFont::SansSerif});
        m.emplace("fmodern", CmdInfo{Cmd::FontClass, QFont::TypeWriter});
        m.emplace("fscript", CmdInfo{Cmd::FontClass, QFont::Cursive});
        m.emplace("fdecor", CmdInfo{Cmd::FontClass, QFont::Decorative});
        m.emplace("ftech", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("fbidi", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("red", CmdInfo{Cmd::Red});
        m.emplace("green", CmdInfo{Cmd::Green});
        m.emplace("blue", CmdInfo{Cmd::Blue});
        m.emplace("plain", CmdInfo{Cmd::Plain});
        m.emplace("fs", CmdInfo{Cmd::FontSize});
        m.emplace("b", CmdInfo{Cmd::Bold});
        m.emplace("i", CmdInfo{Cmd::Italic});
        m.emplace("strike", CmdInfo{Cmd::Strike});
        m.emplace("striked", CmdInfo{Cmd::StrikeD});
        m.emplace("ul", CmdInfo{Cmd::Underline, QTextCharFormat::SingleUnderline});
        m.emplace("ulnone", CmdInfo{Cmd::UlNone});
        m.emplace("v", CmdInfo{Cmd::Hidden});
        m.emplace("deleted", CmdInfo{Cmd::Hidden});
        m.emplace("caps", CmdInfo{Cmd::Caps});
        m.emplace("scaps", CmdInfo{Cmd::SmallCaps});
        // Underline variants Qt cannot draw show as a single line.
        for (const char *u : {"uldb", "ulw", "ulth", "ulhair"})
            m.emplace(u, CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::SingleUnderline});
        m.emplace("uld", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DotLine});
        m.emplace("ulthd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DotLine});
        m.emplace("uldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulthdash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulthldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("uldashd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotLine});
        m.emplace("ulthdashd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotLine});
        m.emplace("uldashdd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotDotLine});
        m.emplace("ulthdashdd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotDotLine});
        m.emplace("ulwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("ulhwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("ululdbwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("cf", CmdInfo{Cmd::Cf});
        m.emplace("cb", CmdInfo{Cmd::Cb});
        m.emplace("chcbpat", CmdInfo{Cmd::Cb});
        m.emplace("highlight", CmdInfo{Cmd::Highlight});
        m.emplace("sub", CmdInfo{Cmd::Sub});
        m.emplace("super", CmdInfo{Cmd::Super});
        m.emplace("nosupersub", CmdInfo{Cmd::NoSuperSub});
        m.emplace("up", CmdInfo{Cmd::Up});
        m.emplace("dn", CmdInfo{Cmd::Dn});
        m.emplace("pard", CmdInfo{Cmd::Pard});
        m.emplace("ql", CmdInfo{Cmd::Ql});
        m.emplace("qc", CmdInfo{Cmd::Qc});
        m.emplace("qr", CmdInfo{Cmd::Qr});
        m.emplace("qj", CmdInfo{Cmd::Qj});
        m.emplace("qd", CmdInfo{Cmd::Qj});
        m.emplace("li", CmdInfo{Cmd::Li});
        m.emplace("lin", CmdInfo{Cmd::Li});
        m.emplace("ri", CmdInfo{Cmd::Ri});
        m.emplace("rin", CmdInfo{Cmd::Ri});
        m.emplace("fi", CmdInfo{Cmd::Fi});
        m.emplace("sb", CmdInfo{Cmd::Sb});
        m.emplace("sa", CmdInfo{Cmd::Sa});
        m.emplace("sl", CmdInfo{Cmd::Sl});
        m.emplace("slmult", CmdInfo{Cmd::SlMult});
        m.emplace("tx", CmdInfo{Cmd::Tx});
        m.emplace("tqr", CmdInfo{Cmd::TabKind, QTextOption::RightTab});
        m.emplace("tqc", CmdInfo{Cmd::TabKind, QTextOption::CenterTab});
        m.emplace("tqdec", CmdInfo{Cmd::TabKind, QTextOption::DelimiterTab});
        m.emplace("par", CmdInfo{Cmd::Par});
        m.emplace("sect", CmdInfo{Cmd::Sect});
        m.emplace("page", CmdInfo{Cmd::Page});
        m.emplace("line", CmdInfo{Cmd::Line});
        m.emplace("tab", CmdInfo{Cmd::Tab});
        m.emplace("cell", CmdInfo{Cmd::Cell});
        m.emplace("nestcell", CmdInfo{Cmd::Cell});
        m.emplace("row", CmdInfo{Cmd::Row});
        m.emplace("nestrow", CmdInfo{Cmd::Row});
        m.emplace("emdash", CmdInfo{Cmd::Char, 0x2014});
        m.emplace("endash", CmdInfo{Cmd::Char, 0x2013});
        m.emplace("emspace", CmdInfo{Cmd::Char, 0x2003});
        m.emplace("enspace", CmdInfo{Cmd::Char, 0x2002});
        m.emplace("qmspace", CmdInfo{Cmd::Char, 0x2005});
        m.emplace("bullet", CmdInfo{Cmd::Char, 0x2022});
        m.emplace("lquote", CmdInfo{Cmd::Char, 0x2018});
        m.emplace("rquote", CmdInfo{Cmd::Char, 0x2019});
        m.emplace("ldblquote", CmdInfo{Cmd::Char, 0x201C});
        m.emplace("rdblquote", CmdInfo{Cmd::Char, 0x201D});
        m.emplace("zwj", CmdInfo{Cmd::Char, 0x200D});
        m.emplace("zwnj", CmdInfo{Cmd::Char, 0x200C});
        m.emplace("zwbo", CmdInfo{Cmd::Char, 0x200B});
        m.emplace("u", CmdInfo{Cmd::Unicode});
        m.emplace("uc", CmdInfo{Cmd::Uc});
        m.emplace("bin", CmdInfo{Cmd::Bin});
        return m;
    }();
    return map;
}

// Font names that carry their code page as a suffix ("Arial CE"): the face
// is the name without it.
struct Suffix {
    QLatin1StringView text;
    int codepage;
};
const Suffix kSuffixes[] = {
    {QLatin1StringView(" CE"), 1250},       {QLatin1StringView(" Cyr"), 1251},
    {QLatin1StringView(" Greek"), 1253},    {QLatin1StringView(" Tur"), 1254},
    {QLatin1StringView(" Baltic"), 1257},   {QLatin1StringView(" (Hebrew)"), 1255},
    {QLatin1StringView(" (Arabic)"), 1256}, {QLatin1StringView(" (Vietnamese)"), 1258},
    {QLatin1StringView(" (Thai)"), 874},
};

int clampInt(qint64 v, int lo, int hi)
{
    return int(std::clamp<qint64>(v, lo, hi));
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Characters a document cannot hold as text: control characters (an
// escaped \'0d would otherwise split the paragraph), the object
// placeholder with no object behind it, and non-characters.
bool isText(char16_t c)
{
    return (c >= 0x20 || c == u'\t') && c != QChar::ObjectReplacementCharacter && c < 0xFFFE;
}

// The target of a HYPERLINK field instruction: its address, with "#place"
// for the \l switch; empty for other fields.
QString hyperlinkTarget(const QString &instruction)
{
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < instruction.size(); ++i) {
        const QChar c = instruction[i];
        if (c == u'"') {
            quoted = !quoted;
            any = true;
            continue;
        }
        if (c == u'\\' && i + 1 < instruction.size() && quoted) {
            current += instruction[++i]; // an escaped character within quotes
            continue;
        }
        if (!quoted && c.isSpace()) {
            if (any)
                args << current;
            current.clear();
            any = false;
            continue;
        }
        current += c;
        any = true;
    }
    if (any)
        args << current;
    if (args.isEmpty() || args[0].compare(QLatin1StringView("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    QString address, place;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.size() == 2 && a[0] == u'\\') {
            const QChar sw = a[1].toLower();
            // Switches with an argument: \l place, \o tooltip, \t target frame.
            if ((sw == u'l' || sw == u'o' || sw == u't') && i + 1 < args.size()) {
                if (sw == u'l')
                    place = args[i + 1];
                ++i;
            }
            continue;
        }
        if (address.isEmpty())
            address = a;
    }
    if (!place.isEmpty())
        address += u'#' + place;
    return address;
}

// Bytes that end a run of plain text.
const std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> s{};
    for (int c = 0; c < 0x20; ++c)
        s[c] = true;
    s['\\'] = s['{'] = s['}'] = true;
    return s;
}();

class Reader {
public:
    Reader(QByteArrayView data, QTextCursor &cursor)
        : m_p(data.data()), m_end(data.data() + data.size()), m_cursor(cursor)
    {
    }

    void run();

private:
    // parsing
    void openGroup();
    bool closeGroup(); // false when the outermost group closed
    void controlWord(std::string_view name, bool hasParam, int param);
    void controlSymbol(char c);
    void textBytes(const char *s, qsizetype n);
    void textChar(char16_t c);
    bool consumeSkip(); // true when the current character is a \uN fallback

    // font and colour tables
    FontEntry *currentFont();
    void finishFont(FontEntry &f);
    void finishFonts();
    int codepage();

    // hyperlinks
    int linkIndex(const QString &target);

    // pictures
    void beginPicture();
    void pictureWord(std::string_view name, bool hasParam, int param);
    void pictureBytes(const char *s, qsizetype n); // \bin data
    void pictureHex(const char *s, qsizetype n);
    void finishPicture();

    // document building
    void beforeText();
    void decodePending();
    void flushRun();
    void endParagraph();
    void openPendingParagraph();
    void applyParagraph(const ParProps &par, const CharProps &chr);
    QTextCharFormat charFormat(const CharProps &p);
    QTextBlockFormat blockFormat(const ParProps &p) const;
    bool paragraphHasText() const
    {
        return !m_parPending && (m_blockHasText || !m_run.isEmpty() || !m_pendingBytes.isEmpty());
    }

    const char *m_p;
    const char *m_end;
    QTextCursor &m_cursor;

    std::vector<GroupState> m_stack;
    GroupState m_st;
    int m_overflow = 0; // groups opened beyond limits::maxDepth
    int m_skip = 0;     // \uN fallback characters still to drop

    int m_ansiCp = 1252;
    int m_deff = 0;
    QHash<int, FontEntry> m_fonts;
    std::vector<int> m_openFonts; // entries whose name is not complete yet
    int m_curFont = -1;
    int m_cpFont = INT_MIN; // cache of codepage()
    int m_cpValue = 0;
    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    TextDecoder m_decoder;
    QByteArray m_pendingBytes;
    int m_pendingCp = 0;
    QString m_run;
    CharProps m_runProps;
    bool m_propsDirty = true;
    bool m_hasFmt = false;
    CharProps m_fmtProps;
    QTextCharFormat m_fmt;

    bool m_parPending = false;  // a \par was read; the next text opens a paragraph
    bool m_blockHasText = false;
    ParProps m_lastTextPar;     // paragraph properties when text was last added
    ParProps m_blockPar;        // formats the current block has been given
    CharProps m_blockChr;
    bool m_blockFormatted = false;
    bool m_blockPageBreak = false; // the current block follows a \page
    int m_cells = 0;            // cell ends whose tab is still to come
    qint64 m_runs = 0;
    qint64 m_paragraphs = 1;

    struct PictureBuilder {
        detail::PictureData data;
        int goalW = -1, goalH = -1; // twips
        int scaleX = 100, scaleY = 100;
        int nibble = -1; // the high half of a byte whose low half is to come
        bool hidden = false;
    };
    PictureBuilder m_pic;
    bool m_picActive = false;
    QByteArray m_shapeName;         // of the shape property being read
    bool m_shapeHadPicture = false; // its \shprslt repeats the picture
    qint64 m_pictures = 0;
    qint64 m_decodedPixels = 0;
    QHash<QByteArray, QString> m_pictureNames; // identical pictures share their resources

    QString m_fieldInst;     // instruction of the field being read
    QStringList m_links;     // hyperlink targets, by CharProps::link
    QHash<QString, int> m_linkIndex;
    bool m_pageBreak = false; // a \page: the next paragraph starts a page
    const qint64 m_maxParagraphs = paragraphLimit();
};

void Reader::run()
{
    while (m_p < m_end) {
        const char c = *m_p;
        if (m_stack.empty() && c != '{') {
            ++m_p; // a byte-order mark or white space before the document
            continue;
        }
        switch (c) {
        case '{':
            ++m_p;
            openGroup();
            break;
        case '}':
            ++m_p;
            if (!closeGroup())
                m_p = m_end;
            break;
        case '\\': {
            ++m_p;
            if (m_p == m_end)
                break;
            if (!isLetter(*m_p)) {
                controlSymbol(*m_p++);
                break;
            }
            const char *start = m_p;
            while (m_p < m_end && isLetter(*m_p))
                ++m_p;
            std::string_view name(start, size_t(m_p - start));
            if (name.size() > size_t(limits::maxControlWordLength))
                name = std::string_view(); // no such word: ignored
            bool neg = false;
            if (m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1])) {
                neg = true;
                ++m_p;
            }
            bool hasParam = false;
            qint64 value = 0;
            int digits = 0;
            while (m_p < m_end && isDigit(*m_p)) {
                if (digits < limits::maxParameterDigits)
                    value = value * 10 + (*m_p - '0');
                ++digits;
                ++m_p;
                hasParam = true;
            }
            if (m_p < m_end && *m_p == ' ')
                ++m_p;
            if (neg)
                value = -value;
            controlWord(name, hasParam, clampInt(value, INT_MIN, INT_MAX));
            break;
        }
        case '\t':
            ++m_p;
            if (!consumeSkip())
                textChar(u'\t');
            break;
        default: {
            if (kSpecial[uchar(c)]) { // CR, LF, NUL and other controls carry nothing
                ++m_p;
                break;
            }
            const char *start = m_p;
            while (m_p < m_end && !kSpecial[uchar(*m_p)])
                ++m_p;
            textBytes(start, m_p - start);
            break;
        }
        }
    }
    if (m_picActive) // a file cut short in a picture
        finishPicture();
    flushRun();
    finishFonts();
    if (!m_parPending)
        applyParagraph(paragraphHasText() ? m_lastTextPar : m_st.par, m_st.chr);
}

void Reader::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= size_t(limits::maxDepth)) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_st);
    m_st.star = false;
}

bool Reader::closeGroup()
{
    m_skip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_stack.empty())
        return true; // a stray brace before the document starts
    const Dest old = m_st.dest;
    m_st = m_stack.back();
    m_stack.pop_back();
    m_propsDirty = true;
    if (old == Dest::Picture && m_st.dest != Dest::Picture && m_picActive)
        finishPicture();
    if ((old == Dest::FontTable || old == Dest::FontAltName) && m_st.dest != Dest::FontTable
        && m_st.dest != Dest::FontAltName) {
        finishFonts();
    }
    return !m_stack.empty();
}

bool Reader::consumeSkip()
{
    if (m_skip > 0) {
        --m_skip;
        return true;
    }
    return false;
}

FontEntry *Reader::currentFont()
{
    if (m_curFont < 0)
        return nullptr;
    auto it = m_fonts.find(m_curFont);
    return it == m_fonts.end() ? nullptr : &*it;
}

void Reader::finishFont(FontEntry &f)
{
    if (f.done)
        return;
    f.done = true;
    int cp = f.cpg > 0 && m_decoder.supports(f.cpg) ? f.cpg : detail::codepageForCharset(f.charset);
    // Names of symbol fonts are in plain letters, not in the font's symbols.
    const int nameCp = cp && cp != detail::symbolCodepage ? cp : m_ansiCp;
    m_decoder.decode(nameCp, f.nameBytes, f.name);
    m_decoder.decode(nameCp, f.altBytes, f.alt);
    f.nameBytes.clear();
    f.altBytes.clear();
    auto notInName = [](QChar c) { return c.unicode() < 0x20 || !isText(c.unicode()); };
    f.name.removeIf(notInName);
    f.alt.removeIf(notInName);
    const QString alt = f.alt.trimmed();
    QString name = alt.isEmpty() ? f.name.trimmed() : alt;
    int suffixCp = 0;
    for (bool again = true; again;) { // "Arial CE CE" happens too
        again = false;
        for (const Suffix &s : kSuffixes) {
            if (name.size() > s.text.size() && name.endsWith(s.text, Qt::CaseInsensitive)) {
                name.chop(s.text.size());
                name = name.trimmed();
                if (!suffixCp)
                    suffixCp = s.codepage;
                again = true;
                break;
            }
        }
    }
    if (!alt.isEmpty() && !suffixCp) {
        // The code page is the tagged name's even when \fname gives the face.
        const QString tagged = f.name.trimmed();
        for (const Suffix &s : kSuffixes) {
            if (tagged.endsWith(s.text, Qt::CaseInsensitive)) {
                suffixCp = s.codepage;
                break;
            }
        }
    }
    // A suffix names the code page when the charset does not, or names
    // only the Western default that old writers put on every font.
    if (suffixCp && f.cpg <= 0 && (f.charset < 0 || f.charset == 0 || f.charset == 1))
        cp = suffixCp;
    f.family = name;
    // \fnil says nothing about the kind of face: guess it from the name.
    if (f.hint < 0 || f.hint == QFont::AnyStyle)
        f.hint = detail::styleHintForFace(name);
    if (cp == detail::symbolCodepage) {
        // Its bytes are decoded to the characters they show, which the
        // text's own font draws better than a font of pictures would.
        if (f.family.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) != 0)
            cp = detail::pictographCodepage;
        f.family.clear();
    }
    f.codepage = cp;
    m_cpFont = INT_MIN;
}

void Reader::finishFonts()
{
    // Only the entries still open: a file with many font tables must not
    // cost the size of the table each time.
    for (int id : m_openFonts) {
        auto it = m_fonts.find(id);
        if (it != m_fonts.end())
            finishFont(*it);
    }
    m_openFonts.clear();
}

int Reader::codepage()
{
    const int font = m_st.chr.font >= 0 ? m_st.chr.font : m_deff;
    if (font != m_cpFont) {
        m_cpFont = font;
        auto it = m_fonts.constFind(font);
        m_cpValue = it != m_fonts.cend() && it->done ? it->codepage : 0;
    }
    return m_cpValue ? m_cpValue : m_ansiCp;
}

void Reader::controlSymbol(char c)
{
    switch (c) {
    case '\'': {
        if (m_p + 1 < m_end && isHex(m_p[0]) && isHex(m_p[1])) {
            const char byte = char(hexValue(m_p[0]) * 16 + hexValue(m_p[1]));
            m_p += 2;
            if (!consumeSkip())
                textBytes(&byte, 1);
        } else {
            // A broken escape is dropped whole, with the digit it has.
            if (m_p < m_end && isHex(m_p[0]))
                ++m_p;
            consumeSkip();
        }
        return;
    }
    case '\\':
    case '{':
    case '}':
        if (!consumeSkip())
            textBytes(&c, 1);
        return;
    case '*':
        m_st.star = true;
        return;
    case '\r':
    case '\n':
        if (!consumeSkip())
            controlWord("par", false, 0);
        return;
    case '~':
        if (!consumeSkip())
            textChar(0x00A0);
        return;
    case '-':
        if (!consumeSkip())
            textChar(0x00AD);
        return;
    case '_':
        if (!consumeSkip())
            textChar(0x2011);
        return;
    case '\t':
        if (!consumeSkip())
            textChar(u'\t');
        return;
    default: // \| \: and unknown symbols carry no text
        consumeSkip();
        return;
    }
}

void Reader::controlWord(std::string_view name, bool hasParam, int param)
{
    const auto &map = commands();
    const auto it = map.find(name);
    const bool star = m_st.star;
    m_st.star = false;

    if (it != map.end() && it->second.cmd == Cmd::Bin) {
        // Binary data is skipped whatever the destination; a length past the
        // end of the input ends the input.
        const qint64 n = std::min<qint64>(hasParam ? std::max(0, param) : 0, m_end - m_p);
        if (m_st.dest == Dest::Picture)
            pictureBytes(m_p, n);
        m_p += n;
        consumeSkip();
        return;
    }
    if (m_st.dest == Dest::Skip)
        return;
    if (m_st.dest == Dest::Picture) {
        if (star)
            m_st.dest = Dest::Skip; // {\*\picprop ...}, {\*\blipuid ...}
        else
            pictureWord(name, hasParam, param);
        return;
    }
    if (consumeSkip())
        return;
    if (it == map.end()) {
        if (star)
            m_st.dest = Dest::Skip; // an optional destination this reader does not know
        return;
    }
    const CmdInfo info = it->second;
    if (star && info.cmd > Cmd::FontAltName) {
        // \* before a word that names no destination: the group is
        // something this reader does not know.
        m_st.dest = Dest::Skip;
        return;
    }
    const bool on = !hasParam || param != 0;
    CharProps &chr = m_st.chr;
    ParProps &par = m_st.par;
    auto charChanged = [this] { m_propsDirty = true; };

    switch (info.cmd) {
    case Cmd::FontTable:
        m_st.dest = Dest::FontTable;
        m_curFont = -1;
        return;
    case Cmd::ColorTable:
        m_st.dest = Dest::ColorTable;
        m_colors.clear();
        m_colorSet = false;
        m_red = m_green = m_blue = 0;
        return;
    case Cmd::SkipDest:
        m_st.dest = Dest::Skip;
        return;
    case Cmd::FldInst:
        // Read only for its hyperlink; other fields show their result.
        m_st.dest = m_st.dest == Dest::Body ? Dest::FieldInst : Dest::Skip;
        m_fieldInst.clear();
        return;
    case Cmd::FldRslt:
        if (m_st.dest == Dest::Body) {
            const QString target = hyperlinkTarget(m_fieldInst);
            if (!target.isEmpty())
                chr.link = linkIndex(target);
            m_fieldInst.clear();
            charChanged();
        }
        return;
    case Cmd::Pict:
        if (m_st.dest == Dest::Body || m_st.dest == Dest::PictureHolder) {
            if (m_st.dest == Dest::PictureHolder)
                m_shapeHadPicture = true;
            m_st.dest = Dest::Picture;
            beginPicture();
        } else {
            m_st.dest = Dest::Skip;
        }
        return;
    case Cmd::ShpPict:
    case Cmd::ShpInst:
        // \shppict holds the picture a word processor shows; its twin
        // \nonshppict is for readers without shapes, and is skipped.
        m_st.dest = m_st.dest == Dest::Body ? Dest::PictureHolder : Dest::Skip;
        return;
    case Cmd::Sp:
        if (m_st.dest != Dest::PictureHolder)
            m_st.dest = Dest::Skip;
        return;
    case Cmd::Sn:
        m_st.dest = m_st.dest == Dest::PictureHolder ? Dest::ShapeName : Dest::Skip;
        m_shapeName.clear();
        return;
    case Cmd::Sv:
        // Of a shape's properties only "pib", the picture it shows, is read.
        if (m_st.dest != Dest::PictureHolder || m_shapeName != "pib")
            m_st.dest = Dest::Skip;
        return;
    case Cmd::ShpRslt:
        // What a shape shows to readers without shapes: the picture again
        // when its \shpinst had one.
        if (m_shapeHadPicture)
            m_st.dest = Dest::Skip;
        return;
    case Cmd::Shp:
        m_shapeHadPicture = false;
        return;
    case Cmd::Upr:
        m_st.dest = Dest::UprAnsi;
        return;
    case Cmd::Ud:
        if (m_st.dest == Dest::UprAnsi)
            m_st.dest = Dest::Body;
        return;
    case Cmd::Object:
        if (m_st.dest == Dest::Body)
            m_st.dest = Dest::ObjectSkip;
        return;
    case Cmd::Result:
        if (m_st.dest == Dest::ObjectSkip)
            m_st.dest = Dest::Body;
        return;
    case Cmd::FontAltName:
        m_st.dest = m_st.dest == Dest::FontTable ? Dest::FontAltName : Dest::Skip;
        return;
    case Cmd::Ansi:
        m_ansiCp = 1252;
        return;
    case Cmd::Mac:
        m_ansiCp = 10000;
        return;
    case Cmd::Pc:
        m_ansiCp = 437;
        return;
    case Cmd::Pca:
        m_ansiCp = 850;
        return;
    case Cmd::AnsiCpg:
        if (hasParam && param > 0 && m_decoder.supports(param))
            m_ansiCp = param;
        return;
    case Cmd::Deff:
        if (hasParam)
            m_deff = param;
        m_cpFont = INT_MIN;
        charChanged();
        return;
    case Cmd::Font:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                finishFont(*f);
            m_curFont = hasParam ? param : 0;
            if (m_fonts.size() < limits::maxTableEntries || m_fonts.contains(m_curFont)) {
                m_fonts[m_curFont] = FontEntry();
                m_openFonts.push_back(m_curFont);
            } else {
                m_curFont = -1;
            }
            m_cpFont = INT_MIN;
        } else {
            chr.font = hasParam ? param : 0;
            charChanged();
        }
        return;
    case Cmd::FCharset:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->charset = param;
        }
        return;
    case Cmd::Cpg:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->cpg = param;
        }
        return;
    case Cmd::FontClass:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->hint = info.arg;
        }
        return;
    case Cmd::Red:
    case Cmd::Green:
    case Cmd::Blue:
        if (m_st.dest == Dest::ColorTable) {
            const int v = clampInt(param, 0, 255);
            (info.cmd == Cmd::Red ? m_red : info.cmd == Cmd::Green ? m_green : m_blue) = v;
            m_colorSet = true;
        }
        return;
    case Cmd::Plain: {
        // The field's link is no character format: \plain in its result keeps it.
        const int link = chr.link;
        chr = CharProps();
        chr.link = link;
        charChanged();
        return;
    }
    case Cmd::FontSize:
        chr.halfPoints = hasParam && param > 0 ? clampInt(param, 1, limits::maxHalfPoints) : 24;
        charChanged();
        return;
    case Cmd::Bold:
        chr.bold = on;
        charChanged();
        return;
    case Cmd::Italic:
        chr.italic = on;
        charChanged();
        return;
    case Cmd::Strike:
    case Cmd::StrikeD:
        chr.strike = on;
        charChanged();
        return;
    case Cmd::Underline:
    case Cmd::UnderlineStyle:
        chr.underline = on ? quint8(info.arg) : quint8(QTextCharFormat::NoUnderline);
        charChanged();
        return;
    case Cmd::UlNone:
        chr.underline = QTextCharFormat::NoUnderline;
        charChanged();
        return;
    case Cmd::Hidden:
        chr.hidden = on;
        return;
    case Cmd::Caps:
        chr.caps = on ? QFont::AllUppercase : QFont::MixedCase;
        charChanged();
        return;
    case Cmd::SmallCaps:
        chr.caps = on ? QFont::SmallCaps : QFont::MixedCase;
        charChanged();
        return;
    case Cmd::Cf:
        chr.fg = hasParam ? param : -1;
        charChanged();
        return;
    case Cmd::Cb:
    case Cmd::Highlight:
        // Index 0 is "no background" for \highlight and automatic for \cb.
        chr.bg = hasParam && param > 0 ? param : -1;
        charChanged();
        return;
    case Cmd::Sub:
        chr.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::Super:
        chr.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::NoSuperSub:
        chr.valign = QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::Up:
    case Cmd::Dn: {
        const int v = hasParam ? param : 6;
        const bool up = (info.cmd == Cmd::Up) == (v > 0);
        chr.valign = v == 0 ? QTextCharFormat::AlignNormal
                            : up ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript;
        charChanged();
        return;
    }
    case Cmd::Pard:
        par = ParProps();
        return;
    case Cmd::Ql:
        par.align = Qt::AlignLeft;
        return;
    case Cmd::Qc:
        par.align = Qt::AlignHCenter;
        return;
    case Cmd::Qr:
        par.align = Qt::AlignRight;
        return;
    case Cmd::Qj:
        par.align = Qt::AlignJustify;
        return;
    case Cmd::Li:
        par.li = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Ri:
        par.ri = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Fi:
        par.fi = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Sb:
        par.sb = clampInt(param, 0, limits::maxTwips);
        return;
    case Cmd::Sa:
        par.sa = clampInt(param, 0, limits::maxTwips);
        return;
    case Cmd::Sl:
        par.sl = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::SlMult:
        par.slMult = on;
        return;
    case Cmd::TabKind:
        par.nextTab = quint8(info.arg);
        return;
    case Cmd::Tx:
        if (par.tabCount < limits::maxTabStops && hasParam && param >= 0) {
            par.tabPos[par.tabCount] = clampInt(param, 0, limits::maxTwips);
            par.tabType[par.tabCount] = par.nextTab;
            ++par.tabCount;
        }
        par.nextTab = QTextOption::LeftTab;
        return;
    case Cmd::Par:
    case Cmd::Sect:
    case Cmd::Row:
        if (m_st.dest == Dest::Body)
            endParagraph();
        return;
    case Cmd::Page:
        // A page break ends the paragraph it is in; one right after a
        // paragraph end adds no empty paragraph. The next paragraph starts
        // the new page; one before the first paragraph means nothing.
        if (m_st.dest != Dest::Body)
            return;
        if (paragraphHasText())
            endParagraph();
        if (m_parPending)
            m_pageBreak = true;
        return;
    case Cmd::PageBefore:
        par.pageBefore = on;
        return;
    case Cmd::Line:
        textChar(QChar::LineSeparator);
        return;
    case Cmd::Tab:
        textChar(u'\t');
        return;
    case Cmd::Cell:
        if (m_st.dest == Dest::Body) {
            ++m_cells;
            m_cells = std::min(m_cells, 1 << 20);
        }
        return;
    case Cmd::Char:
        textChar(char16_t(info.arg));
        return;
    case Cmd::Unicode: {
        if (!hasParam)
            return;
        // Writers use both the signed 16-bit form and the unsigned one.
        const int v = param < 0 ? param + 65536 : param;
        if (v >= 0 && v <= 0xFFFF && isText(char16_t(v)))
            textChar(char16_t(v));
        m_skip = m_st.uc;
        return;
    }
    case Cmd::Uc:
        m_st.uc = quint8(clampInt(hasParam ? param : 1, 0, limits::maxUnicodeSkip));
        return;
    case Cmd::Bin:
        return; // handled above
    }
}

void Reader::textBytes(const char *s, qsizetype n)
{
    while (n > 0 && m_skip > 0) {
        --m_skip;
        ++s;
        --n;
    }
    if (n <= 0)
        return;
    switch (m_st.dest) {
    case Dest::Body: {
        if (m_st.chr.hidden)
            return;
        beforeText();
        const int cp = codepage();
        if (cp != m_pendingCp)
            decodePending();
        m_pendingCp = cp;
        m_pendingBytes.append(s, n);
        return;
    }
    case Dest::FontTable:
    case Dest::FontAltName: {
        FontEntry *f = currentFont();
        for (qsizetype i = 0; i < n; ++i) {
            if (s[i] == ';' && m_st.dest == Dest::FontTable) {
                if (f)
                    finishFont(*f);
                f = nullptr;
                m_curFont = -1;
            } else if (f && !f->done && s[i] != ';') {
                (m_st.dest == Dest::FontTable ? f->nameBytes : f->altBytes).append(s[i]);
            }
        }
        return;
    }
    case Dest::ColorTable:
        for (qsizetype i = 0; i < n; ++i) {
            if (s[i] != ';')
                continue;
            if (m_colors.size() < size_t(limits::maxTableEntries))
                m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        return;
    case Dest::Picture:
        pictureHex(s, n);
        return;
    case Dest::FieldInst:
        if (m_fieldInst.size() < 4096)
            m_decoder.decode(codepage(), QByteArrayView(s, std::min<qsizetype>(n, 4096)), m_fieldInst);
        return;
    case Dest::ShapeName:
        m_shapeName.append(s, std::min<qsizetype>(n, std::max<qsizetype>(0, 16 - m_shapeName.size())));
        return;
    case Dest::Skip:
    case Dest::UprAnsi:
    case Dest::ObjectSkip:
    case Dest::PictureHolder:
        return;
    }
}

void Reader::textChar(char16_t c)
{
    switch (m_st.dest) {
    case Dest::Body:
        if (m_st.chr.hidden)
            return;
        if (c >= 0xF020 && c <= 0xF0FF) {
            // \uN of a symbol font names the font's byte in the private use
            // area.
            const int cp = codepage();
            if (cp == detail::symbolCodepage || cp == detail::pictographCodepage)
                c = detail::symbolCharacter(cp, uchar(c - 0xF000));
        }
        beforeText();
        decodePending();
        m_run.append(QChar(c));
        return;
    case Dest::FieldInst:
        if (m_fieldInst.size() < 4096)
            m_fieldInst.append(QChar(c));
        return;
    case Dest::FontTable:
    case Dest::FontAltName:
        if (FontEntry *f = currentFont(); f && !f->done) {
            const int cp = f->cpg > 0 ? f->cpg : detail::codepageForCharset(f->charset);
            QByteArray &bytes = m_st.dest == Dest::FontTable ? f->nameBytes : f->altBytes;
            QString &text = m_st.dest == Dest::FontTable ? f->name : f->alt;
            m_decoder.decode(cp && cp != detail::symbolCodepage ? cp : m_ansiCp, bytes, text);
            bytes.clear();
            text.append(QChar(c));
        }
        return;
    default:
        return;
    }
}

int Reader::linkIndex(const QString &target)
{
    auto it = m_linkIndex.constFind(target);
    if (it != m_linkIndex.cend())
        return *it;
    if (m_links.size() >= limits::maxTableEntries)
        return -1; // the text stays, as text without its link
    m_links.append(target);
    m_linkIndex.insert(target, int(m_links.size() - 1));
    return int(m_links.size() - 1);
}

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
    if (!m_picActive)
        return;
    char buffer[512];
    qsizetype used = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (!isHex(s[i]))
            continue; // white space between the digits
        const int v = hexValue(s[i]);
        if (m_pic.nibble < 0) {
            m_pic.nibble = v;
            continue;
        }
        buffer[used++] = char(m_pic.nibble * 16 + v);
        m_pic.nibble = -1;
        if (used == qsizetype(sizeof buffer)) {
            pictureBytes(buffer, used);
            used = 0;
        }
    }
    pictureBytes(buffer, used);
}

void Reader::finishPicture()
{
    m_picActive = false;
    PictureBuilder pic = std::move(m_pic);
    m_pic = PictureBuilder();
    if (pic.hidden || m_st.chr.hidden)
        return;
    if (++m_pictures > limits::maxPictures) {
        throw Error(QStringLiteral("Dokument je příliš velký: má víc než %1 obrázků.")
                        .arg(QLocale(QLocale::Czech).toString(limits::maxPictures)));
    }
    detail::PictureData &data = pic.data;
    const bool drawable = detail::isDrawableBlip(data.blip);

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
    QTextDocument *doc = m_cursor.document();
    QImage image;
    bool tried = false; // decoding was tried
    auto it = m_pictureNames.constFind(key);
    const bool fresh = it == m_pictureNames.cend();
    if (!fresh) {
        name = *it;
        image = doc->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    } else {
        name = QStringLiteral("rtf-picture:") + QString::fromLatin1(key.toHex());
        const qint64 budget = std::min(limits::maxPicturePixels, limits::maxDocumentPicturePixels - m_decodedPixels);
        if (drawable && budget > 0) {
            const QSize shown(w > 0 ? qRound(shownPixels(w, pic.scaleX)) : 0,
                              h > 0 ? qRound(shownPixels(h, pic.scaleY)) : 0);
            image = detail::decodePicture(data.bytes, data.blip, shown, budget);
            tried = true;
            m_decodedPixels += qint64(image.width()) * image.height();
        }
        m_pictureNames.insert(key, name);
    }
    // Without a size in the file the decoded picture's own size applies.
    const bool known = !image.isNull();
    if (w <= 0 && h <= 0)
        w = known ? image.width() * kTwipsPerPixel : 480;
    if (w <= 0)
        w = known ? h * image.width() / std::max(1, image.height()) : h;
    if (h <= 0)
        h = known ? w * image.height() / std::max(1, image.width()) : w;
    const double wpx = shownPixels(w, pic.scaleX);
    const double hpx = shownPixels(h, pic.scaleY);

    if (fresh) {
        if (image.isNull()) {
            const bool damaged = tried || data.blip.isEmpty();
            image = detail::placeholderImage(QSize(qRound(wpx), qRound(hpx)), detail::blipLabel(data.blip, damaged));
        }
        doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        doc->addResource(QTextDocument::UserResource, detail::pictureBytesUrl(name), detail::toVariant(data));
    }

    QTextCharFormat cf = charFormat(m_st.chr);
    cf.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = cf.toImageFormat();
    f.setName(name);
    f.setWidth(wpx);
    f.setHeight(hpx);
    if (pic.goalW > 0)
        f.setProperty(detail::PictureGoalWidth, pic.goalW);
    if (pic.goalH > 0)
        f.setProperty(detail::PictureGoalHeight, pic.goalH);
    if (pic.scaleX != 100)
        f.setProperty(detail::PictureScaleX, pic.scaleX);
    if (pic.scaleY != 100)
        f.setProperty(detail::PictureScaleY, pic.scaleY);
    f.setProperty(detail::PictureShownWidth, wpx);
    f.setProperty(detail::PictureShownHeight, hpx);

    beforeText();
    flushRun();
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_blockHasText = true;
}

void Reader::beforeText()
{
    if (m_parPending)
        openPendingParagraph();
    if (m_propsDirty) {
        m_propsDirty = false;
        // Past the limit of runs, text keeps the format of the last run.
        if (!(m_st.chr == m_runProps) && m_runs < limits::maxRuns) {
            flushRun();
            m_runProps = m_st.chr;
        }
    }
    if (m_cells > 0) {
        decodePending();
        m_run.append(QString(m_cells, u'\t'));
        m_cells = 0;
    }
    m_lastTextPar = m_st.par;
}

void Reader::decodePending()
{
    if (m_pendingBytes.isEmpty())
        return;
    const qsizetype start = m_run.size();
    m_decoder.decode(m_pendingCp, m_pendingBytes, m_run);
    // Decoders pass controls through, and some map invalid bytes to them.
    char16_t *data = reinterpret_cast<char16_t *>(m_run.data());
    qsizetype out = start;
    for (qsizetype i = start; i < m_run.size(); ++i) {
        if (isText(data[i]))
            data[out++] = data[i];
    }
    m_run.resize(out);
    m_pendingBytes.resize(0); // keeps the buffer for the next run
}

void Reader::flushRun()
{
    decodePending();
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, charFormat(m_runProps));
    m_run.resize(0);
    ++m_runs;
    m_blockHasText = true;
}

void Reader::openPendingParagraph()
{
    if (m_paragraphs >= m_maxParagraphs) {
        // Refused rather than cut short: see limits::maxParagraphs.
        throw tooManyParagraphs(m_maxParagraphs);
    }
    ++m_paragraphs;
    // The paragraph gets the formats in force now; its \par corrects them
    // only if they changed in between, which saves most format calls.
    m_parPending = false;
    m_blockPageBreak = m_pageBreak;
    m_pageBreak = false;
    m_cursor.insertBlock(blockFormat(m_st.par), charFormat(m_st.chr));
    m_blockPar = m_st.par;
    m_blockChr = m_st.chr;
    m_blockFormatted = true;
    m_blockHasText = false;
}

void Reader::endParagraph()
{
    if (m_parPending)
        openPendingParagraph();
    m_propsDirty = true;
    flushRun();
    applyParagraph(m_st.par, m_st.chr);
    m_parPending = true;
    m_cells = 0;
}

void Reader::applyParagraph(const ParProps &par, const CharProps &chr)
{
    if (!m_blockFormatted || !(par == m_blockPar))
        m_cursor.setBlockFormat(blockFormat(par));
    if (!m_blockFormatted || !(chr == m_blockChr))
        m_cursor.setBlockCharFormat(charFormat(chr));
    m_blockPar = par;
    m_blockChr = chr;
    m_blockFormatted = true;
}

QTextCharFormat Reader::charFormat(const CharProps &p)
{
    if (m_hasFmt && p == m_fmtProps)
        return m_fmt;
    QTextCharFormat f;
    const int font = p.font >= 0 ? p.font : m_deff;
    if (auto it = m_fonts.constFind(font); it != m_fonts.cend() && !it->family.isEmpty()) {
        f.setFontFamilies(QStringList(it->family));
        f.setFontStyleHint(QFont::StyleHint(it->hint));
    }
    f.setFontPointSize(p.halfPoints / 2.0);
    if (p.bold)
        f.setFontWeight(QFont::Bold);
    if (p.italic)
        f.setFontItalic(true);
    if (p.underline != QTextCharFormat::NoUnderline)
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(p.underline));
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.caps != QFont::MixedCase)
        f.setFontCapitalization(QFont::Capitalization(p.caps));
    if (p.fg >= 0 && size_t(p.fg) < m_colors.size() && m_colors[p.fg].isValid())
        f.setForeground(m_colors[p.fg]);
    if (p.bg >= 0 && size_t(p.bg) < m_colors.size() && m_colors[p.bg].isValid())
        f.setBackground(m_colors[p.bg]);
    if (p.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(p.valign));
    if (p.link >= 0 && p.link < m_links.size()) {
        f.setAnchor(true);
        f.setAnchorHref(m_links[p.link]);
    }
    m_hasFmt = true;
    m_fmtProps = p;
    m_fmt = f;
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParProps &p) const
{
    QTextBlockFormat f;
    f.setAlignment(p.align);
    if (p.pageBefore || m_blockPageBreak)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.li)
        f.setLeftMargin(p.li / kTwipsPerPixel);
    if (p.ri)
        f.setRightMargin(p.ri / kTwipsPerPixel);
    if (p.fi)
        f.setTextIndent(p.fi / kTwipsPerPixel);
    if (p.sb)
        f.setTopMargin(p.sb / kTwipsPerPixel);
    if (p.sa)
        f.setBottomMargin(p.sa / kTwipsPerPixel);
    if (p.sl > 0 && p.slMult)
        f.setLineHeight(p.sl * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (p.sl > 0)
        f.setLineHeight(p.sl / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
    else if (p.sl < 0)
        f.setLineHeight(-p.sl / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    if (p.tabCount) {
        QList<QTextOption::Tab> tabs;
        for (int i = 0; i < p.tabCount; ++i) {
            const auto type = QTextOption::TabType(p.tabType[i]);
            // Decimal tabs align on the decimal comma of Czech numbers.
            tabs.append(QTextOption::Tab(p.tabPos[i] / kTwipsPerPixel, type,
                                         type == QTextOption::DelimiterTab ? QChar(u',') : QChar()));
        }
        f.setTabPositions(tabs);
    }
    return f;
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

void checkInputSize(qint64 bytes)
{
    if (bytes > limits::maxInputBytes) {
        throw Error(QStringLiteral("Soubor je příliš velký (%1 MB). Editor otevírá soubory nejvýše do %2 MB.")
                        .arg(bytes / (1024 * 1024) + (bytes % (1024 * 1024) != 0)) // rounded up, without overflow
                        .arg(limits::maxInputBytes / (1024 * 1024)));
    }
}

qint64 maxInputSize()
{
    return limits::maxInputBytes;
}

void read(QByteArrayView data, QTextDocument &doc)
{
    checkInputSize(data.size());

    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    struct Restore {
        QTextDocument &doc;
        bool undo;
        ~Restore() { doc.setUndoRedoEnabled(undo); }
    } restore{doc, undo};

    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    try {
        if (!isRtf(data)) {
            // Text that is not RTF is taken as it is, like the text of a file
            // that is not RTF.
            QString text = decodePlainText(data);
            text.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
            text.replace(u'\r', u'\n');
            // The same bound as for RTF, or a text file could load and then
            // be saved as RTF that no longer opens.
            if (text.count(u'\n') >= paragraphLimit())
                throw tooManyParagraphs(paragraphLimit());
            cursor.insertText(text);
        } else {
            Reader reader(data, cursor);
            reader.run();
        }
    } catch (const Error &) {
        // No half document that a save would make permanent.
        cursor.endEditBlock();
        doc.clear();
        throw;
    }
    cursor.endEditBlock();
}

namespace detail {

void setParagraphLimitForTesting(qint64 limit)
{
    g_paragraphLimit = std::max<qint64>(0, limit);
}

} // namespace detail

} // namespace rtf
