// The OpenDocument writer: the package and its parts, and the body's
// frames and paragraphs. Each concern (styles, lists, tables, pages, what
// a paragraph holds) is written by a unit of its own.

#include "writerimpl.h"

#include "package/package.h"
#include "model/docprops.h"
#include "model/language.h"
#include "model/tables.h"
#include "rtf/rtf.h"

#include <QDateTime>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace odt::detail {

namespace {

// Every prefix a part may use, kept pieces included: declared on each
// part's root, so kept XML stays valid wherever it goes.
const char kNamespaces[] =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:xlink=\"http://www.w3.org/1999/xlink\""
    " xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
    " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " xmlns:chart=\"urn:oasis:names:tc:opendocument:xmlns:chart:1.0\""
    " xmlns:dr3d=\"urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0\""
    " xmlns:math=\"http://www.w3.org/1998/Math/MathML\""
    " xmlns:form=\"urn:oasis:names:tc:opendocument:xmlns:form:1.0\""
    " xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\""
    " xmlns:config=\"urn:oasis:names:tc:opendocument:xmlns:config:1.0\""
    " xmlns:loext=\"urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0\""
    " xmlns:officeooo=\"http://openoffice.org/2009/office\""
    " xmlns:field=\"urn:openoffice:names:experimental:ooo-ms-interop:xmlns:field:1.0\"";

QByteArray partStart(const char *root)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + root + kNamespaces
        + " office:version=\"1.3\">";
}

// Characters XML 1.0 cannot hold: controls other than tab and line ends,
// lone surrogates, U+FFFE and U+FFFF.
bool xmlAllowed(char32_t c)
{
    if (c < 0x20)
        return c == 9 || c == 10 || c == 13;
    if (c >= 0xD800 && c <= 0xDFFF)
        return false;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

Writer::Writer(const QTextDocument &doc) : m_doc(doc)
{
    const QFont def = doc.defaultFont();
    m_defaultFamily = def.family();
    if (def.pointSizeF() > 0)
        m_defaultSize = def.pointSizeF();
    m_documentLanguage = model::defaultLanguage(doc);
}

// Text with OpenDocument's white space: a space after a space or at the
// paragraph's start is text:s, a tab text:tab, a line break text:line-break.
void Writer::writeText(Walk &w, QStringView text)
{
    QXmlStreamWriter &x = *w.x;
    QString run;
    int spaces = 0;
    const auto flushSpaces = [&] {
        if (spaces > 0) {
            x.writeEmptyElement(QStringLiteral("text:s"));
            if (spaces > 1)
                x.writeAttribute(QStringLiteral("text:c"), QString::number(spaces));
            spaces = 0;
        }
    };
    const auto flushRun = [&] {
        if (!run.isEmpty()) {
            x.writeCharacters(run);
            run.clear();
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            flushSpaces();
            run += text[i];
            run += text[i + 1];
            ++i;
            w.lastSpace = false;
            continue;
        }
        switch (c) {
        case u' ':
            if (w.lastSpace) {
                flushRun();
                ++spaces;
            } else {
                run += u' ';
                w.lastSpace = true;
            }
            continue;
        case u'\t':
            flushRun();
            flushSpaces();
            x.writeEmptyElement(QStringLiteral("text:tab"));
            w.lastSpace = false;
            continue;
        case u'\n':
        case u'\r':
        case QChar::LineSeparator:
        case QChar::ParagraphSeparator:
            flushRun();
            flushSpaces();
            x.writeEmptyElement(QStringLiteral("text:line-break"));
            w.lastSpace = true;
            continue;
        case QChar::ObjectReplacementCharacter:
            continue; // objects are written by their own format
        default:
            break;
        }
        if (!xmlAllowed(c))
            continue;
        flushSpaces();
        run += QChar(char16_t(c));
        w.lastSpace = false;
    }
    flushSpaces();
    flushRun();
}

void Writer::writeFrame(Walk &w, const QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child)) {
                closeLists(w);
                writeTable(w, table);
            } else {
                writeFrame(w, child);
            }
        } else if (!model::leadsTable(it.currentBlock())) {
            writeBlock(w, it.currentBlock());
        }
    }
}

void Writer::writeBlock(Walk &w, const QTextBlock &block)
{
    QXmlStreamWriter &x = *w.x;
    if (w.skipKept) {
        // A paragraph of a kept piece's visible text only: the piece holds it.
        bool kept = block.length() > 1;
        for (QTextBlock::iterator it = block.begin(); kept && !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            kept = f.hasProperty(OpaqueText) && f.objectType() != PieceObject;
        }
        if (kept)
            return;
    }
    if (block.textList())
        enterListItem(w, block);
    else
        closeLists(w);
    const QString master = w.body && w.tableDepth == 0 ? m_sectionMaster.value(block.blockNumber()) : QString();
    const QString style = paragraphStyle(w, block, master);
    const int level = block.blockFormat().headingLevel();
    if (level >= 1 && level <= 10) {
        x.writeStartElement(QStringLiteral("text:h"));
        x.writeAttribute(QStringLiteral("text:style-name"), style);
        x.writeAttribute(QStringLiteral("text:outline-level"), QString::number(level));
    } else {
        x.writeStartElement(QStringLiteral("text:p"));
        x.writeAttribute(QStringLiteral("text:style-name"), style);
    }
    w.lastSpace = true;
    writeParagraphContent(w, block);
    x.writeEndElement();
}

// A note's or header's content: its RTF read into a document of its own
// and written into the same part.
void Writer::writeSubDocument(Walk &parent, const QString &rtf, StylePool &pool, QXmlStreamWriter &x, bool inNote,
                              const QString &baseStyle)
{
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    try {
        rtf::read(rtf.toLatin1(), doc);
    } catch (const model::ReadError &) {
        doc.clear();
    }
    Walk w;
    w.doc = &doc;
    w.x = &x;
    w.pool = &pool;
    w.inNote = inNote || parent.inNote;
    w.baseStyle = baseStyle;
    // A list of the note goes on a list of the same part's other notes only
    // by style, never by numbering.
    writeFrame(w, doc.rootFrame());
    closeLists(w);
}

QByteArray Writer::metaXml() const
{
    QByteArray out;
    QXmlStreamWriter x(&out);
    const QVariantMap info = model::documentInfo(m_doc);
    x.writeStartElement(QStringLiteral("office:meta"));
    x.writeTextElement(QStringLiteral("meta:generator"), QStringLiteral("Borovka"));
    const auto text = [&](const char *key, const char *element) {
        const QString v = info.value(QLatin1StringView(key)).toString();
        QString clean;
        for (const QChar c : v) {
            if (xmlAllowed(c.unicode()))
                clean += c;
        }
        if (!clean.isEmpty())
            x.writeTextElement(QLatin1StringView(element), clean);
    };
    const auto date = [&](const char *key, const char *element) {
        const QDateTime d = info.value(QLatin1StringView(key)).toDateTime();
        if (d.isValid())
            x.writeTextElement(QLatin1StringView(element), d.toString(Qt::ISODate));
    };
    text("title", "dc:title");
    text("subject", "dc:subject");
    text("comment", "dc:description");
    text("author", "meta:initial-creator");
    text("operator", "dc:creator");
    date("creatim", "meta:creation-date");
    date("revtim", "dc:date");
    date("printim", "meta:print-date");
    const QString keywords = info.value(QStringLiteral("keywords")).toString();
    if (!keywords.isEmpty()) {
        QString clean;
        for (const QChar c : keywords) {
            if (xmlAllowed(c.unicode()))
                clean += c;
        }
        x.writeTextElement(QStringLiteral("meta:keyword"), clean);
    }
    x.writeEndElement();
    return partStart("office:document-meta") + out + "</office:document-meta>\n";
}

QByteArray Writer::run()
{
    prepareCommonStyles();
    prepareMasterPages();

    // content.xml's body first: it makes the automatic styles.
    QByteArray body;
    {
        QXmlStreamWriter x(&body);
        Walk w;
        w.doc = &m_doc;
        w.x = &x;
        w.pool = &m_content;
        w.body = true;
        x.writeStartElement(QStringLiteral("office:body"));
        x.writeStartElement(QStringLiteral("office:text"));
        writeFrame(w, m_doc.rootFrame());
        closeLists(w);
        x.writeEndElement();
        x.writeEndElement();
    }
    const QByteArray masters = masterStylesXml();
    const QByteArray common = commonStylesXml();

    QByteArray content = partStart("office:document-content");
    content += "<office:scripts/>";
    content += fontFacesXml();
    content += "<office:automatic-styles>" + m_content.xml() + "</office:automatic-styles>";
    content += body;
    content += "</office:document-content>\n";

    QByteArray styles = partStart("office:document-styles");
    styles += fontFacesXml();
    styles += common;
    styles += "<office:automatic-styles>" + pageLayoutsXml() + m_styles.xml() + "</office:automatic-styles>";
    styles += masters;
    styles += "</office:document-styles>\n";

    // Tab stops count from the page's margin, as the model's do.
    QByteArray settings = partStart("office:document-settings");
    settings += "<office:settings><config:config-item-set config:name=\"ooo:configuration-settings\">"
                "<config:config-item config:name=\"TabsRelativeToIndent\" config:type=\"boolean\">false"
                "</config:config-item></config:config-item-set></office:settings></office:document-settings>\n";

    const QByteArray meta = metaXml();

    QByteArray manifest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\""
                          " manifest:version=\"1.3\">\n"
                          " <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.3\""
                          " manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>\n"
                          " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
                          " <manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>\n"
                          " <manifest:file-entry manifest:full-path=\"meta.xml\" manifest:media-type=\"text/xml\"/>\n"
                          " <manifest:file-entry manifest:full-path=\"settings.xml\" manifest:media-type=\"text/xml\"/>\n";
    manifest += manifestPictures();
    manifest += "</manifest:manifest>\n";

    package::ZipWriter zip;
    zip.add(QStringLiteral("mimetype"), QByteArrayLiteral("application/vnd.oasis.opendocument.text"), false);
    zip.add(QStringLiteral("META-INF/manifest.xml"), manifest);
    zip.add(QStringLiteral("content.xml"), content);
    zip.add(QStringLiteral("styles.xml"), styles);
    zip.add(QStringLiteral("meta.xml"), meta);
    zip.add(QStringLiteral("settings.xml"), settings);
    for (const PictureFile &p : m_pictures)
        zip.add(p.path, p.bytes, false); // pictures are compressed already
    return zip.finish();
}

} // namespace odt::detail

namespace odt {

QByteArray write(const QTextDocument &doc)
{
    return detail::Writer(doc).run();
}

} // namespace odt
