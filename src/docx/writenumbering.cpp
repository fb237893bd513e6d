// Lists as word/numbering.xml: each list of the model (the QTextLists that
// share a ListGroup are the levels of one list) is one abstract numbering
// with nine levels and one numbering instance that its items name.

#include "writerimpl.h"

#include <QTextListFormat>

#include <algorithm>

namespace docx::detail {

namespace {

int levelOf(const QTextListFormat &f)
{
    return std::clamp(f.indent() - 1, 0, 8);
}

const char *numFmtOf(int style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return "decimal";
    case QTextListFormat::ListUpperRoman: return "upperRoman";
    case QTextListFormat::ListLowerRoman: return "lowerRoman";
    case QTextListFormat::ListUpperAlpha: return "upperLetter";
    case QTextListFormat::ListLowerAlpha: return "lowerLetter";
    default: return "bullet";
    }
}

// Label text as a level's text: no control characters, at most what Word
// keeps.
QString labelText(const QString &s)
{
    QString out = xmlSafe(s);
    out.removeIf([](QChar c) { return c.unicode() < 0x20 || c == QChar::ObjectReplacementCharacter; });
    return out.left(255);
}

} // namespace

Writer::ListRef Writer::listOf(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    const int level = levelOf(f);
    if (const auto it = m_listIndex.constFind(list); it != m_listIndex.cend())
        return {*it, level};
    if (m_lists.size() >= 4096)
        return {};
    // Lists read as the levels of one list are written as one again; a
    // group is known only within its own document.
    int numId = 0;
    const bool grouped = f.hasProperty(ListGroup) && block.document() == &m_doc;
    if (grouped)
        numId = m_listGroups.value(f.intProperty(ListGroup), 0);
    if (numId == 0) {
        m_lists.emplace_back();
        numId = int(m_lists.size());
        if (grouped)
            m_listGroups.insert(f.intProperty(ListGroup), numId);
    }
    auto &levels = m_lists[size_t(numId - 1)].levels;
    if (!levels[size_t(level)])
        levels[size_t(level)] = list;
    m_listIndex.insert(list, numId);
    return {numId, level};
}

QByteArray Writer::numberingXml() const
{
    Xml x;
    x.start(QStringLiteral("w:numbering"));
    x.attr(QStringLiteral("xmlns:w"), QLatin1StringView(kNsW));
    const double indentWidth = m_doc.indentWidth() > 0 ? m_doc.indentWidth() : 40.0;
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const auto &levels = m_lists[i].levels;
        const QTextList *first = *std::find_if(levels.begin(), levels.end(), [](const QTextList *l) { return l; });
        x.start(QStringLiteral("w:abstractNum"));
        x.attr(QStringLiteral("w:abstractNumId"), QString::number(i));
        x.val(QStringLiteral("w:multiLevelType"), QStringLiteral("hybridMultilevel"));
        for (int level = 0; level < 9; ++level) {
            // A level without a list of its own is written as the first,
            // so an item a reader puts at another level still shows.
            const QTextList *own = levels[size_t(level)];
            const QTextListFormat f = (own ? own : first)->format();
            const QString fmt = QLatin1StringView(numFmtOf(f.style()));
            const bool bullet = fmt == QLatin1StringView("bullet");
            QString text;
            if (bullet) {
                text = labelText(bulletText(f));
                if (text.isEmpty())
                    text = QStringLiteral("\u2022");
            } else if (const QString pattern = own ? f.stringProperty(ListLevelTemplate) : QString(); !pattern.isEmpty()) {
                for (const QChar c : pattern.left(255)) {
                    if (c.unicode() < 9)
                        text += u'%' + QString::number(c.unicode() + 1);
                    else if (c.unicode() >= 0x20)
                        text += c;
                }
                text = xmlSafe(text);
            } else {
                text = labelText(f.numberPrefix()) + u'%' + QString::number(level + 1) + labelText(numberSuffix(f));
            }
            x.start(QStringLiteral("w:lvl"));
            x.attr(QStringLiteral("w:ilvl"), QString::number(level));
            const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
            x.val(QStringLiteral("w:start"), std::clamp(start, 0, 32767));
            x.val(QStringLiteral("w:numFmt"), fmt);
            x.val(QStringLiteral("w:lvlText"), text);
            x.val(QStringLiteral("w:lvlJc"), QStringLiteral("left"));
            x.start(QStringLiteral("w:pPr"));
            x.empty(QStringLiteral("w:ind"));
            const int left = qRound((level + 1) * indentWidth * 15);
            x.attr(QStringLiteral("w:left"), QString::number(std::clamp(left, 0, 31680)));
            x.attr(QStringLiteral("w:hanging"), QString::number(std::min(360, left)));
            x.end();
            x.end();
        }
        x.end();
    }
    for (size_t i = 0; i < m_lists.size(); ++i) {
        x.start(QStringLiteral("w:num"));
        x.attr(QStringLiteral("w:numId"), QString::number(i + 1));
        x.val(QStringLiteral("w:abstractNumId"), int(i));
        x.end();
    }
    x.end();
    return x.finish();
}

} // namespace docx::detail
