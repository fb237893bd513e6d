// Writing a zip package in memory, with libzip.

#include "package.h"

#include <zip.h>

#include <cstdio>
#include <stdexcept>

namespace package {

namespace {

// Entries carry one fixed time, so saving one document twice gives the
// same bytes.
constexpr time_t kEntryTime = 315532800 + 86400; // 2 January 1980

} // namespace

struct ZipWriter::Impl {
    struct Entry {
        QString name;
        QByteArray data;
        bool compress;
    };
    std::list<Entry> entries;
};

ZipWriter::ZipWriter()
    : d(std::make_unique<Impl>())
{
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::add(const QString &name, const QByteArray &data, bool compress)
{
    d->entries.push_back({name, data, compress});
}

QByteArray ZipWriter::finish()
{
    // Only running out of memory makes libzip fail here.
    const auto fail = [] { throw std::runtime_error("zip: cannot build the package in memory"); };
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer)
        fail();
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(buffer);
        fail();
    }
    zip_source_keep(buffer); // it outlives zip_close(), which writes into it
    for (const Impl::Entry &e : d->entries) {
        zip_source_t *s = zip_source_buffer(archive, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t index = s ? zip_file_add(archive, e.name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (s)
                zip_source_free(s);
            zip_discard(archive);
            zip_source_free(buffer);
            fail();
        }
        zip_set_file_compression(archive, zip_uint64_t(index), e.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        zip_file_set_mtime(archive, zip_uint64_t(index), kEntryTime, 0);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(buffer);
        fail();
    }
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0) {
        bytes.resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(buffer, bytes.data(), st.size);
        zip_source_close(buffer);
        if (n != zip_int64_t(st.size))
            bytes.clear();
    }
    zip_source_free(buffer);
    d->entries.clear();
    if (bytes.isEmpty())
        fail();
    return bytes;
}

} // namespace package
