// The font table: names, faces and the code page each font's text is in.

#include "readerimpl.h"

#include "rtf/fontclass.h"

namespace rtf::detail {

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
    QString name;
    int cp = detail::fontCodepage(m_decoder, m_ansiCp, f, name);
    f.family = name;
    // \fnil says nothing about the kind of face: guess it from the name.
    if (f.hint < 0 || f.hint == QFont::AnyStyle)
        f.hint = detail::styleHintForFace(name);
    if (cp == detail::symbolCodepage) {
        // Symbol's bytes are decoded to the letters they show, which the
        // text's own font draws better. A font of pictures (Wingdings ...)
        // keeps its face: only some of its bytes have a character of their
        // own, and the rest show their picture only in that face, in the
        // window and in what a save writes.
        if (f.family.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) != 0)
            cp = detail::pictographCodepage;
        else
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
