#pragma once

#include <QByteArray>
#include <QString>

namespace borovka {

// Where a save can be made to fail on purpose, so tests can prove that no
// failure damages the file that was there before.
struct WriteFaults {
    bool failCreate = false;       // the temporary file cannot be created
    qint64 diskFullAfter = -1;     // the disk fills up after this many bytes
    bool failFlush = false;        // Qt's buffer cannot be written out
    bool shortWriteAtEnd = false;  // the last byte never reaches the file, unreported
    bool failSync = false;         // flushing to the disk fails
    bool failClose = false;        // closing the temporary file fails
    bool failReplace = false;      // the final rename over the target fails
};

// Writes `bytes` to `path` as a whole or not at all: into a temporary file
// beside the target, flushed to the disk, then renamed over the target
// (keeping its permissions). The flush, the sync and the close are each
// checked, and the file's size on the disk must match before the rename,
// so a truncated file never replaces a good one. On any failure the target is untouched, the
// temporary file is removed, and ControlError says what went wrong.
// A target or folder marked read-only is refused, even for the superuser.
void writeFileAtomically(const QString &path, const QByteArray &bytes,
                         const WriteFaults *faults = nullptr);

} // namespace borovka
