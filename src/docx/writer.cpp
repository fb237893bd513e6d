// The Word writer: the document's body as word/document.xml, and around it
// the parts a Word package has. This unit drives the writing and walks the
// body's frames, paragraphs and runs; each concern is written by a unit of
// its own.

#include "writerimpl.h"

#include "model/docprops.h"
#include "model/language.h"
#include "model/tables.h"
#include "package/package.h"
#include "rtf/rtf.h"

#include <QFont>
#include <QTextCursor>
#include <QTextImageFormat>

namespace docx {
namespace detail {

Xml::Xml() : m_buffer(&m_bytes)
{
    m_buffer.open(QIODevice::WriteOnly);
    w.setDevice(&m_buffer);
    w.writeStartDocument(QStringLiteral("1.0"), true);
}

void Xml::val(const QString &name, const QString &value)
{
    w.writeEmptyElement(name);
    w.writeAttribute(QStringLiteral("w:val"), value);
}

void Xml::raw(const QByteArray &xml)
{
    w.writeCharacters(QString()); // ends a start tag left open
    m_buffer.write(xml);
}

void Xml::declareWordNamespaces()
{
    static const char *const spaces[][2] = {
        {"xmlns:wpc", "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas"},
        {"xmlns:mc", "http://schemas.openxmlformats.org/markup-compatibility/2006"},
        {"xmlns:o", "urn:schemas-microsoft-com:office:office"},
        {"xmlns:r", kNsR},
        {"xmlns:m", "http://schemas.openxmlformats.org/officeDocument/2006/math"},
        {"xmlns:v", "urn:schemas-microsoft-com:vml"},
        {"xmlns:wp14", "http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing"},
        {"xmlns:wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
        {"xmlns:w10", "urn:schemas-microsoft-com:office:word"},
        {"xmlns:w", kNsW},
        {"xmlns:w14", "http://schemas.microsoft.com/office/word/2010/wordml"},
        {"xmlns:wpg", "http://schemas.microsoft.com/office/word/2010/wordprocessingGroup"},
        {"xmlns:wps", "http://schemas.microsoft.com/office/word/2010/wordprocessingShape"},
        {"xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
        {"xmlns:pic", "http://schemas.openxmlformats.org/drawingml/2006/picture"},
    };
    for (const auto &s : spaces)
        w.writeAttribute(QLatin1StringView(s[0]), QLatin1StringView(s[1]));
    w.writeAttribute(QStringLiteral("mc:Ignorable"), QStringLiteral("w14 wp14"));
}

QByteArray Xml::finish()
{
    w.writeEndDocument();
    m_buffer.close();
    return m_bytes;
}

QString xmlSafe(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += c;
                out += text[++i];
            }
            continue;
        }
        if (c.isLowSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r')
            continue;
        out += c;
    }
    return out;
}

QString Relationships::add(const QString &type, const QString &target, bool external)
{
    const QString key = type + u' ' + (external ? u'x' : u'i') + target;
    if (const auto it = byTarget.constFind(key); it != byTarget.cend())
        return *it;
    const QString id = QStringLiteral("rId") + QString::number(list.size() + 1);
    list.push_back({id, type, target, external});
    byTarget.insert(key, id);
    return id;
}

QByteArray Relationships::xml() const
{
    Xml x;
    x.start(QStringLiteral("Relationships"));
    x.attr(QStringLiteral("xmlns"), QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships"));
    for (const Relationship &r : list) {
        x.empty(QStringLiteral("Relationship"));
        x.attr(QStringLiteral("Id"), r.id);
        x.attr(QStringLiteral("Type"), r.type.startsWith(QLatin1StringView("http")) ? r.type : QLatin1StringView(kRelBase) + r.type);
        x.attr(QStringLiteral("Target"), xmlSafe(r.target));
        if (r.external)
            x.attr(QStringLiteral("TargetMode"), QStringLiteral("External"));
    }
    x.end();
    return x.finish();
}

const QTextDocument &Writer::subDocument(const QString &rtf)
{
    if (const auto it = m_subDocByRtf.constFind(rtf); it != m_subDocByRtf.cend())
        return **it;
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    try {
        rtf::read(rtf.toLatin1(), *doc);
    } catch (const model::ReadError &) {
        doc->clear(); // not written by us: an empty one rather than none
    }
    const QTextDocument *p = doc.get();
    m_subDocs.push_back(std::move(doc));
    m_subDocByRtf.insert(rtf, p);
    return *p;
}

QByteArray Writer::run()
{
    const QFont def = m_doc.defaultFont();
    // The file's default font is that of text naming none; a document
    // from elsewhere has the editor's.
    m_defaultFamily = m_doc.rootFrame()->frameFormat().stringProperty(DocDefaultFont);
    if (m_defaultFamily.isEmpty() || m_defaultFamily.size() > 255)
        m_defaultFamily = def.family();
    if (def.pointSizeF() > 0)
        m_defaultSize = def.pointSizeF();
    m_documentLanguage = model::defaultLanguage(m_doc);
    loadStyles();
    prepareSections(); // headers and footers are parts of their own, written first

    Xml body;
    body.start(QStringLiteral("w:document"));
    body.declareWordNamespaces();
    body.start(QStringLiteral("w:body"));
    writeFrame(body, m_doc, m_doc.rootFrame());
    closeBookmarks(body);
    body.raw(m_bodySectPr);
    body.end();
    body.end();
    const QByteArray documentXml = body.finish();

    // What the body gathered, each part written once.
    QByteArray footnotes, endnotes, comments;
    if (!m_notes[0].empty())
        footnotes = notesXml(false);
    if (!m_notes[1].empty())
        endnotes = notesXml(true);
    if (!m_comments.empty())
        comments = commentsXml();
    const QByteArray numbering = m_lists.empty() ? QByteArray() : numberingXml();

    m_main.rels.add(QStringLiteral("styles"), QStringLiteral("styles.xml"), false);
    m_main.rels.add(QStringLiteral("settings"), QStringLiteral("settings.xml"), false);
    if (!numbering.isEmpty())
        m_main.rels.add(QStringLiteral("numbering"), QStringLiteral("numbering.xml"), false);
    if (!footnotes.isEmpty())
        m_main.rels.add(QStringLiteral("footnotes"), QStringLiteral("footnotes.xml"), false);
    if (!endnotes.isEmpty())
        m_main.rels.add(QStringLiteral("endnotes"), QStringLiteral("endnotes.xml"), false);
    if (!comments.isEmpty())
        m_main.rels.add(QStringLiteral("comments"), QStringLiteral("comments.xml"), false);

    package::ZipWriter zip;
    zip.add(QStringLiteral("[Content_Types].xml"), contentTypesXml());
    Relationships root;
    root.add(QStringLiteral("officeDocument"), QStringLiteral("word/document.xml"), false);
    // The core properties' relationship type is the package's own.
    root.add(QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties"),
             QStringLiteral("docProps/core.xml"), false);
    root.add(QStringLiteral("extended-properties"), QStringLiteral("docProps/app.xml"), false);
    zip.add(QStringLiteral("_rels/.rels"), root.xml());
    zip.add(QStringLiteral("docProps/core.xml"), coreXml());
    zip.add(QStringLiteral("docProps/app.xml"), appXml());
    zip.add(QStringLiteral("word/document.xml"), documentXml);
    zip.add(QStringLiteral("word/_rels/document.xml.rels"), m_main.rels.xml());
    zip.add(QStringLiteral("word/styles.xml"), stylesXml());
    zip.add(QStringLiteral("word/settings.xml"), settingsXml());
    if (!numbering.isEmpty())
        zip.add(QStringLiteral("word/numbering.xml"), numbering);
    if (!footnotes.isEmpty())
        zip.add(QStringLiteral("word/footnotes.xml"), footnotes);
    if (!endnotes.isEmpty())
        zip.add(QStringLiteral("word/endnotes.xml"), endnotes);
    if (!comments.isEmpty())
        zip.add(QStringLiteral("word/comments.xml"), comments);
    for (const HeaderPart &h : m_headers)
        zip.add(QStringLiteral("word/") + h.part, h.xml);
    for (const auto &part : m_parts) {
        if (!part->rels.list.empty()) {
            const QString file = part->name.mid(part->name.lastIndexOf(u'/') + 1);
            zip.add(QStringLiteral("word/_rels/") + file + QStringLiteral(".rels"), part->rels.xml());
        }
    }
    for (const Media &m : m_media)
        zip.add(QStringLiteral("word/media/") + m.name, m.bytes, false);
    return zip.finish();
}

void Writer::writeFrame(Xml &x, const QTextDocument &doc, const QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame())
            writeChildFrame(x, doc, child);
        else if (!model::leadsTable(it.currentBlock()))
            writeBlock(x, doc, it.currentBlock());
    }
}

void Writer::writeChildFrame(Xml &x, const QTextDocument &doc, const QTextFrame *child)
{
    const auto *table = qobject_cast<const QTextTable *>(child);
    if (!table) {
        writeFrame(x, doc, child);
        return;
    }
    writeTable(x, doc, table);
    // A section that ends with a table: Word keeps a section's properties
    // in a paragraph, so an empty one ends it.
    if (&doc == &m_doc && m_tableLevel == 0) {
        const QTextBlock after = doc.findBlock(table->lastPosition() + 1);
        if (const auto it = m_sectionEnds.constFind(after.blockNumber()); after.isValid() && it != m_sectionEnds.cend()) {
            x.start(QStringLiteral("w:p"));
            x.start(QStringLiteral("w:pPr"));
            x.raw(m_sections[*it].xml);
            x.end();
            x.end();
        }
    }
}

void Writer::writeBlock(Xml &x, const QTextDocument &doc, const QTextBlock &block)
{
    x.start(QStringLiteral("w:p"));
    writeParagraphProperties(x, doc, block);
    writeRuns(x, doc, block);
    closeLink(x);
    if (!fieldGoesOn(block))
        closeField(x);
    x.end();
}

void Writer::writeRuns(Xml &x, const QTextDocument &doc, const QTextBlock &block)
{
    QString style = styleIdOf(block.blockFormat());
    if (style.isEmpty() && block.blockFormat().headingLevel() >= 1 && block.blockFormat().headingLevel() <= 9)
        style = QStringLiteral("Heading") + QString::number(block.blockFormat().headingLevel());
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid())
            continue;
        const QTextCharFormat f = frag.charFormat();
        const QString text = frag.text();
        const bool piece = f.objectType() == PieceObject;
        // The shown text of a kept Word piece: the piece is written instead.
        if (m_skipKeptText) {
            if (!piece && f.hasProperty(OpaqueText))
                continue;
            m_skipKeptText = false;
        }
        if (piece) {
            for (const QChar c : text) {
                if (c == QChar::ObjectReplacementCharacter)
                    writePiece(x, f);
            }
            continue;
        }
        // A field's characters are runs, so a field may hold links (a table
        // of contents) or begin in one: each goes on across the other.
        if ((f.hasProperty(WrapId) ? f.intProperty(WrapId) : 0) != m_fieldId)
            closeField(x);
        switchLink(x, f.isAnchor() ? f.anchorHref() : QString());
        switchField(x, f);
        if (m_part == &m_main && f.hasProperty(NoteRtf) && !f.hasProperty(NoteSelfMark) && writeNoteMark(x, f, text))
            continue;
        if (f.hasProperty(NoteSelfMark) && writeSelfMark(x, f))
            continue;
        if (f.isImageFormat()) {
            qsizetype start = 0;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != QChar::ObjectReplacementCharacter)
                    continue;
                if (i > start)
                    writeText(x, f, QStringView(text).sliced(start, i - start), style);
                if (i < text.size())
                    writePicture(x, doc, f.toImageFormat());
                start = i + 1;
            }
            continue;
        }
        writeText(x, f, text, style);
    }
}

void Writer::startRun(Xml &x, const QTextCharFormat &f, const QString &style)
{
    x.start(QStringLiteral("w:r"));
    writeRunProperties(x, f, style);
}

// One run: its properties, then the text with tabs, line breaks and
// hyphens as Word's own elements.
void Writer::writeText(Xml &x, const QTextCharFormat &f, QStringView text, const QString &style)
{
    if (text.isEmpty())
        return;
    startRun(x, f, style);
    QString buf;
    const auto flush = [&] {
        if (buf.isEmpty())
            return;
        x.start(QStringLiteral("w:t"));
        x.attr(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        x.w.writeCharacters(xmlSafe(buf));
        x.end();
        buf.clear();
    };
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\t':
            flush();
            x.empty(QStringLiteral("w:tab"));
            break;
        case u'\n':
        case u'\r':
        case QChar::LineSeparator:
        case QChar::ParagraphSeparator:
            flush();
            x.empty(QStringLiteral("w:br"));
            break;
        case QChar::SoftHyphen:
            flush();
            x.empty(QStringLiteral("w:softHyphen"));
            break;
        case 0x2011: // non-breaking hyphen
            flush();
            x.empty(QStringLiteral("w:noBreakHyphen"));
            break;
        case QChar::ObjectReplacementCharacter:
            break;
        default:
            buf += c;
            break;
        }
    }
    flush();
    x.end();
}

} // namespace detail

QByteArray write(const QTextDocument &doc)
{
    return detail::Writer(doc).run();
}

} // namespace docx
