// Footnotes, endnotes, comments, headers and footers: content that Word
// keeps in parts of its own, and the sections that name the headers.
// A note's and a header's content is in the model as an RTF document;
// it is read into a document of its own and written as the body is.

#include "writerimpl.h"

#include "model/docprops.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTextCursor>

#include <algorithm>

namespace docx::detail {

namespace {

// The value of `word` in an RTF annotation ("{\*\atnauthor Jan}"): Jan.
QString rtfGroupValue(const QString &rtf, const char *word)
{
    const QRegularExpression re(QStringLiteral("\\\\%1 ?([^{}]{0,1000})\\}").arg(QLatin1StringView(word)));
    const QRegularExpressionMatch m = re.match(rtf);
    return m.hasMatch() ? rtfText(m.captured(1)) : QString();
}

} // namespace

// RTF text (escapes and all) as the text it is, read by the RTF reader.
QString rtfText(const QString &s, bool trimmed)
{
    QTextDocument doc;
    try {
        rtf::read("{\\rtf1\\ansi\\ansicpg1250 " + s.toLatin1() + "\\par}", doc);
    } catch (const model::ReadError &) {
        return {};
    }
    const QString text = model::textKeepingNbsp(doc);
    return trimmed ? text.trimmed() : text;
}

bool Writer::writeNoteMark(Xml &x, const QTextCharFormat &f, QStringView text)
{
    const int kind = f.intProperty(NoteKind) == Endnote ? 1 : 0;
    if (m_notes[kind].size() >= 20'000)
        return false;
    if (m_noteWords.isEmpty() && f.hasProperty(NoteNumberingWords))
        m_noteWords = f.stringProperty(NoteNumberingWords).left(256);
    const QTextDocument &note = subDocument(f.stringProperty(NoteRtf));
    const bool custom = !f.boolProperty(NoteAutoNumber);
    const int id = int(m_notes[kind].size()) + 1;
    m_notes[kind].push_back({id, &note, custom});
    // Raised by its style, as Word's own marks are, where its format says
    // nothing of it.
    m_markStyle = kind ? QStringLiteral("EndnoteReference") : QStringLiteral("FootnoteReference");
    startRun(x, f, QString());
    m_markStyle.clear();
    x.empty(kind ? QStringLiteral("w:endnoteReference") : QStringLiteral("w:footnoteReference"));
    if (custom)
        x.attr(QStringLiteral("w:customMarkFollows"), QStringLiteral("1"));
    x.attr(QStringLiteral("w:id"), QString::number(id));
    if (custom) {
        x.start(QStringLiteral("w:t"));
        x.attr(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        x.w.writeCharacters(xmlSafe(text.toString()).remove(QChar::ObjectReplacementCharacter));
        x.end();
    }
    x.end();
    return true;
}

// In a note, the mark that repeats its number.
bool Writer::writeSelfMark(Xml &x, const QTextCharFormat &f)
{
    if (m_noteKind < 0)
        return false;
    m_markStyle = m_noteKind ? QStringLiteral("EndnoteReference") : QStringLiteral("FootnoteReference");
    startRun(x, f, QString());
    m_markStyle.clear();
    x.empty(m_noteKind ? QStringLiteral("w:endnoteRef") : QStringLiteral("w:footnoteRef"));
    x.end();
    return true;
}

QByteArray Writer::notesXml(bool endnotes)
{
    const QString tag = endnotes ? QStringLiteral("w:endnote") : QStringLiteral("w:footnote");
    auto part = std::make_unique<PartContext>();
    part->name = endnotes ? QStringLiteral("word/endnotes.xml") : QStringLiteral("word/footnotes.xml");
    m_part = part.get();
    m_parts.push_back(std::move(part));
    Xml x;
    x.start(endnotes ? QStringLiteral("w:endnotes") : QStringLiteral("w:footnotes"));
    x.declareWordNamespaces();
    // The separator lines Word requires before the notes.
    for (int id = -1; id <= 0; ++id) {
        x.start(tag);
        x.attr(QStringLiteral("w:type"), id < 0 ? QStringLiteral("separator") : QStringLiteral("continuationSeparator"));
        x.attr(QStringLiteral("w:id"), QString::number(id));
        x.start(QStringLiteral("w:p"));
        x.start(QStringLiteral("w:pPr"));
        x.empty(QStringLiteral("w:spacing"));
        x.attr(QStringLiteral("w:after"), QStringLiteral("0"));
        x.attr(QStringLiteral("w:line"), QStringLiteral("240"));
        x.attr(QStringLiteral("w:lineRule"), QStringLiteral("auto"));
        x.end();
        x.start(QStringLiteral("w:r"));
        x.empty(id < 0 ? QStringLiteral("w:separator") : QStringLiteral("w:continuationSeparator"));
        x.end();
        x.end();
        x.end();
    }
    m_noteKind = endnotes ? 1 : 0;
    for (const Note &n : m_notes[endnotes ? 1 : 0]) {
        x.start(tag);
        x.attr(QStringLiteral("w:id"), QString::number(n.id));
        writeFrame(x, *n.doc, n.doc->rootFrame());
        closeBookmarks(x);
        x.end();
    }
    m_noteKind = -1;
    m_part = &m_main;
    x.end();
    return x.finish();
}

void Writer::writeComment(Xml &x, const QTextCharFormat &f)
{
    if (m_noteKind >= 0 || m_part != &m_main || m_comments.size() >= 100'000)
        return; // comments of the body only
    Comment c;
    c.text = f.stringProperty(OpaqueText);
    c.author = f.stringProperty(CommentAuthor);
    c.initials = f.stringProperty(CommentInitials);
    c.date = f.stringProperty(CommentDate);
    const QString rtf = f.stringProperty(OpaqueRtf);
    if (!f.hasProperty(CommentAuthor) && !rtf.isEmpty()) {
        // A comment read from RTF: its author leads the text it shows.
        c.author = rtfGroupValue(rtf, "atnauthor");
        c.initials = rtfGroupValue(rtf, "atnid");
        if (!c.author.isEmpty() && c.text.startsWith(c.author + QStringLiteral(": ")))
            c.text = c.text.mid(c.author.size() + 2);
    }
    const int id = int(m_comments.size());
    m_comments.push_back(std::move(c));
    x.start(QStringLiteral("w:r"));
    x.empty(QStringLiteral("w:commentReference"));
    x.attr(QStringLiteral("w:id"), QString::number(id));
    x.end();
}

QByteArray Writer::commentsXml()
{
    Xml x;
    x.start(QStringLiteral("w:comments"));
    x.declareWordNamespaces();
    for (size_t i = 0; i < m_comments.size(); ++i) {
        const Comment &c = m_comments[i];
        x.start(QStringLiteral("w:comment"));
        x.attr(QStringLiteral("w:id"), QString::number(i));
        x.attr(QStringLiteral("w:author"), xmlSafe(c.author).left(255));
        const QDateTime date = QDateTime::fromString(c.date, Qt::ISODate);
        if (date.isValid())
            x.attr(QStringLiteral("w:date"), date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
        if (!c.initials.isEmpty())
            x.attr(QStringLiteral("w:initials"), xmlSafe(c.initials).left(9));
        const QStringList lines = xmlSafe(c.text).split(u'\n');
        for (qsizetype k = 0; k < lines.size(); ++k) {
            x.start(QStringLiteral("w:p"));
            if (k == 0) {
                x.start(QStringLiteral("w:r"));
                x.empty(QStringLiteral("w:annotationRef"));
                x.end();
            }
            if (!lines[k].isEmpty()) {
                x.start(QStringLiteral("w:r"));
                x.start(QStringLiteral("w:t"));
                x.attr(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                x.w.writeCharacters(QString(lines[k]).remove(u'\r'));
                x.end();
                x.end();
            }
            x.end();
        }
        x.end();
    }
    x.end();
    return x.finish();
}

void Writer::prepareSections()
{
    m_sections.push_back({m_doc.rootFrame()->frameFormat().property(DocFirstSection).toStringList(), {}});
    for (QTextBlock b = m_doc.begin().next(); b.isValid() && m_sections.size() < 10'000; b = b.next()) {
        if (b.blockFormat().hasProperty(SectionStart) && !QTextCursor(b).currentTable()) {
            m_sectionEnds.insert(b.blockNumber(), m_sections.size() - 1);
            m_sections.push_back({b.blockFormat().property(SectionStart).toStringList(), {}});
        }
    }
    for (size_t i = 0; i < m_sections.size(); ++i)
        m_sections[i].xml = sectionXml(m_sections[i].list, i == 0);
    m_bodySectPr = m_sections.back().xml;
}

QByteArray Writer::sectionXml(const QStringList &section, bool first)
{
    Q_UNUSED(first);
    model::PageSetup page = model::pageSetup(m_doc);
    int width = page.width > 0 ? page.width : 11906;
    int height = page.height > 0 ? page.height : 16838;
    int margins[4] = {page.marginTop, page.marginRight, page.marginBottom, page.marginLeft};
    for (int &m : margins)
        m = m >= 0 ? m : 1417;
    bool landscape = page.landscape;
    int gutter = page.gutter;
    bool titlePage = false;
    int headerY = 709, footerY = 709, columns = 1, columnGap = 708, pageStart = -1;
    QString type;
    // The section's own words, as RTF keeps them.
    static const QRegularExpression word(QStringLiteral("\\\\([a-z]{1,32})(-?\\d{1,9})?"));
    for (auto it = word.globalMatch(section.value(0)); it.hasNext();) {
        const auto m = it.next();
        const QString w = m.captured(1);
        const bool hasValue = m.capturedLength(2) > 0;
        const int v = m.captured(2).toInt();
        if (w == QLatin1StringView("pgwsxn") && v > 0) width = v;
        else if (w == QLatin1StringView("pghsxn") && v > 0) height = v;
        else if (w == QLatin1StringView("margtsxn") && hasValue) margins[0] = v;
        else if (w == QLatin1StringView("margrsxn") && hasValue) margins[1] = v;
        else if (w == QLatin1StringView("margbsxn") && hasValue) margins[2] = v;
        else if (w == QLatin1StringView("marglsxn") && hasValue) margins[3] = v;
        else if (w == QLatin1StringView("guttersxn") && hasValue) gutter = v;
        else if (w == QLatin1StringView("lndscpsxn")) landscape = true;
        else if (w == QLatin1StringView("titlepg")) titlePage = true;
        else if (w == QLatin1StringView("headery") && hasValue) headerY = v;
        else if (w == QLatin1StringView("footery") && hasValue) footerY = v;
        else if (w == QLatin1StringView("cols") && v > 0) columns = v;
        else if (w == QLatin1StringView("colsx") && hasValue) columnGap = v;
        else if (w == QLatin1StringView("pgnstarts") && hasValue) pageStart = v;
        else if (w == QLatin1StringView("sbknone")) type = QStringLiteral("continuous");
        else if (w == QLatin1StringView("sbkcol")) type = QStringLiteral("nextColumn");
        else if (w == QLatin1StringView("sbkeven")) type = QStringLiteral("evenPage");
        else if (w == QLatin1StringView("sbkodd")) type = QStringLiteral("oddPage");
    }
    width = std::clamp(width, 144, 31680);
    height = std::clamp(height, 144, 31680);
    if (landscape && width < height)
        std::swap(width, height);
    for (int &m : margins)
        m = std::clamp(m, -31680, 31680);

    Xml x; // only for its escaping; the declaration is cut off below
    x.start(QStringLiteral("w:sectPr"));
    bool seen[2][3] = {};
    for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
        static const QRegularExpression kindRe(QStringLiteral("^(header|footer)([lrf]?)$"));
        const QRegularExpressionMatch m = kindRe.match(section[i]);
        if (!m.hasMatch())
            continue;
        const bool footer = m.captured(1) == QLatin1StringView("footer");
        const QString k = m.captured(2);
        const int slot = k == QLatin1StringView("f") ? 1 : k == QLatin1StringView("l") ? 2 : 0;
        if (seen[footer][slot])
            continue;
        seen[footer][slot] = true;
        titlePage = titlePage || slot == 1;
        m_evenHeaders = m_evenHeaders || slot == 2;
        const QString &rtf = section[i + 1];
        // The same content in several sections is one part.
        const QString key = (footer ? u'f' : u'h') + rtf;
        size_t index = m_headerByContent.value(key, m_headers.size());
        if (index == m_headers.size()) {
            HeaderPart h{rtf, footer, QString(), {}};
            const int n = footer ? ++m_footerCount : ++m_headerCount;
            h.part = (footer ? QStringLiteral("footer") : QStringLiteral("header")) + QString::number(n) + QStringLiteral(".xml");
            h.xml = headerXml(rtf, footer, h.part);
            m_headers.push_back(std::move(h));
            m_headerByContent.insert(key, index);
        }
        const QString id = m_main.rels.add(footer ? QStringLiteral("footer") : QStringLiteral("header"),
                                           m_headers[index].part, false);
        x.empty(footer ? QStringLiteral("w:footerReference") : QStringLiteral("w:headerReference"));
        static const char *const types[] = {"default", "first", "even"};
        x.attr(QStringLiteral("w:type"), QLatin1StringView(types[slot]));
        x.attr(QStringLiteral("r:id"), id);
    }
    if (!type.isEmpty())
        x.val(QStringLiteral("w:type"), type);
    x.empty(QStringLiteral("w:pgSz"));
    x.attr(QStringLiteral("w:w"), QString::number(width));
    x.attr(QStringLiteral("w:h"), QString::number(height));
    if (landscape)
        x.attr(QStringLiteral("w:orient"), QStringLiteral("landscape"));
    x.empty(QStringLiteral("w:pgMar"));
    x.attr(QStringLiteral("w:top"), QString::number(margins[0]));
    x.attr(QStringLiteral("w:right"), QString::number(std::abs(margins[1])));
    x.attr(QStringLiteral("w:bottom"), QString::number(margins[2]));
    x.attr(QStringLiteral("w:left"), QString::number(std::abs(margins[3])));
    x.attr(QStringLiteral("w:header"), QString::number(std::clamp(headerY, 0, 31680)));
    x.attr(QStringLiteral("w:footer"), QString::number(std::clamp(footerY, 0, 31680)));
    x.attr(QStringLiteral("w:gutter"), QString::number(std::clamp(gutter, 0, 31680)));
    if (pageStart >= 0) {
        x.empty(QStringLiteral("w:pgNumType"));
        x.attr(QStringLiteral("w:start"), QString::number(pageStart));
    }
    x.empty(QStringLiteral("w:cols"));
    x.attr(QStringLiteral("w:space"), QString::number(std::clamp(columnGap, 0, 31680)));
    if (columns > 1)
        x.attr(QStringLiteral("w:num"), QString::number(std::min(columns, 45)));
    if (titlePage)
        x.empty(QStringLiteral("w:titlePg"));
    x.end();
    QByteArray out = x.finish();
    return out.mid(out.indexOf("<w:sectPr")).trimmed();
}

QByteArray Writer::headerXml(const QString &rtf, bool footer, const QString &partName)
{
    auto part = std::make_unique<PartContext>();
    part->name = QStringLiteral("word/") + partName;
    m_part = part.get();
    m_parts.push_back(std::move(part));
    const QTextDocument &doc = subDocument(rtf);
    Xml x;
    x.start(footer ? QStringLiteral("w:ftr") : QStringLiteral("w:hdr"));
    x.declareWordNamespaces();
    writeFrame(x, doc, doc.rootFrame());
    closeBookmarks(x);
    x.end();
    m_part = &m_main;
    return x.finish();
}

} // namespace docx::detail
