// Reading an OpenDocument text: the package's parts (or the flat file's
// one tree), then the body's paragraphs and their inline content into the
// document, as the RTF reader builds the model.

#include "odt.h"
#include "readerimpl.h"

#include "model/build.h"
#include "model/docprops.h"
#include "model/properties.h"
#include "rtf/codepages.h"

#include <QDateTime>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QtGui/private/qtextdocument_p.h> // speed: inserting runs and paragraphs

namespace odt {

namespace detail {

namespace {

QLatin1StringView L(const char *s)
{
    return QLatin1StringView(s);
}

// Characters that would split the document's structure if inserted as text.
QChar cleanChar(QChar c)
{
    switch (c.unicode()) {
    case 0xFDD0: // Qt's frame marks
    case 0xFDD1:
    case 0xFFFC: // object characters come from the reader only
    case 0xFEFF:
        return QChar();
    case 0x2029:
    case u'\r':
    case u'\n':
        return QChar(u' ');
    default:
        return c.unicode() < 0x20 && c != u'\t' ? QChar() : c;
    }
}

struct FieldKind {
    const char *element;
    const char *instruction;
};

// Fields whose result shows, with the Word instruction that gives it.
const FieldKind fieldKinds[] = {
    {"page-number", "PAGE"},
    {"page-count", "NUMPAGES"},
    {"date", "DATE"},
    {"time", "TIME"},
    {"title", "TITLE"},
    {"subject", "SUBJECT"},
    {"author-name", "AUTHOR"},
    {"initial-creator", "AUTHOR"},
    {"creator", "LASTSAVEDBY"},
    {"author-initials", "USERINITIALS"},
    {"keywords", "KEYWORDS"},
    {"description", "COMMENTS"},
    {"creation-date", "CREATEDATE"},
    {"creation-time", "CREATEDATE \\@ \"H:mm\""},
    {"modification-date", "SAVEDATE"},
    {"print-date", "PRINTDATE"},
    {"file-name", "FILENAME"},
    {"word-count", "NUMWORDS"},
    {"character-count", "NUMCHARS"},
    {"editing-cycles", "REVNUM"},
};

// Text elements whose blocks are simply the text's: sections, indexes
// other than the contents, index bodies and titles.
bool passesThrough(QStringView name)
{
    static constexpr QLatin1StringView own[] = {
        QLatin1StringView("p"), QLatin1StringView("h"), QLatin1StringView("list"),
        QLatin1StringView("numbered-paragraph"), QLatin1StringView("table-of-content"),
        // Nothing of these shows.
        QLatin1StringView("tracked-changes"), QLatin1StringView("sequence-decls"),
        QLatin1StringView("variable-decls"), QLatin1StringView("user-field-decls"),
        QLatin1StringView("dde-connection-decls"), QLatin1StringView("soft-page-break"),
        QLatin1StringView("index-title-template")};
    for (const QLatin1StringView o : own) {
        if (name == o)
            return false;
    }
    return !name.endsWith(u"-source");
}

} // namespace

Reader::Reader(QTextDocument &doc, bool stream)
    : m_doc(doc)
    , m_stream(stream)
{
    m_b.cursor = QTextCursor(&doc);
}

Reader::~Reader() = default;

void Reader::readPackage(QByteArrayView data)
{
    m_inputBytes = data.size();
    m_zip = std::make_unique<package::ZipReader>(data);
    if (!m_zip->contains(QStringLiteral("content.xml")))
        throw model::ReadError(tr("Dokument není textový dokument OpenDocument: chybí v něm část content.xml."));
    const QByteArray mime = m_zip->read(QStringLiteral("mimetype"), false).trimmed();
    if (!mime.isEmpty() && !mime.startsWith("application/vnd.oasis.opendocument.text"))
        throw model::ReadError(tr("Dokument není textový dokument OpenDocument (je typu %1).")
                                   .arg(QString::fromUtf8(mime.left(100))));
    if (m_zip->contains(QStringLiteral("styles.xml"))) {
        m_stylesPart = parseXml(m_zip->read(QStringLiteral("styles.xml")), QStringLiteral("styles.xml"));
        for (const Node &n : m_stylesPart.kids) {
            if (n.is(ns::office, L("font-face-decls")))
                readFontFaces(n);
        }
        for (const Node &n : m_stylesPart.kids) {
            if (n.is(ns::office, L("styles"))) {
                readStyles(n, true, m_common);
            } else if (n.is(ns::office, L("automatic-styles"))) {
                m_listAutos = &m_listAutoStyles;
                readStyles(n, false, m_autoStyles);
                m_listAutos = &m_listAutoContent;
            } else if (n.is(ns::office, L("master-styles"))) {
                readMasterPages(n);
            }
        }
    }
    if (m_zip->contains(QStringLiteral("meta.xml"))) {
        m_metaPart = parseXml(m_zip->read(QStringLiteral("meta.xml")), QStringLiteral("meta.xml"));
        if (const Node *meta = m_metaPart.child(ns::office, L("meta")))
            readMeta(*meta);
    }
    readContent(m_zip->read(QStringLiteral("content.xml")), QStringLiteral("content.xml"));
    finish();
}

void Reader::readFlat(QByteArrayView data)
{
    m_inputBytes = data.size();
    m_flat = true;
    // The caller's bytes outlive the parse: no copy of a large file.
    readContent(QByteArray::fromRawData(data.data(), data.size()), QStringLiteral("fodt"));
    finish();
}

// What comes before the body, in the content's tree: fonts and styles
// (and in a flat file the meta data and the master pages).
void Reader::prepareContent()
{
    if (!m_flat) {
        for (const Node &n : m_content.kids) {
            if (n.is(ns::office, L("font-face-decls")))
                readFontFaces(n);
            else if (n.is(ns::office, L("automatic-styles")))
                readStyles(n, false, m_autoContent);
        }
        return;
    }
    for (const Node &n : m_content.kids) {
        if (n.is(ns::office, L("font-face-decls")))
            readFontFaces(n);
    }
    for (const Node &n : m_content.kids) {
        if (n.is(ns::office, L("styles")))
            readStyles(n, true, m_common);
        else if (n.is(ns::office, L("automatic-styles")))
            readStyles(n, false, m_autoContent);
        else if (n.is(ns::office, L("master-styles")))
            readMasterPages(n);
        else if (n.is(ns::office, L("meta")))
            readMeta(n);
    }
}

void Reader::readContent(const QByteArray &xml, const QString &partName)
{
    const auto noBody = [] {
        return model::ReadError(tr("Dokument není textový dokument OpenDocument: jeho obsah nemá textové tělo."));
    };
    const auto notFlat = [] {
        return model::ReadError(tr("Dokument není textový dokument OpenDocument: jeho kořenem není office:document."));
    };
    if (!m_stream) {
        m_content = parseXml(xml, partName);
        if (m_flat && !m_content.is(ns::office, L("document")))
            throw notFlat();
        prepareContent();
        // The last body counts, as its first text.
        const Node *body = nullptr;
        for (const Node &n : m_content.kids) {
            if (n.is(ns::office, L("body")))
                body = &n;
        }
        const Node *text = body ? body->child(ns::office, L("text")) : nullptr;
        if (!text)
            throw noBody();
        readBody(*text);
        return;
    }
    // A part of too many elements fails: streamed, it would fail only once
    // its blocks were built. It is parsed through, unbuilt, for the fault
    // the parse meets first (that, or the count).
    m_dryRun = countStartTags(xml, limits::maxElements) > limits::maxElements;
    PartReader part(xml, partName);
    part.toRoot();
    part.head(m_content);
    // A flat file of another root is refused after the whole file is read.
    if (m_flat && !m_content.is(ns::office, L("document")))
        throw Restart();
    part.enter();
    bool bodySeen = false;
    bool textRead = false;
    while (part.next()) {
        if (!bodySeen && part.is(ns::office, L("body"))) {
            bodySeen = true;
            prepareContent();
            part.enter();
            while (part.next()) {
                if (!textRead && part.is(ns::office, L("text"))) {
                    textRead = true;
                    part.enter();
                    streamBlocks(part);
                } else {
                    Node skipped;
                    part.readElement(skipped);
                }
            }
            continue;
        }
        if (bodySeen
            && (part.is(ns::office, L("body")) || part.is(ns::office, L("font-face-decls"))
                || part.is(ns::office, L("automatic-styles"))
                || (m_flat
                    && (part.is(ns::office, L("styles")) || part.is(ns::office, L("master-styles"))
                        || part.is(ns::office, L("meta"))))))
            throw Restart(); // read after the body, yet it counts: unusual enough to read twice
        if (bodySeen) {
            // Styles point into the kept tree: it grows no more.
            Node skipped;
            part.readElement(skipped);
        } else {
            part.readElement(m_content.kids.emplace_back());
        }
    }
    part.finish();
    if (m_dryRun)
        throw Restart(); // no fault met after all: read it as before
    if (!bodySeen)
        prepareContent();
    if (!textRead)
        throw noBody();
}

// The body's blocks one at a time: each block's tree is freed before the
// next is read. What crosses blocks (lists going on, sections, fields
// around paragraphs) is the reader's state, not the tree's.
void Reader::streamBlocks(PartReader &part)
{
    while (part.next()) {
        // Sections and the like are their blocks: read them the same way.
        if (part.ns() == ns::text && passesThrough(part.name())) {
            part.enter();
            streamBlocks(part);
            continue;
        }
        Node block;
        part.readElement(block);
        if (!m_dryRun)
            readBlock(block);
    }
}

void Reader::readMasterPages(const Node &container)
{
    for (const Node &n : container.kids) {
        if (!n.is(ns::style, L("master-page")) || m_masterPages.size() >= 4096)
            continue;
        const QString name = n.attr(ns::style, L("name"));
        if (m_firstMaster.isEmpty())
            m_firstMaster = name;
        m_masterPages.insert(name, &n);
    }
}

void Reader::readMeta(const Node &meta)
{
    QStringList keywords;
    for (const Node &n : meta.kids) {
        const QString text = n.allText().trimmed().left(4096);
        if (text.isEmpty())
            continue;
        if (n.is(ns::dc, L("title")))
            m_info.insert(QStringLiteral("title"), text);
        else if (n.is(ns::dc, L("subject")))
            m_info.insert(QStringLiteral("subject"), text);
        else if (n.is(ns::dc, L("description")))
            m_info.insert(QStringLiteral("comment"), text);
        else if (n.is(ns::meta, L("initial-creator")))
            m_info.insert(QStringLiteral("author"), text);
        else if (n.is(ns::dc, L("creator")) && !m_info.contains(QStringLiteral("author")))
            m_info.insert(QStringLiteral("author"), text);
        else if (n.is(ns::meta, L("keyword")) && keywords.size() < 256)
            keywords << text;
        else if (n.is(ns::meta, L("creation-date")) || n.is(ns::dc, L("date"))) {
            const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
            if (t.isValid())
                m_info.insert(n.is(ns::dc, L("date")) ? QStringLiteral("revtim") : QStringLiteral("creatim"), t);
        }
    }
    // dc:creator is who saved last; the author is who began it.
    if (!keywords.isEmpty())
        m_info.insert(QStringLiteral("keywords"), keywords.join(QStringLiteral(", ")));
}

void Reader::readBody(const Node &officeText)
{
    readBlocks(officeText);
}

void Reader::finish()
{
    QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    const QVariantList sheet = styleSheet();
    if (!sheet.isEmpty())
        root.setProperty(model::DocStyles, sheet);
    if (auto d = m_defaults.constFind(QStringLiteral("paragraph")); d != m_defaults.cend()) {
        if (!d->chr.fontFamilies().toStringList().isEmpty())
            root.setProperty(model::DocDefaultFont, d->chr.fontFamilies().toStringList().constFirst());
        if (d->chr.hasProperty(model::CharLanguage))
            root.setProperty(model::DocDefaultLanguage, d->chr.intProperty(model::CharLanguage));
    }
    const QString master = m_currentMaster.isEmpty() ? m_firstMaster : m_firstSectionMaster;
    const QStringList first = sectionOf(master, true);
    if (first.size() > 1 || !first.value(0).isEmpty())
        root.setProperty(model::DocFirstSection, first);
    m_doc.rootFrame()->setFrameFormat(root);
    pageSetupOf(master);
    if (!m_info.isEmpty()) {
        model::setDocumentInfo(m_doc, m_info);
        if (m_info.contains(QStringLiteral("title")))
            m_doc.setMetaInformation(QTextDocument::DocumentTitle, m_info.value(QStringLiteral("title")).toString());
    }
}

void Reader::readBlocks(const Node &parent)
{
    for (const Node &n : parent.kids) {
        if (!n.isText())
            readBlock(n);
    }
}

void Reader::readBlock(const Node &n)
{
    if (n.ns == ns::text) {
        if (passesThrough(n.name)) {
            readBlocks(n);
        } else if (n.name == u"p" || n.name == u"h") {
            paragraph(n, n.name == u"h");
        } else if (n.name == u"list") {
            list(n, 0);
        } else if (n.name == u"numbered-paragraph") {
            for (const Node &k : n.kids) {
                if (k.is(ns::text, L("p")) || k.is(ns::text, L("h")))
                    paragraph(k, k.name == u"h");
            }
        } else if (n.name == u"table-of-content") {
            const Node *source = n.child(ns::text, L("table-of-content-source"));
            int levels = 3;
            if (source && source->has(ns::text, L("outline-level")))
                levels = std::clamp(source->attr(ns::text, L("outline-level")).toInt(), 1, 9);
            const QString saved = std::exchange(m_blockField, QStringLiteral("TOC \\o \"1-%1\" \\h").arg(levels));
            const int savedId = std::exchange(m_blockFieldId, ++m_wraps);
            if (const Node *body = n.child(ns::text, L("index-body")))
                readBlocks(*body);
            m_blockField = saved;
            m_blockFieldId = savedId;
        }
        // Deleted text lives in tracked-changes: the body reads as accepted.
        return;
    }
    if (n.is(ns::table, L("table"))) {
        table(n);
        return;
    }
    if (n.ns == ns::draw) {
        // A frame anchored to the page: in a paragraph of its own.
        startBlock(QTextBlockFormat(), QTextCharFormat());
        frame(n, QTextCharFormat());
        endBlock();
        return;
    }
    if (n.ns == ns::office && (n.name == u"forms" || n.name == u"annotation"))
        return;
}

void Reader::startBlock(const QTextBlockFormat &bf, const QTextCharFormat &cf)
{
    if (m_b.reuseBlock) {
        m_b.reuseBlock = false;
        m_b.cursor.setBlockFormat(bf);
        m_b.cursor.setBlockCharFormat(cf);
    } else {
        QTextDocumentPrivate *d = QTextDocumentPrivate::get(m_b.cursor.document());
        d->insertBlock(m_b.cursor.position(), d->formatCollection()->indexForFormat(bf),
                       d->formatCollection()->indexForFormat(cf));
    }
    m_b.lastSpace = true;
    m_b.trailingSpace = -1;
}

void Reader::endBlock()
{
    // White space at a paragraph's end is no text of it.
    if (m_b.trailingSpace >= 0 && m_b.trailingSpace == m_b.cursor.position() - 1) {
        QTextCursor c = m_b.cursor;
        c.setPosition(m_b.trailingSpace);
        c.setPosition(m_b.trailingSpace + 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    m_b.trailingSpace = -1;
    m_b.lastSpace = true;
}

void Reader::paragraph(const Node &p, bool heading)
{
    Style *s = findStyle(p.attr(ns::text, L("style-name")), QStringLiteral("paragraph"));
    if (!s)
        s = findStyle(QStringLiteral("Standard"), QStringLiteral("paragraph"));
    QTextBlockFormat bf;
    QTextCharFormat cf;
    if (s) {
        bf = s->par;
        cf = s->chr;
    } else if (auto d = m_defaults.constFind(QStringLiteral("paragraph")); d != m_defaults.cend()) {
        bf = d->par;
        cf = d->chr;
    }
    // The style kept by name is the nearest common one.
    const QString common = s ? (s->common ? s->name : s->parent) : QString();
    const int number = styleNumber(common);
    if (number > 0)
        bf.setProperty(model::StyleNumber, number);
    int level = 0;
    if (heading && p.has(ns::text, L("outline-level")))
        level = std::clamp(p.attr(ns::text, L("outline-level")).toInt(), 1, 9);
    else if (s)
        level = std::min(headingLevelOf(*s), 9);
    if (heading && level == 0)
        level = 1;
    if (level > 0)
        bf.setHeadingLevel(level);
    if (s && s->rule)
        bf.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    if (m_b.pageBreak)
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    m_b.pageBreak = false;
    // A paragraph whose style names a master page starts a page of that
    // kind: a new section when the kind changes.
    const QString master = s ? s->masterPage : QString();
    if (!m_inSubDocument && m_b.tableDepth == 0) {
        if (m_firstParagraph) {
            m_firstParagraph = false;
            m_firstSectionMaster = master.isEmpty() ? m_firstMaster : master;
            m_currentMaster = m_firstSectionMaster;
            if (m_currentMaster.isEmpty())
                m_currentMaster = QStringLiteral("Standard");
        } else if (!master.isEmpty() && master != m_currentMaster && m_sections < limits::maxSections) {
            ++m_sections;
            m_currentMaster = master;
            bf.setProperty(model::SectionStart, sectionOf(master, false));
        }
    }
    startBlock(bf, cf);
    // A list that names no style takes its paragraphs' (a paragraph style
    // with a list style of its own).
    if (m_b.list.level >= 0 && m_b.list.unstyled && s) {
        if (const ListStyle *own = listStyle(s->listStyle)) {
            m_b.list.style = own;
            m_b.list.unstyled = false;
        }
    }
    if (m_b.list.level >= 0)
        attachList(m_b.list.level);
    else if (heading && m_b.tableDepth == 0)
        numberHeading(p, level);
    if (!m_selfMark.isEmpty()) {
        QTextCharFormat mark = cf;
        mark.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        mark.setProperty(model::NoteSelfMark, ++m_selfMarks);
        // No space after it: the note's text starts where its own does,
        // and a space here would be text in every file saved from it.
        m_b.cursor.insertText(m_selfMark, mark);
        m_selfMark.clear();
    }
    inlines(p, cf);
    endBlock();
    m_b.pageBreak = s && s->breakAfter;
}

// LibreOffice keeps the text of Symbol and Wingdings as the fonts' own
// codes (U+F020 to U+F0FF); shown as the characters they stand for, as
// the RTF and Word readers show them.
void Reader::symbolFontText(QString &text, const QTextCharFormat &format)
{
    const QString face = format.fontFamilies().toStringList().value(0);
    int codepage = 0;
    if (face.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) == 0)
        codepage = rtf::detail::symbolCodepage;
    else if (face.compare(QLatin1StringView("Wingdings"), Qt::CaseInsensitive) == 0)
        codepage = rtf::detail::pictographCodepage;
    if (codepage == 0)
        return;
    for (QChar &c : text) {
        if (c.unicode() >= 0xF020 && c.unicode() <= 0xF0FF)
            c = QChar(rtf::detail::symbolCharacter(codepage, uchar(c.unicode() - 0xF000)));
    }
}

void Reader::insertText(QStringView text, const QTextCharFormat &format, bool collapse)
{
    // Written straight into a buffer kept across runs: a run is short,
    // and there are many.
    QString &out = m_runBuffer;
    out.resize(text.size());
    QChar *const begin = out.data();
    QChar *o = begin;
    bool endsCollapsed = false;
    bool privateUse = false;
    for (QChar c : text) {
        if (collapse && (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')) {
            if (!m_b.lastSpace) {
                *o++ = u' ';
                m_b.lastSpace = true;
                endsCollapsed = true;
            }
            continue;
        }
        c = cleanChar(c);
        if (c.isNull())
            continue;
        privateUse = privateUse || (c.unicode() >= 0xF020 && c.unicode() <= 0xF0FF);
        *o++ = c;
        m_b.lastSpace = false;
        endsCollapsed = false;
    }
    out.resize(o - begin);
    if (out.isEmpty())
        return;
    if (privateUse)
        symbolFontText(out, format);
    QTextCharFormat f = format;
    if (!m_blockField.isEmpty()) {
        f.setProperty(model::FieldInstruction, m_blockField);
        f.setProperty(model::WrapId, m_blockFieldId);
    }
    // QTextCursor::insertText lays the paragraph out again for each run;
    // the text (cleaned of paragraph and frame breaks above) goes to the
    // document directly, as the RTF reader inserts its runs.
    if (m_b.cursor.hasSelection()) {
        m_b.cursor.insertText(out, f);
    } else {
        QTextDocumentPrivate *d = QTextDocumentPrivate::get(m_b.cursor.document());
        d->insert(m_b.cursor.position(), out, d->formatCollection()->indexForFormat(f));
    }
    m_b.trailingSpace = endsCollapsed ? m_b.cursor.position() - 1 : -1;
}

void Reader::insertPiece(const QTextCharFormat &base, QTextCharFormat piece)
{
    if (++m_pieces > limits::maxPieces)
        return;
    QTextCharFormat f = base;
    f.merge(piece);
    f.setObjectType(model::PieceObject);
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    m_b.trailingSpace = -1;
}

void Reader::inlines(const Node &parent, const QTextCharFormat &f)
{
    for (const Node &n : parent.kids) {
        if (n.isText()) {
            insertText(n.text, f, true);
            continue;
        }
        if (n.ns == ns::text) {
            const QString &name = n.name;
            if (name == u"span") {
                const QTextCharFormat span = spanFormat(n.attr(ns::text, L("style-name")), f);
                if (!span.boolProperty(HiddenText))
                    inlines(n, span);
            } else if (name == u"s") {
                const int count = n.has(ns::text, L("c")) ? std::clamp(n.attr(ns::text, L("c")).toInt(), 1, limits::maxSpaces) : 1;
                insertText(QString(count, u' '), f, false);
            } else if (name == u"tab") {
                insertText(QStringLiteral("\t"), f, false);
            } else if (name == u"line-break") {
                insertText(QString(QChar::LineSeparator), f, false);
                m_b.lastSpace = true;
            } else if (name == u"soft-hyphen") {
                insertText(QString(QChar(0x00AD)), f, false);
            } else if (name == u"a") {
                QTextCharFormat link = spanFormat(n.attr(ns::text, L("style-name")), f);
                const QString href = n.attr(ns::xlink, L("href")).trimmed();
                if (!href.isEmpty()) {
                    link.setAnchor(true);
                    link.setAnchorHref(href.left(4096));
                }
                inlines(n, link);
            } else if (name == u"bookmark" || name == u"bookmark-start" || name == u"bookmark-end") {
                QString bm = n.attr(ns::text, L("name"));
                bm.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
                bm = bm.trimmed().left(256);
                if (bm.isEmpty() || m_inSubDocument)
                    continue;
                QTextCharFormat piece;
                if (name != u"bookmark-end") {
                    piece.setProperty(model::BookmarkStart, bm);
                    insertPiece(f, piece);
                }
                if (name != u"bookmark-start") {
                    QTextCharFormat end;
                    end.setProperty(model::BookmarkEnd, bm);
                    insertPiece(f, end);
                }
            } else if (name == u"note") {
                note(n, f);
            } else if (name == u"soft-page-break" || name == u"change-start" || name == u"change-end" || name == u"change"
                       || ((name.endsWith(u"-mark") || name.endsWith(u"-mark-start") || name.endsWith(u"-mark-end"))
                           && name != u"bibliography-mark")) {
                // Nothing shows.
            } else if (name == u"ruby") {
                if (const Node *base = n.child(ns::text, L("ruby-base")))
                    inlines(*base, f);
            } else {
                QString instruction;
                for (const FieldKind &k : fieldKinds) {
                    if (name == QLatin1StringView(k.element)) {
                        instruction = QLatin1StringView(k.instruction);
                        break;
                    }
                }
                if (name == u"sequence")
                    instruction = QStringLiteral("SEQ ") + n.attr(ns::text, L("name")).left(64).remove(u' ');
                else if (name == u"bookmark-ref" || name == u"reference-ref" || name == u"note-ref"
                         || name == u"sequence-ref")
                    instruction = QStringLiteral("REF ") + n.attr(ns::text, L("ref-name")).left(64).remove(u' ') + QStringLiteral(" \\h");
                if (!instruction.isEmpty())
                    field(n, f, instruction);
                else
                    inlines(n, f); // other fields and wrappers: their text shows
            }
            continue;
        }
        if (n.is(ns::office, L("annotation"))) {
            annotation(n, f);
        } else if (n.ns == ns::draw) {
            if (n.name == u"frame")
                frame(n, f);
            else if (n.name == u"a") {
                QTextCharFormat link = f;
                const QString href = n.attr(ns::xlink, L("href")).trimmed();
                if (!href.isEmpty()) {
                    link.setAnchor(true);
                    link.setAnchorHref(href.left(4096));
                }
                inlines(n, link);
            } else {
                opaque(n, f);
            }
        } else if (n.ns == ns::office || n.ns == ns::table) {
            // office:annotation-end, stray tables' parts: nothing shows.
        } else {
            inlines(n, f); // unknown wrappers (text:meta ...): their text
        }
    }
}

void Reader::field(const Node &n, const QTextCharFormat &f, const QString &instruction)
{
    QTextCharFormat ff = f;
    if (m_blockField.isEmpty()) {
        ff.setProperty(model::FieldInstruction, instruction);
        ff.setProperty(model::WrapId, ++m_wraps);
    }
    inlines(n, ff);
}

void Reader::annotation(const Node &n, const QTextCharFormat &f)
{
    QString text, author, initials, date;
    for (const Node &k : n.kids) {
        if (k.is(ns::dc, L("creator")))
            author = k.allText().trimmed().left(256);
        else if (k.is(ns::dc, L("date")))
            date = k.allText().trimmed().left(64);
        else if (k.name == u"creator-initials" || k.name == u"sender-initials")
            initials = k.allText().trimmed().left(32);
        else if (k.ns == ns::text && text.size() < 65536) {
            if (!text.isEmpty())
                text += u'\n';
            text += k.allText().left(65536);
        }
    }
    QTextCharFormat piece;
    piece.setProperty(model::OpaqueText, text);
    if (!author.isEmpty())
        piece.setProperty(model::CommentAuthor, author);
    if (!initials.isEmpty())
        piece.setProperty(model::CommentInitials, initials);
    if (!date.isEmpty())
        piece.setProperty(model::CommentDate, date);
    insertPiece(f, piece);
}

namespace {

// Whether the element points into the package: such XML is no use
// written into another package.
bool refersToParts(const Node &n)
{
    const QString href = n.attr(ns::xlink, QLatin1StringView("href"));
    if (!href.isEmpty() && !href.contains(QLatin1StringView("://")) && !href.startsWith(u'#'))
        return true;
    for (const Node &k : n.kids) {
        if (!k.isText() && refersToParts(k))
            return true;
    }
    return false;
}

// The visible text of a piece: its paragraphs, a space between them.
void visibleText(const Node &n, QString &out)
{
    for (const Node &k : n.kids) {
        if (k.isText()) {
            if (n.ns == ns::text || n.ns == ns::math)
                out += k.text.simplified().isEmpty() && !k.text.isEmpty() ? QStringLiteral(" ") : k.text;
            continue;
        }
        if (k.ns == ns::svg || k.is(ns::office, QLatin1StringView("binary-data")) || k.name == u"annotation")
            continue;
        if ((k.is(ns::text, QLatin1StringView("p")) || k.is(ns::text, QLatin1StringView("h"))) && !out.isEmpty()
            && !out.endsWith(u' '))
            out += u' ';
        if (k.is(ns::text, QLatin1StringView("s")))
            out += u' ';
        else if (k.is(ns::text, QLatin1StringView("tab")))
            out += u'\t';
        visibleText(k, out);
    }
}

} // namespace

void Reader::opaque(const Node &n, const QTextCharFormat &f, const QString *shown)
{
    QString text;
    if (shown)
        text = *shown;
    else
        visibleText(n, text);
    text = text.simplified().left(65536);
    QTextCharFormat piece;
    piece.setProperty(model::OpaqueText, text);
    const QString xml = refersToParts(n) ? QString() : serialise(n);
    if (!xml.isEmpty() && xml.size() <= 32 * 1024 * 1024)
        piece.setProperty(model::OpaqueOdfXml, xml);
    insertPiece(f, piece);
    if (!text.isEmpty()) {
        QTextCharFormat visible = f;
        visible.setProperty(model::OpaqueText, QString());
        insertText(text, visible, false);
    }
    m_b.lastSpace = false; // the piece stands for characters
}

void Reader::frame(const Node &n, const QTextCharFormat &f)
{
    const Node *image = n.child(ns::draw, L("image"));
    const Node *object = n.child(ns::draw, L("object"));
    if (!object)
        object = n.child(ns::draw, L("object-ole"));
    // An object kept in the package shows its replacement picture, or
    // its text (a formula's) where the picture is of no kind shown.
    if (image && (!object || object->has(ns::xlink, L("href"))) && picture(n, *image, f))
        return;
    if (object && object->has(ns::xlink, L("href")) && m_zip) {
        const QString part = package::resolvePart(QStringLiteral("content.xml"), object->attr(ns::xlink, L("href")));
        QString text;
        if (!part.isEmpty() && m_zip->contains(part + QStringLiteral("/content.xml"))) {
            const Node content = parseXml(m_zip->read(part + QStringLiteral("/content.xml")), part + QStringLiteral("/content.xml"));
            if (content.name == u"math")
                visibleText(content, text);
        }
        text = text.simplified();
        opaque(n, f, &text);
        return;
    }
    // A text box holding pictures of the package (a picture with its
    // caption): its XML is no use elsewhere, so its content is read in
    // place, pictures and all.
    if (const Node *box = n.child(ns::draw, L("text-box")); box && refersToParts(n)) {
        bool first = true;
        for (const Node &k : box->kids) {
            if (k.isText())
                continue;
            if (!first)
                insertText(QStringLiteral(" "), f, true);
            first = false;
            if (k.is(ns::text, L("p")) || k.is(ns::text, L("h"))) {
                inlines(k, f);
            } else {
                QString text;
                visibleText(k, text);
                insertText(text, f, true);
            }
        }
        return;
    }
    opaque(n, f);
}

} // namespace detail

void read(QByteArrayView data, QTextDocument &doc)
{
    // A refused document leaves the caller's undo as it was.
    const model::UndoPaused paused(doc);
    doc.clear();
    const auto readWith = [&](bool stream) {
        detail::Reader r(doc, stream);
        if (package::isZip(data))
            r.readPackage(data);
        else
            r.readFlat(data);
    };
    try {
        readWith(true);
    } catch (const detail::Reader::Restart &) {
        doc.clear();
        readWith(false);
    }
}

} // namespace odt
