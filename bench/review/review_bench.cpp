// The review checks over a film of 5,000 entries with a French translation: a full check with
// spelling (from a cold word memory, as after a load, and a warm one, as after a change of limits),
// and the incremental recheck after one edit, against the floor of copying the rows' texts once.
// Budgets: a full check under 150 ms, a recheck after one edit under 5 ms.
#include "review/incremental_checker.h"
#include "review/spell_checker.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/time_codes.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kEntries = 5000;

// Words of a real dictionary, so that the speller sees the variety of a film's dialogue.
QStringList dictionaryWords(const QString& dic, int count, std::mt19937& random) {
    QFile file(dic);
    file.open(QIODevice::ReadOnly);
    QStringList all;
    while (!file.atEnd()) {
        const QString word = QString::fromUtf8(file.readLine()).section(u'/', 0, 0).trimmed();
        if (word.size() > 1 && std::all_of(word.begin(), word.end(), [](QChar c) { return c.isLower(); }))
            all.append(word);
    }
    QStringList picked;
    for (int i = 0; i < count && !all.isEmpty(); ++i)
        picked.append(all[random() % all.size()]);
    return picked;
}

QString sentence(const QStringList& words, std::mt19937& random, bool typos) {
    QString line;
    const int lines = 1 + int(random() % 2);
    for (int l = 0; l < lines; ++l) {
        if (l > 0)
            line += QStringLiteral("|\n");
        const int n = 3 + int(random() % 5);
        for (int w = 0; w < n; ++w) {
            QString word = words[random() % words.size()];
            if (typos && random() % 50 == 0 && word.size() > 3)
                std::swap(word[1], word[2]);
            line += (w > 0 ? QStringLiteral(" ") : QString()) + word;
        }
    }
    return line;
}

struct Film {
    QTemporaryDir dir;
    SubtitleSession session;
    SpellChecker speller{defaultDictionaryFolders(), dir.filePath("my_words.txt")};
    CheckOptions options;

    Film() {
        std::mt19937 random(2024);
        const QStringList french = dictionaryWords("/usr/share/hunspell/fr.dic", 2500, random);
        const QStringList english = dictionaryWords("/usr/share/hunspell/en_US.dic", 2500, random);
        SubtitleDocument d;
        QVector<EntryRow> rows;
        for (int i = 0; i < kEntries; ++i) {
            // Mostly comfortable times, some short or crowding the next entry.
            const int show = i * 2500;
            const int hide = show + (i % 17 == 0 ? 600 : i % 23 == 0 ? 2480 : 2000);
            const QString s = ShiftTimeText("00:00:00,000", show, kSubRip);
            const QString h = ShiftTimeText("00:00:00,000", hide, kSubRip);
            rows.append(EntryRow{double(i + 1), s, h, sentence(english, random, false),
                                 sentence(french, random, true)});
            d.timeLines.append(BuildTimeLine(s, h, kSubRip));
            d.originalTexts.append(rows.last().original);
            d.translatedTexts.append(rows.last().translated);
        }
        d.loadedTimeLines = d.timeLines;
        session.reset(d, rows);
        speller.setLanguages({"fr"});
        options.speller = &speller;
    }
};

Film& film() {
    static Film f;
    return f;
}

void BM_Floor_CopyRowTexts(benchmark::State& state) {
    const QVector<EntryRow>& rows = film().session.rows().all();
    for (auto _ : state) {
        QStringList texts;
        texts.reserve(rows.size() * 2);
        for (const EntryRow& r : rows) {
            texts.append(QString(r.original.constData(), r.original.size()));
            texts.append(QString(r.translated.constData(), r.translated.size()));
        }
        benchmark::DoNotOptimize(texts);
    }
}

void BM_FullCheck(benchmark::State& state, bool coldWords) {
    Film& f = film();
    IncrementalChecker checker(f.options);
    int findings = 0;
    for (auto _ : state) {
        if (coldWords) {
            state.PauseTiming();
            f.speller.setLanguages({"fr"}); // forgets every word it was asked about
            state.ResumeTiming();
        }
        checker.checkAll(f.session);
        findings = checker.findingCount();
    }
    state.counters["findings"] = findings;
}

void BM_RecheckAfterOneEdit(benchmark::State& state, bool insert) {
    Film& f = film();
    IncrementalChecker checker(f.options);
    checker.checkAll(f.session);
    const QStringList texts{"Il est parti hier sior.", "Il est parti hier soir."};
    int i = 0;
    for (auto _ : state) {
        // Edit and undo in turn, so that the film stays the same size.
        const SessionChange change =
            i % 2 == 0 ? (insert ? f.session.insertEntries(kEntries / 2, {SessionEntry{}})
                                 : f.session.setTextCell(kEntries / 2, kColumnTranslated, texts[(i / 2) % 2]))
                       : f.session.undo();
        checker.update(f.session, change);
        ++i;
    }
    state.counters["rechecked"] = checker.lastRecheckedRows();
}

} // namespace

BENCHMARK(BM_Floor_CopyRowTexts)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullCheck, ColdWords, true)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_FullCheck, WarmWords, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RecheckAfterOneEdit, TypeInACell, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RecheckAfterOneEdit, InsertARow, true)->Unit(benchmark::kMillisecond);
