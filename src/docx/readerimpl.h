#pragma once

// The Word reader's inner parts, shared by its units: the package and the
// body (reader.cpp), styles and formats (readstyles.cpp), lists
// (readnumbering.cpp), tables (readtables.cpp), notes, headers, sections,
// comments and document information (readnotes.cpp) and pictures
// (readpictures.cpp). Nothing outside src/docx includes it.

#include "docx.h"
#include "xmltree.h"

#include "package/package.h"
#include "model/limits.h"
#include "model/properties.h"
#include "model/units.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTextTable>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace docx::detail {

using namespace model;

namespace limits {
// What building any document may cost; the Word reader's own bounds are
// those of its packages and XML.
using namespace model::limits;
inline constexpr int maxStyles = 32768;
// Cells of one table and of the document: further rows are read as
// paragraphs after the table.
inline constexpr qint64 maxTableCells = 200'000;
inline constexpr qint64 maxDocumentCells = 1'000'000;
// Fields open at once.
inline constexpr int maxFieldDepth = 64;
} // namespace limits

inline QLatin1StringView L(const char *s)
{
    return QLatin1StringView(s);
}

// An attribute's whole number (decimals cut, kept within ±10⁹), or
// `fallback` where the element or a number is missing.
int intAttr(const Node *n, const char *name, int fallback);

// Run properties as a part states them; unset ones come from below.
struct RunProps {
    std::optional<QString> font;
    std::optional<int> halfPoints;
    std::optional<bool> bold, italic, strike, caps, smallCaps, hidden;
    std::optional<int> underline; // QTextCharFormat::UnderlineStyle
    std::optional<QColor> color, background; // invalid colour: automatic
    std::optional<int> valign;               // QTextCharFormat::VerticalAlignment
    std::optional<int> lang;                 // Windows language id
    std::optional<QString> charStyle;        // w:rStyle, a style id
};

struct Tab {
    int pos = 0; // twips
    int type = QTextOption::LeftTab;
    bool clear = false;
};

struct ParaProps {
    std::optional<int> align; // Qt::Alignment
    std::optional<int> li, ri, fi, sb, sa;
    std::optional<int> line, lineRule; // lineRule: 0 auto (240ths), 1 exact, 2 at least
    std::optional<bool> pageBefore, rule;
    std::optional<int> outline; // 0-based; 9 body text
    std::optional<std::vector<Tab>> tabs;
    std::optional<int> numId, ilvl;
};

void overlay(RunProps &base, const RunProps &top);
void overlay(ParaProps &base, const ParaProps &top);

struct Style {
    QString id, name, basedOn, next;
    int type = 0; // 0 paragraph, 1 character, 2 table, 3 numbering
    int number = 0;
    bool isDefault = false;
    RunProps rpr;
    ParaProps ppr;
    const Node *tblPr = nullptr; // a table style's table properties
    bool resolved = false;
    bool resolving = false;
};

// One level of a list definition.
struct ListLevel {
    int style = QTextListFormat::ListDecimal;
    bool bullet = false;
    bool none = false;
    int start = 1;
    QString text; // lvlText with %1..%9 as the characters 0 to 8
    std::optional<int> li, fi;
    bool defined = false;
};

struct AbstractList {
    std::array<ListLevel, limits::maxListLevels> levels;
    QString styleLink; // w:numStyleLink: the levels are another list's
};

struct ListInstance {
    QString abstractId;
    std::array<std::optional<int>, limits::maxListLevels> startOverride;
};

struct ListRun {
    int object = -1;
    int first = 0;
};

// A field open in the text: its instruction while read, then its result.
struct OpenField {
    QString instruction;
    bool result = false;
    int id = 0;
    QString href; // a HYPERLINK field's target
};

// Where text goes: the body, or a note's, header's or comment's document
// while it is read.
struct Sink {
    QTextCursor cursor;
    bool atEmptyBlock = true; // the block at the cursor is empty and takes the next paragraph
    bool pageBreak = false;   // the next paragraph starts a page
    int tableDepth = 0;
    QHash<quint64, ListRun> lists; // list and level -> its QTextList
    std::vector<OpenField> fields;
    int ignoredFields = 0; // begins past limits::maxFieldDepth
    bool sub = false;      // a note, header, or comment
    bool joinNext = false; // the paragraph's mark was deleted: the next one goes on in it
};

// What an inline walk carries down: the paragraph's run properties and the
// link around it.
struct InlineContext {
    const RunProps *base = nullptr;
    QString href;
};

class Reader {
public:
    Reader(QByteArrayView data, QTextDocument &doc);
    void run();

private:
    // package (reader.cpp)
    struct Relation {
        QString type;   // the last segment of its type: "styles", "image" ...
        QString target; // the part, resolved; or the address of an external one
        bool external = false;
    };
    QHash<QString, Relation> readRelations(const QString &part);
    QByteArray readPart(const QString &name);
    void parsePart(Tree &tree, const QString &name);
    QString relatedPart(const QString &type) const;

    // body (reader.cpp)
    void blocks(const Node *container);
    void block(const Node *n, const Node *container);
    void paragraph(const Node *p);
    void inlines(const Node *parent, const InlineContext &ctx);
    void runContent(const Node *parent, const QTextCharFormat &format, const RunProps &props, const InlineContext &ctx);
    void run(const Node *r, const InlineContext &ctx);
    void openParagraph(const QTextBlockFormat &block, const QTextCharFormat &chr);
    void insertText(QStringView text, const QTextCharFormat &format);
    QTextCharFormat fieldFormat(QTextCharFormat format) const;
    bool inFieldInstruction() const;
    void fieldChar(const Node *n);
    void breakPage();
    void insertPiece(QTextCharFormat f);
    void bookmark(const Node *n, bool start);
    void opaque(const Node *element, const QString &text, const QTextCharFormat &format, bool keepXml);
    QString shownText(const Node *n) const;
    void alternate(const Node *n, const QTextCharFormat &format, const RunProps &props, const InlineContext &ctx);
    static const Node *chosenBranch(const Node *alternateContent);
    QString m_mainPart;
    QHash<QString, Relation> m_rels; // of the main part
    QStringList m_pendingBookmarks;  // bookmarks between paragraphs, placed in the next
    QHash<QString, QString> m_bookmarkNames; // open bookmarks by id

    // styles and formats (readstyles.cpp)
    void readStyles();
    void readSettings();
    RunProps runProps(const Node *rPr) const;
    ParaProps paraProps(const Node *pPr) const;
    Style *style(const QString &id);
    void resolveStyle(Style &s, int depth);
    QTextCharFormat charFormat(const RunProps &p) const;
    QTextBlockFormat blockFormat(const ParaProps &p, const Style *style) const;
    int headingLevel(const Style *s) const;
    QVariantList styleSheet();
    QHash<QString, Style> m_styles;
    QStringList m_styleOrder;
    QString m_defaultParaStyle;
    RunProps m_defaultRun;
    ParaProps m_defaultPara;
    int m_defaultTab = -1;
    QString m_themeMajor, m_themeMinor; // the theme's heading and body fonts
    Tree m_stylesTree;

    // lists (readnumbering.cpp)
    void readNumbering();
    const ListLevel *listLevel(int numId, int ilvl, int *start, int *used = nullptr) const;
    void attachList(const ParaProps &par);
    QHash<QString, AbstractList> m_abstractLists;
    QHash<int, ListInstance> m_listInstances;

    // tables (readtables.cpp)
    void table(const Node *tbl);
    qint64 m_documentCells = 0;
    qint64 m_mergeWork = 0;

    // notes, headers, sections, comments, document information (readnotes.cpp)
    void readNotes();
    void noteNumbering(const Node *settings);
    void readComments();
    void readCoreProperties();
    void noteReference(const Node *n, const QTextCharFormat &format, const Node *run, const Node **consumed);
    void noteSelfMark(const QTextCharFormat &format);
    void comment(const QString &id);
    Sink beginSub(QTextDocument &doc);
    void endSub(Sink saved);
    void sectionEnd(const Node *sectPr);
    void finishSections();
    QStringList sectionList(const Node *sectPr, bool first);
    QString headerRtf(const QString &rid);
    Tree m_footnotes, m_endnotes, m_comments;
    QHash<QString, const Node *> m_notes[2];
    QHash<QString, std::pair<QString, QString>> m_builtNotes; // kind:id -> RTF and text
    struct Comment {
        QString author, initials, date;
        const Node *node = nullptr;
    };
    QHash<QString, Comment> m_commentDefs;
    QSet<QString> m_commentsPlaced;
    qint64 m_noteCount = 0;
    std::array<int, 2> m_noteNumber{};  // notes numbered so far, by kind
    std::array<int, 2> m_noteStart{1, 1};
    std::array<int, 2> m_noteStyle{0, 3}; // noteNumberText(): Arabic footnotes, lower roman endnotes
    QString m_noteWords;                  // the same as RTF words, when not the defaults
    int m_selfMarks = 0;
    int m_noteKind = 0;
    struct Section {
        const Node *sectPr = nullptr;
        int block = 0; // its first block; -1 until known
    };
    std::vector<Section> m_sections{Section{}};
    std::vector<std::unique_ptr<Tree>> m_subTrees; // headers and footers
    QHash<QString, QString> m_headerCache;
    QVariantMap m_info;

    // pictures (readpictures.cpp)
    void drawing(const Node *n, const QTextCharFormat &format);
    void picture(const QString &rid, int twipsW, int twipsH, const QTextCharFormat &format);
    void vmlPicture(const Node *pict, const QTextCharFormat &format);
    QHash<QString, QString> m_pictureNames; // part -> resource name
    qint64 m_pictures = 0;

    package::ZipReader m_zip;
    QTextDocument &m_doc;
    Tree m_kept; // the sections' setup, kept past their paragraphs
    Sink m_s;
    int m_nextWrap = 1'000'000;
    qint64 m_pieces = 0;
};

// A note's number `n` as counted in `style` (0 Arabic, 1 and 2 lower and
// upper letters, 3 and 4 lower and upper roman, 5 *, †, ‡, §).


} // namespace docx::detail
