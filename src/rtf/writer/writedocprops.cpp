// Writing the document properties the editor does not show (see
// docprops.h): \info, page setup, sections with their headers and footers.

#include "writerimpl.h"

#include "model/docprops.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextFrame>

namespace rtf::detail {

namespace {

// Only what the reader stores: control words with numbers. A value from
// anywhere else is not written, so it cannot break the file.
bool wordsOnly(const QString &words)
{
    static const QRegularExpression re(QStringLiteral("^(\\\\[a-z]{1,32}-?\\d{0,10})*$"));
    return re.match(words).hasMatch();
}

bool isHeaderName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^(header|footer)[lrf]?$"));
    return re.match(name).hasMatch();
}

} // namespace

void Writer::prepareSections()
{
    auto prepare = [this](const QStringList &section) {
        for (qsizetype i = 2; i < section.size(); i += 2) {
            const QString &rtf = section[i];
            if (m_pieceIndex.contains(rtf))
                continue;
            SubDocument piece = subDocument(rtf);
            // A mark in a header carries the document's numbering words as
            // the body's marks do: the body may have none.
            if (m_noteWords.isEmpty())
                m_noteWords = piece.writer->m_noteWords;
            m_pieceIndex.insert(rtf, m_pieces.size());
            m_pieces.push_back(std::move(piece));
        }
    };
    prepare(m_doc.rootFrame()->frameFormat().property(DocFirstSection).toStringList());
    for (QTextBlock b = m_doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().hasProperty(SectionStart))
            prepare(b.blockFormat().property(SectionStart).toStringList());
    }
}

void Writer::writeSection(QByteArray &out, const QStringList &section)
{
    if (!section.isEmpty() && section.size() % 2 == 1) {
        if (wordsOnly(section[0]))
            out += section[0].toLatin1();
        for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
            const auto it = m_pieceIndex.constFind(section[i + 1]);
            if (!isHeaderName(section[i]) || it == m_pieceIndex.cend())
                continue;
            out += "{\\" + section[i].toLatin1() + ' ';
            Writer &w = *m_pieces[*it].writer;
            w.writeFrame(out, w.m_doc.rootFrame());
            out += "}";
        }
    }
    out += "\r\n";
}

// The section the paragraph starts, if it starts one.
void Writer::startSection(QByteArray &out, const QTextBlock &block)
{
    if (!block.blockFormat().hasProperty(SectionStart))
        return;
    // The paragraph before ended with \sect, or there is none to end.
    out += m_sectionEnded ? "\\sectd" : "\\sect\\sectd";
    m_sectionEnded = false;
    writeSection(out, block.blockFormat().property(SectionStart).toStringList());
}

void Writer::writeDocumentProperties(QByteArray &out)
{
    const QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    const QString info = root.stringProperty(DocInfo);
    if (!info.isEmpty()) {
        // Ours, so balanced; checked all the same, as it is written verbatim.
        int depth = 0;
        bool ok = info.startsWith(u'{');
        for (qsizetype i = 0; ok && i < info.size(); ++i) {
            const QChar c = info[i];
            if (c == u'\\') {
                ++i;
                continue;
            }
            depth += c == u'{' ? 1 : c == u'}' ? -1 : 0;
            ok = depth >= 0 && c.unicode() < 0x80;
        }
        if (ok && depth == 0)
            out += "{\\info" + info.toLatin1() + "}\r\n";
    } else if (const QString title = m_doc.metaInformation(QTextDocument::DocumentTitle).trimmed(); !title.isEmpty()) {
        // A document from a web page or pasted in whole: its title.
        out += "{\\info{\\title ";
        appendEscaped(out, title);
        out += "}}\r\n";
    }
    const QString page = root.stringProperty(DocPageWords);
    if (wordsOnly(page) && !page.isEmpty())
        out += page.toLatin1() + "\r\n";
    const QStringList first = root.property(DocFirstSection).toStringList();
    out += "\\sectd";
    writeSection(out, first);
}

} // namespace rtf::detail
