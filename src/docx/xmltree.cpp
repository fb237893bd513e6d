#include "xmltree.h"

#include "package/package.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <QXmlStreamWriter>

#include <algorithm>

namespace docx::detail {

namespace {

// Nodes and child lists are handed out in chunks of so many.
constexpr size_t kNodeChunk = 1024;
constexpr size_t kKidChunk = 8192;

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
    QString name = prefix + u':';
    name += local;
    return name;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("docx", text);
}

void countElement(qint64 &count, const QString &partName)
{
    if (++count > Tree::maxElements)
        throw model::ReadError(tr("Dokument je příliš velký: jeho část %1 má víc než %2 prvků.")
                                   .arg(partName)
                                   .arg(Tree::maxElements));
}

// A present attribute's value is never null, even when empty.
QStringView present(QStringView v)
{
    return v.isNull() ? QStringView(u"") : v;
}

} // namespace

// --- names

const XmlName *XmlNames::get(QStringView uri, QStringView local, QStringView qualified)
{
    // The qualified name and the namespace's length pick the slot; the
    // namespace itself is compared only on a hit.
    const size_t hash = qHash(qualified, size_t(uri.size()));
    if (!m_slots.empty()) {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const qint32 e = m_slots[i];
            if (e < 0)
                break;
            const Entry &entry = m_entries[size_t(e)];
            if (entry.qualified == qualified && entry.uri == uri)
                return entry.name;
        }
    }
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const XmlName &name = m_names.emplace_back(XmlName{canonicalName(uri, local, qualified), qualified.toString()});
    m_entries.push_back(Entry{qualified.toString(), uri.toString(), &name});
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    while (m_slots[i] >= 0)
        i = (i + 1) & mask;
    m_slots[i] = qint32(m_entries.size() - 1);
    return &name;
}

const XmlName *XmlNames::declaration(QStringView prefix)
{
    QString name = QStringLiteral("xmlns");
    if (!prefix.isEmpty())
        name += u':' + prefix.toString();
    return get(QStringView(), name, name);
}

void XmlNames::grow()
{
    m_slots.assign(std::max<size_t>(64, m_slots.size() * 2), -1);
    const size_t mask = m_slots.size() - 1;
    for (size_t e = 0; e < m_entries.size(); ++e) {
        size_t i = qHash(QStringView(m_entries[e].qualified), size_t(m_entries[e].uri.size())) & mask;
        while (m_slots[i] >= 0)
            i = (i + 1) & mask;
        m_slots[i] = qint32(e);
    }
}

// --- nodes

QStringView Node::text() const
{
    if (m_textApart)
        return tree->m_apart[size_t(m_text)];
    if (m_textSize <= 0)
        return {};
    return QStringView(tree->m_chars).mid(m_text, m_textSize);
}

std::span<const XmlAttr> Node::attributes() const
{
    return {tree->m_attrs.data() + m_attrs, m_attrCount};
}

std::span<const XmlAttr> Node::declarations() const
{
    return {tree->m_attrs.data() + m_attrs + m_attrCount, m_declCount};
}

QStringView Node::value(const XmlAttr &a) const
{
    return present(QStringView(tree->m_chars).mid(a.offset, a.size));
}

QStringView Node::attrView(QLatin1StringView n) const
{
    for (const XmlAttr &a : attributes()) {
        if (a.name->name == n)
            return value(a);
    }
    return {};
}

Node *Node::find(QLatin1StringView n) const
{
    // Iterative: depth is bounded by the reader, but not small.
    std::vector<const Node *> stack{this};
    while (!stack.empty()) {
        const Node *x = stack.back();
        stack.pop_back();
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it) {
            if ((*it)->is(n))
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
        out += x->text();
        for (auto it = x->kids.rbegin(); it != x->kids.rend(); ++it)
            stack.push_back(*it);
    }
    return out;
}

// --- trees

Tree::Tree()
    : Tree(std::make_shared<XmlNames>())
{
}

Tree::Tree(std::shared_ptr<XmlNames> names)
    : m_names(std::move(names))
{
}

Tree::~Tree() = default;

void Tree::clear()
{
    // Chunks stay for the next tree; what they held is overwritten.
    m_nodeChunk = 0;
    m_nodeUsed = 0;
    m_kidChunk = 0;
    m_kidUsed = 0;
    m_attrs.clear();
    m_chars.resize(0);
    m_apart.clear();
    m_pending.clear();
    m_open.clear();
    m_root = nullptr;
}

Node *Tree::newNode()
{
    if (m_nodeChunk < m_nodeChunks.size() && m_nodeUsed == kNodeChunk) {
        ++m_nodeChunk;
        m_nodeUsed = 0;
    }
    if (m_nodeChunk == m_nodeChunks.size())
        m_nodeChunks.push_back(std::make_unique<Node[]>(kNodeChunk));
    Node *n = &m_nodeChunks[m_nodeChunk][m_nodeUsed++];
    *n = Node();
    n->tree = this;
    return n;
}

Node *const *Tree::storeKids(Node *const *kids, size_t n)
{
    if (n == 0)
        return nullptr;
    while (m_kidChunk < m_kidChunks.size() && m_kidUsed + n > m_kidChunks[m_kidChunk].second) {
        ++m_kidChunk;
        m_kidUsed = 0;
    }
    if (m_kidChunk == m_kidChunks.size()) {
        const size_t capacity = std::max(n, kKidChunk);
        m_kidChunks.emplace_back(std::make_unique_for_overwrite<Node *[]>(capacity), capacity);
    }
    Node **to = m_kidChunks[m_kidChunk].first.get() + m_kidUsed;
    std::copy(kids, kids + n, to);
    m_kidUsed += n;
    return to;
}

void Tree::appendText(Node *n, QStringView text)
{
    if (text.isEmpty())
        return;
    if (n->m_textApart) {
        m_apart[size_t(n->m_text)] += text;
        return;
    }
    if (n->m_textSize <= 0) {
        n->m_text = m_chars.size();
        n->m_textSize = 0;
    } else if (n->m_text + n->m_textSize != m_chars.size()) {
        // Elements came between its pieces: it goes on in a string of its own.
        QString whole = QStringView(m_chars).mid(n->m_text, n->m_textSize).toString();
        whole += text;
        n->m_textApart = true;
        n->m_text = qsizetype(m_apart.size());
        m_apart.push_back(std::move(whole));
        return;
    }
    m_chars += text;
    n->m_textSize += text.size();
}

Node *Tree::open(package::XmlReader &r, Node *parent)
{
    Node *n = newNode();
    n->parent = parent;
    n->xmlName = m_names->get(r.namespaceUri(), r.name(), r.qualifiedName());
    n->m_attrs = qsizetype(m_attrs.size());
    const QXmlStreamAttributes attrs = r.attributes();
    for (const QXmlStreamAttribute &a : attrs) {
        const QStringView v = a.value();
        m_attrs.push_back(XmlAttr{m_names->get(a.namespaceUri(), a.name(), a.qualifiedName()), m_chars.size(), v.size()});
        m_chars += v;
    }
    n->m_attrCount = quint32(attrs.size());
    const QXmlStreamNamespaceDeclarations declarations = r.namespaceDeclarations();
    for (const QXmlStreamNamespaceDeclaration &d : declarations) {
        const QStringView v = d.namespaceUri();
        m_attrs.push_back(XmlAttr{m_names->declaration(d.prefix()), m_chars.size(), v.size()});
        m_chars += v;
    }
    n->m_declCount = quint32(declarations.size());
    return n;
}

Node *Tree::build(package::XmlReader &r, Node *parent, qint64 &count, const QString &partName)
{
    Node *top = open(r, parent);
    const size_t base = m_open.size();
    m_open.emplace_back(top, m_pending.size());
    while (m_open.size() > base) {
        const auto token = r.step();
        if (token == QXmlStreamReader::StartElement) {
            countElement(count, partName);
            Node *n = open(r, m_open.back().first);
            m_pending.push_back(n);
            m_open.emplace_back(n, m_pending.size());
        } else if (token == QXmlStreamReader::EndElement) {
            const auto [node, from] = m_open.back();
            m_open.pop_back();
            const size_t n = m_pending.size() - from;
            node->kids = std::span<Node *const>(storeKids(m_pending.data() + from, n), n);
            m_pending.resize(from);
        } else if (token == QXmlStreamReader::Characters) {
            appendText(m_open.back().first, r.text());
        } else if (token == QXmlStreamReader::EndDocument) {
            break; // the reader has reported what cut it short
        }
    }
    m_open.resize(base);
    return top;
}

void Tree::parse(const QByteArray &xml, const QString &partName)
{
    clear();
    if (xml.isEmpty())
        return;
    package::XmlReader r(xml, partName);
    qint64 count = 0;
    while (true) {
        const auto token = r.step();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            countElement(count, partName);
            Node *n = build(r, nullptr, count, partName);
            if (!m_root)
                m_root = n;
        }
    }
}

const Node *Tree::copy(const Node *node)
{
    if (node->tree->m_names != m_names
        && std::find(m_otherNames.begin(), m_otherNames.end(), node->tree->m_names) == m_otherNames.end())
        m_otherNames.push_back(node->tree->m_names); // its names stay while this tree does
    auto copyOne = [&](const Node *from, Node *parent) {
        Node *n = newNode();
        n->parent = parent;
        n->xmlName = from->xmlName;
        n->m_attrs = qsizetype(m_attrs.size());
        n->m_attrCount = from->m_attrCount;
        n->m_declCount = from->m_declCount;
        const qsizetype all = qsizetype(from->m_attrCount) + from->m_declCount;
        for (qsizetype i = 0; i < all; ++i) {
            const XmlAttr &a = from->tree->m_attrs[size_t(from->m_attrs + i)];
            const QStringView v = from->value(a);
            m_attrs.push_back(XmlAttr{a.name, m_chars.size(), v.size()});
            m_chars += v;
        }
        appendText(n, from->text());
        return n;
    };
    // Depth first, as build() reads: an element's children are stored when
    // all of them are made.
    struct Frame {
        const Node *from;
        Node *to;
        size_t next;
        size_t pending;
    };
    std::vector<Frame> stack;
    Node *top = copyOne(node, nullptr);
    stack.push_back({node, top, 0, m_pending.size()});
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.next < f.from->kids.size()) {
            const Node *kid = f.from->kids[f.next++];
            Node *n = copyOne(kid, f.to);
            m_pending.push_back(n);
            stack.push_back({kid, n, 0, m_pending.size()});
        } else {
            const size_t n = m_pending.size() - f.pending;
            f.to->kids = std::span<Node *const>(storeKids(m_pending.data() + f.pending, n), n);
            m_pending.resize(f.pending);
            stack.pop_back();
        }
    }
    return top;
}

// --- the main part, child by child

BodyStream::BodyStream(const QByteArray &xml, const QString &partName)
    : m_part(partName)
    , m_names(std::make_shared<XmlNames>())
    , m_top(m_names)
    , m_block(m_names)
{
    if (xml.isEmpty())
        return;
    // A part with more elements than allowed is refused before anything is
    // built from it, as a whole tree would be: when its '<' are that many,
    // its elements are counted first.
    if (xml.count('<') > Tree::maxElements) {
        package::XmlReader pass(xml, partName);
        qint64 count = 0;
        for (auto token = pass.step(); token != QXmlStreamReader::EndDocument; token = pass.step()) {
            if (token == QXmlStreamReader::StartElement)
                countElement(count, partName);
        }
    }
    m_reader = std::make_unique<package::XmlReader>(xml, partName);
}

BodyStream::~BodyStream() = default;

const Node *BodyStream::root()
{
    if (m_started)
        return m_root;
    m_started = true;
    if (!m_reader)
        return nullptr;
    while (true) {
        const auto token = m_reader->step();
        if (token == QXmlStreamReader::EndDocument)
            return nullptr;
        if (token == QXmlStreamReader::StartElement) {
            countElement(m_count, m_part);
            m_root = m_top.open(*m_reader, nullptr);
            m_top.m_root = m_root;
            return m_root;
        }
    }
}

bool BodyStream::enter(QLatin1StringView name)
{
    if (!root())
        return false;
    package::XmlReader &r = *m_reader;
    while (true) {
        const auto token = r.step();
        if (token == QXmlStreamReader::EndDocument || (token == QXmlStreamReader::EndElement && r.depth() == 0))
            return false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        countElement(m_count, m_part);
        if (r.depth() == 2 && m_names->get(r.namespaceUri(), r.name(), r.qualifiedName())->name == name) {
            m_container = m_top.open(r, m_root);
            return true;
        }
    }
}

const Node *BodyStream::next()
{
    m_block.clear();
    if (!m_container || !m_reader)
        return nullptr;
    package::XmlReader &r = *m_reader;
    const int depth = m_container == m_root ? 1 : 2;
    while (r.depth() >= depth) {
        const auto token = r.step();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            countElement(m_count, m_part);
            Node *n = m_block.build(r, m_container, m_count, m_part);
            m_block.m_root = n;
            return n;
        }
    }
    return nullptr;
}

void BodyStream::finish()
{
    m_block.clear();
    if (!m_reader)
        return;
    while (true) {
        const auto token = m_reader->step();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement)
            countElement(m_count, m_part);
    }
}

// --- writing an element back

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
        w.writeStartElement(x->qname());
        if (top) {
            for (const auto &[k, v] : extra)
                w.writeAttribute(k, v);
        }
        for (const XmlAttr &a : x->attributes())
            w.writeAttribute(a.name->qname, x->value(a).toString());
        for (const XmlAttr &a : x->declarations())
            w.writeAttribute(a.name->qname, x->value(a).toString());
        if (const QStringView text = x->text(); !text.isEmpty())
            w.writeCharacters(text.toString());
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
    auto declaredHere = [&](const QString &k) {
        auto same = [&](const XmlAttr &a) { return a.name->qname == k; };
        return std::any_of(node->attributes().begin(), node->attributes().end(), same)
            || std::any_of(node->declarations().begin(), node->declarations().end(), same);
    };
    for (const Node *p = node->parent; p; p = p->parent) {
        for (const auto &list : {p->attributes(), p->declarations()}) {
            for (const XmlAttr &a : list) {
                const QString &k = a.name->qname;
                if (!k.startsWith(QLatin1StringView("xmlns")))
                    continue;
                const bool shadowed = declaredHere(k)
                    || std::any_of(extra.begin(), extra.end(), [&](const auto &e) { return e.first == k; });
                if (!shadowed)
                    extra.emplace_back(k, p->value(a).toString());
            }
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
        for (const XmlAttr &a : x->attributes()) {
            if (a.name->name.startsWith(QLatin1StringView("r:")))
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
    const QStringView v = n->attrView(QLatin1StringView("w:val"));
    return v.isEmpty() || v == u"1" || v == u"true" || v == u"on";
}

} // namespace docx::detail
