// Reading and writing a full-size SubRip file, against the floor of merely decoding its bytes.
#include "charset/code_page.h"
#include "subrip_sample.h"
#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_writer.h"
#include "subtitle/text_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString original;
    QString translated;
    QByteArray bytes;
    int entries = 0;

    Fixture() {
        setSystemAnsiCodePage(1252);
        bytes = makeSubRip(kMaxSubtitleFileSize);
        entries = int(bytes.count("-->"));
        original = dir.filePath("original.srt");
        translated = dir.filePath("translated.srt");
        for (const QString& p : {original, translated}) {
            QFile f(p);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_Floor_ReadDecodeScan(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QFile file(f.original);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const QString text = decodeBytes(bytes, kAnsiCodePage).value_or(QString());
        qsizetype lines = 0;
        for (qsizetype at = 0; (at = text.indexOf(u'\n', at)) >= 0; ++at)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_ReadOriginal(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        auto session = std::make_unique<SubtitleSession>();
        const ReadResult r = LoadSubtitleFile(*session, f.original, kSubRip, Side::Original);
        if (session->rowCount() != f.entries || !r.completed)
            state.SkipWithError("the reader did not read every entry");
        // Freeing the document is not part of filling it.
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
    state.counters["entries"] = f.entries;
}

void BM_ReadTranslatedOnTop(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<SubtitleSession>();
        LoadSubtitleFile(*session, f.original, kSubRip, Side::Original);
        state.ResumeTiming();
        LoadSubtitleFile(*session, f.translated, kSubRip, Side::Translated);
        if (session->document().translatedTexts.size() != f.entries)
            state.SkipWithError("the translated reader did not place every entry");
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_WriteOriginal(benchmark::State& state) {
    Fixture& f = fixture();
    SubtitleSession session;
    LoadSubtitleFile(session, f.original, kSubRip, Side::Original);
    const QString out = f.dir.filePath("saved.srt");
    for (auto _ : state) {
        const SaveResult r = session.save(SaveKind::OriginalSubtitle, out);
        if (!r.written)
            state.SkipWithError("the save failed");
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

BENCHMARK(BM_Floor_ReadDecodeScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOriginal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTranslatedOnTop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOriginal)->Unit(benchmark::kMillisecond);

// Prints the reader's time as a multiple of the floor measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")
                times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto floor = reporter.times.find("BM_Floor_ReadDecodeScan");
    if (floor != reporter.times.end() && floor->second > 0)
        for (const char* name : {"BM_ReadOriginal", "BM_ReadTranslatedOnTop", "BM_WriteOriginal"})
            if (auto it = reporter.times.find(name); it != reporter.times.end())
                std::printf("%-24s %6.2fx the floor\n", name, it->second / floor->second);
    benchmark::Shutdown();
    return 0;
}
