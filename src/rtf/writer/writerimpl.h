#pragma once

// The RTF writer's inner parts, shared by its units. Nothing outside
// src/rtf includes it.

#include "rtf/rtf.h"
#include "model/lists.h"
#include "model/units.h"

#include <QColor>
#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

// The document model this format reads into and writes from.
namespace rtf {
using namespace model;
}

namespace rtf::detail {

// Sizes from the document, which pasted text or a file may have given any
// value: rounded without overflow.
using model::roundedInt;

// Appends `text` escaped for RTF, with `object()` written for each object
// character (a picture, a kept piece) in it.
template<typename WriteObject>
void appendWithObjects(QByteArray &out, QStringView text, WriteObject object);

// Appends `text` escaped for RTF: code page 1250 as \'hh, the rest as \uN
// with a '?' for readers without Unicode.
void appendEscaped(QByteArray &out, QStringView text);
// True for a kept piece's character (see properties.h): written as the
// piece, never as its text.
bool isPiece(const QTextCharFormat &f);
// A picture whose bytes are gone: nothing of it is written, not even its
// format.
bool writesNothing(const QTextDocument &doc, const QTextFragment &frag);
// The block's first fragment that writes something; atEnd() for none.
QTextBlock::iterator firstWritten(const QTextDocument &doc, const QTextBlock &block);

inline constexpr char kHexDigits[] = "0123456789abcdef";

// Appends the byte `b` as RTF's \'hh.
inline void appendHexEscape(QByteArray &out, uchar b)
{
    const char esc[4] = {'\\', '\'', kHexDigits[b >> 4], kHexDigits[b & 15]};
    out.append(esc, 4);
}

// What the runs written so far in a paragraph left open.
struct Runs {
    const QByteArray *code = nullptr; // the character code in force; none after a group ended
    bool shifted = false;             // that code raises or lowers the text
    QString link;                     // the target of the hyperlink field open, empty none

    // LibreOffice loses the rest of the paragraph when a \super or \sub run
    // ends with \plain or \par; an explicit \nosupersub first reads right
    // everywhere.
    void endShift(QByteArray &out)
    {
        if (shifted) {
            out += "\\nosupersub";
            shifted = false;
        }
    }
};

// fields (writefields.cpp): a hyperlink's text is the result of a
// HYPERLINK field. switchLink ends the link open if `href` is another and
// opens the one to `href` (none when empty); closeLink ends the one open.
void switchLink(QByteArray &out, Runs &runs, const QString &href);
void closeLink(QByteArray &out, Runs &runs);

class Writer {
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc) {}
    QByteArray run();

private:
    // The document's units are pixels at 96 dots per inch.
    static constexpr double kTwipsPerPixel = model::kTwipsPerPixel;

    // The body (writer.cpp): a frame's blocks and child frames in document
    // order, each paragraph's runs after its words.
    void collectCodes();
    const QByteArray &codeOf(int formatIndex) const;
    void writeFrame(QByteArray &out, const QTextFrame *frame);
    void writeChildFrame(QByteArray &out, const QTextFrame *child);
    void writeBlock(QByteArray &out, const QTextBlock &block);
    QByteArray startParagraph(QByteArray &out, const QTextBlock &block);
    void writeRun(QByteArray &out, const QTextFragment &frag, int blockNumber, const QByteArray &parCode, Runs &runs);

    // formats (writeformats.cpp)
    void prepareFonts();
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);
    void writeFontTable(QByteArray &out) const;
    void writeColorTable(QByteArray &out) const;
    QByteArray charCode(const QTextCharFormat &f);
    QByteArray blockCode(const QTextBlockFormat &f) const;

    // pictures (writepictures.cpp)
    void appendPicture(QByteArray &out, const QTextImageFormat &f) const;

    // tables (writetables.cpp)
    void writeTable(QByteArray &out, const QTextTable *table);
    void registerTableColors();
    QByteArray rowCode(const QTextTable *table, int row, const std::vector<int> &edges, const std::vector<char> &used,
                       int left, int gap);
    QByteArray cellCode(const QTextTableCellFormat &f, const QTextTableFormat &table);
    void writeCell(QByteArray &out, const QTextTableCell &cell, int width);

    const QTextDocument &m_doc;
    QString m_defaultFamily;
    double m_defaultSize = 12;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    std::vector<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
    std::vector<QByteArray> m_codes; // by character format index
    QByteArray m_fallbackCode;

    // tables
    int m_tableLevel = 0;   // of the paragraphs being written; 0 outside tables
    bool m_cellEnd = false; // the paragraph being written ends its cell
    int m_cellWidth = 0;    // twips a nested table may take; 0 the page's
    // lists (writelists.cpp): each QTextList is one RTF list, \ls its
    // index plus one
    void collectList(const QTextBlock &block);
    void writeListTables(QByteArray &out);
    void writeListText(QByteArray &out, const QTextBlock &block);
    double listIndentOf(const QTextBlockFormat &f) const;
    struct RtfList {
        std::array<const QTextList *, 9> levels{}; // the first list of each level
    };
    std::vector<RtfList> m_lists;
    QHash<const QTextList *, int> m_listIndex; // \ls
    QHash<int, int> m_listGroups;               // ListGroup -> index in m_lists
    ListNumbering m_numbering;

    // Notes and headers: each has a document of its own, written by a
    // writer of its own that shares this one's font and colour tables.
    struct SubDocument {
        std::unique_ptr<QTextDocument> doc;
        std::unique_ptr<Writer> writer;
    };
    Writer(const QTextDocument &doc, Writer *parent) : m_doc(doc), m_parent(parent) {}
    // `prepare` changes the document read before its codes are collected.
    SubDocument subDocument(const QString &rtf, void (*prepare)(QTextDocument &) = nullptr);
    Writer *m_parent = nullptr;

    // notes (writenotes.cpp)
    void prepareNote(int formatIndex, const QTextCharFormat &f);
    // The mark and the note of a fragment; false when it is no note's.
    bool isNoteFragment(const QTextFragment &frag) const;
    void writeNote(QByteArray &out, const QTextFragment &frag, const QByteArray &code);
    QByteArray m_noteWords; // how notes are numbered, for the header
    std::unordered_map<int, SubDocument> m_notes; // by format index

    // document properties (writedocprops.cpp)
    void prepareSections();
    void writeDocumentProperties(QByteArray &out);
    void writeSection(QByteArray &out, const QStringList &section);
    void startSection(QByteArray &out, const QTextBlock &block);
    std::vector<SubDocument> m_pieces;   // headers and footers
    QHash<QString, size_t> m_pieceIndex; // by their RTF
    bool m_sectionEnded = false;         // the last paragraph ended with \sect

    // styles (writestyles.cpp)
    void loadStyles();
    void prepareStyles();
    QByteArray paragraphStyleCode(const QTextBlockFormat &f) const;
    QByteArray charStyleResets(const QTextCharFormat &f) const;
    QByteArray m_styleSheet;
    QHash<int, QTextBlockFormat> m_parStyles;
    QHash<int, QTextCharFormat> m_charStyles;

    // language: the \deflang, which runs in it do not repeat
    int documentLanguage() const { return m_parent ? m_parent->documentLanguage() : m_documentLanguage; }
    int m_documentLanguage = 1029;
    // opaque pieces (writeopaque.cpp)
    void writePieces(QByteArray &out, const QTextFragment &frag) const;
    bool wrapChanges(const QTextCharFormat &f) const;
    void switchWrap(QByteArray &out, const QTextCharFormat &f);
    bool endWrapAtBlockEnd(QByteArray &out, const QTextBlock &block);
    void closeWrap(QByteArray &out);
    QString m_wrap;   // the field or object open around the text written, empty none
    int m_wrapId = 0;
    int m_wrapNext = -1; // the block it goes on into
    int m_wrapBlock = -1; // the block it began in
    bool m_wrapOpen = false; // its RTF was written (and was sound)
};

template<typename WriteObject>
void appendWithObjects(QByteArray &out, QStringView text, WriteObject object)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QChar::ObjectReplacementCharacter)
            continue;
        appendEscaped(out, text.sliced(start, i - start));
        if (i < text.size())
            object();
        start = i + 1;
    }
}

} // namespace rtf::detail
