// Styles: style:style entries of office:styles (common, kept by name in
// the document's style sheet) and office:automatic-styles (a paragraph's
// or span's own formatting), resolved once each along their parent chains
// (bounded; a loop is cut where it closes) on top of the family's
// style:default-style, into Qt's formats.

#include "readerimpl.h"
#include "model/languagetags.h"

#include "model/properties.h"

#include <QColor>

#include <climits>
#include <QRegularExpression>
#include <QTextFrameFormat>

namespace odt::detail {

namespace {

QString key(const QString &family, const QString &name)
{
    return family + u'/' + name;
}

QString unquote(QString s)
{
    s = s.trimmed();
    if (s.size() >= 2 && (s.front() == u'\'' || s.front() == u'"') && s.back() == s.front())
        s = s.mid(1, s.size() - 2);
    return s;
}

// "0.5pt solid #000000": width, style and colour; false for none.
bool parseBorder(const QString &value, int &twips, QTextFrameFormat::BorderStyle &style, QColor &color)
{
    twips = 15;
    style = QTextFrameFormat::BorderStyle_Solid;
    color = Qt::black;
    const QStringList parts = value.simplified().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 8)
        return false;
    for (const QString &p : parts) {
        if (p == u"none" || p == u"hidden")
            return false;
        if (p.startsWith(u'#'))
            color = QColor(p);
        else if (p == u"dotted")
            style = QTextFrameFormat::BorderStyle_Dotted;
        else if (p == u"dashed")
            style = QTextFrameFormat::BorderStyle_Dashed;
        else if (p == u"double")
            style = QTextFrameFormat::BorderStyle_Double;
        else if (p == u"solid")
            style = QTextFrameFormat::BorderStyle_Solid;
        else if (p.front().isDigit() || p.front() == u'.')
            twips = std::clamp(toTwips(p, 15), 0, 1440);
    }
    if (!color.isValid())
        color = Qt::black;
    return twips > 0;
}

} // namespace

void Reader::readFontFaces(const Node &decls)
{
    for (const Node &f : decls.kids) {
        if (!f.is(ns::style, QLatin1StringView("font-face")))
            continue;
        const QString family = unquote(f.attr(ns::svg, QLatin1StringView("font-family")));
        if (m_fonts.size() < 32768)
            m_fonts.insert(f.attr(ns::style, QLatin1StringView("name")), family.left(256));
    }
}

void Reader::applyTextProperties(const Node &p, QTextCharFormat &f, const QTextCharFormat *base) const
{
    const auto a = [&p](QLatin1StringView uri, const char *name) { return p.attr(uri, QLatin1StringView(name)); };
    const auto has = [&p](QLatin1StringView uri, const char *name) { return p.has(uri, QLatin1StringView(name)); };
    if (has(ns::fo, "font-weight")) {
        const QString w = a(ns::fo, "font-weight");
        const int n = w.toInt();
        f.setFontWeight(w == u"bold" || n >= 600 ? QFont::Bold : QFont::Normal);
    }
    if (has(ns::fo, "font-style"))
        f.setFontItalic(a(ns::fo, "font-style") != u"normal");
    if (has(ns::style, "text-underline-style")) {
        const QString u = a(ns::style, "text-underline-style");
        QTextCharFormat::UnderlineStyle s = QTextCharFormat::SingleUnderline;
        if (u == u"none")
            s = QTextCharFormat::NoUnderline;
        else if (u == u"dotted")
            s = QTextCharFormat::DotLine;
        else if (u == u"dash" || u == u"long-dash")
            s = QTextCharFormat::DashUnderline;
        else if (u == u"dot-dash")
            s = QTextCharFormat::DashDotLine;
        else if (u == u"dot-dot-dash")
            s = QTextCharFormat::DashDotDotLine;
        else if (u == u"wave")
            s = QTextCharFormat::WaveUnderline;
        f.setUnderlineStyle(s);
    }
    if (has(ns::style, "text-line-through-style"))
        f.setFontStrikeOut(a(ns::style, "text-line-through-style") != u"none");
    if (has(ns::fo, "color")) {
        const QColor c(a(ns::fo, "color"));
        if (c.isValid())
            f.setForeground(c);
    }
    if (has(ns::fo, "background-color")) {
        const QString v = a(ns::fo, "background-color");
        const QColor c(v);
        if (v == u"transparent")
            f.clearBackground();
        else if (c.isValid())
            f.setBackground(c);
    }
    if (has(ns::style, "text-position")) {
        const QString v = a(ns::style, "text-position").trimmed();
        const QString first = v.section(u' ', 0, 0);
        if (first == u"super" || (first.endsWith(u'%') && first.chopped(1).toDouble() > 0))
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (first == u"sub" || (first.endsWith(u'%') && first.chopped(1).toDouble() < 0))
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        else
            f.setVerticalAlignment(QTextCharFormat::AlignNormal);
    }
    if (has(ns::fo, "font-size")) {
        const QString v = a(ns::fo, "font-size").trimmed();
        if (v.endsWith(u'%')) {
            const double share = v.chopped(1).toDouble();
            const double from = base && base->hasProperty(QTextFormat::FontPointSize) ? base->fontPointSize() : 12;
            if (share > 0)
                f.setFontPointSize(std::clamp(from * share / 100, 1.0, 1638.0));
        } else {
            const int twips = toTwips(v, -1);
            if (twips > 0)
                f.setFontPointSize(std::clamp(twips / 20.0, 1.0, 1638.0));
        }
    }
    QString family;
    if (has(ns::style, "font-name"))
        family = m_fonts.value(a(ns::style, "font-name"), a(ns::style, "font-name"));
    else if (has(ns::fo, "font-family"))
        family = unquote(a(ns::fo, "font-family"));
    if (!family.isEmpty())
        f.setFontFamilies(QStringList(family.left(256)));
    if (has(ns::fo, "language")) {
        const QString lang = a(ns::fo, "language");
        if (lang == u"zxx" || lang == u"none") {
            f.setProperty(model::CharNoProof, true);
        } else if (const QString country = a(ns::fo, "country");
                   const int id = model::languageId(country.isEmpty() ? lang : lang + u'-' + country)) {
            f.setProperty(model::CharLanguage, id);
        }
    }
    if (has(ns::text, "display"))
        f.setProperty(HiddenText, a(ns::text, "display") == u"none");
    if (has(ns::fo, "font-variant"))
        f.setFontCapitalization(a(ns::fo, "font-variant") == u"small-caps" ? QFont::SmallCaps : QFont::MixedCase);
    if (has(ns::fo, "text-transform")) {
        const QString t = a(ns::fo, "text-transform");
        if (t == u"uppercase")
            f.setFontCapitalization(QFont::AllUppercase);
        else if (t == u"lowercase")
            f.setFontCapitalization(QFont::AllLowercase);
        else if (t == u"capitalize")
            f.setFontCapitalization(QFont::Capitalize);
    }
}

void Reader::applyParagraphProperties(const Node &p, Style &s) const
{
    QTextBlockFormat &f = s.par;
    const auto a = [&p](QLatin1StringView uri, const char *name) { return p.attr(uri, QLatin1StringView(name)); };
    const auto has = [&p](QLatin1StringView uri, const char *name) { return p.has(uri, QLatin1StringView(name)); };
    const auto px = [](int twips) { return std::clamp(twips, -limits::maxTwips, limits::maxTwips) / kTwipsPerPixel; };
    if (has(ns::fo, "text-align")) {
        const QString v = a(ns::fo, "text-align");
        Qt::Alignment al = Qt::AlignLeft;
        if (v == u"center")
            al = Qt::AlignHCenter;
        else if (v == u"end" || v == u"right")
            al = Qt::AlignRight;
        else if (v == u"justify")
            al = Qt::AlignJustify;
        f.setAlignment(al);
    }
    // Lengths only: a share of the parent's ("10%") is left to the parent.
    const auto length = [&](const char *name, void (QTextBlockFormat::*set)(qreal)) {
        const int twips = toTwips(a(ns::fo, name), INT_MIN);
        if (twips != INT_MIN)
            (f.*set)(px(twips));
    };
    length("margin-left", &QTextBlockFormat::setLeftMargin);
    length("margin-right", &QTextBlockFormat::setRightMargin);
    length("margin-top", &QTextBlockFormat::setTopMargin);
    length("margin-bottom", &QTextBlockFormat::setBottomMargin);
    length("text-indent", &QTextBlockFormat::setTextIndent);
    if (has(ns::fo, "line-height")) {
        const QString v = a(ns::fo, "line-height").trimmed();
        if (v.endsWith(u'%')) {
            const double share = v.chopped(1).toDouble();
            if (share > 0)
                f.setLineHeight(std::min(share, 1000.0), QTextBlockFormat::ProportionalHeight);
        } else if (const int twips = toTwips(v, -1); twips > 0) {
            f.setLineHeight(px(twips), QTextBlockFormat::FixedHeight);
        }
    }
    if (has(ns::style, "line-height-at-least")) {
        if (const int twips = toTwips(a(ns::style, "line-height-at-least"), -1); twips > 0)
            f.setLineHeight(px(twips), QTextBlockFormat::MinimumHeight);
    }
    if (has(ns::fo, "break-before")) {
        f.setPageBreakPolicy(a(ns::fo, "break-before") == u"page" ? QTextFormat::PageBreak_AlwaysBefore
                                                                  : QTextFormat::PageBreak_Auto);
    }
    if (has(ns::fo, "break-after"))
        s.breakAfter = a(ns::fo, "break-after") == u"page";
    // A bottom border alone is a horizontal rule under the paragraph.
    if (has(ns::fo, "border-bottom")) {
        int w;
        QTextFrameFormat::BorderStyle st;
        QColor c;
        s.rule = parseBorder(a(ns::fo, "border-bottom"), w, st, c)
            && (!has(ns::fo, "border-top") || a(ns::fo, "border-top") == u"none");
    } else if (has(ns::fo, "border")) {
        s.rule = false;
    }
    if (const Node *stops = p.child(ns::style, QLatin1StringView("tab-stops"))) {
        QList<QTextOption::Tab> tabs;
        for (const Node &t : stops->kids) {
            if (!t.is(ns::style, QLatin1StringView("tab-stop")) || tabs.size() >= limits::maxTabStops)
                continue;
            const QString type = t.attr(ns::style, QLatin1StringView("type"));
            QTextOption::TabType tt = QTextOption::LeftTab;
            QChar delimiter;
            if (type == u"center")
                tt = QTextOption::CenterTab;
            else if (type == u"right")
                tt = QTextOption::RightTab;
            else if (type == u"char") {
                tt = QTextOption::DelimiterTab;
                const QString ch = t.attr(ns::style, QLatin1StringView("char"));
                delimiter = ch.isEmpty() ? QChar(u',') : ch.front();
            }
            const int pos = std::clamp(toTwips(t.attr(ns::style, QLatin1StringView("position"))), 0, limits::maxTwips);
            tabs.append(QTextOption::Tab(pos / kTwipsPerPixel, tt, delimiter));
        }
        f.setTabPositions(tabs);
    }
}

void Reader::readDefaultStyle(const Node &n)
{
    Style s;
    s.family = n.attr(ns::style, QLatin1StringView("family"));
    s.node = &n;
    for (const Node &p : n.kids) {
        if (p.is(ns::style, QLatin1StringView("text-properties")))
            applyTextProperties(p, s.chr, nullptr);
        else if (p.is(ns::style, QLatin1StringView("paragraph-properties")))
            applyParagraphProperties(p, s);
    }
    s.state = 2;
    m_defaults.insert(s.family, s);
}

void Reader::readStyles(const Node &container, bool common, QHash<QString, Style> &into)
{
    QHash<QString, ListStyle> &lists = common ? m_listCommon : *m_listAutos;
    for (const Node &n : container.kids) {
        if (n.is(ns::text, QLatin1StringView("list-style")) || n.is(ns::text, QLatin1StringView("outline-style"))) {
            readListStyle(n, lists);
            continue;
        }
        if (n.is(ns::text, QLatin1StringView("notes-configuration"))) {
            readNotesConfiguration(n);
            continue;
        }
        if (n.is(ns::style, QLatin1StringView("default-style"))) {
            readDefaultStyle(n);
            continue;
        }
        if (n.is(ns::style, QLatin1StringView("page-layout"))) {
            if (m_pageLayouts.size() < 4096)
                m_pageLayouts.insert(n.attr(ns::style, QLatin1StringView("name")), &n);
            continue;
        }
        if (!n.is(ns::style, QLatin1StringView("style")) || into.size() >= 65536)
            continue;
        Style s;
        s.node = &n;
        s.common = common;
        s.name = n.attr(ns::style, QLatin1StringView("name"));
        s.display = n.attr(ns::style, QLatin1StringView("display-name")).left(256);
        s.family = n.attr(ns::style, QLatin1StringView("family"));
        s.parent = n.attr(ns::style, QLatin1StringView("parent-style-name"));
        s.next = n.attr(ns::style, QLatin1StringView("next-style-name"));
        s.listStyle = n.attr(ns::style, QLatin1StringView("list-style-name"));
        s.masterPage = n.attr(ns::style, QLatin1StringView("master-page-name"));
        if (n.has(ns::style, QLatin1StringView("default-outline-level"))) {
            const int level = n.attr(ns::style, QLatin1StringView("default-outline-level")).toInt();
            s.outline = level >= 1 ? std::min(level, 9) - 1 : -1;
        }
        for (const Node &p : n.kids) {
            if (p.is(ns::style, QLatin1StringView("text-properties"))) {
                applyTextProperties(p, s.chr, nullptr);
            } else if (p.is(ns::style, QLatin1StringView("paragraph-properties"))) {
                applyParagraphProperties(p, s);
            } else if (p.is(ns::style, QLatin1StringView("table-column-properties"))) {
                if (p.has(ns::style, QLatin1StringView("column-width")))
                    s.columnWidth = std::clamp(toTwips(p.attr(ns::style, QLatin1StringView("column-width")), -1), -1,
                                               4 * limits::maxTwips);
                const QString rel = p.attr(ns::style, QLatin1StringView("rel-column-width"));
                if (!rel.isEmpty())
                    s.relWidth = std::clamp(rel.chopped(rel.endsWith(u'*') ? 1 : 0).toInt(), 0, 1 << 24);
            } else if (p.is(ns::style, QLatin1StringView("table-properties"))) {
                if (p.has(ns::style, QLatin1StringView("width")))
                    s.tableWidth = std::clamp(toTwips(p.attr(ns::style, QLatin1StringView("width")), -1), -1,
                                              4 * limits::maxTwips);
                if (p.attr(ns::fo, QLatin1StringView("break-before")) == u"page")
                    s.par.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            } else if (p.is(ns::style, QLatin1StringView("table-cell-properties"))) {
                QTextTableCellFormat &c = s.cell;
                const QString bg = p.attr(ns::fo, QLatin1StringView("background-color"));
                if (QColor(bg).isValid() && bg != u"transparent")
                    c.setBackground(QColor(bg));
                const QString va = p.attr(ns::style, QLatin1StringView("vertical-align"));
                if (va == u"middle")
                    c.setVerticalAlignment(QTextCharFormat::AlignMiddle);
                else if (va == u"bottom")
                    c.setVerticalAlignment(QTextCharFormat::AlignBottom);
                const QString all = p.attr(ns::fo, QLatin1StringView("border"));
                static const char *const sides[] = {"border-top", "border-left", "border-bottom", "border-right"};
                for (int side = 0; side < 4; ++side) {
                    QString border = p.attr(ns::fo, QLatin1StringView(sides[side]));
                    if (border.isEmpty())
                        border = all;
                    int w;
                    QTextFrameFormat::BorderStyle st;
                    QColor color;
                    if (border.isEmpty() || !parseBorder(border, w, st, color))
                        continue;
                    const double width = std::max(1, w) / kTwipsPerPixel;
                    switch (side) {
                    case 0: c.setTopBorder(width); c.setTopBorderStyle(st); c.setTopBorderBrush(color); break;
                    case 1: c.setLeftBorder(width); c.setLeftBorderStyle(st); c.setLeftBorderBrush(color); break;
                    case 2: c.setBottomBorder(width); c.setBottomBorderStyle(st); c.setBottomBorderBrush(color); break;
                    default: c.setRightBorder(width); c.setRightBorderStyle(st); c.setRightBorderBrush(color); break;
                    }
                }
                static const char *const pads[] = {"padding-top", "padding-left", "padding-bottom", "padding-right"};
                const QString pad = p.attr(ns::fo, QLatin1StringView("padding"));
                for (int side = 0; side < 4; ++side) {
                    QString padding = p.attr(ns::fo, QLatin1StringView(pads[side]));
                    if (padding.isEmpty())
                        padding = pad;
                    if (padding.isEmpty())
                        continue;
                    const double v = std::clamp(toTwips(padding), 0, 1440) / kTwipsPerPixel;
                    switch (side) {
                    case 0: c.setTopPadding(v); break;
                    case 1: c.setLeftPadding(v); break;
                    case 2: c.setBottomPadding(v); break;
                    default: c.setRightPadding(v); break;
                    }
                }
            }
        }
        if (common && s.family == u"paragraph" && !m_styleNumbers.contains(s.name)) {
            // "Standard" is the sheet's \s0, the style a paragraph has
            // when it names none.
            const int number = s.name == u"Standard" ? 0 : int(m_styleOrder.size()) + 1;
            m_styleNumbers.insert(s.name, number);
            if (number > 0)
                m_styleOrder.append(s.name);
        }
        into.insert(key(s.family, s.name), std::move(s));
    }
}

Style *Reader::findStyle(const QString &name, const QString &family)
{
    if (name.isEmpty())
        return nullptr;
    const QString k = key(family, name);
    auto it = m_autos->find(k);
    if (it == m_autos->end()) {
        it = m_common.find(k);
        if (it == m_common.end())
            return nullptr;
    }
    if (it->state != 2)
        resolve(*it, 0);
    return &*it;
}

void Reader::resolve(Style &s, int depth)
{
    if (s.state != 0)
        return; // resolved, or a loop closes here
    s.state = 1;
    Style *parent = nullptr;
    if (!s.parent.isEmpty() && depth < limits::maxStyleChain) {
        // Automatic styles inherit from common ones only; a common style
        // from common ones.
        auto it = m_common.find(key(s.family, s.parent));
        if (it != m_common.end() && &*it != &s) {
            resolve(*it, depth + 1);
            if (it->state == 2)
                parent = &*it;
        }
    }
    QTextCharFormat chr;
    QTextBlockFormat par;
    if (parent) {
        chr = parent->chr;
        par = parent->par;
        if (s.outline < 0)
            s.outline = parent->outline;
        if (!s.node || !s.node->child(ns::style, QLatin1StringView("paragraph-properties")) ||
            (!s.node->child(ns::style, QLatin1StringView("paragraph-properties"))->has(ns::fo, QLatin1StringView("border-bottom"))
             && !s.node->child(ns::style, QLatin1StringView("paragraph-properties"))->has(ns::fo, QLatin1StringView("border"))))
            s.rule = s.rule || parent->rule;
        if (s.listStyle.isEmpty())
            s.listStyle = parent->listStyle;
        if (s.cell.properties().isEmpty())
            s.cell = parent->cell;
    } else if (auto d = m_defaults.constFind(s.family); d != m_defaults.cend()) {
        chr = d->chr;
        par = d->par;
    }
    // Relative font sizes against what the parent gives.
    if (s.node) {
        if (const Node *tp = s.node->child(ns::style, QLatin1StringView("text-properties"))) {
            if (tp->attr(ns::fo, QLatin1StringView("font-size")).endsWith(u'%')) {
                QTextCharFormat own;
                applyTextProperties(*tp, own, &chr);
                s.chr.setFontPointSize(own.fontPointSize());
            }
        }
    }
    chr.merge(s.chr);
    par.merge(s.par);
    s.chr = chr;
    s.par = par;
    s.state = 2;
}

QTextCharFormat Reader::spanFormat(const QString &styleName, const QTextCharFormat &base)
{
    QTextCharFormat f = base;
    // The span's style over the paragraph's: what the span's chain says.
    if (const Style *s = findStyle(styleName, QStringLiteral("text")))
        f.merge(s->chr);
    return f;
}

int Reader::styleNumber(const QString &name)
{
    return m_styleNumbers.value(name, -1);
}

int Reader::headingLevelOf(const Style &s) const
{
    if (s.outline >= 0)
        return s.outline + 1;
    // Found once per style: every paragraph asks.
    if (s.namedLevel < 0) {
        static const QRegularExpression heading(QStringLiteral("^(heading|nadpis)[ _]*(20_)?([1-9])$"),
                                                QRegularExpression::CaseInsensitiveOption);
        s.namedLevel = 0;
        for (const QString &n : {s.display, s.name}) {
            const QRegularExpressionMatch m = heading.match(n);
            if (m.hasMatch()) {
                s.namedLevel = m.captured(3).toInt();
                break;
            }
        }
    }
    return s.namedLevel;
}

QVariantList Reader::styleSheet()
{
    QVariantList sheet;
    QStringList names;
    if (m_styleNumbers.contains(QStringLiteral("Standard")))
        names << QStringLiteral("Standard");
    names += m_styleOrder;
    for (const QString &name : names) {
        auto it = m_common.find(key(QStringLiteral("paragraph"), name));
        if (it == m_common.end())
            continue;
        if (it->state != 2)
            resolve(*it, 0);
        QVariantMap m;
        m.insert(QStringLiteral("number"), styleNumber(name));
        m.insert(QStringLiteral("character"), false);
        m.insert(QStringLiteral("name"), it->display.isEmpty() ? it->name : it->display);
        m.insert(QStringLiteral("basedOn"), styleNumber(it->parent));
        m.insert(QStringLiteral("next"), styleNumber(it->next));
        m.insert(QStringLiteral("outline"), it->outline);
        m.insert(QStringLiteral("char"), QVariant::fromValue(it->chr));
        // As the RTF reader keeps a style: its outline level beside it, not
        // in its paragraph format.
        m.insert(QStringLiteral("block"), QVariant::fromValue(it->par));
        sheet.append(m);
    }
    return sheet;
}

} // namespace odt::detail
