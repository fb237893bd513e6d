#include "batch.h"

#include "commandline.h"
#include "convert.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace borovka {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("convert", text);
}

// The key two names of one file share.
QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// `relative` with its extension replaced, under `dir`.
QString outputPath(const QString &dir, const QString &relative, const QString &extension)
{
    const QFileInfo info(relative);
    QString name = info.completeBaseName() + QLatin1Char('.') + extension;
    const QString sub = info.path();
    if (sub != QLatin1String("."))
        name = sub + QLatin1Char('/') + name;
    return dir.isEmpty() ? name : QDir(dir).filePath(name);
}

bool isInputFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("kln") || suffix == QLatin1String("rtf") || suffix == QLatin1String("docx")
        || suffix == QLatin1String("odt") || suffix == QLatin1String("fodt");
}

// Fonts are first looked up, and text first shaped, here before the
// workers start: the font database and the shaper's language tables fill
// themselves on first use, and that must not happen on several threads at
// once. The workers then only read them (a picture's placeholder draws its
// label with the default font; the documents use Courier New).
void warmUpFonts()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QFontDatabase::families();
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(11.5);
    font.exactMatch();
    QImage image(64, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("PNG ?"));
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Žluťoučký"));
}

} // namespace

QList<BatchJob> planBatch(const QStringList &names, const QString &extension, const QString &outputDir,
                          bool recursive, QStringList *errors)
{
    QList<BatchJob> jobs;
    for (const QString &name : names) {
        const QFileInfo info(name);
        if (!info.exists()) {
            errors->append(tr("%1: soubor neexistuje").arg(name));
            continue;
        }
        if (info.isDir()) {
            if (!recursive) {
                errors->append(tr("%1 je složka (pro převod složky použijte --recursive)").arg(name));
                continue;
            }
            const QDir root(info.absoluteFilePath());
            QStringList found;
            QDirIterator it(name, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (isInputFile(path))
                    found.append(path);
            }
            found.sort(); // the same order, whatever the file system's
            for (const QString &path : found) {
                const QString relative = root.relativeFilePath(QFileInfo(path).absoluteFilePath());
                const QString out = outputDir.isEmpty() ? outputPath(QFileInfo(path).path(), QFileInfo(path).fileName(), extension)
                                                        : outputPath(outputDir, relative, extension);
                jobs.append({path, out});
            }
            continue;
        }
        // A relative name keeps its path in the output folder, unless it
        // leads out of the current one.
        const QString clean = QDir::cleanPath(name);
        const bool keepPath = QDir::isRelativePath(clean) && !clean.startsWith(QLatin1String(".."));
        QString out;
        if (outputDir.isEmpty())
            out = outputPath(info.path(), info.fileName(), extension);
        else
            out = outputPath(outputDir, keepPath ? clean : info.fileName(), extension);
        jobs.append({name, out});
    }
    return jobs;
}

QList<BatchResult> convertBatch(const QList<BatchJob> &jobs, const BatchOptions &options)
{
    QList<BatchResult> results(jobs.size());
    // Checked before any work, on this thread: outputs that would overwrite
    // an input or an earlier output, and existing outputs.
    QSet<QString> inputs;
    for (const BatchJob &job : jobs)
        inputs.insert(fileKey(job.input));
    QHash<QString, QString> outputs;
    std::vector<qsizetype> todo;
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        BatchResult &r = results[i];
        r.input = jobs[i].input;
        r.output = jobs[i].output;
        const QString key = fileKey(r.output);
        if (inputs.contains(key)) {
            r.reason = tr("výstup %1 by přepsal vstupní soubor").arg(r.output);
        } else if (outputs.contains(key)) {
            r.reason = tr("výstup %1 je už výstupem souboru %2").arg(r.output, outputs.value(key));
        } else if (!options.force && QFileInfo::exists(r.output)) {
            r.status = BatchResult::Skipped;
            r.reason = tr("%1 už existuje, přeskočeno (nahradí jej --force)").arg(r.output);
        } else {
            outputs.insert(key, r.input);
            const QString dir = QFileInfo(r.output).path();
            if (!QDir().mkpath(dir))
                r.reason = tr("nelze vytvořit složku %1").arg(dir);
            else
                todo.push_back(i);
            continue;
        }
        outputs.insert(key, r.input);
    }

    std::mutex mutex; // guards `finished` calls and `done`
    std::condition_variable changed;
    int done = 0;
    auto finish = [&](const BatchResult &r) {
        std::lock_guard lock(mutex);
        ++done;
        if (options.finished)
            options.finished(r);
        changed.notify_one();
    };
    for (const BatchResult &r : results)
        if (r.status != BatchResult::Failed || !r.reason.isEmpty())
            finish(r);

    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k; (k = next.fetch_add(1)) < todo.size();) {
            BatchResult &r = results[todo[k]];
            r.reason = convertFile(r.input, r.output);
            r.status = r.reason.isEmpty() ? BatchResult::Converted : BatchResult::Failed;
            finish(r);
        }
    };

    const int cores = std::max(1, QThread::idealThreadCount());
    const int threads = int(std::min<size_t>(options.jobs > 0 ? options.jobs : cores, todo.size()));
    if (threads > 0)
        warmUpFonts();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        const int total = int(results.size());
        while (done < total) {
            changed.wait_for(lock, std::chrono::milliseconds(100));
            if (options.progress) {
                const int now = done;
                lock.unlock();
                options.progress(now);
                lock.lock();
            }
        }
    }
    for (std::thread &w : workers)
        w.join();
    if (options.progress)
        options.progress(int(results.size()));
    return results;
}

int runBatchCommand(const ConvertCommand &command)
{
    QTextStream err(stderr);
    QStringList names = command.names;
    if (command.fromStandardInput) {
        QTextStream in(stdin);
        QString line;
        while (in.readLineInto(&line)) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (!line.isEmpty())
                names.append(line);
        }
    }

    QStringList errors;
    const QList<BatchJob> plan = planBatch(names, command.format, command.outputDir, command.recursive, &errors);
    for (const QString &e : errors)
        err << "borovka-convert: " << e << Qt::endl;

    // A progress line only for a person watching: never into a file or a pipe.
    const bool terminal = isatty(fileno(stderr));
    QElapsedTimer clock;
    clock.start();
    bool lineShown = false;
    auto clearLine = [&] {
        if (lineShown) {
            err << "\r\033[K";
            err.flush();
            lineShown = false;
        }
    };
    std::mutex out;
    int lastDone = -1;
    BatchOptions options;
    options.jobs = command.jobs;
    options.force = command.force;
    if (terminal) {
        options.progress = [&](int done) {
            std::lock_guard lock(out);
            if (done == lastDone)
                return;
            lastDone = done;
            const double seconds = std::max(0.001, clock.elapsed() / 1000.0);
            err << "\r\033[K" << tr("%1/%2 souborů, %3 souborů za sekundu").arg(done).arg(plan.size()).arg(done / seconds, 0, 'f', 1);
            err.flush();
            lineShown = true;
        };
    }
    options.finished = [&](const BatchResult &r) {
        if (r.status == BatchResult::Converted)
            return;
        std::lock_guard lock(out);
        clearLine();
        if (r.status == BatchResult::Skipped)
            err << "borovka-convert: " << r.reason << Qt::endl;
        else
            err << "borovka-convert: " << r.input << ": " << r.reason << Qt::endl;
    };
    const QList<BatchResult> results = convertBatch(plan, options);
    clearLine();

    int converted = 0, skipped = 0, failed = int(errors.size());
    for (const BatchResult &r : results) {
        converted += r.status == BatchResult::Converted;
        skipped += r.status == BatchResult::Skipped;
        failed += r.status == BatchResult::Failed;
    }
    if (terminal || skipped > 0 || failed > 0) {
        err << tr("Převedeno %1, přeskočeno %2, selhalo %3 (%4 s).")
                   .arg(converted)
                   .arg(skipped)
                   .arg(failed)
                   .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
            << Qt::endl;
    }
    return failed > 0 ? 1 : 0;
}

} // namespace borovka
