#pragma once

// What the benchmark programs share: the generated documents (made once
// per size and kept), the sizes to run, and peak-memory measurement.

#include "docgen.h"

#include <QList>
#include <QtGlobal>

#include <benchmark/benchmark.h>

namespace benchsupport {

// 10 KB, 1 MB and 10 MB; 50 MB too when BOROVKA_BENCH_LARGE=1.
QList<qint64> sizes();

const benchdoc::Document &document(qint64 bytes);

// Name part for a size: "10KB", "1MB".
std::string sizeName(qint64 bytes);

// Peak resident memory over a stretch of code, as the growth of the
// process's high-water mark (VmHWM, reset through /proc/self/clear_refs)
// above the resident size at start(). Where the kernel does not allow the
// reset, getrusage's ru_maxrss is used instead, which only sees peaks above
// every earlier one; method() says which.
class PeakMeter {
public:
    void start();
    double megabytes() const;
    static const char *method();

private:
    qint64 m_baseKb = 0;
    qint64 m_rusageBaseKb = 0;
};

// Reports peak memory as counters: "peak_MB" and "peak_x_file", and puts
// the measuring method in the label.
void reportPeak(benchmark::State &state, const PeakMeter &meter, qint64 fileBytes);

// The benchmark main with a Qt application of type App (offscreen unless
// QT_QPA_PLATFORM says otherwise); `registerAll` adds the benchmarks.
template <typename App>
int run(int argc, char **argv, void (*registerAll)())
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Google Benchmark takes its flags first; Qt gets what is left.
    benchmark::Initialize(&argc, argv);
    App app(argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchsupport
