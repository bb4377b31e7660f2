// The playback schedule's steps.
#include "player/playback_schedule.h"

#include <algorithm>
#include <limits>

namespace {
// A schedule that fell this far behind the clock (descheduled, a slow machine) starts afresh from
// the clock rather than rushing through the next lines to catch up.
constexpr auto kMaxCatchUp = std::chrono::milliseconds(250);
} // namespace

void PlaybackSchedule::start(TimePoint press, int position) {
    m_step = Step::LineStart;
    m_position = position;
    m_anchor = m_lineStart = press;
    m_gapEnd = m_showAt = kNever;
    m_resumed = false;
}

void PlaybackSchedule::resume(TimePoint press, const Resume& from) {
    // When the interrupted part began, as if it had run on without the pause.
    const TimePoint began = press - from.into;
    m_position = from.position;
    m_anchor = m_lineStart = began;
    m_gapEnd = from.part == Part::Gap ? kNever : began;
    m_showAt = from.part == Part::Line ? began : kNever;
    // A gap begins by emptying the line, and a line by showing it: both at once when they lie in
    // the past. The delay shows nothing new.
    m_step = from.part == Part::Gap ? Step::LineStart : from.part == Part::Delay ? Step::Delay : Step::Show;
    m_resumed = true;
}

PlaybackSchedule::Resume PlaybackSchedule::pausedAt(TimePoint now) const {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    if (now < m_gapEnd)
        return {m_position, Part::Gap, duration_cast<milliseconds>(now - m_lineStart)};
    if (now < m_showAt)
        return {m_position, Part::Delay, duration_cast<milliseconds>(now - m_gapEnd)};
    return {m_position, Part::Line, duration_cast<milliseconds>(now - m_showAt)};
}

std::int32_t PlaybackSchedule::clockAt(const Resume& at) const {
    // Past the last line the clock stands at its hide time.
    const int position = std::min(at.position, count() + 1);
    const std::int64_t from = gapStartOf(position);
    const std::int64_t show = inList(position) ? showOf(position) : from;
    const std::int64_t hide = inList(position) ? hideOf(position) : from;
    std::int64_t t = 0;
    switch (at.part) {
    case Part::Gap:
        // A gap that runs backwards takes no time: the clock jumps back at its end.
        t = from + at.into.count();
        if (show >= from)
            t = std::min(t, show);
        break;
    case Part::Delay:
        t = show;
        break;
    case Part::Line:
        t = show + at.into.count();
        if (hide >= show)
            t = std::min(t, hide);
        break;
    }
    return std::int32_t(std::clamp<std::int64_t>(t, 0, std::numeric_limits<std::int32_t>::max()));
}

PlaybackSchedule::Resume PlaybackSchedule::resumeAtClock(std::int64_t clock) const {
    using std::chrono::milliseconds;
    // Lines play in file order, so the one to go on with is the first not yet over.
    for (int position = 1; position <= count(); ++position) {
        if (hideOf(position) <= clock)
            continue;
        if (clock >= showOf(position))
            return {position, Part::Line, milliseconds(clock - showOf(position))};
        return {position, Part::Gap, milliseconds(std::max<std::int64_t>(0, clock - gapStartOf(position)))};
    }
    return {count() + 1, Part::Gap, milliseconds(0)};
}

void PlaybackSchedule::advance(TimePoint now, std::int64_t from, std::int64_t to) {
    // A span whose end lies before its start waits nothing, not the ~49.7 days that the negative
    // difference would be as an unsigned number.
    const std::int64_t span = std::max<std::int64_t>(0, to - from);
    if (now - m_anchor > kMaxCatchUp && !m_resumed)
        m_anchor = now;
    m_resumed = false;
    m_anchor += std::chrono::milliseconds(span);
}

PlaybackSchedule::Action PlaybackSchedule::lineStart(TimePoint now) {
    m_lineStart = m_anchor;
    m_gapEnd = m_showAt = kNever;
    if (!inList(m_position)) {
        m_step = Step::Ended;
        return {Cue{PlaybackCue::ShowEnd, 0, m_anchor}, std::nullopt};
    }
    const Cue clear{PlaybackCue::ClearText, 0, m_anchor};
    advance(now, gapStartOf(m_position), showOf(m_position));
    m_gapEnd = m_anchor;
    m_step = Step::Delay;
    return {clear, m_anchor};
}

PlaybackSchedule::Action PlaybackSchedule::delay(TimePoint now, int delayMilliseconds) {
    advance(now, 0, delayMilliseconds);
    m_step = Step::Show;
    return {std::nullopt, m_anchor};
}

PlaybackSchedule::Action PlaybackSchedule::show() {
    m_showAt = m_anchor;
    if (!inList(m_position)) {
        m_step = Step::LineStart;
        return {};
    }
    m_step = Step::Line;
    return {Cue{PlaybackCue::ShowLine, m_position, m_anchor}, std::nullopt};
}

PlaybackSchedule::Action PlaybackSchedule::line(TimePoint now) {
    advance(now, showOf(m_position), hideOf(m_position));
    m_step = Step::LineOver;
    return {std::nullopt, m_anchor};
}

PlaybackSchedule::Action PlaybackSchedule::moveOn(int current) {
    m_position = current + 1;
    m_step = Step::LineStart;
    return {Cue{PlaybackCue::PositionAdvanced, m_position, m_anchor}, std::nullopt};
}

void PlaybackSchedule::woken(TimePoint now, int chosen) {
    m_anchor = now;
    if (now < m_lineStart || now >= m_showAt) {
        m_step = Step::LineOver;
        return;
    }
    m_position = chosen;
    m_step = now < m_gapEnd ? Step::Delay : Step::Show;
    m_gapEnd = std::min(m_gapEnd, now);
}
