// The RTF writer: linear in the document. A first pass over the fragments
// builds the formatting code of every character format in use, once; the
// second writes the text into one buffer, so a run costs a copy of its
// code, not a format lookup.
//
// This unit drives the writing: the file's header, then the body's frames
// and paragraphs, each concern written by the unit of its own.

#include "writerimpl.h"

#include "rtf/codepages.h"
#include "model/docprops.h"
#include "model/language.h"
#include "model/lists.h"
#include "model/pictures.h"
#include "model/tables.h"

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace rtf {
namespace detail {
namespace {

// A character code that raises or lowers the text.
bool isShifted(const QByteArray &code)
{
    return code.contains("\\super") || code.contains("\\sub");
}

// A note's or header's lists are not in the body's list table, so readers
// get each item's label as text before the item's own. The document is
// given that text here, and each item keeps its indent as its paragraph's:
// what a save writes then reads back as itself.
void labelsAsText(QTextDocument &doc)
{
    struct Item {
        int position;
        QString label;
        QTextCharFormat format;
        ParagraphIndent indent;
    };
    std::vector<Item> items;
    ListNumbering numbering;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextList *list = b.textList();
        if (!list)
            continue;
        QString label = numbering.label(b);
        label.removeIf([](QChar c) { return c.unicode() < 0x20; });
        const QTextBlock::iterator first = b.begin();
        // The format of the item's first character, as its code reads back:
        // not a note's mark, a picture, a kept piece or a link.
        QTextCharFormat format = first.atEnd() ? b.charFormat() : first.fragment().charFormat();
        for (int p = NoteId; p <= NoteNumberingWords; ++p)
            format.clearProperty(p);
        for (const int p : {int(OpaqueRtf), int(OpaqueText), int(WrapRtf), int(WrapId), int(OpaqueWordXml),
                            int(OpaqueOdfXml), int(CommentAuthor), int(CommentInitials), int(CommentDate),
                            int(FieldInstruction), int(BookmarkStart), int(BookmarkEnd), int(QTextFormat::ObjectType),
                            int(QTextFormat::ImageName), int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight),
                            int(QTextFormat::IsAnchor), int(QTextFormat::AnchorHref), int(QTextFormat::AnchorName)})
            format.clearProperty(p);
        for (int p = PictureGoalWidth; p <= PictureShownHeight; ++p)
            format.clearProperty(p);
        const double listIndent = std::max(0, list->format().indent()) * doc.indentWidth();
        items.push_back({b.position(), label + u'\t', format, paragraphIndent(b.blockFormat(), doc, listIndent)});
    }
    // From the end: a label put in moves the positions after it.
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        QTextCursor c(&doc);
        c.setPosition(it->position);
        QTextBlockFormat f = c.blockFormat();
        f.setObjectIndex(-1);
        f.setIndent(0);
        f.setLeftMargin(it->indent.left);
        f.setTextIndent(it->indent.firstLine);
        c.setBlockFormat(f);
        c.insertText(it->label, it->format);
    }
}

bool onlyObjects(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QChar::ObjectReplacementCharacter; });
}

bool lostPicture(const QTextDocument &doc, const QTextCharFormat &f)
{
    return f.isImageFormat() && pictureOf(doc, f.toImageFormat()).bytes.isEmpty();
}

// The result (WrapId) of the text nearest before or after the fragment,
// across paragraph ends; 0 for none.
int neighbourWrap(const QTextDocument &doc, const QTextFragment &frag, bool after)
{
    QTextBlock block = doc.findBlock(frag.position());
    QTextFragment near;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().position() == frag.position()) {
            if (after && !(++it).atEnd())
                return it.fragment().charFormat().intProperty(WrapId);
            break;
        }
        near = it.fragment();
    }
    if (!after && near.isValid())
        return near.charFormat().intProperty(WrapId);
    do
        block = after ? block.next() : block.previous();
    while (block.isValid() && block.begin() == block.end());
    if (!block.isValid())
        return 0;
    if (after)
        return block.begin().fragment().charFormat().intProperty(WrapId);
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
        near = it.fragment();
    return near.charFormat().intProperty(WrapId);
}

// The only content of a field's or object's result.
bool aloneInResult(const QTextDocument &doc, const QTextFragment &frag)
{
    const int wrap = frag.charFormat().intProperty(WrapId);
    return wrap != 0 && neighbourWrap(doc, frag, false) != wrap && neighbourWrap(doc, frag, true) != wrap;
}

// The first of pictures without data that are all a result holds: a
// reload reads the one written for them as the result's only content.
bool firstOfLostResult(const QTextDocument &doc, const QTextFragment &frag)
{
    const int wrap = frag.charFormat().intProperty(WrapId);
    if (wrap == 0 || neighbourWrap(doc, frag, false) == wrap)
        return false;
    QTextFragment last = frag;
    const QTextBlock block = doc.findBlock(frag.position());
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (f.position() <= frag.position())
            continue;
        if (f.charFormat().intProperty(WrapId) != wrap)
            break;
        if (!onlyObjects(f.text()) || !lostPicture(doc, f.charFormat()))
            return false;
        last = f;
    }
    return neighbourWrap(doc, last, true) != wrap;
}

// The character of a field or object that showed no result: a reload
// reads it in the format around the field, so that format goes before it.
// A picture without data there writes nothing and reads back as one.
bool standsForEmptyResult(const QTextDocument &doc, const QTextFragment &frag)
{
    const QTextCharFormat f = frag.charFormat();
    return onlyObjects(frag.text())
        && ((f.objectType() == PieceObject && !f.isImageFormat() && !isPiece(f) && aloneInResult(doc, frag))
            || (lostPicture(doc, f) && firstOfLostResult(doc, frag)));
}

} // namespace

// A reload would not have the picture, and would give the paragraph
// another end. In a field's or object's result it stands for the result
// when nothing else is there, and the result is written around it.
bool writesNothing(const QTextDocument &doc, const QTextFragment &frag)
{
    const QTextCharFormat f = frag.charFormat();
    return lostPicture(doc, f) && onlyObjects(frag.text()) && !firstOfLostResult(doc, frag);
}

QTextBlock::iterator firstWritten(const QTextDocument &doc, const QTextBlock &block)
{
    QTextBlock::iterator it = block.begin();
    while (!it.atEnd() && writesNothing(doc, it.fragment()))
        ++it;
    return it;
}

// Appends `text` escaped for RTF: code page 1250 as \'hh, the rest as \uN
// with a '?' for readers without Unicode.
void appendEscaped(QByteArray &out, QStringView text)
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80) {
            switch (c) {
            case '\\':
            case '{':
            case '}':
                out.append('\\');
                out.append(char(c));
                break;
            case '\t':
                out.append("\\tab ");
                break;
            case '\n': // never in a block, but a paragraph end if it were
                out.append("\\line ");
                break;
            default:
                if (c >= 0x20)
                    out.append(char(c));
                break; // other control characters have no place in RTF text
            }
            continue;
        }
        switch (c) {
        case QChar::LineSeparator:
            out.append("\\line ");
            continue;
        case QChar::ParagraphSeparator:
            out.append("\\line ");
            continue;
        case QChar::Nbsp:
            out.append("\\~");
            continue;
        case QChar::SoftHyphen:
            out.append("\\-");
            continue;
        case 0x2011: // non-breaking hyphen
            out.append("\\_");
            continue;
        case QChar::ObjectReplacementCharacter:
            continue; // images and other objects are not written
        case 0xFFFE:
        case 0xFFFF:
            continue; // non-characters, which a reader leaves out
        default:
            break;
        }
        if (const uchar b = toCp1250(c)) {
            appendHexEscape(out, b);
            continue;
        }
        // RTF's \u takes a signed 16-bit value; characters beyond the BMP
        // are written as their two surrogates, as word processors do.
        out.append("\\u");
        out.append(QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c)));
        out.append('?');
    }
}

QByteArray Writer::run()
{
    prepareFonts();
    m_documentLanguage = model::defaultLanguage(m_doc); // language
    loadStyles(); // styles
    collectCodes();
    prepareSections(); // document properties
    prepareStyles(); // styles

    QByteArray out;
    out.reserve(m_doc.characterCount() * 11 / 10 + 1024);
    // document properties: the file's default tab width and language
    const QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    const int defTab = root.intProperty(DocDefaultTab) > 0 ? root.intProperty(DocDefaultTab) : 720;
    const int defLang = m_documentLanguage; // language: as the runs' \lang take it
    out += "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deftab" + QByteArray::number(defTab);
    writeFontTable(out);
    writeColorTable(out);
    out += m_styleSheet; // styles
    writeListTables(out); // lists
    out += "\\deflang" + QByteArray::number(defLang) + "\\uc1\r\n";
    out += m_noteWords; // notes
    writeDocumentProperties(out);

    writeFrame(out, m_doc.rootFrame());
    closeWrap(out); // opaque pieces
    out += '}';
    return out;
}

void Writer::collectCodes()
{
    // One code per character format in use, built before the body so that
    // the font and colour tables are complete; fonts and colours are
    // numbered in the order the text first uses them.
    const QList<QTextFormat> formats = m_doc.allFormats();
    m_codes.assign(formats.size(), QByteArray());
    auto use = [&](int index) {
        if (index >= 0 && size_t(index) < m_codes.size() && m_codes[index].isEmpty() && formats[index].isCharFormat()) {
            m_codes[index] = charCode(formats[index].toCharFormat());
            prepareNote(index, formats[index].toCharFormat()); // notes
        }
    };
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        // Not written, so neither its font nor its list goes into the tables.
        if (model::inEmptyFiller(block))
            continue;
        bool empty = true;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (writesNothing(m_doc, it.fragment()))
                continue;
            use(it.fragment().charFormatIndex());
            empty = false;
        }
        if (empty && model::leadsTable(block))
            continue; // not written either
        if (empty)
            use(block.charFormatIndex());
        if (!m_parent) // lists: one list table, the body's
            collectList(block);
    }
    m_fallbackCode = charCode(QTextCharFormat());
    registerTableColors(); // tables
}

const QByteArray &Writer::codeOf(int index) const
{
    if (index < 0 || size_t(index) >= m_codes.size() || m_codes[index].isEmpty())
        return m_fallbackCode;
    return m_codes[index];
}

// notes and headers: a document of their own, written by a writer that
// shares this one's font and colour tables.
Writer::SubDocument Writer::subDocument(const QString &rtf, void (*prepare)(QTextDocument &))
{
    SubDocument sub;
    sub.doc = std::make_unique<QTextDocument>();
    sub.doc->setUndoRedoEnabled(false);
    try {
        rtf::read(rtf.toLatin1(), *sub.doc);
    } catch (const Error &) {
        sub.doc->clear(); // not written by us: an empty one rather than none
    }
    labelsAsText(*sub.doc);
    if (prepare)
        prepare(*sub.doc);
    sub.writer.reset(new Writer(*sub.doc, this));
    sub.writer->m_defaultFamily = m_defaultFamily;
    sub.writer->m_defaultSize = m_defaultSize;
    // The body's style sheet is the note's: what a style sets and the
    // note's paragraph does not is undone there too.
    sub.writer->m_parStyles = m_parStyles;
    sub.writer->m_charStyles = m_charStyles;
    sub.writer->collectCodes();
    return sub;
}

void Writer::writeFrame(QByteArray &out, const QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame())
            writeChildFrame(out, child);
        else if (!model::leadsTable(it.currentBlock())) // tables
            writeBlock(out, it.currentBlock());
    }
}

// A frame in a frame or a cell: a table, or more blocks and frames.
void Writer::writeChildFrame(QByteArray &out, const QTextFrame *child)
{
    if (const auto *table = qobject_cast<const QTextTable *>(child))
        writeTable(out, table);
    else
        writeFrame(out, child);
}

void Writer::writeBlock(QByteArray &out, const QTextBlock &block)
{
    if (m_wrapId != 0 && m_wrapNext != block.blockNumber()) // opaque pieces: a result ends with its paragraph
        closeWrap(out);
    const QByteArray parCode = startParagraph(out, block);
    Runs runs;
    bool empty = true;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid() || writesNothing(m_doc, frag))
            continue;
        writeRun(out, frag, block.blockNumber(), parCode, runs);
        empty = false;
    }
    closeLink(out, runs); // fields
    // opaque pieces: the paragraph's words would end with the result's group
    if (endWrapAtBlockEnd(out, block))
        out += parCode;
    // An empty paragraph keeps the format typing in it would use.
    // Raised or lowered, it stays so up to its end: nothing of it is
    // left for a reader to lose.
    if (empty)
        out += codeOf(block.charFormatIndex());
    else
        runs.endShift(out);
    if (m_cellEnd) { // tables
        out += m_tableLevel > 1 ? "\\nestcell\r\n" : "\\cell\r\n";
        m_sectionEnded = false;
        return;
    }
    // document properties: \sect ends a paragraph as \par does
    m_sectionEnded = m_tableLevel == 0 && block.next().isValid()
        && block.next().blockFormat().hasProperty(SectionStart);
    out += m_sectionEnded ? "\\sect\r\n" : "\\par\r\n";
}

// What comes before the paragraph's text: a page break, a section's start,
// the paragraph's words and its list label. Returns the words without the
// label, said again at the paragraph's end when a result that began in an
// earlier paragraph closes before it.
QByteArray Writer::startParagraph(QByteArray &out, const QTextBlock &block)
{
    // A page break before a paragraph (or after the one before it) is
    // RTF's \page between them.
    const auto breaks = [](const QTextBlock &b) { return b.isValid() ? b.blockFormat().pageBreakPolicy() : QTextFormat::PageBreak_Auto; };
    if (block != m_doc.begin() && m_tableLevel == 0 && !m_parent // tables, notes and headers: no page breaks there
        && ((breaks(block) & QTextFormat::PageBreak_AlwaysBefore)
            || (breaks(block.previous()) & QTextFormat::PageBreak_AlwaysAfter))) {
        out += "\\page\r\n";
    }
    // document properties: a section starts at a paragraph of the body
    if (m_tableLevel == 0)
        startSection(out, block);
    const qsizetype codeStart = out.size();
    if (block.blockFormat().hasProperty(StyleNumber)) // styles: \sN first, the words that override it after
        out += blockCode(block.blockFormat()).insert(5, paragraphStyleCode(block.blockFormat()));
    else
        out += blockCode(block.blockFormat());
    if (m_tableLevel > 0) // tables
        out += m_tableLevel > 1 ? "\\intbl\\itap" + QByteArray::number(m_tableLevel) : QByteArray("\\intbl");
    writeListText(out, block); // lists
    QByteArray parCode = out.sliced(codeStart);
    if (const qsizetype label = parCode.indexOf("{\\listtext"); label >= 0)
        parCode.truncate(label);
    return parCode;
}

// One fragment of the paragraph `blockNumber`: the field or object it is
// the result of, its link, its format's code where that changes, then its
// text, note or kept piece.
void Writer::writeRun(QByteArray &out, const QTextFragment &frag, int blockNumber, const QByteArray &parCode, Runs &runs)
{
    const QTextCharFormat cf = frag.charFormat();
    // Formats that differ only in what RTF does not keep share a code.
    const QByteArray &code = codeOf(frag.charFormatIndex());
    bool emptyResult = false;
    if (wrapChanges(cf)) { // opaque pieces: a field or object around its result
        closeLink(out, runs);
        runs.endShift(out);
        if (m_wrapOpen && m_wrapBlock != blockNumber) {
            closeWrap(out);
            out += parCode;
        }
        runs.code = nullptr;
        emptyResult = standsForEmptyResult(m_doc, frag);
        if (emptyResult) {
            closeWrap(out);
            out += code;
            runs.code = &code;
            runs.shifted = isShifted(code);
        }
        switchWrap(out, cf);
        m_wrapBlock = blockNumber;
    }
    // A result that shows nothing has no text for a link to be on: a link
    // around it would be read as none.
    switchLink(out, runs, cf.isAnchor() && !emptyResult ? cf.anchorHref() : QString()); // fields
    if (isNoteFragment(frag)) { // notes: the mark's group has its own format
        runs.endShift(out);
        writeNote(out, frag, code);
        runs.code = nullptr;
        return;
    }
    if (!runs.code || (runs.code != &code && *runs.code != code)) {
        runs.endShift(out);
        out += code;
        runs.code = &code;
        runs.shifted = isShifted(code);
    }
    if (isPiece(cf)) { // opaque pieces: written as kept
        writePieces(out, frag);
        return;
    }
    if (cf.isImageFormat()) {
        // Each object character is a picture; text Qt gave the
        // image's format is written as text.
        appendWithObjects(out, frag.text(), [&] { appendPicture(out, cf.toImageFormat()); });
    } else {
        appendEscaped(out, frag.text());
    }
}

} // namespace detail

QByteArray write(const QTextDocument &doc)
{
    return detail::Writer(doc).run();
}

} // namespace rtf
