// The font table: names, faces and the code page each font's text is in.

#include "readerimpl.h"

#include "fontclass.h"

namespace rtf::detail {

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

} // namespace rtf::detail
