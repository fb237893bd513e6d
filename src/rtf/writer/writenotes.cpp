// Writing footnotes and endnotes (see notes.h): the mark as \chftn (or the
// custom mark's text) followed by the note's group, at the mark's place,
// as word processors write them.

#include "writerimpl.h"

#include "model/notes.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

namespace rtf::detail {

void Writer::prepareNote(int formatIndex, const QTextCharFormat &f)
{
    if (m_noteWords.isEmpty() && f.hasProperty(NoteNumberingWords)) {
        // Only the words the reader knows; anything else is no RTF of ours.
        const QString words = f.stringProperty(NoteNumberingWords);
        static const QRegularExpression known(QStringLiteral("^(\\\\a?ftn(start\\d{1,7}|nar|nalc|nauc|nrlc|nruc|nchi))*$"));
        if (known.match(words).hasMatch())
            m_noteWords = words.toLatin1();
    }
    if (!f.hasProperty(NoteRtf) || m_notes.count(formatIndex))
        return;
    // The note's last paragraph ends with the note's group, not with \par:
    // an empty one there is no paragraph when read back, so it is none (nor
    // are its fonts in the table).
    const auto dropEmptyEnd = [](QTextDocument &doc) {
        for (QTextBlock last = doc.lastBlock(); last.length() == 1 && last.previous().isValid(); last = doc.lastBlock()) {
            const QTextBlock before = last.previous();
            QTextCursor c(last);
            if (c.currentFrame() != doc.rootFrame() || QTextCursor(before).currentFrame() != doc.rootFrame())
                break;
            c.deletePreviousChar();
        }
    };
    m_notes.emplace(formatIndex, subDocument(f.stringProperty(NoteRtf), dropEmptyEnd));
}

bool Writer::isNoteFragment(const QTextFragment &frag) const
{
    const QTextCharFormat f = frag.charFormat();
    return f.hasProperty(NoteSelfMark) || m_notes.count(frag.charFormatIndex());
}

void Writer::writeNote(QByteArray &out, const QTextFragment &frag, const QByteArray &code)
{
    const QTextCharFormat f = frag.charFormat();
    const auto it = m_notes.find(frag.charFormatIndex());
    if (f.hasProperty(NoteSelfMark) || it == m_notes.end()) {
        out += '{' + code + "\\chftn}";
        return;
    }
    if (f.boolProperty(NoteAutoNumber)) {
        out += '{' + code + "\\chftn}";
    } else {
        out += '{' + code;
        appendEscaped(out, frag.text());
        out += '}';
    }
    out += "{\\footnote";
    if (f.intProperty(NoteKind) == Endnote)
        out += "\\ftnalt";
    out += ' ';
    QByteArray body;
    Writer &w = *it->second.writer;
    w.writeFrame(body, w.m_doc.rootFrame());
    // The last paragraph's end would add an empty paragraph to the note.
    if (body.endsWith("\\par\r\n"))
        body.chop(6);
    out += body;
    out += '}';
}

} // namespace rtf::detail
