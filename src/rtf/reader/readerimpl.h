#pragma once

// The RTF reader's inner parts, shared by its units: the tokens' dispatch
// by kind (reader.cpp, over the table in commands.cpp), the destinations
// (destinations.cpp), the font and colour tables (fonttable.cpp), styles
// (stylesheet.cpp), fields (fields.cpp), pictures (readpictures.cpp),
// tables, lists, notes, document properties and kept pieces (read*.cpp)
// and the building of the document (docbuilder.cpp) through one Builder.
// Nothing outside src/rtf includes it.

#include "rtf/rtf.h"

#include "rtf/codepages.h"
#include "commands.h"
#include "rtf/readerlimits.h"
#include "rtf/tokenizer/tokenizer.h"
#include "model/units.h"
#include "model/fields.h"
#include "model/pictures.h"

#include <QColor>
#include <QHash>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextOption>
#include <QTextTable>
#include <QTextDocument>

#include <memory>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <memory>
#include <vector>

// The document model this format reads into and writes from.
namespace rtf {
using namespace model;
}

namespace rtf::detail {

Error tooManyParagraphs(qint64 limit);

// Where the text of a group goes.
enum class Dest : quint8 {
    Body,        // the document
    Skip,        // nothing: pictures, headers, unknown \* groups ...
    FontTable,   // font names
    FontAltName, // {\*\fname ...}: the face without its charset suffix
    ColorTable,
    UprAnsi,     // \upr: the ANSI text is dropped, its \ud part is kept
    ObjectSkip,  // \object and \shp: data dropped, the \result or \shprslt is kept
    Picture,     // \pict: header words and picture data
    PictureHolder, // \shppict, \shpinst and its picture property: only a \pict is read
    ShapeName,   // \sn: the name of a shape property
    FieldInst,   // \fldinst: the field's instruction, for hyperlinks
    // lists
    ListTable,   // \listtable and \listoverridetable: read by listWord()
    LevelText,   // \leveltext: the label of a list level
    PnDef,       // {\*\pn ...}: the older paragraph numbering
    PnText,      // \pntxtb and \pntxta: the text before and after its number
    // notes
    Info,        // \info: only its fields are read
    InfoText,    // a text field of \info (\title ...)
    InfoTime,    // a date of \info (\creatim ...): \yr \mo ...
    StyleSheet,  // styles: \stylesheet and its entries, whose text is the style's name
    BookmarkName, // opaque pieces: the name of \bkmkstart or \bkmkend
};

// Character properties as RTF states them; turned into a QTextCharFormat
// only once per run.
struct CharProps {
    int font = -1; // -1: the \deff font
    int halfPoints = 24;
    int fg = -1; // colour table index, -1 automatic
    int bg = -1;
    quint8 underline = QTextCharFormat::NoUnderline;
    quint8 valign = QTextCharFormat::AlignNormal;
    quint8 caps = QFont::MixedCase;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false; // \v and deleted revisions: not shown, so not read
    int link = -1;       // index of the hyperlink target, -1 none
    int charStyle = -1;  // styles: \csN, -1 none
    // language: \langN (-1: the document's \deflang) and \noproof
    int lang = -1;
    bool noProof = false;
    // opaque pieces
    int wrap = -1;        // the field or object whose result this is, index of Reader::m_wraps, -1 none
    bool deleted = false; // \deleted: hidden, but a revision's deleted text, not kept
    bool operator==(const CharProps &) const = default;
};

struct ParProps {
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    int sl = 0;           // line spacing: twips, negative "exactly"
    bool slMult = false;  // \sl in 240ths of a line
    bool pageBefore = false; // \pagebb, or a \page before the paragraph
    quint8 tabCount = 0;
    quint8 nextTab = QTextOption::LeftTab; // kind of the next \tx
    std::array<int, limits::maxTabStops> tabPos{}; // twips
    std::array<quint8, limits::maxTabStops> tabType{};
    // tables: the paragraph's table level, \intbl and \itapN
    bool intbl = false;
    quint16 itap = 0;
    // lists, headings and rules
    int ls = 0;          // \ls: the list override, 0 none
    int ilvl = 0;        // \ilvl: the level in it
    int pn = -1;         // the \pn numbering, index into Reader::m_pnDefs
    int outline = -1;    // \outlinelevel, -1 none
    bool rule = false;   // \brdrb: a bottom border, shown as a rule
    int style = 0; // styles: \sN
    bool operator==(const ParProps &) const = default;
};

struct GroupState {
    CharProps chr;
    ParProps par;
    Dest dest = Dest::Body;
    Dest beforeUpr = Dest::Body; // what \upr's \ud part is read as
    quint8 uc = 1;     // fallback characters after \uN
    bool star = false; // \* seen: the next control word is an optional destination
    bool listText = false; // in \listtext or \pntext: the label for readers without lists
    quint8 infoField = 0;  // the \info text or time its group's text goes to
};

struct FontEntry : FontName {
    QString family; // resolved when the table is complete
    int hint = -1;  // QFont::StyleHint from \froman etc.; -1: none given
    int codepage = 0; // 0: the document's code page
    bool done = false;
};

// lists: one level of a \listtable list, or a \pn numbering
struct ListLevelDef {
    int nfc = 23;   // \levelnfc: 0 decimal ... 23 bullet
    int start = 1;  // \levelstartat
    int font = -1;  // the label's font, -1 the text's
    int li = 0, fi = 0;
    bool hasIndent = false;
    // \leveltext as read: bytes (0-255) and \uN characters (+ 0x10000),
    // decoded in the label's font once the level is complete.
    std::vector<int> text;
    QByteArray before, after; // \pntxtb and \pntxta bytes
    int level = 0;  // of a \pn numbering (\pnlvlN)
    bool pn = false; // a \pn numbering: its text is before and after
    bool picture = false; // \levelpicture: a picture bullet, not kept
    bool legal = false;   // \levellegal: the levels above in Arabic numerals
    bool operator==(const ListLevelDef &) const = default;
};

struct ListDef {
    int id = 0;
    int styleId = INT_MIN; // \liststyleid: a list whose levels this one uses
    std::vector<ListLevelDef> levels;
};


// tables: a row's definition as \trowd ... \cellx give it.
struct CellBorderDef {
    int width = -1; // twips; -1 no border
    int color = -1; // colour table index
    quint8 style = 0; // Qt::PenStyle-like: QTextFrameFormat::BorderStyle
};

struct CellDef {
    int right = 0; // \cellx, twips from the margin
    quint8 merge = 0;  // 1 first of a horizontal merge, 2 merged into the one before
    quint8 vmerge = 0; // 1 first of a vertical merge, 2 merged into the one above
    quint8 valign = 0; // 0 top, 1 centre, 2 bottom
    int shading = -1;  // colour table index
    std::array<CellBorderDef, 4> borders{}; // top, left, bottom, right
    std::array<int, 4> padding{-1, -1, -1, -1}; // twips, same order; -1 the row's
};

struct RowDef {
    int left = 0; // \trleft
    int gap = 0;  // \trgaph
    Qt::Alignment align = Qt::AlignLeft;
    bool header = false;
    std::vector<CellDef> cells;
    CellDef next;    // properties of the cell whose \cellx is still to come
    int border = -1; // the cell border the \brdr words describe, -1 none; 4 on the row's
    std::array<CellBorderDef, 6> borders{}; // \trbrdr: top, left, bottom, right, inner horizontal, inner vertical
    std::array<int, 4> padding{-1, -1, -1, -1}; // \trpadd, twips: top, left, bottom, right
};

// An open table of the document being built and the row being filled.
struct TableBuild {
    QTextTable *table = nullptr;
    int rows = 0;         // rows the table has, filled or not
    int row = -1;         // the row being filled
    bool rowOpen = false; // cells read since the last \row
    bool cellOpen = false;
    bool byPosition = false; // this row's cells are placed by their \cellx
    int nextColumn = 0;
    std::vector<std::pair<int, int>> rowCells; // column and span of each cell of the row
    std::vector<int> bounds;                   // right edge of each column, twips
    struct Span {
        int row, column, rows, columns;
    };
    std::vector<Span> spans;    // merged cells, applied when the table is complete
    std::vector<Span> vertical; // per column: the vertical merge going on (rows 0: none)
    std::vector<Span> verticalDone;
    int headerRows = 0;
    bool formatSet = false;
    int left = 0, gap = 0;
    Qt::Alignment align = Qt::AlignLeft;
};


using model::fieldArguments;
using model::hyperlinkTarget;

// A SYMBOL field instruction: the character's code (decimal or 0x hex),
// the font of the \f switch, and whether \u names a Unicode character.
struct SymbolField {
    bool valid = false;
    quint32 code = 0;
    QString font;
    bool unicode = false;
};
SymbolField symbolField(const QString &instruction);


// lists: the QTextList the items of a list level go to.
struct ListRun {
    int object = -1; // the QTextList's object index
    int first = 0;   // number of its first item, counted from the level's start
};

// What building one document takes: the body's, or a note's, header's or
// footer's while it is read. Reading a note puts the body's aside and
// brings it back whole, so a field added here is never left behind.
struct Builder {
    QTextCursor cursor;
    QString run;          // text not yet inserted, in runProps
    CharProps runProps;
    bool propsDirty = true; // the group's properties may differ from runProps
    QString hidden;       // opaque pieces: \v text not yet kept
    CharProps hiddenProps;
    bool parPending = false;  // a \par was read; the next text opens a paragraph
    bool blockHasText = false;
    ParProps lastTextPar;     // paragraph properties when text was last added
    ParProps blockPar;        // formats the current block has been given
    CharProps blockChr;
    bool blockFormatted = false;
    bool blockPageBreak = false; // the current block follows a \page
    bool pageBreak = false;      // a \page: the next paragraph starts a page
    int cells = 0;               // cell ends whose tab is still to come
    // tables
    std::vector<TableBuild> tables; // the open tables, outermost first
    // A \trowd until its row ends: paragraphs without \intbl are its cells,
    // as report generators and clipboards write them.
    bool rowDefined = false;
    bool reuseBlock = false; // the pending paragraph goes into the empty block at the cursor
    // lists
    QHash<quint64, ListRun> textLists; // list and level -> the QTextList its items go to
    quint64 lastPnKey = 0;             // \pn numbering of the previous paragraph
    int listTextStart = -1, listTextEnd = -1; // \listtext of the current paragraph
    QString heldLabel;                 // its text, held back (see endListText)
    QTextCharFormat heldLabelFormat;
    // pictures: identical pictures share their resources, by document
    QHash<QByteArray, QString> pictureNames;
    QHash<QByteArray, QSize> pictureSizes; // as decoded, by the key of pictureNames
    // notes: a \chftn waits for its \footnote
    bool markPending = false;

    // The builder of a sub-document at `cursor`, read while this one waits:
    // what it starts with of this one's state.
    Builder subDocument(const QTextCursor &at) const;
};

class Reader {
public:
    Reader(QByteArrayView data, const QTextCursor &cursor)
        : m_tok(data)
    {
        m_b.cursor = cursor;
    }

    void run();

private:
    // parsing
    void openGroup();
    bool closeGroup(); // false when the outermost group closed
    void controlWord(std::string_view name, bool hasParam, int param, bool fallback);
    // Destinations (destinations.cpp): what a group does with its text,
    // when one of its groups closes and when it ends (its group closes into
    // another destination).
    struct DestinationUnit {
        void (Reader::*bytes)(const char *s, qsizetype n) = nullptr; // none: the text is dropped
        void (Reader::*character)(char16_t c) = nullptr;
        void (Reader::*close)() = nullptr;
        void (Reader::*end)(Dest to, bool endsNote) = nullptr;
    };
    static const DestinationUnit &destination(Dest d);
    void endScopes(const std::pair<ParProps, CharProps> *noteEnd);
    void endPieces(qsizetype depth);
    QString decoded(const char *s, qsizetype n, qsizetype most);
    void bodyBytes(const char *s, qsizetype n);
    void bodyChar(char16_t c);
    void fontNameBytes(const char *s, qsizetype n);
    void fontNameChar(char16_t c);
    void fontTableEnd(Dest to, bool endsNote);
    void formatTableEnd(Dest to, bool endsNote);
    void colorBytes(const char *s, qsizetype n);
    void styleNameBytes(const char *s, qsizetype n);
    void styleNameChar(char16_t c);
    void styleEntryEnd();
    void pictureEnd(Dest to, bool endsNote);
    void shapeNameBytes(const char *s, qsizetype n);
    void shapeNameChar(char16_t c);
    void fieldInstBytes(const char *s, qsizetype n);
    void fieldInstChar(char16_t c);
    void fieldInstEnd(Dest to, bool endsNote);
    void levelTextBytes(const char *s, qsizetype n);
    void pnTextBytes(const char *s, qsizetype n);
    void pnEnd(Dest to, bool endsNote);
    void infoTextBytes(const char *s, qsizetype n);
    void infoTextChar(char16_t c);
    void bookmarkNameBytes(const char *s, qsizetype n);
    void bookmarkNameChar(char16_t c);
    void bookmarkEnd(Dest to, bool endsNote);
    // The control words by kind and concern (see commands.h).
    void documentDestination(const CmdInfo &info, std::string_view name);
    void objectDestination(const CmdInfo &info, std::string_view name);
    void symbolWord(const CmdInfo &info, bool hasParam, int param);
    void documentWord(const CmdInfo &info, std::string_view name, bool hasParam, int param);
    void characterWord(const CmdInfo &info, bool hasParam, int param);
    void paragraphWord(const CmdInfo &info, bool hasParam, int param);
    void controlSymbol(char c, bool fallback);
    void binaryData(QByteArrayView data);
    void text();
    void bodyText();
    void textBytes(const char *s, qsizetype n);
    void textChar(char16_t c);
    // Whether the word `name` being read is the first of its group, after
    // an optional \*.
    bool opensGroup(std::string_view name) const
    {
        return m_overflow == 0 && m_word && name.data() && name.data() == m_word->name.data()
            && m_tok.opensGroup(*m_word);
    }
    const Token *m_word = nullptr; // the control word being read

    // font and colour tables
    FontEntry *currentFont();
    void finishFont(FontEntry &f);
    void finishFonts();
    int codepage();

    // hyperlinks
    int linkIndex(const QString &target);

    // pictures
    void beginPicture();
    void pictureWord(std::string_view name, bool hasParam, int param);
    void pictureBytes(const char *s, qsizetype n); // \bin data
    void pictureHex(const char *s, qsizetype n);
    void finishPicture();

    // document building
    void beforeText();
    void decodePending();
    void flushRun();
    void endParagraph();
    void openPendingParagraph();
    void applyParagraph(const ParProps &par, const CharProps &chr);
    QTextCharFormat charFormat(const CharProps &p);
    QTextBlockFormat blockFormat(const ParProps &p) const;
    // tables
    int tableLevel() const;
    void enterParagraph();
    void syncTables();
    void openTable();
    void openCell(TableBuild &t, int level);
    void closeTable();
    void finishRow(TableBuild &t, int level);
    void endCell();
    void endRow(bool nested);
    void tableWord(Cmd cmd, bool hasParam, int param, int arg = 0);
    RowDef &rowDef() { return m_inNestProps ? m_nestDef : m_bodyDef; }
    QTextTableCellFormat cellFormat(const CellDef &c, const RowDef &row, bool firstRow, bool first, bool last) const;
    void mergeCells(QTextTable *table, const TableBuild::Span &s);
    int placeEdge(TableBuild &t, int first, int right, int left);
    bool splitColumn(TableBuild &t, int column, int right);
    // lists (readlists.cpp)
    void listWord(std::string_view name, bool hasParam, int param, bool star);
    void levelTextByte(uchar byte);
    void finishPn();
    void beginListText();
    void endListText();
    void placeHeldLabel();
    void attachList(const ParProps &par);
    int listObject(const ParProps &par);
    QString levelLabel(const ListLevelDef &level);

    bool paragraphHasText() const
    {
        return !m_b.parPending && (m_b.blockHasText || !m_b.run.isEmpty() || !m_pendingBytes.isEmpty());
    }

    Tokenizer m_tok;
    Builder m_b;         // the document being built
    Builder m_bodySaved; // the body's, while a note or header is read

    std::vector<GroupState> m_stack;
    GroupState m_st;
    int m_overflow = 0; // groups opened beyond limits::maxDepth

    int m_ansiCp = 1252;
    int m_deff = 0;
    QHash<int, FontEntry> m_fonts;
    std::vector<int> m_openFonts; // entries whose name is not complete yet
    int m_curFont = -1;
    int m_cpFont = INT_MIN; // cache of codepage()
    int m_cpValue = 0;
    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    TextDecoder m_decoder;
    QByteArray m_pendingBytes;
    int m_pendingCp = 0;
    bool m_runMayBreak = false; // the run may hold what the document makes paragraphs of

    qint64 m_runs = 0;
    qint64 m_paragraphs = 1;

    struct PictureBuilder {
        model::PictureData data;
        int goalW = -1, goalH = -1; // twips
        int scaleX = 100, scaleY = 100;
        int nibble = -1; // the high half of a byte whose low half is to come
        bool hidden = false;
    };
    PictureBuilder m_pic;
    bool m_picActive = false;
    QByteArray m_shapeName;         // of the shape property being read
    bool m_shapeHadPicture = false; // its \shprslt repeats the picture
    qint64 m_pictures = 0;
    qint64 m_decodedPixels = 0;

    QString m_fieldInst;     // instruction of the field being read
    QStringList m_links;     // hyperlink targets, by CharProps::link
    QHash<QString, int> m_linkIndex;
    const qint64 m_maxParagraphs = paragraphLimit();

    // tables
    RowDef m_bodyDef;          // the last row definition of the outer tables
    RowDef m_nestDef;          // ... and of nested tables, from \nesttableprops
    RowDef m_bodyDefSaved, m_nestDefSaved; // the body's, while a note or header is read
    bool m_inNestProps = false;
    size_t m_nestPropsDepth = 0;
    qint64 m_mergeWork = 0;
    // lists
    std::vector<ListDef> m_lists;       // \listtable, in file order
    QHash<int, int> m_listById;                 // \listid -> index in m_lists
    QHash<int, int> m_overrides;                // \ls -> \listid
    int m_overrideList = INT_MIN;               // \listid of the \listoverride being read
    std::vector<ListLevelDef> m_pnDefs;  // distinct \pn numberings
    std::unique_ptr<ListLevelDef> m_pn;  // the \pn being read
    bool m_readingOverrides = false;            // in \listoverridetable
    int m_curList = -1, m_curLevel = -1;        // being read, -1 none (or past the limits)
    QHash<QByteArray, int> m_pnIndex;           // a \pn numbering -> index in m_pnDefs
    bool m_pnCont = false;                      // \pnlvlcont: no number of its own
    bool m_pnAfter = false;                     // in \pntxta rather than \pntxtb
    // pictures: decoding work bounded by the input's size
    const qint64 m_inputBytes = m_tok.size();
    qint64 m_decodeWork = 0;
    // notes
    void endFieldInstruction();
    void endSymbolField();
    qint64 m_bodyText = 0;       // pieces of text the body has been given
    qsizetype m_symbolDepth = -1; // depth of the SYMBOL field open, -1 none
    qint64 m_symbolMark = 0;     // m_bodyText when its instruction ended
    QString m_symbolText;
    QString m_symbolFamily;

    void noteMark();   // \chftn
    bool beginNote();  // false: the group is read as body text
    void endNote(const ParProps &par, const CharProps &chr); // the note's own state at its end
    bool customMarkBefore() const;
    QString nextNoteNumber() const;
    void noteNumbering(bool endnote, int start, int style); // -1: unchanged
    QString m_noteWords; // the numbering words in force, for writing back
    std::unique_ptr<QTextDocument> m_noteDoc; // the note being read, null in the body
    qsizetype m_noteDepth = -1;
    bool m_lateFontTable = false;             // the font table being read began after text
    bool textBegun() const { return m_runs > 0 || m_bodyText > 0 || m_b.cursor.position() > 0 || !m_b.hidden.isEmpty(); }
    int m_noteKind = 0;                       // NoteKindValue
    int m_bodyNoteKind = 0;                   // the body's, while a note or header is read
    qint64 m_notes = 0;
    std::array<int, 2> m_noteCount{};         // by kind
    std::array<int, 2> m_noteStart{1, 1};
    std::array<NoteNumbering, 2> m_noteStyle{NoteNumbering::Arabic, NoteNumbering::LowerRoman};
    CharProps m_markProps;
    int m_markStart = 0, m_markEnd = 0;       // its text in the body
    qint64 m_selfMarks = 0;

    // document properties (docprops.cpp)
    bool beginSubDocument();
    bool beginHeader(std::string_view name);
    void pageWord(std::string_view name, bool hasParam, int param, bool section);
    void infoText(const QString &text);
    void sectionBreak();
    void finishDocument();
    void endSection(bool another);
    QByteArray m_subHeader; // the header or footer being read, empty for a note
    std::vector<std::pair<std::string, QByteArray>> m_pageWords;    // document-wide
    std::vector<std::pair<std::string, QByteArray>> m_sectionWords; // of the section being read
    QStringList m_sectionHeaders;                                   // of the section being read
    struct Section {
        int block;          // its first paragraph, or one of these until it is known:
        static constexpr int kAtNextParagraph = -2, kAfterTable = -1;
        QStringList words;  // words, then header pairs
    };
    std::vector<Section> m_sections{Section{0, {}}};
    int m_defTab = -1, m_defLang = -1;
    std::array<QString, 16> m_info;        // by Cmd::InfoText argument
    std::array<QByteArray, 4> m_infoTimes; // by Cmd::InfoTime argument

    // styles (stylesheet.cpp)
    struct Style {
        bool character = false;
        int basedOn = -1, next = -1;
        int outline = -1; // \outlinelevel, 0-based
        QString name;
        CharProps chr;
        ParProps par;
        bool resolved = false;
        int depth = 0; // in its \sbasedon chain, once resolved
        // What the entry itself says, for resolving it again on top of a
        // base defined after it was resolved.
        CharProps ownChr;
        ParProps ownPar;
        int ownOutline = -1;
        // The fields the entry's own words set (stateBit), so that one
        // set to its default (\b0, \fs24, \sl0) still overrides its base.
        quint32 stated = 0;
    };
    static quint32 stateBit(Cmd cmd);
    void styleWord(Cmd cmd, bool hasParam, int param);
    void styleName(const QString &text);
    void finishStyleEntry();
    void resolveStyles();
    void applyStyle(int number, bool character);
    int headingLevel(int style) const;
    QVariantList styleSheet();
    QHash<int, Style> m_styles;      // by number; character styles negated minus one
    Style m_styleEntry;
    quint32 m_stated = 0; // what the words of the entry being read set
    int m_styleNumber = 0;
    bool m_styleOpen = false;
    bool m_stylesResolved = false;

    // opaque pieces (docprops.cpp)
    void endBookmark();
    QString m_bookmarkName;
    bool m_bookmarkEnd = false;
    qint64 m_pieces = 0;

    // speed (docbuilder.cpp): formats built once per distinct properties,
    // text of single-byte code pages decoded straight into the run
    struct CharPropsHash {
        size_t operator()(const CharProps &p) const noexcept;
    };
    detail::TextTables m_textTables; // for the code page bodyText() decoded last
    // A format with its number in the document it was last inserted into.
    // Documents are told apart by a generation, not by address: a note's
    // document may be allocated where the previous note's was.
    template<class Format>
    struct IndexedFormat {
        Format format;
        quint64 generation = 0;
        int index = -1;
    };
    quint64 m_docGeneration = 1; // changes whenever the cursor moves to another document
    using CharFormatEntry = IndexedFormat<QTextCharFormat>;
    using BlockFormatEntry = IndexedFormat<QTextBlockFormat>;
    CharFormatEntry &cachedCharFormat(const CharProps &p);
    BlockFormatEntry &cachedBlockFormat(const ParProps &p);
    QTextCharFormat makeCharFormat(const CharProps &p) const;
    void insertRun(const QString &text, CharFormatEntry &format);
    void insertBlock(BlockFormatEntry &format, CharFormatEntry &charFormat);
    void clearFormatCaches();
    std::unordered_map<CharProps, CharFormatEntry, CharPropsHash> m_charFormats;
    CharFormatEntry *m_lastCharFormat = nullptr; // nodes stay put until the map is cleared
    CharProps m_lastCharProps;
    struct BlockFormatSlot {
        ParProps props;
        bool pageBreak;
        BlockFormatEntry entry;
    };
    std::vector<BlockFormatSlot> m_blockFormats;
    size_t m_lastBlockFormat = 0;
    // Other pieces (readopaque.cpp): a group is recorded ("tapped") as this
    // writer would write it while the reader goes on as before.
    enum class TapKind : quint8 { None, Group, Comment, FieldInst, Object, Shape };
    bool canKeepPiece() const;
    void beginTap(TapKind kind, std::string_view name, bool star);
    void tapWord(std::string_view name, bool hasParam, int param);
    void tapRaw(const char *s);
    void tapBytes(const char *s, qsizetype n);
    void tapText(QStringView text);
    void tapBinary(const char *s, qsizetype n);
    void tapOpen();
    void tapClose();
    void endTap();
    void dropTap();
    bool tapResult(std::string_view word); // a field's or object's result begins: true when kept
    void beginFieldTap();
    void fieldResult(bool link);
    void endField();
    // `inside`: how many groups in from the one the result is kept in
    void beginWrap(const QString &rtf, qsizetype inside, const QString &instruction = {});
    void endWrap();
    void insertPiece(const QString &rtf, bool comment, bool closesComment, const QString &text = {});
    void hiddenText(QStringView text, const char *bytes, qsizetype n);
    void joinHidden(int at);
    void flushHidden();
    QByteArray m_tap;
    TapKind m_tapKind = TapKind::None;
    qsizetype m_tapDepth = -1;     // the tapped group's depth
    qsizetype m_tapLastOpen = 0;   // where the innermost group opened in m_tap (-1: not known)
    bool m_tapSpace = false;       // a word was the last thing tapped
    bool m_tapOverflow = false;    // past limits::maxPieceBytes: the piece is dropped
    qsizetype m_tapMuted = 0;      // depth of a group of the file's own tables, left out; 0 none
    bool m_tapMutedClose = false;  // that group's '{' was kept before the table's word: its '}' is too
    QString m_tapText;             // a comment's text, for its tool tip
    QByteArray m_fieldTap;         // the instruction of the field being read
    qsizetype m_fieldDepth = -1;   // the field's group, -1 none
    bool m_fieldResult = false;
    std::vector<QString> m_wraps;  // a field's or object's RTF before its result
    std::vector<QString> m_wrapInstructions; // a field's instruction, by wrap; empty for objects
    struct Result {
        qsizetype depth = -1;      // the result's group, -1 none
        // The group whose format a result that shows nothing gives its
        // piece: the one the kept piece puts the result in.
        qsizetype around = -1;
        // Where the result began, kept before what is put there, and moved
        // as the table ahead of it is taken out: a stale position made a
        // result that showed something look empty.
        QTextCursor start;
        bool inTable = false;      // its last paragraph is in a table
    };
    Result m_wrap;                 // the result being read in this document
    Result m_bodyWrapSaved;        // the body's, while a note or header is read
    void dropTapStar();
    void splitWrap();
    int m_commentEnd = -1;         // cursor after a comment still to be completed, -1 none
    int m_bodyCommentEnd = -1;     // the body's, while a note or header is read
};

} // namespace rtf::detail
