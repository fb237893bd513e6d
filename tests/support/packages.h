#pragma once

// Packages for tests of the Word and OpenDocument formats: a folder of
// readable XML files (tests/<format>/data/<name>/) zipped at run time, so
// fixtures stay reviewable text. Entries are added in name order, except
// that "mimetype" goes first and stored, as OpenDocument wants it.

#include "package/package.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

namespace testpackages {

// The files below `folder` (hidden ones such as "_rels/.rels" too) as a zip
// package, named by their paths relative to it. Empty when the folder has
// no files.
inline QByteArray zipFolder(const QString &folder)
{
    const QDir root(folder);
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << root.relativeFilePath(it.next());
    if (names.isEmpty())
        return {};
    names.sort();
    if (names.removeOne(QStringLiteral("mimetype")))
        names.prepend(QStringLiteral("mimetype"));
    package::ZipWriter zip;
    for (const QString &name : names) {
        QFile f(root.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        zip.add(name, f.readAll(), name != u"mimetype");
    }
    return zip.finish();
}

// A package of the given entries, in the order given; `compress` false
// stores them as they are (large repetitive parts would compress past the
// reader's ratio limit).
inline QByteArray zipEntries(const QList<QPair<QString, QByteArray>> &entries, bool compress = true)
{
    package::ZipWriter zip;
    for (const auto &[name, data] : entries)
        zip.add(name, data, compress);
    return zip.finish();
}

} // namespace testpackages
