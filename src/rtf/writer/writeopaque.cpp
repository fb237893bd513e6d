// Writing opaque pieces (see docprops.h): each piece character as the RTF
// it keeps, and a field's or object's result inside the field or object.
// Pieces are RTF the reader made, but a document's properties may come
// from anywhere (a paste, a program's own formats), so a piece is written
// only when it is ASCII with balanced groups and no binary data: it cannot
// break the file around it.

#include "writerimpl.h"

#include "rtf/readerlimits.h"
#include "model/docprops.h"

#include <QTextCursor>

namespace rtf::detail {

namespace {

// `open` groups stay open at the end (2 for the RTF before a result).
bool validPiece(QStringView rtf, int open)
{
    if (rtf.isEmpty() || rtf.size() > limits::maxPieceBytes + 512)
        return false;
    if (open > 0 && !rtf.startsWith(u'{'))
        return false;
    const QChar lastChar = rtf.back();
    if (lastChar != u'}' && lastChar != u' ')
        return false; // a word at the end would run into the text after it
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char16_t c = rtf[i].unicode();
        if (c >= 0x7F || (c < 0x20 && c != u'\r' && c != u'\n'))
            return false;
        if (c == u'\\') {
            if (++i == rtf.size())
                return false;
            // \bin: binary data would swallow what follows
            if (rtf.sliced(i).startsWith(QLatin1StringView("bin"))
                && (i + 3 == rtf.size() || !rtf[i + 3].isLetter()))
                return false;
            continue;
        }
        if (c == u'{') {
            ++depth;
        } else if (c == u'}') {
            if (--depth < 0 || (open > 0 && depth == 0))
                return false;
        }
    }
    return depth == open;
}

// The RTF before a result: as read, or for a field another format read,
// the field made from its instruction.
QString wrapOf(const QTextCharFormat &f)
{
    QString wrap = f.stringProperty(WrapRtf);
    if (wrap.isEmpty() && f.hasProperty(FieldInstruction)) {
        QByteArray rtf = "{\\field{\\*\\fldinst ";
        appendEscaped(rtf, f.stringProperty(FieldInstruction));
        rtf += "}{\\fldrslt ";
        wrap = QString::fromLatin1(rtf);
    }
    return wrap;
}

// A piece as RTF: as read, or made from what another format's reader
// kept (a bookmark, a comment). Pieces of other formats write nothing.
QByteArray pieceOf(const QTextCharFormat &f)
{
    if (f.hasProperty(OpaqueRtf)) {
        const QString piece = f.stringProperty(OpaqueRtf);
        return validPiece(piece, 0) ? piece.toLatin1() : QByteArray();
    }
    QByteArray rtf;
    if (f.hasProperty(BookmarkStart) || f.hasProperty(BookmarkEnd)) {
        const bool end = f.hasProperty(BookmarkEnd);
        rtf = end ? "{\\*\\bkmkend " : "{\\*\\bkmkstart ";
        appendEscaped(rtf, f.stringProperty(end ? BookmarkEnd : BookmarkStart));
        rtf += '}';
    } else if (f.hasProperty(CommentAuthor)) {
        rtf = "{\\*\\atnid ";
        appendEscaped(rtf, f.stringProperty(CommentInitials));
        rtf += "}{\\*\\atnauthor ";
        appendEscaped(rtf, f.stringProperty(CommentAuthor));
        rtf += "}\\chatn {\\*\\annotation\\pard\\plain ";
        const QStringList paragraphs = f.stringProperty(OpaqueText).split(u'\n');
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                rtf += "\\par ";
            appendEscaped(rtf, paragraphs[i]);
        }
        rtf += '}';
    }
    return rtf;
}

} // namespace

bool isPiece(const QTextCharFormat &f)
{
    for (const int p : {int(OpaqueRtf), int(BookmarkStart), int(BookmarkEnd), int(CommentAuthor), int(OpaqueWordXml),
                        int(OpaqueOdfXml)}) {
        if (f.hasProperty(p))
            return true;
    }
    return false;
}

// Each object character is the piece; text typed next to it took the
// piece's format and is written as the text it is.
void Writer::writePieces(QByteArray &out, const QTextFragment &frag) const
{
    const QByteArray bytes = pieceOf(frag.charFormat());
    appendWithObjects(out, frag.text(), [&] { out += bytes; });
}

bool Writer::wrapChanges(const QTextCharFormat &f) const
{
    const int id = f.intProperty(WrapId);
    if (id != m_wrapId)
        return true;
    return id != 0 && wrapOf(f) != m_wrap;
}

void Writer::switchWrap(QByteArray &out, const QTextCharFormat &f)
{
    closeWrap(out);
    m_wrapId = f.intProperty(WrapId);
    m_wrap = m_wrapId != 0 ? wrapOf(f) : QString();
    m_wrapOpen = !m_wrap.isEmpty() && validPiece(m_wrap, 2);
    if (m_wrapOpen)
        out += m_wrap.toLatin1();
}

void Writer::closeWrap(QByteArray &out)
{
    if (m_wrapOpen)
        out += "}}";
    m_wrapOpen = false;
    m_wrap.clear();
    m_wrapId = 0;
    m_wrapNext = -1;
}

// A result that goes on into the next paragraph (a table of contents)
// stays open across the paragraph end, as word processors write it.
// True when it closed here after it began in an earlier paragraph.
bool Writer::endWrapAtBlockEnd(QByteArray &out, const QTextBlock &block)
{
    if (m_wrapId == 0)
        return false;
    const QTextBlock next = block.next();
    // Empty paragraphs in a result (a table of contents) carry no format:
    // the paragraph after them says whether the result goes on. What
    // writes nothing leaves a paragraph as empty.
    QTextBlock text = next;
    while (text.isValid() && firstWritten(m_doc, text).atEnd() && !text.blockFormat().hasProperty(SectionStart))
        text = text.next();
    bool goesOn = next.isValid() && text.isValid() && m_tableLevel == 0 && !m_cellEnd
        && !text.blockFormat().hasProperty(SectionStart) && !firstWritten(m_doc, text).atEnd();
    if (goesOn) {
        const QTextCharFormat f = firstWritten(m_doc, text).fragment().charFormat();
        const QTextFrame *frame = QTextCursor(block).currentFrame();
        goesOn = !wrapChanges(f) && QTextCursor(next).currentFrame() == frame && QTextCursor(text).currentFrame() == frame;
    }
    if (goesOn) {
        m_wrapNext = next.blockNumber();
        return false;
    }
    const bool spanned = m_wrapOpen && m_wrapBlock != block.blockNumber();
    closeWrap(out);
    return spanned;
}

} // namespace rtf::detail
