// Reading a zip package's parts under limits, with libzip.

#include "package.h"

#include <QCoreApplication>
#include <QHash>

#include <zip.h>

namespace package {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("package", text);
}

[[noreturn]] void refuse(const QString &why)
{
    throw model::ReadError(why);
}

} // namespace

bool isZip(QByteArrayView data)
{
    return data.startsWith("PK\x03\x04");
}

struct ZipReader::Impl {
    zip_t *archive = nullptr;
    QHash<QString, zip_uint64_t> index;
    QStringList names;
    qint64 inflated = 0; // bytes read from the package so far
};

ZipReader::ZipReader(QByteArrayView data)
    : d(std::make_unique<Impl>())
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(data.data(), zip_uint64_t(data.size()), 0, &error);
    if (source)
        d->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!d->archive) {
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        // A package cut short has no end of its directory: not a zip to libzip.
        refuse(tr("Dokument je poškozený: jeho archiv ZIP nelze přečíst."));
    }
    zip_error_fini(&error);

    // A refusal from here on leaves no destructor to close the archive.
    try {
        index();
    } catch (...) {
        zip_discard(d->archive);
        throw;
    }
}

void ZipReader::index()
{
    const zip_int64_t count = zip_get_num_entries(d->archive, 0);
    if (count < 0 || count > maxEntries)
        refuse(tr("Dokument má příliš mnoho částí (%1, editor jich přečte nejvýše %2).").arg(count).arg(maxEntries));
    d->names.reserve(count);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(d->archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!name)
            continue;
        const QString n = QString::fromUtf8(name);
        // The first of two entries of one name is the one readers take.
        if (!d->index.contains(n)) {
            d->index.insert(n, zip_uint64_t(i));
            d->names.append(n);
        }
    }
}

ZipReader::~ZipReader()
{
    if (d->archive)
        zip_discard(d->archive);
}

QStringList ZipReader::names() const
{
    return d->names;
}

bool ZipReader::contains(const QString &name) const
{
    return d->index.contains(name);
}

QByteArray ZipReader::read(const QString &name, bool required)
{
    const auto it = d->index.constFind(name);
    if (it == d->index.cend()) {
        if (required)
            refuse(tr("V dokumentu chybí jeho část %1.").arg(name));
        return {};
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(d->archive, *it, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        refuse(tr("Dokument je poškozený: jeho část %1 nelze přečíst.").arg(name));
    if (st.valid & ZIP_STAT_ENCRYPTION_METHOD && st.encryption_method != ZIP_EM_NONE)
        refuse(tr("Dokument je zašifrovaný heslem. Editor zašifrované dokumenty neotevírá."));

    const qint64 claimed = qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(maxTotalSize) + 1));
    if (claimed > maxPartSize || d->inflated + claimed > maxTotalSize)
        refuse(tr("Část dokumentu %1 je po rozbalení příliš velká (%2 MB); takový dokument editor neotevře.")
                   .arg(name)
                   .arg(claimed / (1024 * 1024)));
    if (claimed > ratioFloor && (st.valid & ZIP_STAT_COMP_SIZE)
        && zip_uint64_t(claimed) / std::max<zip_uint64_t>(st.comp_size, 1) > zip_uint64_t(maxRatio))
        refuse(tr("Část dokumentu %1 by se rozbalila na víc než %2násobek své velikosti; "
                  "takový soubor (zip bomba) editor neotevře.")
                   .arg(name)
                   .arg(maxRatio));

    zip_file_t *file = zip_fopen_index(d->archive, *it, 0);
    if (!file) {
        if (zip_error_code_zip(zip_get_error(d->archive)) == ZIP_ER_NOPASSWD)
            refuse(tr("Dokument je zašifrovaný heslem. Editor zašifrované dokumenty neotevírá."));
        refuse(tr("Dokument je poškozený: jeho část %1 nelze přečíst.").arg(name));
    }
    QByteArray bytes(claimed, Qt::Uninitialized);
    qint64 have = 0;
    bool damaged = false;
    while (have < claimed) {
        const zip_int64_t n = zip_fread(file, bytes.data() + have, zip_uint64_t(claimed - have));
        if (n <= 0) {
            damaged = true; // shorter than it claims, or a checksum error
            break;
        }
        have += n;
    }
    // An entry that inflates to more than it claims is refused after one
    // byte more, never inflated further.
    char extra;
    if (!damaged && zip_fread(file, &extra, 1) != 0)
        damaged = true;
    zip_fclose(file);
    if (damaged)
        refuse(tr("Dokument je poškozený: jeho část %1 se nerozbalí na velikost, kterou udává.").arg(name));
    d->inflated += claimed;
    return bytes;
}

QString resolvePart(const QString &from, const QString &target)
{
    if (target.isEmpty() || target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("//")))
        return {};
    QString path = target;
    if (const qsizetype hash = path.indexOf(u'#'); hash >= 0)
        path.truncate(hash);
    QStringList parts;
    if (!path.startsWith(u'/')) {
        parts = from.split(u'/', Qt::SkipEmptyParts);
        if (!parts.isEmpty())
            parts.removeLast(); // the part's own name
    }
    for (const QString &segment : path.split(u'/', Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (parts.isEmpty())
                return {}; // past the package's root
            parts.removeLast();
            continue;
        }
        parts.append(segment);
    }
    return parts.join(u'/');
}

} // namespace package
