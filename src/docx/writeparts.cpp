// The parts around the body: the content types of every part, the
// settings, and the document's properties (title, author and the rest,
// from the model's document information: no clock is read, so the same
// document gives the same bytes).

#include "writerimpl.h"

#include "model/docprops.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTextFrame>

#include <algorithm>

namespace docx::detail {

namespace {

const char kWordMain[] = "application/vnd.openxmlformats-officedocument.wordprocessingml.";

} // namespace

QByteArray Writer::contentTypesXml() const
{
    Xml x;
    x.start(QStringLiteral("Types"));
    x.attr(QStringLiteral("xmlns"), QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    const auto byDefault = [&](const char *ext, const char *type) {
        x.empty(QStringLiteral("Default"));
        x.attr(QStringLiteral("Extension"), QLatin1StringView(ext));
        x.attr(QStringLiteral("ContentType"), QLatin1StringView(type));
    };
    byDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
    byDefault("xml", "application/xml");
    bool png = false, jpeg = false, emf = false, wmf = false, bmp = false;
    for (const Media &m : m_media) {
        png = png || m.name.endsWith(QLatin1StringView(".png"));
        jpeg = jpeg || m.name.endsWith(QLatin1StringView(".jpeg"));
        emf = emf || m.name.endsWith(QLatin1StringView(".emf"));
        wmf = wmf || m.name.endsWith(QLatin1StringView(".wmf"));
        bmp = bmp || m.name.endsWith(QLatin1StringView(".bmp"));
    }
    if (png)
        byDefault("png", "image/png");
    if (jpeg)
        byDefault("jpeg", "image/jpeg");
    if (emf)
        byDefault("emf", "image/x-emf");
    if (wmf)
        byDefault("wmf", "image/x-wmf");
    if (bmp)
        byDefault("bmp", "image/bmp");
    const auto part = [&](const QString &name, const QString &type) {
        x.empty(QStringLiteral("Override"));
        x.attr(QStringLiteral("PartName"), u'/' + name);
        x.attr(QStringLiteral("ContentType"), type);
    };
    const auto word = [&](const QString &name, const char *kind) {
        part(name, QLatin1StringView(kWordMain) + QLatin1StringView(kind));
    };
    word(QStringLiteral("word/document.xml"), "document.main+xml");
    word(QStringLiteral("word/styles.xml"), "styles+xml");
    word(QStringLiteral("word/settings.xml"), "settings+xml");
    for (const Relationship &r : m_main.rels.list) {
        if (r.type == QLatin1StringView("numbering"))
            word(QStringLiteral("word/numbering.xml"), "numbering+xml");
        else if (r.type == QLatin1StringView("footnotes"))
            word(QStringLiteral("word/footnotes.xml"), "footnotes+xml");
        else if (r.type == QLatin1StringView("endnotes"))
            word(QStringLiteral("word/endnotes.xml"), "endnotes+xml");
        else if (r.type == QLatin1StringView("comments"))
            word(QStringLiteral("word/comments.xml"), "comments+xml");
    }
    for (const HeaderPart &h : m_headers)
        word(QStringLiteral("word/") + h.part, h.footer ? "footer+xml" : "header+xml");
    part(QStringLiteral("docProps/core.xml"), QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml"));
    part(QStringLiteral("docProps/app.xml"), QStringLiteral("application/vnd.openxmlformats-officedocument.extended-properties+xml"));
    x.end();
    return x.finish();
}

QByteArray Writer::settingsXml() const
{
    Xml x;
    x.start(QStringLiteral("w:settings"));
    x.attr(QStringLiteral("xmlns:w"), QLatin1StringView(kNsW));
    const int tab = m_doc.rootFrame()->frameFormat().intProperty(DocDefaultTab);
    x.val(QStringLiteral("w:defaultTabStop"), tab > 0 ? std::min(tab, 31680) : 720);
    if (m_evenHeaders)
        x.empty(QStringLiteral("w:evenAndOddHeaders"));
    x.val(QStringLiteral("w:characterSpacingControl"), QStringLiteral("doNotCompress"));
    for (int k = 0; k < 2; ++k) {
        if (m_notes[k].empty())
            continue;
        const QString tag = k ? QStringLiteral("w:endnote") : QStringLiteral("w:footnote");
        x.start(k ? QStringLiteral("w:endnotePr") : QStringLiteral("w:footnotePr"));
        // How the document numbers its notes, as RTF words ("\\ftnstart3\\ftnnalc").
        QString format;
        int start = 0;
        static const QRegularExpression word(QStringLiteral("\\\\(a?)ftn(start(\\d{1,7})|nar|nalc|nauc|nrlc|nruc|nchi)"));
        for (auto it = word.globalMatch(m_noteWords); it.hasNext();) {
            const auto m = it.next();
            if (m.capturedLength(1) != k)
                continue;
            const QString what = m.captured(2);
            if (what.startsWith(QLatin1StringView("start")))
                start = m.captured(3).toInt();
            else if (what == QLatin1StringView("nar")) format = QStringLiteral("decimal");
            else if (what == QLatin1StringView("nalc")) format = QStringLiteral("lowerLetter");
            else if (what == QLatin1StringView("nauc")) format = QStringLiteral("upperLetter");
            else if (what == QLatin1StringView("nrlc")) format = QStringLiteral("lowerRoman");
            else if (what == QLatin1StringView("nruc")) format = QStringLiteral("upperRoman");
            else if (what == QLatin1StringView("nchi")) format = QStringLiteral("chicago");
        }
        if (!format.isEmpty())
            x.val(QStringLiteral("w:numFmt"), format);
        if (start > 0)
            x.val(QStringLiteral("w:numStart"), start);
        for (int id = -1; id <= 0; ++id) {
            x.empty(tag);
            x.attr(QStringLiteral("w:id"), QString::number(id));
        }
        x.end();
    }
    x.start(QStringLiteral("w:compat"));
    x.empty(QStringLiteral("w:compatSetting"));
    x.attr(QStringLiteral("w:name"), QStringLiteral("compatibilityMode"));
    x.attr(QStringLiteral("w:uri"), QStringLiteral("http://schemas.microsoft.com/office/word"));
    x.attr(QStringLiteral("w:val"), QStringLiteral("15"));
    x.end();
    x.end();
    return x.finish();
}

QByteArray Writer::coreXml() const
{
    const QVariantMap info = model::documentInfo(m_doc);
    Xml x;
    x.start(QStringLiteral("cp:coreProperties"));
    x.attr(QStringLiteral("xmlns:cp"), QStringLiteral("http://schemas.openxmlformats.org/package/2006/metadata/core-properties"));
    x.attr(QStringLiteral("xmlns:dc"), QStringLiteral("http://purl.org/dc/elements/1.1/"));
    x.attr(QStringLiteral("xmlns:dcterms"), QStringLiteral("http://purl.org/dc/terms/"));
    x.attr(QStringLiteral("xmlns:dcmitype"), QStringLiteral("http://purl.org/dc/dcmitype/"));
    x.attr(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    const auto text = [&](const char *element, const char *key) {
        QString value = xmlSafe(info.value(QLatin1StringView(key)).toString());
        if (value.isEmpty() && qstrcmp(key, "title") == 0)
            value = xmlSafe(m_doc.metaInformation(QTextDocument::DocumentTitle).trimmed());
        if (value.isEmpty())
            return;
        x.w.writeTextElement(QLatin1StringView(element), value);
    };
    text("dc:title", "title");
    text("dc:subject", "subject");
    text("dc:creator", "author");
    text("cp:keywords", "keywords");
    text("dc:description", "comment");
    text("cp:lastModifiedBy", "operator");
    text("cp:category", "category");
    const auto date = [&](const char *element, const char *key) {
        const QDateTime d = info.value(QLatin1StringView(key)).toDateTime();
        if (!d.isValid())
            return;
        x.start(QLatin1StringView(element));
        x.attr(QStringLiteral("xsi:type"), QStringLiteral("dcterms:W3CDTF"));
        x.w.writeCharacters(d.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
        x.end();
    };
    date("dcterms:created", "creatim");
    date("dcterms:modified", "revtim");
    x.end();
    return x.finish();
}

QByteArray Writer::appXml() const
{
    const QVariantMap info = model::documentInfo(m_doc);
    Xml x;
    x.start(QStringLiteral("Properties"));
    x.attr(QStringLiteral("xmlns"), QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"));
    x.attr(QStringLiteral("xmlns:vt"), QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"));
    x.w.writeTextElement(QStringLiteral("Application"), QStringLiteral("Borovka KLN Editor"));
    for (const auto &[element, key] : {std::pair{"Manager", "manager"}, std::pair{"Company", "company"}}) {
        const QString value = xmlSafe(info.value(QLatin1StringView(key)).toString());
        if (!value.isEmpty())
            x.w.writeTextElement(QLatin1StringView(element), value);
    }
    x.end();
    return x.finish();
}

} // namespace docx::detail
