#pragma once

// A part of a Word package as a small tree of elements, read with
// package::XmlReader's checks. Word's parts are read out of order (a
// table's merged cells look ahead, a field spans runs), so the reader
// walks a tree rather than the stream. Elements are named by a canonical
// prefix of their namespace ("w:p" whatever prefix the file chose), and
// keep the name the file gave them for pieces kept as XML.

#include <QHash>
#include <QString>

#include <deque>
#include <vector>

namespace docx::detail {

struct Node {
    QString name;  // canonical: "w:p", "a:blip"; unknown namespaces as in the file
    QString qname; // as the file wrote it
    std::vector<std::pair<QString, QString>> attrs;   // canonical name, value
    std::vector<std::pair<QString, QString>> rawAttrs; // as the file wrote them (xmlns too)
    QString text; // character data directly inside (w:t, w:instrText ...)
    std::vector<Node *> kids;
    Node *parent = nullptr;

    bool is(QLatin1StringView n) const { return name == n; }
    QString attr(QLatin1StringView n) const
    {
        for (const auto &[k, v] : attrs) {
            if (k == n)
                return v;
        }
        return {};
    }
    bool hasAttr(QLatin1StringView n) const
    {
        for (const auto &a : attrs) {
            if (a.first == n)
                return true;
        }
        return false;
    }
    Node *child(QLatin1StringView n) const
    {
        for (Node *k : kids) {
            if (k->name == n)
                return k;
        }
        return nullptr;
    }
    // The first element of that name below, depth first.
    Node *find(QLatin1StringView n) const;
    // All character data below, in order.
    QString allText() const;
};

// A part's elements, owned here. Parsing throws model::ReadError (a Czech
// sentence) for malformed XML, a DOCTYPE, nesting past the reader's limit,
// or more elements than maxElements.
class Tree {
public:
    static constexpr qint64 maxElements = 4'000'000;

    Tree() = default;
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;

    // An empty tree (root() null) for empty data.
    void parse(const QByteArray &xml, const QString &partName);
    Node *root() const { return m_root; }

private:
    std::deque<Node> m_nodes;
    Node *m_root = nullptr;
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
