#include "atomicwrite.h"

#include "controlerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace borovka {

namespace {

constexpr qint64 Chunk = qint64(1) << 20;

QString tr(const char *text)
{
    return QCoreApplication::translate("borovka::RichTextBox", text);
}

[[noreturn]] void fail(const QString &path, const QString &why)
{
    throw ControlError(tr("Soubor %1 nelze uložit: %2").arg(QDir::toNativeSeparators(path), why));
}

// Marked read-only for everybody, or not writable by this user. The first
// also holds for the superuser, who could write anyway.
bool readOnly(const QFileInfo &info)
{
    const QFileDevice::Permissions p = info.permissions();
    return !(p & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))
        || !(p & QFileDevice::WriteUser);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

void writeFileAtomically(const QString &path, const QByteArray &bytes, const WriteFaults *faults)
{
    const WriteFaults none;
    const WriteFaults &f = faults ? *faults : none;

    // Follow a link, so the file it points at is replaced and the link stays.
    QFileInfo target(path);
    const QString finalPath = target.isSymLink() ? target.symLinkTarget() : target.absoluteFilePath();
    target = QFileInfo(finalPath);
    if (target.isDir())
        fail(path, tr("na tom místě je složka"));
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        fail(path, tr("složka %1 neexistuje").arg(QDir::toNativeSeparators(folder.absoluteFilePath())));
    if (target.exists() && readOnly(target))
        fail(path, tr("soubor je jen pro čtení"));
    if (readOnly(folder))
        fail(path, tr("do složky nelze zapisovat"));

    QTemporaryFile temp(folder.absoluteFilePath() + QLatin1String("/.") + target.fileName()
                        + QLatin1String(".XXXXXX"));
    temp.setAutoRemove(true); // until the rename has succeeded
    if (f.failCreate || !temp.open())
        fail(path, f.failCreate ? systemError(EACCES) : temp.errorString());

    for (qint64 done = 0; done < bytes.size();) {
        qint64 n = std::min(Chunk, bytes.size() - done);
        if (f.diskFullAfter >= 0 && done + n > f.diskFullAfter) {
            n = std::max<qint64>(0, f.diskFullAfter - done);
            temp.write(bytes.constData() + done, n);
            fail(path, systemError(ENOSPC));
        }
        const qint64 written = temp.write(bytes.constData() + done, n);
        if (written <= 0)
            fail(path, temp.errorString());
        done += written;
    }
    // Everything out of Qt's buffer before the sync, or the sync would
    // miss the end of the file.
    if (f.failFlush || !temp.flush())
        fail(path, f.failFlush ? systemError(ENOSPC) : temp.errorString());
    if (f.shortWriteAtEnd && ::ftruncate(temp.handle(), bytes.size() - 1) != 0)
        fail(path, systemError(errno));
    if (f.failSync || ::fsync(temp.handle()) != 0)
        fail(path, f.failSync ? systemError(EIO) : systemError(errno));
    // What the disk holds now is what the rename publishes.
    struct stat written;
    if (::fstat(temp.handle(), &written) != 0)
        fail(path, systemError(errno));
    if (written.st_size != bytes.size())
        fail(path, tr("soubor nebyl zapsán celý"));
    if (target.exists())
        temp.setPermissions(target.permissions());
    else
        temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                            | QFileDevice::ReadOther);
    // close() reports a failed flush or close through error(); a file
    // system may report a lost write only here.
    temp.close();
    if (f.failClose || temp.error() != QFileDevice::NoError)
        fail(path, f.failClose ? systemError(EIO) : temp.errorString());

    // rename() replaces the target in one step: readers see the old or the new file.
    const QByteArray from = QFile::encodeName(temp.fileName());
    const QByteArray to = QFile::encodeName(finalPath);
    if (f.failReplace || std::rename(from.constData(), to.constData()) != 0)
        fail(path, f.failReplace ? systemError(EXDEV) : systemError(errno));
    temp.setAutoRemove(false);
}

} // namespace borovka
