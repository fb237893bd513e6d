// word/styles.xml: the document's defaults (its default font, size and
// language), the styles the model keeps by name (DocStyles), and the nine
// heading styles with their outline levels, which headings without a
// style of their own take.

#include "writerimpl.h"
#include "model/styles.h"

#include <QRegularExpression>
#include <QTextFrame>

#include <algorithm>

namespace docx::detail {

namespace {

// "heading 3", "Heading3", "Nadpis 3": 3; 0 for other names.
int headingNumber(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^(heading|nadpis)\\s*([1-9])$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(name.trimmed());
    return m.hasMatch() ? m.captured(2).toInt() : 0;
}

bool isNormalName(const QString &name)
{
    const QString n = name.trimmed().toLower();
    return n == QLatin1StringView("normal") || n == QLatin1StringView("standard") || n == QLatin1StringView("normální");
}

} // namespace

void Writer::loadStyles()
{
    QSet<QString> used;
    const QList<Style> sheet = styles(m_doc);
    for (const Style &style : sheet.first(std::min<qsizetype>(sheet.size(), 4096))) {
        StyleInfo s;
        static_cast<Style &>(s) = style;
        s.name = xmlSafe(style.name).trimmed().left(253);
        const int number = style.number;
        QString id;
        if (!s.character && isNormalName(s.name))
            id = QStringLiteral("Normal");
        else if (const int h = headingNumber(s.name); h > 0 && !s.character)
            id = QStringLiteral("Heading") + QString::number(h);
        else if (s.character && s.name.compare(QLatin1StringView("Default Paragraph Font"), Qt::CaseInsensitive) == 0)
            id = QStringLiteral("DefaultParagraphFont");
        else if (s.character && s.name.compare(QLatin1StringView("footnote reference"), Qt::CaseInsensitive) == 0)
            id = QStringLiteral("FootnoteReference");
        else if (s.character && s.name.compare(QLatin1StringView("endnote reference"), Qt::CaseInsensitive) == 0)
            id = QStringLiteral("EndnoteReference");
        else {
            for (const QChar c : s.name) {
                if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
                    id += c;
            }
            if (id.isEmpty() || id[0].isDigit())
                id.prepend(QStringLiteral("Style"));
        }
        if (s.name.isEmpty())
            s.name = id;
        const QString base = id;
        for (int k = 2; used.contains(id); ++k)
            id = base + QString::number(k);
        used.insert(id);
        s.id = id;
        if (s.character) {
            if (!m_charStyleByNumber.contains(number))
                m_charStyleByNumber.insert(number, m_styles.size());
        } else if (!m_styleByNumber.contains(number)) {
            m_styleByNumber.insert(number, m_styles.size());
        }
        m_styleById.insert(id, m_styles.size());
        m_styles.push_back(std::move(s));
    }
    // A style based on itself through others (a file may say so) would
    // make the package one that readers refuse: the loop is cut where it
    // closes.
    for (StyleInfo &s : m_styles) {
        if (s.character)
            continue;
        int number = s.basedOn;
        for (size_t steps = 0; number >= 0 && steps <= m_styles.size(); ++steps) {
            const auto it = m_styleByNumber.constFind(number);
            if (it == m_styleByNumber.cend())
                break;
            if (&m_styles[*it] == &s) {
                s.basedOn = -1;
                break;
            }
            number = m_styles[*it].basedOn;
        }
    }
}

QString Writer::styleIdOf(const QTextBlockFormat &f) const
{
    if (!f.hasProperty(StyleNumber))
        return {};
    const auto it = m_styleByNumber.constFind(f.intProperty(StyleNumber));
    return it == m_styleByNumber.cend() ? QString() : m_styles[*it].id;
}

QString Writer::charStyleIdOf(const QTextCharFormat &f) const
{
    if (!f.hasProperty(CharStyleNumber))
        return {};
    const auto it = m_charStyleByNumber.constFind(f.intProperty(CharStyleNumber));
    return it == m_charStyleByNumber.cend() ? QString() : m_styles[*it].id;
}

QByteArray Writer::stylesXml()
{
    Xml x;
    x.start(QStringLiteral("w:styles"));
    x.attr(QStringLiteral("xmlns:w"), QLatin1StringView(kNsW));
    x.attr(QStringLiteral("xmlns:r"), QLatin1StringView(kNsR));

    x.start(QStringLiteral("w:docDefaults"));
    x.start(QStringLiteral("w:rPrDefault"));
    x.start(QStringLiteral("w:rPr"));
    const QString family = xmlSafe(m_defaultFamily).left(255);
    if (!family.isEmpty()) {
        x.empty(QStringLiteral("w:rFonts"));
        x.attr(QStringLiteral("w:ascii"), family);
        x.attr(QStringLiteral("w:hAnsi"), family);
        x.attr(QStringLiteral("w:cs"), family);
        x.attr(QStringLiteral("w:eastAsia"), family);
    }
    const int half = std::clamp(qRound(m_defaultSize * 2), 2, 3276);
    x.val(QStringLiteral("w:sz"), half);
    x.val(QStringLiteral("w:szCs"), half);
    if (const QString tag = model::languageTag(m_documentLanguage); !tag.isEmpty())
        x.val(QStringLiteral("w:lang"), tag);
    x.end();
    x.end();
    x.start(QStringLiteral("w:pPrDefault"));
    x.empty(QStringLiteral("w:pPr"));
    x.end();
    x.end();

    const auto idOf = [this](int number) {
        const auto it = m_styleByNumber.constFind(number);
        return it == m_styleByNumber.cend() ? QString() : m_styles[*it].id;
    };
    const auto begin = [&](const char *type, const QString &id, const QString &name, bool isDefault) {
        x.start(QStringLiteral("w:style"));
        x.attr(QStringLiteral("w:type"), QLatin1StringView(type));
        if (isDefault)
            x.attr(QStringLiteral("w:default"), QStringLiteral("1"));
        x.attr(QStringLiteral("w:styleId"), id);
        x.val(QStringLiteral("w:name"), name);
    };

    bool normal = false, defaultFont = false;
    std::array<bool, 10> headings{};
    for (const StyleInfo &s : m_styles) {
        const bool isNormal = s.id == QLatin1StringView("Normal");
        const bool isDefaultFont = s.id == QLatin1StringView("DefaultParagraphFont");
        normal = normal || isNormal;
        defaultFont = defaultFont || isDefaultFont;
        int heading = 0;
        if (s.id.startsWith(QLatin1StringView("Heading")) && s.id.size() == 8 && s.id[7].isDigit()) {
            heading = s.id[7].digitValue();
            headings[size_t(heading)] = true;
        }
        begin(s.character ? "character" : "paragraph", s.id,
              heading ? QStringLiteral("heading ") + QString::number(heading) : isNormal ? QStringLiteral("Normal") : s.name,
              isNormal || isDefaultFont);
        if (!s.character) {
            if (const QString based = idOf(s.basedOn); !based.isEmpty() && based != s.id)
                x.val(QStringLiteral("w:basedOn"), based);
            if (const QString next = idOf(s.next); !next.isEmpty())
                x.val(QStringLiteral("w:next"), next);
        }
        if (heading || isNormal)
            x.empty(QStringLiteral("w:qFormat"));
        if (!s.character) {
            QTextBlockFormat block = s.block;
            const int level = heading ? heading : s.outline >= 0 && s.outline < 9 ? s.outline + 1 : 0;
            if (level)
                block.setHeadingLevel(level);
            writeBlockFormat(x, block, 0, QString(), 0, 0, false, nullptr, QByteArray());
        }
        writeRunProperties(x, s.chr, QString());
        x.end();
    }
    if (!normal) {
        begin("paragraph", QStringLiteral("Normal"), QStringLiteral("Normal"), true);
        x.empty(QStringLiteral("w:qFormat"));
        x.end();
    }
    if (!defaultFont) {
        begin("character", QStringLiteral("DefaultParagraphFont"), QStringLiteral("Default Paragraph Font"), true);
        x.val(QStringLiteral("w:uiPriority"), 1);
        x.empty(QStringLiteral("w:semiHidden"));
        x.empty(QStringLiteral("w:unhideWhenUsed"));
        x.end();
    }
    // Note marks are raised by their styles.
    for (const char *id : {"FootnoteReference", "EndnoteReference"}) {
        if (m_styleById.contains(QLatin1StringView(id)))
            continue;
        begin("character", QLatin1StringView(id),
              id[0] == 'F' ? QStringLiteral("footnote reference") : QStringLiteral("endnote reference"), false);
        x.val(QStringLiteral("w:basedOn"), QStringLiteral("DefaultParagraphFont"));
        x.start(QStringLiteral("w:rPr"));
        x.val(QStringLiteral("w:vertAlign"), QStringLiteral("superscript"));
        x.end();
        x.end();
    }
    // The headings the model gives by level alone.
    static const int sizes[] = {32, 28, 26, 24, 24, 22, 22, 22, 22};
    for (int h = 1; h <= 9; ++h) {
        if (headings[size_t(h)])
            continue;
        begin("paragraph", QStringLiteral("Heading") + QString::number(h), QStringLiteral("heading ") + QString::number(h), false);
        x.val(QStringLiteral("w:basedOn"), QStringLiteral("Normal"));
        x.val(QStringLiteral("w:next"), QStringLiteral("Normal"));
        x.empty(QStringLiteral("w:qFormat"));
        x.start(QStringLiteral("w:pPr"));
        x.empty(QStringLiteral("w:keepNext"));
        x.empty(QStringLiteral("w:spacing"));
        x.attr(QStringLiteral("w:before"), QStringLiteral("240"));
        x.attr(QStringLiteral("w:after"), QStringLiteral("60"));
        x.val(QStringLiteral("w:outlineLvl"), h - 1);
        x.end();
        x.start(QStringLiteral("w:rPr"));
        x.empty(QStringLiteral("w:b"));
        x.val(QStringLiteral("w:sz"), sizes[h - 1]);
        x.val(QStringLiteral("w:szCs"), sizes[h - 1]);
        x.end();
        x.end();
    }
    x.end();
    return x.finish();
}

} // namespace docx::detail
