#pragma once

// Benchmark documents: Czech magazine articles with mixed formatting, as
// RTF the way older Windows word processors write it (code page 1250,
// \fcharset238 fonts, \'hh escapes, \plain before every run, a line break
// in the file every couple of hundred bytes).

#include <QByteArray>
#include <QString>

namespace benchdoc {

struct Document {
    QByteArray rtf;
    // The text a reader must produce: paragraphs joined by "\n", U+00A0
    // for \~, "\n" for \line, "\t" for \tab; UTF-8, no final line end.
    QByteArray text;
    int paragraphs = 0;
    int runs = 0;
};

// At least `bytes` bytes of RTF (ends at the first article boundary past
// it). The same size and seed always give the same bytes.
Document magazine(qint64 bytes, quint32 seed = 1250);

// At least `bytes` bytes of articles made mostly of tables and lists; its
// `text` is empty.
Document tablesAndLists(qint64 bytes, quint32 seed = 1250);

// An article with `photos` camera photographs of `width` x `height` pixels
// as JPEG (quality 92, noise over gradients so they compress as photographs
// do: about 7 MB each at 4000 x 3000) in \pict\jpegblip groups of hex
// digits, with a few paragraphs of text before each and after the last.
// Its `text` is empty. The same arguments always give the same bytes.
Document photoArticle(int photos, int width = 4000, int height = 3000, quint32 seed = 1250);

// "10k", "1m", "50m" (binary units: 1k = 1024 bytes) or a plain number.
qint64 parseSize(const QString &text);
// 10240 -> "10 KB", 1048576 -> "1 MB".
QString sizeLabel(qint64 bytes);

} // namespace benchdoc
