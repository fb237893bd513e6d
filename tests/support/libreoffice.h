#pragma once

// LibreOffice as a judge in tests: converts a file where LibreOffice is
// installed, with a profile of its own so a LibreOffice the user runs does
// not take the job. Tests skip themselves where it is missing.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace libreoffice {

inline QString executable()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// The bytes of `path` converted to `filter` ("odt", "txt:Text") in `workDir`,
// empty when LibreOffice failed or did not finish within `timeoutMs`.
inline QByteArray convert(const QString &path, const QString &filter, const QString &workDir, int timeoutMs = 120000)
{
    const QString outDir = QDir(workDir).filePath(QStringLiteral("out"));
    QProcess lo;
    lo.start(executable(), {QStringLiteral("-env:UserInstallation=file://") + QDir(workDir).filePath(QStringLiteral("profile")),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                            QStringLiteral("--outdir"), outDir, path});
    if (!lo.waitForFinished(timeoutMs))
        return {};
    const QString extension = filter.section(u':', 0, 0);
    QFile out(QDir(outDir).filePath(QFileInfo(path).completeBaseName() + u'.' + extension));
    if (!out.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = out.readAll();
    out.remove();
    return bytes;
}

} // namespace libreoffice
