// How late trelline shows its lines: 200 lines, 20 ms apart and 20 ms long, played through the real
// clock, the playback thread and the window's display path. Lateness is measured from the Play
// press plus each line's show time to the moment the window set the text. The floor is how late a
// bare sleep on the same clock wakes for the same schedule on this machine.
// Every benchmark runs twice: on a quiet machine (load:0) and with `stress-ng --cpu 8` keeping every
// core busy (load:1; TRELLINE_BENCH_LOAD sets another number of busy workers). The window's run
// reports its p99 over the p99 of a floor measured during that very run.
#include "player/player_line.h"
#include "player/sync_timing.h"
#include "player/trelline_dlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 200;
constexpr int kGapMs = 20;
constexpr int kDurationMs = 20;

// The busy workers of the loaded runs, started by the first of them and ended at exit.
class LoadGenerator {
public:
    ~LoadGenerator() { stop(); }
    bool ensureRunning() {
        if (m_process.state() == QProcess::Running)
            return true;
        const QString program = QStandardPaths::findExecutable(QStringLiteral("stress-ng"));
        if (program.isEmpty())
            return false;
        const QByteArray workers = qgetenv("TRELLINE_BENCH_LOAD");
        // Ends by itself, should this program not get to stop it.
        m_process.start(program,
                        {QStringLiteral("--cpu"),
                         workers.isEmpty() ? QStringLiteral("8") : QString::fromLatin1(workers),
                         QStringLiteral("--timeout"), QStringLiteral("300s"), QStringLiteral("--quiet")});
        if (!m_process.waitForStarted())
            return false;
        // Until every worker spins.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return m_process.state() == QProcess::Running;
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
};

LoadGenerator* g_load = nullptr;

// False (and the benchmark skipped) when the load cannot be had.
bool setLoad(benchmark::State& state) {
    if (state.range(0) == 0) {
        g_load->stop();
        return true;
    }
    if (g_load->ensureRunning())
        return true;
    state.SkipWithError("stress-ng could not be started");
    return false;
}

int showTime(int index) {
    return kGapMs + index * (kGapMs + kDurationMs);
}

// The sync of the synced runs: later by a little, and timed for 24 frames a second on a 25 one.
const SyncTiming kSynced{15, speedIndexOf(QStringLiteral("24/25"))};

// When line `index` is due after Play.
std::chrono::milliseconds dueTime(int index, bool synced) {
    return std::chrono::milliseconds(synced ? kSynced.map(showTime(index)) : showTime(index));
}

// The lines of the second file start a little after the first's, as a translation's do.
QByteArray generatedFile(const char* text = "line ", int shift = 0) {
    QByteArray srt;
    auto stamp = [](int ms) {
        return QString::asprintf("%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                                 ms % 1000)
            .toLatin1();
    };
    for (int i = 0; i < kLines; ++i)
        srt += QByteArray::number(i + 1) + "\n" + stamp(showTime(i) + shift) + " --> " +
               stamp(showTime(i) + kDurationMs + shift) + "\n" + text + QByteArray::number(i) + "\n\n";
    return srt;
}

struct Summary {
    double median = 0, p99 = 0, worst = 0;
};

Summary summarise(std::vector<double> late) {
    std::sort(late.begin(), late.end());
    Summary s;
    if (late.empty())
        return s;
    s.median = late[late.size() / 2];
    s.p99 = late[std::min(late.size() - 1, std::size_t(double(late.size()) * 0.99))];
    s.worst = late.back();
    return s;
}

void report(benchmark::State& state, const Summary& s) {
    state.counters["median_ms"] = s.median;
    state.counters["p99_ms"] = s.p99;
    state.counters["worst_ms"] = s.worst;
}

// How late a bare sleep wakes for each line's time of the schedule from start.
std::vector<double> sleepSchedule(Clock::time_point start, bool synced = false) {
    std::vector<double> late;
    for (int i = 0; i < kLines; ++i) {
        const Clock::time_point due = start + dueTime(i, synced);
        std::this_thread::sleep_until(due);
        late.push_back(std::chrono::duration<double, std::milli>(Clock::now() - due).count());
        std::this_thread::sleep_until(due + std::chrono::milliseconds(kDurationMs));
    }
    return late;
}

// The window's run also has a bare sleep running beside it, half a line's time out of step so
// that the two never wake together: load changes from second to second, and this floor saw the
// same seconds as the window.
void BM_PlaybackLateness(benchmark::State& state) {
    if (!setLoad(state))
        return;
    const bool synced = state.range(1) != 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.srt"));
    const QString secondPath = dir.filePath(QStringLiteral("second.srt"));
    for (const auto& [name, bytes] :
         {std::pair{path, generatedFile()}, std::pair{secondPath, generatedFile("zweite ", 3)}}) {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the subtitle file");
            return;
        }
        file.write(bytes);
    }

    Summary total;
    Summary beside;
    for (auto _ : state) {
        CTrellineDlg dialog;
        dialog.setPrompts(
            {[&](QWidget*) { return path; }, [](QWidget*, const UserMessage&) {}, {}, {}, {}, {}});
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
        if (synced) {
            dialog.openFiles(QString(), secondPath);
            dialog.session().setTiming(kSynced);
        }
        QCoreApplication::processEvents();

        std::vector<Clock::time_point> shownAt(kLines);
        std::vector<bool> seen(kLines, false);
        bool ended = false;
        QEventLoop loop;
        QObject::connect(&dialog, &CTrellineDlg::subtitleShown, [&](const QString& text) {
            const Clock::time_point now = Clock::now();
            if (text == QLatin1String("The End")) {
                ended = true;
                loop.quit();
            } else if (text.startsWith(QLatin1String("line "))) {
                const int i = QStringView(text).mid(5).trimmed().toInt();
                if (i >= 0 && i < kLines && !seen[std::size_t(i)]) {
                    seen[std::size_t(i)] = true;
                    shownAt[std::size_t(i)] = now;
                }
            }
        });
        // The floor's thread is made before the press and learns its time after it: on a busy
        // machine making a thread may hand this one's core to another for tens of milliseconds,
        // which would count as every line's lateness.
        std::promise<Clock::time_point> pressed;
        std::vector<double> floorLate;
        std::thread floor([&, at = pressed.get_future()]() mutable {
            floorLate =
                sleepSchedule(at.get() + std::chrono::milliseconds((kGapMs + kDurationMs) / 2), synced);
        });
        const Clock::time_point start = Clock::now();
        dialog.findChild<QPushButton*>(QStringLiteral("playButton"))->click();
        pressed.set_value(start);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (!ended)
            loop.exec();
        floor.join();
        beside = summarise(floorLate);

        std::vector<double> late;
        for (int i = 0; i < kLines; ++i)
            if (seen[std::size_t(i)])
                late.push_back(std::chrono::duration<double, std::milli>(shownAt[std::size_t(i)] -
                                                                         (start + dueTime(i, synced)))
                                   .count());
        if (late.size() != std::size_t(kLines))
            state.SkipWithError("not every line was shown");
        total = summarise(late);
        dialog.session().stop();
    }
    report(state, total);
    state.counters["floor_median_ms"] = beside.median;
    state.counters["floor_p99_ms"] = beside.p99;
    if (beside.p99 > 0)
        state.counters["p99_over_floor"] = total.p99 / beside.p99;
}

void BM_SleepFloor(benchmark::State& state) {
    if (!setLoad(state))
        return;
    Summary total;
    for (auto _ : state)
        total = summarise(sleepSchedule(Clock::now(), state.range(1) != 0));
    report(state, total);
}

// The playback thread alone, without the hop to the window's thread: splits the lateness in two.
void BM_PlaybackThreadOnly(benchmark::State& state) {
    if (!setLoad(state))
        return;
    const QByteArray bytes = generatedFile();
    WaitOrWake clock;
    std::vector<Clock::time_point> shownAt(kLines);
    std::atomic<bool> ended{false};
    PlayerSession session(clock, [&](const PlaybackEvent& event) {
        if (event.kind == PlaybackEvent::Kind::ShowLine && event.position >= 1 && event.position <= kLines)
            shownAt[std::size_t(event.position - 1)] = Clock::now();
        else if (event.kind == PlaybackEvent::Kind::ShowEnd)
            ended = true;
    });
    session.replaceLines(parsePlayerLines(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
    const bool synced = state.range(1) != 0;
    if (synced) {
        const QByteArray second = generatedFile("zweite ", 3);
        session.replaceSecondLines(
            parsePlayerLines(std::string_view(second.constData(), std::size_t(second.size()))));
        session.setTiming(kSynced);
    }
    Summary total;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        session.playPause();
        while (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<double> late;
        for (int i = 0; i < kLines; ++i)
            late.push_back(std::chrono::duration<double, std::milli>(shownAt[std::size_t(i)] -
                                                                     (start + dueTime(i, synced)))
                               .count());
        total = summarise(late);
    }
    report(state, total);
}

} // namespace

using BenchmarkFunction = void (*)(benchmark::State&);
const std::pair<const char*, BenchmarkFunction> kBenchmarks[] = {
    {"BM_SleepFloor", BM_SleepFloor},
    {"BM_PlaybackThreadOnly", BM_PlaybackThreadOnly},
    {"BM_PlaybackLateness", BM_PlaybackLateness},
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LoadGenerator load;
    g_load = &load;
    // Quiet first, then loaded; each table's floor is measured right before the window's run.
    for (int loaded : {0, 1})
        for (const auto& [name, run] : kBenchmarks)
            benchmark::RegisterBenchmark(name, run)
                ->ArgNames({"load", "synced"})
                ->Args({loaded, 0})
                ->Args({loaded, 1})
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    load.stop();
    return 0;
}
