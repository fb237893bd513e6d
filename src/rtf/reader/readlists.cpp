// Lists: \listtable, \listoverridetable, \ls and \ilvl, and the older
// {\*\pn ...} numbering, read into QTextList. A label the file gives for
// readers without lists (\listtext, \pntext) is dropped when the list is
// understood, and kept as text when it is not.

#include "rtf/levelnfc.h"
#include "readerimpl.h"

#include "model/lists.h"

#include <QTextDocument>
#include <QTextList>
#include <QTextListFormat>

namespace rtf::detail {

namespace {

// OpenSymbol (StarSymbol before it) draws the bullets LibreOffice offers
// from the private use area; these are the characters their shapes are.
// Written with \fcharset2 their low byte stands for them, and byte 0x96
// is the plain bullet that other word processors show for it.
char16_t openSymbolBullet(char16_t c)
{
    switch (c) {
    case 0x0A:
    case 0xE00A: return 0x25AA; // square
    case 0x0C:
    case 0xE00C: return 0x2666; // diamond
    case 0x0D:
    case 0xE00D: return 0x2756;
    case 0x96: return 0x2022;
    default: return 0;
    }
}

bool isOpenSymbol(const QString &name)
{
    return name.startsWith(QLatin1StringView("OpenSymbol"), Qt::CaseInsensitive)
        || name.startsWith(QLatin1StringView("StarSymbol"), Qt::CaseInsensitive);
}
} // namespace

void Reader::listWord(std::string_view name, bool hasParam, int param, bool star)
{
    const int v = hasParam ? param : 0;
    if (m_st.dest == Dest::LevelText || m_st.dest == Dest::PnText) {
        if (name == "u" && hasParam) {
            const int c = v < 0 ? v + 65536 : v;
            if (m_st.dest == Dest::LevelText && c >= 0 && c <= 0xFFFF && m_curLevel >= 0) {
                auto &text = m_lists[size_t(m_curList)].levels[size_t(m_curLevel)].text;
                if (text.size() <= size_t(limits::maxLevelTextLength))
                    text.push_back(0x10000 + c);
            }
            m_tok.skipFallback(m_st.uc);
        } else if (name == "uc") {
            m_st.uc = quint8(clampInt(hasParam ? param : 1, 0, limits::maxUnicodeSkip));
        }
        return;
    }
    if (star || name == "listname" || name == "levelnumbers" || name == "pntext" || name == "listtext") {
        m_st.dest = Dest::Skip;
        return;
    }
    if (m_st.dest == Dest::PnDef) {
        ListLevelDef &pn = *m_pn;
        if (name == "pnlvl") {
            pn.level = clampInt(qint64(v) - 1, 0, limits::maxListLevels - 1);
            pn.nfc = 0;
        } else if (name == "pnlvlblt") {
            pn.nfc = 23;
        } else if (name == "pnlvlbody") {
            pn.nfc = 0;
        } else if (name == "pnlvlcont") {
            m_pnCont = true;
        } else if (name == "pndec" || name == "pnord" || name == "pncard" || name == "pnordt") {
            pn.nfc = 0;
        } else if (name == "pnucrm") {
            pn.nfc = 1;
        } else if (name == "pnlcrm") {
            pn.nfc = 2;
        } else if (name == "pnucltr") {
            pn.nfc = 3;
        } else if (name == "pnlcltr") {
            pn.nfc = 4;
        } else if (name == "pnstart") {
            pn.start = std::max(0, v);
        } else if (name == "pnf") {
            pn.font = v;
        } else if (name == "pntxtb" || name == "pntxta") {
            m_st.dest = Dest::PnText;
            m_pnAfter = name == "pntxta";
        }
        return;
    }
    // \listtable and \listoverridetable
    ListLevelDef *level = m_curList >= 0 && m_curLevel >= 0 ? &m_lists[size_t(m_curList)].levels[size_t(m_curLevel)] : nullptr;
    if (name == "list") {
        m_curLevel = -1;
        m_curList = -1;
        if (!m_readingOverrides && m_lists.size() < size_t(limits::maxLists)) {
            m_lists.emplace_back();
            m_curList = int(m_lists.size()) - 1;
        }
    } else if (name == "listid") {
        if (m_readingOverrides) {
            m_overrideList = v;
        } else if (m_curList >= 0) {
            m_lists[size_t(m_curList)].id = v;
            if (!m_listById.contains(v))
                m_listById.insert(v, m_curList);
        }
    } else if (name == "liststyleid") {
        if (m_curList >= 0 && !m_readingOverrides)
            m_lists[size_t(m_curList)].styleId = v;
    } else if (name == "listoverride") {
        m_overrideList = INT_MIN;
        m_curList = m_curLevel = -1;
    } else if (name == "ls") {
        if (m_readingOverrides && m_overrideList != INT_MIN && m_overrides.size() < limits::maxLists
            && !m_overrides.contains(v)) {
            m_overrides.insert(v, m_overrideList);
        }
    } else if (name == "listlevel") {
        m_curLevel = -1;
        if (m_curList >= 0 && !m_readingOverrides) {
            auto &levels = m_lists[size_t(m_curList)].levels;
            if (levels.size() < size_t(limits::maxListLevels)) {
                levels.emplace_back();
                m_curLevel = int(levels.size()) - 1;
            }
        }
    } else if (!level) {
        return;
    } else if (name == "levelnfc" || name == "levelnfcn") {
        level->nfc = v;
    } else if (name == "levellegal") {
        level->legal = !hasParam || v != 0;
    } else if (name == "levelpicture") {
        level->picture = true;
    } else if (name == "levelstartat") {
        level->start = std::max(0, v);
    } else if (name == "leveltext") {
        level->text.clear();
        m_st.dest = Dest::LevelText;
    } else if (name == "f") {
        level->font = v;
    } else if (name == "li" || name == "lin") {
        level->li = clampInt(v, -limits::maxTwips, limits::maxTwips);
        level->hasIndent = true;
    } else if (name == "fi") {
        level->fi = clampInt(v, -limits::maxTwips, limits::maxTwips);
    }
}

void Reader::levelTextByte(uchar byte)
{
    if (m_curList < 0 || m_curLevel < 0)
        return;
    auto &text = m_lists[size_t(m_curList)].levels[size_t(m_curLevel)].text;
    if (text.size() <= size_t(limits::maxLevelTextLength))
        text.push_back(byte);
}

void Reader::finishPn()
{
    m_st.par.pn = -1;
    if (!m_pn || m_pnCont)
        return;
    const ListLevelDef &pn = *m_pn;
    QByteArray key = QByteArray::number(pn.nfc) + ',' + QByteArray::number(pn.start) + ','
        + QByteArray::number(pn.font) + ',' + QByteArray::number(pn.level) + ',' + pn.before.toHex() + ','
        + pn.after.toHex();
    auto it = m_pnIndex.constFind(key);
    if (it != m_pnIndex.cend()) {
        m_st.par.pn = *it;
    } else if (m_pnDefs.size() < size_t(limits::maxLists)) {
        m_pnDefs.push_back(pn);
        m_st.par.pn = int(m_pnDefs.size()) - 1;
        m_pnIndex.insert(key, m_st.par.pn);
    }
}

void Reader::beginListText()
{
    // The label is read as text of its paragraph, and taken out again at
    // the paragraph's end when the paragraph is in a list this reader
    // understands.
    // Into the paragraph's table first: a table that opens with the label
    // would otherwise leave its start behind, before the table.
    enterParagraph();
    flushRun();
    m_st.listText = true;
    m_b.listTextStart = m_b.cursor.position();
    m_b.listTextEnd = -1;
    m_b.heldLabel.clear();
}

void Reader::endListText()
{
    // The label of an item already in a list this reader understands is
    // held back rather than inserted and taken out again at the paragraph's
    // end; it goes in only if the paragraph leaves the list by then.
    if (m_b.listTextStart >= 0 && m_b.cursor.block().textList()) {
        decodePending();
        if (!m_b.run.isEmpty()) {
            m_b.heldLabel += m_b.run;
            m_b.heldLabelFormat = charFormat(m_b.runProps);
            m_b.run.resize(0);
            m_b.blockHasText = true;
        }
    } else {
        flushRun();
    }
    if (m_b.listTextStart >= 0)
        m_b.listTextEnd = m_b.cursor.position();
}

void Reader::placeHeldLabel()
{
    if (m_b.heldLabel.isEmpty())
        return;
    if (!m_b.cursor.block().textList() && m_b.listTextStart >= m_b.cursor.block().position()) {
        QTextCursor label(m_b.cursor.document());
        label.setPosition(m_b.listTextStart);
        label.insertText(m_b.heldLabel, m_b.heldLabelFormat);
    }
    m_b.heldLabel.clear();
}

QString Reader::levelLabel(const ListLevelDef &level)
{
    // The label as its font shows it: a symbol font's bytes, and its \uN in
    // the private use area, are the characters the font draws.
    FontEntry *font = nullptr;
    if (level.font >= 0) {
        auto it = m_fonts.find(level.font);
        if (it != m_fonts.end() && it->done)
            font = &*it;
    }
    const int cp = font && font->codepage ? font->codepage : m_ansiCp;
    const bool openSymbol = font && (isOpenSymbol(font->name) || isOpenSymbol(font->alt));
    auto decodeChar = [&](int item) -> char16_t {
        char16_t c;
        if (item >= 0x10000) {
            c = char16_t(item - 0x10000);
            if (openSymbol && c >= 0xE000 && c <= 0xF8FF) {
                const char16_t b = openSymbolBullet(char16_t(c >= 0xF000 ? c - 0xF000 : c));
                return b ? b : c;
            }
            if (c >= 0xF020 && c <= 0xF0FF && (cp == symbolCodepage || cp == pictographCodepage))
                c = symbolCharacter(cp, uchar(c - 0xF000));
            return c;
        }
        if (openSymbol) {
            if (const char16_t b = openSymbolBullet(char16_t(item)))
                return b;
        }
        QString out;
        const char byte = char(item);
        m_decoder.decode(cp, QByteArrayView(&byte, 1), out);
        return out.isEmpty() ? char16_t(0) : out.at(0).unicode();
    };
    QString text;
    if (!level.text.empty()) {
        // The first character counts the rest; characters 0 to 8 stand for
        // the numbers of the levels.
        const size_t n = std::min<size_t>(size_t(level.text.front() & 0xFF), level.text.size() - 1);
        for (size_t i = 1; i <= n; ++i) {
            const int item = level.text[i];
            const int value = item >= 0x10000 ? item - 0x10000 : item;
            if (value < limits::maxListLevels) {
                text += QChar(char16_t(value)); // kept as a marker
                continue;
            }
            const char16_t c = decodeChar(item);
            if (c && isText(c) && c != u'\t')
                text += QChar(c);
        }
    } else if (level.pn) {
        // \pn: the text before, the number, the text after, cut to what a
        // list level's text holds, as a save writes it.
        const auto decoded = [&](const QByteArray &bytes) {
            QString out;
            for (char b : bytes) {
                const char16_t c = decodeChar(uchar(b));
                if (c && isText(c) && c != u'\t')
                    out += QChar(c);
            }
            return out;
        };
        const bool numbered = level.nfc != 23;
        text = decoded(level.before).left(limits::maxLevelTextLength - (numbered ? 1 : 0));
        if (numbered)
            text += QChar(char16_t(level.level));
        text += decoded(level.after).left(limits::maxLevelTextLength - text.size());
    }
    return text;
}

int Reader::listObject(const ParProps &par)
{
    const ListLevelDef *level = nullptr;
    int ilvl = 0;
    quint64 key = 0;
    // \ls of a list the file defines; a Word 97 file may name a list it
    // never defines and give the \pn numbering beside it, which then holds.
    const auto lsLevels = [&]() -> const std::vector<ListLevelDef> * {
        const auto o = m_overrides.constFind(par.ls);
        if (o == m_overrides.cend())
            return nullptr;
        auto l = m_listById.constFind(*o);
        // A list may take its levels from another one; chains end after
        // a bounded number of steps, so a loop cannot hang the reader.
        for (int step = 0; l != m_listById.cend() && m_lists[size_t(*l)].levels.empty()
             && step < limits::maxListStyleChain;
             ++step) {
            l = m_listById.constFind(m_lists[size_t(*l)].styleId);
        }
        if (l == m_listById.cend() || m_lists[size_t(*l)].levels.empty())
            return nullptr;
        return &m_lists[size_t(*l)].levels;
    };
    const std::vector<ListLevelDef> *levels = par.ls > 0 ? lsLevels() : nullptr;
    if (par.ls > 0 && !levels && par.pn < 0)
        return -1; // a list the file does not define: its \listtext stays
    if (levels) {
        ilvl = std::min(par.ilvl, int(levels->size()) - 1);
        level = &(*levels)[size_t(ilvl)];
        // The level the list has: an \ilvl past its last level is that level.
        key = (quint64(uint(par.ls)) << 8) | uint(ilvl);
        m_b.lastPnKey = 0;
    } else if (par.pn >= 0 && size_t(par.pn) < m_pnDefs.size()) {
        level = &m_pnDefs[size_t(par.pn)];
        ilvl = level->level;
        key = (quint64(1) << 48) | (quint64(uint(par.pn)) << 8) | uint(ilvl);
        // Paragraph numbering restarts after a paragraph without it.
        if (m_b.lastPnKey != key)
            m_b.textLists.remove(key);
        m_b.lastPnKey = key;
    } else {
        m_b.lastPnKey = 0;
        return -1;
    }

    // Qt marks every item of a list for layout again when one is added, so
    // a list of n items costs n * n: long lists are made of several Qt
    // lists that go on counting where the one before stopped.
    int offset = 0;
    if (auto it = m_b.textLists.find(key); it != m_b.textLists.end()) {
        const auto *list = qobject_cast<const QTextList *>(m_b.cursor.document()->object(it->object));
        const int most = level->nfc == 23 || level->nfc == 255 ? limits::maxBulletListRun : limits::maxNumberedListRun;
        if (!list || m_b.cursor.block().textList() == list || list->count() < most)
            return it->object;
        offset = it->first + list->count();
        m_b.textLists.erase(it);
    }

    QTextListFormat f;
    f.setIndent(ilvl + 1);
    const QString label = levelLabel(*level);
    if (level->nfc == 23 || level->nfc == 255) {
        QString bullet = label;
        bullet.removeIf([](QChar c) { return c.unicode() < limits::maxListLevels; });
        // A picture bullet's text is for readers without the picture,
        // often a character of a font that is not there: a plain bullet
        // stands for the picture.
        if ((bullet.isEmpty() || level->picture) && level->nfc == 23)
            bullet = QStringLiteral("\u2022");
        const int style = model::bulletStyle(bullet);
        f.setStyle(QTextListFormat::Style(style));
        if (bullet != bulletText(QTextListFormat(f)) || bullet.isEmpty())
            f.setProperty(ListBulletText, bullet.isEmpty() ? QStringLiteral(" ") : bullet);
    } else {
        f.setStyle(QTextListFormat::Style(listStyleOfNfc(level->nfc)));
        if (!label.isEmpty() || level->pn) {
            // Numbers of the levels above ("1.2.") are not shown, Qt numbers
            // one level; the whole label is kept for the writer and the export.
            if (model::setLabelAffixes(f, label, ilvl).compound && levels)
                f.setProperty(ListLevelTemplate, label);
        }
        if (level->nfc == 22)
            f.setProperty(ListLeadingZero, true);
        if (level->legal)
            f.setProperty(ListLegal, true);
        if (qint64(level->start) + offset != 1)
            f.setProperty(ListStartNumber, int(std::min<qint64>(qint64(level->start) + offset, INT_MAX)));
    }
    if (levels)
        f.setProperty(ListGroup, par.ls);
    QTextCursor c(m_b.cursor);
    QTextList *list = c.createList(f);
    m_b.textLists.insert(key, ListRun{list->objectIndex(), offset});
    return list->objectIndex();
}

void Reader::attachList(const ParProps &par)
{
    if (par.ls <= 0 && par.pn < 0) {
        m_b.lastPnKey = 0;
        return;
    }
    const int object = listObject(par);
    if (object < 0)
        return;
    // Qt puts the label in the margin of the list's indent; the paragraph
    // keeps what its own indent adds to that.
    const QTextDocument *doc = m_b.cursor.document();
    QTextBlockFormat f;
    f.setObjectIndex(object);
    int li = par.li;
    if (li == 0 && par.ls > 0) {
        if (auto o = m_overrides.constFind(par.ls); o != m_overrides.cend()) {
            if (auto l = m_listById.constFind(*o); l != m_listById.cend()) {
                const auto &levels = m_lists[size_t(*l)].levels;
                if (!levels.empty())
                    li = levels[size_t(std::min(par.ilvl, int(levels.size()) - 1))].li;
            }
        }
    }
    const auto *list = qobject_cast<const QTextList *>(doc->object(object));
    const double listIndent = list ? list->format().indent() * doc->indentWidth() : 0;
    f.setLeftMargin(std::max(0.0, li / kTwipsPerPixel - listIndent));
    f.setTextIndent(0);
    m_b.cursor.mergeBlockFormat(f);
}

} // namespace rtf::detail
