#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QLockFile;
class QThread;

namespace borovka {

class DialogService;
class FileCommands;
class RichTextBox;

struct RecoveryTimings {
    int delayMs = 30000;       // from the first unsaved change to the copy
    int minIntervalMs = 30000; // between two copies
    // The copy waits for a pause in typing this long, but no longer than
    // maxWaitMs, so the snapshot never interrupts a word.
    int pauseMs = 1000;
    int maxWaitMs = 15000;
};

// A recovery copy of the unsaved document, so a crash or a power cut loses
// at most the last half minute. Each running editor keeps its own copy and
// a lock file with its process id in the folder; a copy whose editor is no
// longer running is offered at the next start.
//
// A copy is one file: a header line, a JSON line with the document's path,
// the time and the size and checksum of the RTF that follows. The snapshot
// (the document's RTF) is taken in a pause of typing; the checksum and the
// atomic write run on a worker thread.
class Recovery : public QObject {
    Q_OBJECT

public:
    Recovery(FileCommands &files, RichTextBox &rich, DialogService &dialogs,
             const QString &folder = defaultFolder(), RecoveryTimings timings = {});
    ~Recovery() override;

    // The user's state folder for the copies.
    static QString defaultFolder();

    // At start-up: asks about each copy left by an editor that did not end
    // normally, oldest first, and restores the first one the user wants
    // back; the copies after it stay for the next start. A declined copy is
    // removed, a damaged one reported and set aside. Returns true when one
    // was restored.
    bool offerLeftCopies(QWidget &window);

    // The program ends normally: no copy stays behind.
    void finish();

    QString copyPath() const { return m_copyPath; }
    bool isActive() const { return m_lock != nullptr; }

    // The file a damaged copy is moved to.
    static QString asidePath(const QString &copy);

Q_SIGNALS:
    // A copy was written (or could not be: `ok` false).
    void written(bool ok);

private:
    // Offers one copy; true when it was restored.
    bool offerCopy(const QString &file, QWidget &window);
    void contentChanged();
    void documentStored();
    void writeCopy();
    void writeFinished(bool ok, quint64 generation);
    void removeCopy();
    bool unsaved() const;

    FileCommands &m_files;
    RichTextBox &m_rich;
    DialogService &m_dialogs;
    QString m_folder;
    RecoveryTimings m_timings;
    QString m_copyPath;
    std::unique_ptr<QLockFile> m_lock;
    QTimer m_timer;
    QElapsedTimer m_sinceWrite;
    QElapsedTimer m_sinceChange;
    QElapsedTimer m_waiting; // since the copy was due
    QThread *m_worker = nullptr;
    bool m_again = false;        // a change came while a copy was being written
    quint64 m_generation = 0;    // bumped whenever the copy is removed
};

} // namespace borovka
