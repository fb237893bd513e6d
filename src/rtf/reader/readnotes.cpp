// Footnotes and endnotes (see notes.h): a \footnote group is read into a
// document of its own by the same reader, with the builder's state put
// aside; its end attaches the note to its mark in the body.

#include "readerimpl.h"

#include "model/lists.h"
#include "model/notes.h"
#include "model/plaintext.h"
#include "model/tables.h"

#include <QTextBlock>
#include <QTextDocument>

namespace rtf {

namespace detail {

void Reader::noteNumbering(bool endnote, int start, int style)
{
    // Words of the document's format, before its text; said later they
    // would number the marks before and after them differently from what
    // a save, which writes them once at the top, reads back.
    if (m_notes > 0 || m_selfMarks > 0)
        return;
    if (start > 0)
        m_noteStart[endnote] = start;
    if (style >= 0)
        m_noteStyle[endnote] = NoteNumbering(style);
    static const char *const names[] = {"nar", "nalc", "nauc", "nrlc", "nruc", "nchi"};
    m_noteWords.clear();
    for (int k = 0; k < 2; ++k) {
        const QString prefix = k ? QStringLiteral("\\aftn") : QStringLiteral("\\ftn");
        if (m_noteStart[k] != 1)
            m_noteWords += prefix + QStringLiteral("start") + QString::number(m_noteStart[k]);
        if (m_noteStyle[k] != (k ? NoteNumbering::LowerRoman : NoteNumbering::Arabic))
            m_noteWords += prefix + QLatin1StringView(names[int(m_noteStyle[k])]);
    }
}

QString Reader::nextNoteNumber() const
{
    const int k = m_noteKind;
    return noteNumberText(m_noteStart[k] + m_noteCount[k], m_noteStyle[k]);
}

void Reader::noteMark()
{
    if (m_st.dest != Dest::Body || m_st.chr.hidden)
        return;
    // The number, written back as \chftn. In a note it repeats the note's
    // number; in the body it becomes the mark of the note that follows.
    beforeText();
    flushRun();
    QTextCharFormat f = charFormat(m_st.chr);
    f.setProperty(NoteSelfMark, int(++m_selfMarks)); // neighbouring marks stay apart
    if (!m_noteWords.isEmpty())
        f.setProperty(NoteNumberingWords, m_noteWords);
    const int start = m_b.cursor.position();
    m_b.cursor.insertText(nextNoteNumber(), f);
    ++m_runs;
    m_b.blockHasText = true;
    m_b.propsDirty = true;
    // A list's label for readers without lists goes when the list is
    // known: a note after it is no note of its mark.
    if (!m_noteDoc && !m_st.listText) {
        m_b.markPending = true;
        m_markStart = start;
        m_markEnd = m_b.cursor.position();
        m_markProps = m_st.chr;
    }
}

bool Reader::beginNote()
{
    if (m_noteDoc || m_st.dest != Dest::Body || m_st.chr.hidden || m_notes >= limits::maxNotes)
        return false; // a note in a note, or past the limit: its text reads as text
    ++m_notes;
    beginSubDocument();
    m_subHeader.clear();
    return true;
}

// The builder's state is put aside and the text goes to a document of its
// own until the group ends.
Builder Builder::subDocument(const QTextCursor &at) const
{
    Builder b;
    b.cursor = at;
    // The formats last given stay the reference that the next run and
    // paragraph are compared with.
    b.runProps = runProps;
    b.hiddenProps = hiddenProps;
    b.lastTextPar = lastTextPar;
    b.blockPar = blockPar;
    b.blockChr = blockChr;
    b.heldLabelFormat = heldLabelFormat;
    // A number waiting for its note goes on waiting: the note is read, and
    // its end decides.
    b.markPending = markPending;
    return b;
}

bool Reader::beginSubDocument()
{
    // Hidden text around a header is one piece, as a save writes it: it
    // waits in the body's builder, not flushed into the body.
    QString hidden = std::exchange(m_b.hidden, QString());
    flushRun();
    m_b.hidden = std::move(hidden);
    m_noteDoc = std::make_unique<QTextDocument>();
    m_noteDoc->setUndoRedoEnabled(false);
    Builder note = m_b.subDocument(QTextCursor(m_noteDoc.get()));
    m_bodySaved = std::exchange(m_b, std::move(note));
    // A row the note defines is the note's own: the body's row around the
    // note goes on as the body defined it.
    m_bodyDefSaved = m_bodyDef;
    m_nestDefSaved = m_nestDef;
    // So is a result: one around the note goes on after it, and what the
    // note holds is kept as it would be outside a result.
    m_bodyWrapSaved = std::exchange(m_wrap, Result());
    ++m_docGeneration;
    m_bodyNoteKind = std::exchange(m_noteKind, Footnote);
    m_noteDepth = qsizetype(m_stack.size());
    // A note is no part of the field around it: not of its kept piece, nor
    // of its link, as the note's text reads where the file has it after the
    // field's result.
    m_st.chr.wrap = -1;
    m_st.chr.link = -1;
    m_bodyCommentEnd = std::exchange(m_commentEnd, -1);
    return true;
}

// The character before a note without \\chftn is its custom mark, unless
// it is a space, a picture, another note's mark or a list's label for
// readers without lists (which goes when the list is known).
bool Reader::customMarkBefore() const
{
    if (m_b.cursor.positionInBlock() == 0)
        return false;
    const int at = m_b.cursor.position();
    if (m_b.listTextStart >= 0 && at > m_b.listTextStart && at <= m_b.listTextEnd)
        return false;
    const QChar c = m_b.cursor.document()->characterAt(m_b.cursor.position() - 1);
    if (c.isSpace() || c == QChar::ObjectReplacementCharacter)
        return false;
    QTextCursor before = m_b.cursor;
    before.setPosition(m_b.cursor.position()); // the format of the character before
    return !isNoteMark(before.charFormat()) && !before.charFormat().hasProperty(NoteSelfMark);
}

void Reader::endNote(const ParProps &par, const CharProps &chr)
{
    flushRun();
    if (!m_b.parPending)
        applyParagraph(paragraphHasText() ? m_b.lastTextPar : par, chr);
    // Tables opened in the note end with it; the body's go on.
    const bool afterTable = m_b.parPending || !m_b.tables.empty();
    while (!m_b.tables.empty())
        closeTable();
    // The empty paragraph after a table at the note's end is in the format
    // in force there, as one ended by \par would be.
    if (afterTable && m_b.cursor.block().length() == 1) {
        m_b.cursor.setBlockFormat(cachedBlockFormat(par).format);
        m_b.cursor.setBlockCharFormat(charFormat(chr));
    }
    // The note's text without the mark that repeats its number.
    const QString text = noteText(*m_noteDoc);
    const QString noteRtf = QString::fromLatin1(rtf::write(*m_noteDoc));
    const bool header = !m_subHeader.isEmpty();
    m_noteDoc.reset();
    m_noteDepth = -1;

    m_b = std::exchange(m_bodySaved, Builder());
    m_bodyDef = std::exchange(m_bodyDefSaved, RowDef());
    m_nestDef = std::exchange(m_nestDefSaved, RowDef());
    m_wrap = std::exchange(m_bodyWrapSaved, Result());
    m_b.propsDirty = true;
    ++m_docGeneration;
    // opaque pieces: a note's mark comes between a comment's parts
    m_commentEnd = -1;

    if (header) { // document properties: a header or footer of the section
        // A save writes headers before the text: numbers after this one
        // count on as they did before it, and a comment goes on.
        m_noteKind = m_bodyNoteKind;
        m_commentEnd = m_bodyCommentEnd;
        m_sectionHeaders << QString::fromLatin1(m_subHeader) << noteRtf;
        m_subHeader.clear();
        return;
    }
    const QString number = nextNoteNumber();
    ++m_noteCount[m_noteKind];
    QTextCharFormat props;
    props.setProperty(NoteId, int(m_notes));
    props.setProperty(NoteRtf, noteRtf);
    props.setProperty(NoteText, text);
    props.setProperty(NoteKind, m_noteKind);
    if (!m_noteWords.isEmpty())
        props.setProperty(NoteNumberingWords, m_noteWords);
    if (m_b.parPending)
        openPendingParagraph();
    flushRun();
    // Text right before the note, after a \chftn, is the note's own mark:
    // the \chftn was a number without its note.
    const bool custom = customMarkBefore();
    if (m_b.markPending && (m_markEnd == m_b.cursor.position() || (m_markEnd < m_b.cursor.position() && !custom))) {
        QTextCharFormat f = charFormat(m_markProps);
        f.merge(props);
        f.setProperty(NoteAutoNumber, true);
        QTextCursor c = m_b.cursor;
        c.setPosition(m_markStart);
        c.setPosition(m_markEnd, QTextCursor::KeepAnchor);
        c.insertText(number, f);
    } else if (custom) {
        // A custom mark: the character before the note.
        // By position: moving by character would lay out the whole paragraph.
        const int end = m_b.cursor.position();
        const bool pair = end >= 2 && m_b.cursor.document()->characterAt(end - 1).isLowSurrogate();
        QTextCursor c = m_b.cursor;
        c.setPosition(end - (pair ? 2 : 1));
        c.setPosition(end, QTextCursor::KeepAnchor);
        props.setProperty(NoteAutoNumber, false);
        c.mergeCharFormat(props);
    } else {
        QTextCharFormat f = charFormat(m_st.chr);
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        f.merge(props);
        f.setProperty(NoteAutoNumber, false);
        m_b.cursor.insertText(QStringLiteral("*"), f);
    }
    ++m_runs;
    m_b.blockHasText = true;
    m_b.markPending = false;
}

} // namespace detail
} // namespace rtf
