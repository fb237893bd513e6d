// Lists: the QTextLists that are levels of one list of the file (one
// ListGroup) make one OpenDocument list with one text:list-style; its items
// nest as text:list / text:list-item for their levels. A list that goes on
// after other paragraphs continues its numbering (xml:id and
// text:continue-list); a level's new QTextList starts again at its number.

#include "writerimpl.h"

#include "model/lists.h"

#include <QTextListFormat>

#include <algorithm>

namespace odt::detail {

namespace {

int levelOf(const QTextListFormat &f)
{
    return std::clamp(f.indent() - 1, 0, 8);
}

QString keyOf(const QTextList *list)
{
    const QTextListFormat f = list->format();
    if (f.hasProperty(ListGroup))
        return QStringLiteral("g") + QString::number(f.intProperty(ListGroup));
    return QStringLiteral("l") + QString::number(quintptr(list), 16);
}

QString numFormat(int style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return QStringLiteral("1");
    case QTextListFormat::ListLowerAlpha: return QStringLiteral("a");
    case QTextListFormat::ListUpperAlpha: return QStringLiteral("A");
    case QTextListFormat::ListLowerRoman: return QStringLiteral("i");
    case QTextListFormat::ListUpperRoman: return QStringLiteral("I");
    default: return {};
    }
}

bool isBullet(int style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare;
}

QString clean(const QString &s)
{
    QString out = s.left(64);
    out.removeIf([](QChar c) { return c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE; });
    return out;
}

} // namespace

QString Writer::listStyle(Walk &w, const QString &key)
{
    if (const QString known = w.listStyles.value(key); !known.isEmpty())
        return known;
    const auto &levels = w.seen[key];
    const QTextList *first = *std::find_if(levels.begin(), levels.end(), [](const QTextList *l) { return l; });
    const double indentWidth = w.doc->indentWidth();

    QByteArray xml;
    QXmlStreamWriter x(&xml);
    x.writeStartElement(QStringLiteral("text:list-style"));
    x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
    for (int level = 0; level < 9; ++level) {
        const QTextList *own = levels[size_t(level)];
        const QTextListFormat f = (own ? own : first)->format();
        const QString number = QString::number(level + 1);
        if (isBullet(f.style())) {
            x.writeStartElement(QStringLiteral("text:list-level-style-bullet"));
            x.writeAttribute(QStringLiteral("text:level"), number);
            QString bullet = clean(model::bulletText(f));
            if (bullet.isEmpty())
                bullet = QStringLiteral("\u2022");
            x.writeAttribute(QStringLiteral("text:bullet-char"), bullet.left(1));
            if (bullet.size() > 1)
                x.writeAttribute(QStringLiteral("style:num-suffix"), bullet.mid(1));
        } else {
            x.writeStartElement(QStringLiteral("text:list-level-style-number"));
            x.writeAttribute(QStringLiteral("text:level"), number);
            QString prefix = f.numberPrefix();
            QString suffix = model::numberSuffix(f);
            int display = 1;
            const QString pattern = own ? f.stringProperty(ListLevelTemplate) : QString();
            if (!pattern.isEmpty() && !numFormat(f.style()).isEmpty()) {
                // "\0.\1." : the numbers of levels 1 and 2, a "." after each.
                qsizetype firstPlace = -1, lastPlace = -1;
                int lowest = level;
                for (qsizetype i = 0; i < pattern.size(); ++i) {
                    if (pattern[i].unicode() < 9) {
                        if (firstPlace < 0)
                            firstPlace = i;
                        lastPlace = i;
                        lowest = std::min(lowest, int(pattern[i].unicode()));
                    }
                }
                if (firstPlace >= 0) {
                    prefix = pattern.left(firstPlace);
                    suffix = pattern.mid(lastPlace + 1);
                    display = std::clamp(level - lowest + 1, 1, level + 1);
                } else {
                    prefix = pattern;
                    suffix.clear();
                }
            }
            if (!clean(prefix).isEmpty())
                x.writeAttribute(QStringLiteral("style:num-prefix"), clean(prefix));
            if (!clean(suffix).isEmpty())
                x.writeAttribute(QStringLiteral("style:num-suffix"), clean(suffix));
            x.writeAttribute(QStringLiteral("style:num-format"), numFormat(f.style()));
            if (display > 1)
                x.writeAttribute(QStringLiteral("text:display-levels"), QString::number(display));
            const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
            if (start != 1 && !numFormat(f.style()).isEmpty())
                x.writeAttribute(QStringLiteral("text:start-value"), QString::number(std::clamp(start, 0, 32767)));
        }
        // Items start where the level's first item starts; the label hangs
        // in the indent before it.
        double margin = (level + 1) * indentWidth;
        double hang = std::min(24.0, margin);
        if (own && own->count() > 0) {
            const model::ParagraphIndent indent =
                model::paragraphIndent(own->item(0).blockFormat(), *w.doc, std::max(0, f.indent()) * indentWidth);
            margin = indent.left;
            hang = -indent.firstLine;
        }
        x.writeStartElement(QStringLiteral("style:list-level-properties"));
        x.writeAttribute(QStringLiteral("text:list-level-position-and-space-mode"), QStringLiteral("label-alignment"));
        x.writeEmptyElement(QStringLiteral("style:list-level-label-alignment"));
        x.writeAttribute(QStringLiteral("text:label-followed-by"), QStringLiteral("listtab"));
        x.writeAttribute(QStringLiteral("text:list-tab-stop-position"), cmFromPixels(margin));
        x.writeAttribute(QStringLiteral("fo:text-indent"), cmFromPixels(-hang));
        x.writeAttribute(QStringLiteral("fo:margin-left"), cmFromPixels(margin));
        x.writeEndElement();
        x.writeEndElement();
    }
    x.writeEndElement();
    const QString name = w.pool->add(QStringLiteral("L"), xml);
    w.listStyles.insert(key, name);
    return name;
}

void Writer::enterListItem(Walk &w, const QTextBlock &block)
{
    QXmlStreamWriter &x = *w.x;
    const QTextList *list = block.textList();
    const QTextListFormat f = list->format();
    const int level = levelOf(f);
    if (!w.scanned) {
        // The first list of each level of each list: its style's levels.
        w.scanned = true;
        for (QTextBlock b = w.doc->begin(); b.isValid(); b = b.next()) {
            if (const QTextList *l = b.textList()) {
                auto &levels = w.seen[keyOf(l)];
                const size_t lv = size_t(levelOf(l->format()));
                if (!levels[lv])
                    levels[lv] = l;
            }
        }
    }
    const QString key = keyOf(list);
    if (w.openKey != key)
        closeLists(w);
    const auto startItem = [&] {
        x.writeStartElement(QStringLiteral("text:list-item"));
        // A level's later list starts again at its own first number. A
        // lower level starts again at 1 after an item above by itself; a
        // start value there would start a list of its own for readers.
        if (!w.started.contains(list)) {
            w.started.insert(list);
            const auto &levels = w.seen[key];
            const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
            if (levels[size_t(level)] != list && !numFormat(f.style()).isEmpty() && (level == 0 || start != 1)) {
                x.writeAttribute(QStringLiteral("text:start-value"), QString::number(std::clamp(start, 0, 32767)));
            }
        }
    };
    if (w.open == 0) {
        const QString style = listStyle(w, key);
        const QString id = QStringLiteral("list") + QString::number(++m_listIdCount);
        x.writeStartElement(QStringLiteral("text:list"));
        x.writeAttribute(QStringLiteral("xml:id"), id);
        if (const QString before = w.lastXmlId.value(key); !before.isEmpty())
            x.writeAttribute(QStringLiteral("text:continue-list"), before);
        x.writeAttribute(QStringLiteral("text:style-name"), style);
        w.lastXmlId.insert(key, id);
        w.openKey = key;
        ++w.open;
        if (level > 0)
            x.writeStartElement(QStringLiteral("text:list-item"));
    } else if (w.open - 1 >= level) {
        while (w.open - 1 > level) {
            x.writeEndElement(); // text:list-item
            x.writeEndElement(); // text:list
            --w.open;
        }
        x.writeEndElement(); // the item before, of the same level
        startItem();
        return;
    }
    // Deeper: a text:list in the item open for each level between.
    while (w.open - 1 < level) {
        x.writeStartElement(QStringLiteral("text:list"));
        ++w.open;
        if (w.open - 1 < level)
            x.writeStartElement(QStringLiteral("text:list-item"));
    }
    startItem();
}

void Writer::closeLists(Walk &w)
{
    while (w.open > 0) {
        w.x->writeEndElement(); // text:list-item
        w.x->writeEndElement(); // text:list
        --w.open;
    }
    w.openKey.clear();
}

} // namespace odt::detail
