// The editing commands over a full-size file with the grid's model attached, each with its undo,
// against the floor of copying the session's lists once.
#include "app/entry_rows_model.h"
#include "charset/code_page.h"
#include "edit/line_operations.h"
#include "edit/search_rules.h"
#include "edit/timing_edits.h"
#include "subrip_sample.h"
#include "subtitle/subtitle_reader.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {

struct Loaded {
    SubtitleSession session;
    std::unique_ptr<EntryRowsModel> model;
    int notifications = 0;

    Loaded() {
        static const QByteArray bytes = [] {
            setSystemAnsiCodePage(1252);
            return makeSubRip(kMaxSubtitleFileSize);
        }();
        loadSubtitleBytes(session, bytes, kSubRip, Side::Original);
        model = std::make_unique<EntryRowsModel>(session);
        // Every signal a view would have to act on.
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            QObject::connect(model.get(), signal, [this] { ++notifications; });
        QObject::connect(model.get(), &QAbstractItemModel::dataChanged, [this] { ++notifications; });
        QObject::connect(model.get(), &QAbstractItemModel::modelReset, [this] { ++notifications; });
    }
    QList<int> all() const {
        QList<int> rows;
        rows.reserve(session.rowCount());
        for (int r = 0; r < session.rowCount(); ++r)
            rows.append(r);
        return rows;
    }
};

// What each command builds from the session, as the frame's handler would.
using Command = std::function<SessionEdit(Loaded&)>;

const LineClipboard& fiveThousandLines() {
    static const LineClipboard clipboard = [] {
        Loaded l;
        LineClipboard c;
        QList<int> rows = l.all().mid(0, 5000);
        OnCopyLine(l.session, rows, c);
        return c;
    }();
    return clipboard;
}

void runCommand(benchmark::State& state, const Command& command, bool measureUndo) {
    int notifications = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto loaded = std::make_unique<Loaded>();
        if (measureUndo)
            loaded->model->apply(loaded->session.apply(command(*loaded)));
        loaded->notifications = 0;
        state.ResumeTiming();
        if (measureUndo)
            loaded->model->apply(loaded->session.undo());
        else
            loaded->model->apply(loaded->session.apply(command(*loaded)));
        state.PauseTiming();
        notifications = loaded->notifications;
        loaded.reset();
        state.ResumeTiming();
    }
    state.counters["notifications"] = notifications;
}

void BM_Floor_CopyLists(benchmark::State& state) {
    Loaded loaded;
    const SubtitleDocument& d = loaded.session.document();
    for (auto _ : state) {
        // Element by element, as an edit that touches every entry must at least do.
        QStringList lists[4];
        const QStringList* sources[4] = {&d.loadedTimeLines, &d.timeLines, &d.originalTexts,
                                         &d.translatedTexts};
        for (int i = 0; i < 4; ++i) {
            lists[i].reserve(sources[i]->size());
            for (const QString& s : *sources[i])
                lists[i].append(s);
        }
        QVector<EntryRow> rows;
        rows.reserve(loaded.session.rowCount());
        for (const EntryRow& r : loaded.session.rows().all())
            rows.append(r);
        benchmark::DoNotOptimize(lists);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["entries"] = loaded.session.rowCount();
}

const Command kCombineAll = [](Loaded& l) { return OnCombineSubtitles(l.session, l.all()); };
const Command kDeleteAll = [](Loaded& l) { return OnDeleteSelected(l.session, l.all()); };
const Command kPaste5000 = [](Loaded& l) { return OnPasteLine(l.session, {0}, fiveThousandLines()); };
const Command kReplaceAll = [](Loaded& l) { return replaceAll(l.session, "a", "aa", true); };
const Command kReplaceAllNoCase = [](Loaded& l) { return replaceAll(l.session, "a", "aa", false); };
const Command kSetDelayAll = [](Loaded& l) {
    return setDelay(l.session, DelayChoice{2000, false, false}, {});
};

} // namespace

BENCHMARK(BM_Floor_CopyLists)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, CombineAll, kCombineAll, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, CombineAll_Undo, kCombineAll, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, DeleteAll, kDeleteAll, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, DeleteAll_Undo, kDeleteAll, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, Paste5000, kPaste5000, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, Paste5000_Undo, kPaste5000, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, ReplaceAll, kReplaceAll, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, ReplaceAll_Undo, kReplaceAll, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, ReplaceAllNoCase, kReplaceAllNoCase, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, SetDelayAll, kSetDelayAll, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCommand, SetDelayAll_Undo, kSetDelayAll, true)->Unit(benchmark::kMillisecond);
