#include "docgen.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QStringList>

#include <array>
#include <cstdint>

namespace benchdoc {

namespace {

// A small deterministic generator: std::uniform_int_distribution differs
// between standard libraries, and the files must be the same everywhere.
class Rng {
public:
    explicit Rng(quint32 seed) : m_state(0x9E3779B97F4A7C15ull ^ seed) {}
    quint32 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return quint32(m_state >> 11);
    }
    int below(int n) { return int(next() % quint32(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename List>
    const auto &pick(const List &list) { return list[below(int(std::size(list)))]; }

private:
    quint64 m_state;
};

const char *const Nouns[] = {
    "časopis", "článek", "čtenář", "redakce", "počítač", "program", "soubor", "obrazovka",
    "klávesnice", "myš", "disketa", "tiskárna", "síť", "zpráva", "hudba", "hra", "příběh",
    "město", "léto", "zima", "škola", "učitel", "student", "kamarád", "večer", "ráno", "svět",
    "čas", "život", "knihovna", "kniha", "stránka", "obrázek", "písmo", "řádek", "odstavec",
    "nadpis", "verze", "chyba", "oprava", "návod", "recenze", "soutěž", "výsledek", "otázka",
    "odpověď", "dopis", "rozhovor", "koncert", "výstava", "příroda", "řeka", "les", "hora",
    "vesnice", "nádraží", "vlak", "cesta", "zahrada", "kuchyně", "polévka", "knedlík", "čaj",
    "káva", "dort", "ovoce", "jablko", "hruška", "švestka", "třešně", "houby", "sklep",
    "sklípek", "víno", "sud", "pohár", "přítel", "sestra", "bratr", "dědeček", "babička", "pes",
    "kočka", "kůň", "ptáček", "ježek", "žába", "motýl", "včela", "ďábel", "úterý", "Ťapka",
};
const char *const Adjectives[] = {
    "nový", "starý", "dobrý", "krásný", "dlouhý", "krátký", "velký", "malý", "rychlý",
    "pomalý", "zajímavý", "těžký", "lehký", "šťastný", "smutný", "veselý", "zelený", "červený",
    "modrý", "žlutý", "černý", "bílý", "český", "moravský", "letní", "zimní", "podzimní",
    "jarní", "tichý", "hlučný", "úžasný", "příjemný", "nejlepší", "poslední", "první", "další",
    "každý", "celý", "vlastní", "skutečný", "ďolíčkový", "ňadrový", "Ústecký",
};
const char *const Verbs[] = {
    "píše", "čte", "hledá", "najde", "ukládá", "otevírá", "zavírá", "tiskne", "kreslí", "hraje",
    "zpívá", "běží", "skáče", "vaří", "peče", "pije", "jí", "spí", "sní", "přemýšlí",
    "vypráví", "vysvětluje", "opravuje", "zkouší", "posílá", "dostává", "čeká", "přijde",
    "odejde", "vrátí se", "líbí se", "řekne", "ví", "umí", "může", "musí", "chce", "potřebuje",
};
const char *const Others[] = {
    "dnes", "včera", "zítra", "často", "někdy", "nikdy", "vždycky", "rychle", "pomalu",
    "potichu", "nahlas", "opravdu", "hlavně", "také", "ještě", "už", "právě", "snad", "asi",
    "možná", "bohužel", "naštěstí", "přesto", "proto", "však", "ale", "nebo", "když",
    "protože", "že", "který", "jenž", "kde", "jak", "proč", "třeba", "přece",
};
// One-letter prepositions and conjunctions: Czech typography keeps them on
// the line of the next word with a non-breaking space.
const char *const OneLetter[] = {"v", "k", "s", "z", "o", "u", "a", "i", "V", "K", "S", "Z"};
const char *const Authors[] = {
    "Jiří Dvořák", "Petra Nováková", "Tomáš Černý", "Kateřina Šťastná", "Zdeněk Říha",
    "Lucie Žáková", "Ľubomír Kráľ", "Věra Ďurišová",
};
const char *const Sections[] = {
    "Úvodník", "Rozhovor", "Recenze", "Soutěž", "Z redakční pošty", "Téma čísla", "Poezie",
};

// Code page 1250 for the characters the articles use; the rest goes out as \uN.
const QHash<char16_t, uchar> &cp1250()
{
    static const QHash<char16_t, uchar> table = [] {
        QHash<char16_t, uchar> t;
        const std::pair<const char *, uchar> pairs[] = {
            {"Š", 0x8A}, {"Ś", 0x8C}, {"Ť", 0x8D}, {"Ž", 0x8E}, {"Ź", 0x8F}, {"š", 0x9A},
            {"ś", 0x9C}, {"ť", 0x9D}, {"ž", 0x9E}, {"ź", 0x9F}, {"Á", 0xC1}, {"Ä", 0xC4},
            {"Č", 0xC8}, {"É", 0xC9}, {"Ě", 0xCC}, {"Í", 0xCD}, {"Ď", 0xCF}, {"Ň", 0xD2},
            {"Ó", 0xD3}, {"Ô", 0xD4}, {"Ö", 0xD6}, {"×", 0xD7}, {"Ř", 0xD8}, {"Ů", 0xD9},
            {"Ú", 0xDA}, {"Ü", 0xDC}, {"Ý", 0xDD}, {"á", 0xE1}, {"ä", 0xE4}, {"ĺ", 0xE5},
            {"č", 0xE8}, {"é", 0xE9}, {"ě", 0xEC}, {"í", 0xED}, {"ď", 0xEF}, {"ň", 0xF2},
            {"ó", 0xF3}, {"ô", 0xF4}, {"ö", 0xF6}, {"ř", 0xF8}, {"ů", 0xF9}, {"ú", 0xFA},
            {"ü", 0xFC}, {"ý", 0xFD}, {"ľ", 0xBE}, {"Ľ", 0xBC}, {"„", 0x84}, {"…", 0x85},
            {"“", 0x93}, {"”", 0x94}, {"–", 0x96}, {"—", 0x97}, {"™", 0x99}, {"€", 0x80},
            {"§", 0xA7}, {"°", 0xB0}, {"‰", 0x89},
        };
        for (const auto &[utf8, byte] : pairs)
            t.insert(QString::fromUtf8(utf8).at(0).unicode(), byte);
        return t;
    }();
    return table;
}

struct Format {
    int font = 0;
    int halfPoints = 20;
    int color = 0; // 0: automatic
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

struct Run {
    Format format;
    QString text;
};

class RtfOut {
public:
    QByteArray bytes;

    // Control words; a line break in the file goes before one once the
    // line is long, where it cannot change the text.
    void control(const char *words)
    {
        if (m_line > 200) {
            bytes += "\r\n";
            m_line = 0;
        }
        append(words);
    }
    void text(QStringView s)
    {
        const auto &table = cp1250();
        for (const QChar ch : s) {
            const char16_t c = ch.unicode();
            if (c == u'\\' || c == u'{' || c == u'}') {
                const char esc[3] = {'\\', char(c), 0};
                append(esc);
            } else if (c >= 0x20 && c < 0x80) {
                bytes += char(c);
                ++m_line;
            } else if (c == 0x00A0) {
                control("\\~");
            } else if (c == u'\t') {
                control("\\tab ");
            } else if (c == 0x2028) {
                control("\\line ");
            } else if (const auto it = table.find(c); it != table.end()) {
                static const char hex[] = "0123456789abcdef";
                const char esc[5] = {'\\', '\'', hex[*it >> 4], hex[*it & 15], 0};
                control(esc);
            } else {
                control(QByteArray("\\u" + QByteArray::number(qint16(c)) + "\\'3f").constData());
            }
        }
    }
    void endLine()
    {
        bytes += "\r\n";
        m_line = 0;
    }

private:
    void append(const char *s)
    {
        const qsizetype n = qsizetype(qstrlen(s));
        bytes.append(s, n);
        m_line += int(n);
    }
    int m_line = 0;
};

class Generator {
public:
    explicit Generator(quint32 seed) : m_rng(seed) {}

    Document run(qint64 target)
    {
        m_out.bytes.reserve(target + target / 16 + 4096);
        m_text.reserve(target);
        header();
        int article = 0;
        while (m_out.bytes.size() < target)
            writeArticle(++article, target);
        m_out.bytes += "}\r\n";
        Document d;
        d.rtf = std::move(m_out.bytes);
        d.text = m_text.toUtf8();
        d.paragraphs = m_paragraphs;
        d.runs = m_runs;
        return d;
    }

    // Articles made mostly of tables and lists: after a heading and a
    // paragraph, a table of 3 to 6 columns and 5 to 30 rows (borders, a
    // shaded header row, some cells merged across or down) and a bulleted
    // list of 5 to 15 items on two levels, as Word writes it (\\ls, \\ilvl,
    // \\listtext for readers without lists). `text` is left empty: which
    // text a reader makes of a table is its own choice.
    Document runTables(qint64 target)
    {
        m_out.bytes.reserve(target + target / 16 + 4096);
        header();
        m_out.bytes += "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\'95;}"
                       "\\li720\\fi-360}{\\listlevel\\levelnfc23{\\leveltext\\'01o;}\\li1440\\fi-360}\\listid1}}\r\n"
                       "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n";
        int article = 0;
        while (m_out.bytes.size() < target) {
            ++article;
            Format head;
            head.font = 1;
            head.halfPoints = 28;
            head.bold = true;
            paragraph("\\pard\\plain\\sb240\\sa120 ", {{head, title()}});
            paragraph("\\pard\\plain\\qj\\sa60 ", body(0, false));
            writeTable();
            writeList();
        }
        return finish();
    }

private:
    // The document's end, and what was written.
    Document finish()
    {
        m_out.bytes += "}\r\n";
        Document d;
        d.rtf = std::move(m_out.bytes);
        d.paragraphs = m_paragraphs;
        d.runs = m_runs;
        return d;
    }

    void writeTable()
    {
        const int columns = 3 + m_rng.below(4);
        const int rows = 5 + m_rng.below(26);
        const int width = 9000 / columns;
        for (int r = 0; r < rows; ++r) {
            // A cell merged down from the row above, and one across.
            const int down = r > 1 && m_rng.chance(10) ? 0 : -1;
            const int across = r > 0 && m_rng.chance(10) ? 1 + m_rng.below(columns - 1) : -1;
            QByteArray def = "\\trowd\\trgaph108\\trleft-108";
            if (r == 0)
                def += "\\trhdr";
            for (int c = 0; c < columns; ++c) {
                if (down == c)
                    def += "\\clvmrg";
                else if (c == 0 && r > 0 && m_rng.chance(10))
                    def += "\\clvmgf";
                if (across == c)
                    def += "\\clmrg";
                else if (across == c + 1)
                    def += "\\clmgf";
                def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
                if (r == 0)
                    def += "\\clcbpat4";
                def += "\\cellx" + QByteArray::number((c + 1) * width);
            }
            m_out.control(def.constData());
            m_out.endLine();
            for (int c = 0; c < columns; ++c) {
                m_out.control("\\pard\\plain\\intbl ");
                if (down != c && across != c) {
                    Format f;
                    f.bold = r == 0;
                    f.halfPoints = 20;
                    QString t = word();
                    for (int w = m_rng.below(r == 0 ? 2 : 8); w > 0; --w)
                        t += u' ' + word();
                    emitRun({f, t});
                }
                m_out.control("\\cell");
            }
            m_out.control("\\pard\\plain\\intbl\\row");
            m_out.endLine();
        }
    }

    void writeList()
    {
        const int items = 5 + m_rng.below(11);
        for (int i = 0; i < items; ++i) {
            const bool inner = i > 0 && m_rng.chance(30);
            beginParagraph(inner ? "\\pard\\plain\\ls1\\ilvl1\\li1440\\fi-360 {\\listtext\\f2 o\\tab}"
                                 : "\\pard\\plain\\ls1\\li720\\fi-360 {\\listtext\\f0\\'95\\tab}");
            Format f;
            f.halfPoints = 22;
            emitRun({f, sentence()});
            endParagraph();
        }
    }

public:
    // Photographs with text between them: a couple of paragraphs, a
    // picture in a paragraph of its own, and so on; text after the last.
    Document runPhotos(int photos, int width, int height)
    {
        header();
        for (int i = 0; i < photos; ++i) {
            writeArticle(i + 1, m_out.bytes.size() + 3000);
            const QByteArray jpeg = photo(width, height);
            m_out.control("\\pard\\plain\\qc\\sb120\\sa120 {\\pict\\picscalex100\\picscaley100");
            m_out.control(("\\picw" + QByteArray::number(width) + "\\pich" + QByteArray::number(height)
                           + "\\picwgoal9000\\pichgoal" + QByteArray::number(9000LL * height / width)
                           + "\\jpegblip").constData());
            m_out.endLine();
            // As word processors write pictures: 64 bytes to a line.
            m_out.bytes.reserve(m_out.bytes.size() + jpeg.size() * 2 + jpeg.size() / 32 + 4096);
            for (qsizetype at = 0; at < jpeg.size(); at += 64) {
                m_out.bytes += jpeg.mid(at, 64).toHex();
                m_out.endLine();
            }
            m_out.control("}\\par");
            m_out.endLine();
        }
        writeArticle(photos + 1, m_out.bytes.size() + 3000);
        return finish();
    }

    // A camera photograph's worth of JPEG: smooth colour gradients under
    // sensor-like noise, which JPEG cannot squeeze away.
    QByteArray photo(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        const int r0 = m_rng.below(160), g0 = m_rng.below(160), b0 = m_rng.below(160);
        const int dx = 1 + m_rng.below(width / 80 + 1), dy = 1 + m_rng.below(height / 80 + 1);
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const quint32 n = m_rng.next();
                auto channel = [](int base, quint32 noise) { return std::clamp(base + int(noise & 127) * 3 / 4 - 48, 0, 255); };
                const int shade = (x / dx + y / dy) & 63;
                line[x] = qRgb(channel(r0 + shade, n), channel(g0 + (x * 64 / width), n >> 7),
                               channel(b0 + (y * 64 / height), n >> 14));
            }
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(92);
        writer.write(image);
        return jpeg;
    }

private:
    void header()
    {
        m_out.bytes +=
            "{\\rtf1\\ansi\\ansicpg1250\\uc1\\deff0\\deflang1029\\deflangfe1029"
            "{\\fonttbl{\\f0\\froman\\fcharset238\\fprq2 Times New Roman CE;}"
            "{\\f1\\fswiss\\fcharset238\\fprq2 Arial CE;}"
            "{\\f2\\fmodern\\fcharset238\\fprq1 Courier New CE;}"
            "{\\f3\\froman\\fcharset238\\fprq2{\\*\\panose 02040503050406030204}Georgia CE;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue0;\\red128\\green0\\blue0;\\red0\\green0\\blue128;"
            "\\red0\\green128\\blue0;}\r\n"
            "{\\stylesheet{\\widctlpar\\adjustright \\fs20\\lang1029 \\snext0 Normal;}"
            "{\\*\\cs10 \\additive Default Paragraph Font;}}\r\n"
            "{\\info{\\title Sklipek}{\\author Redakce}{\\creatim\\yr1999\\mo3\\dy14\\hr20\\min5}"
            "{\\version2}{\\edmins14}{\\nofpages3}{\\nofwords1450}{\\nofchars8267}}\r\n"
            "\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1417\\margb1417"
            "\\deftab708\\widowctrl\\ftnbj\\aenddoc\\hyphhotz425\\formshade\\viewkind1"
            "\\viewscale100\\pgbrdrhead\\pgbrdrfoot \\fet0\\sectd \\linex0\\headery709"
            "\\footery709\\colsx708\\endnhere\\sectdefaultcl \r\n";
    }

    void beginParagraph(const char *pard)
    {
        if (m_paragraphs > 0)
            m_text += u'\n';
        ++m_paragraphs;
        m_out.control(pard);
    }
    void endParagraph()
    {
        m_out.control("\\par");
        m_out.endLine();
    }

    void emitRun(const Run &r)
    {
        ++m_runs;
        QByteArray words = "\\plain\\f" + QByteArray::number(r.format.font) + "\\fs"
            + QByteArray::number(r.format.halfPoints) + "\\lang1029";
        if (r.format.bold)
            words += "\\b";
        if (r.format.italic)
            words += "\\i";
        if (r.format.underline)
            words += "\\ul";
        if (r.format.strike)
            words += "\\strike";
        if (r.format.color)
            words += "\\cf" + QByteArray::number(r.format.color);
        words += ' ';
        m_out.control(words.constData());
        m_out.text(r.text);
        // A line break within a paragraph is a line end in the text.
        m_text += QString(r.text).replace(QChar(0x2028), u'\n');
    }

    void paragraph(const char *pard, const QList<Run> &runs)
    {
        beginParagraph(pard);
        for (const Run &r : runs)
            emitRun(r);
        endParagraph();
    }

    void emptyParagraph()
    {
        beginParagraph("\\pard\\plain\\f0\\fs20 ");
        endParagraph();
    }

    QString word()
    {
        const int k = m_rng.below(100);
        if (k < 35)
            return QString::fromUtf8(m_rng.pick(Nouns));
        if (k < 55)
            return QString::fromUtf8(m_rng.pick(Adjectives));
        if (k < 75)
            return QString::fromUtf8(m_rng.pick(Verbs));
        if (k < 97)
            return QString::fromUtf8(m_rng.pick(Others));
        switch (m_rng.below(6)) {
        case 0: return QString::number(m_rng.below(2000)) + QStringLiteral(" Kč");
        case 1: return QString::number(m_rng.below(40)) + QStringLiteral(" °C");
        case 2: return QStringLiteral("§ ") + QString::number(1 + m_rng.below(99));
        case 3: return QString::number(m_rng.below(100)) + QStringLiteral(" ‰");
        case 4: return QStringLiteral("½ litru"); // not in code page 1250: \uN
        default: return QString::number(1990 + m_rng.below(10));
        }
    }

    // A sentence as words with their separators; one-letter words are tied
    // to the next word.
    QString sentence()
    {
        const int n = 5 + m_rng.below(14);
        QString s;
        bool quoted = false;
        for (int i = 0; i < n; ++i) {
            QString w;
            if (i + 1 < n && m_rng.chance(8)) {
                w = QString::fromUtf8(m_rng.pick(OneLetter)) + QChar(0x00A0) + word();
                ++i;
            } else {
                w = word();
            }
            if (s.isEmpty())
                w[0] = w[0].toUpper();
            if (!quoted && i + 3 < n && m_rng.chance(4)) {
                w.prepend(QStringLiteral("„"));
                quoted = true;
            } else if (quoted && m_rng.chance(30)) {
                w += QStringLiteral("“");
                quoted = false;
            }
            if (!s.isEmpty())
                s += m_rng.chance(3) ? QStringLiteral(" – ") : QStringLiteral(" ");
            s += w;
            if (i + 1 < n && m_rng.chance(8))
                s += u',';
        }
        if (quoted)
            s += QStringLiteral("“");
        const int end = m_rng.below(20);
        s += end < 15 ? QStringLiteral(".") : end < 17 ? QStringLiteral("?")
           : end < 19 ? QStringLiteral("!") : QStringLiteral("…");
        return s;
    }

    Format bodyFormat(int font)
    {
        Format f;
        f.font = font;
        const int k = m_rng.below(100);
        if (k < 68)
            return f;
        if (k < 78)
            f.bold = true;
        else if (k < 88)
            f.italic = true;
        else if (k < 91)
            f.bold = f.italic = true;
        else if (k < 93)
            f.underline = true;
        else if (k < 94)
            f.strike = true;
        else if (k < 97)
            f.font = 2; // a program's name or a command
        else
            f.halfPoints = m_rng.chance(50) ? 24 : 16;
        if (m_rng.chance(5))
            f.color = 1 + m_rng.below(4);
        return f;
    }

    // A body paragraph: sentences cut into runs of a few words each.
    QList<Run> body(int font, bool verse)
    {
        QList<Run> runs;
        QString text;
        const int sentences = verse ? 4 : 2 + m_rng.below(8);
        for (int i = 0; i < sentences; ++i) {
            if (i > 0)
                text += verse ? QChar(0x2028) : QChar(u' ');
            text += sentence();
        }
        if (!verse && m_rng.chance(15))
            text.prepend(u'\t');
        // Cut at spaces into runs of 1 to 12 words.
        qsizetype pos = 0;
        while (pos < text.size()) {
            qsizetype end = pos;
            const int words = 1 + m_rng.below(12);
            for (int w = 0; w < words && end < text.size(); ++w) {
                end = text.indexOf(u' ', end + 1);
                if (end < 0)
                    end = text.size();
            }
            runs.append({bodyFormat(font), text.mid(pos, end - pos)});
            pos = end;
        }
        return runs;
    }

    QString title()
    {
        QString t;
        const int n = 2 + m_rng.below(5);
        for (int i = 0; i < n; ++i) {
            if (i)
                t += u' ';
            t += word();
        }
        t[0] = t[0].toUpper();
        return t;
    }

    void writeArticle(int number, qint64 target)
    {
        if (number > 1) {
            emptyParagraph();
            emptyParagraph();
        }
        const int font = m_rng.chance(50) ? 0 : 3;
        Format section;
        section.font = 1;
        section.halfPoints = 18;
        section.color = 3;
        section.italic = true;
        paragraph("\\pard\\plain\\qr ",
                  {{section, QString::fromUtf8(m_rng.pick(Sections)) + QStringLiteral(" – číslo ")
                                 + QString::number(number)}});
        Format head;
        head.font = 1;
        head.halfPoints = 36;
        head.bold = true;
        paragraph("\\pard\\plain\\qc\\sb240\\sa120 ", {{head, title()}});
        Format by;
        by.font = font;
        by.italic = true;
        paragraph("\\pard\\plain\\qc\\sa240 ",
                  {{by, QStringLiteral("Napsal(a) ")}, {Format{font, 20, 0, true}, QString::fromUtf8(m_rng.pick(Authors))}});
        const int paragraphs = 4 + m_rng.below(12);
        for (int p = 0; p < paragraphs && m_out.bytes.size() < target; ++p) {
            if (p > 0 && m_rng.chance(12)) {
                Format sub;
                sub.font = 1;
                sub.halfPoints = 24;
                sub.bold = true;
                paragraph("\\pard\\plain\\sb120 ", {{sub, title()}});
            }
            const bool verse = m_rng.chance(5);
            paragraph(verse ? "\\pard\\plain\\qc " : "\\pard\\plain\\qj\\fi284\\sa60 ",
                      body(font, verse));
        }
    }

    Rng m_rng;
    RtfOut m_out;
    QString m_text;
    int m_paragraphs = 0;
    int m_runs = 0;
};

} // namespace

Document magazine(qint64 bytes, quint32 seed)
{
    return Generator(seed).run(bytes);
}

Document tablesAndLists(qint64 bytes, quint32 seed)
{
    return Generator(seed).runTables(bytes);
}

Document photoArticle(int photos, int width, int height, quint32 seed)
{
    return Generator(seed).runPhotos(photos, width, height);
}

qint64 parseSize(const QString &text)
{
    QString s = text.trimmed().toLower();
    qint64 unit = 1;
    if (s.endsWith(u'k'))
        unit = 1024;
    else if (s.endsWith(u'm'))
        unit = 1024 * 1024;
    if (unit != 1)
        s.chop(1);
    bool ok = false;
    const qint64 n = s.toLongLong(&ok);
    return ok && n > 0 ? n * unit : -1;
}

QString sizeLabel(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 B").arg(bytes);
}

} // namespace benchdoc
