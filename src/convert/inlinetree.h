#pragma once

// A paragraph's text as a tree of nested inline elements, shared by the
// HTML and Markdown writers. Runs with the same formatting in a row share
// one element, so each element opens and closes once.

#include "model/pictures.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class QTextBlock;
class QTextCharFormat;
class QTextDocument;
class QTextTable;

namespace borovka::exporting {

struct Inline {
    enum Kind { Text, Picture, Link, Span, Bold, Italic, Strike, Underline, Super, Sub, Note };
    Kind kind = Text;
    QString value; // Text: the text (U+2028 for a line break); Link: the address;
                   // Span: its style; Picture: its token (see PictureUrls); Note: the note's text
                   // (its paragraphs separated by '\n')
    int width = 0, height = 0; // Picture: the size shown, in pixels
    std::vector<Inline> children;
    QString mark; // Note: the reference mark as the document shows it
    int note = 0; // Note: the document's number for the note

    bool isElement() const { return kind != Text && kind != Picture && kind != Note; }
};

// The style a run needs beyond the elements above (face, size, colour);
// empty when it looks like the body text.
using SpanStyle = std::function<QString(const QTextCharFormat &)>;

// Pictures go into a page as short tokens and become data URLs only in its
// bytes: a photograph's base64 text would otherwise be held as UTF-16 in
// every string that carries it, and then once more as UTF-8.
class PictureUrls {
public:
    // A token standing for the picture's data URL, empty for a kind a
    // browser cannot show.
    QString token(const QTextDocument &doc, const QTextCharFormat &format);
    // The page in UTF-8 with each token replaced by its data URL. The
    // writers drop control characters from text, so a U+0001 that starts no
    // token is dropped too.
    QByteArray toUtf8(QStringView page) const;

private:
    std::vector<model::Picture> m_pictures;
};

// The block's text as a tree. Whitespace and line breaks at the edges of an
// element are moved out of it; elements left empty disappear.
std::vector<Inline> inlineTree(const QTextDocument &doc, const QTextBlock &block, PictureUrls &pictures,
                               const SpanStyle &span = {});

// The HTML element of an element kind: strong, em, s, u, sup, sub, a;
// span for the rest.
QString htmlTag(Inline::Kind kind);

// Whether the tree holds anything but whitespace.
bool hasContent(const std::vector<Inline> &nodes);

// A picture of the document as a page can hold it: nothing (no bytes) for a
// kind a browser cannot show.
model::Picture webPicture(const QTextDocument &doc, const QTextCharFormat &format);

// Writes one table of `doc` as the HTML page would hold it; for tables that
// the Markdown pipe syntax cannot hold. The body text is found once, when
// the writer is made; its pictures' tokens are those of `pictures`.
std::function<QString(const QTextTable *)> htmlTableWriter(const QTextDocument &doc, PictureUrls &pictures);

} // namespace borovka::exporting
