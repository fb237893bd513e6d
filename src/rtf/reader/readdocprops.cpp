// Document properties the editor does not show (see docprops.h): page
// setup and section words as read, headers and footers read like notes
// into documents of their own, \info fields, \deftab and \deflang.

#include "readerimpl.h"

#include "rtf/writer/writerimpl.h"
#include "model/docprops.h"

#include <QDateTime>
#include <QLatin1StringView>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextFrame>

#include <algorithm>

namespace rtf::detail {

namespace {

// A time of the \\info group ("\\yr2024\\mo3\\dy5\\hr10\\min7"); invalid
// without a year.
QDateTime infoTime(const QByteArray &words)
{
    int yr = -1, mo = 1, dy = 1, hr = 0, min = 0, sec = 0;
    static const QRegularExpression word(QStringLiteral("\\\\([a-z]+)(-?\\d+)"));
    for (const QRegularExpressionMatch &m : word.globalMatch(QString::fromLatin1(words))) {
        const int v = m.capturedView(2).toInt();
        const QStringView name = m.capturedView(1);
        if (name == u"yr")
            yr = v;
        else if (name == u"mo")
            mo = v;
        else if (name == u"dy")
            dy = v;
        else if (name == u"hr")
            hr = v;
        else if (name == u"min")
            min = v;
        else if (name == u"sec")
            sec = v;
    }
    if (yr < 1)
        return {};
    return QDateTime(QDate(yr, mo, dy), QTime(hr, min, sec));
}

// Without facing pages a right page's header (or, where there is none, a
// left page's) is the header of every page, as Word shows it; other
// readers drop it under its own name. The same for footers.
void plainHeaders(QStringList &section)
{
    for (const QLatin1StringView kind : {QLatin1StringView("header"), QLatin1StringView("footer")}) {
        qsizetype plain = -1, right = -1, left = -1;
        for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
            const QString &name = section[i];
            if (!name.startsWith(kind))
                continue;
            const QStringView rest = QStringView(name).mid(kind.size());
            qsizetype *at = rest.isEmpty() ? &plain : rest == u"r" ? &right : rest == u"l" ? &left : nullptr;
            if (at && *at < 0)
                *at = i;
        }
        if (plain >= 0)
            continue;
        if (const qsizetype i = right >= 0 ? right : left; i >= 0)
            section[i] = kind;
    }
}

} // namespace

bool Reader::beginHeader(std::string_view name)
{
    if (m_noteDoc || m_st.dest != Dest::Body || m_sectionHeaders.size() >= 2 * 8)
        return false;
    beginSubDocument();
    m_subHeader = QByteArray(name.data(), qsizetype(name.size()));
    return true;
}

void Reader::pageWord(std::string_view name, bool hasParam, int param, bool section)
{
    if (m_st.dest != Dest::Body || m_noteDoc)
        return;
    std::string key(name);
    QByteArray word = '\\' + QByteArray(name.data(), qsizetype(name.size()));
    if (hasParam)
        word += QByteArray::number(clampInt(param, -limits::maxTwips * 4, limits::maxTwips * 4));
    // A word said again replaces what it said before.
    auto &words = section ? m_sectionWords : m_pageWords;
    for (auto &[k, v] : words) {
        if (k == key) {
            v = word;
            return;
        }
    }
    if (words.size() < 64)
        words.emplace_back(std::move(key), std::move(word));
}

void Reader::infoText(const QString &text)
{
    QString &field = m_info[size_t(m_st.infoField) % m_info.size()];
    if (field.size() < 4096)
        field += text.left(4096 - field.size());
}

void Reader::endSection(bool another)
{
    QStringList words{QString()};
    for (const auto &[k, v] : m_sectionWords)
        words[0] += QLatin1StringView(v);
    words += m_sectionHeaders;
    m_sections.back().words = words;
    m_sectionHeaders.clear();
    if (another) // at the next paragraph (openPendingParagraph() says which block)
        m_sections.push_back({Section::kAtNextParagraph, {}});
}

// \sect ends a paragraph as \par does, and the section with it.
void Reader::sectionBreak()
{
    // Right after a table's row the break ends the table and the section
    // with it: the next section starts at the paragraph after the table,
    // as a section is written that starts there.
    const bool afterRow = !m_noteDoc && m_b.tables.size() == 1 && !m_b.tables.back().cellOpen && m_b.parPending
        && tableLevel() > 0;
    // LibreOffice ends a section's last paragraph with \\par before \\sect
    // and means no empty paragraph by it; to Word "\\par\\sect" is one.
    const QString &generator = m_info[kGeneratorInfo];
    const bool parBeforeSect = generator.startsWith(QLatin1StringView("LibreOffice"))
        || generator.startsWith(QLatin1StringView("OpenOffice"));
    if (!afterRow && !(m_b.parPending && parBeforeSect))
        endParagraph();
    if (m_noteDoc || m_sections.size() >= size_t(limits::maxSections))
        return;
    endSection(true);
    // A section cannot start in a table: the next one starts after the
    // table (closeTable() says where).
    if (!m_b.tables.empty())
        m_sections.back().block = Section::kAfterTable;
    if (afterRow)
        closeTable();
}

void Reader::finishDocument()
{
    endSection(false);
    const bool facing = std::any_of(m_pageWords.cbegin(), m_pageWords.cend(),
                                    [](const auto &w) { return w.first == "facingp" && w.second != "\\facingp0"; });
    if (!facing) {
        for (Section &s : m_sections)
            plainHeaders(s.words);
    }
    QTextDocument *doc = m_b.cursor.document();
    QTextFrameFormat root = doc->rootFrame()->frameFormat();
    QByteArray page;
    for (const auto &[k, v] : m_pageWords)
        page += v;
    if (!page.isEmpty())
        root.setProperty(DocPageWords, QString::fromLatin1(page));
    if (m_defTab > 0)
        root.setProperty(DocDefaultTab, m_defTab);
    if (m_defLang > 0)
        root.setProperty(DocDefaultLanguage, m_defLang);
    if (const auto font = m_fonts.constFind(m_deff); font != m_fonts.cend() && !font->family.isEmpty())
        root.setProperty(DocDefaultFont, font->family);
    static const char *const textNames[] = {"title", "subject", "author", "manager", "company", "operator",
                                            "category", "keywords", "comment", "doccomm", "hlinkbase"};
    static const char *const timeNames[] = {"creatim", "revtim", "printim", "buptim"};
    QVariantMap info;
    for (size_t i = 0; i < std::size(textNames); ++i)
        info.insert(QLatin1StringView(textNames[i]), m_info[i]);
    for (size_t i = 0; i < std::size(timeNames); ++i) {
        if (const QDateTime t = infoTime(m_infoTimes[i]); t.isValid())
            info.insert(QLatin1StringView(timeNames[i]), t);
    }
    const QStringList &first = m_sections.front().words;
    if (first.size() > 1 || !first.value(0).isEmpty())
        root.setProperty(DocFirstSection, first);
    if (!m_styles.isEmpty()) // styles
        root.setProperty(DocStyles, styleSheet());
    doc->rootFrame()->setFrameFormat(root);
    model::setDocumentInfo(*doc, info);

    // Later sections start at their first paragraph.
    QTextCursor c(doc);
    for (size_t i = 1; i < m_sections.size(); ++i) {
        const QTextBlock b = doc->findBlockByNumber(m_sections[i].block);
        if (!b.isValid())
            break; // a break after the last paragraph starts nothing
        c.setPosition(b.position());
        QTextBlockFormat f;
        f.setProperty(SectionStart, m_sections[i].words);
        c.mergeBlockFormat(f);
    }
}

void Reader::endBookmark()
{
    // Control characters (DEL too) would make a piece no save writes.
    QString name = m_bookmarkName;
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    name = name.trimmed();
    if (name.isEmpty() || m_noteDoc)
        return;
    ++m_pieces;
    QByteArray rtf = m_bookmarkEnd ? "{\\*\\bkmkend " : "{\\*\\bkmkstart ";
    appendEscaped(rtf, name);
    rtf += '}';
    beforeText();
    flushRun();
    QTextCharFormat f = charFormat(m_st.chr);
    f.setObjectType(PieceObject); // drawn as nothing
    f.setProperty(OpaqueRtf, QString::fromLatin1(rtf));
    f.setProperty(m_bookmarkEnd ? BookmarkEnd : BookmarkStart, name);
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_b.propsDirty = true;
}

} // namespace rtf::detail
