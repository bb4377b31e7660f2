// Translation memory speed on a memory of 100,000 subtitle-like units: an exact lookup, the best
// five approximate matches of a line, pre-filling a 1,000-row job, and importing a 100,000-unit
// TMX; each against a floor in the same run (the bare SQLite query, or reading the TMX without
// storing it). Build optimised for honest figures (build/test has the sanitizers on):
//   cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build build/run --target
//   memory_bench
#include "memory/memory_store.h"
#include "memory/tmx.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <sqlite3.h>

namespace {

constexpr int kUnits = 100000;
constexpr int kJobRows = 1000;
const LanguagePair kPair{QStringLiteral("en"), QStringLiteral("fr")};

// Words by frequency: the commonest English ones first, then made-up ones, picked with a Zipf law
// as the words of real dialogue are.
class Sentences {
public:
    Sentences() : m_random(20261207) {
        const char* common[] = {
            "you",   "I",    "the",   "to",   "a",    "it",    "that",  "is",   "and",  "what", "of",  "me",
            "we",    "in",   "this",  "he",   "know", "my",    "don't", "your", "for",  "have", "not", "be",
            "do",    "on",   "are",   "was",  "no",   "can",   "get",   "just", "here", "all",  "go",  "with",
            "there", "like", "right", "come", "now",  "think", "want",  "she",  "they", "him",  "out", "up",
            "about", "so",   "her",   "one",  "how",  "at",    "see",   "good"};
        for (const char* w : common)
            m_words.append(QString::fromLatin1(w));
        const char* syllables[] = {"ka",  "lo",  "mi", "ren", "tor", "sa",
                                   "vel", "mor", "da", "qui", "ne",  "bra"};
        for (int i = 0; m_words.size() < 6000; ++i) {
            QString w;
            for (int k = i; w.size() < 3 || k > 0; k /= 12)
                w += QLatin1String(syllables[k % 12]);
            m_words.append(w);
        }
        double sum = 0;
        for (int r = 1; r <= m_words.size(); ++r) {
            sum += 1.0 / r;
            m_cumulative.push_back(sum);
        }
    }

    QString word() {
        std::uniform_real_distribution<double> pick(0, m_cumulative.back());
        const double x = pick(m_random);
        return m_words[int(std::lower_bound(m_cumulative.begin(), m_cumulative.end(), x) -
                           m_cumulative.begin())];
    }

    QString sentence() {
        std::uniform_int_distribution<int> length(2, 12);
        QStringList words;
        for (int n = length(m_random); n > 0; --n)
            words.append(word());
        words.first()[0] = words.first()[0].toUpper();
        const char* ends[] = {".", "?", "!", "...", "."};
        return words.join(u' ') + QLatin1String(ends[m_random() % 5]);
    }

    // The sentence with one word replaced: a near match of it.
    QString variant(const QString& sentence) {
        QStringList words = sentence.split(u' ');
        words[int(m_random() % words.size())] = word();
        return words.join(u' ');
    }

private:
    std::mt19937 m_random;
    QStringList m_words;
    std::vector<double> m_cumulative;
};

struct Memory {
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm/memory-bench-XXXXXX")
                          : QDir::tempPath() + "/memory-bench-XXXXXX"};
    MemoryStore store;
    QStringList sources;
    QStringList nearQueries;
    QString tmxPath;
    qint64 openMs = 0;

    Memory() {
        const QString path = dir.filePath(QStringLiteral("memory.sqlite"));
        store.open(path);
        Sentences s;
        QList<MemoryUnit> units;
        QSet<QString> distinct;
        while (units.size() < kUnits) {
            MemoryUnit u;
            u.languages = kPair;
            u.source = s.sentence();
            if (distinct.contains(u.source))
                continue;
            distinct.insert(u.source);
            u.target = QStringLiteral("fr: ") + u.source;
            u.byHand = units.size() % 3 == 0;
            u.engine = u.byHand ? QString() : QStringLiteral("engine");
            units.append(u);
            sources.append(u.source);
        }
        store.addUnits(units);
        for (int i = 0; i < 200; ++i)
            nearQueries.append(s.variant(sources[i * 487 % sources.size()]));
        tmxPath = dir.filePath(QStringLiteral("memory.tmx"));
        exportTmx(store, tmxPath);
        store.close();
        QElapsedTimer timer;
        timer.start();
        store.open(path); // with its check of the whole file
        openMs = timer.elapsed();
    }
};

Memory& memory() {
    static Memory m;
    return m;
}

void BM_ExactLookupOneRow(benchmark::State& state) {
    Memory& m = memory();
    int i = 0;
    for (auto _ : state) {
        auto fills = m.store.exactMatches({m.sources[i++ * 7919 % kUnits]}, kPair);
        if (fills.value.size() != 1)
            state.SkipWithError("no exact match");
        benchmark::DoNotOptimize(fills);
    }
    state.counters["open ms"] = double(m.openMs);
}
BENCHMARK(BM_ExactLookupOneRow)->Unit(benchmark::kMicrosecond);

// Floor: the same indexed query through a prepared statement, with a key made beforehand.
void BM_FloorBareIndexedSelect(benchmark::State& state) {
    Memory& m = memory();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(m.dir.filePath(QStringLiteral("memory.sqlite"))).constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT id, target FROM units WHERE source_lang='en' AND target_lang='fr' AND source_key=?1 "
        "LIMIT 1",
        -1, &s, nullptr);
    int i = 0;
    for (auto _ : state) {
        const QString key = m.sources[i++ * 7919 % kUnits];
        sqlite3_bind_text16(s, 1, key.utf16(), int(key.size() * 2), SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(s));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
}
BENCHMARK(BM_FloorBareIndexedSelect)->Unit(benchmark::kMicrosecond);

void BM_PrefillJob1000Rows(benchmark::State& state) {
    Memory& m = memory();
    QStringList rows;
    for (int i = 0; i < kJobRows; ++i) // half of them in the memory
        rows.append(i % 2 ? m.sources[i * 97]
                          : m.nearQueries[i % m.nearQueries.size()] + QStringLiteral(" x"));
    for (auto _ : state) {
        auto fills = m.store.exactMatches(rows, kPair);
        benchmark::DoNotOptimize(fills);
        state.counters["filled"] = double(fills.value.size());
    }
}
BENCHMARK(BM_PrefillJob1000Rows)->Unit(benchmark::kMillisecond);

void BM_BestFiveApproximateMatches(benchmark::State& state) {
    Memory& m = memory();
    int i = 0;
    qint64 found = 0, asked = 0;
    for (auto _ : state) {
        auto matches = m.store.approximateMatches(m.nearQueries[i++ % m.nearQueries.size()], kPair);
        found += matches.value.size();
        ++asked;
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches per line"] = double(found) / double(std::max<qint64>(asked, 1));
}
BENCHMARK(BM_BestFiveApproximateMatches)->Unit(benchmark::kMillisecond);

// The hardest line: short, and of the commonest words only, so that the index narrows little.
void BM_BestFiveApproximateMatchesCommonWords(benchmark::State& state) {
    Memory& m = memory();
    for (auto _ : state) {
        auto matches = m.store.approximateMatches(QStringLiteral("I know you are not here, are you?"), kPair,
                                                  MatchOptions{kLowestMatchThreshold, kMaxMatches});
        benchmark::DoNotOptimize(matches);
    }
}
BENCHMARK(BM_BestFiveApproximateMatchesCommonWords)->Unit(benchmark::kMillisecond);

// Floor: the candidate query of one line against the word index alone.
void BM_FloorWordIndexQuery(benchmark::State& state) {
    Memory& m = memory();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(m.dir.filePath(QStringLiteral("memory.sqlite"))).constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM units_words WHERE units_words MATCH ?1 LIMIT 3000", -1, &s,
                       nullptr);
    int i = 0;
    for (auto _ : state) {
        QStringList words = m.nearQueries[i++ % m.nearQueries.size()].toLower().split(u' ');
        const QByteArray query =
            ("\"" + words.first().remove(u'.') + "\" OR \"" + words.last().remove(u'.') + "\"").toUtf8();
        sqlite3_bind_text(s, 1, query.constData(), int(query.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(s) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_int64(s, 0));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
}
BENCHMARK(BM_FloorWordIndexQuery)->Unit(benchmark::kMillisecond);

void BM_ImportTmx100000Units(benchmark::State& state) {
    Memory& m = memory();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = m.dir.filePath(QStringLiteral("import-%1.sqlite").arg(n++));
        MemoryStore fresh;
        fresh.open(path);
        state.ResumeTiming();
        const TmxImport imported = importTmx(fresh, m.tmxPath);
        state.PauseTiming();
        state.counters["added"] = imported.added;
        fresh.close();
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        state.ResumeTiming();
    }
    state.counters["MB"] = double(QFileInfo(m.tmxPath).size()) / 1e6;
}
BENCHMARK(BM_ImportTmx100000Units)->Unit(benchmark::kMillisecond)->Iterations(1);

// Floor: reading the same file with nothing stored.
void BM_FloorReadTmxOnly(benchmark::State& state) {
    Memory& m = memory();
    for (auto _ : state) {
        QFile file(m.tmxPath);
        file.open(QIODevice::ReadOnly);
        int units = 0;
        readTmx(file, QString(), [&](const MemoryUnit&) { return ++units > 0; });
        benchmark::DoNotOptimize(units);
    }
}
BENCHMARK(BM_FloorReadTmxOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
