#pragma once

// Czech typography: the corrections a Czech writer expects as they type,
// and the same corrections over a stretch of a document.
//
// - a space after a one-letter preposition or conjunction (k, s, v, z, o,
//   u, a, i) becomes a non-breaking space, so the letter never ends a line;
// - straight quotes become „…“ and ‚…‘: after a space, a paragraph start,
//   an opening bracket or an opening quote of the other kind a quote opens,
//   elsewhere it closes; a ' between two letters is an apostrophe (’);
// - a hyphen between two spaces becomes an en dash, three dots an ellipsis.
//
// A ' right after a letter is left as typed until the next character tells
// an apostrophe ("don't") from a closing quote ("‚ahoj' ").

#include <QChar>
#include <QStringView>

#include <array>

class QTextCharFormat;
class QTextCursor;

namespace borovka::typography {

// How many characters before the cursor (the last one just typed) the rules
// look at. Fewer are given only at the start of the document.
inline constexpr int Lookback = 3;

// The `length` characters at `position` (an index into the text the rules
// were given) become `replacement`.
struct Change {
    int position = 0;
    int length = 1;
    QChar replacement;
};

// The changes one typed character asks for, in increasing position: at
// most two (a pending apostrophe or quote decided, and the typed character).
struct Changes {
    std::array<Change, 2> items;
    int count = 0;

    bool isEmpty() const { return count == 0; }
    const Change *begin() const { return items.data(); }
    const Change *end() const { return items.data() + count; }
};

// What to change once the last character of `before` has been typed.
// `before` is the text before the cursor, at most Lookback characters; a
// paragraph's start shows as QChar::ParagraphSeparator, and text shorter
// than Lookback starts the document.
Changes afterTyping(QStringView before);

// Characters the corrections never touch: a hyperlink's text, a field's
// result, note marks and the object characters of kept pieces and pictures.
bool isProtected(const QTextCharFormat &format);

// Applies the rules to the selection of `range`, or to the whole document
// when nothing is selected, as one undo step, each character keeping its
// formatting. Text before and after the selection is read as context but
// never changed. Returns how many places changed. A `position` given (the
// editor's cursor) is moved to where its text went.
int fix(const QTextCursor &range, int *position = nullptr);

} // namespace borovka::typography
