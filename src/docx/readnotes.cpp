// Footnotes and endnotes, headers and footers, sections and their pages,
// comments and the document's information. A note's, header's or
// comment's content is read into a document of its own with the same
// reader; notes and headers are kept as RTF (as the RTF reader keeps
// them), comments as their text.

#include "readerimpl.h"

#include "model/docprops.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "model/tables.h"
#include "rtf/rtf.h"

#include <QTextBlock>
#include <QTextFrame>
#include <QTimeZone>

namespace docx::detail {

Sink Reader::beginSub(QTextDocument &doc)
{
    doc.setUndoRedoEnabled(false);
    Sink sub;
    sub.cursor = QTextCursor(&doc);
    sub.cursor.beginEditBlock(); // nothing laid out while it is built
    sub.sub = true;
    return std::exchange(m_s, std::move(sub));
}

void Reader::endSub(Sink saved)
{
    m_s.cursor.endEditBlock();
    m_s = std::move(saved);
}

// How the document numbers its notes (settings' footnotePr and
// endnotePr), kept as the RTF words the model keeps it in.
void Reader::noteNumbering(const Node *settings)
{
    static const char *const formats[] = {"decimal", "lowerLetter", "upperLetter", "lowerRoman", "upperRoman", "chicago"};
    static const char *const words[] = {"nar", "nalc", "nauc", "nrlc", "nruc", "nchi"};
    for (int k = 0; k < 2; ++k) {
        const Node *pr = settings ? settings->child(L(k ? "w:endnotePr" : "w:footnotePr")) : nullptr;
        if (!pr)
            continue;
        if (const Node *fmt = pr->child(L("w:numFmt"))) {
            const QString v = fmt->attr(L("w:val"));
            for (int i = 0; i < 6; ++i) {
                if (v == QLatin1StringView(formats[i]))
                    m_noteStyle[k] = i;
            }
        }
        if (const Node *start = pr->child(L("w:numStart")))
            m_noteStart[k] = std::clamp(intAttr(start, "w:val", 1), 1, 32767);
    }
    m_noteWords.clear();
    for (int k = 0; k < 2; ++k) {
        const QString prefix = k ? QStringLiteral("\\aftn") : QStringLiteral("\\ftn");
        if (m_noteStart[k] != 1)
            m_noteWords += prefix + QStringLiteral("start") + QString::number(m_noteStart[k]);
        if (m_noteStyle[k] != (k ? 3 : 0))
            m_noteWords += prefix + QLatin1StringView(words[m_noteStyle[k]]);
    }
}

void Reader::readNotes()
{
    const char *const kinds[] = {"footnotes", "endnotes"};
    Tree *trees[] = {&m_footnotes, &m_endnotes};
    for (int k = 0; k < 2; ++k) {
        QString part = relatedPart(QLatin1StringView(kinds[k]));
        if (part.isEmpty())
            part = QStringLiteral("word/") + QLatin1StringView(kinds[k]) + QStringLiteral(".xml");
        parsePart(*trees[k], part);
        if (!trees[k]->root())
            continue;
        for (const Node *n : trees[k]->root()->kids) {
            if (!n->is(L(k ? "w:endnote" : "w:footnote")))
                continue;
            // Separators are the page's, not notes.
            const QString type = n->attr(L("w:type"));
            if (!type.isEmpty() && type != u"normal")
                continue;
            const QString id = n->attr(L("w:id"));
            if (!m_notes[k].contains(id))
                m_notes[k].insert(id, n);
        }
    }
}

void Reader::noteSelfMark(const QTextCharFormat &format)
{
    if (!m_s.sub)
        return;
    QTextCharFormat f = format;
    f.setProperty(NoteSelfMark, ++m_selfMarks);
    m_s.cursor.insertText(noteNumberText(m_noteStart[m_noteKind] + m_noteNumber[m_noteKind], NoteNumbering(m_noteStyle[m_noteKind])), f);
}

void Reader::noteReference(const Node *n, const QTextCharFormat &format, const Node *run, const Node **consumed)
{
    const int kind = n->is(L("w:endnoteReference")) ? Endnote : Footnote;
    const Node *note = m_notes[kind].value(n->attr(L("w:id")));
    if (!note || m_s.sub || m_noteCount >= limits::maxNotes || inFieldInstruction())
        return;
    ++m_noteCount;
    // A custom mark is the text that follows the reference in its run.
    QString custom;
    if (n->attr(L("w:customMarkFollows")) == u"1" || n->attr(L("w:customMarkFollows")) == u"true") {
        bool after = false;
        for (const Node *k : run->kids) {
            if (k == n) {
                after = true;
            } else if (after && k->is(L("w:t"))) {
                custom = k->text().toString();
                *consumed = k;
                break;
            }
        }
        if (custom.isEmpty())
            custom = QStringLiteral("*");
    }

    // A note referred to again is the same note: read once, so a file
    // cannot make a large note be read over and over.
    const QString key = QString::number(kind) + u':' + n->attr(L("w:id"));
    auto built = m_builtNotes.constFind(key);
    if (built == m_builtNotes.cend()) {
        QTextDocument doc;
        m_noteKind = kind;
        Sink saved = beginSub(doc);
        blocks(note);
        endSub(std::move(saved));
        built = m_builtNotes.insert(key, {QString::fromLatin1(rtf::write(doc)), noteText(doc)});
    }
    const QString number = noteNumberText(m_noteStart[kind] + m_noteNumber[kind], NoteNumbering(m_noteStyle[kind]));
    if (custom.isEmpty())
        ++m_noteNumber[kind];

    QTextCharFormat f = fieldFormat(format);
    if (f.verticalAlignment() == QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    f.setProperty(NoteId, int(m_noteCount));
    f.setProperty(NoteRtf, built->first);
    f.setProperty(NoteText, built->second);
    f.setProperty(NoteKind, kind);
    f.setProperty(NoteAutoNumber, custom.isEmpty());
    if (!m_noteWords.isEmpty())
        f.setProperty(NoteNumberingWords, m_noteWords);
    m_s.cursor.insertText(custom.isEmpty() ? number : custom, f);
}

void Reader::readComments()
{
    QString part = relatedPart(QStringLiteral("comments"));
    if (part.isEmpty())
        part = QStringLiteral("word/comments.xml");
    parsePart(m_comments, part);
    if (!m_comments.root())
        return;
    for (const Node *n : m_comments.root()->kids) {
        if (!n->is(L("w:comment")))
            continue;
        Comment c;
        c.author = n->attr(L("w:author")).left(256);
        c.initials = n->attr(L("w:initials")).left(64);
        c.date = n->attr(L("w:date")).left(64);
        c.node = n;
        const QString id = n->attr(L("w:id"));
        if (!m_commentDefs.contains(id))
            m_commentDefs.insert(id, c);
    }
}

// A comment at its anchor's start (its range start, or its reference
// when the range gives none); once.
void Reader::comment(const QString &id)
{
    const auto it = m_commentDefs.constFind(id);
    if (it == m_commentDefs.cend() || m_commentsPlaced.contains(id) || m_s.sub || inFieldInstruction())
        return;
    m_commentsPlaced.insert(id);
    QTextDocument doc;
    Sink saved = beginSub(doc);
    blocks(it->node);
    endSub(std::move(saved));
    QTextCharFormat f;
    f.setProperty(OpaqueText, noteText(doc));
    f.setProperty(CommentAuthor, it->author);
    f.setProperty(CommentInitials, it->initials);
    f.setProperty(CommentDate, it->date);
    insertPiece(f);
}

void Reader::readCoreProperties()
{
    QString part;
    // The package's own relationship, else where Word puts it.
    Tree tree;
    const QHash<QString, Relation> root = readRelations(QString());
    for (const Relation &r : root) {
        if (r.type == u"core-properties" && !r.external)
            part = r.target;
    }
    if (part.isEmpty())
        part = QStringLiteral("docProps/core.xml");
    parsePart(tree, part);
    if (!tree.root())
        return;
    auto text = [&](const char *name, const char *key) {
        if (const Node *n = tree.root()->child(L(name))) {
            const QString t = n->allText().trimmed().left(4096);
            if (!t.isEmpty())
                m_info.insert(QLatin1StringView(key), t);
        }
    };
    text("dc:title", "title");
    text("dc:subject", "subject");
    text("dc:creator", "author");
    text("cp:keywords", "keywords");
    text("dc:description", "comment");
    text("cp:category", "category");
    text("cp:lastModifiedBy", "operator");
    auto time = [&](const char *name, const char *key) {
        if (const Node *n = tree.root()->child(L(name))) {
            QDateTime t = QDateTime::fromString(n->allText().trimmed(), Qt::ISODate);
            if (t.isValid())
                m_info.insert(QLatin1StringView(key), t);
        }
    };
    time("dcterms:created", "creatim");
    time("dcterms:modified", "revtim");
}

void Reader::sectionEnd(const Node *sectPr)
{
    if (int(m_sections.size()) >= limits::maxSections)
        return; // the last section's setup holds for the rest
    m_sections.back().sectPr = m_kept.copy(sectPr);
    m_sections.push_back(Section{nullptr, -1});
}

QString Reader::headerRtf(const QString &rid)
{
    const auto rel = m_rels.constFind(rid);
    // A header is a part of its own, never the body again.
    if (rel == m_rels.cend() || rel->external || rel->target == m_mainPart)
        return {};
    if (const auto cached = m_headerCache.constFind(rel->target); cached != m_headerCache.cend())
        return *cached;
    auto tree = std::make_unique<Tree>();
    parsePart(*tree, rel->target);
    QString out;
    if (tree->root() && (tree->root()->is(L("w:hdr")) || tree->root()->is(L("w:ftr")))) {
        QTextDocument doc;
        Sink saved = beginSub(doc);
        blocks(tree->root());
        endSub(std::move(saved));
        out = QString::fromLatin1(rtf::write(doc));
    }
    m_subTrees.push_back(std::move(tree));
    m_headerCache.insert(rel->target, out);
    return out;
}

// A section as the model keeps it: its RTF words, then its headers and
// footers. The first section's page is the document's page setup.
QStringList Reader::sectionList(const Node *sectPr, bool first)
{
    QString words;
    QStringList pairs;
    if (!sectPr)
        return {QString()};
    if (!first) {
        const Node *type = sectPr->child(L("w:type"));
        const QString v = type ? type->attr(L("w:val")) : QString();
        if (v == u"continuous")
            words += QStringLiteral("\\sbknone");
        else if (v == u"evenPage")
            words += QStringLiteral("\\sbkeven");
        else if (v == u"oddPage")
            words += QStringLiteral("\\sbkodd");
        else if (v == u"nextColumn")
            words += QStringLiteral("\\sbkcol");
        if (const Node *sz = sectPr->child(L("w:pgSz"))) {
            if (const int w = intAttr(sz, "w:w", 0); w > 0)
                words += QStringLiteral("\\pgwsxn%1").arg(std::min(w, limits::maxTwips));
            if (const int h = intAttr(sz, "w:h", 0); h > 0)
                words += QStringLiteral("\\pghsxn%1").arg(std::min(h, limits::maxTwips));
            if (sz->attr(L("w:orient")) == u"landscape")
                words += QStringLiteral("\\lndscpsxn");
        }
        if (const Node *mar = sectPr->child(L("w:pgMar"))) {
            const char *const names[][2] = {{"w:left", "marglsxn"}, {"w:right", "margrsxn"}, {"w:top", "margtsxn"},
                                            {"w:bottom", "margbsxn"}};
            for (const auto &n : names) {
                if (mar->hasAttr(L(n[0])))
                    words += u'\\' + QLatin1StringView(n[1])
                        + QString::number(std::clamp(intAttr(mar, n[0], 0), -limits::maxTwips, limits::maxTwips));
            }
        }
    }
    if (const Node *cols = sectPr->child(L("w:cols"))) {
        const int n = std::clamp(intAttr(cols, "w:num", 1), 1, 20);
        if (n > 1)
            words += QStringLiteral("\\cols%1").arg(n);
    }
    if (onOff(sectPr->child(L("w:titlePg"))) && sectPr->child(L("w:titlePg")))
        words += QStringLiteral("\\titlepg");
    for (const Node *n : sectPr->kids) {
        const bool header = n->is(L("w:headerReference"));
        if (!header && !n->is(L("w:footerReference")))
            continue;
        const QString type = n->attr(L("w:type"));
        QString kind = QLatin1StringView(header ? "header" : "footer");
        if (type == u"first")
            kind += u'f';
        else if (type == u"even")
            kind += u'l';
        if (pairs.contains(kind))
            continue;
        const QString rtf = headerRtf(n->attr(L("r:id")));
        if (!rtf.isEmpty())
            pairs << kind << rtf;
    }
    return QStringList{words} + pairs;
}

void Reader::finishSections()
{
    QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    // The first section's page.
    if (const Node *first = m_sections.front().sectPr) {
        PageSetup page;
        if (const Node *sz = first->child(L("w:pgSz"))) {
            if (const int w = intAttr(sz, "w:w", 0); w > 0)
                page.width = std::min(w, limits::maxTwips);
            if (const int h = intAttr(sz, "w:h", 0); h > 0)
                page.height = std::min(h, limits::maxTwips);
            page.landscape = sz->attr(L("w:orient")) == u"landscape";
        }
        if (const Node *mar = first->child(L("w:pgMar"))) {
            auto margin = [&](const char *name) {
                return mar->hasAttr(L(name)) ? std::clamp(std::abs(intAttr(mar, name, 0)), 0, limits::maxTwips) : -1;
            };
            page.marginLeft = margin("w:left");
            page.marginRight = margin("w:right");
            page.marginTop = margin("w:top");
            page.marginBottom = margin("w:bottom");
        }
        const QStringList list = sectionList(first, true);
        if (list.size() > 1 || !list.value(0).isEmpty())
            root.setProperty(DocFirstSection, list);
        m_doc.rootFrame()->setFrameFormat(root);
        setPageSetup(m_doc, page);
        root = m_doc.rootFrame()->frameFormat();
    }
    if (m_defaultTab > 0)
        root.setProperty(DocDefaultTab, m_defaultTab);
    if (m_defaultRun.lang && *m_defaultRun.lang > 0)
        root.setProperty(DocDefaultLanguage, *m_defaultRun.lang);
    if (m_defaultRun.font && !m_defaultRun.font->isEmpty())
        root.setProperty(DocDefaultFont, *m_defaultRun.font);
    if (!m_styles.isEmpty())
        root.setProperty(DocStyles, styleSheet());
    m_doc.rootFrame()->setFrameFormat(root);
    if (!m_info.isEmpty()) {
        setDocumentInfo(m_doc, m_info);
        if (m_info.contains(QStringLiteral("title")))
            m_doc.setMetaInformation(QTextDocument::DocumentTitle, m_info.value(QStringLiteral("title")).toString());
    }
    // Later sections start at their first paragraph.
    QTextCursor c(&m_doc);
    for (size_t i = 1; i < m_sections.size(); ++i) {
        const QTextBlock b = m_doc.findBlockByNumber(m_sections[i].block);
        if (m_sections[i].block < 0 || !b.isValid())
            break; // a break after the last paragraph starts nothing
        c.setPosition(b.position());
        QTextBlockFormat f;
        f.setProperty(SectionStart, sectionList(m_sections[i].sectPr, false));
        c.mergeBlockFormat(f);
    }
}

} // namespace docx::detail
