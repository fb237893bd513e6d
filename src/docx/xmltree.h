#pragma once

// A part of a Word package as a small tree of elements, read with
// package::XmlReader's checks. Word's parts are read out of order (a
// table's merged cells look ahead, a field spans runs), so the reader
// walks a tree rather than the stream. Elements are named by a canonical
// prefix of their namespace ("w:p" whatever prefix the file chose), and
// keep the name the file gave them for pieces kept as XML.
//
// The main part is large and read once in order: BodyStream builds one
// element of its body at a time, so only that element's tree is held.
// Nodes own nothing: names are shared by every element that bears them,
// character data and attribute values live in their tree's one buffer.

#include <QString>
#include <QStringView>

#include <deque>
#include <utility>
#include <memory>
#include <span>
#include <vector>

namespace package {
class XmlReader;
}

namespace docx::detail {

class Tree;

// An element's or attribute's name, made once per part.
struct XmlName {
    QString name;  // canonical: "w:p", "a:blip"; unknown namespaces as in the file
    QString qname; // as the file wrote it
};

struct XmlAttr {
    const XmlName *name = nullptr;
    qsizetype offset = 0; // the value in its tree's character buffer
    qsizetype size = 0;
};

struct Node {
    const XmlName *xmlName = nullptr;
    Node *parent = nullptr;
    const Tree *tree = nullptr;
    std::span<Node *const> kids;

    const QString &name() const { return xmlName->name; }
    const QString &qname() const { return xmlName->qname; }
    bool is(QLatin1StringView n) const { return xmlName->name == n; }

    // Character data directly inside (w:t, w:instrText ...); valid while
    // its tree is.
    QStringView text() const;

    // The value; a null view when the element has no such attribute.
    QStringView attrView(QLatin1StringView n) const;
    QString attr(QLatin1StringView n) const { return attrView(n).toString(); }
    bool hasAttr(QLatin1StringView n) const { return !attrView(n).isNull(); }
    // Attributes, then the namespace declarations made here ("xmlns:w").
    std::span<const XmlAttr> attributes() const;
    std::span<const XmlAttr> declarations() const;
    QStringView value(const XmlAttr &a) const;

    Node *child(QLatin1StringView n) const
    {
        for (Node *k : kids) {
            if (k->is(n))
                return k;
        }
        return nullptr;
    }
    // The first element of that name below, depth first.
    Node *find(QLatin1StringView n) const;
    // All character data below, in order.
    QString allText() const;

private:
    friend class Tree;
    quint32 m_attrCount = 0;
    quint32 m_declCount = 0;
    qsizetype m_attrs = 0; // first attribute in the tree's list
    qsizetype m_text = 0;  // offset in the buffer, or index of a text kept apart
    qsizetype m_textSize = -1;
    bool m_textApart = false;
};

// The names of one part's elements and attributes: a part names a few
// dozen elements and attributes millions of times, each is made once.
class XmlNames {
public:
    const XmlName *get(QStringView uri, QStringView local, QStringView qualified);
    const XmlName *declaration(QStringView prefix);

private:
    struct Entry {
        QString qualified;
        QString uri;
        const XmlName *name;
    };
    void grow();
    std::deque<XmlName> m_names;
    std::vector<Entry> m_entries;
    std::vector<qint32> m_slots; // open addressing: index into m_entries, -1 free
};

// A part's elements, owned here. Parsing throws model::ReadError (a Czech
// sentence) for malformed XML, a DOCTYPE, nesting past the reader's limit,
// or more elements than maxElements.
class Tree {
public:
    static constexpr qint64 maxElements = 4'000'000;

    Tree();
    explicit Tree(std::shared_ptr<XmlNames> names);
    ~Tree();
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;

    // An empty tree (root() null) for empty data.
    void parse(const QByteArray &xml, const QString &partName);
    Node *root() const { return m_root; }

    // A copy of `node` and what is below it, kept here until the tree is
    // cleared or parsed again; its parent is null.
    const Node *copy(const Node *node);
    // Every node gone; names stay.
    void clear();

private:
    friend struct Node;
    friend class BodyStream;
    // The element the reader has just started, with everything below it
    // up to its end element. `count` counts elements against maxElements.
    Node *build(package::XmlReader &r, Node *parent, qint64 &count, const QString &partName);
    // The element the reader has just started, without its content.
    Node *open(package::XmlReader &r, Node *parent);
    void appendText(Node *n, QStringView text);
    Node *newNode();
    Node *const *storeKids(Node *const *kids, size_t n);

    std::shared_ptr<XmlNames> m_names;
    std::vector<std::shared_ptr<XmlNames>> m_otherNames; // of the trees copied from
    // Nodes and lists of children in chunks that a cleared tree reuses.
    std::vector<std::unique_ptr<Node[]>> m_nodeChunks;
    size_t m_nodeChunk = 0, m_nodeUsed = 0;
    std::vector<XmlAttr> m_attrs;
    QString m_chars;
    std::vector<QString> m_apart; // texts that children interrupt
    std::vector<std::pair<std::unique_ptr<Node *[]>, size_t>> m_kidChunks; // with their capacity
    size_t m_kidChunk = 0, m_kidUsed = 0;
    std::vector<Node *> m_pending; // children of the open elements
    std::vector<std::pair<Node *, size_t>> m_open; // open elements, where their children start in m_pending
    Node *m_root = nullptr;
};

// A part read one child of its body at a time: the root element (without
// its content), then each child of the root's first element of a given
// name, complete, then the rest of the part checked as parse() checks it.
// A child is valid until the next call of next().
class BodyStream {
public:
    BodyStream(const QByteArray &xml, const QString &partName);
    ~BodyStream();

    // The root element, its content still to read; null for an empty part.
    const Node *root();
    // Moves into the root's first child named `name` (the ones before it
    // are read and checked); false when there is none.
    bool enter(QLatin1StringView name);
    const Node *container() const { return m_container; }
    // The container's next child, or null at its end.
    const Node *next();
    // Reads the rest of the part.
    void finish();

private:
    QString m_part;
    std::unique_ptr<package::XmlReader> m_reader;
    std::shared_ptr<XmlNames> m_names;
    Tree m_top;   // the root and the container
    Tree m_block; // the child being read
    Node *m_root = nullptr;
    Node *m_container = nullptr;
    qint64 m_count = 0;
    bool m_started = false;
};

// The element as XML, with the names and namespace declarations as the
// file wrote them; declarations of the enclosing elements that it uses
// are added to its root.
QString serialize(const Node *node);

// True when the element or one below it refers to another part of the
// package (an attribute in the relationships' namespace: r:id, r:embed).
bool refersToParts(const Node *node);

// True for "1", "true", "on" and a missing value: Word's on/off values.
bool onOff(const Node *n);

} // namespace docx::detail
