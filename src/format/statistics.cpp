// Counting a document's words and characters in one pass over its text.

#include "statistics.h"

#include "model/lists.h"
#include "model/notes.h"
#include "model/properties.h"
#include "rtf/rtf.h"

#include <QSet>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

namespace borovka {

namespace {

bool isBlank(char16_t c)
{
    // Latin-1 first: nearly every character of a Czech text.
    if (c < 0x100)
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0xA0;
    return QChar::isSpace(c);
}

// A running count over pieces of text. A piece ends a word at its end only
// when asked to: a note's mark in the middle of a word is part of it.
class Counter {
public:
    void add(QStringView text)
    {
        const char16_t *p = reinterpret_cast<const char16_t *>(text.data());
        const char16_t *const end = p + text.size();
        qint64 chars = 0, blanks = 0, words = 0;
        bool inWord = m_inWord;
        for (; p != end; ++p) {
            const char16_t c = *p;
            if (c >= 0xD800) {
                // Objects (pictures, kept pieces) are no text; a character
                // outside the basic plane counts once, at its first half.
                if (c == QChar::ObjectReplacementCharacter || (c >= 0xDC00 && c <= 0xDFFF))
                    continue;
                if (c == QChar::ParagraphSeparator) { // a paragraph end in a note's text
                    inWord = false;
                    continue;
                }
            }
            ++chars;
            if (isBlank(c) || c == 0x2013 || c == 0x2014) {
                if (c != 0x2013 && c != 0x2014)
                    ++blanks;
                inWord = false;
            } else if (!inWord) {
                inWord = true;
                ++words;
            }
        }
        m_inWord = inWord;
        m_stats.characters += chars;
        m_stats.charactersWithoutSpaces += chars - blanks;
        m_stats.words += words;
    }

    // A paragraph's text: counted as one when it holds a character.
    void paragraph(QStringView text)
    {
        const qint64 before = m_stats.characters;
        add(text);
        endWord();
        if (m_stats.characters > before)
            ++m_stats.paragraphs;
    }

    // Text made of paragraphs separated by line ends (a note's plain text).
    void paragraphs(QStringView text)
    {
        qsizetype from = 0;
        while (from <= text.size()) {
            qsizetype to = text.indexOf(u'\n', from);
            if (to < 0)
                to = text.size();
            paragraph(text.sliced(from, to - from));
            from = to + 1;
        }
    }

    void endWord() { m_inWord = false; }
    void addParagraph() { ++m_stats.paragraphs; }
    const TextStatistics &result() const { return m_stats; }

private:
    TextStatistics m_stats;
    bool m_inWord = false;
};

void countBlocks(const QTextDocument &doc, Counter &counter, QSet<int> &notes);

// A header's or footer's RTF, counted as a document of its own.
void countRtf(const QString &rtf, Counter &counter)
{
    QTextDocument doc;
    try {
        rtf::read(rtf.toLatin1(), doc);
    } catch (...) {
        return; // a header the file damaged shows nothing either
    }
    QSet<int> notes;
    countBlocks(doc, counter, notes);
}

void countSection(const QStringList &section, Counter &counter)
{
    for (qsizetype i = 1; i + 1 < section.size(); i += 2)
        countRtf(section[i + 1], counter);
}

void countBlocks(const QTextDocument &doc, Counter &counter, QSet<int> &notes)
{
    model::ListNumbering numbering;
    QList<QString> noteTexts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const qint64 before = counter.result().characters;
        if (block.textList()) {
            counter.add(numbering.label(block));
            counter.endWord();
        }
        // A paragraph's text by its fragments: a note's mark is a fragment
        // of its own, and the note's text counts once after the document.
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            if (f.hasProperty(model::NoteId) && model::isNoteMark(f)) {
                const int id = f.intProperty(model::NoteId);
                if (!notes.contains(id)) {
                    notes.insert(id);
                    noteTexts << f.stringProperty(model::NoteText);
                }
            }
            counter.add(fragment.text());
        }
        counter.endWord();
        if (counter.result().characters > before)
            counter.addParagraph();
        const QTextBlockFormat bf = block.blockFormat();
        if (bf.hasProperty(model::SectionStart))
            countSection(bf.property(model::SectionStart).toStringList(), counter);
    }
    for (const QString &text : std::as_const(noteTexts))
        counter.paragraphs(text);
    const QTextFrameFormat root = doc.rootFrame()->frameFormat();
    if (root.hasProperty(model::DocFirstSection))
        countSection(root.property(model::DocFirstSection).toStringList(), counter);
}

} // namespace

TextStatistics documentStatistics(const QTextDocument &doc)
{
    Counter counter;
    QSet<int> notes;
    countBlocks(doc, counter, notes);
    return counter.result();
}

TextStatistics rangeStatistics(const QTextDocument &doc, int from, int to)
{
    if (from > to)
        std::swap(from, to);
    from = std::max(from, 0);
    to = std::min(to, doc.characterCount() - 1);
    Counter counter;
    for (QTextBlock block = doc.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        const int start = std::max(from - block.position(), 0);
        const int end = std::min(to - block.position(), block.length() - 1);
        if (end > start)
            counter.paragraph(QStringView(block.text()).sliced(start, end - start));
    }
    return counter.result();
}

QString standardPages(qint64 characters)
{
    // Tenths, rounded half up, in integers: no binary fraction decides.
    const qint64 tenths = (std::max<qint64>(characters, 0) * 10 + 900) / 1800;
    QString whole = QString::number(tenths / 10);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QChar::Nbsp);
    return whole + u',' + QString::number(tenths % 10);
}

} // namespace borovka
