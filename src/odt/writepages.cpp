// Pages: the first section's page (model::pageSetup) and its headers and
// footers as the master page "Standard"; a later section whose page or
// headers differ gets a master page of its own, named by the paragraph
// style of its first paragraph.

#include "writerimpl.h"

#include "model/docprops.h"

#include <QRegularExpression>
#include <QTextBlock>

#include <algorithm>

namespace odt::detail {

namespace {

constexpr int kA4Width = 11906;
constexpr int kA4Height = 16838;
constexpr int kMargin = 1417; // 2.5 cm
constexpr int kHeaderDistance = 709; // 1.25 cm: where word processors put a header

struct Page {
    int width = kA4Width;
    int height = kA4Height;
    int left = kMargin, right = kMargin, top = kMargin, bottom = kMargin;
    bool landscape = false;
};

int clampTwips(int v, int low, int high)
{
    return std::clamp(v, low, high);
}

// What a later section's RTF words say of its page; the rest as `page`.
Page sectionPage(const QString &words, Page page)
{
    static const QRegularExpression re(QStringLiteral("\\\\(pgwsxn|pghsxn|marglsxn|margrsxn|margtsxn|margbsxn|lndscpsxn)(-?\\d{1,9})?"));
    for (auto it = re.globalMatch(words); it.hasNext();) {
        const auto m = it.next();
        const QString word = m.captured(1);
        const int n = m.captured(2).toInt();
        if (word == QLatin1StringView("pgwsxn"))
            page.width = n;
        else if (word == QLatin1StringView("pghsxn"))
            page.height = n;
        else if (word == QLatin1StringView("marglsxn"))
            page.left = n;
        else if (word == QLatin1StringView("margrsxn"))
            page.right = n;
        else if (word == QLatin1StringView("margtsxn"))
            page.top = n;
        else if (word == QLatin1StringView("margbsxn"))
            page.bottom = n;
        else
            page.landscape = true;
    }
    return page;
}

// The element a header or footer of a kind goes into; empty for none.
QString headerElement(const QString &kind)
{
    if (kind == QLatin1StringView("header") || kind == QLatin1StringView("headerr"))
        return QStringLiteral("style:header");
    if (kind == QLatin1StringView("headerl"))
        return QStringLiteral("style:header-left");
    if (kind == QLatin1StringView("headerf"))
        return QStringLiteral("style:header-first");
    if (kind == QLatin1StringView("footer") || kind == QLatin1StringView("footerr"))
        return QStringLiteral("style:footer");
    if (kind == QLatin1StringView("footerl"))
        return QStringLiteral("style:footer-left");
    if (kind == QLatin1StringView("footerf"))
        return QStringLiteral("style:footer-first");
    return {};
}

const QStringList &elementOrder()
{
    static const QStringList order{QStringLiteral("style:header"), QStringLiteral("style:header-left"),
                                   QStringLiteral("style:header-first"), QStringLiteral("style:footer"),
                                   QStringLiteral("style:footer-left"), QStringLiteral("style:footer-first")};
    return order;
}

} // namespace

void Writer::prepareMasterPages()
{
    const model::PageSetup setup = model::pageSetup(m_doc);
    Page first;
    if (setup.width > 0)
        first.width = setup.width;
    if (setup.height > 0)
        first.height = setup.height;
    if (setup.marginLeft >= 0)
        first.left = setup.marginLeft;
    if (setup.marginRight >= 0)
        first.right = setup.marginRight;
    if (setup.marginTop >= 0)
        first.top = setup.marginTop;
    if (setup.marginBottom >= 0)
        first.bottom = setup.marginBottom;
    first.landscape = setup.landscape;

    QHash<QByteArray, QString> layouts;
    QHash<QByteArray, QString> masters;
    QHash<QString, QString> inherited; // element -> the RTF a section without its own takes

    auto master = [&](const QStringList &section, const Page &base, bool isFirst) -> QString {
        const QString words = section.isEmpty() ? QString() : section[0];
        const Page page = isFirst ? base : sectionPage(words, base);
        const bool titlePage = words.contains(QLatin1StringView("\\titlepg"));
        // Headers by element: a section without one of a kind keeps the
        // one before, as in word processors.
        QHash<QString, QString> own;
        for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
            const QString element = headerElement(section[i]);
            if (!element.isEmpty())
                own.insert(element, section[i + 1]);
        }
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            inherited.insert(it.key(), it.value());
        QByteArray children;
        bool hasHeader = false, hasFooter = false;
        {
            QXmlStreamWriter x(&children);
            Walk parent;
            for (const QString &element : elementOrder()) {
                const bool firstKind = element.endsWith(QLatin1StringView("-first"));
                const bool header = element.startsWith(QLatin1StringView("style:header"));
                const QString main = header ? QStringLiteral("style:header") : QStringLiteral("style:footer");
                QString rtf = inherited.value(element);
                if (firstKind && !titlePage)
                    continue;
                if (rtf.isEmpty() && element == main) {
                    // A first or left page's header needs the others'.
                    const bool needed = inherited.contains(main + QStringLiteral("-left"))
                        || (titlePage && inherited.contains(main + QStringLiteral("-first")));
                    if (!needed)
                        continue;
                }
                // A title page without a header of its own has none, as in
                // word processors; OpenDocument would repeat the others'.
                const bool emptyFirst = firstKind && inherited.contains(main);
                if (rtf.isEmpty() && element != main && !emptyFirst)
                    continue;
                x.writeStartElement(element);
                if (rtf.isEmpty())
                    x.writeEmptyElement(QStringLiteral("text:p"));
                else
                    writeSubDocument(parent, rtf, m_styles, x, false,
                                     header ? QStringLiteral("Header") : QStringLiteral("Footer"));
                x.writeEndElement();
                (header ? hasHeader : hasFooter) = true;
            }
        }

        QByteArray layout;
        {
            QXmlStreamWriter x(&layout);
            x.writeStartElement(QStringLiteral("style:page-layout"));
            x.writeAttribute(QStringLiteral("style:name"), QLatin1StringView(StylePool::kName));
            x.writeEmptyElement(QStringLiteral("style:page-layout-properties"));
            int w = clampTwips(page.width, 1440, 31680 * 2), h = clampTwips(page.height, 1440, 31680 * 2);
            if (page.landscape && w < h)
                std::swap(w, h);
            x.writeAttribute(QStringLiteral("fo:page-width"), cmFromTwips(w));
            x.writeAttribute(QStringLiteral("fo:page-height"), cmFromTwips(h));
            x.writeAttribute(QStringLiteral("style:num-format"), QStringLiteral("1"));
            x.writeAttribute(QStringLiteral("style:print-orientation"),
                             page.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
            // The model's margins reach the text; OpenDocument's reach a
            // header, which the text then follows.
            const int top = clampTwips(page.top, 0, h / 2), bottom = clampTwips(page.bottom, 0, h / 2);
            const int pageTop = hasHeader ? std::min(top, kHeaderDistance) : top;
            const int pageBottom = hasFooter ? std::min(bottom, kHeaderDistance) : bottom;
            x.writeAttribute(QStringLiteral("fo:margin-top"), cmFromTwips(pageTop));
            x.writeAttribute(QStringLiteral("fo:margin-bottom"), cmFromTwips(pageBottom));
            x.writeAttribute(QStringLiteral("fo:margin-left"), cmFromTwips(clampTwips(page.left, 0, w / 2)));
            x.writeAttribute(QStringLiteral("fo:margin-right"), cmFromTwips(clampTwips(page.right, 0, w / 2)));
            x.writeStartElement(QStringLiteral("style:header-style"));
            if (hasHeader) {
                x.writeEmptyElement(QStringLiteral("style:header-footer-properties"));
                x.writeAttribute(QStringLiteral("fo:min-height"), cmFromTwips(std::max(0, top - pageTop - 284)));
                x.writeAttribute(QStringLiteral("fo:margin-bottom"), cmFromTwips(284));
                x.writeAttribute(QStringLiteral("style:dynamic-spacing"), QStringLiteral("true"));
            }
            x.writeEndElement();
            x.writeStartElement(QStringLiteral("style:footer-style"));
            if (hasFooter) {
                x.writeEmptyElement(QStringLiteral("style:header-footer-properties"));
                x.writeAttribute(QStringLiteral("fo:min-height"), cmFromTwips(std::max(0, bottom - pageBottom - 284)));
                x.writeAttribute(QStringLiteral("fo:margin-top"), cmFromTwips(284));
                x.writeAttribute(QStringLiteral("style:dynamic-spacing"), QStringLiteral("true"));
            }
            x.writeEndElement();
            x.writeEndElement();
        }
        QString layoutName = layouts.value(layout);
        if (layoutName.isEmpty()) {
            layoutName = QStringLiteral("pm") + QString::number(layouts.size() + 1);
            layouts.insert(layout, layoutName);
        }
        const QByteArray key = layoutName.toUtf8() + '\n' + children;
        if (const QString known = masters.value(key); !known.isEmpty())
            return known;
        MasterPage m;
        m.name = isFirst ? QStringLiteral("Standard") : QStringLiteral("Section") + QString::number(m_masters.size() + 1);
        m.layout = layoutName;
        m.xml = children;
        m.layoutXml = layout;
        m_masters.push_back(m);
        masters.insert(key, m.name);
        return m.name;
    };

    const QString firstMaster = master(m_doc.rootFrame()->frameFormat().property(DocFirstSection).toStringList(),
                                       first, true);
    QString current = firstMaster;
    for (QTextBlock b = m_doc.begin(); b.isValid(); b = b.next()) {
        if (!b.blockFormat().hasProperty(SectionStart) || m_masters.size() > 1000)
            continue;
        const QString name = master(b.blockFormat().property(SectionStart).toStringList(), first, false);
        if (name != current)
            m_sectionMaster.insert(b.blockNumber(), name);
        current = name;
    }
}

QByteArray Writer::pageLayoutsXml() const
{
    QByteArray out;
    QSet<QString> written;
    for (const MasterPage &m : m_masters) {
        if (written.contains(m.layout))
            continue;
        written.insert(m.layout);
        QByteArray s = m.layoutXml;
        s.replace(StylePool::kName, m.layout.toUtf8());
        out += s;
    }
    return out;
}

QByteArray Writer::masterStylesXml() const
{
    QByteArray out = "<office:master-styles>";
    for (const MasterPage &m : m_masters) {
        QByteArray head;
        {
            QXmlStreamWriter x(&head);
            x.writeStartElement(QStringLiteral("style:master-page"));
            x.writeAttribute(QStringLiteral("style:name"), m.name);
            x.writeAttribute(QStringLiteral("style:page-layout-name"), m.layout);
            x.writeCharacters(QString()); // ends the start tag; the children were written apart
        }
        out += head + m.xml + "</style:master-page>";
    }
    out += "</office:master-styles>";
    return out;
}

} // namespace odt::detail
