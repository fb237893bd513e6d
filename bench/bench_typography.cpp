// "Opravit typografii" over whole documents: the 1 MB and 10 MB magazine
// articles, one paragraph of a million straight quotes, and text made only
// of one-letter words (every space a correction). Each must take time in
// proportion to its size. Undo stays on, as in the editor.

#include "benchsupport.h"
#include "format/typography.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>
#include <memory>

namespace {

void fixEach(benchmark::State &state, const std::function<void(QTextDocument &)> &fill, qint64 bytes)
{
    int places = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<QTextDocument>();
        fill(*doc);
        state.ResumeTiming();
        places = borovka::typography::fix(QTextCursor(doc.get()));
        benchmark::DoNotOptimize(places);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["places"] = places;
}

void fixMagazine(benchmark::State &state, qint64 bytes)
{
    const benchdoc::Document &d = benchsupport::document(bytes);
    fixEach(state, [&d](QTextDocument &doc) { rtf::read(d.rtf, doc); }, d.rtf.size());
}

void fixPlain(benchmark::State &state, const QString &text)
{
    fixEach(state, [&text](QTextDocument &doc) { doc.setPlainText(text); }, text.size());
}

void registerAll()
{
    for (const qint64 bytes : benchsupport::sizes()) {
        if (bytes < 1024 * 1024)
            continue;
        benchmark::RegisterBenchmark(("typography_fix/" + benchsupport::sizeName(bytes)).c_str(), fixMagazine,
                                     bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    for (const int n : {100'000, 1'000'000})
        benchmark::RegisterBenchmark(("typography_fix_quotes/" + std::to_string(n)).c_str(), fixPlain,
                                     QString(n, u'"'))
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const int n : {100'000, 1'000'000})
        benchmark::RegisterBenchmark(("typography_fix_one_letter_words/" + std::to_string(n)).c_str(), fixPlain,
                                     QStringLiteral("a v k s ").repeated(n / 4))
            ->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::run<QGuiApplication>(argc, argv, registerAll);
}
