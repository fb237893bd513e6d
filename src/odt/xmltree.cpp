// A part's XML as a tree: OpenDocument refers from the body to styles by
// name, and keeps pieces the model cannot hold as their XML, both easier
// on a tree than on a stream. Read with XmlReader's checks (no DOCTYPE,
// bounded nesting); the number of elements is bounded as well.

#include "readerimpl.h"

#include <QCoreApplication>

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

bool holdsText(const Node &n)
{
    if (n.ns != ns::text)
        return false;
    static const QSet<QString> blocks = {
        QStringLiteral("list"),          QStringLiteral("list-item"),       QStringLiteral("list-header"),
        QStringLiteral("section"),       QStringLiteral("note"),            QStringLiteral("note-body"),
        QStringLiteral("index-body"),    QStringLiteral("table-of-content"), QStringLiteral("tracked-changes"),
        QStringLiteral("changed-region"), QStringLiteral("deletion"),       QStringLiteral("insertion"),
        QStringLiteral("sequence-decls"), QStringLiteral("variable-decls"), QStringLiteral("user-field-decls"),
        QStringLiteral("numbered-paragraph"), QStringLiteral("list-style"), QStringLiteral("outline-style"),
        QStringLiteral("index-title"),   QStringLiteral("table-of-content-source")};
    return !blocks.contains(n.name);
}

} // namespace

Node parseXml(const QByteArray &xml, const QString &partName)
{
    package::XmlReader r(xml, partName);
    Node root;
    std::vector<Node *> stack;
    qint64 elements = 0;
    bool haveRoot = false;
    while (true) {
        const auto t = r.step();
        if (t == QXmlStreamReader::EndDocument)
            break;
        if (t == QXmlStreamReader::StartElement) {
            if (++elements > limits::maxElements)
                throw model::ReadError(tr("Dokument je příliš velký: jeho část %1 má víc než %2 prvků.")
                                           .arg(partName)
                                           .arg(limits::maxElements));
            Node *n;
            if (stack.empty()) {
                if (haveRoot)
                    break;
                haveRoot = true;
                n = &root;
            } else {
                stack.back()->kids.emplace_back();
                n = &stack.back()->kids.back();
            }
            n->ns = r.namespaceUri().toString();
            n->name = r.name().toString();
            if (n->name.isEmpty())
                n->name = QStringLiteral("_");
            n->qname = r.qualifiedName().toString();
            n->attrs = r.attributes();
            n->nsDecls = r.namespaceDeclarations();
            stack.push_back(n);
        } else if (t == QXmlStreamReader::EndElement) {
            if (!stack.empty())
                stack.pop_back();
        } else if (t == QXmlStreamReader::Characters && !stack.empty()) {
            Node *parent = stack.back();
            // White space between blocks is the file's indentation: only
            // white space within paragraphs is text.
            if (r.isWhitespace() && !holdsText(*parent))
                continue;
            if (++elements > limits::maxElements)
                throw model::ReadError(tr("Dokument je příliš velký: jeho část %1 má víc než %2 prvků.")
                                           .arg(partName)
                                           .arg(limits::maxElements));
            // Adjacent text (a CDATA section beside characters) is one node.
            if (!parent->kids.empty() && parent->kids.back().isText())
                parent->kids.back().text += r.text();
            else {
                parent->kids.emplace_back();
                parent->kids.back().text = r.text().toString();
            }
        }
    }
    if (!haveRoot)
        throw model::ReadError(tr("Dokument je poškozený: jeho část %1 neobsahuje žádný prvek.").arg(partName));
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
