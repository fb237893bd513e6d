// The editor with its window shown (offscreen): opening a file through the
// editing area as Open does, until the first screenful has been painted,
// saving it back, and typing one character in the middle of a long
// document; opening and typing also with Czech spell-checking on, counting
// the check of the visible text.

#include "benchsupport.h"
#include "docgen.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"
#include "platform/spellcheck.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

// Counts the paints of the editing area's viewport, where the text is drawn.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class Editor {
public:
    Editor() : window(dialogs)
    {
        window.Form_Load(QString(), borovka::screenSizeInTwips());
        window.Rich1->viewport()->installEventFilter(&counter);
        window.showAtStart();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the main window was never exposed");
        waitForPaint(0);
    }

    // Runs the event loop until the text area has painted again; false
    // after a minute without a paint.
    bool waitForPaint(int paintsBefore)
    {
        QElapsedTimer timer;
        timer.start();
        while (counter.paints == paintsBefore) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (timer.elapsed() > 60'000)
                return false;
        }
        return true;
    }

    // Lets the layout Qt does in the background after a load run to its end.
    void finishLayout()
    {
        window.Rich1->document()->documentLayout()->documentSize();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    borovka::ScriptedDialogs dialogs;
    borovka::Main window;
    PaintCounter counter;
};

// One window for the whole run. Never destroyed: the application object
// is gone by the time statics are.
Editor &editor()
{
    static Editor *e = new Editor;
    return *e;
}

// The generated documents as files, for loading the way Open does.
QString documentFile(qint64 bytes)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clanek-%1.kln").arg(bytes));
    if (!QFile::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(benchsupport::document(bytes).rtf) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// The 10 MB document made mostly of tables and lists, as a file.
QString tablesFile()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tabulky.kln"));
    if (!QFile::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(benchdoc::tablesAndLists(10 * 1024 * 1024).rtf) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

void emptyEditor(Editor &e)
{
    e.window.Rich1->setTextRTF(QByteArrayView());
    const int before = e.counter.paints;
    e.waitForPaint(before);
}

// Spell-checking with the installed Czech dictionary, or none.
void setSpelling(Editor &e, bool on)
{
    static auto czech = std::make_shared<borovka::SpellDictionary>(borovka::SpellDictionary::czechAff(),
                                                                   borovka::SpellDictionary::czechDic());
    e.window.spelling->setDictionary(on ? czech : nullptr);
}

bool spellingUsable(benchmark::State &state, bool on)
{
    if (on && !borovka::SpellDictionary(borovka::SpellDictionary::czechAff(),
                                        borovka::SpellDictionary::czechDic()).isValid()) {
        state.SkipWithError("hunspell-cs is not installed");
        return false;
    }
    return true;
}

// The generated document of that size, or (0) the one of tables and lists.
QString benchFile(qint64 bytes)
{
    return bytes > 0 ? documentFile(bytes) : tablesFile();
}

// Opens the file through the editing area until it is painted, again and again.
void openPath(benchmark::State &state, const QString &path, bool spelling)
{
    Editor &e = editor();
    const qint64 fileBytes = QFileInfo(path).size();
    emptyEditor(e);
    benchsupport::PeakMeter meter;
    meter.start();
    for (auto _ : state) {
        e.window.Rich1->setFileName(path);
        // Counted from here: a long load runs its own event loop, where the
        // old content may repaint.
        if (!e.waitForPaint(e.counter.paints)) {
            state.SkipWithError("no paint after loading");
            break;
        }
        if (spelling)
            e.window.spelling->recheck();
        state.PauseTiming();
        emptyEditor(e);
        state.ResumeTiming();
    }
    benchsupport::reportPeak(state, meter, fileBytes);
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["file_MB"] = fileBytes / 1048576.0;
}

void openFile(benchmark::State &state, qint64 bytes, bool spelling)
{
    if (!spellingUsable(state, spelling))
        return;
    Editor &e = editor();
    setSpelling(e, spelling);
    openPath(state, benchFile(bytes), spelling);
    setSpelling(e, false);
}

void saveFile(benchmark::State &state, qint64 bytes)
{
    Editor &e = editor();
    e.window.Rich1->setFileName(documentFile(bytes));
    e.waitForPaint(e.counter.paints);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ulozeno.kln"));
    for (auto _ : state)
        e.window.Rich1->SaveFile(path);
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
    emptyEditor(e);
}

void typeInMiddle(benchmark::State &state, qint64 bytes, bool spelling)
{
    if (!spellingUsable(state, spelling))
        return;
    Editor &e = editor();
    setSpelling(e, spelling);
    borovka::RichTextBox *rich = e.window.Rich1;
    rich->setFileName(benchFile(bytes));
    e.finishLayout();
    QTextCursor cursor(rich->document());
    cursor.setPosition(rich->document()->characterCount() / 2);
    rich->setTextCursor(cursor);
    rich->ensureCursorVisible();
    e.waitForPaint(e.counter.paints);
    const int lengthBefore = rich->document()->characterCount();

    for (auto _ : state) {
        const int before = e.counter.paints;
        QTest::keyClick(rich, Qt::Key_A);
        if (!e.waitForPaint(before)) {
            state.SkipWithError("no paint after typing");
            break;
        }
        if (spelling)
            e.window.spelling->recheck();
    }
    if (rich->document()->characterCount() != lengthBefore + int(state.iterations()))
        state.SkipWithError("the typed characters did not all arrive");
    emptyEditor(e);
    setSpelling(e, false);
}

// An article of about 300 MB with 30 photographs: JPEGs of a camera's
// size (4000 by 3000 pixels, a few megabytes each) and some PNG
// screenshots, shown a column wide, between paragraphs of text. Written
// straight to a file so the benchmark process does not keep it.
QString photoArticleFile()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fotky.kln"));
    if (QFile::exists(path))
        return path;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    const benchdoc::Document text = benchdoc::magazine(2 * 1024 * 1024, 7);
    const QByteArray body = text.rtf.mid(text.rtf.indexOf("\\pard"));
    f.write(text.rtf.left(text.rtf.indexOf("\\pard")));
    // A few distinct encodings; each picture gets its own bytes after the
    // image's end marker (decoders stop there), so none is shared.
    QList<QByteArray> photos;
    QRandomGenerator rng(30);
    for (int k = 0; k < 3; ++k) {
        QImage image(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(rng.bounded(28));
                line[x] = qRgb((x / 16 + k * 40 + n) & 0xFF, (y / 12 + n) & 0xFF, ((x + y) / 20 + n) & 0xFF);
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, k < 2 ? "JPEG" : "PNG", k < 2 ? 85 : -1);
        photos.append(bytes);
    }
    const qsizetype chunk = body.size() / 31;
    for (int i = 0; i < 30; ++i) {
        f.write(body.mid(i * chunk, chunk).replace('{', ' ').replace('}', ' '));
        QByteArray bytes = photos[i % 10 == 9 ? 2 : i % 2];
        bytes += "borovka-bench-" + QByteArray::number(i) + QByteArray(1024, char('a' + i % 26));
        f.write("\\par {\\pict\\" + QByteArray(i % 10 == 9 ? "pngblip" : "jpegblip")
                + "\\picw4000\\pich3000\\picwgoal8640\\pichgoal6480\n");
        const QByteArray hex = bytes.toHex();
        for (qsizetype at = 0; at < hex.size(); at += 128) {
            f.write(hex.mid(at, 128));
            f.write("\n");
        }
        f.write("}\\par\n");
    }
    f.write("}");
    if (!f.flush())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Opening it until the first screenful is painted, and saving it again.
void openPhotos(benchmark::State &state)
{
    openPath(state, photoArticleFile(), false);
}

void savePhotos(benchmark::State &state)
{
    Editor &e = editor();
    const QString path = photoArticleFile();
    const qint64 fileBytes = QFileInfo(path).size();
    e.window.Rich1->setFileName(path);
    e.waitForPaint(e.counter.paints);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("ulozeno.kln"));
    benchsupport::PeakMeter meter;
    meter.start();
    for (auto _ : state)
        e.window.Rich1->SaveFile(out);
    benchsupport::reportPeak(state, meter, fileBytes);
    state.SetBytesProcessed(state.iterations() * QFileInfo(out).size());
    emptyEditor(e);
}

void registerAll()
{
    if (qEnvironmentVariableIntValue("BOROVKA_BENCH_LARGE") == 1 || qEnvironmentVariableIntValue("BOROVKA_BENCH_PHOTOS") == 1) {
        benchmark::RegisterBenchmark("editor_open_photos/300MB", openPhotos)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        benchmark::RegisterBenchmark("editor_save_photos/300MB", savePhotos)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    }
    // 0: the 10 MB document made mostly of tables and lists.
    benchmark::RegisterBenchmark("editor_open_tables/10 MB", openFile, qint64(0), false)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("editor_type_tables/10 MB", typeInMiddle, qint64(0), false)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const bool spelling : {false, true}) {
        const std::string open = spelling ? "editor_open_spelling/" : "editor_open/";
        for (const qint64 bytes : benchsupport::sizes()) {
            benchmark::RegisterBenchmark((open + benchsupport::sizeName(bytes)).c_str(), openFile,
                                         bytes, spelling)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
    for (const qint64 bytes : benchsupport::sizes()) {
        benchmark::RegisterBenchmark(("editor_save/" + benchsupport::sizeName(bytes)).c_str(),
                                     saveFile, bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    for (const bool spelling : {false, true}) {
        const std::string type = spelling ? "editor_type_spelling/" : "editor_type/";
        for (const qint64 bytes : {qint64(1024 * 1024), qint64(10 * 1024 * 1024)}) {
            benchmark::RegisterBenchmark((type + benchsupport::sizeName(bytes)).c_str(), typeInMiddle,
                                         bytes, spelling)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::run<QApplication>(argc, argv, registerAll);
}
