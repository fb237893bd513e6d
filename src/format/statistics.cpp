// Counting a document's words and characters in one pass over its text.

#include "statistics.h"

#include "model/lists.h"
#include "model/notes.h"
#include "model/properties.h"
#include "model/readerror.h"
#include "rtf/rtf.h"

#include <QSet>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

namespace borovka {

namespace {

// Blank among the characters below U+1680: spaces, tabs, line ends, the
// no-break space.
inline bool isLatinBlank(char16_t c)
{
    return (c == u' ') | (unsigned(c - u'\t') <= 4u) | (c == 0xA0) | (c == 0x85);
}

// A running count over pieces of text: paragraphs are counted at their
// ends, words at their first characters.
class Counter {
public:
    void add(QStringView text)
    {
        const char16_t *p = reinterpret_cast<const char16_t *>(text.data());
        const char16_t *const end = p + text.size();
        // Stretches of plain text (nothing from U+1680 up: no dash, no
        // paragraph end, no object) are counted without a dependency from
        // one character to the next, which the compiler vectorises: a word
        // starts where a character that is not blank follows a blank one.
        while (p != end) {
            const qsizetype n = std::min<qsizetype>(end - p, Stretch);
            if (n == Stretch && isPlain(p))
                addPlain(p);
            else
                addAny(p, p + n);
            p += n;
        }
    }

private:
    static constexpr qsizetype Stretch = 256;

    static bool isPlain(const char16_t *p)
    {
        char16_t highest = 0;
        for (qsizetype i = 0; i < Stretch; ++i)
            highest = std::max(highest, p[i]);
        return highest < 0x1680;
    }

    void addPlain(const char16_t *p)
    {
        qint64 blanks = isLatinBlank(p[0]), words = !isLatinBlank(p[0]) & !m_inWord;
        for (qsizetype i = 1; i < Stretch; ++i) {
            const bool blank = isLatinBlank(p[i]);
            blanks += blank;
            words += !blank & isLatinBlank(p[i - 1]);
        }
        m_inWord = !isLatinBlank(p[Stretch - 1]);
        m_stats.characters += Stretch;
        m_stats.charactersWithoutSpaces += Stretch - blanks;
        m_stats.words += words;
    }

    void addAny(const char16_t *p, const char16_t *const end)
    {
        qint64 chars = m_stats.characters, blanks = 0, words = 0, paragraphs = 0;
        qint64 paragraphStart = m_paragraphStart;
        bool inWord = m_inWord;
        for (; p != end; ++p) {
            const char16_t c = *p;
            if (c < 0x1680) {
                const bool blank = isLatinBlank(c);
                ++chars;
                blanks += blank;
                words += !blank & !inWord;
                inWord = !blank;
                continue;
            }
            if (c >= 0xD800) {
                // Objects (pictures, kept pieces) are no text; a character
                // outside the basic plane counts once, at its first half.
                if (c == QChar::ObjectReplacementCharacter || (c >= 0xDC00 && c <= 0xDFFF))
                    continue;
                if (c == 0xFDD0 || c == 0xFDD1) { // a frame's (table's, cell's) start or end
                    paragraphs += chars > paragraphStart;
                    paragraphStart = chars;
                    inWord = false;
                    continue;
                }
            } else if (c == QChar::ParagraphSeparator) { // a paragraph's end
                paragraphs += chars > paragraphStart;
                paragraphStart = chars;
                inWord = false;
                continue;
            }
            ++chars;
            if (c == 0x2013 || c == 0x2014) { // en and em dashes part words
                inWord = false;
            } else if (QChar::isSpace(c)) { // line separator, thin spaces
                ++blanks;
                inWord = false;
            } else {
                words += !inWord;
                inWord = true;
            }
        }
        m_inWord = inWord;
        m_paragraphStart = paragraphStart;
        m_stats.charactersWithoutSpaces += chars - m_stats.characters - blanks;
        m_stats.characters = chars;
        m_stats.words += words;
        m_stats.paragraphs += paragraphs;
    }

public:
    // Ends a word and a paragraph: the next text starts new ones.
    void endParagraph()
    {
        m_inWord = false;
        m_stats.paragraphs += m_stats.characters > m_paragraphStart;
        m_paragraphStart = m_stats.characters;
    }

    // A list item's label: a word of its own, in no paragraph.
    void addLabel(QStringView text)
    {
        m_inWord = false;
        add(text);
        m_inWord = false;
        m_paragraphStart = m_stats.characters;
    }

    const TextStatistics &result() const { return m_stats; }

private:
    TextStatistics m_stats;
    qint64 m_paragraphStart = 0;
    bool m_inWord = false;
};

void countDocument(const QTextDocument &doc, Counter &counter);

// A header's or footer's RTF, counted as a document of its own.
void countRtf(const QString &rtf, Counter &counter)
{
    QTextDocument doc;
    try {
        rtf::read(rtf.toLatin1(), doc);
    } catch (const model::ReadError &) {
        return; // a header the file damaged shows nothing either
    }
    countDocument(doc, counter);
}

void countSection(const QStringList &section, Counter &counter)
{
    for (qsizetype i = 1; i + 1 < section.size(); i += 2)
        countRtf(section[i + 1], counter);
}

void countDocument(const QTextDocument &doc, Counter &counter)
{
    // Lists, notes and sections are looked for only where the document's
    // formats say there are some.
    bool lists = false, notes = false, sections = false;
    for (const QTextFormat &f : doc.allFormats()) {
        lists = lists || f.isListFormat();
        notes = notes || (f.isCharFormat() && model::isNoteMark(f.toCharFormat()));
        sections = sections || (f.isBlockFormat() && f.hasProperty(model::SectionStart));
    }
    // A paragraph at a time: its text is copied into memory freed again
    // at once, where the whole document's text in one piece would take
    // fresh memory the size of the document.
    model::ListNumbering numbering;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        // A list item's label ("1.", "•") is a word of its own.
        if (lists && block.textList())
            counter.addLabel(numbering.label(block));
        counter.add(block.text());
        counter.endParagraph();
        if (sections && block.blockFormat().hasProperty(model::SectionStart))
            countSection(block.blockFormat().property(model::SectionStart).toStringList(), counter);
    }
    if (notes) {
        // A note's text counts once, however many fragments its mark has.
        QSet<int> seen;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (!model::isNoteMark(f) || seen.contains(f.intProperty(model::NoteId)))
                    continue;
                seen.insert(f.intProperty(model::NoteId));
                QString text = f.stringProperty(model::NoteText);
                text.replace(u'\n', QChar::ParagraphSeparator);
                counter.add(text);
                counter.endParagraph();
            }
        }
    }
    const QTextFrameFormat root = doc.rootFrame()->frameFormat();
    if (root.hasProperty(model::DocFirstSection))
        countSection(root.property(model::DocFirstSection).toStringList(), counter);
}

} // namespace

TextStatistics documentStatistics(const QTextDocument &doc)
{
    Counter counter;
    countDocument(doc, counter);
    return counter.result();
}

TextStatistics rangeStatistics(const QTextDocument &doc, int from, int to)
{
    if (from > to)
        std::swap(from, to);
    const QString text = doc.toRawText();
    from = std::clamp<int>(from, 0, int(text.size()));
    to = std::clamp<int>(to, from, int(text.size()));
    Counter counter;
    counter.add(QStringView(text).sliced(from, to - from));
    counter.endParagraph();
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
