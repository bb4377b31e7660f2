// Reading and writing full-size subtitle files of every format and of several code pages, each
// against the floor of its own file: reading and decoding its bytes, or encoding and writing the
// save's output once.
#include "charset/code_page.h"
#include "charset/encoding_detector.h"
#include "format_samples.h"
#include "subrip_sample.h"
#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_writer.h"
#include "subtitle/text_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <malloc.h>
#include <map>
#include <random>

namespace {

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// One file of the benchmarks: its bytes on disk, how it loads and how its floor decodes it.
struct Sample {
    std::string name;
    QByteArray bytes;
    SubtitleFormat format = kSubRip;
    int entries = 0;
    QString path;
    // The code page the loader reads the bytes in (what the detector says), or UTF-16 by its mark.
    bool utf16 = false;
    std::uint32_t codePage = kAnsiCodePage;
};

Sample makeSample(std::string name, QByteArray bytes, SubtitleFormat format, int entries) {
    Sample s;
    s.name = std::move(name);
    s.bytes = std::move(bytes);
    s.format = format;
    s.entries = entries;
    s.path = benchDir().filePath(QString::fromStdString(s.name));
    const EncodingGuess guess = detectEncoding(s.bytes);
    s.utf16 = guess.source == EncodingGuess::Source::ByteOrderMark && guess.codePage != kUtf8CodePage;
    s.codePage = guess.codePage;
    writeFile(s.path, s.bytes);
    return s;
}

// French dialogue in Windows-1252: accents, a ligature and typographic apostrophes.
constexpr const char* kFrenchWords[] = {"\xe9t\xe9",
                                        "tr\xe8s",
                                        "d\xe9j\xe0",
                                        "gar\xe7on",
                                        "o\xf9",
                                        "fran\xe7"
                                        "ais",
                                        "\xe7"
                                        "a",
                                        "\xe9l\xe8ve",
                                        "for\xeat",
                                        "na\xefve",
                                        "c\x9cur",
                                        "l\x92"
                                        "ami",
                                        "il",
                                        "faut",
                                        "partir",
                                        "maintenant",
                                        "avant",
                                        "la",
                                        "nuit",
                                        "tu",
                                        "sais",
                                        "ce",
                                        "que",
                                        "j\x92"
                                        "ai",
                                        "dit",
                                        "jamais",
                                        "\xe0",
                                        "la",
                                        "maison",
                                        "s\x92il"};

QByteArray chineseSubRip(qint64 size) {
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
        if (out.size() + entry.size() > size)
            break;
        out += entry;
    }
    return out;
}

// UTF-16 little-endian with its mark, of exactly `size` bytes.
QByteArray utf16SubRip(qint64 size) {
    const QByteArray ascii = makeSubRip((size - 2) / 2);
    QByteArray out("\xFF\xFE", 2);
    for (char c : ascii)
        out.append(c).append('\0');
    return out;
}

std::deque<Sample>& samples() {
    static std::deque<Sample> all = [] {
        std::deque<Sample> s;
        const qint64 size = kMaxSubtitleFileSize;
        auto arrows = [](const QByteArray& b) { return int(b.count("-->")); };
        QByteArray b = makeSubRip(size);
        s.push_back(makeSample("SubRip", b, kSubRip, arrows(b)));
        b = makeSubRip(size, kFrenchWords);
        s.push_back(makeSample("SubRipFrench1252", b, kSubRip, arrows(b)));
        b = chineseSubRip(size);
        s.push_back(makeSample("SubRipChinese936", b, kSubRip, arrows(b)));
        b = utf16SubRip(size);
        s.push_back(makeSample("SubRipUtf16", b, kSubRip, int(b.count(QByteArray("-\0-\0>", 5)))));
        int made = 0;
        b = makeSami(size, &made);
        s.push_back(makeSample("SAMI", b, kSAMI, made));
        b = makeSubViewer(size, false, &made);
        s.push_back(makeSample("SubViewer", b, kSubViewer, made));
        b = makeSubViewer(size, true, &made);
        s.push_back(makeSample("SubViewer2", b, kSubViewer2, made));
        b = makeMicroDvd(size, &made);
        s.push_back(makeSample("MicroDVD", b, kMicroDVD, made + 1)); // the frame rate line is one too
        b = makeWebVtt(size);
        s.push_back(makeSample("WebVTT", b, kWebVTT, arrows(b)));
        b = makeSubStation(size);
        s.push_back(makeSample("SubStation", b, kSubStation, int(b.count("Dialogue:"))));
        return s;
    }();
    return all;
}

const Sample& sample(const std::string& name) {
    for (const Sample& s : samples())
        if (s.name == name)
            return s;
    std::abort();
}

// Reading the file, decoding it as the loader does and finding its lines: no loader can do less.
void readFloor(benchmark::State& state, const Sample& s) {
    for (auto _ : state) {
        QFile file(s.path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        QString text;
        if (s.utf16) {
            text.resize((bytes.size() - 2) / 2);
            std::memcpy(text.data(), bytes.constData() + 2, std::size_t(text.size()) * 2);
        } else {
            text = decodeBytes(bytes, s.codePage).value_or(QString());
        }
        qsizetype lines = 0;
        for (qsizetype at = 0; (at = text.indexOf(u'\n', at)) >= 0; ++at)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * s.bytes.size());
}

// Heap bytes in use, to tell what a loaded document holds on to.
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void readOriginal(benchmark::State& state, const Sample& s) {
    double held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = heapInUse();
        state.ResumeTiming();
        auto session = std::make_unique<SubtitleSession>();
        const ReadResult r = LoadSubtitleFile(*session, s.path, s.format, Side::Original);
        if (session->rowCount() != s.entries || !r.completed)
            state.SkipWithError("the reader did not read every entry");
        // Freeing the document is not part of filling it.
        state.PauseTiming();
        held = double(heapInUse() - before);
        session.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * s.bytes.size());
    state.counters["entries"] = s.entries;
    state.counters["heldKiB"] = held / 1024;
}

// The detector's share of the Chinese load.
void BM_DetectChinese(benchmark::State& state) {
    const Sample& s = sample("SubRipChinese936");
    for (auto _ : state)
        benchmark::DoNotOptimize(detectEncoding(s.bytes));
    state.SetBytesProcessed(state.iterations() * s.bytes.size());
}

void BM_ReadTranslatedOnTop(benchmark::State& state) {
    const Sample& s = sample("SubRip");
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<SubtitleSession>();
        LoadSubtitleFile(*session, s.path, kSubRip, Side::Original);
        state.ResumeTiming();
        LoadSubtitleFile(*session, s.path, kSubRip, Side::Translated);
        if (session->document().translatedTexts.size() != s.entries)
            state.SkipWithError("the translated reader did not place every entry");
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * s.bytes.size());
}

// A loaded document saved one way, with the floor of that save: its own output, made once, encoded
// with the project's encoder and written once through QSaveFile (temporary file, sync, rename).
struct SaveCase {
    std::string name;
    std::string sampleName;
    SaveKind kind;
    bool withTranslation;
};

const SaveCase kSaveCases[] = {
    {"SubRipOriginal", "SubRip", SaveKind::OriginalSubtitle, false},
    {"SubRipTranslated", "SubRip", SaveKind::TranslatedSubtitle, true},
    {"SubRipMix", "SubRip", SaveKind::MixSubtitle, true},
    {"SubRipText", "SubRip", SaveKind::OriginalText, false},
    {"WebVTTOriginal", "WebVTT", SaveKind::OriginalSubtitle, false},
    {"SubStationOriginal", "SubStation", SaveKind::OriginalSubtitle, false},
};

std::unique_ptr<SubtitleSession> loadedFor(const SaveCase& c) {
    const Sample& s = sample(c.sampleName);
    auto session = std::make_unique<SubtitleSession>();
    LoadSubtitleFile(*session, s.path, s.format, Side::Original);
    if (c.withTranslation)
        LoadSubtitleFile(*session, s.path, s.format, Side::Translated);
    session->setFormatMode(s.format);
    return session;
}

void saveFloor(benchmark::State& state, const SaveCase& c) {
    // The save's own output as text, and how it is encoded.
    const QString out = benchDir().filePath(QString::fromStdString("floor-" + c.name));
    loadedFor(c)->save(c.kind, out);
    QFile saved(out);
    saved.open(QIODevice::ReadOnly);
    const QByteArray bytes = saved.readAll();
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    QString text;
    if (utf16) {
        text.resize((bytes.size() - 2) / 2);
        std::memcpy(text.data(), bytes.constData() + 2, std::size_t(text.size()) * 2);
    } else {
        text = *decodeBytes(bytes.constData() + 3, bytes.size() - 3, kUtf8CodePage);
    }
    for (auto _ : state) {
        QByteArray encoded;
        if (utf16) {
            encoded = QByteArray("\xFF\xFE", 2);
            encoded.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        } else {
            encoded = QByteArray("\xEF\xBB\xBF") + *encodeText(text, kUtf8CodePage);
        }
        QSaveFile file(out);
        file.open(QIODevice::WriteOnly);
        file.write(encoded);
        if (!file.commit())
            state.SkipWithError("the floor's write failed");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void save(benchmark::State& state, const SaveCase& c) {
    const auto session = loadedFor(c);
    const QString out = benchDir().filePath(QString::fromStdString("saved-" + c.name));
    qint64 size = 0;
    for (auto _ : state) {
        const SaveResult r = session->save(c.kind, out);
        if (!r.written)
            state.SkipWithError("the save failed");
    }
    size = QFile(out).size();
    state.SetBytesProcessed(state.iterations() * size);
}

// Prints each benchmark's time as a multiple of its floor measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")
                times[r.run_name.function_name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    // Real and CPU time: on a machine shared with other work the CPU ratio is the steadier one.
    std::map<std::string, std::pair<double, double>> times;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setSystemAnsiCodePage(1252);
    benchmark::Initialize(&argc, argv);
    std::vector<std::pair<std::string, std::string>> ratios;
    for (const Sample& s : samples()) {
        const std::string floorName = "Floor/" + s.name, readName = "Read/" + s.name;
        benchmark::RegisterBenchmark(floorName.c_str(), [&s](benchmark::State& st) {
            readFloor(st, s);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(readName.c_str(), [&s](benchmark::State& st) {
            readOriginal(st, s);
        })->Unit(benchmark::kMillisecond);
        ratios.emplace_back(readName, floorName);
    }
    benchmark::RegisterBenchmark("ReadTranslatedOnTop/SubRip", BM_ReadTranslatedOnTop)
        ->Unit(benchmark::kMillisecond);
    ratios.emplace_back("ReadTranslatedOnTop/SubRip", "Floor/SubRip");
    benchmark::RegisterBenchmark("DetectChinese", BM_DetectChinese)->Unit(benchmark::kMillisecond);
    for (const SaveCase& c : kSaveCases) {
        const std::string floorName = "SaveFloor/" + c.name, saveName = "Save/" + c.name;
        benchmark::RegisterBenchmark(floorName.c_str(), [&c](benchmark::State& st) {
            saveFloor(st, c);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(saveName.c_str(), [&c](benchmark::State& st) {
            save(st, c);
        })->Unit(benchmark::kMillisecond);
        ratios.emplace_back(saveName, floorName);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, floorName] : ratios) {
        const auto it = reporter.times.find(name);
        const auto floor = reporter.times.find(floorName);
        if (it != reporter.times.end() && floor != reporter.times.end() && floor->second.first > 0 &&
            floor->second.second > 0)
            std::printf("%-28s %6.2fx real %6.2fx cpu  %s\n", name.c_str(),
                        it->second.first / floor->second.first, it->second.second / floor->second.second,
                        floorName.c_str());
    }
    benchmark::Shutdown();
    return 0;
}
