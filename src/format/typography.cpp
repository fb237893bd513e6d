#include "typography.h"

#include "model/properties.h"

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QVarLengthArray>

#include <algorithm>

#include <vector>

namespace borovka::typography {

namespace {

constexpr QChar NoBreakSpace(0x00A0);
constexpr QChar EnDash(0x2013);
constexpr QChar Ellipsis(0x2026);
constexpr QChar OpenDouble(0x201E);  // „
constexpr QChar CloseDouble(0x201C); // “
constexpr QChar OpenSingle(0x201A);  // ‚
constexpr QChar CloseSingle(0x2018); // ‘
constexpr QChar Apostrophe(0x2019);  // ’

bool isOneLetterWord(QChar c)
{
    switch (c.unicode()) {
    case 'k': case 's': case 'v': case 'z': case 'o': case 'u': case 'a': case 'i':
    case 'K': case 'S': case 'V': case 'Z': case 'O': case 'U': case 'A': case 'I':
        return true;
    default:
        return false;
    }
}

bool isOpeningBracket(QChar c)
{
    return c == u'(' || c == u'[' || c == u'{';
}

// A quote after `c` opens. An opening quote of the other kind nests
// ("„‚"); one of the same kind closes, so "" gives an empty pair „“.
bool quoteOpensAfter(QChar c, QChar quote)
{
    if (c.isSpace() || isOpeningBracket(c))
        return true;
    return quote == u'"' ? c == OpenSingle : c == OpenDouble;
}

// A letter after `c` starts a word.
bool wordStartsAfter(QChar c)
{
    return c.isSpace() || isOpeningBracket(c) || c == OpenDouble || c == OpenSingle || c == u'"'
        || c == QChar(0x00AB) || c == QChar(0x00BB);
}

bool isSpaceInLine(QChar c)
{
    return c == u' ' || c == NoBreakSpace || c == u'\t';
}

} // namespace

Changes afterTyping(QStringView before)
{
    Changes changes;
    const qsizetype n = before.size();
    if (n == 0)
        return changes;
    auto add = [&changes](qsizetype position, int length, QChar replacement) {
        changes.items[size_t(changes.count++)] = {int(position), length, replacement};
    };
    const QChar typed = before[n - 1];

    // A ' left after a letter: what follows it decides.
    if (n >= 3 && before[n - 2] == u'\'' && before[n - 3].isLetter())
        add(n - 2, 1, typed.isLetter() ? Apostrophe : CloseSingle);

    switch (typed.unicode()) {
    case '"':
        add(n - 1, 1, n == 1 || quoteOpensAfter(before[n - 2], typed) ? OpenDouble : CloseDouble);
        break;
    case '\'':
        if (n == 1 || quoteOpensAfter(before[n - 2], typed))
            add(n - 1, 1, OpenSingle);
        else if (!before[n - 2].isLetter())
            add(n - 1, 1, CloseSingle);
        break;
    case ' ':
        if (n >= 2 && isOneLetterWord(before[n - 2]) && (n == 2 || wordStartsAfter(before[n - 3])))
            add(n - 1, 1, NoBreakSpace);
        else if (n >= 3 && before[n - 2] == u'-' && isSpaceInLine(before[n - 3]))
            add(n - 2, 1, EnDash);
        break;
    case '.':
        if (n >= 3 && before[n - 2] == u'.' && before[n - 3] == u'.')
            add(n - 3, 3, Ellipsis);
        break;
    default:
        break;
    }
    return changes;
}

bool isProtected(const QTextCharFormat &format)
{
    return !format.anchorHref().isEmpty() || format.hasProperty(model::WrapId)
        || format.hasProperty(model::FieldInstruction) || format.hasProperty(model::WrapRtf)
        || format.hasProperty(model::NoteId) || format.hasProperty(model::OpaqueText)
        || format.objectType() != QTextFormat::NoObject;
}

namespace {

// The document's text goes through the rules as if typed one character at
// a time; only the last few characters can still change, so a small window
// of them is kept and older ones leave it for good. Changed characters are
// gathered into runs of one format, which replace the old text at the end.
class Fixer {
public:
    Fixer(int from, int to) : m_from(from), m_to(to) {}

    void block(const QTextBlock &block)
    {
        // Paragraph boundaries read as the separator they are in the text.
        feed({QChar::ParagraphSeparator, block.position() - 1, 1, -1, true, false});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QString text = fragment.text();
            const int start = fragment.position();
            const int format = fragment.charFormatIndex();
            const bool locked = isProtected(fragment.charFormat());
            for (int i = 0; i < text.size(); ++i) {
                const int position = start + i;
                feed({text[i], position, 1, format, locked || position < m_from || position >= m_to,
                      false});
            }
        }
        feed({QChar::ParagraphSeparator, block.position() + block.length() - 1, 1, -1, true, false});
        for (const Item &item : m_window)
            leave(item);
        m_window.clear();
        close();
    }

    struct Run {
        int start = 0;
        int end = 0; // of the old text
        QString text;
        int format = -1;
        // Where in the old text characters became one (an ellipsis): offset, old length.
        std::vector<std::pair<int, int>> shortened;

        // The new offset for an old offset into the run.
        int newOffset(int old) const
        {
            int shift = 0;
            for (const auto &[offset, length] : shortened) {
                if (offset >= old)
                    break;
                shift += length - 1;
                if (offset + length > old)
                    return offset + length - shift; // inside: after the new character
            }
            return old - shift;
        }
    };
    std::vector<Run> runs;
    int count = 0;

private:
    struct Item {
        QChar c;
        int position; // in the document, of the first old character
        int length;   // old characters it stands for
        int format;
        bool locked;
        bool changed;
    };

    void feed(const Item &item)
    {
        m_window.push_back(item);
        if (m_window.size() > Lookback) {
            leave(m_window.front());
            m_window.erase(m_window.begin());
        }
        QChar text[Lookback];
        for (qsizetype i = 0; i < m_window.size(); ++i)
            text[i] = m_window[i].c;
        const Changes changes = afterTyping(QStringView(text, m_window.size()));
        // From the last, so earlier positions stay valid.
        for (int k = changes.count - 1; k >= 0; --k) {
            const Change &change = changes.items[size_t(k)];
            const auto first = m_window.begin() + change.position;
            const auto last = first + change.length;
            if (std::any_of(first, last, [](const Item &i) { return i.locked; }))
                continue;
            Item merged = *first;
            merged.c = change.replacement;
            merged.length = (last - 1)->position + (last - 1)->length - first->position;
            merged.changed = true;
            *first = merged;
            m_window.erase(first + 1, last);
            ++count;
        }
    }

    // Changed characters of one format gather into runs; so that text full
    // of corrections (one-letter words only) is replaced in a few pieces
    // rather than character by character, a run also takes up to MaxGap
    // unchanged characters between two changed ones.
    void leave(const Item &item)
    {
        const bool joins = m_open && !item.locked && runs.back().end == item.position
            && runs.back().format == item.format;
        if (joins && (item.changed || runs.back().text.size() - m_kept < MaxGap)) {
            Run &run = runs.back();
            if (item.length > 1)
                run.shortened.emplace_back(run.end - run.start, item.length);
            run.text += item.c;
            run.end += item.length;
            if (item.changed) {
                m_kept = run.text.size();
                m_keptEnd = run.end;
            }
            return;
        }
        close();
        if (!item.changed)
            return;
        runs.push_back({item.position, item.position + item.length, QString(item.c), item.format, {}});
        if (item.length > 1)
            runs.back().shortened.emplace_back(0, item.length);
        m_kept = 1;
        m_keptEnd = runs.back().end;
        m_open = true;
    }

public:
    // Drops the unchanged characters a run took after its last change.
    void close()
    {
        if (!m_open)
            return;
        runs.back().text.truncate(m_kept);
        runs.back().end = m_keptEnd;
        m_open = false;
    }

private:
    static constexpr qsizetype MaxGap = 64;
    bool m_open = false;
    qsizetype m_kept = 0;
    int m_keptEnd = 0;

    const int m_from;
    const int m_to;
    QVarLengthArray<Item, Lookback + 1> m_window;
};

} // namespace

int fix(const QTextCursor &range, int *position)
{
    QTextDocument *doc = range.document();
    if (!doc)
        return 0;
    const bool selection = range.hasSelection();
    const int from = selection ? range.selectionStart() : 0;
    const int to = selection ? range.selectionEnd() : doc->characterCount();

    Fixer fixer(from, to);
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next())
        fixer.block(b);
    // Nothing to change opens no edit block: even an empty one reports a change.
    if (fixer.runs.empty())
        return 0;

    const QList<QTextFormat> formats = doc->allFormats();
    QTextCursor c(doc);
    c.beginEditBlock();
    for (auto run = fixer.runs.rbegin(); run != fixer.runs.rend(); ++run) {
        // The new text goes in before the old, which then goes: a cursor
        // just after the old text stays just after the new.
        c.setPosition(run->start);
        c.insertText(run->text, formats.value(run->format).toCharFormat());
        const int oldStart = run->start + int(run->text.size());
        c.setPosition(oldStart);
        c.setPosition(oldStart + run->end - run->start, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        if (position && *position > run->start) {
            const int oldLength = run->end - run->start;
            const int newLength = int(run->text.size());
            *position = *position >= run->end ? *position + newLength - oldLength
                                              : run->start + run->newOffset(*position - run->start);
        }
    }
    c.endEditBlock();
    return fixer.count;
}

} // namespace borovka::typography
