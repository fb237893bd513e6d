// The reader and the writers in-process: RTF into a QTextDocument, the
// document back to RTF, and to plain text; and the article with six
// photographs opened and converted from its file, with peak memory.

#include "benchsupport.h"
#include "convert.h"
#include "model/plaintext.h"
#include "rtf/rtf.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextDocument>

#include <memory>

namespace {

using benchsupport::document;

// A document set up as the converter and the editor set theirs up.
std::unique_ptr<QTextDocument> newDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(11.25);
    doc->setDefaultFont(font);
    doc->setUndoRedoEnabled(false);
    return doc;
}

// Kept between the write and plain-text benchmarks of a size: reading
// 10 MB again for each would only slow the run down.
QTextDocument &readDocument(qint64 bytes)
{
    static qint64 cachedBytes = -1;
    static std::unique_ptr<QTextDocument> cached;
    if (cachedBytes != bytes) {
        cached.reset();
        cached = newDocument();
        rtf::read(document(bytes).rtf, *cached);
        cachedBytes = bytes;
    }
    return *cached;
}

void readRtf(benchmark::State &state, qint64 bytes)
{
    const benchdoc::Document &d = document(bytes);
    benchsupport::PeakMeter meter;
    meter.start();
    for (auto _ : state) {
        auto doc = newDocument();
        rtf::read(d.rtf, *doc);
        benchmark::DoNotOptimize(doc.get());
        // Tearing the document down is not part of reading it.
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    benchsupport::reportPeak(state, meter, d.rtf.size());
    state.SetBytesProcessed(state.iterations() * d.rtf.size());
    state.counters["paragraphs"] = d.paragraphs;
    state.counters["runs"] = d.runs;
}

void writeRtf(benchmark::State &state, qint64 bytes)
{
    const benchdoc::Document &d = document(bytes);
    const QTextDocument &doc = readDocument(bytes);
    qint64 out = 0;
    for (auto _ : state) {
        const QByteArray rtf = rtf::write(doc);
        out = rtf.size();
        benchmark::DoNotOptimize(rtf.constData());
    }
    state.SetBytesProcessed(state.iterations() * d.rtf.size());
    state.counters["out_MB"] = double(out) / (1024.0 * 1024.0);
}

void writeText(benchmark::State &state, qint64 bytes)
{
    const benchdoc::Document &d = document(bytes);
    const QTextDocument &doc = readDocument(bytes);
    QByteArray text;
    for (auto _ : state) {
        text = model::plainText(doc);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * d.rtf.size());
    // 1 when the reader's text is exactly the text the file was made from.
    state.counters["text_exact"] = text == d.text ? 1 : 0;
}

// The 10 MB document made mostly of tables and lists.
void readTables(benchmark::State &state)
{
    static const benchdoc::Document d = benchdoc::tablesAndLists(10 * 1024 * 1024);
    auto doc = newDocument();
    for (auto _ : state)
        rtf::read(d.rtf, *doc);
    state.SetBytesProcessed(state.iterations() * d.rtf.size());
}

// One list of 100 000 items, bulleted or numbered, as a word processor
// writes it: a list table, \ls on every item and its \listtext label.
QByteArray longList(bool numbered)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}{\\*\\listtable{\\list\\listtemplateid1"
                     "{\\listlevel\\levelnfc";
    rtf += numbered ? "0{\\leveltext\\'02\\'00.;}" : "23{\\leveltext\\'01\\u8226 ?;}";
    rtf += "\\li720\\fi-360}\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\r\n";
    for (int i = 1; i <= 100'000; ++i) {
        rtf += "\\pard\\ls1\\ilvl0\\li720\\fi-360{\\listtext ";
        rtf += numbered ? QByteArray::number(i) + '.' : QByteArray("\\'95");
        rtf += "\\tab}Polo\\'9eka seznamu " + QByteArray::number(i) + "\\par\r\n";
    }
    return rtf + '}';
}

// One table of ROWS rows of COLUMNS short cells, as a report generator writes it.
QByteArray longTable(int rows, int columns)
{
    QByteArray row = "\\trowd\\trgaph108";
    for (int c = 1; c <= columns; ++c)
        row += "\\cellx" + QByteArray::number(200 * c);
    row += "\\pard\\intbl ";
    for (int c = 1; c <= columns; ++c)
        row += "bu\\'f2ka " + QByteArray::number(c) + "\\cell ";
    row += "\\row\r\n";
    return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0 Arial;}}\r\n" + row.repeated(rows) + "\\pard konec\\par}";
}

// Reads RTF into a new document again and again; the document's
// destruction is not timed.
void readEach(benchmark::State &state, const QByteArray &rtf)
{
    for (auto _ : state) {
        auto doc = newDocument();
        rtf::read(rtf, *doc);
        benchmark::DoNotOptimize(doc.get());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void readLongList(benchmark::State &state, bool numbered)
{
    readEach(state, longList(numbered));
    state.counters["items"] = 100'000;
}

void readLongTable(benchmark::State &state, int rows, int columns)
{
    readEach(state, longTable(rows, columns));
    state.counters["cells"] = double(rows) * columns;
}

// The article with six camera photographs (about 95 MB), as a file: made
// once per run and not kept in memory, so only what reading it costs is
// measured.
QString photosFile()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fotky.kln"));
    if (!QFile::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(benchdoc::photoArticle(6).rtf) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// Opening it as the editing area does: the whole file read, then into a
// document; the file's bytes are gone once it is read, the document stays.
void openPhotos(benchmark::State &state)
{
    const QString path = photosFile();
    const qint64 fileBytes = QFileInfo(path).size();
    benchsupport::PeakMeter meter;
    meter.start();
    for (auto _ : state) {
        auto doc = newDocument();
        {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) {
                state.SkipWithError("cannot read the file");
                break;
            }
            rtf::read(f.readAll(), *doc);
        }
        benchmark::DoNotOptimize(doc.get());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    benchsupport::reportPeak(state, meter, fileBytes);
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["file_MB"] = fileBytes / 1048576.0;
}

// The converter's whole path, file to file: to .kln (every picture written
// back), to text, or to a page (every picture a data URL).
void convertPhotos(benchmark::State &state, const char *suffix)
{
    const QString path = photosFile();
    const qint64 fileBytes = QFileInfo(path).size();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("vystup.") + QLatin1String(suffix));
    benchsupport::PeakMeter meter;
    meter.start();
    for (auto _ : state) {
        if (const QString why = borovka::convertFile(path, out); !why.isEmpty()) {
            state.SkipWithError(qPrintable(why));
            break;
        }
    }
    benchsupport::reportPeak(state, meter, fileBytes);
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["file_MB"] = fileBytes / 1048576.0;
}

void registerAll()
{
    // One run each: what matters is the peak, and a run takes seconds.
    if (qEnvironmentVariableIntValue("BOROVKA_BENCH_LARGE") == 1 || qEnvironmentVariableIntValue("BOROVKA_BENCH_PHOTOS") == 1) {
        benchmark::RegisterBenchmark("rtf_open_photos/95MB", openPhotos)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        benchmark::RegisterBenchmark("convert_photos_kln/95MB", convertPhotos, "kln")
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        benchmark::RegisterBenchmark("convert_photos_txt/95MB", convertPhotos, "txt")
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        benchmark::RegisterBenchmark("convert_photos_html/95MB", convertPhotos, "html")
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        benchmark::RegisterBenchmark("convert_photos_md/95MB", convertPhotos, "md")
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    }
    benchmark::RegisterBenchmark("rtf_read_list/100000 bullets", readLongList, false)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("rtf_read_list/100000 numbers", readLongList, true)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    // Long and wide tables: the time must grow with the cells, not their square.
    benchmark::RegisterBenchmark("rtf_read_table/20000 rows x 4", readLongTable, 20'000, 4)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("rtf_read_table/2000 rows x 64", readLongTable, 2'000, 64)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("rtf_read_tables/10 MB", readTables)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const qint64 bytes : benchsupport::sizes()) {
        const std::string size = benchsupport::sizeName(bytes);
        benchmark::RegisterBenchmark(("rtf_read/" + size).c_str(), readRtf, bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("rtf_write/" + size).c_str(), writeRtf, bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("rtf_plaintext/" + size).c_str(), writeText, bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
}

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::run<QGuiApplication>(argc, argv, registerAll);
}
