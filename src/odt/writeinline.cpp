// What a paragraph holds: runs as text:span with their automatic styles,
// links (text:a), notes (text:note with the note's own paragraphs), fields
// OpenDocument has an element for, bookmarks, comments (office:annotation),
// pictures (draw:frame with the bytes in Pictures/) and kept OpenDocument
// pieces, written back as they were read.

#include "writerimpl.h"

#include "model/notes.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRegularExpression>
#include <QTextImageFormat>
#include <QXmlStreamReader>

#include <algorithm>

namespace odt::detail {

namespace {

constexpr int kMaxKeptDepth = 256;

// The element OpenDocument shows a field in; empty for fields that are
// written as their result.
QString fieldElement(const QString &instruction)
{
    const QString word = instruction.trimmed().section(u' ', 0, 0).toUpper();
    if (word == QLatin1StringView("PAGE"))
        return QStringLiteral("text:page-number");
    if (word == QLatin1StringView("NUMPAGES"))
        return QStringLiteral("text:page-count");
    if (word == QLatin1StringView("DATE"))
        return QStringLiteral("text:date");
    if (word == QLatin1StringView("TIME"))
        return QStringLiteral("text:time");
    if (word == QLatin1StringView("TITLE"))
        return QStringLiteral("text:title");
    if (word == QLatin1StringView("AUTHOR"))
        return QStringLiteral("text:author-name");
    return {};
}

// A date field's picture ("d'. 'M'. 'yyyy", after \\@) as an automatic
// number:date-style or number:time-style with the placeholder name;
// empty when the field gives none.
QByteArray dateStyle(const QString &instruction, bool time)
{
    static const QRegularExpression re(QStringLiteral("\\\\@\\s*(\"([^\"]*)\"|(\\S+))"));
    const auto m = re.match(instruction);
    if (!m.hasMatch())
        return {};
    const QString picture = (m.captured(2).isEmpty() ? m.captured(3) : m.captured(2)).left(100);
    QByteArray xml;
    QXmlStreamWriter x(&xml);
    bool date = false;
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty())
            x.writeTextElement(QStringLiteral("number:text"), literal);
        literal.clear();
    };
    const auto part = [&](const QString &element, bool longStyle, bool textual = false) {
        flush();
        x.writeEmptyElement(element);
        if (longStyle)
            x.writeAttribute(QStringLiteral("number:style"), QStringLiteral("long"));
        if (textual)
            x.writeAttribute(QStringLiteral("number:textual"), QStringLiteral("true"));
    };
    x.writeStartElement(QStringLiteral("number:date-style")); // renamed below for times
    x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
    for (qsizetype i = 0; i < picture.size();) {
        const QChar c = picture[i];
        if (c == u'\'') {
            const qsizetype end = picture.indexOf(u'\'', i + 1);
            literal += picture.mid(i + 1, (end < 0 ? picture.size() : end) - i - 1);
            i = end < 0 ? picture.size() : end + 1;
            continue;
        }
        if (picture.mid(i, 5).compare(QLatin1StringView("AM/PM"), Qt::CaseInsensitive) == 0) {
            part(QStringLiteral("number:am-pm"), false);
            i += 5;
            continue;
        }
        qsizetype n = 1;
        while (i + n < picture.size() && picture[i + n] == c)
            ++n;
        switch (c.unicode()) {
        case u'd':
            date = true;
            part(n >= 3 ? QStringLiteral("number:day-of-week") : QStringLiteral("number:day"), n == 2 || n >= 4);
            break;
        case u'M':
            date = true;
            part(QStringLiteral("number:month"), n == 2 || n >= 4, n >= 3);
            break;
        case u'y':
        case u'Y':
            date = true;
            part(QStringLiteral("number:year"), n >= 3);
            break;
        case u'H':
        case u'h':
            part(QStringLiteral("number:hours"), n >= 2);
            break;
        case u'm':
            part(QStringLiteral("number:minutes"), n >= 2);
            break;
        case u's':
            part(QStringLiteral("number:seconds"), n >= 2);
            break;
        default:
            literal += picture.mid(i, n);
            break;
        }
        i += n;
    }
    flush();
    x.writeEndElement();
    if (time && !date)
        xml.replace("number:date-style", "number:time-style");
    return xml;
}

QString extensionOf(const QByteArray &mimeType)
{
    if (mimeType == "image/png")
        return QStringLiteral("png");
    if (mimeType == "image/jpeg")
        return QStringLiteral("jpg");
    if (mimeType == "image/emf")
        return QStringLiteral("emf");
    if (mimeType == "image/wmf")
        return QStringLiteral("wmf");
    if (mimeType == "image/x-pict")
        return QStringLiteral("pct");
    if (mimeType == "image/bmp")
        return QStringLiteral("bmp");
    return QStringLiteral("bin");
}

// Prefixes every part declares on its root (see writer.cpp).
bool declaredPrefix(QStringView prefix)
{
    static const QStringList known{
        QStringLiteral("office"), QStringLiteral("style"),  QStringLiteral("text"),   QStringLiteral("table"),
        QStringLiteral("draw"),   QStringLiteral("fo"),     QStringLiteral("xlink"),  QStringLiteral("dc"),
        QStringLiteral("meta"),   QStringLiteral("number"), QStringLiteral("svg"),    QStringLiteral("chart"),
        QStringLiteral("dr3d"),   QStringLiteral("math"),   QStringLiteral("form"),   QStringLiteral("script"),
        QStringLiteral("config"), QStringLiteral("loext"),  QStringLiteral("officeooo"), QStringLiteral("field"),
        QStringLiteral("xml")};
    return known.contains(prefix);
}

// Kept pieces that can stand in a paragraph: drawings, inline text
// elements, comments. A paragraph, list, table or section of its own
// cannot.
bool inlineElement(QStringView name)
{
    static const QStringList block{
        QStringLiteral("text:p"),       QStringLiteral("text:h"),           QStringLiteral("text:list"),
        QStringLiteral("text:section"), QStringLiteral("text:numbered-paragraph"), QStringLiteral("table:table"),
        QStringLiteral("text:table-of-content"), QStringLiteral("text:illustration-index"),
        QStringLiteral("text:table-index"), QStringLiteral("text:object-index"), QStringLiteral("text:user-index"),
        QStringLiteral("text:alphabetical-index"), QStringLiteral("text:bibliography")};
    if (block.contains(name))
        return false;
    return name.startsWith(u"draw:") || name.startsWith(u"dr3d:") || name.startsWith(u"text:")
        || name == u"office:annotation" || name == u"office:annotation-end";
}

QString validDate(const QString &s)
{
    const QDateTime d = QDateTime::fromString(s.trimmed(), Qt::ISODate);
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

QString cleanText(const QString &s)
{
    QString out = s;
    out.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c.isSurrogate() || c.unicode() >= 0xFFFE;
    });
    return out;
}

} // namespace

void Writer::writeParagraphContent(Walk &w, const QTextBlock &block)
{
    QXmlStreamWriter &x = *w.x;
    std::vector<QTextFragment> frags;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().isValid())
            frags.push_back(it.fragment());
    }
    QString link;
    bool afterSelf = false;  // a note's own number was left out: so is the space after it
    const auto styleOf = [&](const QTextFragment &frag) {
        const int index = frag.charFormatIndex();
        const auto it = w.textStyles.constFind(index);
        if (it != w.textStyles.cend())
            return *it;
        const QString name = textStyle(w, frag.charFormat());
        w.textStyles.insert(index, name);
        return name;
    };
    const auto span = [&](const QString &style, auto body) {
        if (style.isEmpty()) {
            body();
            return;
        }
        x.writeStartElement(QStringLiteral("text:span"));
        x.writeAttribute(QStringLiteral("text:style-name"), style);
        body();
        x.writeEndElement();
    };
    for (size_t i = 0; i < frags.size(); ++i) {
        const QTextFragment &frag = frags[i];
        const QTextCharFormat cf = frag.charFormat();
        const bool piece = cf.objectType() == PieceObject;
        if (w.skipKept && !piece && cf.hasProperty(OpaqueText))
            continue;
        w.skipKept = false;

        const QString href = cf.isAnchor() ? cf.anchorHref() : QString();
        if (href != link) {
            if (!link.isEmpty())
                x.writeEndElement();
            link = href;
            if (!link.isEmpty()) {
                x.writeStartElement(QStringLiteral("text:a"));
                x.writeAttribute(QStringLiteral("xlink:type"), QStringLiteral("simple"));
                x.writeAttribute(QStringLiteral("xlink:href"), cleanText(link).simplified());
            }
        }

        if (piece) {
            for (const QChar c : frag.text()) {
                if (c == QChar::ObjectReplacementCharacter)
                    w.skipKept = writePiece(w, cf) || w.skipKept;
            }
            continue;
        }
        if (cf.isImageFormat()) {
            const QString text = frag.text();
            for (const QChar c : text) {
                if (c == QChar::ObjectReplacementCharacter)
                    writePicture(w, cf.toImageFormat());
            }
            w.lastSpace = false;
            continue;
        }
        if (cf.hasProperty(NoteSelfMark) && w.inNote) {
            afterSelf = true; // the note's readers show its number themselves
            continue;
        }
        if (model::isNoteMark(cf) && !w.inNote) {
            writeNote(w, frag);
            continue;
        }
        if (cf.hasProperty(FieldInstruction) && cf.hasProperty(WrapId)) {
            const QString element = fieldElement(cf.stringProperty(FieldInstruction));
            if (!element.isEmpty()) {
                // The whole result in one element, in the first run's style.
                QString result = frag.text();
                while (i + 1 < frags.size() && frags[i + 1].charFormat().intProperty(WrapId) == cf.intProperty(WrapId)
                       && frags[i + 1].charFormat().objectType() != PieceObject
                       && (frags[i + 1].charFormat().isAnchor() ? frags[i + 1].charFormat().anchorHref() : QString()) == link) {
                    result += frags[++i].text();
                }
                span(styleOf(frag), [&] {
                    x.writeStartElement(element);
                    if (element == QLatin1StringView("text:page-number"))
                        x.writeAttribute(QStringLiteral("text:select-page"), QStringLiteral("current"));
                    const bool time = element == QLatin1StringView("text:time");
                    if (time || element == QLatin1StringView("text:date")) {
                        const QByteArray style = dateStyle(cf.stringProperty(FieldInstruction), time);
                        if (!style.isEmpty())
                            x.writeAttribute(QStringLiteral("style:data-style-name"), w.pool->add(QStringLiteral("N"), style));
                    }
                    writeText(w, result);
                    x.writeEndElement();
                });
                continue;
            }
        }
        QString text = frag.text();
        if (afterSelf) {
            qsizetype n = 0;
            while (n < text.size() && (text[n] == u' ' || text[n] == u'\t'))
                ++n;
            text.remove(0, n);
            afterSelf = text.isEmpty();
            if (text.isEmpty())
                continue;
        }
        span(styleOf(frag), [&] { writeText(w, text); });
    }
    if (!link.isEmpty())
        x.writeEndElement();
}

void Writer::writeNote(Walk &w, const QTextFragment &frag)
{
    QXmlStreamWriter &x = *w.x;
    const QTextCharFormat f = frag.charFormat();
    const bool endnote = f.intProperty(NoteKind) == Endnote;
    x.writeStartElement(QStringLiteral("text:note"));
    x.writeAttribute(QStringLiteral("text:id"), QStringLiteral("ftn") + QString::number(++m_noteCount));
    x.writeAttribute(QStringLiteral("text:note-class"), endnote ? QStringLiteral("endnote") : QStringLiteral("footnote"));
    x.writeStartElement(QStringLiteral("text:note-citation"));
    QString mark = cleanText(frag.text());
    mark.remove(u'\n');
    mark.remove(u'\t');
    if (!f.boolProperty(NoteAutoNumber))
        x.writeAttribute(QStringLiteral("text:label"), mark);
    x.writeCharacters(mark.isEmpty() ? QString::number(m_noteCount) : mark);
    x.writeEndElement();
    x.writeStartElement(QStringLiteral("text:note-body"));
    const bool lastSpace = w.lastSpace;
    writeSubDocument(w, f.stringProperty(NoteRtf), *w.pool, x, true,
                     endnote ? QStringLiteral("Endnote") : QStringLiteral("Footnote"));
    w.lastSpace = lastSpace;
    x.writeEndElement();
    x.writeEndElement();
    w.lastSpace = false;
}

void Writer::writePicture(Walk &w, const QTextImageFormat &f)
{
    const model::Picture p = model::picture(*w.doc, f);
    if (p.bytes.isEmpty())
        return;
    const QByteArray key = QCryptographicHash::hash(p.bytes, QCryptographicHash::Sha1) + p.mimeType;
    int index = m_pictureIndex.value(key, -1);
    if (index < 0) {
        index = int(m_pictures.size());
        m_pictures.push_back({QStringLiteral("Pictures/image%1.%2").arg(index + 1).arg(extensionOf(p.mimeType)),
                              p.mimeType, p.bytes});
        m_pictureIndex.insert(key, index);
    }
    // The size shown, as the RTF writer takes it.
    const model::PictureData data = model::pictureOf(*w.doc, f);
    const bool metafile = !model::isDrawableBlip(data.blip);
    double wpx = f.hasProperty(QTextFormat::ImageWidth) ? f.width() : -1;
    double hpx = f.hasProperty(QTextFormat::ImageHeight) ? f.height() : -1;
    if (wpx <= 0)
        wpx = data.picw > 0 && !metafile ? data.picw : 32;
    if (hpx <= 0)
        hpx = data.pich > 0 && !metafile ? data.pich : wpx;
    wpx = std::min(wpx, 20000.0);
    hpx = std::min(hpx, 20000.0);

    QByteArray style;
    {
        QXmlStreamWriter s(&style);
        s.writeStartElement(QStringLiteral("style:style"));
        s.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
        s.writeAttribute(QStringLiteral("style:family"), QStringLiteral("graphic"));
        s.writeEmptyElement(QStringLiteral("style:graphic-properties"));
        s.writeAttribute(QStringLiteral("style:vertical-pos"), QStringLiteral("top"));
        s.writeAttribute(QStringLiteral("style:vertical-rel"), QStringLiteral("baseline"));
        s.writeEndElement();
    }
    QXmlStreamWriter &x = *w.x;
    x.writeStartElement(QStringLiteral("draw:frame"));
    x.writeAttribute(QStringLiteral("draw:style-name"), w.pool->add(QStringLiteral("fr"), style));
    x.writeAttribute(QStringLiteral("draw:name"), QStringLiteral("Image") + QString::number(++m_frameCount));
    x.writeAttribute(QStringLiteral("text:anchor-type"), QStringLiteral("as-char"));
    x.writeAttribute(QStringLiteral("svg:width"), cmFromPixels(wpx));
    x.writeAttribute(QStringLiteral("svg:height"), cmFromPixels(hpx));
    x.writeAttribute(QStringLiteral("draw:z-index"), QStringLiteral("0"));
    x.writeEmptyElement(QStringLiteral("draw:image"));
    x.writeAttribute(QStringLiteral("xlink:href"), m_pictures[size_t(index)].path);
    x.writeAttribute(QStringLiteral("xlink:type"), QStringLiteral("simple"));
    x.writeAttribute(QStringLiteral("xlink:show"), QStringLiteral("embed"));
    x.writeAttribute(QStringLiteral("xlink:actuate"), QStringLiteral("onLoad"));
    x.writeAttribute(QStringLiteral("draw:mime-type"), QString::fromLatin1(p.mimeType));
    x.writeEndElement();
}

QByteArray Writer::manifestPictures() const
{
    QByteArray out;
    QXmlStreamWriter x(&out);
    for (const PictureFile &p : m_pictures) {
        x.writeEmptyElement(QStringLiteral("manifest:file-entry"));
        x.writeAttribute(QStringLiteral("manifest:full-path"), p.path);
        x.writeAttribute(QStringLiteral("manifest:media-type"), QString::fromLatin1(p.mimeType));
    }
    x.writeCharacters(QStringLiteral("\n"));
    return out;
}

// One kept piece's character. True when it was kept OpenDocument XML
// written back, whose visible text that follows is then left out.
bool Writer::writePiece(Walk &w, const QTextCharFormat &f)
{
    QXmlStreamWriter &x = *w.x;
    if (f.hasProperty(BookmarkStart)) {
        x.writeEmptyElement(QStringLiteral("text:bookmark-start"));
        x.writeAttribute(QStringLiteral("text:name"), cleanText(f.stringProperty(BookmarkStart)));
    }
    if (f.hasProperty(BookmarkEnd)) {
        x.writeEmptyElement(QStringLiteral("text:bookmark-end"));
        x.writeAttribute(QStringLiteral("text:name"), cleanText(f.stringProperty(BookmarkEnd)));
    }
    if (f.hasProperty(CommentAuthor)
        || (f.hasProperty(OpaqueText) && f.stringProperty(OpaqueRtf).contains(QLatin1StringView("\\annotation")))) {
        writeComment(w, f);
        return false;
    }
    if (f.hasProperty(OpaqueOdfXml))
        return writeKeptXml(w, f.stringProperty(OpaqueOdfXml));
    if (f.stringProperty(OpaqueRtf).startsWith(QLatin1StringView("{\\v ")))
        writeHiddenText(w, f);
    return false;
}

// Hidden text the RTF reader kept as a piece ("{\\v text}"): hidden text
// in OpenDocument too, so readers that show hidden text still have it.
void Writer::writeHiddenText(Walk &w, const QTextCharFormat &f)
{
    const QString rtf = f.stringProperty(OpaqueRtf);
    if (!rtf.endsWith(u'}'))
        return;
    QTextDocument doc;
    try {
        rtf::read(QByteArray("{\\rtf1\\ansi\\ansicpg1250 ") + rtf.mid(4).toLatin1(), doc);
    } catch (const model::ReadError &) {
        return;
    }
    const QString text = model::textKeepingNbsp(doc);
    if (text.trimmed().isEmpty())
        return;
    QTextCharFormat shown = f;
    shown.clearProperty(OpaqueRtf);
    shown.clearProperty(QTextFormat::ObjectType);
    QXmlStreamWriter &x = *w.x;
    x.writeStartElement(QStringLiteral("text:span"));
    x.writeAttribute(QStringLiteral("text:style-name"), textStyle(w, shown, true));
    writeText(w, text);
    x.writeEndElement();
}

void Writer::writeComment(Walk &w, const QTextCharFormat &f)
{
    QXmlStreamWriter &x = *w.x;
    QString author = f.stringProperty(CommentAuthor);
    QString text = f.stringProperty(OpaqueText);
    if (author.isEmpty()) {
        // A comment read from RTF: its author's group, and the text the
        // reader gave its tool tip after the author.
        static const QRegularExpression re(QStringLiteral("\\\\atnauthor\\s?([^\\\\{}]*)\\}"));
        const auto m = re.match(f.stringProperty(OpaqueRtf));
        if (m.hasMatch()) {
            author = m.captured(1).trimmed();
            if (text.startsWith(author + QStringLiteral(": ")))
                text = text.mid(author.size() + 2);
        }
    }
    x.writeStartElement(QStringLiteral("office:annotation"));
    if (!author.isEmpty())
        x.writeTextElement(QStringLiteral("dc:creator"), cleanText(author).simplified());
    if (const QString date = validDate(f.stringProperty(CommentDate)); !date.isEmpty())
        x.writeTextElement(QStringLiteral("dc:date"), date);
    const QStringList lines = cleanText(text).split(u'\n');
    for (const QString &line : lines) {
        x.writeStartElement(QStringLiteral("text:p"));
        const bool lastSpace = w.lastSpace;
        w.lastSpace = true;
        writeText(w, line);
        w.lastSpace = lastSpace;
        x.writeEndElement();
    }
    x.writeEndElement();
}

// Kept XML goes back only when it is sound, fits in a paragraph, uses the
// prefixes the part declares, and names no part of the package it came
// from; otherwise its visible text stands for it.
bool Writer::writeKeptXml(Walk &w, const QString &xml)
{
    if (xml.size() > 8 * 1024 * 1024)
        return false;
    {
        QXmlStreamReader r(xml);
        r.setNamespaceProcessing(false);
        int depth = 0;
        bool root = true;
        QSet<QString> own; // prefixes the piece declares itself
        while (!r.atEnd()) {
            const auto t = r.readNext();
            if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference)
                return false;
            if (t == QXmlStreamReader::StartElement) {
                if (++depth > kMaxKeptDepth)
                    return false;
                const QStringView name = r.qualifiedName();
                if (root && !inlineElement(name))
                    return false;
                root = false;
                for (const QXmlStreamAttribute &a : r.attributes()) {
                    const QStringView an = a.qualifiedName();
                    if (an.startsWith(u"xmlns:"))
                        own.insert(an.mid(6).toString());
                }
                for (const QXmlStreamAttribute &a : r.attributes()) {
                    const QStringView an = a.qualifiedName();
                    if (an == u"xmlns" || an.startsWith(u"xmlns:"))
                        continue;
                    const qsizetype colon = an.indexOf(u':');
                    if (colon > 0 && !declaredPrefix(an.left(colon)) && !own.contains(an.left(colon).toString()))
                        return false;
                    if (an == u"xlink:href" && !a.value().contains(u':') && !a.value().startsWith(u'#'))
                        return false; // a part of the file it came from
                }
                const qsizetype colon = name.indexOf(u':');
                if (colon <= 0 || (!declaredPrefix(name.left(colon)) && !own.contains(name.left(colon).toString())))
                    return false;
            } else if (t == QXmlStreamReader::EndElement) {
                --depth;
            }
        }
        if (r.hasError() || root)
            return false;
    }
    QXmlStreamWriter &x = *w.x;
    QXmlStreamReader r(xml);
    r.setNamespaceProcessing(false);
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement:
            x.writeStartElement(r.qualifiedName().toString());
            for (const QXmlStreamAttribute &a : r.attributes())
                x.writeAttribute(a.qualifiedName().toString(), a.value().toString());
            break;
        case QXmlStreamReader::EndElement:
            x.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            x.writeCharacters(r.text().toString());
            break;
        default:
            break;
        }
    }
    w.lastSpace = false;
    return true;
}

} // namespace odt::detail
