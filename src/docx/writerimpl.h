#pragma once

// The Word writer's inner parts, shared by its units. Nothing outside
// src/docx includes it.
//
// The body is written first; while it is, the writer gathers what the
// other parts hold (lists, notes, comments, headers, pictures, links), so
// those parts are written after it, each from what was gathered, in the
// order it was first met: the same document gives the same bytes.

#include "docx.h"
#include "model/languagetags.h"

#include "model/lists.h"
#include "model/properties.h"
#include "model/styles.h"
#include "model/units.h"

#include <QBuffer>
#include <QByteArray>
#include <QHash>
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
#include <map>
#include <memory>
#include <vector>

namespace docx {
using namespace model;
}

namespace docx::detail {

// Namespaces of WordprocessingML and the packages around it.
inline constexpr char kNsW[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
inline constexpr char kNsR[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr char kRelBase[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// One part's XML. QXmlStreamWriter into a buffer of our own, so that kept
// XML can be put in as it is between the elements written.
class Xml {
public:
    Xml();
    QXmlStreamWriter w;

    void start(const QString &name) { w.writeStartElement(name); }
    void end() { w.writeEndElement(); }
    void attr(const QString &name, const QString &value) { w.writeAttribute(name, value); }
    // <name w:val="value"/>
    void val(const QString &name, const QString &value);
    void val(const QString &name, int value) { val(name, QString::number(value)); }
    void empty(const QString &name) { w.writeEmptyElement(name); }
    // XML that is known to be well formed, written as it is.
    void raw(const QByteArray &xml);
    // The declarations every part with WordprocessingML content makes, so
    // kept pieces that use any of the usual prefixes stay valid.
    void declareWordNamespaces();
    QByteArray finish();

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
};

// Text as XML 1.0 allows it: characters it has no place for are dropped.
QString xmlSafe(QStringView text);

// A relationship of one part.
struct Relationship {
    QString id;
    QString type; // after kRelBase
    QString target;
    bool external = false;
};

struct Relationships {
    std::vector<Relationship> list;
    QHash<QString, QString> byTarget; // type + ' ' + target -> id
    QString add(const QString &type, const QString &target, bool external);
    QByteArray xml() const;
};

// A part with body content besides the document: a header, a footer, the
// notes and the comments have relationships of their own.
struct PartContext {
    QString name; // "word/header1.xml"
    Relationships rels;
};

// A section: its words as RTF keeps them and its headers and footers.
struct Section {
    QStringList list;
    QByteArray xml; // its w:sectPr
};

class Writer {
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc) {}
    QByteArray run();

private:
    // The document's units are pixels at 96 dots per inch.
    static constexpr double kTwipsPerPixel = model::kTwipsPerPixel;
    static constexpr int kEmuPerPixel = 9525;

    // body (writer.cpp)
    void writeFrame(Xml &x, const QTextDocument &doc, const QTextFrame *frame);
    void writeChildFrame(Xml &x, const QTextDocument &doc, const QTextFrame *child);
    void writeBlock(Xml &x, const QTextDocument &doc, const QTextBlock &block);
    void writeRuns(Xml &x, const QTextDocument &doc, const QTextBlock &block);
    void writeText(Xml &x, const QTextCharFormat &f, QStringView text, const QString &style);
    void startRun(Xml &x, const QTextCharFormat &f, const QString &style);
    // The sub-document a note's or header's RTF holds, kept until the end.
    const QTextDocument &subDocument(const QString &rtf);

    // formats (writeformats.cpp)
    void writeRunProperties(Xml &x, const QTextCharFormat &f, const QString &paragraphStyle);
    void writeParagraphProperties(Xml &x, const QTextDocument &doc, const QTextBlock &block);
    void writeBlockFormat(Xml &x, const QTextBlockFormat &f, double listIndent, const QString &styleId,
                          int numId, int level, bool pageBreak, const QTextCharFormat *mark, const QByteArray &sectPr);
    QString familyOf(const QTextCharFormat &f) const;

    // styles (writestyles.cpp)
    void loadStyles();
    QString styleIdOf(const QTextBlockFormat &f) const;
    QString charStyleIdOf(const QTextCharFormat &f) const;
    QByteArray stylesXml();
    struct StyleInfo : model::Style {
        QString id;
    };
    std::vector<StyleInfo> m_styles;
    QHash<int, size_t> m_styleByNumber;     // paragraph styles
    QHash<int, size_t> m_charStyleByNumber; // character styles
    QHash<QString, size_t> m_styleById;
    QString m_defaultFamily;
    double m_defaultSize = 12;
    int m_documentLanguage = 1029;

    // lists (writenumbering.cpp)
    struct ListRef {
        int numId = 0; // 0: in no list
        int level = 0;
    };
    ListRef listOf(const QTextBlock &block);
    QByteArray numberingXml() const;
    struct WordList {
        std::array<const QTextList *, 9> levels{};
    };
    std::vector<WordList> m_lists;
    QHash<const QTextList *, int> m_listIndex; // -> numId
    QHash<int, int> m_listGroups;             // ListGroup -> numId
    bool m_hasLists = false;

    // tables (writetables.cpp)
    void writeTable(Xml &x, const QTextDocument &doc, const QTextTable *table);
    void writeCell(Xml &x, const QTextDocument &doc, const QTextTableCell &cell);
    int m_tableLevel = 0;
    int m_cellWidth = 0; // twips a nested table may take; 0 the page's

    // notes, comments, headers and sections (writenotes.cpp)
    bool writeNoteMark(Xml &x, const QTextCharFormat &f, QStringView text);
    bool writeSelfMark(Xml &x, const QTextCharFormat &f);
    void writeComment(Xml &x, const QTextCharFormat &f);
    QByteArray notesXml(bool endnotes);
    QByteArray commentsXml();
    void prepareSections();
    QByteArray sectionXml(const QStringList &section, bool first);
    QByteArray headerXml(const QString &rtf, bool footer, const QString &partName);
    struct Note {
        int id;
        const QTextDocument *doc;
        bool custom;
    };
    std::vector<Note> m_notes[2]; // footnotes, endnotes
    int m_noteKind = -1;          // of the note being written; -1 none
    struct Comment {
        QString author, initials, date, text;
    };
    std::vector<Comment> m_comments;
    struct HeaderPart {
        QString rtf;
        bool footer;
        QString part; // "header1.xml"
        QByteArray xml;
    };
    std::vector<HeaderPart> m_headers;
    QHash<QString, size_t> m_headerByContent;
    int m_headerCount = 0, m_footerCount = 0;
    bool m_evenHeaders = false;
    QString m_noteWords;

    // fields, links, bookmarks and kept pieces (writefields.cpp)
    void switchField(Xml &x, const QTextCharFormat &f);
    void closeField(Xml &x);
    void startField(Xml &x, const QString &instruction);
    void writeEmptyField(Xml &x, const QString &instruction);
    bool fieldGoesOn(const QTextBlock &block) const;
    void switchLink(Xml &x, const QString &href);
    void closeLink(Xml &x);
    bool writePiece(Xml &x, const QTextCharFormat &f);
    void closeBookmarks(Xml &x);
    int m_fieldId = 0;    // the field open, 0 none
    bool m_fieldOpen = false;
    QString m_link;       // the link open, empty none
    std::map<QString, int> m_bookmarks; // open, by name
    int m_nextBookmark = 0;
    bool m_skipKeptText = false;
    bool m_hidden = false; // the run being written is hidden text
    QString m_markStyle;   // the character style of the note mark being written // the text after a kept Word piece is its shown text

    // pictures (writepictures.cpp)
    void writePicture(Xml &x, const QTextDocument &doc, const QTextImageFormat &f);
    struct Media {
        QString name; // "image1.png"
        QByteArray bytes;
    };
    std::vector<Media> m_media;
    QHash<QByteArray, int> m_mediaByHash;
    int m_nextDrawing = 1;

    // parts (writeparts.cpp)
    QByteArray contentTypesXml() const;
    QByteArray settingsXml() const;
    QByteArray coreXml() const;
    QByteArray appXml() const;

    const QTextDocument &m_doc;
    PartContext m_main;
    PartContext *m_part = &m_main; // the part being written
    std::vector<std::unique_ptr<PartContext>> m_parts;
    std::vector<std::unique_ptr<QTextDocument>> m_subDocs;
    QHash<QString, const QTextDocument *> m_subDocByRtf;
    std::vector<Section> m_sections;
    QHash<int, size_t> m_sectionEnds; // block that starts a section -> the section before it
    QByteArray m_bodySectPr;
};

// RTF text (escapes and all) as the text it is, read by the RTF reader
// (writenotes.cpp).
QString rtfText(const QString &s, bool trimmed = true);

} // namespace docx::detail
