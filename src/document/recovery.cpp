#include "recovery.h"

#include "filecommands.h"
#include "platform/atomicwrite.h"
#include "platform/controlerror.h"
#include "platform/dialogservice.h"
#include "platform/richtextbox.h"
#include "rtf/rtf.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextDocument>
#include <QThread>
#include <QWidget>

namespace borovka {

namespace {

const QByteArray Magic = "BOROVKA-RECOVERY 1\n";
const QString CopySuffix = QStringLiteral(".recovery");
const QString Title = QStringLiteral("Obnovení dokumentu");
constexpr qint64 MaxHeaderLine = 64 * 1024;

struct Copy {
    QString path; // the document's file, empty for an unnamed document
    QDateTime time;
    QByteArray rtf;
};

QByteArray checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray encode(const QByteArray &rtfBytes, const QString &path, const QDateTime &time)
{
    QJsonObject header;
    header.insert(QStringLiteral("path"), path);
    header.insert(QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs));
    header.insert(QStringLiteral("size"), QString::number(rtfBytes.size()));
    header.insert(QStringLiteral("sha256"), QString::fromLatin1(checksum(rtfBytes)));
    QByteArray out = Magic;
    out += QJsonDocument(header).toJson(QJsonDocument::Compact);
    out += '\n';
    out += rtfBytes;
    return out;
}

// Reads a whole copy; a copy that is not complete and intact throws.
Copy readCopy(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw ControlError(QStringLiteral("soubor nelze otevřít: %1").arg(f.errorString()));
    if (f.read(Magic.size()) != Magic)
        throw ControlError(QStringLiteral("soubor nemá hlavičku záchranné kopie"));
    const QByteArray line = f.readLine(MaxHeaderLine);
    QJsonParseError error{};
    const QJsonObject header = QJsonDocument::fromJson(line, &error).object();
    bool sizeOk = false;
    const qint64 size = header.value(QStringLiteral("size")).toString().toLongLong(&sizeOk);
    const QDateTime time = QDateTime::fromString(header.value(QStringLiteral("time")).toString(),
                                                 Qt::ISODateWithMs);
    if (error.error != QJsonParseError::NoError || !sizeOk || size < 0 || !time.isValid())
        throw ControlError(QStringLiteral("hlavička záchranné kopie je poškozená"));
    if (f.size() - f.pos() != size)
        throw ControlError(QStringLiteral("záchranná kopie je neúplná"));
    try {
        rtf::checkInputSize(size);
    } catch (const rtf::Error &e) {
        throw ControlError(e.description());
    }
    Copy copy;
    copy.rtf = f.read(size);
    if (copy.rtf.size() != size
        || checksum(copy.rtf) != header.value(QStringLiteral("sha256")).toString().toLatin1())
        throw ControlError(QStringLiteral("obsah záchranné kopie je poškozený"));
    copy.path = header.value(QStringLiteral("path")).toString();
    copy.time = time.toLocalTime();
    return copy;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

Recovery::Recovery(FileCommands &files, RichTextBox &rich, DialogService &dialogs,
                   const QString &folder, RecoveryTimings timings)
    : m_files(files), m_rich(rich), m_dialogs(dialogs), m_folder(folder), m_timings(timings)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Recovery::writeCopy);

    // A folder that cannot be made (a file in its place, no rights) means no
    // copies in this run, silently: the editor works as it always did.
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return;
    const QString id = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid())
                           .arg(QDateTime::currentMSecsSinceEpoch());
    auto lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(id + QStringLiteral(".lock")));
    // Only a dead process makes a lock stale, however long an editor runs.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return;
    m_lock = std::move(lock);
    m_copyPath = QDir(m_folder).filePath(id + CopySuffix);
    connect(&m_rich, &RichTextBox::Change, this, &Recovery::contentChanged);
    connect(&m_files, &FileCommands::stored, this, &Recovery::documentStored);
}

Recovery::~Recovery()
{
    finish();
}

QString Recovery::defaultFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("recovery"));
}

QString Recovery::asidePath(const QString &copy)
{
    QString aside = copy + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = copy + QStringLiteral(".damaged-%1").arg(n);
    return aside;
}

bool Recovery::unsaved() const
{
    return m_files.stav == Stav::UnnamedChanged || m_files.stav == Stav::NamedChanged;
}

// ---- writing ------------------------------------------------------------------------

void Recovery::contentChanged()
{
    m_sinceChange.start();
    if (m_worker) {
        m_again = true;
        return;
    }
    // Typing on does not put the copy off: it comes at most one delay
    // after the first change, and never sooner than the interval allows.
    if (m_timer.isActive())
        return;
    qint64 delay = m_timings.delayMs;
    if (m_sinceWrite.isValid())
        delay = std::max(delay, m_timings.minIntervalMs - m_sinceWrite.elapsed());
    m_waiting.invalidate();
    m_timer.start(int(delay));
}

void Recovery::writeCopy()
{
    if (!isActive() || !unsaved())
        return;
    if (m_worker) {
        m_again = true;
        return;
    }
    // Due: wait for a pause in typing, within limits.
    if (!m_waiting.isValid())
        m_waiting.start();
    const qint64 quiet = m_sinceChange.isValid() ? m_sinceChange.elapsed() : m_timings.pauseMs;
    if (quiet < m_timings.pauseMs && m_waiting.elapsed() < m_timings.maxWaitMs) {
        m_timer.start(int(std::min(m_timings.pauseMs - quiet,
                                   m_timings.maxWaitMs - m_waiting.elapsed())));
        return;
    }
    m_waiting.invalidate();

    // The snapshot is the only work done on the window's thread: the RTF is
    // quicker to make than a copy of the document.
    QByteArray rtfBytes;
    try {
        rtfBytes = rtf::write(*m_rich.document());
    } catch (const std::exception &) {
        return;
    }
    const QString path = m_files.stav == Stav::NamedChanged ? m_files.cesta : QString();
    const QDateTime time = QDateTime::currentDateTime();
    const QString target = m_copyPath;
    const quint64 generation = m_generation;
    auto ok = std::make_shared<bool>(false);

    m_worker = QThread::create([rtfBytes, path, time, target, ok] {
        try {
            writeFileAtomically(target, encode(rtfBytes, path, time));
            *ok = true;
        } catch (const std::exception &) {
            // A full, read-only or missing folder: no copy this time.
        }
    });
    connect(m_worker, &QThread::finished, this, [this, ok, generation] { writeFinished(*ok, generation); });
    m_worker->start(QThread::LowPriority);
}

void Recovery::writeFinished(bool ok, quint64 generation)
{
    if (!m_worker)
        return;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_sinceWrite.start();
    // Saved, New or Open while the copy was being written: it is stale already.
    if (generation != m_generation)
        QFile::remove(m_copyPath);
    Q_EMIT written(ok && generation == m_generation);
    if (m_again) {
        m_again = false;
        if (unsaved())
            contentChanged();
    }
}

void Recovery::documentStored()
{
    m_timer.stop();
    m_again = false;
    removeCopy();
}

void Recovery::removeCopy()
{
    ++m_generation;
    if (!m_copyPath.isEmpty())
        QFile::remove(m_copyPath);
}

void Recovery::finish()
{
    m_timer.stop();
    m_again = false;
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    if (!m_lock)
        return;
    removeCopy();
    m_lock->unlock();
    m_lock.reset();
    disconnect(&m_rich, nullptr, this, nullptr);
    disconnect(&m_files, nullptr, this, nullptr);
}

// ---- restoring ----------------------------------------------------------------------

bool Recovery::offerLeftCopies(QWidget &window)
{
    if (!isActive())
        return false;
    const QDir dir(m_folder);
    const QFileInfoList copies = dir.entryInfoList({QStringLiteral("*") + CopySuffix}, QDir::Files,
                                                   QDir::Time | QDir::Reversed);
    const QString own = QFileInfo(m_copyPath).absoluteFilePath();
    // Oldest first, each at most once. The window holds one document: once
    // one copy is restored, the others stay on disk, untouched, and are
    // offered at the next start. A declined copy is removed, and only that one.
    for (const QFileInfo &info : copies) {
        const QString file = info.absoluteFilePath();
        if (file == own)
            continue;
        // An editor that still runs keeps its copy; the lock also keeps two
        // editors starting together from offering the same copy.
        QLockFile owner(dir.filePath(info.completeBaseName() + QStringLiteral(".lock")));
        owner.setStaleLockTime(0);
        if (!owner.tryLock(0))
            continue;
        if (offerCopy(file, window))
            return true;
    }
    return false;
}

bool Recovery::offerCopy(const QString &file, QWidget &window)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    Copy copy;
    try {
        copy = readCopy(file);
    } catch (const std::exception &e) {
        const QString aside = asidePath(file);
        QFile::rename(file, aside);
        m_dialogs.messageBox(
            QStringLiteral("Záchranná kopie dokumentu je poškozená a nelze ji obnovit (%1).\r\n"
                           "Byla odložena jako %2.")
                .arg(FileCommands::describe(e), shown(aside)),
            MsgBox::OkOnly, Title);
        return false;
    }

    const QString name = copy.path.isEmpty() ? QStringLiteral("Noname") : shown(copy.path);
    const QString prompt =
        QStringLiteral("Editor nebyl minule řádně ukončen. Zůstala záchranná kopie dokumentu %1 z %2."
                       "\r\n\r\nChceš ji obnovit?")
            .arg(name, czech.toString(copy.time, QStringLiteral("d. M. yyyy H:mm:ss")));
    if (m_dialogs.messageBox(prompt, MsgBox::YesNo, Title) != MsgBox::Yes) {
        QFile::remove(file);
        return false;
    }
    try {
        m_rich.setTextRTF(copy.rtf);
    } catch (const std::exception &e) {
        const QString aside = asidePath(file);
        QFile::rename(file, aside);
        m_dialogs.messageBox(
            QStringLiteral("Záchrannou kopii dokumentu nelze načíst (%1).\r\nByla odložena jako %2.")
                .arg(FileCommands::describe(e), shown(aside)),
            MsgBox::OkOnly, Title);
        return false;
    }
    // A changed document: its file, if it has one, still holds the older text.
    m_files.cesta = copy.path;
    m_files.stav = copy.path.isEmpty() ? Stav::UnnamedChanged : Stav::NamedChanged;
    window.setWindowTitle(QStringLiteral("Borovka Editor - ") + name);
    // The copy is this editor's own now, until the document is saved. Should
    // it not move, it stays where it is: offered again rather than lost.
    QFile::remove(m_copyPath);
    QFile::rename(file, m_copyPath);
    return true;
}

} // namespace borovka
