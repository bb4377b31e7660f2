// The player's state and rules apart from any window: the line list, the code page, Play/Pause,
// Stop, seeking, the delay, the time labels and the playback thread.
#pragma once

#include "player/dual_lines.h"
#include "player/playback_schedule.h"
#include "player/player_line.h"
#include "player/sync_timing.h"
#include "player/velmora_readers.h"
#include "player/wait_or_wake.h"
#include "support/user_message.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

enum class PlaybackState : int { Stopped = 0, Playing = 1, Paused = 2 };

// What the playback thread asks the window to show. It is handed over on the playback thread; the
// window applies it on its own thread at `due`, and only while `PlayerSession::isCurrent(generation,
// seekSerial)`, so that nothing a stopped thread sent, or sent before a seek it had not yet seen,
// can overwrite what Stop, Pause or the seek left on screen.
struct PlaybackEvent {
    using Kind = PlaybackCue;
    Kind kind = Kind::ClearText;
    std::uint64_t generation = 0;
    int position = 0;
    QString text;       // of a line to show
    QString secondText; // of the second file, shown below it
    // When the schedule puts it, on the session's clock. With a show lead the event is handed over
    // that much earlier, so that the hop to the window's thread is off the critical path.
    PlaybackClock::TimePoint due{};
    std::uint64_t seekSerial = 0;
};
using PlaybackSink = std::function<void(const PlaybackEvent&)>;

class PlayerSession {
public:
    // The sink is called on the playback thread.
    PlayerSession(PlaybackClock& clock, PlaybackSink sink);
    ~PlayerSession();
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    struct LoadOutcome {
        bool replaced = false;              // the line list was replaced (maybe by a partial one)
        std::optional<UserMessage> message; // to show; the display then keeps its previous state
        std::optional<QString> firstText;   // the display shows this first line
        PlayerEncoding encoding;            // how the new list was read, when it replaced the old
    };
    // Only while stopped: the playback thread reads the list without a lock.
    LoadOutcome load(const QString& path, const FrameRateQuestion& askFrameRate = {});
    LoadOutcome replaceLines(PlayerLoadResult result);

    // A second file whose lines show below those of the first they share their time with. Only
    // while not playing; it stays for later files until it is cleared.
    LoadOutcome loadSecond(const QString& path, const FrameRateQuestion& askFrameRate = {});
    LoadOutcome replaceSecondLines(const PlayerLoadResult& result);
    void clearSecond();
    bool hasSecond() const { return !m_second.empty(); }
    // The second file's text that goes with a 1-based line of the first; empty when none does.
    QString secondTextAt(int position) const;

    // The offset and speed of every line. While playing, the line on screen becomes the one the
    // film's clock has reached under the new timing.
    void setTiming(const SyncTiming& timing);
    const SyncTiming& timing() const { return m_schedule.timing(); }
    // To the line before or after the one on screen (direction -1 or 1), with the playback clock
    // at its show time. Returns its text; nullopt when there is no such line.
    std::optional<QString> jumpLine(int direction);

    // Takes the code page from a combo display name; returns the line to show again, if any.
    std::optional<QString> changeCharset(const QString& displayName);

    enum class PlayResult { NotLoaded, Paused, Started };
    PlayResult playPause();
    bool stop(); // false when already stopped
    // Makes the chosen line (kept within the list) the position and wakes a waiting thread.
    // Returns its text; nullopt when nothing is loaded.
    std::optional<QString> seek(int position);
    void setDelay(int milliseconds);
    // How long before its time each event is handed to the sink (0 by default: at its time).
    void setShowLead(std::chrono::milliseconds lead) {
        m_showLead.store(std::max<std::int64_t>(0, lead.count()));
    }
    std::chrono::milliseconds showLead() const { return std::chrono::milliseconds(m_showLead.load()); }

    PlaybackState state() const { return PlaybackState(m_state.load()); }
    int position() const { return m_position.load(); }
    int count() const { return int(m_lines.size()); }
    std::uint32_t codePage() const { return m_codePage.load(); }
    int delay() const { return m_delay.load(); }
    const std::vector<PlayerLine>& lines() const { return m_lines; }

    // The decoded text of a 1-based line; nullopt outside the list.
    std::optional<QString> textAt(int position) const;
    // The playback clock while playing or paused; stopped, the hide time of the last line passed.
    QString currentLabel() const;
    QString totalLabel() const;

    bool isCurrent(std::uint64_t generation) const { return generation == m_generation; }
    // Also false for an event decided before the latest seek.
    bool isCurrent(std::uint64_t generation, std::uint64_t seekSerial) const {
        return generation == m_generation && seekSerial == m_seekSerial.load();
    }
    std::uint64_t seekSerial() const { return m_seekSerial.load(); }
    std::uint64_t generation() const { return m_generation; }
    bool threadRunning() const { return m_threadRunning.load(); }

private:
    void PlaybackThread(std::stop_token stop, std::uint64_t generation, std::uint64_t serial);
    void post(const PlaybackSchedule::Cue& cue, std::uint64_t generation, std::uint64_t serial,
              const std::stop_token& stop);
    void endThread();
    void publish(const PlaybackSchedule& schedule);
    void startThread();
    // Where the playback stands now: by the published schedule while playing, else where it rests.
    std::optional<PlaybackSchedule::Resume> standing() const;
    void matchSecond();

    PlaybackClock& m_clock;
    PlaybackSink m_sink;
    std::vector<PlayerLine> m_lines;
    PlayerRedecode m_redecode; // for lines read by velmora's readers
    std::vector<TimedText> m_second;
    // Per line of m_lines, the second file's text shown with it.
    std::vector<QString> m_secondTexts;
    // Run by the playback thread while it lives, by this thread otherwise.
    PlaybackSchedule m_schedule{m_lines};
    // Where the last Pause left the schedule, until Play takes it up or a seek, Stop or a load
    // makes it meaningless.
    std::optional<PlaybackSchedule::Resume> m_resume;
    // A copy of the schedule as the playback thread last left it, for the playback clock.
    PlaybackSchedule m_published{m_lines};
    mutable std::mutex m_publishedMutex;
    std::atomic<std::uint32_t> m_codePage{0};
    std::atomic<int> m_state{int(PlaybackState::Stopped)};
    std::atomic<int> m_position{1};
    std::atomic<int> m_delay{0};
    std::atomic<bool> m_threadRunning{false};
    std::atomic<std::int64_t> m_showLead{0};    // milliseconds
    std::atomic<std::uint64_t> m_seekSerial{0}; // moved on by every seek, after its position
    // Orders the thread's step to the next line against a stop request and a seek.
    std::mutex m_positionMutex;
    std::uint64_t m_generation = 0; // changed and read on the window's thread only
    std::jthread m_thread;
};
