// Notes, headers and footers: their content is read into a document of
// its own by the same builder and kept as RTF (the model keeps it so), as
// the RTF reader keeps it; the page of a master page through the model's
// neutral page setup.

#include "readerimpl.h"

#include "model/docprops.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "model/properties.h"
#include "model/tables.h"
#include "rtf/rtf.h"

#include <QTextBlock>
#include <QTextDocument>

namespace odt::detail {

namespace {

QLatin1StringView L(const char *s)
{
    return QLatin1StringView(s);
}

} // namespace

QString Reader::subDocumentRtf(const Node &content, QString *plain, const QString &selfMark)
{
    QTextDocument sub;
    sub.setUndoRedoEnabled(false);
    Builder saved = std::exchange(m_b, Builder());
    m_b.cursor = QTextCursor(&sub);
    const bool wasSub = std::exchange(m_inSubDocument, true);
    const QString field = std::exchange(m_blockField, QString());
    m_selfMark = selfMark;
    readBlocks(content);
    m_selfMark.clear();
    m_blockField = field;
    m_inSubDocument = wasSub;
    m_b = std::move(saved);
    if (plain) // the note's text without the mark that repeats its number
        *plain = model::noteText(sub);
    return QString::fromLatin1(rtf::write(sub));
}

void Reader::readNotesConfiguration(const Node &n)
{
    // The numbering as the RTF words the model keeps it in, where it is
    // not the usual one (footnotes 1, 2, 3; endnotes i, ii, iii).
    const bool endnote = n.attr(ns::text, L("note-class")) == u"endnote";
    const QString format = n.attr(ns::style, L("num-format"));
    static const std::pair<const char *, const char *> names[] = {
        {"1", "nar"}, {"a", "nalc"}, {"A", "nauc"}, {"i", "nrlc"}, {"I", "nruc"}};
    for (const auto &[f, name] : names) {
        if (format == QLatin1StringView(f) && format != QLatin1StringView(endnote ? "i" : "1")) {
            const QString word = (endnote ? QStringLiteral("\\aftn") : QStringLiteral("\\ftn")) + QLatin1StringView(name);
            // Footnotes' words first, as a save writes them.
            m_noteWords = endnote ? m_noteWords + word : word + m_noteWords;
        }
    }
}

void Reader::note(const Node &n, const QTextCharFormat &f)
{
    const Node *body = n.child(ns::text, L("note-body"));
    const Node *citation = n.child(ns::text, L("note-citation"));
    if (m_inSubDocument || m_notes >= limits::maxNotes) {
        // A note in a note, or past the limit: its text reads as text.
        if (body)
            inlines(*body, f);
        return;
    }
    const int kind = n.attr(ns::text, L("note-class")) == u"endnote" ? model::Endnote : model::Footnote;
    const QString label = citation ? citation->attr(ns::text, L("label")).left(16) : QString();
    const bool custom = !label.isEmpty();
    ++m_noteCount[kind];
    QString number = citation ? citation->allText().trimmed().left(16) : QString();
    if (number.isEmpty())
        number = QString::number(m_noteCount[kind]);
    const QString mark = custom ? label : number;
    ++m_notes;
    QString text;
    const QString rtf = body ? subDocumentRtf(*body, &text, custom ? QString() : mark) : QString();
    QTextCharFormat mf = f;
    mf.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    mf.setProperty(model::NoteId, m_notes);
    mf.setProperty(model::NoteRtf, rtf);
    mf.setProperty(model::NoteText, text);
    mf.setProperty(model::NoteKind, kind);
    mf.setProperty(model::NoteAutoNumber, !custom);
    if (!m_noteWords.isEmpty())
        mf.setProperty(model::NoteNumberingWords, m_noteWords);
    m_b.cursor.insertText(mark, mf);
    m_b.lastSpace = false;
    m_b.trailingSpace = -1;
}

QStringList Reader::sectionOf(const QString &masterName, bool first)
{
    // Sections of one master page share their headers: read once.
    if (!first) {
        if (auto it = m_sectionCache.constFind(masterName); it != m_sectionCache.cend())
            return *it;
        const QStringList section = readSection(masterName, false);
        m_sectionCache.insert(masterName, section);
        return section;
    }
    return readSection(masterName, true);
}

QStringList Reader::readSection(const QString &masterName, bool first)
{
    const Node *master = m_masterPages.value(masterName);
    if (!master)
        master = m_masterPages.value(m_firstMaster);
    QStringList out{QString()};
    if (!master)
        return out;
    QString words;
    if (!first) {
        words = QStringLiteral("\\sbkpage");
        if (const Node *layout = m_pageLayouts.value(master->attr(ns::style, L("page-layout-name")))) {
            if (const Node *p = layout->child(ns::style, L("page-layout-properties"))) {
                static const std::pair<const char *, const char *> dims[] = {
                    {"page-width", "\\pgwsxn"},     {"page-height", "\\pghsxn"},    {"margin-left", "\\marglsxn"},
                    {"margin-right", "\\margrsxn"}, {"margin-top", "\\margtsxn"}, {"margin-bottom", "\\margbsxn"}};
                for (const auto &[attr, word] : dims) {
                    if (p->has(ns::fo, L(attr)))
                        words += QLatin1StringView(word)
                            + QString::number(std::clamp(toTwips(p->attr(ns::fo, L(attr))), 0, 4 * limits::maxTwips));
                }
                if (p->attr(ns::style, L("print-orientation")) == u"landscape")
                    words += QStringLiteral("\\lndscpsxn");
            }
        }
    }
    // Headers and footers live in styles.xml, with its automatic styles.
    QHash<QString, Style> *autos = std::exchange(m_autos, m_flat ? &m_autoContent : &m_autoStyles);
    QHash<QString, ListStyle> *lists = std::exchange(m_listAutos, m_flat ? &m_listAutoContent : &m_listAutoStyles);
    bool titlePage = false;
    for (const Node &k : master->kids) {
        static const std::pair<const char *, const char *> kinds[] = {
            {"header", "header"}, {"header-left", "headerl"}, {"header-first", "headerf"},
            {"footer", "footer"}, {"footer-left", "footerl"}, {"footer-first", "footerf"}};
        const char *kind = nullptr;
        for (const auto &[element, name] : kinds) {
            if (k.name == QLatin1StringView(element) && (k.ns == ns::style || k.ns == ns::loext))
                kind = name;
        }
        if (!kind || k.attr(ns::style, L("display")) == u"false")
            continue;
        if (kind[6] == 'f')
            titlePage = true;
        out << QLatin1StringView(kind) << subDocumentRtf(k, nullptr, QString());
    }
    m_autos = autos;
    m_listAutos = lists;
    if (titlePage)
        words += QStringLiteral("\\titlepg");
    out[0] = words;
    return out;
}

void Reader::pageSetupOf(const QString &masterName)
{
    const Node *master = m_masterPages.value(masterName);
    if (!master)
        master = m_masterPages.value(m_firstMaster);
    if (!master)
        return;
    const Node *layout = m_pageLayouts.value(master->attr(ns::style, L("page-layout-name")));
    const Node *p = layout ? layout->child(ns::style, L("page-layout-properties")) : nullptr;
    if (!p)
        return;
    model::PageSetup page;
    auto length = [p](const char *attr) {
        return p->has(ns::fo, L(attr)) ? std::clamp(toTwips(p->attr(ns::fo, L(attr)), -1), -1, 4 * limits::maxTwips) : -1;
    };
    page.width = length("page-width");
    page.height = length("page-height");
    page.marginLeft = length("margin-left");
    page.marginRight = length("margin-right");
    page.marginTop = length("margin-top");
    page.marginBottom = length("margin-bottom");
    page.landscape = p->attr(ns::style, L("print-orientation")) == u"landscape";
    if (p->has(ns::loext, L("margin-gutter")))
        page.gutter = std::clamp(toTwips(p->attr(ns::loext, L("margin-gutter")), -1), -1, limits::maxTwips);
    model::setPageSetup(m_doc, page);
}

} // namespace odt::detail
