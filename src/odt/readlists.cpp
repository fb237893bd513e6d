// Lists: text:list-style levels, and text:list / text:list-item read into
// QTextList as the RTF reader makes them: one Qt list per level of one
// list of the file (ListGroup), a level's numbering starting again after
// an item of a level above, labels that show the levels above kept as a
// template, long lists split into runs that count on.

#include "readerimpl.h"

#include "model/lists.h"
#include "model/properties.h"

#include <QTextDocument>
#include <QTextList>

namespace odt::detail {

namespace {

QLatin1StringView L(const char *s)
{
    return QLatin1StringView(s);
}

// LibreOffice's bullets drawn with OpenSymbol from the private use area.
QString bulletChar(const QString &c)
{
    if (c.size() != 1)
        return c;
    switch (c.front().unicode()) {
    case 0xE00A: return QStringLiteral("\u25AA");
    case 0xE00C: return QStringLiteral("\u2666");
    default: return c;
    }
}
} // namespace

void Reader::readListStyle(const Node &n, QHash<QString, ListStyle> &into)
{
    if (into.size() >= 4096)
        return;
    ListStyle style;
    const bool outline = n.is(ns::text, L("outline-style"));
    for (int i = 0; i < limits::maxListLevels; ++i) { // levels the file leaves out
        style.levels[i].bulletText = QStringLiteral("\u2022");
        style.levels[i].noNumber = outline;
        style.levels[i].bullet = !outline;
    }
    for (const Node &k : n.kids) {
        // Outline numbering's levels are numbered levels by another name.
        const bool number = k.is(ns::text, L("list-level-style-number")) || k.is(ns::text, L("outline-level-style"));
        const bool bullet = k.is(ns::text, L("list-level-style-bullet"));
        if (!number && !bullet && !k.is(ns::text, L("list-level-style-image")))
            continue;
        const int level = k.attr(ns::text, L("level")).toInt();
        if (level < 1 || level > limits::maxListLevels)
            continue;
        ListLevel &l = style.levels[level - 1];
        l = ListLevel();
        l.noNumber = outline && !number;
        l.prefix = k.attr(ns::style, L("num-prefix")).left(64);
        l.suffix = k.attr(ns::style, L("num-suffix")).left(64);
        if (number) {
            l.bullet = false;
            const QString format = k.attr(ns::style, L("num-format"));
            if (format == u"a")
                l.style = QTextListFormat::ListLowerAlpha;
            else if (format == u"A")
                l.style = QTextListFormat::ListUpperAlpha;
            else if (format == u"i")
                l.style = QTextListFormat::ListLowerRoman;
            else if (format == u"I")
                l.style = QTextListFormat::ListUpperRoman;
            else if (format.isEmpty())
                l.noNumber = true;
            if (k.has(ns::text, L("start-value")))
                l.start = std::clamp(k.attr(ns::text, L("start-value")).toInt(), 0, 1 << 24);
            if (k.has(ns::text, L("display-levels")))
                l.displayLevels = std::clamp(k.attr(ns::text, L("display-levels")).toInt(), 1, level);
        } else {
            l.bulletText = bullet ? bulletChar(k.attr(ns::text, L("bullet-char")).left(8)) : QStringLiteral("\u2022");
        }
        if (const Node *props = k.child(ns::style, L("list-level-properties"))) {
            if (const Node *align = props->child(ns::style, L("list-level-label-alignment"))) {
                if (align->has(ns::fo, L("margin-left")))
                    l.marginTwips = toTwips(align->attr(ns::fo, L("margin-left")));
            } else if (props->has(ns::text, L("space-before")) || props->has(ns::text, L("min-label-width"))) {
                l.marginTwips = toTwips(props->attr(ns::text, L("space-before")))
                    + toTwips(props->attr(ns::text, L("min-label-width")));
            }
        }
    }
    if (n.is(ns::text, L("outline-style"))) {
        m_outline = style;
        m_hasOutline = false;
        for (const ListLevel &l : style.levels)
            m_hasOutline = m_hasOutline || (!l.bullet && !l.noNumber);
        return;
    }
    into.insert(n.attr(ns::style, L("name")), style);
}

const ListStyle *Reader::listStyle(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    if (auto it = m_listAutos->constFind(name); it != m_listAutos->cend())
        return &*it;
    if (auto c = m_listCommon.constFind(name); c != m_listCommon.cend())
        return &*c;
    return nullptr;
}

void Reader::list(const Node &n, int level)
{
    const ListContext saved = m_b.list;
    if (level == 0 || !m_b.list.style) {
        const QString styleName = n.attr(ns::text, L("style-name"));
        const ListStyle *style = listStyle(styleName);
        m_b.list.unstyled = !style;
        if (!style) {
            static const ListStyle bullets = [] {
                ListStyle s;
                for (ListLevel &l : s.levels)
                    l.bulletText = QStringLiteral("\u2022");
                return s;
            }();
            style = &bullets;
        }
        // A list going on from an earlier one shares its numbering.
        int group = 0;
        const QString continues = n.attr(ns::text, L("continue-list"));
        if (!continues.isEmpty())
            group = m_listIds.value(continues);
        if (!group && n.attr(ns::text, L("continue-numbering")) == u"true")
            group = m_lastGroupOfStyle.value(styleName, 0);
        if (!group)
            group = ++m_listGroups;
        const QString id = n.attr(ns::xml, L("id"));
        if (!id.isEmpty() && m_listIds.size() < 65536)
            m_listIds.insert(id, group);
        if (m_lastGroupOfStyle.size() < 65536)
            m_lastGroupOfStyle.insert(styleName, group);
        m_b.list.group = group;
        m_b.list.style = style;
    }
    level = std::min(level, limits::maxListLevels - 1);
    for (const Node &item : n.kids) {
        const bool header = item.is(ns::text, L("list-header"));
        if (!header && !item.is(ns::text, L("list-item")))
            continue;
        m_b.list.level = level;
        m_b.list.header = header;
        m_b.list.itemFirst = !header;
        m_b.list.restartAt = -1;
        if (!header && item.has(ns::text, L("start-value")))
            m_b.list.restartAt = std::clamp(item.attr(ns::text, L("start-value")).toInt(), 0, 1 << 24);
        for (const Node &k : item.kids) {
            if (k.isText())
                continue;
            if (k.is(ns::text, L("list"))) {
                list(k, level + 1);
                m_b.list.level = level;
                m_b.list.itemFirst = false;
            } else {
                readBlock(k);
            }
        }
    }
    m_b.list = saved;
}

void Reader::attachList(int level)
{
    ListContext &ctx = m_b.list;
    if (!ctx.style)
        return;
    const ListLevel &def = ctx.style->levels[level];
    if (!ctx.itemFirst) {
        // The item's later paragraphs and headers' ones: under its text.
        QTextBlockFormat f;
        const double indent = def.marginTwips >= 0 ? def.marginTwips / kTwipsPerPixel : (level + 1) * m_b.cursor.document()->indentWidth();
        f.setLeftMargin(std::clamp(indent, 0.0, limits::maxTwips / kTwipsPerPixel));
        f.setTextIndent(0);
        m_b.cursor.mergeBlockFormat(f);
        return;
    }
    ctx.itemFirst = false;
    const bool bullet = def.bullet || def.noNumber;
    int first = def.start;
    if (ctx.restartAt >= 0) {
        // Numbering started again is a list of its own from here on, as
        // RTF and Word number it.
        ctx.group = ++m_listGroups;
        first = ctx.restartAt;
        ctx.restartAt = -1;
    }
    const quint64 base = quint64(uint(ctx.group)) << 8;
    // The numbering of the levels below starts again.
    for (int deeper = level + 1; deeper < limits::maxListLevels; ++deeper)
        m_b.lists.remove(base | uint(deeper));
    const quint64 key = base | uint(level);
    if (auto it = m_b.lists.find(key); it != m_b.lists.end()) {
        auto *existing = qobject_cast<QTextList *>(m_b.cursor.document()->object(it->object));
        const int most = bullet ? limits::maxBulletListRun : limits::maxNumberedListRun;
        if (existing && existing->count() < most) {
            QTextBlockFormat f;
            f.setObjectIndex(it->object);
            f.setLeftMargin(0);
            f.setTextIndent(0);
            m_b.cursor.mergeBlockFormat(f);
            return;
        }
        // Qt lays out a whole list for each item added: long lists are
        // runs that count on.
        first = it->offset + (existing ? existing->count() : 0);
        m_b.lists.erase(it);
    }
    QTextListFormat f;
    f.setIndent(level + 1);
    if (bullet) {
        QString text = def.noNumber ? def.prefix + def.suffix : def.bulletText;
        f.setStyle(QTextListFormat::Style(model::bulletStyle(text)));
        if (text != model::bulletText(f) || text.isEmpty())
            f.setProperty(model::ListBulletText, text.isEmpty() ? QStringLiteral(" ") : text);
    } else {
        f.setStyle(QTextListFormat::Style(def.style));
        f.setNumberPrefix(def.prefix);
        f.setNumberSuffix(def.suffix);
        if (def.displayLevels > 1) {
            // "1.2.": the numbers of the levels above, as LibreOffice shows them.
            QString label = def.prefix;
            for (int l = level - def.displayLevels + 1; l <= level; ++l) {
                if (l < 0)
                    continue;
                if (l != level - def.displayLevels + 1 && label.size() > def.prefix.size())
                    label += u'.';
                label += QChar(char16_t(l));
            }
            label += def.suffix;
            f.setProperty(model::ListLevelTemplate, label);
        }
        if (first != 1)
            f.setProperty(model::ListStartNumber, first);
    }
    f.setProperty(model::ListGroup, ctx.group);
    QTextList *list = m_b.cursor.createList(f);
    QTextBlockFormat bf;
    bf.setLeftMargin(0);
    bf.setTextIndent(0);
    m_b.cursor.mergeBlockFormat(bf);
    m_b.lists.insert(key, ListRun{list->objectIndex(), first});
}

} // namespace odt::detail

namespace odt::detail {

// A heading numbered by the outline style: an item of one list of the
// document's headings, as word processors number them.
void Reader::numberHeading(const Node &h, int level)
{
    if (!m_hasOutline || level < 1 || m_b.list.level >= 0 || h.attr(ns::text, L("is-list-header")) == u"true")
        return;
    const ListLevel &def = m_outline.levels[level - 1];
    if (def.bullet || def.noNumber)
        return;
    if (!m_outlineGroup)
        m_outlineGroup = ++m_listGroups;
    const ListContext saved = m_b.list;
    m_b.list = ListContext();
    m_b.list.group = m_outlineGroup;
    m_b.list.style = &m_outline;
    m_b.list.level = level - 1;
    m_b.list.itemFirst = true;
    if (h.attr(ns::text, L("restart-numbering")) == u"true" || h.has(ns::text, L("start-value")))
        m_b.list.restartAt = h.has(ns::text, L("start-value"))
            ? std::clamp(h.attr(ns::text, L("start-value")).toInt(), 0, 1 << 24) : def.start;
    attachList(level - 1);
    m_outlineGroup = m_b.list.group; // a restart goes on in a list of its own
    m_b.list = saved;
}

} // namespace odt::detail
