#pragma once

// The OpenDocument reader's parts: a part's XML as a small tree (read with
// package::XmlReader's checks), the styles resolved into Qt formats, and
// the builder that walks content.xml's body into the document.

#include "model/limits.h"
#include "model/units.h"
#include "package/package.h"

#include <QBuffer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextListFormat>
#include <QTextTableCellFormat>
#include <QVariantMap>
#include <QXmlStreamAttributes>

#include <memory>
#include <vector>

class QTextDocument;
class QTextTable;

namespace odt::detail {

// Namespaces by URI: prefixes are the file's choice.
namespace ns {
inline constexpr QLatin1StringView office("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
inline constexpr QLatin1StringView style("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
inline constexpr QLatin1StringView text("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
inline constexpr QLatin1StringView table("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
inline constexpr QLatin1StringView draw("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
inline constexpr QLatin1StringView fo("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
inline constexpr QLatin1StringView xlink("http://www.w3.org/1999/xlink");
inline constexpr QLatin1StringView dc("http://purl.org/dc/elements/1.1/");
inline constexpr QLatin1StringView meta("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");
inline constexpr QLatin1StringView svg("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
inline constexpr QLatin1StringView loext("urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0");
inline constexpr QLatin1StringView xml("http://www.w3.org/XML/1998/namespace");
inline constexpr QLatin1StringView math("http://www.w3.org/1998/Math/MathML");
} // namespace ns

// Hostile bounds beside package::XmlReader's nesting limit.
// Text that does not show (text:display="none"): left out, as the Word
// reader leaves out Word's hidden text. Only while reading.
inline constexpr int HiddenText = QTextFormat::UserProperty + 0x7F00;

namespace limits {
inline constexpr int maxListLevels = 9;
inline constexpr int maxColumns = 1000;      // cells of one row
inline constexpr qint64 maxTableCells = 100'000; // rows times columns of one table
inline constexpr qint64 maxDocumentCells = 400'000; // of all tables
// Elements that repeated cells and rows may read again, in all: content
// repeated more than this shows in the first cells only.
inline constexpr qint64 repeatBudget = 200'000;
inline constexpr int maxTableDepth = 32;
inline constexpr qint64 maxTableMergeWork = 20'000'000;
inline constexpr int maxStyleChain = 64;
inline constexpr int maxTabStops = 32;
inline constexpr int maxTwips = 31680;
inline constexpr qint64 maxNotes = 20'000;
inline constexpr int maxSections = 10'000;
inline constexpr qint64 maxPictures = 10'000;
inline constexpr qint64 maxPieces = 100'000;
inline constexpr qint64 maxElements = 4'000'000; // elements and text nodes of one part
inline constexpr int maxBulletListRun = 64;
inline constexpr int maxNumberedListRun = 1000;
inline constexpr int maxSpaces = 1000; // text:c of one text:s
} // namespace limits

using model::kTwipsPerPixel;

// One element or text node of a part. Namespace and names are shared
// strings (see Names): a part repeats a handful of them many times.
struct Node {
    QString ns;    // namespace URI; empty for text
    QString name;  // local name; empty for text
    QString qname; // as the file wrote it
    QXmlStreamAttributes attrs;
    QXmlStreamNamespaceDeclarations nsDecls;
    QString text;  // a text node's characters
    std::vector<Node> kids;
    mutable qint64 weight = -1; // see the tables' repeats

    bool isText() const { return name.isEmpty(); }
    bool is(QLatin1StringView uri, QLatin1StringView local) const { return name == local && ns == uri; }
    QString attr(QLatin1StringView uri, QLatin1StringView local) const { return attrs.value(uri, local).toString(); }
    bool has(QLatin1StringView uri, QLatin1StringView local) const { return attrs.hasAttribute(uri, local); }
    const Node *child(QLatin1StringView uri, QLatin1StringView local) const;
    // Every text below, in order.
    QString allText() const;
};

// The names a part uses, each one QString shared by every node that
// bears it. Bounded: past the bound a name is its own copy.
class Names {
public:
    QString get(QStringView s);

private:
    static constexpr qsizetype maxNames = 4096;
    std::vector<QString> m_slots = std::vector<QString>(2 * maxNames);
    qsizetype m_used = 0;
};

// A part read element by element: an element with everything below it as
// a tree, or an element's children one at a time (the body, whose tree
// would cost many times the file). Checks as package::XmlReader's, and
// the part's elements are counted against limits::maxElements wherever
// they are read or skipped.
class PartReader {
public:
    PartReader(const QByteArray &xml, const QString &partName);
    // Moves to the root element's start; throws if there is none.
    void toRoot();
    // The current element's own data (no children) into `n`.
    void head(Node &n);
    // The current element and everything below it into `n`.
    void readElement(Node &n);
    // Reads into the current element: then next() gives its children.
    void enter();
    // Moves to the next child element of the element entered last; false
    // at its end (which leaves it).
    bool next();
    QStringView ns() const { return m_r.namespaceUri(); }
    QStringView name() const { return m_r.name(); }
    bool is(QLatin1StringView uri, QLatin1StringView local) const { return name() == local && ns() == uri; }
    // Reads past the root element to the end, for the checks.
    void finish();

private:
    void count();
    void characters(Node &parent);

    QBuffer m_bytes;
    package::XmlReader m_r;
    QString m_part;
    Names m_names;
    qint64 m_elements = 0;
    std::vector<bool> m_entered; // whether each entered element holds text
};

// Start tags in UTF-8 XML, outside comments, CDATA and processing
// instructions: the part's elements, counted without parsing. Stops
// counting past `enough`.
qint64 countStartTags(QByteArrayView xml, qint64 enough);

// The part as a tree (its root element). Throws model::ReadError.
Node parseXml(const QByteArray &xml, const QString &partName);
// The element as XML, prefixes as in the file.
QString serialise(const Node &node);

// Lengths ("2.5cm", "12pt", "0.5in") in twips; `fallback` for what is none.
int toTwips(QStringView length, int fallback = 0);

// A style of style:style, style:default-style or a page layout.
struct Style {
    QString name;
    QString display;
    QString family;
    QString parent;
    QString next;
    QString listStyle;
    QString masterPage;
    int outline = -1; // style:default-outline-level - 1
    mutable int namedLevel = -1; // the heading level its name says; -1 not yet known
    bool common = false;
    const Node *node = nullptr;
    // Own formatting, then with the parents', once resolved.
    QTextCharFormat chr;
    QTextBlockFormat par;
    bool rule = false;
    bool breakAfter = false;
    int state = 0; // 0 not resolved, 1 resolving, 2 resolved
    // table-column: width in twips (-1 none), rel width
    int columnWidth = -1;
    int relWidth = -1;
    int tableWidth = -1;
    QTextTableCellFormat cell;
};

// One level of a list style.
struct ListLevel {
    bool bullet = true;
    QString bulletText;
    int style = QTextListFormat::ListDecimal;
    bool noNumber = false; // num-format ""
    QString prefix, suffix;
    int start = 1;
    int displayLevels = 1;
    int marginTwips = -1; // the text's left margin
};
struct ListStyle {
    ListLevel levels[limits::maxListLevels];
};

class Reader {
public:
    // Thrown by a streaming read that meets a part it cannot stream (parts
    // of the content after its body): read it again as a whole tree.
    struct Restart {};

    Reader(QTextDocument &doc, bool stream);
    ~Reader();
    void readPackage(QByteArrayView data);
    void readFlat(QByteArrayView data);

    // styles (readstyles.cpp)
    void readFontFaces(const Node &decls);
    void readStyles(const Node &container, bool common, QHash<QString, Style> &into);
    void readDefaultStyle(const Node &n);
    void readPageLayouts(const Node &container);
    void readMasterPages(const Node &container);
    void readNotesConfiguration(const Node &n);
    Style *findStyle(const QString &name, const QString &family);
    void resolve(Style &s, int depth);
    void applyTextProperties(const Node &props, QTextCharFormat &f, const QTextCharFormat *base) const;
    void applyParagraphProperties(const Node &props, Style &s) const;
    QTextCharFormat spanFormat(const QString &styleName, const QTextCharFormat &base);
    int styleNumber(const QString &name);
    int headingLevelOf(const Style &s) const;
    QVariantList styleSheet();

    // body (reader.cpp)
    void readContent(const QByteArray &xml, const QString &partName);
    void prepareContent();
    void streamBlocks(PartReader &part);
    void finish();
    void readBody(const Node &officeText);
    void readBlocks(const Node &parent);
    void readBlock(const Node &n);
    void paragraph(const Node &p, bool heading);
    void inlines(const Node &parent, const QTextCharFormat &f);
    void symbolFontText(QString &text, const QTextCharFormat &format);
    void insertText(QStringView text, const QTextCharFormat &f, bool collapse);
    void startBlock(const QTextBlockFormat &bf, const QTextCharFormat &cf);
    void endBlock();
    void insertPiece(const QTextCharFormat &base, QTextCharFormat piece);
    void field(const Node &n, const QTextCharFormat &f, const QString &instruction);
    void annotation(const Node &n, const QTextCharFormat &f);
    void opaque(const Node &n, const QTextCharFormat &f, const QString *shown = nullptr);
    void frame(const Node &n, const QTextCharFormat &f);
    bool picture(const Node &frame, const Node &image, const QTextCharFormat &f);
    void readMeta(const Node &meta);

    // lists (readlists.cpp)
    void readListStyle(const Node &n, QHash<QString, ListStyle> &into);
    void list(const Node &n, int level);
    void attachList(int level);
    const ListStyle *listStyle(const QString &name) const;
    void numberHeading(const Node &h, int level);

    // tables (readtables.cpp)
    void table(const Node &n);
    bool spendRepeat(const Node &n);

    // notes, headers and footers (readnotes.cpp)
    void note(const Node &n, const QTextCharFormat &f);
    QString subDocumentRtf(const Node &content, QString *plain, const QString &selfMark);
    QStringList sectionOf(const QString &masterName, bool first);
    QStringList readSection(const QString &masterName, bool first);
    void pageSetupOf(const QString &masterName);

    // What one document (the body, a note, a header) is being built into.
    struct ListContext {
        int group = 0;
        const ListStyle *style = nullptr;
        int level = -1; // of the item being read, 0-based; -1 outside lists
        bool itemFirst = false; // the next paragraph is the item's labelled one
        int restartAt = -1; // text:start-value of the item
        bool header = false;
        bool unstyled = false; // the list names no style: its paragraphs' style may
    };
    struct ListRun {
        int object = -1;
        int offset = 0;
    };
    struct Builder {
        QTextCursor cursor;
        bool reuseBlock = true;   // the cursor's block is empty and unused
        bool lastSpace = true;    // collapsing white space
        int trailingSpace = -1;   // position of a collapsed space at the end
        bool pageBreak = false;   // fo:break-after of the paragraph before
        int tableDepth = 0;
        ListContext list;
        QHash<quint64, ListRun> lists; // (group, level) -> the Qt list
    };

    QTextDocument &m_doc;
    Builder m_b;
    QString m_runBuffer; // see insertText
    std::unique_ptr<package::ZipReader> m_zip;
    bool m_flat = false;
    bool m_stream = true; // the body one block at a time
    bool m_dryRun = false; // the part is too large: its blocks are only parsed, to find the first fault

    // Parts' trees, kept while reading (nodes are pointed to by styles).
    // Streamed, the content's tree holds what comes before its body.
    Node m_content, m_stylesPart, m_metaPart;

    QHash<QString, QString> m_fonts; // style:font-face name -> family
    QHash<QString, Style> m_common;  // office:styles, "family/name"
    QHash<QString, Style> m_autoContent;
    QHash<QString, Style> m_autoStyles; // automatic styles of styles.xml
    QHash<QString, Style> *m_autos = &m_autoContent;
    QHash<QString, Style> m_defaults; // by family
    QHash<QString, const Node *> m_pageLayouts;
    QHash<QString, const Node *> m_masterPages;
    QString m_firstMaster;
    QHash<QString, ListStyle> m_listCommon, m_listAutoContent, m_listAutoStyles;
    QHash<QString, ListStyle> *m_listAutos = &m_listAutoContent;
    QHash<QString, int> m_styleNumbers; // common paragraph styles' names -> number
    QStringList m_styleOrder;
    int m_listGroups = 0;
    ListStyle m_outline;      // text:outline-style: the headings' numbers
    bool m_hasOutline = false;
    int m_outlineGroup = 0;
    QHash<QString, int> m_listIds;     // xml:id -> group
    QHash<QString, int> m_lastGroupOfStyle;
    int m_lastGroup = 0;
    const ListStyle *m_lastListStyle = nullptr;

    // Notes, pieces, fields, pictures.
    int m_notes = 0;
    int m_noteCount[2] = {0, 0};
    qint64 m_pieces = 0;
    int m_wraps = 1'000'000;
    qint64 m_pictures = 0;
    qint64 m_mergeWork = 0;
    qint64 m_tableCells = 0;
    qint64 m_repeatBudget = limits::repeatBudget;
    qint64 m_decodeWork = 0;
    qint64 m_decodedPixels = 0;
    qint64 m_inputBytes = 0;
    QHash<QByteArray, QString> m_pictureNames;
    QHash<QString, QByteArray> m_parts; // pictures read from the package
    QString m_noteWords; // how the document numbers notes, as RTF words
    bool m_inSubDocument = false;

    // A field around whole paragraphs (a table of contents).
    QString m_blockField;
    int m_blockFieldId = 0;
    // A note's number, repeated at the start of its own text.
    QString m_selfMark;
    int m_selfMarks = 0;

    // Sections.
    QString m_currentMaster;
    QString m_firstSectionMaster;
    bool m_firstParagraph = true;
    int m_sections = 1;
    QHash<QString, QStringList> m_sectionCache;
    bool m_pageSet = false;
    QVariantMap m_info;
};

QString tr(const char *text);

} // namespace odt::detail
