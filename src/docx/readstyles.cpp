// Styles and formats: run and paragraph properties as Word states them,
// layered docDefaults < paragraph style (its basedOn chain) < character
// style < direct formatting, and turned into Qt's formats as the RTF
// reader makes them; the styles applied are kept by number and name.

#include "readerimpl.h"

#include "model/languagetags.h"

#include <QRegularExpression>
#include <QTextFrame>

namespace docx::detail {

namespace {

std::optional<int> intAttr(const Node *n, const char *name)
{
    const QStringView v = n ? n->attrView(L(name)) : QStringView();
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok); // some writers write "240.0"
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return int(std::clamp(d, -1e9, 1e9));
}

int twips(int v)
{
    return std::clamp(v, -limits::maxTwips, limits::maxTwips);
}

QColor hexColor(const QString &v)
{
    if (v.size() != 6)
        return QColor(); // "auto" and the like: automatic
    const QColor c = QColor::fromString(u'#' + v);
    return c;
}

QColor highlightColor(const QString &v)
{
    static const std::pair<const char *, QRgb> names[] = {
        {"yellow", 0xFFFF00}, {"green", 0x00FF00}, {"cyan", 0x00FFFF}, {"magenta", 0xFF00FF},
        {"blue", 0x0000FF}, {"red", 0xFF0000}, {"darkBlue", 0x000080}, {"darkCyan", 0x008080},
        {"darkGreen", 0x008000}, {"darkMagenta", 0x800080}, {"darkRed", 0x800000}, {"darkYellow", 0x808000},
        {"darkGray", 0x808080}, {"lightGray", 0xC0C0C0}, {"black", 0x000000}, {"white", 0xFFFFFF},
    };
    for (const auto &[name, rgb] : names) {
        if (v == QLatin1StringView(name))
            return QColor(rgb);
    }
    return QColor();
}

} // namespace

void overlay(RunProps &b, const RunProps &t)
{
    auto take = [](auto &dst, const auto &src) {
        if (src)
            dst = src;
    };
    take(b.font, t.font);
    take(b.halfPoints, t.halfPoints);
    take(b.bold, t.bold);
    take(b.italic, t.italic);
    take(b.strike, t.strike);
    take(b.caps, t.caps);
    take(b.smallCaps, t.smallCaps);
    take(b.hidden, t.hidden);
    take(b.underline, t.underline);
    take(b.color, t.color);
    take(b.background, t.background);
    take(b.valign, t.valign);
    take(b.lang, t.lang);
    take(b.charStyle, t.charStyle);
}

void overlay(ParaProps &b, const ParaProps &t)
{
    auto take = [](auto &dst, const auto &src) {
        if (src)
            dst = src;
    };
    take(b.align, t.align);
    take(b.li, t.li);
    take(b.ri, t.ri);
    take(b.fi, t.fi);
    take(b.sb, t.sb);
    take(b.sa, t.sa);
    take(b.line, t.line);
    take(b.lineRule, t.lineRule);
    take(b.pageBefore, t.pageBefore);
    take(b.rule, t.rule);
    take(b.outline, t.outline);
    take(b.numId, t.numId);
    take(b.ilvl, t.ilvl);
    if (t.tabs) {
        // Tabs add up through the layers; a "clear" takes one out.
        std::vector<Tab> tabs = b.tabs.value_or(std::vector<Tab>());
        for (const Tab &tab : *t.tabs) {
            std::erase_if(tabs, [&](const Tab &x) { return x.pos == tab.pos; });
            if (!tab.clear && tabs.size() < size_t(limits::maxTabStops))
                tabs.push_back(tab);
        }
        std::sort(tabs.begin(), tabs.end(), [](const Tab &x, const Tab &y) { return x.pos < y.pos; });
        b.tabs = std::move(tabs);
    }
}

RunProps Reader::runProps(const Node *rPr) const
{
    RunProps p;
    for (const Node *n : rPr->kids) {
        const QString &name = n->name();
        if (name == L("w:rFonts")) {
            QString font = n->attr(L("w:ascii"));
            if (font.isEmpty())
                font = n->attr(L("w:hAnsi"));
            if (font.isEmpty()) {
                // The theme's heading or body font.
                QString theme = n->attr(L("w:asciiTheme"));
                if (theme.isEmpty())
                    theme = n->attr(L("w:hAnsiTheme"));
                if (!theme.isEmpty())
                    font = theme.startsWith(L("major")) ? m_themeMajor : m_themeMinor;
            }
            if (!font.isEmpty())
                p.font = font.left(256);
        } else if (name == L("w:sz")) {
            if (auto v = intAttr(n, "w:val"); v && *v > 0)
                p.halfPoints = std::clamp(*v, 2, limits::maxHalfPoints);
        } else if (name == L("w:b")) {
            p.bold = onOff(n);
        } else if (name == L("w:i")) {
            p.italic = onOff(n);
        } else if (name == L("w:strike") || name == L("w:dstrike")) {
            p.strike = onOff(n);
        } else if (name == L("w:caps")) {
            p.caps = onOff(n);
        } else if (name == L("w:smallCaps")) {
            p.smallCaps = onOff(n);
        } else if (name == L("w:vanish")) {
            p.hidden = onOff(n);
        } else if (name == L("w:u")) {
            const QString v = n->attr(L("w:val"));
            if (v == u"none" || v.isEmpty())
                p.underline = QTextCharFormat::NoUnderline;
            else if (v.startsWith(L("dotDash")) || v.startsWith(L("dashDot")))
                p.underline = v.contains(L("DotDot")) ? QTextCharFormat::DashDotDotLine : QTextCharFormat::DashDotLine;
            else if (v.startsWith(L("dotted")))
                p.underline = QTextCharFormat::DotLine;
            else if (v.startsWith(L("dash")))
                p.underline = QTextCharFormat::DashUnderline;
            else if (v.startsWith(L("wave")) || v.startsWith(L("wavy")))
                p.underline = QTextCharFormat::WaveUnderline;
            else
                p.underline = QTextCharFormat::SingleUnderline;
        } else if (name == L("w:color")) {
            p.color = hexColor(n->attr(L("w:val")));
        } else if (name == L("w:highlight")) {
            p.background = highlightColor(n->attr(L("w:val")));
        } else if (name == L("w:shd")) {
            if (!p.background || !p.background->isValid())
                p.background = hexColor(n->attr(L("w:fill")));
        } else if (name == L("w:vertAlign")) {
            const QString v = n->attr(L("w:val"));
            p.valign = v == u"superscript" ? QTextCharFormat::AlignSuperScript
                : v == u"subscript"        ? QTextCharFormat::AlignSubScript
                                           : QTextCharFormat::AlignNormal;
        } else if (name == L("w:lang")) {
            if (const QString v = n->attr(L("w:val")); !v.isEmpty())
                p.lang = model::languageId(v);
        } else if (name == L("w:rStyle")) {
            p.charStyle = n->attr(L("w:val"));
        }
    }
    return p;
}

ParaProps Reader::paraProps(const Node *pPr) const
{
    ParaProps p;
    for (const Node *n : pPr->kids) {
        const QString &name = n->name();
        if (name == L("w:jc")) {
            const QString v = n->attr(L("w:val"));
            if (v == u"center")
                p.align = Qt::AlignHCenter;
            else if (v == u"right" || v == u"end")
                p.align = Qt::AlignRight;
            else if (v == u"both" || v == u"distribute" || v.endsWith(L("Kashida")))
                p.align = Qt::AlignJustify;
            else
                p.align = Qt::AlignLeft;
        } else if (name == L("w:ind")) {
            if (auto v = intAttr(n, "w:left"))
                p.li = twips(*v);
            else if (auto s = intAttr(n, "w:start"))
                p.li = twips(*s);
            if (auto v = intAttr(n, "w:right"))
                p.ri = twips(*v);
            else if (auto e = intAttr(n, "w:end"))
                p.ri = twips(*e);
            if (auto v = intAttr(n, "w:hanging"))
                p.fi = -twips(*v);
            else if (auto f = intAttr(n, "w:firstLine"))
                p.fi = twips(*f);
        } else if (name == L("w:spacing")) {
            if (auto v = intAttr(n, "w:before"))
                p.sb = std::clamp(*v, 0, limits::maxTwips);
            if (auto v = intAttr(n, "w:after"))
                p.sa = std::clamp(*v, 0, limits::maxTwips);
            if (auto v = intAttr(n, "w:line")) {
                p.line = std::clamp(*v, 0, limits::maxTwips);
                const QString rule = n->attr(L("w:lineRule"));
                p.lineRule = rule == u"exact" ? 1 : rule == u"atLeast" ? 2 : 0;
            }
        } else if (name == L("w:tabs")) {
            std::vector<Tab> tabs;
            for (const Node *t : n->kids) {
                if (!t->is(L("w:tab")) || tabs.size() >= size_t(limits::maxTabStops))
                    continue;
                Tab tab;
                tab.pos = std::clamp(intAttr(t, "w:pos").value_or(0), 0, limits::maxTwips);
                const QString v = t->attr(L("w:val"));
                tab.clear = v == u"clear";
                tab.type = v == u"center"                ? QTextOption::CenterTab
                    : (v == u"right" || v == u"end")     ? QTextOption::RightTab
                    : v == u"decimal"                    ? QTextOption::DelimiterTab
                                                         : QTextOption::LeftTab;
                if (v == u"bar" || v == u"num")
                    continue;
                tabs.push_back(tab);
            }
            p.tabs = std::move(tabs);
        } else if (name == L("w:pBdr")) {
            const Node *bottom = n->child(L("w:bottom"));
            const QString v = bottom ? bottom->attr(L("w:val")) : QString();
            p.rule = bottom && v != u"nil" && v != u"none";
        } else if (name == L("w:pageBreakBefore")) {
            p.pageBefore = onOff(n);
        } else if (name == L("w:outlineLvl")) {
            if (auto v = intAttr(n, "w:val"))
                p.outline = std::clamp(*v, 0, 9);
        } else if (name == L("w:numPr")) {
            const Node *id = n->child(L("w:numId"));
            const Node *lvl = n->child(L("w:ilvl"));
            if (auto v = intAttr(id, "w:val"))
                p.numId = *v;
            if (auto v = intAttr(lvl, "w:val"))
                p.ilvl = std::clamp(*v, 0, limits::maxListLevels - 1);
        }
    }
    return p;
}

void Reader::readStyles()
{
    QString part = relatedPart(QStringLiteral("styles"));
    if (part.isEmpty())
        part = QStringLiteral("word/styles.xml");
    parsePart(m_stylesTree, part);
    // The theme's fonts, which styles may name by their role.
    {
        QString themePart = relatedPart(QStringLiteral("theme"));
        if (themePart.isEmpty())
            themePart = QStringLiteral("word/theme/theme1.xml");
        Tree theme;
        parsePart(theme, themePart);
        if (const Node *fonts = theme.root() ? theme.root()->find(L("a:fontScheme")) : nullptr) {
            auto latin = [&](const char *which) {
                const Node *f = fonts->child(L(which));
                const Node *l = f ? f->child(L("a:latin")) : nullptr;
                return l ? l->attr(L("typeface")).left(256) : QString();
            };
            m_themeMajor = latin("a:majorFont");
            m_themeMinor = latin("a:minorFont");
        }
    }
    // Word's defaults where the file gives none: 10 points.
    m_defaultRun.halfPoints = 20;
    const Node *root = m_stylesTree.root();
    if (!root)
        return;
    if (const Node *defaults = root->child(L("w:docDefaults"))) {
        if (const Node *r = defaults->child(L("w:rPrDefault")); r && r->child(L("w:rPr")))
            overlay(m_defaultRun, runProps(r->child(L("w:rPr"))));
        if (const Node *p = defaults->child(L("w:pPrDefault")); p && p->child(L("w:pPr")))
            overlay(m_defaultPara, paraProps(p->child(L("w:pPr"))));
    }
    m_defaultRun.charStyle.reset();
    int number = 1;
    for (const Node *n : root->kids) {
        if (!n->is(L("w:style")) || m_styles.size() >= limits::maxStyles)
            continue;
        Style s;
        s.id = n->attr(L("w:styleId"));
        if (s.id.isEmpty() || m_styles.contains(s.id))
            continue;
        const QString type = n->attr(L("w:type"));
        s.type = type == u"character" ? 1 : type == u"table" ? 2 : type == u"numbering" ? 3 : 0;
        if (const Node *name = n->child(L("w:name")))
            s.name = name->attr(L("w:val")).left(256);
        if (s.name.isEmpty())
            s.name = s.id.left(256);
        if (const Node *b = n->child(L("w:basedOn")))
            s.basedOn = b->attr(L("w:val"));
        if (const Node *next = n->child(L("w:next")))
            s.next = next->attr(L("w:val"));
        if (const Node *rPr = n->child(L("w:rPr")))
            s.rpr = runProps(rPr);
        s.rpr.charStyle.reset();
        if (const Node *pPr = n->child(L("w:pPr")))
            s.ppr = paraProps(pPr);
        s.tblPr = n->child(L("w:tblPr"));
        const QString isDefault = n->attr(L("w:default"));
        s.isDefault = s.type == 0 && (isDefault == u"1" || isDefault == u"true" || isDefault == u"on");
        if (s.isDefault && m_defaultParaStyle.isEmpty()) {
            m_defaultParaStyle = s.id;
            s.number = 0; // as RTF's \s0
        } else {
            s.number = number++;
        }
        m_styleOrder << s.id;
        m_styles.insert(s.id, std::move(s));
    }
    // Without a default the paragraph style "Normal" is (LibreOffice names none).
    if (m_defaultParaStyle.isEmpty()) {
        for (const QString &id : std::as_const(m_styleOrder)) {
            Style &s = m_styles[id];
            if (s.type == 0 && (s.id == u"Normal" || s.name.compare(L("Normal"), Qt::CaseInsensitive) == 0)) {
                s.isDefault = true;
                s.number = 0;
                m_defaultParaStyle = s.id;
                break;
            }
        }
    }
    for (const QString &id : std::as_const(m_styleOrder))
        resolveStyle(m_styles[id], 0);
}

// Each style on top of its base, once; a chain longer than
// limits::maxStyleChain, or a loop, stops where it is.
void Reader::resolveStyle(Style &s, int depth)
{
    if (s.resolved || s.resolving)
        return;
    s.resolving = true;
    if (!s.basedOn.isEmpty() && s.basedOn != s.id && depth < limits::maxStyleChain) {
        auto base = m_styles.find(s.basedOn);
        if (base != m_styles.end() && base->type == s.type && !base->resolving) {
            resolveStyle(*base, depth + 1);
            RunProps r = base->rpr;
            overlay(r, s.rpr);
            s.rpr = r;
            ParaProps p = base->ppr;
            overlay(p, s.ppr);
            s.ppr = p;
            if (!s.tblPr)
                s.tblPr = base->tblPr;
        }
    }
    s.resolving = false;
    s.resolved = true;
}

Style *Reader::style(const QString &id)
{
    if (id.isEmpty())
        return nullptr;
    auto it = m_styles.find(id);
    return it == m_styles.end() ? nullptr : &*it;
}

void Reader::readSettings()
{
    Tree settings;
    QString part = relatedPart(QStringLiteral("settings"));
    if (part.isEmpty())
        part = QStringLiteral("word/settings.xml");
    parsePart(settings, part);
    noteNumbering(settings.root());
    if (!settings.root())
        return;
    if (const Node *tab = settings.root()->child(L("w:defaultTabStop"))) {
        if (auto v = intAttr(tab, "w:val"); v && *v > 0)
            m_defaultTab = std::min(*v, limits::maxTwips);
    }
}

QTextCharFormat Reader::charFormat(const RunProps &p) const
{
    QTextCharFormat f;
    if (p.font && !p.font->isEmpty())
        f.setFontFamilies(QStringList(*p.font));
    f.setFontPointSize(p.halfPoints.value_or(20) / 2.0);
    if (p.bold.value_or(false))
        f.setFontWeight(QFont::Bold);
    if (p.italic.value_or(false))
        f.setFontItalic(true);
    if (p.underline && *p.underline != QTextCharFormat::NoUnderline)
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(*p.underline));
    if (p.strike.value_or(false))
        f.setFontStrikeOut(true);
    if (p.caps.value_or(false))
        f.setFontCapitalization(QFont::AllUppercase);
    else if (p.smallCaps.value_or(false))
        f.setFontCapitalization(QFont::SmallCaps);
    if (p.color && p.color->isValid())
        f.setForeground(*p.color);
    if (p.background && p.background->isValid())
        f.setBackground(*p.background);
    if (p.valign && *p.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(*p.valign));
    // Text in the document's language names none of its own, as in RTF.
    if (p.lang && *p.lang > 0 && p.lang != m_defaultRun.lang)
        f.setProperty(CharLanguage, *p.lang);
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParaProps &p, const Style *style) const
{
    QTextBlockFormat f;
    f.setAlignment(Qt::Alignment(p.align.value_or(Qt::AlignLeft)));
    if (p.pageBefore.value_or(false))
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.li.value_or(0))
        f.setLeftMargin(*p.li / kTwipsPerPixel);
    if (p.ri.value_or(0))
        f.setRightMargin(*p.ri / kTwipsPerPixel);
    if (p.fi.value_or(0))
        f.setTextIndent(*p.fi / kTwipsPerPixel);
    if (p.sb.value_or(0))
        f.setTopMargin(*p.sb / kTwipsPerPixel);
    if (p.sa.value_or(0))
        f.setBottomMargin(*p.sa / kTwipsPerPixel);
    if (p.line && *p.line > 0) {
        const int rule = p.lineRule.value_or(0);
        if (rule == 0)
            f.setLineHeight(*p.line * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
        else if (rule == 2)
            f.setLineHeight(*p.line / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
        else
            f.setLineHeight(*p.line / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    }
    if (style && style->number > 0 && style->type == 0) {
        f.setProperty(StyleNumber, style->number);
        if (const int level = headingLevel(style))
            f.setHeadingLevel(level);
    }
    if (p.tabs && !p.tabs->empty()) {
        QList<QTextOption::Tab> tabs;
        for (const Tab &t : *p.tabs) {
            const auto type = QTextOption::TabType(t.type);
            // Decimal tabs align on the decimal comma of Czech numbers.
            tabs.append(QTextOption::Tab(t.pos / kTwipsPerPixel, type,
                                         type == QTextOption::DelimiterTab ? QChar(u',') : QChar()));
        }
        f.setTabPositions(tabs);
    }
    if (p.outline && *p.outline < 9)
        f.setHeadingLevel(*p.outline + 1);
    else if (p.outline)
        f.setHeadingLevel(0); // body text, whatever the style says
    if (p.rule.value_or(false))
        f.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    return f;
}

// "heading 1" ... "heading 9" (Czech "Nadpis 1" ...), or an outline level.
int Reader::headingLevel(const Style *s) const
{
    if (s->ppr.outline)
        return *s->ppr.outline < 9 ? *s->ppr.outline + 1 : 0;
    static const QRegularExpression heading(QStringLiteral("^(heading|nadpis)\\s*([1-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = heading.match(s->name);
    return m.hasMatch() ? m.captured(2).toInt() : 0;
}

QVariantList Reader::styleSheet()
{
    // Paragraph styles first, each kind by number, as the RTF reader lists them.
    QList<const Style *> order;
    for (const QString &id : std::as_const(m_styleOrder)) {
        const Style &s = m_styles[id];
        if (s.type <= 1) // table and list styles have no place in the model
            order << &s;
    }
    std::stable_sort(order.begin(), order.end(), [](const Style *a, const Style *b) {
        return a->type != b->type ? a->type < b->type : a->number < b->number;
    });
    QVariantList sheet;
    for (const Style *style : std::as_const(order)) {
        const Style &s = *style;
        QVariantMap m;
        m.insert(QStringLiteral("number"), s.number);
        m.insert(QStringLiteral("character"), s.type == 1);
        m.insert(QStringLiteral("name"), s.name);
        auto numberOf = [&](const QString &other) {
            const auto it = m_styles.constFind(other);
            return it == m_styles.cend() || it->type != s.type ? -1 : it->number;
        };
        m.insert(QStringLiteral("basedOn"), numberOf(s.basedOn));
        m.insert(QStringLiteral("next"), numberOf(s.next));
        m.insert(QStringLiteral("outline"), s.ppr.outline && *s.ppr.outline < 9 ? *s.ppr.outline : -1);
        RunProps r = m_defaultRun;
        overlay(r, s.rpr);
        m.insert(QStringLiteral("char"), QVariant::fromValue(charFormat(r)));
        if (s.type == 0) {
            ParaProps p = m_defaultPara;
            overlay(p, s.ppr);
            // The outline level is the entry's "outline", not its formatting.
            p.outline.reset();
            m.insert(QStringLiteral("block"), QVariant::fromValue(blockFormat(p, nullptr)));
        }
        sheet.append(m);
    }
    return sheet;
}

} // namespace docx::detail
