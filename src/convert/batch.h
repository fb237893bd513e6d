#pragma once

// Batch mode of the converter: many files in one process, on several
// threads, each conversion with its own document.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace borovka {

// One file to convert and where its output goes.
struct BatchJob {
    QString input;
    QString output;
};

struct BatchResult {
    enum Status { Converted, Skipped, Failed };
    QString input;
    QString output;
    Status status = Failed;
    QString reason; // why it failed or was skipped
};

struct BatchOptions {
    int jobs = 0;       // worker threads; 0: one per core
    bool force = false; // replace existing outputs
    // Called on the calling thread about ten times a second and once at the
    // end with the number of files finished so far.
    std::function<void(int done)> progress;
    // Called on a worker thread, one call at a time, as each file finishes.
    std::function<void(const BatchResult &)> finished;
};

// Converts every job with convertFile() on `options.jobs` threads. An
// existing output is skipped unless `force`; a job whose output is its own
// input, or the output of an earlier job, fails. Results in job order.
QList<BatchResult> convertBatch(const QList<BatchJob> &jobs, const BatchOptions &options);

// Where the outputs of the named inputs go. A file named as such goes next
// to it, or into `outputDir` (its relative path kept when it is relative,
// as find(1) prints names). A folder is searched for .kln and .rtf files
// when `recursive`, their paths below the folder kept in `outputDir`.
// Names that cannot be used (missing, a folder without `recursive`) are
// added to `errors` as messages.
QList<BatchJob> planBatch(const QStringList &names, const QString &extension, const QString &outputDir,
                          bool recursive, QStringList *errors);

struct ConvertCommand;

// Runs batch mode as the command line asks; returns the exit status. Reads
// names from standard input for "-".
int runBatchCommand(const ConvertCommand &command);

} // namespace borovka
