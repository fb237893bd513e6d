// libFuzzer target: the editing area's whole load path. Any file loads as
// the editor loads it; its RTF and plain text are written, the RTF is read
// again, and the text, the bytes of every picture, every note (its mark,
// kind and text), every section with its headers and footers and every
// opaque piece (bookmarks, comments, fields, objects, shapes, hidden text)
// must come back exactly, and what is saved has balanced groups. A save is
// a fixed point: saving the reloaded document gives the same bytes.

#include "guiapp.h"
#include "model/docprops.h"
#include "model/notes.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "model/tables.h"
#include "rtf/rtf.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The bytes of the document's pictures, in order. Pictures without bytes
// have nothing to write and are left out.
QList<QByteArray> pictureBytes(const QTextDocument &doc)
{
    QList<QByteArray> found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isImageFormat())
                continue;
            const QByteArray bytes = model::picture(doc, f.charFormat().toImageFormat()).bytes;
            if (bytes.isEmpty())
                continue;
            for (const QChar c : f.text()) {
                if (c == QChar::ObjectReplacementCharacter)
                    found << bytes;
            }
        }
    }
    return found;
}

// The notes of the document in order: mark, kind and text.
QStringList notes(const QTextDocument &doc)
{
    QStringList marks, rest;
    int last = -1;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!model::isNoteMark(f))
                continue;
            if (f.intProperty(model::NoteId) == last && !marks.isEmpty()) {
                marks.last() += it.fragment().text();
                continue;
            }
            last = f.intProperty(model::NoteId);
            marks << it.fragment().text();
            rest << QString::number(f.intProperty(model::NoteKind)) + u'|' + model::noteToolTip(f);
        }
    }
    for (qsizetype i = 0; i < marks.size(); ++i)
        marks[i] += u'|' + rest[i];
    return marks;
}

// The opaque pieces in order, as RTF; a field or object whose result
// shows as its RTF and the result's text.
QStringList pieces(const QTextDocument &doc)
{
    QStringList found;
    int lastWrap = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const int wrap = f.intProperty(model::WrapId);
            if (wrap != 0 && f.hasProperty(model::WrapRtf)) {
                if (wrap != lastWrap)
                    found << QStringLiteral("wrap:") + f.stringProperty(model::WrapRtf);
                found.last() += it.fragment().text().remove(QChar::ObjectReplacementCharacter); // pictures: checked above
            }
            lastWrap = wrap;
            // Text that took a piece's format (typed or put next to it) is
            // saved as the text it is: only the piece's characters count,
            // each on its own, however Qt joins them into fragments.
            const qsizetype objects = it.fragment().text().count(QChar::ObjectReplacementCharacter);
            for (qsizetype i = 0; f.hasProperty(model::OpaqueRtf) && i < objects; ++i)
                found << f.stringProperty(model::OpaqueRtf);
        }
    }
    return found;
}

// Groups balanced, whatever the input's were.
bool balanced(const QByteArray &rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

// Each section's words and its headers' and footers' kinds and text. A
// list's labels count as text: a header's lists are saved as their labels.
QStringList sections(const QTextDocument &doc)
{
    auto describe = [](const QStringList &section) {
        QString out = section.value(0);
        for (qsizetype i = 1; i + 1 < section.size(); i += 2) {
            QTextDocument piece;
            rtf::read(section[i + 1].toLatin1(), piece);
            out += u'|' + section[i] + u':' + QString::fromUtf8(model::plainText(piece));
        }
        return out;
    };
    QStringList found{describe(doc.rootFrame()->frameFormat().property(model::DocFirstSection).toStringList())};
    // Counted without the empty cells the reader adds to fill a short row,
    // which a save does not write.
    int fillers = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (model::inEmptyFiller(b)) {
            ++fillers;
            continue;
        }
        if (b.blockFormat().hasProperty(model::SectionStart))
            found << QString::number(b.blockNumber() - fillers) + u'@'
                    + describe(b.blockFormat().property(model::SectionStart).toStringList());
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    try {
        // RTF or plain text, as the editing area loads any file.
        rtf::read(bytes, doc);
    } catch (const rtf::Error &) {
        return 0;
    }
    const QByteArray saved = rtf::write(doc);
    const QByteArray text = model::plainText(doc);
    if (!balanced(saved)) {
        std::fprintf(stderr, "unbalanced groups in what was saved\n");
        std::abort();
    }

    // What the editor saves must open again: an error here escapes and is a finding.
    QTextDocument again;
    rtf::read(saved, again);
    if (model::plainText(again) != text) {
        std::fprintf(stderr, "text changed in a save and reload\n");
        std::abort();
    }
    if (pictureBytes(again) != pictureBytes(doc)) {
        std::fprintf(stderr, "pictures changed in a save and reload\n");
        std::abort();
    }
    if (notes(again) != notes(doc)) {
        std::fprintf(stderr, "notes changed in a save and reload\n");
        std::abort();
    }
    if (sections(again) != sections(doc)) {
        std::fprintf(stderr, "sections, headers or footers changed in a save and reload\n");
        std::abort();
    }
    if (pieces(again) != pieces(doc)) {
        std::fprintf(stderr, "opaque pieces changed in a save and reload\n");
        std::abort();
    }
    const QByteArray second = rtf::write(again);
    if (second != saved) {
        // Where the two saves part, so that the finding can be read from the log.
        qsizetype at = 0;
        while (at < saved.size() && at < second.size() && saved[at] == second[at])
            ++at;
        const qsizetype from = std::max<qsizetype>(0, at - 160);
        const auto around = [from](QByteArray rtf) { return rtf.mid(from, 320).replace("\r\n", " "); };
        std::fprintf(stderr, "a second save differs from the first at byte %lld\nfirst:  %s\nsecond: %s\n",
                     static_cast<long long>(at), around(saved).constData(), around(second).constData());
        std::abort();
    }
    return 0;
}
