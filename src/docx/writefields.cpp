// Fields, links, bookmarks, comments and kept Word pieces: what the model
// keeps on the characters of the text or as piece characters between them.
// A field's result (the characters that share a WrapId) is written as a
// complex field with its instruction; a link as w:hyperlink; a kept piece
// of Word XML in place of the text shown for it.

#include "writerimpl.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QUrl>
#include <QXmlStreamReader>

namespace docx::detail {

namespace {

// The instruction of a field kept as RTF: "{\field{\*\fldinst PAGE}{\fldrslt "
// gives PAGE; an instruction with groups or control words of its own is
// too much to take apart here.
QString instructionOfRtf(const QString &rtf)
{
    static const QRegularExpression re(QStringLiteral(
        "^\\{\\\\field(?:\\\\[a-z]+-?\\d*)*\\s*\\{\\\\\\*\\\\fldinst\\s*\\{?\\s*((?:[^{}\\\\]|\\\\[\\\\{}])*)\\}?\\s*\\}\\s*\\{\\\\fldrslt\\s*$"));
    const QRegularExpressionMatch m = re.match(rtf);
    if (!m.hasMatch())
        return {};
    QString s = m.captured(1);
    s.replace(QLatin1StringView("\\\\"), QLatin1StringView("\\"));
    s.replace(QLatin1StringView("\\{"), QLatin1StringView("{"));
    s.replace(QLatin1StringView("\\}"), QLatin1StringView("}"));
    return s.trimmed();
}

// A field kept whole because its result is empty ("{\field\fldlock{\*\fldinst DATE}}"):
// its instruction.
QString instructionOfEmptyField(const QString &rtf)
{
    static const QRegularExpression re(QStringLiteral(
        "^\\{\\\\field(?:\\\\[a-z]+-?\\d*)*\\s*\\{\\\\\\*\\\\fldinst\\s*((?:[^{}\\\\]|\\\\[\\\\{}])*)\\}(?:\\{\\\\fldrslt\\s*\\})?\\}$"));
    const QRegularExpressionMatch m = re.match(rtf);
    return m.hasMatch() ? rtfText(m.captured(1)) : QString();
}

// "{\*\bkmkstart name}": the name, and whether it starts the bookmark.
bool rtfBookmark(const QString &rtf, QString &name, bool &start)
{
    static const QRegularExpression re(QStringLiteral("^\\{\\\\\\*\\\\bkmk(start|end) ([^{}\\\\]{1,255})\\}$"));
    const QRegularExpressionMatch m = re.match(rtf);
    if (!m.hasMatch())
        return false;
    start = m.captured(1) == QLatin1StringView("start");
    name = m.captured(2).trimmed();
    return !name.isEmpty();
}

// A kept piece of Word XML that may stand where a run does: well formed
// with the prefixes every part declares, and no paragraph or table.
bool keptRunXml(const QString &xml)
{
    if (xml.isEmpty() || xml.size() > 8 * 1024 * 1024)
        return false;
    static const QString wrapperStart = QStringLiteral(
        "<x xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\""
        " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
        " xmlns:o=\"urn:schemas-microsoft-com:office:office\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
        " xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\""
        " xmlns:v=\"urn:schemas-microsoft-com:vml\""
        " xmlns:wp14=\"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing\""
        " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
        " xmlns:w10=\"urn:schemas-microsoft-com:office:word\""
        " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
        " xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\""
        " xmlns:wpg=\"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup\""
        " xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\""
        " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">");
    QXmlStreamReader r(wrapperStart + xml + QStringLiteral("</x>"));
    int depth = 0;
    int roots = 0;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QStringView name = r.qualifiedName();
            if (depth == 2)
                ++roots;
            if (depth > 200 || name == u"w:p" || name == u"w:tbl" || name == u"w:sectPr" || name == u"w:body"
                || name == u"w:txbxContent")
                return false; // a paragraph cannot stand in one
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return false;
        case QXmlStreamReader::Characters:
            if (depth == 1 && !r.isWhitespace())
                return false; // text outside any element
            break;
        default:
            break;
        }
    }
    return !r.hasError() && roots >= 1;
}

// A link's address as a relationship's target: an URI Word accepts.
QString linkTarget(const QString &href)
{
    const QUrl url(href, QUrl::TolerantMode);
    if (url.isValid())
        return QString::fromLatin1(url.toEncoded());
    return QString::fromLatin1(QUrl::toPercentEncoding(href, "/:#?&=%@+,;~"));
}

} // namespace

void Writer::switchField(Xml &x, const QTextCharFormat &f)
{
    const int id = f.hasProperty(WrapId) ? f.intProperty(WrapId) : 0;
    if (id == m_fieldId)
        return;
    closeField(x);
    if (id == 0)
        return;
    m_fieldId = id;
    QString instruction = f.stringProperty(FieldInstruction).trimmed();
    if (instruction.isEmpty() && f.hasProperty(WrapRtf))
        instruction = instructionOfRtf(f.stringProperty(WrapRtf));
    instruction = xmlSafe(instruction).left(32767);
    // A link is an anchor already; other kinds without an instruction
    // (an embedded object's result) are their result alone.
    if (instruction.isEmpty() || instruction.startsWith(QLatin1StringView("HYPERLINK"), Qt::CaseInsensitive))
        return;
    startField(x, instruction);
    m_fieldOpen = true;
}

void Writer::startField(Xml &x, const QString &instruction)
{
    const auto fldChar = [&](const char *type) {
        x.start(QStringLiteral("w:r"));
        x.empty(QStringLiteral("w:fldChar"));
        x.attr(QStringLiteral("w:fldCharType"), QLatin1StringView(type));
        x.end();
    };
    fldChar("begin");
    x.start(QStringLiteral("w:r"));
    x.start(QStringLiteral("w:instrText"));
    x.attr(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    x.w.writeCharacters(u' ' + instruction + u' ');
    x.end();
    x.end();
    fldChar("separate");
}

// A field whose result is to be worked out by the reader.
void Writer::writeEmptyField(Xml &x, const QString &instruction)
{
    startField(x, instruction);
    x.start(QStringLiteral("w:r"));
    x.empty(QStringLiteral("w:fldChar"));
    x.attr(QStringLiteral("w:fldCharType"), QStringLiteral("end"));
    x.end();
}

void Writer::closeField(Xml &x)
{
    if (m_fieldOpen) {
        x.start(QStringLiteral("w:r"));
        x.empty(QStringLiteral("w:fldChar"));
        x.attr(QStringLiteral("w:fldCharType"), QStringLiteral("end"));
        x.end();
    }
    m_fieldOpen = false;
    m_fieldId = 0;
}

// A result that goes on into the next paragraph of the same frame (a
// table of contents) stays open across the paragraph's end.
bool Writer::fieldGoesOn(const QTextBlock &block) const
{
    if (m_fieldId == 0)
        return false;
    const QTextBlock next = block.next();
    if (!next.isValid() || next.begin() == next.end())
        return false;
    const QTextCharFormat f = next.begin().fragment().charFormat();
    if (!f.hasProperty(WrapId) || f.intProperty(WrapId) != m_fieldId)
        return false;
    return QTextCursor(next).currentFrame() == QTextCursor(block).currentFrame();
}

void Writer::switchLink(Xml &x, const QString &href)
{
    if (href == m_link)
        return;
    closeLink(x);
    if (href.isEmpty() || href.size() > 65536)
        return;
    x.start(QStringLiteral("w:hyperlink"));
    if (href.startsWith(u'#')) {
        x.attr(QStringLiteral("w:anchor"), xmlSafe(href.mid(1)));
    } else {
        x.attr(QStringLiteral("r:id"), m_part->rels.add(QStringLiteral("hyperlink"), linkTarget(href), true));
    }
    x.attr(QStringLiteral("w:history"), QStringLiteral("1"));
    m_link = href;
}

void Writer::closeLink(Xml &x)
{
    if (m_link.isEmpty())
        return;
    x.end();
    m_link.clear();
}

// One piece character: a bookmark's start or end, a comment, a kept piece
// of Word XML. Pieces kept as RTF only are no part of a Word document.
bool Writer::writePiece(Xml &x, const QTextCharFormat &f)
{
    QString name;
    bool start = false;
    if (f.hasProperty(BookmarkStart)) {
        name = f.stringProperty(BookmarkStart);
        start = true;
    } else if (f.hasProperty(BookmarkEnd)) {
        name = f.stringProperty(BookmarkEnd);
    } else if (f.hasProperty(OpaqueRtf) && !f.hasProperty(OpaqueWordXml)) {
        const QString rtf = f.stringProperty(OpaqueRtf);
        if (!rtfBookmark(rtf, name, start)) {
            if (f.hasProperty(OpaqueText) && rtf.contains(QLatin1StringView("\\annotation"))) {
                writeComment(x, f);
                return true;
            }
            if (rtf.startsWith(QLatin1StringView("{\\v ")) && rtf.endsWith(u'}')) { // hidden text
                m_hidden = true;
                writeText(x, f, rtfText(rtf.mid(4, rtf.size() - 5), false), QString());
                m_hidden = false;
                return true;
            }
            if (const QString instruction = xmlSafe(instructionOfEmptyField(rtf)).left(32767); !instruction.isEmpty()) {
                closeField(x);
                writeEmptyField(x, instruction);
                return true;
            }
            return false;
        }
    }
    name = xmlSafe(name).trimmed().left(255);
    if (!name.isEmpty()) {
        if (start) {
            if (m_bookmarks.count(name) || m_nextBookmark >= 1'000'000)
                return false;
            const int id = m_nextBookmark++;
            m_bookmarks.emplace(name, id);
            x.empty(QStringLiteral("w:bookmarkStart"));
            x.attr(QStringLiteral("w:id"), QString::number(id));
            x.attr(QStringLiteral("w:name"), name);
        } else {
            const auto it = m_bookmarks.find(name);
            if (it == m_bookmarks.end())
                return false;
            x.empty(QStringLiteral("w:bookmarkEnd"));
            x.attr(QStringLiteral("w:id"), QString::number(it->second));
            m_bookmarks.erase(it);
        }
        return true;
    }
    if (f.hasProperty(CommentAuthor) || f.hasProperty(CommentDate)) {
        writeComment(x, f);
        return true;
    }
    if (f.hasProperty(OpaqueWordXml)) {
        const QString xml = f.stringProperty(OpaqueWordXml);
        if (!keptRunXml(xml))
            return false; // its shown text is written instead
        x.raw(xml.toUtf8());
        m_skipKeptText = true;
        return true;
    }
    return false;
}

void Writer::closeBookmarks(Xml &x)
{
    // Ended where the part ends; by id, so the output does not depend on
    // names' order in memory.
    std::vector<int> ids;
    for (const auto &[name, id] : m_bookmarks)
        ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    for (int id : ids) {
        x.empty(QStringLiteral("w:bookmarkEnd"));
        x.attr(QStringLiteral("w:id"), QString::number(id));
    }
    m_bookmarks.clear();
}

} // namespace docx::detail
