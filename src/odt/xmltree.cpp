// A part's XML as trees: OpenDocument refers from the body to styles by
// name, and keeps pieces the model cannot hold as their XML, both easier
// on a tree than on a stream. The body is read one block's tree at a
// time. Read with XmlReader's checks (no DOCTYPE, bounded nesting); the
// number of elements is bounded as well.

#include "readerimpl.h"

#include <QCoreApplication>

#include <cctype>

namespace odt::detail {

QString tr(const char *text)
{
    return QCoreApplication::translate("odt", text);
}

const Node *Node::child(QLatin1StringView uri, QLatin1StringView local) const
{
    for (const Node &k : kids) {
        if (k.is(uri, local))
            return &k;
    }
    return nullptr;
}

namespace {

void collect(const Node &n, QString &out)
{
    if (n.isText()) {
        out += n.text;
        return;
    }
    for (const Node &k : n.kids)
        collect(k, out);
}

} // namespace

QString Node::allText() const
{
    QString out;
    collect(*this, out);
    return out;
}

namespace {

// Whether white space in the element is text: between blocks it is the
// file's indentation, within paragraphs it is text.
bool holdsText(QStringView uri, QStringView local)
{
    if (uri != ns::text)
        return false;
    static constexpr QLatin1StringView blocks[] = {
        QLatin1StringView("list"),          QLatin1StringView("list-item"),       QLatin1StringView("list-header"),
        QLatin1StringView("section"),       QLatin1StringView("note"),            QLatin1StringView("note-body"),
        QLatin1StringView("index-body"),    QLatin1StringView("table-of-content"), QLatin1StringView("tracked-changes"),
        QLatin1StringView("changed-region"), QLatin1StringView("deletion"),       QLatin1StringView("insertion"),
        QLatin1StringView("sequence-decls"), QLatin1StringView("variable-decls"), QLatin1StringView("user-field-decls"),
        QLatin1StringView("numbered-paragraph"), QLatin1StringView("list-style"), QLatin1StringView("outline-style"),
        QLatin1StringView("index-title"),   QLatin1StringView("table-of-content-source")};
    for (const QLatin1StringView b : blocks) {
        if (local == b)
            return false;
    }
    return true;
}

[[noreturn]] void tooManyElements(const QString &partName)
{
    throw model::ReadError(tr("Dokument je příliš velký: jeho část %1 má víc než %2 prvků.")
                               .arg(partName)
                               .arg(limits::maxElements));
}

} // namespace

QString Names::get(QStringView s)
{
    if (s.isEmpty())
        return QString();
    const size_t mask = m_slots.size() - 1;
    for (size_t i = qHash(s) & mask;; i = (i + 1) & mask) {
        QString &slot = m_slots[i];
        if (slot.isNull()) {
            if (m_used >= maxNames)
                return s.toString();
            ++m_used;
            slot = s.toString();
            return slot;
        }
        if (slot == s)
            return slot;
    }
}

PartReader::PartReader(const QByteArray &xml, const QString &partName)
    : m_r(xml, partName)
    , m_part(partName)
{
    // Given the bytes, the stream reader decodes them all at once, a copy
    // twice their size; from a device it decodes as it goes.
    m_bytes.setData(xml);
    m_bytes.open(QIODevice::ReadOnly);
    m_r.setDevice(&m_bytes);
}

void PartReader::count()
{
    if (++m_elements > limits::maxElements)
        tooManyElements(m_part);
}

void PartReader::toRoot()
{
    while (true) {
        const auto t = m_r.step();
        if (t == QXmlStreamReader::StartElement) {
            count();
            return;
        }
        if (t == QXmlStreamReader::EndDocument)
            throw model::ReadError(tr("Dokument je poškozený: jeho část %1 neobsahuje žádný prvek.").arg(m_part));
    }
}

void PartReader::head(Node &n)
{
    n.ns = m_names.get(m_r.namespaceUri());
    n.name = m_names.get(m_r.name());
    if (n.name.isEmpty())
        n.name = QStringLiteral("_");
    n.qname = m_names.get(m_r.qualifiedName());
    n.attrs = m_r.attributes();
    n.nsDecls = m_r.namespaceDeclarations();
}

void PartReader::characters(Node &parent)
{
    // Adjacent text (a CDATA section beside characters) is one node.
    if (!parent.kids.empty() && parent.kids.back().isText())
        parent.kids.back().text += m_r.text();
    else
        parent.kids.emplace_back().text = m_r.text().toString();
}

void PartReader::readElement(Node &root)
{
    head(root);
    struct Open {
        Node *node;
        bool holdsText;
    };
    std::vector<Open> stack{{&root, holdsText(root.ns, root.name)}};
    while (!stack.empty()) {
        const auto t = m_r.step();
        if (t == QXmlStreamReader::StartElement) {
            count();
            Node &n = stack.back().node->kids.emplace_back();
            head(n);
            stack.push_back({&n, holdsText(n.ns, n.name)});
        } else if (t == QXmlStreamReader::EndElement) {
            stack.pop_back();
        } else if (t == QXmlStreamReader::Characters) {
            if (!stack.back().holdsText && m_r.isWhitespace())
                continue;
            count();
            characters(*stack.back().node);
        } else if (t == QXmlStreamReader::EndDocument) {
            break;
        }
    }
}

void PartReader::enter()
{
    m_entered.push_back(holdsText(ns(), name()));
}

bool PartReader::next()
{
    while (!m_entered.empty()) {
        const auto t = m_r.step();
        if (t == QXmlStreamReader::StartElement) {
            count();
            return true;
        }
        if (t == QXmlStreamReader::EndElement || t == QXmlStreamReader::EndDocument) {
            m_entered.pop_back();
            return false;
        }
        // Text beside the children is no child: counted as the tree would.
        if (t == QXmlStreamReader::Characters && (m_entered.back() || !m_r.isWhitespace()))
            count();
    }
    return false;
}

void PartReader::finish()
{
    while (true) {
        const auto t = m_r.step();
        if (t == QXmlStreamReader::EndDocument || t == QXmlStreamReader::StartElement)
            return;
    }
}

qint64 countStartTags(QByteArrayView xml, qint64 enough)
{
    qint64 tags = 0;
    qsizetype i = 0;
    while (tags <= enough) {
        i = xml.indexOf('<', i);
        if (i < 0 || i + 1 >= xml.size())
            break;
        const uchar c = uchar(xml[i + 1]);
        QByteArrayView skipTo;
        if (xml.sliced(i).startsWith("<!--"))
            skipTo = "-->";
        else if (xml.sliced(i).startsWith("<![CDATA["))
            skipTo = "]]>";
        else if (c == '?')
            skipTo = "?>";
        else if (std::isalpha(c) || c == '_' || c == ':' || c >= 0x80)
            ++tags;
        if (!skipTo.isEmpty()) {
            i = xml.indexOf(skipTo, i + 2);
            if (i < 0)
                break;
        }
        ++i;
    }
    return tags;
}

Node parseXml(const QByteArray &xml, const QString &partName)
{
    PartReader r(xml, partName);
    r.toRoot();
    Node root;
    r.readElement(root);
    r.finish();
    return root;
}

namespace {

void escape(QString &out, const QString &s, bool attribute)
{
    for (const QChar c : s) {
        switch (c.unicode()) {
        case u'<': out += QLatin1StringView("&lt;"); break;
        case u'>': out += QLatin1StringView("&gt;"); break;
        case u'&': out += QLatin1StringView("&amp;"); break;
        case u'"':
            if (attribute) {
                out += QLatin1StringView("&quot;");
                break;
            }
            out += c;
            break;
        case u'\n':
        case u'\t':
        case u'\r':
            if (attribute) {
                out += QStringLiteral("&#%1;").arg(c.unicode());
                break;
            }
            out += c;
            break;
        default:
            out += c;
        }
    }
}

void write(const Node &n, QString &out)
{
    if (n.isText()) {
        escape(out, n.text, false);
        return;
    }
    out += u'<' + n.qname;
    for (const auto &d : n.nsDecls) {
        if (d.prefix().isEmpty()) {
            out += QLatin1StringView(" xmlns=\"");
        } else {
            out += QLatin1StringView(" xmlns:");
            out += d.prefix();
            out += QLatin1StringView("=\"");
        }
        escape(out, d.namespaceUri().toString(), true);
        out += u'"';
    }
    for (const auto &a : n.attrs) {
        out += u' ';
        out += a.qualifiedName();
        out += QLatin1StringView("=\"");
        escape(out, a.value().toString(), true);
        out += u'"';
    }
    if (n.kids.empty()) {
        out += QLatin1StringView("/>");
        return;
    }
    out += u'>';
    for (const Node &k : n.kids)
        write(k, out);
    out += QStringLiteral("</") + n.qname + u'>';
}

} // namespace

QString serialise(const Node &node)
{
    QString out;
    write(node, out);
    return out;
}

int toTwips(QStringView length, int fallback)
{
    const QStringView s = length.trimmed();
    qsizetype i = 0;
    while (i < s.size() && (s[i].isDigit() || s[i] == u'.' || s[i] == u'-' || s[i] == u'+'))
        ++i;
    bool ok = false;
    const double v = s.first(i).toDouble(&ok);
    if (!ok)
        return fallback;
    const QStringView unit = s.sliced(i).trimmed();
    double factor;
    if (unit == u"cm")
        factor = 1440 / 2.54;
    else if (unit == u"mm")
        factor = 144 / 2.54;
    else if (unit == u"in" || unit == u"inch")
        factor = 1440;
    else if (unit == u"pt" || unit.isEmpty())
        factor = 20;
    else if (unit == u"pc")
        factor = 240;
    else if (unit == u"px")
        factor = 15;
    else
        return fallback;
    const double twips = v * factor;
    // Far past any page: a hostile number is clamped, not trusted.
    return int(std::clamp(twips, -4.0 * limits::maxTwips, 4.0 * limits::maxTwips) + (twips < 0 ? -0.5 : 0.5));
}

} // namespace odt::detail
