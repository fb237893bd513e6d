// Lists: numbering.xml's definitions (abstractNum) and their instances
// (num), read into QTextList levels as the RTF reader makes them (see
// model/lists.h): one QTextList per level of one list, the label's text
// around its number, the whole label ("1.2.") as a template, the start
// number, and the list's number as the group of its levels.

#include "readerimpl.h"

#include "model/lists.h"
#include "rtf/codepages.h"

#include <QTextBlock>
#include <QTextList>

namespace docx::detail {

namespace {

std::optional<int> intVal(const Node *n, const char *attr = "w:val")
{
    if (!n || !n->hasAttr(L(attr)))
        return std::nullopt;
    bool ok = false;
    const qlonglong v = n->attrView(L(attr)).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return int(std::clamp<qlonglong>(v, INT_MIN, INT_MAX));
}

// A bullet as the text shows it: a symbol font's characters (its bytes,
// or those bytes at F000 and up) are the shapes it draws, as the RTF
// reader decodes them.
QString bulletOf(const QString &text, const QString &font)
{
    QString out;
    const bool symbol = font.compare(L("Symbol"), Qt::CaseInsensitive) == 0;
    const bool pictographs = font.startsWith(L("Wingdings"), Qt::CaseInsensitive)
        || font.startsWith(L("Webdings"), Qt::CaseInsensitive);
    for (QChar c : text) {
        char16_t u = c.unicode();
        const bool privateByte = u >= 0xF020 && u <= 0xF0FF;
        if ((symbol || pictographs) && (privateByte || (u >= 0x20 && u <= 0xFF)))
            u = rtf::detail::symbolCharacter(symbol ? rtf::detail::symbolCodepage : rtf::detail::pictographCodepage,
                                             uchar(u & 0xFF));
        else if (c.unicode() == 0xE00A) // OpenSymbol's own shapes
            u = 0x25AA;
        else if (c.unicode() == 0xE00C)
            u = 0x2666;
        if (u >= 0x20)
            out += QChar(u);
    }
    return out;
}
} // namespace

void Reader::readNumbering()
{
    QString part = relatedPart(QStringLiteral("numbering"));
    if (part.isEmpty())
        part = QStringLiteral("word/numbering.xml");
    Tree tree;
    parsePart(tree, part);
    if (!tree.root())
        return;
    for (const Node *n : tree.root()->kids) {
        if (n->is(L("w:abstractNum"))) {
            const QString id = n->attr(L("w:abstractNumId"));
            if (id.isEmpty() || m_abstractLists.contains(id) || m_abstractLists.size() >= limits::maxLists)
                continue;
            AbstractList list;
            if (const Node *link = n->child(L("w:numStyleLink")))
                list.styleLink = link->attr(L("w:val"));
            for (const Node *lvl : n->kids) {
                if (!lvl->is(L("w:lvl")))
                    continue;
                // Levels 0 to 8: any other number is no level of a list.
                const std::optional<int> ilvl = intVal(lvl, "w:ilvl");
                if (!ilvl || *ilvl < 0 || *ilvl >= limits::maxListLevels)
                    continue;
                ListLevel &level = list.levels[size_t(*ilvl)];
                level = ListLevel();
                level.defined = true;
                level.start = std::clamp(intVal(lvl->child(L("w:start"))).value_or(1), 0, 1'000'000'000);
                const QString fmt = lvl->child(L("w:numFmt")) ? lvl->child(L("w:numFmt"))->attr(L("w:val")) : QString();
                level.bullet = fmt == u"bullet";
                level.none = fmt == u"none";
                level.style = fmt == u"upperRoman"   ? QTextListFormat::ListUpperRoman
                    : fmt == u"lowerRoman"           ? QTextListFormat::ListLowerRoman
                    : fmt == u"upperLetter"          ? QTextListFormat::ListUpperAlpha
                    : fmt == u"lowerLetter"          ? QTextListFormat::ListLowerAlpha
                    : (level.bullet || level.none)   ? QTextListFormat::ListDisc
                                                     : QTextListFormat::ListDecimal;
                QString font;
                if (const Node *rPr = lvl->child(L("w:rPr")); rPr && rPr->child(L("w:rFonts"))) {
                    font = rPr->child(L("w:rFonts"))->attr(L("w:ascii"));
                    if (font.isEmpty())
                        font = rPr->child(L("w:rFonts"))->attr(L("w:hAnsi"));
                }
                const QString raw = lvl->child(L("w:lvlText")) ? lvl->child(L("w:lvlText"))->attr(L("w:val")).left(limits::maxLevelTextLength) : QString();
                if (level.bullet) {
                    level.text = bulletOf(raw, font);
                } else {
                    // "%1." -> the level numbers as the characters 0 to 8.
                    for (qsizetype i = 0; i < raw.size(); ++i) {
                        if (raw[i] == u'%' && i + 1 < raw.size() && raw[i + 1] >= u'1' && raw[i + 1] <= u'9') {
                            level.text += QChar(char16_t(raw[i + 1].unicode() - u'1'));
                            ++i;
                        } else if (raw[i].unicode() >= 0x20 && raw[i] != u'\t') {
                            level.text += raw[i];
                        }
                    }
                }
                if (const Node *pPr = lvl->child(L("w:pPr"))) {
                    const ParaProps p = paraProps(pPr);
                    level.li = p.li;
                    level.fi = p.fi;
                }
            }
            m_abstractLists.insert(id, list);
        } else if (n->is(L("w:num"))) {
            const std::optional<int> numId = intVal(n, "w:numId");
            if (!numId || *numId <= 0 || m_listInstances.contains(*numId) || m_listInstances.size() >= limits::maxLists)
                continue;
            ListInstance inst;
            if (const Node *a = n->child(L("w:abstractNumId")))
                inst.abstractId = a->attr(L("w:val"));
            for (const Node *o : n->kids) {
                if (!o->is(L("w:lvlOverride")))
                    continue;
                const std::optional<int> ilvl = intVal(o, "w:ilvl");
                if (!ilvl || *ilvl < 0 || *ilvl >= limits::maxListLevels)
                    continue;
                if (auto start = intVal(o->child(L("w:startOverride"))))
                    inst.startOverride[size_t(*ilvl)] = std::clamp(*start, 0, 1'000'000'000);
            }
            m_listInstances.insert(*numId, inst);
        }
    }
}

// The level of a list instance, following a list that takes its levels
// from a numbering style (bounded: such links may loop).
const ListLevel *Reader::listLevel(int numId, int ilvl, int *start, int *used) const
{
    const auto inst = m_listInstances.constFind(numId);
    if (inst == m_listInstances.cend())
        return nullptr;
    auto list = m_abstractLists.constFind(inst->abstractId);
    for (int step = 0; list != m_abstractLists.cend() && !list->styleLink.isEmpty() && step < 8; ++step) {
        // The numbering style names a list instance whose levels these are.
        const auto st = m_styles.constFind(list->styleLink);
        if (st == m_styles.cend() || !st->ppr.numId)
            break;
        const auto other = m_listInstances.constFind(*st->ppr.numId);
        if (other == m_listInstances.cend())
            break;
        list = m_abstractLists.constFind(other->abstractId);
    }
    if (list == m_abstractLists.cend())
        return nullptr;
    // A level past the list's last one is its last.
    while (ilvl > 0 && !list->levels[size_t(ilvl)].defined)
        --ilvl;
    const ListLevel *level = &list->levels[size_t(ilvl)];
    if (!level->defined)
        return nullptr;
    *start = inst->startOverride[size_t(ilvl)].value_or(level->start);
    if (used)
        *used = ilvl;
    return level;
}

void Reader::attachList(const ParaProps &par)
{
    if (!par.numId || *par.numId <= 0)
        return;
    const int numId = *par.numId;
    int ilvl = std::clamp(par.ilvl.value_or(0), 0, limits::maxListLevels - 1);
    int start = 1;
    const ListLevel *level = listLevel(numId, ilvl, &start, &ilvl);
    if (!level)
        return;
    const quint64 key = (quint64(uint(numId)) << 8) | uint(ilvl);
    // An item starts the numbering of the levels below it again.
    for (int deeper = ilvl + 1; deeper < limits::maxListLevels; ++deeper)
        m_s.lists.remove((quint64(uint(numId)) << 8) | uint(deeper));

    QTextDocument *doc = m_s.cursor.document();
    int object = -1;
    int offset = 0;
    if (auto it = m_s.lists.find(key); it != m_s.lists.end()) {
        const auto *list = qobject_cast<const QTextList *>(doc->object(it->object));
        const int most = level->bullet || level->none ? limits::maxBulletListRun : limits::maxNumberedListRun;
        if (list && list->count() < most) {
            object = it->object;
        } else {
            offset = it->first + (list ? list->count() : 0);
            m_s.lists.erase(it);
        }
    }
    if (object < 0) {
        QTextListFormat f;
        f.setIndent(ilvl + 1);
        const QString &label = level->text;
        if (level->bullet || level->none) {
            QString bullet = label;
            bullet.removeIf([](QChar c) { return c.unicode() < limits::maxListLevels; });
            if (bullet.isEmpty() && level->bullet)
                bullet = QStringLiteral("\u2022");
            f.setStyle(QTextListFormat::Style(model::bulletStyle(bullet)));
            if (bullet != bulletText(QTextListFormat(f)) || bullet.isEmpty())
                f.setProperty(ListBulletText, bullet.isEmpty() ? QStringLiteral(" ") : bullet);
        } else {
            f.setStyle(QTextListFormat::Style(level->style));
            // The numbers of the levels above ("1.2.") are kept in the template.
            const model::LabelTemplate shown = model::setLabelAffixes(f, label, ilvl);
            if (!shown.ownNumber) {
                // A label without its own number: only its text shows.
                f.setNumberPrefix(QString());
                f.setNumberSuffix(QString());
            }
            if (shown.compound)
                f.setProperty(ListLevelTemplate, label);
            if (qint64(start) + offset != 1)
                f.setProperty(ListStartNumber, int(std::min<qint64>(qint64(start) + offset, INT_MAX)));
        }
        f.setProperty(ListGroup, numId);
        QTextCursor c(m_s.cursor);
        QTextList *list = c.createList(f);
        object = list->objectIndex();
        m_s.lists.insert(key, ListRun{object, offset});
    }
    // Qt puts the label in the margin of the list's indent; the paragraph
    // keeps what its own indent adds to that.
    QTextBlockFormat f;
    f.setObjectIndex(object);
    const int li = par.li.value_or(level->li.value_or(0));
    const auto *list = qobject_cast<const QTextList *>(doc->object(object));
    const double listIndent = list ? list->format().indent() * doc->indentWidth() : 0;
    f.setLeftMargin(std::max(0.0, li / kTwipsPerPixel - listIndent));
    f.setTextIndent(0);
    m_s.cursor.mergeBlockFormat(f);
}

} // namespace docx::detail
