#include "inlinetree.h"

#include "model/notes.h"
#include "model/pictures.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace borovka::exporting {

namespace {

struct Key {
    Inline::Kind kind;
    QString value;
    bool operator==(const Key &) const = default;
};

// Addresses a reader can follow without running anything: a link to a
// script or to data from a hostile file is left out, its text kept.
bool safeLink(const QString &href)
{
    const QString scheme = QUrl(href.trimmed()).scheme().toLower();
    return scheme.isEmpty() || scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("mailto") || scheme == QLatin1String("ftp");
}

// The elements a run needs, outermost first; the order keeps the tree
// shallow when one property changes.
std::vector<Key> keysOf(const QTextCharFormat &f, const SpanStyle &span)
{
    std::vector<Key> keys;
    if (f.isAnchor() && !f.anchorHref().isEmpty() && safeLink(f.anchorHref()))
        keys.push_back({Inline::Link, f.anchorHref()});
    if (span) {
        if (const QString style = span(f); !style.isEmpty())
            keys.push_back({Inline::Span, style});
    }
    if (f.fontWeight() > QFont::Medium)
        keys.push_back({Inline::Bold, {}});
    if (f.fontItalic())
        keys.push_back({Inline::Italic, {}});
    if (f.fontStrikeOut())
        keys.push_back({Inline::Strike, {}});
    if (f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline)
        keys.push_back({Inline::Underline, {}});
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        keys.push_back({Inline::Super, {}});
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        keys.push_back({Inline::Sub, {}});
    return keys;
}

bool isSpace(QChar c)
{
    return c.isSpace() || c == QChar::LineSeparator;
}

// A node of one kind with its value; the rest as a default node has it.
Inline node(Inline::Kind kind, const QString &value, int width = 0, int height = 0)
{
    Inline n;
    n.kind = kind;
    n.value = value;
    n.width = width;
    n.height = height;
    return n;
}

void appendText(std::vector<Inline> &nodes, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!nodes.empty() && nodes.back().kind == Inline::Text)
        nodes.back().value += text;
    else
        nodes.push_back(node(Inline::Text, text));
}

// Moves whitespace at the edges of every element out of it, innermost
// first, and dissolves elements that hold nothing else.
void normalize(std::vector<Inline> &nodes)
{
    std::vector<Inline> out;
    for (Inline &node : nodes) {
        if (!node.isElement()) {
            if (node.kind == Inline::Text)
                appendText(out, node.value);
            else
                out.push_back(std::move(node));
            continue;
        }
        normalize(node.children);
        QString leading, trailing;
        auto &c = node.children;
        if (!c.empty() && c.front().kind == Inline::Text) {
            QString &t = c.front().value;
            int n = 0;
            while (n < t.size() && isSpace(t.at(n)))
                ++n;
            leading = t.left(n);
            t.remove(0, n);
            if (t.isEmpty())
                c.erase(c.begin());
        }
        if (!c.empty() && c.back().kind == Inline::Text) {
            QString &t = c.back().value;
            int n = t.size();
            while (n > 0 && isSpace(t.at(n - 1)))
                --n;
            trailing = t.mid(n);
            t.truncate(n);
            if (t.isEmpty())
                c.pop_back();
        }
        appendText(out, leading);
        if (!c.empty())
            out.push_back(std::move(node));
        appendText(out, trailing);
    }
    nodes = std::move(out);
}

} // namespace

model::Picture webPicture(const QTextDocument &doc, const QTextCharFormat &format)
{
    model::Picture picture = model::picture(doc, format.toImageFormat());
    if (picture.mimeType != "image/png" && picture.mimeType != "image/jpeg")
        return {};
    return picture;
}

namespace {

constexpr char16_t TokenMark = 0x0001;

// UTF-8 bytes of `text`, counted without making them.
qsizetype utf8Size(QStringView text)
{
    qsizetype n = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // A surrogate pair makes four bytes, two for each half; a lone half
        // becomes a three-byte replacement character.
        n += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    }
    return n;
}

} // namespace

QString PictureUrls::token(const QTextDocument &doc, const QTextCharFormat &format)
{
    model::Picture picture = webPicture(doc, format);
    if (picture.bytes.isEmpty())
        return {};
    // The bytes are the document's own, shared, not copied.
    m_pictures.push_back(std::move(picture));
    return QChar(TokenMark) + QString::number(m_pictures.size() - 1) + QChar(TokenMark);
}

QByteArray PictureUrls::toUtf8(QStringView page) const
{
    if (m_pictures.empty())
        return page.toUtf8();
    // Pieces of text between tokens, and the picture after each (-1: none).
    struct Piece {
        QStringView text;
        qsizetype picture = -1;
    };
    std::vector<Piece> pieces;
    qsizetype size = 0;
    qsizetype from = 0;
    while (from <= page.size()) {
        const qsizetype mark = page.indexOf(QChar(TokenMark), from);
        const qsizetype end = mark < 0 ? page.size() : mark;
        Piece piece{page.sliced(from, end - from)};
        from = end + 1;
        if (mark >= 0) {
            qsizetype index = 0;
            qsizetype at = from;
            while (at < page.size() && page.at(at).unicode() >= u'0' && page.at(at).unicode() <= u'9'
                   && index < qsizetype(m_pictures.size()))
                index = index * 10 + (page.at(at++).unicode() - u'0');
            if (at > from && at < page.size() && page.at(at) == QChar(TokenMark)
                && index < qsizetype(m_pictures.size())) {
                piece.picture = index;
                from = at + 1;
                const model::Picture &p = m_pictures[size_t(index)];
                size += 5 + p.mimeType.size() + 8 + (p.bytes.size() + 2) / 3 * 4;
            }
        }
        size += utf8Size(piece.text);
        pieces.push_back(piece);
    }
    // One buffer of the page's size: a picture's text is made once, into it.
    QByteArray out;
    out.reserve(size);
    for (const Piece &piece : pieces) {
        out += piece.text.toUtf8();
        if (piece.picture >= 0) {
            const model::Picture &p = m_pictures[size_t(piece.picture)];
            out += "data:";
            out += p.mimeType;
            out += ";base64,";
            out += p.bytes.toBase64();
        }
    }
    return out;
}

std::vector<Inline> inlineTree(const QTextDocument &doc, const QTextBlock &block, PictureUrls &pictures,
                               const SpanStyle &span)
{
    std::vector<Inline> root;
    // The open elements, outermost first, with the key each was opened for.
    std::vector<Key> open;
    auto current = [&]() -> std::vector<Inline> & {
        std::vector<Inline> *level = &root;
        for (size_t i = 0; i < open.size(); ++i)
            level = &level->back().children;
        return *level;
    };

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat f = fragment.charFormat();
        const bool note = model::isNoteMark(f);
        std::vector<Key> keys = keysOf(f, span);
        if (note) {
            // A note's mark is a reference of its own: raised and linked by
            // the writer, so in no link and no raised run of the text.
            std::erase_if(keys, [](const Key &k) {
                return k.kind == Inline::Link || k.kind == Inline::Super || k.kind == Inline::Sub;
            });
        }
        size_t same = 0;
        while (same < open.size() && same < keys.size() && open[same] == keys[same])
            ++same;
        open.resize(same);
        for (size_t i = same; i < keys.size(); ++i) {
            current().push_back(node(keys[i].kind, keys[i].value));
            open.push_back(keys[i]);
        }
        std::vector<Inline> &here = current();
        if (note) {
            const int id = f.intProperty(model::NoteId);
            QString mark = fragment.text();
            mark.remove(QChar::ObjectReplacementCharacter);
            if (!here.empty() && here.back().kind == Inline::Note && here.back().note == id) {
                here.back().mark += mark; // one mark in several runs
            } else {
                Inline n = node(Inline::Note, model::noteToolTip(f));
                n.mark = mark;
                n.note = id;
                here.push_back(std::move(n));
            }
            continue;
        }
        if (f.isImageFormat()) {
            const QTextImageFormat image = f.toImageFormat();
            const QString url = pictures.token(doc, f);
            if (url.isEmpty())
                continue;
            for (const QChar c : fragment.text())
                if (c == QChar::ObjectReplacementCharacter)
                    here.push_back(node(Inline::Picture, url, qRound(image.width()), qRound(image.height())));
            continue;
        }
        QString text = fragment.text();
        text.remove(QChar::ObjectReplacementCharacter);
        // Paragraph and page ends inside a block's text are line breaks.
        text.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
        text.replace(QChar(0x0C), QChar::LineSeparator);
        appendText(here, text);
    }
    normalize(root);
    return root;
}

QString htmlTag(Inline::Kind kind)
{
    switch (kind) {
    case Inline::Bold: return QStringLiteral("strong");
    case Inline::Italic: return QStringLiteral("em");
    case Inline::Strike: return QStringLiteral("s");
    case Inline::Underline: return QStringLiteral("u");
    case Inline::Super: return QStringLiteral("sup");
    case Inline::Sub: return QStringLiteral("sub");
    case Inline::Link: return QStringLiteral("a");
    default: return QStringLiteral("span");
    }
}

bool hasContent(const std::vector<Inline> &nodes)
{
    for (const Inline &n : nodes) {
        if (n.kind == Inline::Picture || n.kind == Inline::Note)
            return true;
        if (n.kind == Inline::Text) {
            for (const QChar c : n.value)
                if (!isSpace(c))
                    return true;
        } else if (hasContent(n.children)) {
            return true;
        }
    }
    return false;
}

} // namespace borovka::exporting
