// When a playback shows and hides its lines: the steps of the playback thread, apart from its
// waits, its thread and the window, so that each step can be run on a clock a test moves.
#pragma once

#include "player/player_line.h"
#include "player/sync_timing.h"
#include "player/wait_or_wake.h"

#include <chrono>
#include <optional>
#include <vector>

// What a playback asks the window to do.
enum class PlaybackCue {
    ClearText,        // the subtitle line empties while the next line is due
    ShowLine,         // the line at the cue's position shows; the slider moves there
    ShowEnd,          // "The End"
    PositionAdvanced, // the position moved on: the time labels are due for a refresh
};

class PlaybackSchedule {
public:
    using TimePoint = PlaybackClock::TimePoint;
    static constexpr TimePoint kNever = TimePoint::max();

    // Each line's time is its gap (from the previous line's hide time to its show time), the
    // delay, then the line itself for its duration; after it the position moves on.
    enum class Step { LineStart, Delay, Show, Line, LineOver, Ended };

    // Where a pause left a playback: the line, the part of its time it was in and how far into
    // that part. Below zero when the part was still to come: the schedule runs up to the show
    // lead ahead of the clock, and the line before may still have been on screen.
    enum class Part { Gap, Delay, Line };
    struct Resume {
        int position = 1;
        Part part = Part::Gap;
        std::chrono::milliseconds into{0};

        friend bool operator==(const Resume&, const Resume&) = default;
    };

    struct Cue {
        PlaybackCue kind = PlaybackCue::ClearText;
        int position = 0;
        TimePoint due{}; // when the cue takes effect on the schedule's clock
    };
    // What a step hands over, and until when the thread waits after it (none: the next step
    // follows at once).
    struct Action {
        std::optional<Cue> cue;
        std::optional<TimePoint> waitUntil;
    };

    // The lines stay where they are and unchanged while the schedule is used.
    explicit PlaybackSchedule(const std::vector<PlayerLine>& lines) : m_lines(&lines) {}

    // Every time the schedule waits for or reports is a file time laid over the film this way.
    void setTiming(const SyncTiming& timing) { m_timing = timing; }
    const SyncTiming& timing() const { return m_timing; }

    // A playback begins at the press of Play, from the gap before the line at `position`...
    void start(TimePoint press, int position);
    // ... or from where a pause left one: the rest of that part, then the rest at their own times.
    void resume(TimePoint press, const Resume& from);
    // Where the schedule stands at `now`, by the clock rather than by the step it has run to.
    Resume pausedAt(TimePoint now) const;
    // The playback clock at `now` or at a pause, in milliseconds of the file's times: it runs
    // through each gap and line and stands still through the delay.
    std::int32_t clockAt(TimePoint now) const { return clockAt(pausedAt(now)); }
    std::int32_t clockAt(const Resume& at) const;
    // Where a playback stands whose clock reads `clock` (ms on the film): in the line on screen
    // then, or in the gap before the next one; past the last line, at the end.
    Resume resumeAtClock(std::int64_t clock) const;

    Step step() const { return m_step; }
    int position() const { return m_position; }

    // The display empties and the gap before the line is waited; past the last line, "The End".
    Action lineStart(TimePoint now);
    Action delay(TimePoint now, int delayMilliseconds);
    Action show();
    Action line(TimePoint now);
    // After a line's time, on to the line after `current` (where a seek may have put the position).
    Action moveOn(int current);
    // A seek's wake at `now`. During a line's time the schedule moves on from the chosen line as
    // after its time; during the gap or the delay the chosen line follows, after what is left of
    // the delay.
    void woken(TimePoint now, int chosen);

private:
    int count() const { return int(m_lines->size()); }
    bool inList(int position) const { return position >= 1 && position <= count(); }
    const PlayerLine& at(int position) const { return (*m_lines)[std::size_t(position - 1)]; }
    std::int64_t showOf(int position) const { return m_timing.map(at(position).show); }
    std::int64_t hideOf(int position) const { return m_timing.map(at(position).hide); }
    // Where the gap before a line begins: the hide time of the line before, or the start.
    std::int64_t gapStartOf(int position) const { return position <= 1 ? 0 : hideOf(position - 1); }
    // Moves the schedule on by the span from `from` to `to` (nothing when it runs backwards).
    void advance(TimePoint now, std::int64_t from, std::int64_t to);

    const std::vector<PlayerLine>* m_lines;
    SyncTiming m_timing;
    Step m_step = Step::LineStart;
    int m_position = 1;
    // The schedule's clock: each wait ends at it, and it moves on by each span waited, so that the
    // time spent on showing a line does not add up from line to line.
    TimePoint m_anchor{};
    // When the current line's gap began and ended and when the line showed, once known: a wake is
    // placed by where its moment falls among them, not by the wait the schedule is in, since the
    // schedule may run ahead of the clock.
    TimePoint m_lineStart{};
    TimePoint m_gapEnd = kNever;
    TimePoint m_showAt = kNever;
    // A resumed schedule starts in the past on purpose: the next span is not a schedule that fell
    // behind.
    bool m_resumed = false;
};
