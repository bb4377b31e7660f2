// The player's state and rules apart from any window: the line list, the code page, Play/Pause,
// Stop, seeking, the delay, the time labels and the playback thread.
#pragma once

#include "player/player_line.h"
#include "player/wait_or_wake.h"
#include "support/user_message.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

enum class PlaybackState : int { Stopped = 0, Playing = 1, Paused = 2 };

// What the playback thread asks the window to show. It is handed over on the playback thread; the
// window applies it on its own thread, and only while `PlayerSession::isCurrent(generation)`, so
// that nothing a stopped thread sent can overwrite what Stop or Pause left on screen.
struct PlaybackEvent {
    enum class Kind {
        ClearText,        // the subtitle line empties while the next line is due
        ShowLine,         // `text` of line `position`; the slider moves there
        ShowEnd,          // "The End"
        PositionAdvanced, // the position moved on: the time labels are due for a refresh
    };
    Kind kind = Kind::ClearText;
    std::uint64_t generation = 0;
    int position = 0;
    QString text;
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
    };
    // Only while stopped: the playback thread reads the list without a lock.
    LoadOutcome load(const QString& path);
    LoadOutcome replaceLines(PlayerLoadResult result);

    // Takes the code page from a combo display name; returns the line to show again, if any.
    std::optional<QString> changeCharset(const QString& displayName);

    enum class PlayResult { NotLoaded, Paused, Started };
    PlayResult playPause();
    bool stop(); // false when already stopped
    // Makes the chosen line (kept within the list) the position and wakes a waiting thread.
    // Returns its text; nullopt when nothing is loaded.
    std::optional<QString> seek(int position);
    void setDelay(int milliseconds);

    PlaybackState state() const { return PlaybackState(m_state.load()); }
    int position() const { return m_position.load(); }
    int count() const { return int(m_lines.size()); }
    std::uint32_t codePage() const { return m_codePage.load(); }
    int delay() const { return m_delay.load(); }
    const std::vector<PlayerLine>& lines() const { return m_lines; }

    // The decoded text of a 1-based line; nullopt outside the list.
    std::optional<QString> textAt(int position) const;
    QString currentLabel() const;
    QString totalLabel() const;

    bool isCurrent(std::uint64_t generation) const { return generation == m_generation; }
    std::uint64_t generation() const { return m_generation; }
    bool threadRunning() const { return m_threadRunning.load(); }

private:
    void PlaybackThread(std::stop_token stop, std::uint64_t generation, PlaybackClock::TimePoint start);
    void endThread();

    PlaybackClock& m_clock;
    PlaybackSink m_sink;
    std::vector<PlayerLine> m_lines;
    std::atomic<std::uint32_t> m_codePage{0};
    std::atomic<int> m_state{int(PlaybackState::Stopped)};
    std::atomic<int> m_position{1};
    std::atomic<int> m_delay{0};
    std::atomic<bool> m_threadRunning{false};
    // Orders the thread's step to the next line against a stop request and a seek.
    std::mutex m_positionMutex;
    std::uint64_t m_generation = 0; // changed and read on the window's thread only
    std::jthread m_thread;
};
