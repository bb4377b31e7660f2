// Reading and writing full-size subtitle files (SubRip, WebVTT, Advanced SubStation), against the
// floor of merely reading and decoding their bytes.
#include "charset/code_page.h"
#include "charset/encoding_detector.h"
#include "format_samples.h"
#include "subrip_sample.h"
#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_writer.h"
#include "subtitle/text_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
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

// Heap bytes in use, to tell what a loaded document holds on to.
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void readOriginal(benchmark::State& state, const QString& path, int entries, qint64 size,
                  SubtitleFormat format = kSubRip) {
    double held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = heapInUse();
        state.ResumeTiming();
        auto session = std::make_unique<SubtitleSession>();
        const ReadResult r = LoadSubtitleFile(*session, path, format, Side::Original);
        if (session->rowCount() != entries || !r.completed)
            state.SkipWithError("the reader did not read every entry");
        // Freeing the document is not part of filling it.
        state.PauseTiming();
        held = double(heapInUse() - before);
        session.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["entries"] = entries;
    state.counters["heldKiB"] = held / 1024;
}

void BM_ReadOriginal(benchmark::State& state) {
    Fixture& f = fixture();
    readOriginal(state, f.original, f.entries, f.bytes.size());
}

// The same size of file in Chinese: the encoding detector has to look, and every text keeps its bytes.
struct Chinese {
    QTemporaryDir dir;
    QString path;
    int entries = 0;
    qint64 size = 0;
    Chinese() {
        const QString words = QString::fromUtf8("我们今天晚上一起去看电影吧你觉得怎么样外面下雨了快回家");
        QByteArray out;
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> pick(0, int(words.size()) - 1), count(4, 14);
        for (int i = 1;; ++i) {
            QString line;
            for (int n = count(rng), k = 0; k < n; ++k)
                line += words[pick(rng)];
            const int ms = 1000 + i * 2500;
            QByteArray entry = QByteArray::number(i) + "\r\n" +
                               QStringLiteral("00:%1:%2,000 --> 00:%1:%2,800\r\n")
                                   .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
                                   .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                                   .toLatin1() +
                               *encodeText(line, 936) + "\r\n\r\n";
            if (out.size() + entry.size() > kMaxSubtitleFileSize)
                break;
            out += entry;
            ++entries;
        }
        size = out.size();
        path = dir.filePath("chinese.srt");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(out);
        bytes = out;
    }
    QByteArray bytes;
};

const Chinese& chinese() {
    static const Chinese c;
    return c;
}

void BM_ReadOriginalChinese(benchmark::State& state) {
    const Chinese& c = chinese();
    readOriginal(state, c.path, c.entries, c.size);
}

// The detector's share of that load.
void BM_DetectChinese(benchmark::State& state) {
    const Chinese& c = chinese();
    for (auto _ : state)
        benchmark::DoNotOptimize(detectEncoding(c.bytes));
    state.SetBytesProcessed(state.iterations() * c.size);
}

// A full-size file of a format whose text is UTF-8, with its own floor: reading and decoding it.
struct Utf8File {
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    int entries = 0;
    Utf8File(const QByteArray& content, const char* name, const char* marker) : bytes(content) {
        entries = int(bytes.count(marker));
        path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
};

const Utf8File& webVtt() {
    static const Utf8File f(makeWebVtt(kMaxSubtitleFileSize), "bench.vtt", "-->");
    return f;
}
const Utf8File& subStation() {
    static const Utf8File f(makeSubStation(kMaxSubtitleFileSize), "bench.ass", "Dialogue:");
    return f;
}

void utf8Floor(benchmark::State& state, const Utf8File& f) {
    for (auto _ : state) {
        QFile file(f.path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const QString text = decodeBytes(bytes, kUtf8CodePage).value_or(QString());
        qsizetype lines = 0;
        for (qsizetype at = 0; (at = text.indexOf(u'\n', at)) >= 0; ++at)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_Floor_WebVtt(benchmark::State& state) {
    utf8Floor(state, webVtt());
}
void BM_ReadWebVtt(benchmark::State& state) {
    readOriginal(state, webVtt().path, webVtt().entries, webVtt().bytes.size(), kWebVTT);
}
void BM_Floor_SubStation(benchmark::State& state) {
    utf8Floor(state, subStation());
}
void BM_ReadSubStation(benchmark::State& state) {
    readOriginal(state, subStation().path, subStation().entries, subStation().bytes.size(), kSubStation);
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
BENCHMARK(BM_ReadOriginalChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTranslatedOnTop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOriginal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_WebVtt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWebVtt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_SubStation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSubStation)->Unit(benchmark::kMillisecond);

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
    // Each reader against the floor of its own file.
    const std::pair<const char*, const char*> ratios[] = {
        {"BM_ReadOriginal", "BM_Floor_ReadDecodeScan"},
        {"BM_ReadOriginalChinese", "BM_Floor_ReadDecodeScan"},
        {"BM_ReadTranslatedOnTop", "BM_Floor_ReadDecodeScan"},
        {"BM_WriteOriginal", "BM_Floor_ReadDecodeScan"},
        {"BM_ReadWebVtt", "BM_Floor_WebVtt"},
        {"BM_ReadSubStation", "BM_Floor_SubStation"},
    };
    for (const auto& [name, floorName] : ratios) {
        const auto it = reporter.times.find(name);
        const auto floor = reporter.times.find(floorName);
        if (it != reporter.times.end() && floor != reporter.times.end() && floor->second > 0)
            std::printf("%-24s %6.2fx %s\n", name, it->second / floor->second, floorName);
    }
    benchmark::Shutdown();
    return 0;
}
