// Writing the document properties the editor does not show (see
// docprops.h): \info, page setup, sections with their headers and footers.

#include "writerimpl.h"

#include "model/docprops.h"

#include <QFont>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextFrame>

namespace rtf::detail {

namespace {

// Only what the reader stores: control words with numbers. A value from
// anywhere else is not written, so it cannot break the file.
bool wordsOnly(const QString &words)
{
    static const QRegularExpression re(QStringLiteral("^(\\\\[a-z]{1,32}-?\\d{0,10})*$"));
    return re.match(words).hasMatch();
}

bool isHeaderName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^(header|footer)[lrf]?$"));
    return re.match(name).hasMatch();
}

} // namespace

void Writer::prepareSections()
{
    auto prepare = [this](const QStringList &section) {
        for (qsizetype i = 2; i < section.size(); i += 2) {
            const QString &rtf = section[i];
            if (m_pieceIndex.contains(rtf))
                continue;
            Note piece;
            piece.doc = std::make_unique<QTextDocument>();
            piece.doc->setUndoRedoEnabled(false);
            try {
                rtf::read(rtf.toLatin1(), *piece.doc);
            } catch (const Error &) {
                piece.doc->clear();
            }
            piece.writer.reset(new Writer(*piece.doc, this));
            piece.writer->m_defaultFamily = m_defaultFamily;
            piece.writer->m_defaultSize = m_defaultSize;
            piece.writer->collectCodes();
            // A mark in a header carries the document's numbering words as
            // the body's marks do: the body may have none.
            if (m_noteWords.isEmpty())
                m_noteWords = piece.writer->m_noteWords;
            m_pieceIndex.insert(rtf, m_pieces.size());
            m_pieces.push_back(std::move(piece));
        }
    };
    prepare(m_doc.rootFrame()->frameFormat().property(DocFirstSection).toStringList());
    for (QTextBlock b = m_doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().hasProperty(SectionStart))
            prepare(b.blockFormat().property(SectionStart).toStringList());
    }
}

void Writer::writeSection(QByteArray &out, const QStringList &section)
{
    if (!section.isEmpty() && section.size() % 2 == 1) {
        if (wordsOnly(section[0]))
            out += section[0].toLatin1();
        for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
            const auto it = m_pieceIndex.constFind(section[i + 1]);
            if (!isHeaderName(section[i]) || it == m_pieceIndex.cend())
                continue;
            out += "{\\" + section[i].toLatin1() + ' ';
            Writer &w = *m_pieces[*it].writer;
            w.writeFrame(out, w.m_doc.rootFrame());
            out += "}";
        }
    }
    out += "\r\n";
}

void Writer::loadStyles()
{
    for (const QVariant &v : m_doc.rootFrame()->frameFormat().property(DocStyles).toList()) {
        const QVariantMap m = v.toMap();
        const int number = m.value(QStringLiteral("number")).toInt();
        if (m.value(QStringLiteral("character")).toBool())
            m_charStyles.insert(number, m.value(QStringLiteral("char")).value<QTextCharFormat>());
        else
            m_parStyles.insert(number, m.value(QStringLiteral("block")).value<QTextBlockFormat>());
    }
}

// \sN, and the words that undo what the style sets and the paragraph does
// not (a reader applies the style first).
QByteArray Writer::paragraphStyleCode(const QTextBlockFormat &f) const
{
    QByteArray code = "\\s" + QByteArray::number(std::clamp(f.intProperty(StyleNumber), 0, 0x7FFF));
    const auto it = m_parStyles.constFind(f.intProperty(StyleNumber));
    if (it == m_parStyles.cend())
        return code;
    const QTextBlockFormat &s = *it;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if ((s.alignment() & Qt::AlignHorizontal_Mask) != a && !(a & (Qt::AlignHCenter | Qt::AlignJustify | Qt::AlignRight)))
        code += "\\ql";
    auto reset = [&](int property, const char *word) {
        if (s.hasProperty(property) && s.doubleProperty(property) != 0 && !f.hasProperty(property))
            code += word;
    };
    reset(QTextFormat::BlockLeftMargin, "\\li0");
    reset(QTextFormat::BlockRightMargin, "\\ri0");
    reset(QTextFormat::TextIndent, "\\fi0");
    reset(QTextFormat::BlockTopMargin, "\\sb0");
    reset(QTextFormat::BlockBottomMargin, "\\sa0");
    if (s.hasProperty(QTextFormat::LineHeight) && !f.hasProperty(QTextFormat::LineHeight))
        code += "\\sl0\\slmult0";
    return code;
}

// What a character style sets and the run does not, undone.
QByteArray Writer::charStyleResets(const QTextCharFormat &f) const
{
    const auto it = m_charStyles.constFind(f.intProperty(CharStyleNumber));
    if (it == m_charStyles.cend())
        return {};
    const QTextCharFormat &s = *it;
    QByteArray code;
    if (s.fontWeight() >= QFont::DemiBold && f.fontWeight() < QFont::DemiBold)
        code += "\\b0";
    if (s.fontItalic() && !f.fontItalic())
        code += "\\i0";
    if (s.underlineStyle() != QTextCharFormat::NoUnderline && f.underlineStyle() == QTextCharFormat::NoUnderline
        && !f.fontUnderline())
        code += "\\ulnone";
    if (s.fontStrikeOut() && !f.fontStrikeOut())
        code += "\\strike0";
    if (s.fontCapitalization() != QFont::MixedCase && f.fontCapitalization() == QFont::MixedCase)
        code += "\\caps0\\scaps0";
    if (s.verticalAlignment() != QTextCharFormat::AlignNormal && f.verticalAlignment() == QTextCharFormat::AlignNormal)
        code += "\\nosupersub";
    if (s.hasProperty(QTextFormat::ForegroundBrush) && !f.hasProperty(QTextFormat::ForegroundBrush))
        code += "\\cf0";
    if (s.hasProperty(QTextFormat::BackgroundBrush) && !f.hasProperty(QTextFormat::BackgroundBrush))
        code += "\\chcbpat0\\highlight0";
    return code;
}

// The style sheet, each style with its formatting as this writer writes
// it and its name.
void Writer::prepareStyles()
{
    const QVariantList sheet = m_doc.rootFrame()->frameFormat().property(DocStyles).toList();
    if (sheet.isEmpty())
        return;
    QByteArray out = "{\\stylesheet";
    for (const QVariant &v : sheet) {
        const QVariantMap m = v.toMap();
        const int number = std::clamp(m.value(QStringLiteral("number")).toInt(), 0, 0x7FFF);
        const bool character = m.value(QStringLiteral("character")).toBool();
        QByteArray chr = charCode(m.value(QStringLiteral("char")).value<QTextCharFormat>());
        chr = chr.mid(6).trimmed(); // without \plain and the space
        QByteArray entry = character ? "{\\*\\cs" + QByteArray::number(number) + "\\additive"
                                     : "{\\s" + QByteArray::number(number);
        if (!character)
            entry += blockCode(m.value(QStringLiteral("block")).value<QTextBlockFormat>()).mid(5);
        entry += chr;
        const int basedOn = m.value(QStringLiteral("basedOn"), -1).toInt();
        if (basedOn >= 0)
            entry += "\\sbasedon" + QByteArray::number(std::min(basedOn, 0x7FFF));
        const int next = m.value(QStringLiteral("next"), -1).toInt();
        if (next >= 0 && !character)
            entry += "\\snext" + QByteArray::number(std::min(next, 0x7FFF));
        const int outline = m.value(QStringLiteral("outline"), -1).toInt();
        if (outline >= 0 && outline <= 9 && !character)
            entry += "\\outlinelevel" + QByteArray::number(outline);
        entry += ' ';
        QString name = m.value(QStringLiteral("name")).toString();
        name.remove(u';');
        appendEscaped(entry, name);
        entry += ";}";
        out += entry;
    }
    out += "}\r\n";
    m_styleSheet = out;
}

void Writer::writeDocumentProperties(QByteArray &out)
{
    const QTextFrameFormat root = m_doc.rootFrame()->frameFormat();
    const QString info = root.stringProperty(DocInfo);
    if (!info.isEmpty()) {
        // Ours, so balanced; checked all the same, as it is written verbatim.
        int depth = 0;
        bool ok = info.startsWith(u'{');
        for (qsizetype i = 0; ok && i < info.size(); ++i) {
            const QChar c = info[i];
            if (c == u'\\') {
                ++i;
                continue;
            }
            depth += c == u'{' ? 1 : c == u'}' ? -1 : 0;
            ok = depth >= 0 && c.unicode() < 0x80;
        }
        if (ok && depth == 0)
            out += "{\\info" + info.toLatin1() + "}\r\n";
    } else if (const QString title = m_doc.metaInformation(QTextDocument::DocumentTitle).trimmed(); !title.isEmpty()) {
        // A document from a web page or pasted in whole: its title.
        out += "{\\info{\\title ";
        appendEscaped(out, title);
        out += "}}\r\n";
    }
    const QString page = root.stringProperty(DocPageWords);
    if (wordsOnly(page) && !page.isEmpty())
        out += page.toLatin1() + "\r\n";
    const QStringList first = root.property(DocFirstSection).toStringList();
    out += "\\sectd";
    writeSection(out, first);
}

} // namespace rtf::detail
