// Lists written as RTF: a \listtable and \listoverridetable for list-aware
// readers, \ls and \ilvl on each item, and the label as \listtext for
// readers that know no lists.

#include "writerimpl.h"

#include "rtf/levelnfc.h"
#include "rtf/readerlimits.h"
#include "model/lists.h"

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
    // Control symbols (\~, \-, \_, \line) are no characters of a
    // \leveltext to its readers: the same characters as bytes or \uN.
    switch (c.unicode()) {
    case QChar::Nbsp:
        return "\\'a0";
    case QChar::SoftHyphen:
        return "\\'ad";
    case 0x2011: // non-breaking hyphen
        return "\\u8209?";
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
    case QChar::ObjectReplacementCharacter:
        return " ";
    default:
        break;
    }
    QByteArray out;
    if (c.unicode() < 0x20)
        return " ";
    appendEscaped(out, QStringView(&c, 1));
    return out;
}

QByteArray hexByte(int v)
{
    QByteArray b;
    appendHexEscape(b, uchar(v));
    return b;
}

} // namespace

void Writer::collectList(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list || m_listIndex.contains(list))
        return;
    const QTextListFormat f = list->format();
    const size_t level = size_t(levelOf(f));
    // Lists read as the levels of one RTF list are written as one again,
    // unless that level is another list's already: the same level with
    // other labels is a list of its own, or a reload would give it the
    // other list's labels. (A long list read in parts that count on is
    // still one.)
    const auto labels = [](QTextListFormat l) {
        l.clearProperty(ListStartNumber);
        return l;
    };
    int index = f.hasProperty(ListGroup) ? m_listGroups.value(f.intProperty(ListGroup), -1) : -1;
    if (index >= 0) {
        const QTextList *taken = m_lists[size_t(index)].levels[level];
        if (taken && labels(taken->format()) != labels(f))
            index = -1;
    } else if (f.hasProperty(ListGroup)) {
        m_listGroups.insert(f.intProperty(ListGroup), int(m_lists.size()));
    }
    if (index < 0) {
        index = int(m_lists.size());
        m_lists.emplace_back();
    }
    if (!m_lists[size_t(index)].levels[level])
        m_lists[size_t(index)].levels[level] = list;
    m_listIndex.insert(list, index + 1);
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
        const auto &levels = m_lists[i].levels;
        const QTextList *first = *std::find_if(levels.begin(), levels.end(), [](const QTextList *l) { return l; });
        const QByteArray id = QByteArray::number(i + 1);
        out += "\r\n{\\list\\listtemplateid" + id;
        // A level without a list of its own is written as the first one,
        // so a reader that takes another level than \ilvl names still
        // shows the list.
        for (int level = 0; level < 9; ++level) {
            const QTextList *own = levels[size_t(level)];
            const QTextListFormat f = (own ? own : first)->format();
            // A bullet list without a label (LibreOffice's \levelnfc255)
            // stays one: a blank bullet would be read as a bullet.
            const QString bullet = bulletText(f);
            const bool noLabel = f.style() == QTextListFormat::ListDisc
                && std::all_of(bullet.cbegin(), bullet.cend(), [](QChar c) { return c == u' '; });
            const bool leadingZero = f.style() == QTextListFormat::ListDecimal && f.boolProperty(ListLeadingZero);
            const int nfc = noLabel ? 255 : leadingZero ? 22 : levelNfcOf(f.style());
            const int start = f.hasProperty(ListStartNumber) ? f.intProperty(ListStartNumber) : 1;
            out += "{\\listlevel\\levelnfc" + QByteArray::number(nfc) + "\\levelnfcn" + QByteArray::number(nfc)
                + "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat" + QByteArray::number(std::max(0, start));
            if (f.boolProperty(ListLegal))
                out += "\\levellegal1";
            QByteArray text;
            QByteArray numbers;
            int length = 0;
            // A level's text holds 255 characters by its length byte, as
            // many as the reader keeps, so every label comes back whole.
            const QString pattern = own ? f.stringProperty(ListLevelTemplate).left(limits::maxLevelTextLength) : QString();
            if (noLabel) {
                // no text at all
            } else if (nfc == 23) {
                for (const QChar c : bulletText(f).left(limits::maxLevelTextLength)) {
                    text += labelCharacter(c);
                    ++length;
                }
            } else if (!pattern.isEmpty()) {
                for (const QChar c : pattern) {
                    ++length;
                    if (c.unicode() < 9) {
                        text += hexByte(c.unicode());
                        numbers += hexByte(length);
                    } else {
                        text += labelCharacter(c);
                    }
                }
            } else {
                for (const QChar c : f.numberPrefix().left(limits::maxLevelTextLength - 1)) {
                    text += labelCharacter(c);
                    ++length;
                }
                text += hexByte(level);
                numbers += hexByte(++length);
                for (const QChar c : numberSuffix(f).left(limits::maxLevelTextLength - length)) {
                    text += labelCharacter(c);
                    ++length;
                }
            }
            out += "{\\leveltext" + hexByte(length) + text + ";}{\\levelnumbers" + numbers;
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
    // A list in a note or header is not in the body's list table: readers
    // see its label only.
    const int ls = m_listIndex.value(list, 0);
    if (ls <= 0 && !m_parent)
        return;
    if (ls > 0)
        out += "\\ls" + QByteArray::number(ls) + "\\ilvl" + QByteArray::number(levelOf(list->format()));
    // The label, in the format of the item's first character, for readers
    // that know no lists.
    int format = block.charFormatIndex();
    if (const QTextBlock::iterator it = firstWritten(m_doc, block); !it.atEnd())
        format = it.fragment().charFormatIndex();
    out += "{\\listtext" + codeOf(format);
    QString label = m_numbering.label(block);
    label.removeIf([](QChar c) { return c.unicode() < 0x20; });
    appendEscaped(out, label);
    out += "\\tab}";
}

} // namespace rtf::detail
