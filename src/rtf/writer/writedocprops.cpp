// Writing the document properties the editor does not show (see
// docprops.h): \info, page setup, sections with their headers and footers.

#include "writerimpl.h"

#include "model/docprops.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QDateTime>
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
    const QVariantMap info = model::documentInfo(m_doc);
    if (!info.isEmpty()) {
        static const char *const textNames[] = {"title", "subject", "author", "manager", "company", "operator",
                                                "category", "keywords", "comment", "doccomm", "hlinkbase"};
        static const char *const timeNames[] = {"creatim", "revtim", "printim", "buptim"};
        QByteArray group;
        for (const char *name : textNames) {
            const QString t = info.value(QLatin1StringView(name)).toString();
            if (t.isEmpty())
                continue;
            group += "{\\" + QByteArray(name) + ' ';
            appendEscaped(group, t);
            group += '}';
        }
        for (const char *name : timeNames) {
            const QDateTime t = info.value(QLatin1StringView(name)).toDateTime();
            if (!t.isValid())
                continue;
            group += "{\\" + QByteArray(name) + "\\yr" + QByteArray::number(t.date().year()) + "\\mo"
                + QByteArray::number(t.date().month()) + "\\dy" + QByteArray::number(t.date().day());
            // Midnight is a day without a time, as other writers give it.
            if (t.time().hour() != 0 || t.time().minute() != 0)
                group += "\\hr" + QByteArray::number(t.time().hour()) + "\\min" + QByteArray::number(t.time().minute());
            if (t.time().second() != 0)
                group += "\\sec" + QByteArray::number(t.time().second());
            group += '}';
        }
        if (!group.isEmpty())
            out += "{\\info" + group + "}\r\n";
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
