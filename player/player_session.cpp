// Play/Pause, Stop, seeking and the playback thread.
#include "player/player_session.h"

#include "charset/charset_table.h"
#include "player/player_text.h"
#include "support/log.h"

#include <algorithm>

namespace {
// A thread that fell this far behind its schedule (descheduled, a slow machine) starts a new one
// rather than rushing through the next lines to catch up.
constexpr auto kMaxCatchUp = std::chrono::milliseconds(250);
} // namespace

PlayerSession::PlayerSession(PlaybackClock& clock, PlaybackSink sink)
    : m_clock(clock), m_sink(std::move(sink)) {}

PlayerSession::~PlayerSession() {
    endThread();
}

void PlayerSession::endThread() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_positionMutex);
        m_thread.request_stop();
    }
    // Every wait of the thread ends on the stop request, so this join is prompt.
    m_thread.join();
}

PlayerSession::LoadOutcome PlayerSession::load(const QString& path) {
    if (state() != PlaybackState::Stopped)
        return {};
    PlayerFileLoad file = loadPlayerFile(path);
    if (!file.result) {
        log_printf("open subtitle file %s error\n", path.toLocal8Bit().constData());
        LoadOutcome refused;
        refused.message = std::move(file.refusal);
        return refused;
    }
    log_printf("load subtitle file %s, %d lines\n", path.toLocal8Bit().constData(),
               int(file.result->lines.size()));
    return replaceLines(std::move(*file.result));
}

PlayerSession::LoadOutcome PlayerSession::replaceLines(PlayerLoadResult result) {
    LoadOutcome out;
    if (state() != PlaybackState::Stopped)
        return out;
    endThread();
    m_lines = std::move(result.lines);
    // A new file plays from its start; a wake left from seeking in the old one is no longer wanted.
    m_position.store(1);
    m_clock.discardWake();
    // Also for a list cut short by an over-long line: it is what Play plays.
    m_codePage.store(result.encoding.codePage);
    out.encoding = std::move(result.encoding);
    out.replaced = true;
    if (result.message) {
        out.message = std::move(result.message);
        return out;
    }
    if (!m_lines.empty())
        out.firstText = decodePlayerText(m_lines.front(), codePage());
    return out;
}

std::optional<QString> PlayerSession::changeCharset(const QString& displayName) {
    const std::optional<std::uint32_t> page = lookupCharsetKey(displayName);
    if (!page)
        return std::nullopt;
    m_codePage.store(*page);
    // While playing, the next line shown picks the new code page up.
    if (state() == PlaybackState::Playing)
        return std::nullopt;
    return textAt(position());
}

PlayerSession::PlayResult PlayerSession::playPause() {
    if (state() == PlaybackState::Playing) {
        ++m_generation;
        endThread();
        m_state.store(int(PlaybackState::Paused));
        return PlayResult::Paused;
    }
    if (m_lines.empty())
        return PlayResult::NotLoaded;
    endThread();
    ++m_generation;
    m_state.store(int(PlaybackState::Playing));
    m_threadRunning.store(true);
    log_printf("play from line %d\n", position());
    // The schedule starts at the press, not whenever the new thread first runs.
    m_thread = std::jthread([this, generation = m_generation, start = m_clock.now()](std::stop_token stop) {
        PlaybackThread(stop, generation, start);
    });
    return PlayResult::Started;
}

bool PlayerSession::stop() {
    if (state() == PlaybackState::Stopped)
        return false;
    ++m_generation;
    endThread();
    m_state.store(int(PlaybackState::Stopped));
    {
        std::lock_guard lock(m_positionMutex);
        m_position.store(1);
    }
    // A wake left from seeking belongs to a position that Stop has just given up.
    m_clock.discardWake();
    return true;
}

std::optional<QString> PlayerSession::seek(int position) {
    if (m_lines.empty())
        return std::nullopt;
    position = std::clamp(position, 1, count());
    {
        std::lock_guard lock(m_positionMutex);
        m_position.store(position);
    }
    // After the position: a thread that reads the new serial also reads the new position.
    m_seekSerial.fetch_add(1);
    std::optional<QString> text = textAt(position);
    m_clock.wake();
    return text;
}

void PlayerSession::setDelay(int milliseconds) {
    m_delay.store(clampDelay(milliseconds));
}

std::optional<QString> PlayerSession::textAt(int position) const {
    if (position < 1 || position > count())
        return std::nullopt;
    return decodePlayerText(m_lines[std::size_t(position - 1)], codePage());
}

QString PlayerSession::currentLabel() const {
    std::int32_t time = 0;
    const int p = position();
    // The last line whose time has passed; a position left beyond a shorter list means its end.
    if (!m_lines.empty() && p > 1)
        time = m_lines[std::size_t(std::min(p - 1, count()) - 1)].hide;
    return formatTimeLabel("current", time);
}

QString PlayerSession::totalLabel() const {
    return formatTimeLabel("total", m_lines.empty() ? 0 : m_lines.back().hide);
}

void PlayerSession::PlaybackThread(std::stop_token stop, std::uint64_t generation,
                                   PlaybackClock::TimePoint start) {
    using Kind = PlaybackEvent::Kind;
    using TimePoint = PlaybackClock::TimePoint;
    constexpr TimePoint kNever = TimePoint::max();
    // The schedule runs the show lead ahead of the clock: each event is handed over that long before
    // it is due, so that the hop to the window's thread is off the critical path. With no lead it
    // runs on the clock itself. The position moves on with the schedule, so up to the lead early.
    const std::chrono::milliseconds lead = showLead();
    // The waits follow one schedule from Play, so the time spent on showing a line does not add up
    // from line to line; a wake starts the schedule afresh from its moment.
    TimePoint anchor = start;
    // The serial of the seek that the latest decision about the position saw: an event decided from
    // a position that a seek has since replaced carries an older one, and the window drops it.
    std::uint64_t serial = 0;
    auto decide = [&] {
        serial = m_seekSerial.load(); // before the position, which a seek sets before its serial
        return position();
    };
    auto post = [&](Kind kind, int position = 0, QString text = {}) {
        if (m_sink && !stop.stop_requested())
            m_sink(PlaybackEvent{kind, generation, position, std::move(text), anchor, serial});
    };
    auto schedule = [&](std::int64_t from, std::int64_t to) {
        // A span whose end lies before its start waits nothing, not the ~49.7 days that the
        // negative difference would be as an unsigned number.
        const std::int64_t span = std::max<std::int64_t>(0, to - from);
        if (m_clock.now() - anchor > kMaxCatchUp)
            anchor = m_clock.now();
        anchor += std::chrono::milliseconds(span);
    };
    auto waitAhead = [&] {
        const WaitResult result = m_clock.waitUntil(anchor - lead, stop);
        return stop.stop_requested() ? WaitResult::Stopped : result;
    };

    // A line starts with its gap (after the blank line is handed over), then the delay, the line itself.
    enum class Step { LineStart, Delay, Show, Line };
    Step step = Step::LineStart;
    const int count = this->count();
    int pos = decide();
    // When the current line's gap began and ends and when the line shows (once it was handed over);
    // a wake is taken by where its moment falls among them, not by which wait the schedule, running
    // ahead, is in.
    TimePoint lineStart = anchor, gapEnd = kNever, showAt = kNever;
    // The line's time is over: on to the line after the position, which a seek may have set.
    auto moveOn = [&] {
        {
            std::lock_guard lock(m_positionMutex);
            serial = m_seekSerial.load();
            pos = m_position.load() + 1;
            m_position.store(pos);
        }
        post(Kind::PositionAdvanced, pos);
        step = Step::LineStart;
    };
    auto takeWake = [&] {
        anchor = m_clock.now();
        if (anchor < lineStart || anchor >= showAt) {
            moveOn(); // in a line's time
        } else {
            pos = decide();
            // From the gap the delay still follows; from the delay the line shows at once.
            step = anchor < gapEnd ? Step::Delay : Step::Show;
            gapEnd = std::min(gapEnd, anchor);
        }
    };

    while (!stop.stop_requested()) {
        WaitResult result = WaitResult::Elapsed;
        switch (step) {
        case Step::LineStart:
            if (pos < 1 || pos > count) {
                post(Kind::ShowEnd);
                m_threadRunning.store(false);
                return;
            }
            post(Kind::ClearText);
            lineStart = anchor;
            gapEnd = showAt = kNever;
            schedule(pos == 1 ? 0 : m_lines[std::size_t(pos - 2)].hide, m_lines[std::size_t(pos - 1)].show);
            gapEnd = anchor;
            result = waitAhead();
            step = Step::Delay;
            break;
        case Step::Delay:
            schedule(0, m_delay.load());
            result = waitAhead();
            step = Step::Show;
            break;
        case Step::Show:
            showAt = anchor;
            if (pos < 1 || pos > count) {
                step = Step::LineStart;
                break;
            }
            post(Kind::ShowLine, pos, decodePlayerText(m_lines[std::size_t(pos - 1)], codePage()));
            step = Step::Line;
            break;
        case Step::Line:
            schedule(0, m_lines[std::size_t(pos - 1)].duration);
            result = waitAhead();
            if (result == WaitResult::Elapsed)
                moveOn();
            break;
        }
        if (result == WaitResult::Stopped)
            break;
        if (result == WaitResult::Woken)
            takeWake();
    }
    m_threadRunning.store(false);
}
