// The "Statistika" counts: the whole document, as the window counts it
// after a pause in the typing. 10 MB must count well within 50 ms; text of
// one-letter words (a word boundary at every other character) must stay
// linear.

#include "benchsupport.h"
#include "rtf/rtf.h"
#include "statistics.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

void countMagazine(benchmark::State &state, qint64 bytes)
{
    const benchdoc::Document &d = benchsupport::document(bytes);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    rtf::read(d.rtf, doc);
    borovka::TextStatistics s;
    for (auto _ : state) {
        s = borovka::documentStatistics(doc);
        benchmark::DoNotOptimize(s);
    }
    state.SetBytesProcessed(state.iterations() * d.rtf.size());
    state.counters["words"] = double(s.words);
    state.counters["paragraphs"] = double(s.paragraphs);
}

// `characters` characters of "a a a ...", in paragraphs of 1 000.
void countOneLetterWords(benchmark::State &state)
{
    const qint64 characters = state.range(0);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    const QString paragraph = QStringLiteral("a ").repeated(500);
    QString text;
    text.reserve(characters + 1000);
    while (text.size() < characters)
        text += paragraph + u'\n';
    QTextCursor(&doc).insertText(text);
    borovka::TextStatistics s;
    for (auto _ : state) {
        s = borovka::documentStatistics(doc);
        benchmark::DoNotOptimize(s);
    }
    state.SetComplexityN(characters);
    state.counters["words"] = double(s.words);
}

void registerAll()
{
    for (const qint64 bytes : benchsupport::sizes())
        benchmark::RegisterBenchmark(("statistics_document/" + benchsupport::sizeName(bytes)).c_str(), countMagazine, bytes)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("statistics_one_letter_words", countOneLetterWords)
        ->RangeMultiplier(4)->Range(1 << 16, 10 << 20)->Complexity(benchmark::oN)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::run<QGuiApplication>(argc, argv, registerAll);
}
