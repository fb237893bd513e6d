// Opaque pieces (see docprops.h): comments, fields other than hyperlinks,
// embedded objects, drawing objects and hidden text.
//
// Such a group is recorded ("tapped") while the reader goes on reading it
// as before: control words, groups and text as this writer writes them.
// Text is decoded and escaped anew, in the code page this writer uses;
// words that name an entry of the file's font, colour, style or list
// tables are left out, as their numbers mean nothing in the tables a save
// writes. So a piece is always RTF of our own, with balanced groups, even
// when the file's were not.
//
// A field's result, and the result an embedded object or shape shows, is
// read as text; it carries the piece's RTF before it (CharProps::wrap), and
// the writer puts it back inside the field or object.

#include "readerimpl.h"

#include "rtf/writer/writerimpl.h"
#include "model/docprops.h"
#include "model/language.h"

#include <QTextBlock>

#include "model/notes.h"

namespace rtf::detail {

namespace {

// The limit is on a piece's data and text; the words and braces around
// them may add this much.
constexpr qsizetype kPieceSlack = 256;

// Words that name entries of the file's own tables, or that the writer
// states once for the whole file or for a table's row: their effect
// outlasts the piece's group, so read again where the piece is saved they
// would change the file's code page, language, notes' numbering, pages or
// the row around the piece.
bool dropInTap(std::string_view name)
{
    static const std::string_view words[] = {"f", "af", "cf", "cb", "highlight", "chcbpat", "chcfpat", "cs", "s",
                                             "ds", "ts", "ls", "uc", "bin", "ansicpg", "deff", "pnf", "loch",
                                             "hich", "dbch"};
    if (name.empty() || std::find(std::begin(words), std::end(words), name) != std::end(words))
        return true;
    const auto &table = commands();
    const auto it = table.find(name);
    if (it == table.end())
        return false;
    switch (it->second.cmd) {
    case Cmd::Ansi:
    case Cmd::Mac:
    case Cmd::Pc:
    case Cmd::Pca:
    case Cmd::DefLang:
    case Cmd::DefTab:
    case Cmd::FtnStart:
    case Cmd::AftnStart:
    case Cmd::FtnNumbering:
    case Cmd::AftnNumbering:
    case Cmd::PageWord:
    case Cmd::SectionWord:
    case Cmd::SectionDefault:
    case Cmd::RowDefaults:
    case Cmd::CellX:
    case Cmd::TrGaph:
    case Cmd::TrLeft:
    case Cmd::TrAlign:
    case Cmd::TrHeader:
    case Cmd::CellMerge:
    case Cmd::CellVMerge:
    case Cmd::CellVAlign:
    case Cmd::CellShading:
    case Cmd::CellBorder:
    case Cmd::BorderWidth:
    case Cmd::BorderColor:
    case Cmd::BorderStyle:
    case Cmd::RowBorder:
    case Cmd::RowPadding:
    case Cmd::CellPadding:
        return true;
    default:
        return false;
    }
}

// Words of a paragraph's format, its table depth among them.
bool formatsParagraph(std::string_view name)
{
    const auto &table = commands();
    const auto it = table.find(name);
    return it != table.end()
        && (it->second.concern == Concern::Paragraph || it->second.cmd == Cmd::InTable || it->second.cmd == Cmd::Itap);
}

// Groups that are the file's own tables or information: the saved file
// has tables of its own, which these would change when read again.
bool isFileTable(std::string_view name)
{
    static const std::string_view words[] = {"fonttbl", "colortbl", "stylesheet", "listtable", "listoverridetable",
                                             "info"};
    return std::find(std::begin(words), std::end(words), name) != std::end(words);
}

// Text of a piece: ASCII, and every other character as \uN with a '?'.
// Bytes in the document's code page would be read in whatever code page a
// reader gives the piece's destination (LibreOffice reads a comment's in
// its own default), so they are not used.
void appendPieceText(QByteArray &out, QStringView text)
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x20 && c < 0x7F) {
            if (c == u'\\' || c == u'{' || c == u'}')
                out += '\\';
            out += char(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            out += "\\line ";
        } else if (c == QChar::Nbsp) {
            out += "\\~";
        } else if (c >= 0x7F && isText(c)) { // as a reload reads \uN
            out += "\\u" + QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c)) + '?';
        }
    }
}

// Whether the character at `at` is RTF's own: after an even run of
// backslashes, which are escaped backslashes of text.
bool unescaped(QByteArrayView tap, qsizetype at)
{
    qsizetype i = at;
    while (i > 0 && tap[i - 1] == '\\')
        --i;
    return (at - i) % 2 == 0;
}

// Whether the piece ends with a control word, which text after it must be
// kept apart from by a space; text that ends it needs none.
bool endsWithWord(QByteArrayView tap)
{
    qsizetype i = tap.size();
    while (i > 0 && std::isdigit(uchar(tap[i - 1])))
        --i;
    if (i > 0 && tap[i - 1] == '-')
        --i;
    const qsizetype letters = i;
    while (i > 0 && std::isalpha(uchar(tap[i - 1])))
        --i;
    return i != letters && i > 0 && tap[i - 1] == '\\' && unescaped(tap, i - 1);
}

bool endsWithStar(QByteArrayView tap)
{
    return tap.endsWith("\\*") && unescaped(tap, tap.size() - 2);
}

bool endsWithOpen(QByteArrayView tap)
{
    return tap.endsWith('{') && unescaped(tap, tap.size() - 1);
}

} // namespace

bool Reader::canKeepPiece() const
{
    return m_tapKind == TapKind::None && m_st.dest == Dest::Body && !m_st.chr.hidden && m_pieces < limits::maxPieces;
}

void Reader::beginTap(TapKind kind, std::string_view name, bool star)
{
    m_tapKind = kind;
    m_tap = star ? "{\\*\\" : "{\\";
    m_tap.append(name.data(), qsizetype(name.size()));
    m_tapDepth = 1;
    m_tapLastOpen = 0;
    m_tapSpace = true;
    m_tapOverflow = false;
    m_tapMuted = 0;
    m_tapText.clear();
}

void Reader::tapRaw(const char *s)
{
    if (m_tapOverflow || m_tapMuted)
        return;
    m_tap += s;
    m_tapSpace = false;
}

void Reader::tapWord(std::string_view name, bool hasParam, int param)
{
    // After \* a word names the group, whatever it is: it stays, or the
    // group would mean something else.
    // A word the reader could not read (too long) has no name to keep: a
    // lone backslash would escape the brace after it.
    // \uc is not kept: a piece's text gives one '?' to each \uN.
    if (m_tapOverflow || m_tapMuted)
        return;
    const bool afterStar = endsWithStar(m_tap);
    if (name.empty() || name == "uc") {
        // After \* either made its group one that readers skip (a result in
        // it too): a name no reader knows stands for it and says the same.
        if (afterStar) {
            m_tap += "\\unreadable";
            m_tapSpace = true;
        }
        return;
    }
    if (isFileTable(name)) {
        if (m_tapDepth > 1 && m_tapLastOpen >= 0 && m_tap.size() == m_tapLastOpen + (afterStar ? 3 : 1)) {
            // The table's group is left out, from its '{' to its '}'.
            m_tap.truncate(m_tapLastOpen);
            m_tapMutedClose = false;
        } else {
            // After more of its group, the word makes the rest of the group
            // the table: that rest is left out, the group's '}' stays.
            if (afterStar)
                m_tap.chop(2);
            m_tapMutedClose = true;
        }
        m_tapMuted = m_tapDepth;
        m_tapSpace = endsWithWord(m_tap);
        return;
    }
    if (dropInTap(name) && !afterStar)
        return;
    // The group of an object or shape holds its result, whose paragraphs
    // take its paragraph words: their format is written before the piece,
    // and the words kept in it would undo that on a reload.
    if (m_tapDepth == 1 && (m_tapKind == TapKind::Object || m_tapKind == TapKind::Shape) && formatsParagraph(name)
        && !afterStar)
        return;
    m_tap += '\\';
    m_tap.append(name.data(), qsizetype(name.size()));
    if (hasParam)
        m_tap += QByteArray::number(param);
    m_tapSpace = true;
    if (m_tap.size() > limits::maxPieceBytes + kPieceSlack)
        m_tapOverflow = true;
}

// \* marks a destination's word; before text (or data) it means nothing,
// as the reader takes it, and text written as \uN after it would read back
// as that word. Spaces kept after it were text and stay so.
void Reader::dropTapStar()
{
    bool found = false;
    qsizetype spaces = 0; // after the stars
    for (;;) {
        qsizetype trailing = 0;
        while (trailing < m_tap.size() && m_tap.at(m_tap.size() - 1 - trailing) == ' ')
            ++trailing;
        if (!endsWithStar(QByteArrayView(m_tap).first(m_tap.size() - trailing)))
            break;
        m_tap.chop(trailing + 2);
        spaces += trailing;
        found = true;
    }
    if (!found)
        return;
    m_tapSpace = endsWithWord(m_tap);
    if (spaces > 0) {
        if (m_tapSpace) // the word before ends at a space of its own
            m_tap += ' ';
        m_tap.append(spaces, ' ');
        m_tapSpace = false;
    }
}

void Reader::tapText(QStringView text)
{
    if (m_tapOverflow || m_tapMuted || text.isEmpty())
        return;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c != u' '; }))
        dropTapStar();
    const qsizetype start = m_tap.size();
    appendPieceText(m_tap, text);
    // A word before the text needs a space only where the text would
    // continue it; before a control symbol ("\\~", "\\u") the piece
    // reads back the same without one.
    // Text the piece cannot hold (a NUL) leaves the word still open.
    if (m_tap.size() == start)
        return;
    if (m_tapSpace && m_tap.at(start) != '\\')
        m_tap.insert(start, ' ');
    m_tapSpace = false;
    if (m_tapKind == TapKind::Comment && m_tapText.size() < 4096)
        m_tapText += text.left(4096 - m_tapText.size());
    if (m_tap.size() > limits::maxPieceBytes)
        m_tapOverflow = true;
}

void Reader::tapBytes(const char *s, qsizetype n)
{
    if (m_tapOverflow || m_tapMuted)
        return;
    if (m_tap.size() + n > limits::maxPieceBytes) {
        m_tapOverflow = true;
        return;
    }
    // Hexadecimal data (\objdata) is most of what big pieces hold: as it is.
    if (std::all_of(s, s + n, [](char c) { return isHex(c) || c == ' '; })) {
        if (std::any_of(s, s + n, [](char c) { return c != ' '; }))
            dropTapStar();
        if (m_tapSpace)
            m_tap += ' ';
        m_tapSpace = false;
        m_tap.append(s, n);
        return;
    }
    QString t;
    m_decoder.decode(codepage(), QByteArrayView(s, n), t);
    tapText(t);
}

void Reader::tapBinary(const char *s, qsizetype n)
{
    // \bin data of an object: the same bytes as hexadecimal digits.
    if (n <= 0 || m_tapMuted)
        return;
    if (m_tapOverflow || m_tap.size() + 2 * n > limits::maxPieceBytes) {
        m_tapOverflow = true;
        return;
    }
    static const char hex[] = "0123456789abcdef";
    dropTapStar();
    if (m_tapSpace)
        m_tap += ' ';
    m_tapSpace = false;
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(s[i]);
        m_tap += hex[c >> 4];
        m_tap += hex[c & 15];
    }
}

void Reader::tapOpen()
{
    ++m_tapDepth;
    if (m_tapOverflow || m_tapMuted)
        return;
    if (m_tap.size() > limits::maxPieceBytes + kPieceSlack) {
        m_tapOverflow = true;
        return;
    }
    dropTapStar(); // as the reader drops a \* before a group
    m_tapLastOpen = m_tap.size();
    m_tap += '{';
    m_tapSpace = false;
}

void Reader::tapClose()
{
    --m_tapDepth;
    if (m_tapMuted) {
        if (m_tapDepth < m_tapMuted) {
            m_tapMuted = 0;
            if (m_tapMutedClose) {
                m_tap += '}';
                m_tapSpace = false;
                m_tapLastOpen = -1;
                return;
            }
            // Left out first in its group: a table's word after it opens
            // that group as far as the piece goes.
            // Otherwise the group the piece is in has more before the word:
            // no word opens it now.
            m_tapLastOpen = endsWithOpen(m_tap) ? m_tap.size() - 1 : -1;
        }
        return;
    }
    if (m_tapOverflow)
        return;
    m_tap += '}';
    m_tapSpace = false;
}

// Text of the group shows (a broken file): what shows is kept, as text,
// and the piece is not, or a save would write that text twice.
void Reader::dropTap()
{
    m_tapKind = TapKind::None;
    m_tapDepth = -1;
    m_tap = QByteArray();
}

// The tapped group ended (or the file did: its groups are closed here).
void Reader::endTap()
{
    while (m_tapDepth > 0)
        tapClose();
    const TapKind kind = m_tapKind;
    m_tapKind = TapKind::None;
    m_tapDepth = -1;
    if (m_tapOverflow) {
        m_tap = QByteArray();
        return;
    }
    switch (kind) {
    case TapKind::FieldInst:
        m_fieldTap = std::move(m_tap);
        break;
    case TapKind::Group:
    case TapKind::Object: // without a result to show
    case TapKind::Shape:
        insertPiece(QString::fromLatin1(m_tap), false, false);
        break;
    case TapKind::Comment: {
        const bool last = m_tap.startsWith("{\\*\\annotation") || m_tap.startsWith("{\\annotation");
        const bool shown = last || m_tap.startsWith("{\\*\\atnauthor"); // the tool tip: author and text
        insertPiece(QString::fromLatin1(m_tap), true, last, shown ? m_tapText.trimmed() : QString());
        break;
    }
    case TapKind::None:
        break;
    }
    m_tap = QByteArray();
}

// One character that shows nothing. The parts of a comment (its id,
// author, mark and text) that follow each other make one character.
void Reader::insertPiece(const QString &rtf, bool comment, bool closesComment, const QString &text)
{
    beforeText();
    flushRun();
    if (comment && m_commentEnd >= 0 && m_commentEnd == m_b.cursor.position() && m_b.cursor.position() > 0) {
        QTextCursor c = m_b.cursor;
        c.setPosition(m_b.cursor.position() - 1);
        c.setPosition(m_b.cursor.position(), QTextCursor::KeepAnchor);
        QTextCharFormat f = c.charFormat();
        if (f.hasProperty(OpaqueRtf)) {
            f.setProperty(OpaqueRtf, f.stringProperty(OpaqueRtf) + rtf);
            if (!text.isEmpty()) {
                const QString before = f.stringProperty(OpaqueText);
                f.setProperty(OpaqueText, before.isEmpty() ? text : before + QStringLiteral(": ") + text);
            }
            c.setCharFormat(f);
            m_commentEnd = closesComment ? -1 : m_b.cursor.position();
            return;
        }
    }
    ++m_pieces;
    // In a field's or object's result, the piece is written inside it.
    QTextCharFormat f = charFormat(m_st.chr);
    f.setObjectType(PieceObject);
    f.setProperty(OpaqueRtf, rtf);
    if (!text.isEmpty())
        f.setProperty(OpaqueText, text);
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_b.propsDirty = true;
    m_commentEnd = comment && !closesComment ? m_b.cursor.position() : -1;
}

namespace {
// SYMBOL fields show their character and are written as it.
bool isSymbolField(const QString &instruction)
{
    const QStringList args = fieldArguments(instruction);
    return !args.isEmpty() && args[0].compare(QLatin1StringView("SYMBOL"), Qt::CaseInsensitive) == 0;
}
} // namespace

// Fields: the instruction is tapped; the result keeps it.
void Reader::beginFieldTap()
{
    m_fieldDepth = -1;
    m_fieldResult = false;
    m_fieldTap.clear();
    // A field in a field's result is part of that result, also when the
    // instruction is in a group (a note's) that has no result of its own.
    if (!canKeepPiece() || m_stack.size() < 2 || m_st.chr.wrap >= 0 || m_stack.back().chr.wrap >= 0)
        return;
    m_fieldDepth = qsizetype(m_stack.size()) - 1;
    beginTap(TapKind::FieldInst, "fldinst", true);
}

void Reader::fieldResult(bool link)
{
    if (m_fieldDepth < 0 || m_fieldTap.isEmpty() || m_fieldResult)
        return;
    m_fieldResult = true;
    // Hyperlinks are the editor's own; a SYMBOL field shows its character.
    if (link || isSymbolField(m_fieldInst) || m_wrap.depth >= 0) {
        m_fieldTap.clear();
        return;
    }
    beginWrap(QStringLiteral("{\\field") + QString::fromLatin1(m_fieldTap) + QStringLiteral("{\\fldrslt "),
              1, m_fieldInst.trimmed());
    m_fieldTap.clear();
}

// The text from here to the end of the group is the result of `rtf`.
void Reader::beginWrap(const QString &rtf, qsizetype inside, const QString &instruction)
{
    m_wraps.push_back(rtf);
    m_wrapInstructions.push_back(instruction);
    ++m_pieces;
    flushRun();
    m_st.chr.wrap = int(m_wraps.size() - 1);
    m_b.propsDirty = true;
    m_wrap.depth = qsizetype(m_stack.size());
    m_wrap.around = m_wrap.depth - inside;
    m_wrap.start = m_b.cursor;
    m_wrap.start.setKeepPositionOnInsert(true);
    m_wrap.inTable = !m_b.tables.empty();
}

// The result goes on as a result of its own, of the same field or object.
void Reader::splitWrap()
{
    const int old = m_st.chr.wrap;
    if (old < 0 || size_t(old) >= m_wraps.size())
        return;
    m_wraps.push_back(m_wraps[size_t(old)]);
    m_wrapInstructions.push_back(m_wrapInstructions[size_t(old)]);
    const int now = int(m_wraps.size() - 1);
    for (size_t i = size_t(m_wrap.depth); i < m_stack.size(); ++i) {
        if (m_stack[i].chr.wrap == old)
            m_stack[i].chr.wrap = now;
    }
    m_st.chr.wrap = now;
    // Hidden text still waiting goes into the paragraph that begins now.
    if (m_b.hiddenProps.wrap == old)
        m_b.hiddenProps.wrap = now;
    m_b.propsDirty = true;
}

// The field's group ended: one without a result is kept as a piece.
void Reader::endField()
{
    m_fieldDepth = -1;
    if (!m_fieldResult && !m_fieldTap.isEmpty() && !isSymbolField(m_fieldInst) && m_st.dest == Dest::Body
        && hyperlinkTarget(m_fieldInst).isEmpty() && m_pieces < limits::maxPieces) {
        insertPiece(QStringLiteral("{\\field") + QString::fromLatin1(m_fieldTap) + u'}',
                    false, false);
    }
    m_fieldTap.clear();
    m_fieldResult = false;
}

// An object's or shape's result begins: the piece so far goes before it.
bool Reader::tapResult(std::string_view word)
{
    if (m_tapKind != TapKind::Object && m_tapKind != TapKind::Shape)
        return false;
    // Too big, in a result already, or a result word that does not open
    // its group (what is kept ends before the result's '{'): only the
    // result stays.
    if (m_tapOverflow || m_tapMuted || m_wrap.depth >= 0 || m_st.chr.wrap >= 0 || m_tapLastOpen < 0
        || !opensGroup(word)) {
        dropTap();
        return false;
    }
    m_tap.truncate(m_tapLastOpen); // the result's own '{'
    // The groups the result is in are closed before it: the piece puts the
    // result straight in the object's group.
    const qsizetype inside = m_tapDepth - 1;
    while (--m_tapDepth > 1)
        m_tap += '}';
    const QString rtf = QString::fromLatin1(m_tap) + QStringLiteral("{\\") + QLatin1StringView(word.data(), qsizetype(word.size())) + u' ';
    m_tapKind = TapKind::None;
    m_tapDepth = -1;
    m_tap = QByteArray();
    beginWrap(rtf, inside);
    return true;
}

// The result ended; one that showed nothing keeps its piece as a character.
void Reader::endWrap()
{
    m_wrap.depth = -1;
    flushHidden();
    flushRun();
    if (m_b.cursor.position() != m_wrap.start.position() || m_wraps.empty())
        return;
    const size_t around = size_t(std::max<qsizetype>(m_wrap.around, 0));
    CharProps props = around < m_stack.size() ? m_stack[around].chr : m_st.chr;
    props.wrap = int(m_wraps.size() - 1);
    QTextCharFormat f = charFormat(props);
    f.setObjectType(PieceObject);
    // The tab of a cell outside a table waits for text after the piece:
    // it is no part of a result that showed nothing.
    const int cells = std::exchange(m_b.cells, 0);
    beforeText();
    m_b.cells = cells;
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_b.propsDirty = true;
}

namespace {

// A font's family is saved with the first class a face of its name had.
bool sameWhenSaved(QTextCharFormat a, QTextCharFormat b)
{
    a.clearProperty(QTextFormat::FontStyleHint);
    b.clearProperty(QTextFormat::FontStyleHint);
    return a == b;
}

} // namespace

// Hidden text (\v) is kept as a piece of its own, in the format around it.
void Reader::hiddenText(QStringView text, const char *bytes, qsizetype n)
{
    if (m_st.chr.deleted || m_st.dest != Dest::Body)
        return;
    // Hidden text goes on in one piece while it looks the same: words that
    // change nothing a save writes (\f of the default font) would split it
    // into pieces that a reload reads as one.
    if (!m_b.hidden.isEmpty() && !(m_st.chr == m_b.hiddenProps)) {
        CharProps now = m_st.chr, before = m_b.hiddenProps;
        now.hidden = before.hidden = false;
        // The document's language is written as no \lang at all.
        const int documentLanguage = m_defLang > 0 ? m_defLang : czechLanguage;
        for (CharProps *p : {&now, &before}) {
            if (p->lang == documentLanguage)
                p->lang = -1;
        }
        if (!sameWhenSaved(charFormat(now), charFormat(before)))
            flushHidden();
    }
    if (m_b.hidden.isEmpty()) {
        if (m_pieces >= limits::maxPieces)
            return;
        beforeText();
        flushRun();
        m_b.hiddenProps = m_st.chr;
        m_b.runProps = m_st.chr; // so the next shown text ends the piece first
    }
    m_b.propsDirty = true;
    const qsizetype room = limits::maxPieceBytes / 8 - m_b.hidden.size(); // \uN? is up to 8 bytes
    if (room <= 0)
        return;
    if (bytes) {
        QString t;
        m_decoder.decode(codepage(), QByteArrayView(bytes, std::min(n, room)), t);
        m_b.hidden += t;
    } else {
        m_b.hidden += text.left(room);
    }
}

void Reader::flushHidden()
{
    if (m_b.hidden.isEmpty())
        return;
    const QString text = std::move(m_b.hidden);
    m_b.hidden.clear();
    CharProps props = m_b.hiddenProps;
    props.hidden = false;
    QTextCharFormat f = charFormat(props);
    QByteArray rtf = "{\\v ";
    appendPieceText(rtf, text);
    if (rtf.size() == 4)
        return; // nothing a piece can hold (control characters)
    rtf += '}';
    ++m_pieces;
    f.setObjectType(PieceObject);
    f.setProperty(OpaqueRtf, QString::fromLatin1(rtf));
    // Called first thing by flushRun(): the run's text comes after it.
    const int at = m_b.cursor.position();
    m_b.cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++m_runs;
    m_b.blockHasText = true;
    m_b.propsDirty = true;
    // Right after a hidden piece that looks the same (a list label or a
    // header came between): one piece.
    joinHidden(at);
}

namespace {

// The text of a hidden piece "{\v …}" between its braces, empty for
// another piece.
QStringView hiddenPieceText(const QString &rtf)
{
    if (!rtf.startsWith(QLatin1StringView("{\\v ")) || !rtf.endsWith(u'}'))
        return {};
    return QStringView(rtf).sliced(4, rtf.size() - 5);
}

// How many characters a reload reads from a hidden piece's text: each
// is a character, an escaped one or a control word ending in ' ' or '?'.
qsizetype hiddenLength(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++n) {
        if (text[i] != u'\\') {
            ++i;
        } else if (i + 1 < text.size() && QStringView(u"\\{}~").contains(text[i + 1])) {
            i += 2;
        } else {
            while (i < text.size() && text[i] != u' ' && text[i] != u'?')
                ++i;
            ++i;
        }
    }
    return n;
}

} // namespace

// Hidden pieces that meet at `at` and look the same become one: a save
// writes them side by side, and a reload reads them as one.
void Reader::joinHidden(int at)
{
    if (at <= 0)
        return;
    QTextCursor c = m_b.cursor;
    c.setPosition(at);
    if (c.atBlockStart() || c.atBlockEnd())
        return;
    QTextCharFormat before = c.charFormat();
    c.movePosition(QTextCursor::NextCharacter);
    QTextCharFormat after = c.charFormat();
    const QString first = before.stringProperty(OpaqueRtf), second = after.stringProperty(OpaqueRtf);
    const QStringView a = hiddenPieceText(first), b = hiddenPieceText(second);
    if (a.isEmpty() || b.isEmpty() || hiddenLength(a) + hiddenLength(b) > limits::maxPieceBytes / 8)
        return;
    for (QTextCharFormat *f : {&before, &after}) {
        f->clearProperty(OpaqueRtf);
        f->clearProperty(QTextFormat::ObjectType);
    }
    if (!sameWhenSaved(before, after))
        return;
    QTextCharFormat joined = c.charFormat();
    joined.setProperty(OpaqueRtf, first.chopped(1) + b.toString() + u'}');
    c.setPosition(at - 1);
    c.setPosition(at + 1, QTextCursor::KeepAnchor);
    c.insertText(QString(QChar::ObjectReplacementCharacter), joined);
    --m_pieces;
    --m_runs;
}

} // namespace rtf::detail
