#include "xmltree.h"

#include "package/package.h"

#include <QCoreApplication>
#include <QXmlStreamWriter>

namespace docx::detail {

namespace {

// Namespaces by the prefix Word gives them, in the transitional and the
// strict flavour of the format.
QString canonicalPrefix(QStringView uri)
{
    struct Ns {
        const char *uri;
        const char *prefix;
    };
    static const Ns known[] = {
        {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w"},
        {"http://purl.oclc.org/ooxml/wordprocessingml/main", "w"},
        {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
        {"http://purl.oclc.org/ooxml/officeDocument/relationships", "r"},
        {"http://schemas.openxmlformats.org/package/2006/relationships", "rel"},
        {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp"},
        {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", "wp"},
        {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
        {"http://purl.oclc.org/ooxml/drawingml/main", "a"},
        {"http://schemas.openxmlformats.org/drawingml/2006/picture", "pic"},
        {"http://purl.oclc.org/ooxml/drawingml/picture", "pic"},
        {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", "wps"},
        {"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", "wpg"},
        {"urn:schemas-microsoft-com:vml", "v"},
        {"urn:schemas-microsoft-com:office:office", "o"},
        {"http://schemas.openxmlformats.org/officeDocument/2006/math", "m"},
        {"http://purl.oclc.org/ooxml/officeDocument/math", "m"},
        {"http://schemas.openxmlformats.org/package/2006/metadata/core-properties", "cp"},
        {"http://purl.org/dc/elements/1.1/", "dc"},
        {"http://purl.org/dc/terms/", "dcterms"},
        {"http://www.w3.org/XML/1998/namespace", "xml"},
    };
    for (const Ns &n : known) {
        if (uri == QLatin1StringView(n.uri))
            return QLatin1StringView(n.prefix);
    }
    return {};
}

QString canonicalName(QStringView uri, QStringView local, QStringView qualified)
{
    if (uri.isEmpty())
        return qualified.toString();
    const QString prefix = canonicalPrefix(uri);
    if (prefix.isEmpty())
        return qualified.toString();
    return prefix + u':' + local.toString();
}

QString tr(const char *text)
{
    return QCoreApplication::translate("docx", text);
}

} // namespace

Node *Node::find(QLatin1StringView n) const
{
    // Iterative: depth is bounded by the reader, but not small.
    std::vector<const Node *> stack{this};
    while (!stack.empty()) {
        const Node *x = stack.back();
        stack.pop_back();
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it) {
            if ((*it)->name == n)
                return *it;
        }
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it)
            stack.push_back(*it);
    }
    return nullptr;
}

QString Node::allText() const
{
    QString out;
    std::vector<const Node *> stack{this};
    while (!stack.empty()) {
        const Node *x = stack.back();
        stack.pop_back();
        out += x->text;
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it)
            stack.push_back(*it);
    }
    return out;
}

void Tree::parse(const QByteArray &xml, const QString &partName)
{
    m_nodes.clear();
    m_root = nullptr;
    if (xml.isEmpty())
        return;
    package::XmlReader r(xml, partName);
    Node *current = nullptr;
    qint64 count = 0;
    // A part names a few dozen elements and attributes millions of times:
    // each name is made once and shared.
    QHash<QString, std::pair<QString, QString>> names;
    QString key;
    auto intern = [&](QStringView uri, QStringView local, QStringView qualified) -> const std::pair<QString, QString> & {
        key.resize(0);
        key.append(qualified).append(u'\x01').append(uri);
        auto it = names.constFind(key);
        if (it == names.cend())
            it = names.insert(key, {canonicalName(uri, local, qualified), qualified.toString()});
        return *it;
    };
    while (true) {
        const auto token = r.step();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            if (++count > maxElements)
                throw model::ReadError(tr("Dokument je příliš velký: jeho část %1 má víc než %2 prvků.")
                                           .arg(partName)
                                           .arg(maxElements));
            Node &n = m_nodes.emplace_back();
            const auto &name = intern(r.namespaceUri(), r.name(), r.qualifiedName());
            n.name = name.first;
            n.qname = name.second;
            const QXmlStreamAttributes attrs = r.attributes();
            n.attrs.reserve(size_t(attrs.size()));
            n.rawAttrs.reserve(size_t(attrs.size()));
            for (const QXmlStreamAttribute &a : attrs) {
                const auto &attr = intern(a.namespaceUri(), a.name(), a.qualifiedName());
                const QString value = a.value().toString();
                n.attrs.emplace_back(attr.first, value);
                n.rawAttrs.emplace_back(attr.second, value);
            }
            for (const QXmlStreamNamespaceDeclaration &d : r.namespaceDeclarations()) {
                const QString name = d.prefix().isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + d.prefix().toString();
                n.rawAttrs.emplace_back(name, d.namespaceUri().toString());
            }
            n.parent = current;
            if (current)
                current->kids.push_back(&n);
            else if (!m_root)
                m_root = &n;
            current = &n;
        } else if (token == QXmlStreamReader::EndElement) {
            if (current)
                current = current->parent;
        } else if (token == QXmlStreamReader::Characters && current) {
            current->text += r.text();
        }
    }
}

namespace {

void writeNode(QXmlStreamWriter &w, const Node *n, const std::vector<std::pair<QString, QString>> &extra)
{
    // Iterative: an element may nest as deep as the reader allows.
    struct Frame {
        const Node *node;
        size_t next;
    };
    std::vector<Frame> stack;
    auto open = [&](const Node *x, bool top) {
        w.writeStartElement(x->qname);
        if (top) {
            for (const auto &[k, v] : extra)
                w.writeAttribute(k, v);
        }
        for (const auto &[k, v] : x->rawAttrs)
            w.writeAttribute(k, v);
        if (!x->text.isEmpty())
            w.writeCharacters(x->text);
        stack.push_back({x, 0});
    };
    open(n, true);
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.next < f.node->kids.size()) {
            open(f.node->kids[f.next++], false);
        } else {
            w.writeEndElement();
            stack.pop_back();
        }
    }
}

} // namespace

QString serialize(const Node *node)
{
    // The declarations of the elements around it, that it does not make itself.
    std::vector<std::pair<QString, QString>> extra;
    for (const Node *p = node->parent; p; p = p->parent) {
        for (const auto &attribute : p->rawAttrs) {
            const QString &k = attribute.first; // a lambda cannot capture a structured binding (clang 14)
            if (!k.startsWith(QLatin1StringView("xmlns")))
                continue;
            const bool shadowed = std::any_of(node->rawAttrs.begin(), node->rawAttrs.end(),
                                              [&](const auto &a) { return a.first == k; })
                || std::any_of(extra.begin(), extra.end(), [&](const auto &a) { return a.first == k; });
            if (!shadowed)
                extra.push_back(attribute);
        }
    }
    QString out;
    QXmlStreamWriter w(&out);
    writeNode(w, node, extra);
    return out;
}

bool refersToParts(const Node *node)
{
    std::vector<const Node *> stack{node};
    while (!stack.empty()) {
        const Node *x = stack.back();
        stack.pop_back();
        for (const auto &a : x->attrs) {
            if (a.first.startsWith(QLatin1StringView("r:")))
                return true;
        }
        stack.insert(stack.end(), x->kids.begin(), x->kids.end());
    }
    return false;
}

bool onOff(const Node *n)
{
    if (!n)
        return false;
    const QString v = n->attr(QLatin1StringView("w:val"));
    return v.isEmpty() || v == u"1" || v == u"true" || v == u"on";
}

} // namespace docx::detail
