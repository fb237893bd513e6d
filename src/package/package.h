#pragma once

// Zip packages, as Word (.docx) and OpenDocument (.odt) documents are:
// reading their parts under limits that hostile archives cannot get past,
// and writing new packages. Built on libzip; no document model here.
//
// Limits (a part larger than these, or a package past them, is refused
// with model::ReadError, never read in part):
// - at most maxEntries entries;
// - one part inflates to at most maxPartSize bytes, and all parts read
//   from one package to at most maxTotalSize;
// - a part above ratioFloor bytes inflates to at most maxRatio times its
//   compressed size (real documents stay under 30 : 1; a zip bomb is 1000 : 1);
// - a part inflates to exactly the size its directory entry gives, and its
//   checksum matches;
// - the central directory must be consistent (entries that overlap or
//   point past the end are refused).

#include "model/readerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <list>
#include <memory>

namespace package {

inline constexpr qint64 maxEntries = 10000;
inline constexpr qint64 maxPartSize = 512ll * 1024 * 1024;
inline constexpr qint64 maxTotalSize = 1024ll * 1024 * 1024;
inline constexpr qint64 ratioFloor = 1024 * 1024;
inline constexpr qint64 maxRatio = 200;

// True when the data starts as a zip archive does ("PK\3\4").
bool isZip(QByteArrayView data);

// A zip package read from memory. The data must outlive the reader.
class ZipReader {
public:
    // Throws model::ReadError when the data is no zip archive, a damaged
    // one, or one past the limits above.
    explicit ZipReader(QByteArrayView data);
    ~ZipReader();
    ZipReader(const ZipReader &) = delete;
    ZipReader &operator=(const ZipReader &) = delete;

    // The names of the entries, as stored ("word/document.xml").
    QStringList names() const;
    bool contains(const QString &name) const;
    // The entry's inflated bytes. Throws model::ReadError for a missing
    // entry (when `required`), or one that breaks the limits; returns an
    // empty array for a missing entry that is not required.
    QByteArray read(const QString &name, bool required = true);

private:
    void index();

    struct Impl;
    std::unique_ptr<Impl> d;
};

// A new zip package built in memory.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Adds an entry. `compress` false stores it as it is, as OpenDocument
    // requires of its first entry, "mimetype". Entries keep their order.
    void add(const QString &name, const QByteArray &data, bool compress = true);
    // The archive's bytes. The writer is spent afterwards.
    QByteArray finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The part a relationship or link in part `from` points to: `target`
// resolved against `from`'s folder ("word/document.xml" + "media/a.png" =
// "word/media/a.png"; a leading "/" is the package's root). Empty when the
// target leaves the package (an external address, "../" past the root).
QString resolvePart(const QString &from, const QString &target);

// XML of a package's part, read with the checks that hostile parts need:
// a document type declaration or entity declarations are refused (never
// expanded), nesting deeper than maxDepth is refused, and malformed XML
// ends the reading with an error. Use step() instead of readNext(); it
// throws model::ReadError naming the part. The XML is handed to the parser
// in slices, so it never holds the whole part as text at once.
class XmlReader : public QXmlStreamReader {
public:
    static constexpr int maxDepth = 1000;

    XmlReader(const QByteArray &xml, const QString &partName);
    // The next token; EndDocument at the end. Throws on a check above.
    TokenType step();
    // The depth of the element just started (1 for the root).
    int depth() const { return m_depth; }
    // Skips the current element's content to its end element.
    void skip();
    // The text of the current element's content, every text node below it.
    QString collectText();

private:
    QByteArray m_xml;
    qsizetype m_fed = 0; // bytes of m_xml given to the parser so far
    QString m_part;
    int m_depth = 0;
};

} // namespace package
