// Whole-file conversion of a 10 MB subtitle file, against the floor of the system's iconv program
// converting the same file in the same run (started with an argument list, output into a file).
#include "charset/file_conversion.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

namespace {

constexpr qsizetype kFileSize = 10 * 1024 * 1024;

// SubRip-shaped text: numbers and time lines in ASCII, the lines themselves of `letters`.
template <typename PickLetter> QByteArray makeFile(PickLetter pickLetter) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> wordCount(3, 9), wordLength(2, 6);
    QByteArray out;
    out.reserve(kFileSize + 256);
    for (int n = 1; out.size() < kFileSize; ++n) {
        char head[64];
        std::snprintf(head, sizeof head, "%d\r\n00:%02d:%02d,000 --> 00:%02d:%02d,500\r\n", n, n / 60 % 60,
                      n % 60, n / 60 % 60, n % 60);
        out += head;
        for (int w = wordCount(rng); w > 0; --w) {
            for (int l = wordLength(rng); l > 0; --l)
                out += pickLetter(rng);
            out += w > 1 ? " " : ".\r\n\r\n";
        }
    }
    out.truncate(kFileSize);
    return out;
}

QByteArray gb2312Letter(std::mt19937& rng) {
    // The 3,755 level-1 hanzi, rows 0xB0-0xD7.
    std::uniform_int_distribution<int> row(0xB0, 0xD7), cell(0xA1, 0xFE);
    int r = row(rng), c = cell(rng);
    if (r == 0xD7 && c > 0xF9)
        c = 0xF9;
    return QByteArray{char(r), char(c)};
}

QByteArray cp1251Letter(std::mt19937& rng) {
    std::uniform_int_distribution<int> letter(0xC0, 0xFF); // А..я
    return QByteArray(1, char(letter(rng)));
}

struct Files {
    QTemporaryDir dir;
    QString gb2312 = dir.filePath("gb2312.srt");
    QString cp1251 = dir.filePath("cp1251.srt");
    QString target = dir.filePath("out.srt");
    QString iconv = QStandardPaths::findExecutable("iconv");

    Files() {
        write(gb2312, makeFile([](std::mt19937& rng) {
                  // Mostly hanzi, with an ASCII word now and then as in real subtitles.
                  return rng() % 8 == 0 ? QByteArray("a") : gb2312Letter(rng);
              }));
        write(cp1251, makeFile(cp1251Letter));
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
};

Files& files() {
    static Files f;
    return f;
}

void convertInProcess(benchmark::State& state, const QString& source, const char* from) {
    for (auto _ : state) {
        const FileConversionResult result = convertFile({source, files().target, from, "UTF-8"});
        if (result.status != FileConversionResult::Status::Done) {
            state.SkipWithError("conversion failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void convertWithIconv(benchmark::State& state, const QString& source, const char* from) {
    if (files().iconv.isEmpty()) {
        state.SkipWithError("no iconv program on the path");
        return;
    }
    for (auto _ : state) {
        QProcess iconv;
        iconv.setStandardOutputFile(files().target);
        iconv.start(files().iconv, {"-c", "-f", from, "-t", "UTF-8", source});
        if (!iconv.waitForFinished(60000) || iconv.exitStatus() != QProcess::NormalExit) {
            state.SkipWithError("iconv failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void BM_Floor_IconvGb2312(benchmark::State& state) {
    convertWithIconv(state, files().gb2312, "GB2312");
}
void BM_ConvertGb2312(benchmark::State& state) {
    convertInProcess(state, files().gb2312, "GB2312");
}
void BM_Floor_IconvCp1251(benchmark::State& state) {
    convertWithIconv(state, files().cp1251, "CP1251");
}
void BM_ConvertCp1251(benchmark::State& state) {
    convertInProcess(state, files().cp1251, "CP1251");
}

} // namespace

BENCHMARK(BM_Floor_IconvGb2312)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertGb2312)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Floor_IconvCp1251)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertCp1251)->Unit(benchmark::kMillisecond)->UseRealTime();
