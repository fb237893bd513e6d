// Lists written as RTF: a \listtable and \listoverridetable for list-aware
// readers, \ls and \ilvl on each item, and the label as \listtext for
// readers that know no lists.

#include "writerimpl.h"

#include "lists.h"

#include <QTextListFormat>

#include <algorithm>

namespace rtf::detail {

namespace {

int levelOf(const QTextListFormat &f)
{
    return std::clamp(f.indent() - 1, 0, 8);
}

// A label character as RTF text: one character of \leveltext each, so
// the length byte stays right.
QByteArray labelCharacter(QChar c)
{
    QByteArray out;
    if (c.unicode() < 0x20)
        return " ";
    appendEscaped(out, QStringView(&c, 1));
    return out;
}

QByteArray hexByte(int v)
{
    static const char kHex[] = "0123456789abcdef";
    const char b[4] = {'\\', '\'', kHex[(v >> 4) & 15], kHex[v & 15]};
    return QByteArray(b, 4);
}

} // namespace

void Writer::collectList(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list || m_listIndex.contains(list))
        return;
    m_lists.push_back(list);
    m_listIndex.insert(list, int(m_lists.size()));
}

double Writer::listIndentOf(const QTextBlockFormat &f) const
{
    const auto *list = qobject_cast<const QTextList *>(m_doc.objectForFormat(f));
    return list ? std::max(0, list->format().indent()) * m_doc.indentWidth() : 0.0;
}

void Writer::writeListTables(QByteArray &out)
{
    if (m_lists.empty())
        return;
    out += "{\\*\\listtable";
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const QTextListFormat f = m_lists[i]->format();
        const int nfc = levelNfcOf(f.style());
        const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
        const QByteArray id = QByteArray::number(i + 1);
        out += "\r\n{\\list\\listtemplateid" + id;
        // Every level the same, so a reader that takes another level than
        // \ilvl names still shows this list.
        for (int level = 0; level < 9; ++level) {
            out += "{\\listlevel\\levelnfc" + QByteArray::number(nfc) + "\\levelnfcn" + QByteArray::number(nfc)
                + "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat" + QByteArray::number(std::max(0, start));
            QByteArray text;
            int length = 0;
            int numberAt = 0;
            if (nfc == 23) {
                for (const QChar c : bulletText(f).left(32)) {
                    text += labelCharacter(c);
                    ++length;
                }
            } else {
                for (const QChar c : f.numberPrefix().left(32)) {
                    text += labelCharacter(c);
                    ++length;
                }
                text += hexByte(level);
                numberAt = ++length;
                for (const QChar c : numberSuffix(f).left(32)) {
                    text += labelCharacter(c);
                    ++length;
                }
            }
            out += "{\\leveltext" + hexByte(length) + text + ";}{\\levelnumbers";
            if (numberAt)
                out += hexByte(numberAt);
            out += ";}\\fi-360\\li" + QByteArray::number(720 * (level + 1)) + "}";
        }
        out += "{\\listname ;}\\listid" + id + "}";
    }
    out += "}\r\n{\\*\\listoverridetable";
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const QByteArray id = QByteArray::number(i + 1);
        out += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + "}";
    }
    out += "}\r\n";
}

void Writer::writeListText(QByteArray &out, const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return;
    const int ls = m_listIndex.value(list, 0);
    if (ls <= 0)
        return;
    out += "\\ls" + QByteArray::number(ls) + "\\ilvl" + QByteArray::number(levelOf(list->format()));
    // The label, in the format of the item's first character, for readers
    // that know no lists.
    int format = block.charFormatIndex();
    if (QTextBlock::iterator it = block.begin(); !it.atEnd())
        format = it.fragment().charFormatIndex();
    out += "{\\listtext" + codeOf(format);
    QString label = listLabel(block);
    label.removeIf([](QChar c) { return c.unicode() < 0x20; });
    appendEscaped(out, label);
    out += "\\tab}";
}

} // namespace rtf::detail
