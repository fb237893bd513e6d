// Paragraph and character styles: the style sheet's entries are read with
// the same control words as text, their \sbasedon chains resolved once
// (bounded, loops cut), and a \sN or \csN in the text applies the style
// before the words after it override it. Each paragraph and run keeps its
// style's number, and the document the style sheet, for writing back.

#include "readerimpl.h"

#include "model/docprops.h"
#include "model/styles.h"

#include <QRegularExpression>
#include <QTextFrame>

namespace rtf::detail {

namespace {

int key(int number, bool character)
{
    return character ? -number - 1 : number;
}

enum StateBit : quint32 {
    Font = 1u << 0, Size = 1u << 1, Fg = 1u << 2, Bg = 1u << 3, Underline = 1u << 4, Valign = 1u << 5,
    Caps = 1u << 6, Bold = 1u << 7, Italic = 1u << 8, Strike = 1u << 9, Hidden = 1u << 10,
    Align = 1u << 11, Li = 1u << 12, Ri = 1u << 13, Fi = 1u << 14, Sb = 1u << 15, Sa = 1u << 16,
    Sl = 1u << 17, SlMult = 1u << 18, PageBefore = 1u << 19,
};

// `entry` on top of `base`: what the entry says differently from the
// defaults, or says at all (`stated`), wins.
template <typename Props>
Props overlay(const Props &base, const Props &entry, quint32 stated = 0)
{
    const Props def;
    Props out = base;
    auto take = [&](auto Props::*field, StateBit bit) {
        if ((stated & bit) || !(entry.*field == def.*field))
            out.*field = entry.*field;
    };
    if constexpr (std::is_same_v<Props, CharProps>) {
        take(&CharProps::font, Font);
        take(&CharProps::halfPoints, Size);
        take(&CharProps::fg, Fg);
        take(&CharProps::bg, Bg);
        take(&CharProps::underline, Underline);
        take(&CharProps::valign, Valign);
        take(&CharProps::caps, Caps);
        take(&CharProps::bold, Bold);
        take(&CharProps::italic, Italic);
        take(&CharProps::strike, Strike);
        take(&CharProps::hidden, Hidden);
    } else {
        take(&ParProps::align, Align);
        take(&ParProps::li, Li);
        take(&ParProps::ri, Ri);
        take(&ParProps::fi, Fi);
        take(&ParProps::sb, Sb);
        take(&ParProps::sa, Sa);
        take(&ParProps::sl, Sl);
        take(&ParProps::slMult, SlMult);
        take(&ParProps::pageBefore, PageBefore);
        if (entry.tabCount) {
            out.tabCount = entry.tabCount;
            out.tabPos = entry.tabPos;
            out.tabType = entry.tabType;
        }
    }
    return out;
}

} // namespace

quint32 Reader::stateBit(Cmd cmd)
{
    switch (cmd) {
    case Cmd::Font: return Font;
    case Cmd::FontSize: return Size;
    case Cmd::Cf: return Fg;
    case Cmd::Cb: case Cmd::Highlight: return Bg;
    case Cmd::Underline: case Cmd::UnderlineStyle: case Cmd::UlNone: return Underline;
    case Cmd::Sub: case Cmd::Super: case Cmd::NoSuperSub: case Cmd::Up: case Cmd::Dn: return Valign;
    case Cmd::Caps: case Cmd::SmallCaps: return Caps;
    case Cmd::Bold: return Bold;
    case Cmd::Italic: return Italic;
    case Cmd::Strike: case Cmd::StrikeD: return Strike;
    case Cmd::Hidden: return Hidden;
    case Cmd::Ql: case Cmd::Qc: case Cmd::Qr: case Cmd::Qj: return Align;
    case Cmd::Li: return Li;
    case Cmd::Ri: return Ri;
    case Cmd::Fi: return Fi;
    case Cmd::Sb: return Sb;
    case Cmd::Sa: return Sa;
    case Cmd::Sl: return Sl;
    case Cmd::SlMult: return SlMult;
    case Cmd::PageBefore: return PageBefore;
    default: return 0;
    }
}

void Reader::styleWord(Cmd cmd, bool hasParam, int param)
{
    // Numbers past RTF's 16 bits are the highest, as a save writes them:
    // styles they would tell apart are one style once saved.
    const int n = hasParam ? std::clamp(param, 0, 0x7FFF) : 0;
    if (m_st.dest == Dest::StyleSheet) {
        switch (cmd) {
        case Cmd::ParStyle:
        case Cmd::CharStyle:
            m_styleOpen = true;
            m_styleNumber = n;
            m_styleEntry.character = cmd == Cmd::CharStyle;
            break;
        case Cmd::BasedOn:
            m_styleEntry.basedOn = n;
            break;
        case Cmd::NextStyle:
            m_styleEntry.next = n;
            break;
        case Cmd::OutlineLevel:
            m_styleEntry.outline = std::clamp(n, 0, 9);
            break;
        default:
            break;
        }
        return;
    }
    if (m_st.dest != Dest::Body)
        return;
    if (cmd == Cmd::ParStyle || cmd == Cmd::CharStyle)
        applyStyle(n, cmd == Cmd::CharStyle);
}

void Reader::styleName(const QString &text)
{
    for (const QChar c : text) {
        if (c == u';') {
            if (m_styleOpen || !m_styleEntry.name.isEmpty())
                finishStyleEntry();
            continue;
        }
        m_styleOpen = true;
        if (m_styleEntry.name.size() < 256)
            m_styleEntry.name += c;
    }
}

void Reader::finishStyleEntry()
{
    m_styleOpen = false;
    Style s = std::move(m_styleEntry);
    m_styleEntry = Style();
    s.chr = m_st.chr;
    s.chr.charStyle = -1;
    s.par = m_st.par;
    s.par.style = 0;
    s.name = s.name.trimmed();
    s.ownChr = s.chr;
    s.ownPar = s.par;
    s.ownOutline = s.outline;
    s.stated = std::exchange(m_stated, 0);
    const int k = key(m_styleNumber, s.character);
    m_styleNumber = 0;
    if (m_styles.size() >= limits::maxTableEntries && !m_styles.contains(k))
        return;
    m_styles.insert(k, std::move(s));
    m_stylesResolved = false;
}

// Each style on top of its base, once, so the whole sheet costs time in
// proportion to its size. A loop is cut where it closes; a style deeper
// than limits::maxStyleChain in its chain keeps only its own formatting.
void Reader::resolveStyles()
{
    m_stylesResolved = true;
    std::vector<int> chain;
    QSet<int> seen;
    // In order of number, so a loop is always cut at the same place.
    QList<int> keys = m_styles.keys();
    std::sort(keys.begin(), keys.end());
    for (const int start : keys) {
        if (m_styles[start].resolved)
            continue;
        chain.clear();
        seen.clear();
        int k = start;
        while (true) {
            auto s = m_styles.find(k);
            if (s == m_styles.end() || s->resolved || seen.contains(k))
                break;
            seen.insert(k);
            chain.push_back(k);
            if (s->basedOn < 0)
                break;
            k = key(s->basedOn, s->character);
        }
        // From the base down: each on top of the one before.
        for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
            Style &s = m_styles[*c];
            s.depth = 1;
            if (s.basedOn >= 0) {
                auto base = m_styles.constFind(key(s.basedOn, s.character));
                if (base != m_styles.cend() && base->resolved && base.key() != *c
                    && base->depth < limits::maxStyleChain) {
                    s.chr = overlay(base->chr, s.chr, s.stated);
                    s.par = overlay(base->par, s.par, s.stated);
                    if (s.outline < 0)
                        s.outline = base->outline;
                    s.depth = base->depth + 1;
                }
            }
            s.resolved = true;
        }
    }
}

void Reader::applyStyle(int number, bool character)
{
    if (!m_stylesResolved)
        resolveStyles();
    const auto it = m_styles.constFind(key(number, character));
    if (character) {
        m_st.chr.charStyle = number;
        if (it != m_styles.cend())
            m_st.chr = overlay(m_st.chr, it->chr);
        return;
    }
    m_st.par.style = number;
    if (it == m_styles.cend())
        return;
    const int style = m_st.par.style;
    m_st.par = overlay(m_st.par, it->par);
    m_st.par.style = style;
    m_st.chr = overlay(m_st.chr, it->chr);
}

QVariantList Reader::styleSheet()
{
    // The sheet a save writes: each style on top of its base as the file
    // ends, as a reload resolves it, though text read before a later
    // style sheet redefined the base took the base as it was then.
    for (Style &s : m_styles) {
        s.chr = s.ownChr;
        s.par = s.ownPar;
        s.outline = s.ownOutline;
        s.resolved = false;
    }
    resolveStyles();
    QList<int> keys = m_styles.keys();
    std::sort(keys.begin(), keys.end(), [](int a, int b) {
        // Paragraph styles first, each kind by number.
        return (a < 0) != (b < 0) ? a >= 0 : (a >= 0 ? a < b : a > b);
    });
    QList<model::Style> sheet;
    sheet.reserve(keys.size());
    for (const int k : keys) {
        const Style &s = m_styles[k];
        model::Style &m = sheet.emplace_back();
        m.number = k >= 0 ? k : -(k + 1); // \cs2147483647 too
        m.character = s.character;
        m.name = s.name;
        m.basedOn = s.basedOn;
        m.next = s.next;
        m.outline = s.outline;
        m.chr = charFormat(s.chr);
        if (!s.character)
            m.block = blockFormat(s.par);
    }
    return model::styleSheetValue(sheet);
}

// "heading 1" ... "heading 9", or a style with an outline level.
int Reader::headingLevel(int style) const
{
    const auto it = m_styles.constFind(style);
    if (it == m_styles.cend())
        return 0;
    if (it->outline >= 0 && it->outline < 9)
        return it->outline + 1;
    static const QRegularExpression heading(QStringLiteral("^heading\\s*([1-9])$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = heading.match(it->name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace rtf::detail
