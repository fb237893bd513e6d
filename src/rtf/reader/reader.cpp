// The RTF reader: one pass over the bytes with an explicit stack of group
// states, so neither time nor stack depth depends on what a file nests.

#include "readerimpl.h"
#include "model/build.h"

#include <QLocale>
#include <QTextDocument>

#include <cstring>
#include <optional>
#include <utility>

namespace rtf {
namespace detail {

Error tooManyParagraphs(qint64 limit)
{
    return Error(QStringLiteral("Dokument je příliš velký: má víc než %1 odstavců. "
                                "Editor otevírá dokumenty s nejvýše %1 odstavci.")
                     .arg(QLocale(QLocale::Czech).toString(limit)));
}

namespace {

// A file uses a few dozen control words over and over: the last word seen
// in each slot is compared before the table is searched. Per thread, for
// the converter's batch workers; the table itself never changes.
const CmdInfo *lookUpCommand(std::string_view name)
{
    struct Slot {
        std::array<char, 32> name;
        size_t size = 0;
        const CmdInfo *info = nullptr;
    };
    if (name.empty() || name.size() > sizeof(Slot::name)) {
        const auto &map = commands();
        const auto it = map.find(name);
        return it == map.end() ? nullptr : &it->second;
    }
    thread_local std::array<Slot, 64> recent{};
    Slot &slot = recent[(name.size() * 7 + uchar(name.front()) * 3 + uchar(name.back())) % recent.size()];
    if (slot.size == name.size() && std::memcmp(slot.name.data(), name.data(), name.size()) == 0)
        return slot.info;
    const auto &map = commands();
    const auto it = map.find(name);
    std::memcpy(slot.name.data(), name.data(), name.size());
    slot.size = name.size();
    slot.info = it == map.end() ? nullptr : &it->second;
    return slot.info;
}
} // namespace

void Reader::run()
{
    for (bool more = true; more;) {
        const Token &t = m_tok.next();
        switch (t.kind) {
        case Token::End:
            more = false;
            break;
        case Token::Open:
            if (m_tapKind != TapKind::None) // opaque pieces
                tapOpen();
            openGroup();
            break;
        case Token::Close:
            if (m_tapKind != TapKind::None) // opaque pieces
                tapClose();
            more = closeGroup();
            if (m_tapKind != TapKind::None && m_tapDepth == 0) // opaque pieces
                endTap();
            break;
        case Token::Word:
            m_word = &t;
            controlWord(t.name, t.hasParam, t.param, t.fallback);
            m_word = nullptr;
            break;
        case Token::Symbol:
            controlSymbol(t.symbol, t.fallback);
            break;
        case Token::Binary:
            binaryData(t.data);
            break;
        case Token::Text:
            text();
            break;
        }
    }
    // A file cut short in a font table: its fonts are known before what
    // the file leaves open ends in them.
    finishFonts();
    if (m_picActive) // a file cut short in a picture
        finishPicture();
    if (m_tapKind != TapKind::None) // opaque pieces: a file cut short in one
        endTap();
    // A file cut short in a result, in a note, or both: each ends where it
    // began, the inner first.
    const auto endResult = [this] {
        endWrap();
        m_st.chr.wrap = -1; // what comes after is not the result's
    };
    if (m_wrap.depth >= 0)
        endResult();
    if (m_noteDoc) // notes: a file cut short in a note
        endNote(m_st.par, m_st.chr);
    if (m_wrap.depth >= 0)
        endResult();
    flushRun();
    if (!m_b.parPending)
        applyParagraph(paragraphHasText() ? m_b.lastTextPar : m_st.par, m_st.chr);
    while (!m_b.tables.empty()) // tables
        closeTable();
    finishDocument(); // document properties: sections find the tables closed
}

// Text in a destination other than the body: a piece at a time, as the
// destination may end up in the body.
void Reader::text()
{
    if (m_st.dest == Dest::Body) {
        bodyText();
        return;
    }
    for (QByteArrayView piece = m_tok.piece(); !piece.isEmpty(); piece = m_tok.piece()) {
        textBytes(piece.data(), piece.size());
        if (m_st.dest == Dest::Body) {
            bodyText();
            return;
        }
    }
}

// A stretch of body text, given to textBytes() at once: a Czech word such
// as "\'e8\'edslo" is one piece of text, not three. In a single-byte code
// page with nothing to record or hide, it is decoded straight into the
// run, a table lookup a byte.
void Reader::bodyText()
{
    if (!m_st.star && m_tapKind == TapKind::None && !m_st.chr.hidden) {
        if (const char16_t *table = detail::byteTable(codepage())) {
            ++m_bodyText; // notes
            beforeText();
            decodePending();
            if (m_textTables.source != table)
                m_textTables.build(table);
            m_tok.decodeStretch(m_textTables, m_b.run);
            return;
        }
    }
    std::array<char, 1024> buffer;
    while (const qsizetype n = m_tok.stretchBytes(buffer.data(), qsizetype(buffer.size())))
        textBytes(buffer.data(), n);
}

void Reader::openGroup()
{
    if (m_stack.size() >= size_t(limits::maxDepth)) {
        ++m_overflow;
        return;
    }
    // \* names the word right after it: a group between ends it, here
    // and when the group closes.
    m_st.star = false;
    m_stack.push_back(m_st);
}

bool Reader::closeGroup()
{
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_stack.empty())
        return true; // a stray brace before the document starts
    const Dest old = m_st.dest;
    const bool oldListText = m_st.listText; // lists
    if (const auto close = destination(old).close)
        (this->*close)();
    // The group that closes a note or header: the note ends in its own
    // paragraph, not in the one around it.
    const bool endsNote = m_noteDoc && qsizetype(m_stack.size()) - 1 < m_noteDepth;
    std::optional<std::pair<ParProps, CharProps>> noteEnd;
    // What the group of a note or of a result holds is in the note or the
    // result, in its format: a picture ({\result\pict …}) too, not after
    // it in the format around.
    const bool endsResult = m_wrap.depth >= 0 && qsizetype(m_stack.size()) - 1 < m_wrap.depth;
    if ((endsNote || endsResult) && m_picActive)
        finishPicture();
    if (endsNote) {
        noteEnd.emplace(m_st.par, m_st.chr);
        // A field or a result the note's group holds ends in the note.
        endPieces(qsizetype(m_stack.size()) - 1);
    }
    m_st = m_stack.back();
    m_stack.pop_back();
    if (m_st.dest != old) {
        if (const auto end = destination(old).end)
            (this->*end)(m_st.dest, endsNote);
    }
    m_b.propsDirty = true;
    if (m_inNestProps && m_stack.size() < m_nestPropsDepth) // tables
        m_inNestProps = false;
    if (oldListText && !m_st.listText) // lists
        endListText();
    endScopes(endsNote ? &*noteEnd : nullptr);
    return !m_stack.empty();
}

// What opened at a depth of groups ends when that group does: a symbol
// field, a note or header, a field's or object's result, a field.
void Reader::endScopes(const std::pair<ParProps, CharProps> *noteEnd)
{
    const qsizetype depth = qsizetype(m_stack.size());
    if (m_symbolDepth >= 0 && depth < m_symbolDepth)
        endSymbolField();
    if (noteEnd)
        endNote(noteEnd->first, noteEnd->second);
    endPieces(depth);
}

// opaque pieces: a result or a field whose group is closed at `depth`
void Reader::endPieces(qsizetype depth)
{
    if (m_wrap.depth >= 0 && depth < m_wrap.depth)
        endWrap();
    if (m_fieldDepth >= 0 && depth < m_fieldDepth)
        endField();
}

void Reader::controlSymbol(char c, bool fallback)
{
    if (m_tapKind != TapKind::None && !fallback) { // opaque pieces: symbols that are no text
        static const std::string_view kept = "*~-_";
        if (kept.find(c) != std::string_view::npos) {
            const char symbol[3] = {'\\', c, 0};
            tapRaw(symbol);
        } else if (c == '\t') {
            tapText(u"\t");
        }
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textBytes(&c, 1);
        return;
    case '*':
        m_st.star = true;
        return;
    case '\r':
    case '\n':
        controlWord("par", false, 0, false);
        return;
    case '~':
        textChar(0x00A0);
        return;
    case '-':
        textChar(0x00AD);
        return;
    case '_':
        textChar(0x2011);
        return;
    case '\t':
        textChar(u'\t');
        return;
    default: // \| \: and unknown symbols carry no text
        return;
    }
}

// \bin data: picture bytes in a picture, kept in a piece, skipped elsewhere.
void Reader::binaryData(QByteArrayView data)
{
    m_st.star = false;
    if (m_st.dest == Dest::Picture)
        pictureBytes(data.data(), data.size());
    if (m_tapKind != TapKind::None) // opaque pieces
        tapBinary(data.data(), data.size());
}

void Reader::controlWord(std::string_view name, bool hasParam, int param, bool fallback)
{
    const CmdInfo *found = lookUpCommand(name); // speed
    const bool star = m_st.star;
    m_st.star = false;

    if (fallback) // the \uN fallback: one character that means nothing
        return;
    if (m_tapKind != TapKind::None) { // opaque pieces
        const Cmd cmd = found ? found->cmd : Cmd::SkipDest;
        // After \* a word that names no destination makes the rest of its
        // group one that is skipped (below): it stays a word, so that the
        // piece is skipped alike when it is read again.
        if (star && (!found || !found->afterStar)) {
            tapWord(name, hasParam, param);
        } else if (cmd == Cmd::Unicode) {
            const int v = param < 0 ? param + 65536 : param;
            if (hasParam && v >= 0 && v <= 0xFFFF && isText(char16_t(v)))
                tapText(QString(QChar(char16_t(v))));
            if (m_st.dest == Dest::Skip) // elsewhere the word itself does so
                m_tok.skipFallback(m_st.uc);
        } else if (cmd == Cmd::Char || cmd == Cmd::Tab || cmd == Cmd::Line) {
            tapText(QString(QChar(char16_t(cmd == Cmd::Tab ? u'\t' : cmd == Cmd::Line ? char16_t(QChar::LineSeparator) : char16_t(found->arg)))));
        } else {
            tapWord(name, hasParam, param);
        }
        if (m_st.dest == Dest::Skip && cmd == Cmd::Uc)
            m_st.uc = quint8(clampInt(hasParam ? param : 1, 0, limits::maxUnicodeSkip));
    }
    if (m_st.dest == Dest::Skip)
        return;
    if (m_st.dest == Dest::Picture) {
        if (star)
            m_st.dest = Dest::Skip; // {\*\picprop ...}, {\*\blipuid ...}
        else
            pictureWord(name, hasParam, param);
        return;
    }
    // lists: the list tables and the \pn numbering have words of their own
    if (m_st.dest == Dest::ListTable || m_st.dest == Dest::LevelText || m_st.dest == Dest::PnDef
        || m_st.dest == Dest::PnText) {
        listWord(name, hasParam, param, star);
        return;
    }
    if (!found) {
        if (star)
            m_st.dest = Dest::Skip; // an optional destination this reader does not know
        return;
    }
    const CmdInfo &info = *found;
    if (star && !info.afterStar) {
        // \* before a word that names no destination: the group is
        // something this reader does not know.
        m_st.dest = Dest::Skip;
        return;
    }
    using Handler = CmdInfo::Handler;
    switch (info.handler) {
    case Handler::DocumentDestination:
        documentDestination(info, name);
        return;
    case Handler::ObjectDestination:
        objectDestination(info, name);
        return;
    case Handler::Symbol:
        symbolWord(info, hasParam, param);
        return;
    case Handler::Document:
        documentWord(info, name, hasParam, param);
        return;
    case Handler::Character:
        characterWord(info, hasParam, param);
        return;
    case Handler::Paragraph:
        paragraphWord(info, hasParam, param);
        return;
    case Handler::TableDestination:
    case Handler::Table:
        tableWord(info.cmd, hasParam, info.value(param), info.arg);
        return;
    case Handler::Style:
        styleWord(info.cmd, hasParam, param);
        if (info.cmd == Cmd::CharStyle || info.cmd == Cmd::ParStyle)
            m_b.propsDirty = true;
        return;
    }
}

// Words that start a destination of the document: its tables, notes,
// headers, information, lists, bookmarks and groups kept as pieces.
void Reader::documentDestination(const CmdInfo &info, std::string_view name)
{
    switch (info.cmd) {
    case Cmd::FontTable:
        m_st.dest = Dest::FontTable;
        // After the text has begun, a table does not (re)define the default
        // font: the text before it took another for \plain, which a save,
        // writing one table first, could not say.
        m_lateFontTable = textBegun();
        m_curFont = -1;
        return;
    case Cmd::ColorTable:
        m_st.dest = Dest::ColorTable;
        m_colors.clear();
        m_colorSet = false;
        m_red = m_green = m_blue = 0;
        return;
    case Cmd::SkipDest:
        m_st.dest = Dest::Skip;
        return;
    // notes
    case Cmd::Footnote:
        // A list label (\listtext) is for readers without lists and holds
        // no notes; the note would vanish with the label.
        if (m_st.listText) {
            m_st.dest = Dest::Skip;
            return;
        }
        if (!beginNote() && m_st.dest != Dest::Body)
            m_st.dest = Dest::Skip;
        return;
    // document properties
    case Cmd::Header:
        if (!beginHeader(name))
            m_st.dest = Dest::Skip;
        return;
    case Cmd::Info:
        m_st.dest = m_st.dest == Dest::Body && !m_noteDoc ? Dest::Info : Dest::Skip;
        return;
    case Cmd::InfoText:
    case Cmd::InfoTime:
    case Cmd::Generator:
        if (m_st.dest == Dest::Info || (info.cmd == Cmd::Generator && m_st.dest == Dest::Body && !m_noteDoc)) {
            m_st.dest = info.cmd == Cmd::InfoTime ? Dest::InfoTime : Dest::InfoText;
            m_st.infoField = quint8(info.arg);
            if (info.cmd != Cmd::InfoTime)
                m_info[info.arg].clear();
            else
                m_infoTimes[info.arg].clear();
        } else {
            m_st.dest = Dest::Skip;
        }
        return;
    // opaque pieces
    case Cmd::Bookmark:
        if (m_st.dest == Dest::Body && !m_st.chr.hidden && m_pieces < limits::maxPieces) {
            m_st.dest = Dest::BookmarkName;
            m_bookmarkName.clear();
            m_bookmarkEnd = info.arg == 1;
        } else {
            m_st.dest = Dest::Skip;
        }
        return;
    case Cmd::OpaqueGroup:
        if (canKeepPiece())
            beginTap(info.arg ? TapKind::Comment : TapKind::Group, name, true);
        m_st.dest = Dest::Skip;
        return;
    // styles
    case Cmd::StyleSheet:
        // A style sheet after the text has begun is not read: the text
        // before it did not take its styles, which a save could not say.
        m_st.dest = m_st.dest == Dest::Body && !m_noteDoc && m_bodyText == 0 && m_b.cursor.position() == 0
            ? Dest::StyleSheet
            : Dest::Skip;
        // Styles named before the sheet are none: their words were not known.
        if (m_st.dest == Dest::StyleSheet) {
            for (GroupState &s : m_stack)
                s.par.style = 0;
        }
        // A style's paragraph starts from the defaults, not from the paragraph in force.
        m_st.par = ParProps();
        m_stated = 0;
        return;
    case Cmd::FontAltName:
        m_st.dest = m_st.dest == Dest::FontTable ? Dest::FontAltName : Dest::Skip;
        return;
    // lists, headings and rules
    case Cmd::ListTable:
    case Cmd::ListOverrideTable:
        m_st.dest = m_st.dest == Dest::Body ? Dest::ListTable : Dest::Skip;
        m_readingOverrides = info.cmd == Cmd::ListOverrideTable;
        m_curList = m_curLevel = -1;
        m_overrideList = INT_MIN;
        return;
    case Cmd::Pn:
        if (m_st.dest == Dest::Body) {
            m_st.dest = Dest::PnDef;
            m_pn = std::make_unique<ListLevelDef>();
            m_pn->pn = true;
            m_pnCont = false;
        } else {
            m_st.dest = Dest::Skip;
        }
        return;
    case Cmd::ListText:
        // Only a group's first word makes the group a label: a stray word
        // in running text would take the rest of its group for a label.
        if (m_st.dest == Dest::Body && !m_st.listText && opensGroup(name))
            beginListText();
        return;
    default:
        return;
    }
}

// Words that start a destination of a field, picture, shape or embedded
// object.
void Reader::objectDestination(const CmdInfo &info, std::string_view name)
{
    CharProps &chr = m_st.chr;
    auto charChanged = [this] { m_b.propsDirty = true; };
    switch (info.cmd) {
    case Cmd::FldInst:
        // Read only for its hyperlink; other fields show their result.
        if (m_st.dest != Dest::Body) { // a field's words elsewhere start no field
            m_st.dest = Dest::Skip;
            return;
        }
        if (m_tapKind == TapKind::None) // opaque pieces
            beginFieldTap();
        m_st.dest = Dest::FieldInst;
        m_fieldInst.clear();
        return;
    case Cmd::FldRslt:
        if (m_st.dest == Dest::Body) {
            const QString target = hyperlinkTarget(m_fieldInst);
            if (!target.isEmpty())
                chr.link = linkIndex(target);
            fieldResult(!target.isEmpty()); // opaque pieces
            m_fieldInst.clear();
            charChanged();
        }
        return;
    case Cmd::Pict:
        if (m_st.dest == Dest::Body || m_st.dest == Dest::PictureHolder) {
            if (m_st.dest == Dest::PictureHolder) {
                m_shapeHadPicture = true;
                if (m_tapKind == TapKind::Shape) // opaque pieces: the picture is what is kept
                    dropTap();
            }
            m_st.dest = Dest::Picture;
            beginPicture();
        } else {
            m_st.dest = Dest::Skip;
        }
        return;
    case Cmd::ShpPict:
    case Cmd::ShpInst:
        // \shppict holds the picture a word processor shows; its twin
        // \nonshppict is for readers without shapes, and is skipped.
        m_st.dest = m_st.dest == Dest::Body || (info.cmd == Cmd::ShpInst && m_st.dest == Dest::ObjectSkip)
            ? Dest::PictureHolder
            : Dest::Skip;
        return;
    case Cmd::Sp:
        if (m_st.dest != Dest::PictureHolder)
            m_st.dest = Dest::Skip;
        return;
    case Cmd::Sn:
        m_st.dest = m_st.dest == Dest::PictureHolder ? Dest::ShapeName : Dest::Skip;
        m_shapeName.clear();
        return;
    case Cmd::Sv:
        // Of a shape's properties only "pib", the picture it shows, is read.
        if (m_st.dest != Dest::PictureHolder || m_shapeName != "pib")
            m_st.dest = Dest::Skip;
        return;
    case Cmd::ShpRslt:
        // What a shape shows to readers without shapes: the picture again
        // when its \shpinst had one.
        if (m_shapeHadPicture) {
            m_st.dest = Dest::Skip;
        } else if (m_st.dest == Dest::Body || m_st.dest == Dest::ObjectSkip) {
            m_st.dest = Dest::Body;
            tapResult(name); // opaque pieces
        }
        return;
    case Cmd::Shp:
        m_shapeHadPicture = false;
        if (canKeepPiece()) // opaque pieces
            beginTap(TapKind::Shape, name, false);
        // Only its result shows: text of the shape's own group would show
        // beside the kept shape, and come back twice after a save.
        if (m_st.dest == Dest::Body)
            m_st.dest = Dest::ObjectSkip;
        return;
    case Cmd::Upr:
        m_st.beforeUpr = m_st.dest;
        m_st.dest = Dest::UprAnsi;
        return;
    case Cmd::Ud:
        // Read as the text around \upr: in an object's group it shows
        // nothing.
        if (m_st.dest == Dest::UprAnsi)
            m_st.dest = m_st.beforeUpr;
        return;
    case Cmd::Object:
        m_shapeHadPicture = false; // a picture before it was no shape's of this object
        if (canKeepPiece()) // opaque pieces
            beginTap(TapKind::Object, name, false);
        if (m_st.dest == Dest::Body)
            m_st.dest = Dest::ObjectSkip;
        return;
    case Cmd::Result:
        if (m_st.dest == Dest::ObjectSkip) {
            m_st.dest = Dest::Body;
            tapResult(name); // opaque pieces
        }
        return;
    default:
        return;
    }
}

// Words that stand for text or a break.
void Reader::symbolWord(const CmdInfo &info, bool hasParam, int param)
{
    switch (info.cmd) {
    case Cmd::Chftn:
        noteMark();
        return;
    case Cmd::Chatn:
        if (canKeepPiece())
            insertPiece(QStringLiteral("\\chatn "), true, false);
        return;
    case Cmd::Par:
        if (m_st.dest == Dest::Body)
            endParagraph();
        m_b.markPending = false; // notes: a \chftn without its note
        return;
    case Cmd::Sect:
        if (m_st.dest == Dest::Body)
            sectionBreak(); // document properties
        m_b.markPending = false;
        return;
    case Cmd::Page:
        // A page break ends the paragraph it is in; one right after a
        // paragraph end adds no empty paragraph. The next paragraph starts
        // the new page; one before the first paragraph means nothing.
        if (m_st.dest != Dest::Body)
            return;
        if (paragraphHasText())
            endParagraph();
        if (m_b.parPending)
            m_b.pageBreak = true;
        return;
    case Cmd::Line:
        textChar(QChar::LineSeparator);
        return;
    case Cmd::Tab:
        textChar(u'\t');
        return;
    case Cmd::Cell:
    case Cmd::NestCell:
        if (m_st.dest == Dest::Body)
            endCell();
        return;
    case Cmd::Char:
        textChar(char16_t(info.arg));
        return;
    case Cmd::Unicode: {
        if (!hasParam)
            return;
        // Writers use both the signed 16-bit form and the unsigned one.
        const int v = param < 0 ? param + 65536 : param;
        if (v >= 0 && v <= 0xFFFF && isText(char16_t(v)))
            textChar(char16_t(v));
        m_tok.skipFallback(m_st.uc);
        return;
    }
    case Cmd::Bin:
        return; // binary data: a token of its own
    // tables
    case Cmd::Row:
    case Cmd::NestRow:
        if (m_st.dest == Dest::Body)
            endRow(info.cmd == Cmd::NestRow);
        m_b.markPending = false;
        return;
    default:
        return;
    }
}

// Words of the document as a whole: code pages, font and colour table
// entries, note numbering, pages and sections.
void Reader::documentWord(const CmdInfo &info, std::string_view name, bool hasParam, int param)
{
    auto charChanged = [this] { m_b.propsDirty = true; };
    switch (info.cmd) {
    case Cmd::FtnAlt:
        if (m_noteDoc && qsizetype(m_stack.size()) == m_noteDepth)
            m_noteKind = 1;
        return;
    case Cmd::FtnStart:
    case Cmd::AftnStart:
        if (hasParam)
            noteNumbering(info.cmd == Cmd::AftnStart, clampInt(param, 1, 1'000'000), -1);
        return;
    case Cmd::FtnNumbering:
    case Cmd::AftnNumbering:
        noteNumbering(info.cmd == Cmd::AftnNumbering, 0, info.arg);
        return;
    case Cmd::PageWord:
    case Cmd::SectionWord:
        pageWord(name, hasParam, param, info.cmd == Cmd::SectionWord);
        return;
    case Cmd::SectionDefault:
        if (m_st.dest == Dest::Body && !m_noteDoc) {
            m_sectionWords.clear();
            m_sectionHeaders.clear();
        }
        return;
    case Cmd::DefTab:
        if (hasParam && param > 0)
            m_defTab = clampInt(param, 1, limits::maxTwips);
        return;
    case Cmd::DefLang:
        // Nor does the document's language change after the text has
        // begun: text before it that said none would take it too.
        if (hasParam && param > 0 && !textBegun())
            m_defLang = clampInt(param, 1, 0xFFFF);
        return;
    case Cmd::InfoTimeWord:
        // The time of its own group: a time's group may hold other \info
        // groups, whose fields are texts.
        if (m_st.dest == Dest::InfoTime && hasParam && m_st.infoField < m_infoTimes.size()
            && m_infoTimes[m_st.infoField].size() < 64) {
            m_infoTimes[m_st.infoField] +=
                '\\' + QByteArray(name.data(), qsizetype(name.size())) + QByteArray::number(param);
        }
        return;
    case Cmd::Ansi:
        m_ansiCp = 1252;
        return;
    case Cmd::Mac:
        m_ansiCp = 10000;
        return;
    case Cmd::Pc:
        m_ansiCp = 437;
        return;
    case Cmd::Pca:
        m_ansiCp = 850;
        return;
    case Cmd::AnsiCpg:
        if (hasParam && param > 0 && m_decoder.supports(param))
            m_ansiCp = param;
        return;
    case Cmd::Deff:
        // Not after the text has begun, as for a late font table.
        if (hasParam && !textBegun())
            m_deff = param;
        m_cpFont = INT_MIN;
        charChanged();
        return;
    case Cmd::FCharset:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->charset = param;
        }
        return;
    case Cmd::Cpg:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->cpg = param;
        }
        return;
    case Cmd::FontClass:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                f->hint = info.arg;
        }
        return;
    case Cmd::Red:
    case Cmd::Green:
    case Cmd::Blue:
        if (m_st.dest == Dest::ColorTable) {
            const int v = clampInt(param, 0, 255);
            (info.cmd == Cmd::Red ? m_red : info.cmd == Cmd::Green ? m_green : m_blue) = v;
            m_colorSet = true;
        }
        return;
    case Cmd::Uc:
        m_st.uc = quint8(clampInt(hasParam ? param : 1, 0, limits::maxUnicodeSkip));
        return;
    default:
        return;
    }
}

// Character formatting.
void Reader::characterWord(const CmdInfo &info, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    CharProps &chr = m_st.chr;
    auto charChanged = [this] { m_b.propsDirty = true; };
    if (m_st.dest == Dest::StyleSheet)
        m_stated |= stateBit(info.cmd);
    switch (info.cmd) {
    case Cmd::Font:
        if (m_st.dest == Dest::FontTable) {
            if (FontEntry *f = currentFont())
                finishFont(*f);
            m_curFont = hasParam ? param : 0;
            if (m_lateFontTable && m_curFont == m_deff) {
                m_curFont = -1;
            } else if (m_fonts.size() < limits::maxTableEntries || m_fonts.contains(m_curFont)) {
                m_fonts[m_curFont] = FontEntry();
                m_openFonts.push_back(m_curFont);
            } else {
                m_curFont = -1;
            }
            m_cpFont = INT_MIN;
        } else {
            chr.font = hasParam ? param : 0;
            charChanged();
        }
        return;
    case Cmd::Plain: {
        // The field's link is no character format: \plain in its result keeps it.
        const int link = chr.link;
        const int wrap = chr.wrap; // opaque pieces: nor its field's
        chr = CharProps();
        chr.link = link;
        chr.wrap = wrap;
        charChanged();
        return;
    }
    case Cmd::FontSize:
        chr.halfPoints = hasParam && param > 0 ? clampInt(param, 1, limits::maxHalfPoints) : 24;
        charChanged();
        return;
    case Cmd::Bold:
        chr.bold = on;
        charChanged();
        return;
    case Cmd::Italic:
        chr.italic = on;
        charChanged();
        return;
    case Cmd::Strike:
    case Cmd::StrikeD:
        chr.strike = on;
        charChanged();
        return;
    case Cmd::Underline:
    case Cmd::UnderlineStyle:
        chr.underline = on ? quint8(info.arg) : quint8(QTextCharFormat::NoUnderline);
        charChanged();
        return;
    case Cmd::UlNone:
        chr.underline = QTextCharFormat::NoUnderline;
        charChanged();
        return;
    case Cmd::Hidden:
        chr.hidden = on;
        if (info.arg == 1) // opaque pieces: deleted text is not kept as hidden text
            chr.deleted = on;
        else if (!on)
            chr.deleted = false;
        return;
    case Cmd::Caps:
        chr.caps = on ? QFont::AllUppercase : QFont::MixedCase;
        charChanged();
        return;
    case Cmd::SmallCaps:
        chr.caps = on ? QFont::SmallCaps : QFont::MixedCase;
        charChanged();
        return;
    case Cmd::Cf:
        chr.fg = hasParam ? param : -1;
        charChanged();
        return;
    case Cmd::Cb:
    case Cmd::Highlight:
        // Index 0 is "no background" for \highlight and automatic for \cb.
        chr.bg = hasParam && param > 0 ? param : -1;
        charChanged();
        return;
    case Cmd::Sub:
        chr.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::Super:
        chr.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::NoSuperSub:
        chr.valign = QTextCharFormat::AlignNormal;
        charChanged();
        return;
    case Cmd::Up:
    case Cmd::Dn: {
        const int v = hasParam ? param : 6;
        const bool up = (info.cmd == Cmd::Up) == (v > 0);
        chr.valign = v == 0 ? QTextCharFormat::AlignNormal
                            : up ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript;
        charChanged();
        return;
    }
    // language
    case Cmd::Lang:
        chr.lang = hasParam && param > 0 ? clampInt(param, 1, 0xFFFF) : -1;
        charChanged();
        return;
    case Cmd::NoProof:
        chr.noProof = on;
        charChanged();
        return;
    default:
        return;
    }
}

// Paragraph formatting.
void Reader::paragraphWord(const CmdInfo &info, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    ParProps &par = m_st.par;
    if (m_st.dest == Dest::StyleSheet)
        m_stated |= stateBit(info.cmd);
    switch (info.cmd) {
    case Cmd::Pard:
        par = ParProps();
        return;
    case Cmd::Ql:
        par.align = Qt::AlignLeft;
        return;
    case Cmd::Qc:
        par.align = Qt::AlignHCenter;
        return;
    case Cmd::Qr:
        par.align = Qt::AlignRight;
        return;
    case Cmd::Qj:
        par.align = Qt::AlignJustify;
        return;
    case Cmd::Li:
        par.li = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Ri:
        par.ri = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Fi:
        par.fi = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::Sb:
        par.sb = clampInt(param, 0, limits::maxTwips);
        return;
    case Cmd::Sa:
        par.sa = clampInt(param, 0, limits::maxTwips);
        return;
    case Cmd::Sl:
        par.sl = clampInt(param, -limits::maxTwips, limits::maxTwips);
        return;
    case Cmd::SlMult:
        par.slMult = on;
        return;
    case Cmd::TabKind:
        par.nextTab = quint8(info.arg);
        return;
    case Cmd::Tx:
        // A stop where there is one already (its style's, which a save
        // writes again after the style) adds none.
        if (par.tabCount < limits::maxTabStops && hasParam && param >= 0
            && std::find(par.tabPos.begin(), par.tabPos.begin() + par.tabCount, clampInt(param, 0, limits::maxTwips))
                == par.tabPos.begin() + par.tabCount) {
            par.tabPos[par.tabCount] = clampInt(param, 0, limits::maxTwips);
            par.tabType[par.tabCount] = par.nextTab;
            ++par.tabCount;
        }
        par.nextTab = QTextOption::LeftTab;
        return;
    case Cmd::PageBefore:
        par.pageBefore = on;
        return;
    case Cmd::Ls:
        par.ls = hasParam ? std::max(0, param) : 0;
        return;
    case Cmd::Ilvl:
        par.ilvl = clampInt(param, 0, limits::maxListLevels - 1);
        return;
    case Cmd::OutlineLevel:
        if (m_st.dest == Dest::StyleSheet) { // styles: the level of a heading style
            styleWord(info.cmd, hasParam, param);
            return;
        }
        par.outline = hasParam && param >= 0 && param < limits::maxListLevels ? param : -1;
        return;
    case Cmd::BorderBottom:
        par.rule = true;
        return;
    default:
        return;
    }
}

void Reader::textBytes(const char *s, qsizetype n)
{
    if (n <= 0)
        return;
    // \* names the word right after it: text between ends it.
    if (m_st.star && std::any_of(s, s + n, [](char c) { return c != ' '; }))
        m_st.star = false;
    if (m_tapKind != TapKind::None) // opaque pieces
        tapBytes(s, n);
    if (const auto bytes = destination(m_st.dest).bytes)
        (this->*bytes)(s, n);
}

void Reader::textChar(char16_t c)
{
    if (c != u' ')
        m_st.star = false;
    if (const auto character = destination(m_st.dest).character)
        (this->*character)(c);
}

} // namespace detail

using detail::Reader;
using detail::paragraphLimit;
using detail::tooManyParagraphs;


void checkInputSize(qint64 bytes)
{
    const qint64 most = detail::inputLimit();
    if (bytes > most) {
        throw Error(QStringLiteral("Soubor je příliš velký (%1 MB). Editor otevírá soubory nejvýše do %2 MB.")
                        .arg(bytes / (1024 * 1024) + (bytes % (1024 * 1024) != 0)) // rounded up, without overflow
                        .arg(most / (1024 * 1024)));
    }
}

void read(QByteArrayView data, QTextDocument &doc)
{
    checkInputSize(data.size());

    model::buildDocument(doc, [&](QTextCursor &cursor) {
        if (!isRtf(data)) {
            // A document of another program says so rather than showing
            // its bytes as text.
            if (const QString why = unsupportedFormat(data); !why.isEmpty())
                throw Error(why);
            // Text that is not RTF is taken as it is, like the text of a file
            // that is not RTF.
            QString text = decodePlainText(data);
            text.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
            text.replace(u'\r', u'\n');
            // The same bound as for RTF, or a text file could load and then
            // be saved as RTF that no longer opens.
            if (text.count(u'\n') >= paragraphLimit())
                throw tooManyParagraphs(paragraphLimit());
            cursor.insertText(text);
        } else {
            Reader reader(data, cursor);
            reader.run();
        }
    });
}

} // namespace rtf
