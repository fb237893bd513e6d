#include "benchsupport.h"

#include <QFile>
#include <QMap>

#include <malloc.h>
#include <sys/resource.h>

namespace benchsupport {

namespace {

qint64 statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool resetHighWaterMark()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

qint64 maxRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

bool canReset()
{
    static const bool ok = resetHighWaterMark() && statusKb("VmHWM") > 0;
    return ok;
}

} // namespace

QList<qint64> sizes()
{
    QList<qint64> s{10 * 1024, 1024 * 1024, 10 * 1024 * 1024};
    if (qEnvironmentVariableIntValue("BOROVKA_BENCH_LARGE") == 1)
        s.append(50 * 1024 * 1024);
    return s;
}

const benchdoc::Document &document(qint64 bytes)
{
    static QMap<qint64, benchdoc::Document> cache;
    auto it = cache.find(bytes);
    if (it == cache.end())
        it = cache.insert(bytes, benchdoc::magazine(bytes));
    return *it;
}

std::string sizeName(qint64 bytes)
{
    return benchdoc::sizeLabel(bytes).remove(u' ').toStdString();
}

void PeakMeter::start()
{
    // Freed memory the allocator still holds would hide part of the peak.
    malloc_trim(0);
    if (canReset()) {
        resetHighWaterMark();
        m_baseKb = statusKb("VmRSS");
    } else {
        m_baseKb = statusKb("VmRSS");
        m_rusageBaseKb = maxRssKb();
    }
}

double PeakMeter::megabytes() const
{
    const qint64 peak = canReset() ? statusKb("VmHWM") : maxRssKb();
    return double(peak - m_baseKb) / 1024.0;
}

const char *PeakMeter::method()
{
    return canReset() ? "VmHWM" : "ru_maxrss";
}

void reportPeak(benchmark::State &state, const PeakMeter &meter, qint64 fileBytes)
{
    const double mb = meter.megabytes();
    state.counters["peak_MB"] = mb;
    state.counters["peak_x_file"] = mb * 1024.0 * 1024.0 / double(fileBytes);
    state.SetLabel(PeakMeter::method());
}

} // namespace benchsupport
