#pragma once

// The OpenDocument writer's inner parts, shared by its units. Nothing
// outside src/odt includes it.
//
// The body is written by one QXmlStreamWriter per part into a buffer; the
// automatic styles the text needs are gathered on the way (one pool for
// content.xml, one for styles.xml, whose headers and footers cannot use
// content.xml's), then each part is put together: its root with the
// namespaces, the font faces, the styles, the body.

#include "odt.h"
#include "model/lists.h"
#include "model/properties.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QXmlStreamWriter>

#include <array>
#include <memory>
#include <vector>

namespace odt::detail {

using namespace model;

// Lengths as OpenDocument writes them. The document's units are pixels at
// 96 dots per inch; the model's twips are 1/1440 inch.
QString cmFromPixels(double px);
QString cmFromTwips(double twips);
QString points(double pt);

// "Heading 1" -> "Heading_20_1": a display name as a style's NCName.
QString encodeStyleName(const QString &name);

// A language (Windows id) as fo:language and fo:country; false for ids
// without a mapping.
bool languageTag(int lcid, QString &language, QString &country);

// Automatic styles of one part, each written once: a style is rendered
// with a placeholder name, and equal renderings share one name.
class StylePool {
public:
    explicit StylePool(QString prefix) : m_prefix(std::move(prefix)) {}
    // `xml` holds the placeholder kName where the name goes; `letter` is
    // the family's prefix ("T", "P", "L", "fr", "Table").
    QString add(const QString &letter, const QByteArray &xml);
    QByteArray xml() const;
    static constexpr const char *kName = "@@NAME@@";

private:
    QString m_prefix;
    QHash<QByteArray, QString> m_names;
    QHash<QString, int> m_counters;
    std::vector<std::pair<QString, QByteArray>> m_styles;
};

// One document being written into one part: the body, a note's content
// or a header. Holds what its lists have opened.
struct Walk {
    const QTextDocument *doc = nullptr;
    QXmlStreamWriter *x = nullptr;
    StylePool *pool = nullptr;
    bool inNote = false;
    bool body = false; // the main text: sections and notes apply
    QString baseStyle; // what paragraphs without a style of their own take: "Footnote", "Header" ...

    // lists (writelists.cpp)
    int open = 0;               // text:list elements open, each with an item open in it
    QString openKey;            // the ODF list they belong to
    QHash<QString, QString> listStyles;    // ODF list -> its text:list-style's name
    QHash<QString, QString> lastXmlId;     // ODF list -> xml:id of its latest text:list
    QHash<QString, std::array<const QTextList *, 9>> seen; // first list of each level
    QSet<const QTextList *> started; // lists whose first item was written
    bool scanned = false;            // `seen` holds the whole document's lists
    int tableDepth = 0;
    int cellWidth = 0; // twips a nested table may take; 0 the page's

    // the paragraph being written
    bool lastSpace = true;
    // Kept OpenDocument XML was written: the visible text the reader put
    // after it (characters with OpaqueText that are no pieces) is left out,
    // in the paragraphs that follow too.
    bool skipKept = false;
    QHash<int, QString> textStyles; // by character format index
};

class Writer {
public:
    explicit Writer(const QTextDocument &doc);
    QByteArray run();

    // body (writer.cpp)
    void writeFrame(Walk &w, const QTextFrame *frame);
    void writeBlock(Walk &w, const QTextBlock &block);
    void writeText(Walk &w, QStringView text);
    void writeSubDocument(Walk &parent, const QString &rtf, StylePool &pool, QXmlStreamWriter &x, bool inNote,
                          const QString &baseStyle);

    // styles (writestyles.cpp)
    QString fontName(const QString &family);
    QString textStyle(Walk &w, const QTextCharFormat &f, bool hidden = false);
    QString paragraphStyle(Walk &w, const QTextBlock &block, const QString &masterPage);
    QString commonParagraphStyle(const QTextBlockFormat &f) const;
    void writeTextProperties(QXmlStreamWriter &x, const QTextCharFormat &f, bool isDefault = false, bool hidden = false);
    void writeParagraphProperties(QXmlStreamWriter &x, const QTextBlockFormat &f, const QTextDocument &doc,
                                  const QTextList *list);
    void prepareCommonStyles();
    QByteArray commonStylesXml();
    QByteArray fontFacesXml() const;

    // pages and sections (writepages.cpp)
    void prepareMasterPages();
    QByteArray masterStylesXml() const;
    QByteArray pageLayoutsXml() const;

    // lists (writelists.cpp)
    void enterListItem(Walk &w, const QTextBlock &block);
    void closeLists(Walk &w);
    QString listStyle(Walk &w, const QString &key);

    // tables (writetables.cpp)
    void writeTable(Walk &w, const QTextTable *table);

    // notes, fields, links, pictures, kept pieces (writeinline.cpp)
    void writeParagraphContent(Walk &w, const QTextBlock &block);
    void writeNote(Walk &w, const QTextFragment &frag);
    void writePicture(Walk &w, const QTextImageFormat &f);
    bool writePiece(Walk &w, const QTextCharFormat &f);
    void writeHiddenText(Walk &w, const QTextCharFormat &f);
    bool writeKeptXml(Walk &w, const QString &xml);
    void writeComment(Walk &w, const QTextCharFormat &f);
    QByteArray manifestPictures() const;

    // meta.xml (writer.cpp)
    QByteArray metaXml() const;

    const QTextDocument &m_doc;
    StylePool m_content{QString()};
    StylePool m_styles{QStringLiteral("M")};
    QStringList m_fonts; // in order of first use
    QString m_defaultFamily;
    double m_defaultSize = 12;
    int m_documentLanguage = 1029;
    int m_noteCount = 0;
    int m_tableCount = 0;
    int m_listIdCount = 0;
    int m_frameCount = 0;

    // common paragraph styles, by the model's style number
    struct CommonStyle {
        QString name;
        QString display;
        bool character = false;
        int basedOn = -1;
        int next = -1;
        int outline = -1;
        QTextCharFormat chr;
        QTextBlockFormat block;
    };
    QMap<int, CommonStyle> m_common;

    // pictures: by their bytes, one file each
    struct PictureFile {
        QString path;
        QByteArray mimeType;
        QByteArray bytes;
    };
    std::vector<PictureFile> m_pictures;
    QHash<QByteArray, int> m_pictureIndex;

    // master pages: "Standard" for the first section; others by content
    struct MasterPage {
        QString name;
        QString layout;
        QByteArray xml; // the master page's children (headers, footers)
        QByteArray layoutXml;
    };
    std::vector<MasterPage> m_masters;
    QHash<int, QString> m_sectionMaster; // block number -> master page starting there
};

} // namespace odt::detail
