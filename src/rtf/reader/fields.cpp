// Fields: hyperlinks, whose instruction the editor uses, and SYMBOL
// fields, whose character shows when the file stored no result.

#include "readerimpl.h"

namespace rtf::detail {

int Reader::linkIndex(const QString &target)
{
    auto it = m_linkIndex.constFind(target);
    if (it != m_linkIndex.cend())
        return *it;
    if (m_links.size() >= limits::maxTableEntries)
        return -1; // the text stays, as text without its link
    m_links.append(target);
    m_linkIndex.insert(target, int(m_links.size() - 1));
    return int(m_links.size() - 1);
}

SymbolField symbolField(const QString &instruction)
{
    SymbolField s;
    const QStringList args = fieldArguments(instruction);
    if (args.size() < 2 || args[0].compare(QLatin1StringView("SYMBOL"), Qt::CaseInsensitive) != 0)
        return s;
    bool ok = false;
    const QString &number = args[1];
    if (number.startsWith(QLatin1StringView("0x"), Qt::CaseInsensitive))
        s.code = number.mid(2).toUInt(&ok, 16);
    else
        s.code = number.toUInt(&ok, 10);
    if (!ok || s.code == 0)
        return s;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.size() != 2 || a[0] != u'\\')
            continue;
        switch (a[1].toLower().unicode()) {
        case u'f':
        case u's': // the size: an argument, not used
            if (i + 1 < args.size()) {
                // As a font table names it: a save writes the face there.
                if (a[1].toLower() == u'f')
                    s.font = args[i + 1].trimmed();
                ++i;
            }
            break;
        case u'u':
            s.unicode = true;
            break;
        case u'a': // ANSI, the default
        default:
            break;
        }
    }
    s.valid = true;
    return s;
}

void Reader::endFieldInstruction()
{
    const SymbolField sym = symbolField(m_fieldInst);
    if (!sym.valid)
        return;
    // Of fonts of the same name, the one of the lowest number: the table is
    // a hash, whose order changes from one run to the next.
    auto fontEntry = [&]() -> const FontEntry * {
        const FontEntry *found = nullptr;
        int number = 0;
        for (auto it = m_fonts.cbegin(); it != m_fonts.cend(); ++it) {
            if (it->name.compare(sym.font, Qt::CaseInsensitive) == 0 && (!found || it.key() < number)) {
                found = &*it;
                number = it.key();
            }
        }
        return found;
    };
    int cp = 0;
    m_symbolFamily.clear();
    if (!sym.font.isEmpty()) {
        const FontEntry *f = fontEntry();
        static const char *const pictographs[] = {"Wingdings", "Webdings", "Zapf Dingbats", "ZapfDingbats", "Marlett"};
        if (sym.font.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) == 0)
            cp = symbolCodepage;
        else if ((f && (f->charset == 2 || f->codepage == pictographCodepage))
                 || std::any_of(std::begin(pictographs), std::end(pictographs), [&](const char *p) {
                        return sym.font.startsWith(QLatin1StringView(p), Qt::CaseInsensitive);
                    }))
            cp = pictographCodepage;
        else
            m_symbolFamily = f && !f->family.isEmpty() ? f->family : withoutCodepageSuffix(sym.font);
        if (!cp)
            cp = f && f->codepage ? f->codepage : m_ansiCp;
    } else {
        cp = codepage();
    }
    quint32 code = sym.code;
    m_symbolText.clear();
    if (!sym.unicode && (cp == symbolCodepage || cp == pictographCodepage) && code >= 0xF020 && code <= 0xF0FF)
        code -= 0xF000; // a symbol font's byte in the private use area
    if (sym.unicode || code > 0xFF) {
        if (code <= 0x10FFFF && QChar::isPrint(char32_t(code)))
            m_symbolText = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
    } else if (cp == symbolCodepage || cp == pictographCodepage) {
        m_symbolText = QChar(symbolCharacter(cp, uchar(code)));
    } else {
        const char byte = char(code);
        m_decoder.decode(cp, QByteArrayView(&byte, 1), m_symbolText);
    }
    if (m_symbolText.isEmpty() || !std::all_of(m_symbolText.cbegin(), m_symbolText.cend(), [](QChar c) {
            return isText(c.unicode()) || c.isSurrogate();
        })) {
        return;
    }
    m_symbolDepth = qsizetype(m_stack.size());
    m_symbolMark = m_bodyText;
}

// The field's group ended: its character stands where the file stored no
// result.
void Reader::endSymbolField()
{
    m_symbolDepth = -1;
    if (m_bodyText != m_symbolMark || m_st.dest != Dest::Body || m_st.chr.hidden)
        return;
    beforeText();
    flushRun();
    QTextCharFormat f = charFormat(m_st.chr);
    if (!m_symbolFamily.isEmpty())
        f.setFontFamilies(QStringList(m_symbolFamily));
    m_b.cursor.insertText(m_symbolText, f);
    ++m_runs;
    ++m_bodyText;
    m_b.blockHasText = true;
}

} // namespace rtf::detail
