// Reading a Word package: its main part found through the package's
// relationships, the body's paragraphs and runs, fields, links,
// bookmarks and the pieces the model keeps as XML.

#include "readerimpl.h"

#include "model/fields.h"
#include "model/build.h"
#include "model/docprops.h"
#include "rtf/codepages.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextFrame>

namespace docx {

namespace detail {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("docx", text);
}

// Characters a document cannot hold as text: controls other than tab,
// the object character and the non-characters.
QString cleaned(QStringView raw)
{
    QString text = raw.toString();
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t') || u == 0xFFFC || u == 0xFFFE || u == 0xFFFF || u == 0x2029;
    });
    return text;
}

} // namespace

Reader::Reader(QByteArrayView data, QTextDocument &doc)
    : m_zip(data)
    , m_doc(doc)
{
}

QByteArray Reader::readPart(const QString &name)
{
    if (name.isEmpty() || !m_zip.contains(name))
        return {};
    return m_zip.read(name, false);
}

void Reader::parsePart(Tree &tree, const QString &name)
{
    tree.parse(readPart(name), name);
}

QHash<QString, Reader::Relation> Reader::readRelations(const QString &part)
{
    // "word/document.xml" -> "word/_rels/document.xml.rels"
    const qsizetype slash = part.lastIndexOf(u'/');
    const QString relsName = part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
    Tree tree;
    parsePart(tree, relsName);
    QHash<QString, Relation> rels;
    if (!tree.root())
        return rels;
    for (const Node *r : tree.root()->kids) {
        if (!r->name().endsWith(L("Relationship")))
            continue;
        Relation rel;
        const QString type = r->attr(L("Type"));
        rel.type = type.mid(type.lastIndexOf(u'/') + 1);
        const QString target = r->attr(L("Target"));
        rel.external = r->attr(L("TargetMode")).compare(L("External"), Qt::CaseInsensitive) == 0;
        // Targets that leave the package are only kept as links' addresses.
        rel.target = rel.external ? target : package::resolvePart(part, target);
        if (rel.target.isEmpty() && !rel.external)
            continue;
        const QString id = r->attr(L("Id"));
        if (!id.isEmpty() && !rels.contains(id))
            rels.insert(id, rel);
    }
    return rels;
}

QString Reader::relatedPart(const QString &type) const
{
    for (auto it = m_rels.cbegin(); it != m_rels.cend(); ++it) {
        if (it->type == type && !it->external)
            return it->target;
    }
    return {};
}

void Reader::run()
{
    // The main part: the package's officeDocument relationship, or where
    // Word puts it.
    const QHash<QString, Relation> root = readRelations(QString());
    for (const Relation &r : root) {
        if (r.type == u"officeDocument" && !r.external && m_zip.contains(r.target)) {
            m_mainPart = r.target;
            break;
        }
    }
    if (m_mainPart.isEmpty())
        m_mainPart = QStringLiteral("word/document.xml");
    if (!m_zip.contains(m_mainPart))
        throw ReadError(tr("Dokument Wordu je poškozený: chybí v něm jeho text (část %1).").arg(m_mainPart));
    m_rels = readRelations(m_mainPart);

    readStyles();
    readSettings();
    readNumbering();
    readNotes();
    readComments();
    readCoreProperties();

    // The body one paragraph or table at a time: only the one being read
    // is held as a tree.
    BodyStream stream(readPart(m_mainPart), m_mainPart);
    const Node *document = stream.root();
    if (!document || !document->name().endsWith(L("document")))
        throw ReadError(tr("Dokument Wordu je poškozený: jeho část %1 není text dokumentu.").arg(m_mainPart));

    m_s.cursor = QTextCursor(&m_doc);
    if (stream.enter(L("w:body"))) {
        while (const Node *n = stream.next())
            block(n, stream.container());
    }
    stream.finish();
    finishSections();
}

// Paragraphs, tables and what holds them.
void Reader::blocks(const Node *container)
{
    for (const Node *n : container->kids)
        block(n, container);
}

// What crosses from one to the next (open fields, bookmarks, sections)
// is the reader's: the body's children come one at a time.
void Reader::block(const Node *n, const Node *container)
{
    if (n->is(L("w:p")))
        paragraph(n);
    else if (n->is(L("w:tbl")))
        table(n);
    else if (n->is(L("w:sdt"))) {
        if (const Node *content = n->child(L("w:sdtContent")))
            blocks(content);
    } else if (n->is(L("w:customXml")) || n->is(L("w:ins")) || n->is(L("w:moveTo")) || n->is(L("w:sdtContent")))
        blocks(n);
    else if (n->is(L("mc:AlternateContent"))) {
        if (const Node *branch = chosenBranch(n))
            blocks(branch);
    } else if (n->is(L("w:bookmarkStart")) && !n->attrView(L("w:name")).isEmpty()) {
        if (n->attrView(L("w:name")) != u"_GoBack" && m_pendingBookmarks.size() < 1000) {
            m_pendingBookmarks << n->attr(L("w:name"));
            m_bookmarkNames.insert(n->attr(L("w:id")), n->attr(L("w:name")));
        }
    } else if (n->is(L("w:bookmarkEnd"))) {
        // Between paragraphs: the end of the one before.
        if (!m_s.atEmptyBlock)
            bookmark(n, false);
    } else if (n->is(L("w:sectPr")) && !m_s.sub && container->is(L("w:body"))) {
        m_sections.back().sectPr = m_kept.copy(n);
    }
}

void Reader::openParagraph(const QTextBlockFormat &block, const QTextCharFormat &chr)
{
    QTextBlockFormat f = block;
    if (m_s.pageBreak) {
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_s.pageBreak = false;
    }
    if (m_s.atEmptyBlock) {
        m_s.cursor.setBlockFormat(f);
        m_s.cursor.setBlockCharFormat(chr);
        m_s.atEmptyBlock = false;
    } else {
        m_s.cursor.insertBlock(f, chr);
    }
    // A section whose start is still to come starts here.
    if (!m_s.sub && m_s.tableDepth == 0 && m_sections.back().block < 0)
        m_sections.back().block = m_s.cursor.blockNumber();
}

void Reader::paragraph(const Node *p)
{
    const Node *pPr = p->child(L("w:pPr"));
    const Node *pStyle = pPr ? pPr->child(L("w:pStyle")) : nullptr;
    Style *st = style(pStyle ? pStyle->attr(L("w:val")) : m_defaultParaStyle);
    if (st && st->type != 0)
        st = style(m_defaultParaStyle);
    ParaProps par = m_defaultPara;
    RunProps base = m_defaultRun;
    if (st) {
        overlay(par, st->ppr);
        overlay(base, st->rpr);
    }
    if (pPr)
        overlay(par, paraProps(pPr));
    RunProps mark = base;
    const Node *markPr = pPr ? pPr->child(L("w:rPr")) : nullptr;
    if (markPr)
        overlay(mark, runProps(markPr));
    // A deleted paragraph mark (changes accepted) joins this paragraph to
    // the one before.
    if (!std::exchange(m_s.joinNext, false) || m_s.atEmptyBlock) {
        openParagraph(blockFormat(par, st), charFormat(mark));
        attachList(par);
    }
    for (const QString &name : std::exchange(m_pendingBookmarks, {})) {
        QTextCharFormat f;
        f.setObjectType(PieceObject);
        f.setProperty(BookmarkStart, name);
        insertPiece(f);
    }
    InlineContext ctx;
    ctx.base = &base;
    inlines(p, ctx);
    m_s.joinNext = markPr && (markPr->child(L("w:del")) || markPr->child(L("w:moveFrom")));
    if (const Node *sectPr = pPr ? pPr->child(L("w:sectPr")) : nullptr; sectPr && !m_s.sub && m_s.tableDepth == 0)
        sectionEnd(sectPr);
}

void Reader::inlines(const Node *parent, const InlineContext &ctx)
{
    for (const Node *n : parent->kids) {
        const QString &name = n->name();
        if (name == L("w:r")) {
            run(n, ctx);
        } else if (name == L("w:hyperlink")) {
            InlineContext inner = ctx;
            const QString anchor = n->attr(L("w:anchor"));
            const QString rid = n->attr(L("r:id"));
            if (!rid.isEmpty() && m_rels.contains(rid))
                inner.href = m_rels.value(rid).target;
            if (!anchor.isEmpty())
                inner.href += u'#' + anchor;
            inlines(n, inner);
        } else if (name == L("w:fldSimple")) {
            if (m_s.fields.size() >= size_t(limits::maxFieldDepth)) {
                inlines(n, ctx);
                continue;
            }
            OpenField f;
            f.instruction = n->attr(L("w:instr")).trimmed();
            f.result = true;
            f.id = m_nextWrap++;
            f.href = model::hyperlinkTarget(f.instruction);
            m_s.fields.push_back(f);
            inlines(n, ctx);
            m_s.fields.pop_back();
        } else if (name == L("w:ins") || name == L("w:moveTo") || name == L("w:smartTag") || name == L("w:customXml")
                   || name == L("w:dir") || name == L("w:bdo") || name == L("w:sdtContent")) {
            inlines(n, ctx);
        } else if (name == L("w:sdt")) {
            if (const Node *content = n->child(L("w:sdtContent")))
                inlines(content, ctx);
        } else if (name == L("w:bookmarkStart")) {
            bookmark(n, true);
        } else if (name == L("w:bookmarkEnd")) {
            bookmark(n, false);
        } else if (name == L("w:commentRangeStart")) {
            comment(n->attr(L("w:id")));
        } else if (name == L("m:oMathPara") || name == L("m:oMath")) {
            opaque(n, shownText(n), fieldFormat(charFormat(*ctx.base)), true);
        } else if (name == L("mc:AlternateContent")) {
            if (const Node *branch = chosenBranch(n))
                inlines(branch, ctx);
        } else if (name == L("w:p")) {
            // A paragraph where runs belong (some writers' content controls).
            paragraph(n);
        }
        // w:del, w:moveFrom: tracked deletions are left out.
    }
}

void Reader::run(const Node *r, const InlineContext &ctx)
{
    RunProps props = *ctx.base;
    const Node *rPr = r->child(L("w:rPr"));
    RunProps direct = rPr ? runProps(rPr) : RunProps();
    if (direct.charStyle) {
        if (Style *cs = style(*direct.charStyle); cs && cs->type == 1)
            overlay(props, cs->rpr);
    }
    overlay(props, direct);
    QTextCharFormat f = charFormat(props);
    if (direct.charStyle) {
        if (const Style *cs = style(*direct.charStyle); cs && cs->type == 1)
            f.setProperty(CharStyleNumber, cs->number);
    }
    if (!ctx.href.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(ctx.href);
    }
    runContent(r, f, props, ctx);
}

void Reader::runContent(const Node *parent, const QTextCharFormat &format, const RunProps &props, const InlineContext &ctx)
{
    const Node *consumed = nullptr; // a custom note mark's text, taken by its reference
    for (const Node *n : parent->kids) {
        if (n == consumed)
            continue;
        const QString &name = n->name();
        if (name == L("w:t")) {
            if (!props.hidden.value_or(false))
                insertText(n->text(), format);
        } else if (name == L("w:instrText")) {
            if (!m_s.fields.empty() && !m_s.fields.back().result && m_s.ignoredFields == 0)
                m_s.fields.back().instruction += n->text();
        } else if (name == L("w:fldChar")) {
            fieldChar(n);
        } else if (name == L("w:tab") || name == L("w:ptab")) {
            insertText(QStringLiteral("\t"), format);
        } else if (name == L("w:br")) {
            const QString type = n->attr(L("w:type"));
            if (type == u"page")
                breakPage();
            else if (type != u"column") // a column break shows nothing in one column
                insertText(QString(QChar::LineSeparator), format);
        } else if (name == L("w:cr")) {
            insertText(QString(QChar::LineSeparator), format);
        } else if (name == L("w:noBreakHyphen")) {
            insertText(QString(QChar(0x2011)), format);
        } else if (name == L("w:softHyphen")) {
            insertText(QString(QChar(0x00AD)), format);
        } else if (name == L("w:sym")) {
            bool ok = false;
            uint code = n->attr(L("w:char")).toUInt(&ok, 16);
            const QString font = n->attr(L("w:font"));
            QTextCharFormat f = format;
            // Symbol fonts' characters sit at F000 and up, their byte below;
            // Symbol's are the characters its glyphs show, and Wingdings'
            // pictures that have a character show as that character, as
            // the RTF reader shows them. The rest keep their face.
            if (ok && code >= 0xF000 && code <= 0xF0FF)
                code -= 0xF000;
            const bool byte = ok && code >= 0x20 && code <= 0xFF;
            if (byte && font.compare(L("Symbol"), Qt::CaseInsensitive) == 0) {
                code = rtf::detail::symbolCharacter(rtf::detail::symbolCodepage, uchar(code));
            } else if (!font.isEmpty()) {
                if (byte && font.compare(L("Wingdings"), Qt::CaseInsensitive) == 0)
                    code = rtf::detail::symbolCharacter(rtf::detail::pictographCodepage, uchar(code));
                f.setFontFamilies({font});
            }
            if (ok && code >= 0x20 && code < 0xFFFE && !(code >= 0xD800 && code < 0xE000))
                insertText(QString(QChar(char16_t(code))), f);
        } else if (name == L("w:drawing")) {
            drawing(n, format);
        } else if (name == L("w:pict") || name == L("w:object")) {
            vmlPicture(n, format);
        } else if (name == L("w:footnoteReference") || name == L("w:endnoteReference")) {
            noteReference(n, format, parent, &consumed);
        } else if (name == L("w:footnoteRef") || name == L("w:endnoteRef")) {
            noteSelfMark(format);
        } else if (name == L("w:commentReference")) {
            comment(n->attr(L("w:id")));
        } else if (name == L("mc:AlternateContent")) {
            alternate(n, format, props, ctx);
        } else if (name == L("m:oMath")) {
            opaque(n, shownText(n), fieldFormat(format), true);
        }
        // w:delText, w:lastRenderedPageBreak, separators: nothing to show.
    }
}

void Reader::alternate(const Node *n, const QTextCharFormat &format, const RunProps &props, const InlineContext &ctx)
{
    const Node *branch = chosenBranch(n);
    if (!branch)
        return;
    // A text box or shape: its text as a piece the model cannot hold.
    if (const Node *box = branch->find(L("w:txbxContent"))) {
        opaque(n, shownText(box), fieldFormat(format), !refersToParts(n)); // relationships: text only
        return;
    }
    runContent(branch, format, props, ctx);
}

// The first choice, as Word writes it with a fallback for older readers;
// the fallback when there is no choice.
const Node *Reader::chosenBranch(const Node *n)
{
    if (const Node *choice = n->child(L("mc:Choice")))
        return choice;
    return n->child(L("mc:Fallback"));
}

bool Reader::inFieldInstruction() const
{
    for (const OpenField &f : m_s.fields) {
        if (!f.result)
            return true;
    }
    return false;
}

QTextCharFormat Reader::fieldFormat(QTextCharFormat format) const
{
    if (m_s.fields.empty())
        return format;
    const OpenField &f = m_s.fields.back();
    if (!f.href.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(f.href);
    } else if (!format.isAnchor()) {
        format.setProperty(FieldInstruction, f.instruction);
        format.setProperty(WrapId, f.id);
    }
    return format;
}

void Reader::fieldChar(const Node *n)
{
    const QString type = n->attr(L("w:fldCharType"));
    if (type == u"begin") {
        if (m_s.fields.size() >= size_t(limits::maxFieldDepth) || m_s.ignoredFields > 0) {
            ++m_s.ignoredFields;
            return;
        }
        OpenField f;
        f.id = m_nextWrap++;
        m_s.fields.push_back(f);
    } else if (type == u"separate") {
        if (m_s.ignoredFields > 0 || m_s.fields.empty())
            return;
        OpenField &f = m_s.fields.back();
        f.instruction = f.instruction.trimmed();
        f.result = true;
        f.href = model::hyperlinkTarget(f.instruction);
    } else if (type == u"end") {
        if (m_s.ignoredFields > 0)
            --m_s.ignoredFields;
        else if (!m_s.fields.empty())
            m_s.fields.pop_back();
    }
}

void Reader::insertText(QStringView raw, const QTextCharFormat &format)
{
    if (inFieldInstruction()) {
        // A field's instruction is no text of the document; the result of
        // a field inside it is part of it ("IF 1 = 1 ...").
        if (!m_s.fields.back().result)
            return;
        for (auto it = m_s.fields.rbegin(); it != m_s.fields.rend(); ++it) {
            if (!it->result) {
                if (it->instruction.size() < 65536)
                    it->instruction += cleaned(raw);
                break;
            }
        }
        return;
    }
    QString text = cleaned(raw);
    if (text.isEmpty())
        return;
    if (m_s.pageBreak) {
        // A page break inside a paragraph: what follows is a paragraph of
        // its own on the next page, as word processors show it.
        QTextBlockFormat b = m_s.cursor.blockFormat();
        b.clearProperty(SectionStart);
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_s.pageBreak = false;
        m_s.cursor.insertBlock(b, m_s.cursor.blockCharFormat());
    }
    m_s.cursor.insertText(text, fieldFormat(format));
}

void Reader::breakPage()
{
    if (inFieldInstruction())
        return;
    m_s.pageBreak = true;
}

void Reader::insertPiece(QTextCharFormat f)
{
    if (m_pieces >= limits::maxPieces)
        return;
    ++m_pieces;
    f.setObjectType(PieceObject);
    m_s.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
}

void Reader::bookmark(const Node *n, bool start)
{
    QTextCharFormat f;
    if (start) {
        const QString name = n->attr(L("w:name"));
        // Word's own mark of the last edit is no bookmark a writer made.
        if (name.isEmpty() || name == L("_GoBack"))
            return;
        f.setProperty(BookmarkStart, name);
        m_bookmarkNames.insert(n->attr(L("w:id")), name);
    } else {
        const QString name = m_bookmarkNames.take(n->attr(L("w:id")));
        if (name.isEmpty())
            return;
        f.setProperty(BookmarkEnd, name);
    }
    insertPiece(f);
}

// Text of a piece as it shows: paragraphs of a text box on lines of their own.
QString Reader::shownText(const Node *n) const
{
    QString out;
    std::vector<const Node *> stack{n};
    bool firstPara = true;
    while (!stack.empty()) {
        const Node *x = stack.back();
        stack.pop_back();
        if (x->is(L("w:p"))) {
            if (!firstPara)
                out += QChar::LineSeparator;
            firstPara = false;
        } else if (x->is(L("w:t")) || x->is(L("m:t"))) {
            out += x->text();
        } else if (x->is(L("w:tab"))) {
            out += u'\t';
        } else if (x->is(L("w:br")) || x->is(L("w:cr"))) {
            out += QChar::LineSeparator;
        } else if (x->is(L("w:del")) || x->is(L("w:moveFrom")) || x->is(L("w:instrText"))) {
            continue;
        }
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it)
            stack.push_back(*it);
    }
    return cleaned(out);
}

// A piece the model cannot hold: a piece character with its XML (unless it
// refers to other parts) and text, then its text shown and marked as its.
void Reader::opaque(const Node *element, const QString &text, const QTextCharFormat &format, bool keepXml)
{
    if (inFieldInstruction())
        return;
    QTextCharFormat piece = format;
    piece.setProperty(OpaqueText, text);
    if (keepXml)
        piece.setProperty(OpaqueWordXml, serialize(element));
    insertPiece(piece);
    if (!text.isEmpty()) {
        QTextCharFormat shown = format;
        shown.setProperty(OpaqueText, QString());
        m_s.cursor.insertText(text, shown);
    }
}

} // namespace detail

void read(QByteArrayView data, QTextDocument &doc)
{
    model::buildDocument(doc, [&](QTextCursor &) {
        detail::Reader reader(data, doc);
        reader.run();
    });
}

} // namespace docx
