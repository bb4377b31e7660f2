// Play/Pause, Stop, seeking and the playback thread.
#include "player/player_session.h"

#include "charset/charset_table.h"
#include "player/player_text.h"
#include "support/log.h"

#include <algorithm>
#include <limits>

namespace {
std::int32_t clampedTime(std::int64_t t) {
    return std::int32_t(std::clamp<std::int64_t>(t, 0, std::numeric_limits<std::int32_t>::max()));
}
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

PlayerSession::LoadOutcome PlayerSession::load(const QString& path, const FrameRateQuestion& askFrameRate) {
    if (state() != PlaybackState::Stopped)
        return {};
    PlayerFileLoad file = loadAnySubtitle(path, askFrameRate);
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
    m_redecode = std::move(result.redecode);
    matchSecond();
    // A new file plays from its start; a wake left from seeking in the old one is no longer wanted.
    m_position.store(1);
    m_resume.reset();
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
        out.firstText = textAt(1);
    return out;
}

PlayerSession::LoadOutcome PlayerSession::loadSecond(const QString& path,
                                                     const FrameRateQuestion& askFrameRate) {
    if (state() == PlaybackState::Playing)
        return {};
    PlayerFileLoad file = loadAnySubtitle(path, askFrameRate);
    if (!file.result) {
        LoadOutcome refused;
        refused.message = std::move(file.refusal);
        return refused;
    }
    log_printf("load second subtitle file %s, %d lines\n", path.toLocal8Bit().constData(),
               int(file.result->lines.size()));
    return replaceSecondLines(*file.result);
}

PlayerSession::LoadOutcome PlayerSession::replaceSecondLines(const PlayerLoadResult& result) {
    LoadOutcome out;
    if (state() == PlaybackState::Playing)
        return out;
    endThread();
    // Read in its own character set, whatever the first file is shown in.
    std::vector<TimedText> second;
    second.reserve(result.lines.size());
    for (std::size_t i = 0; i < result.lines.size(); ++i) {
        const PlayerLine& line = result.lines[i];
        std::optional<QString> text =
            result.redecode ? result.redecode(i, result.encoding.codePage) : std::nullopt;
        if (!text)
            text = result.redecode ? QString::fromUtf8(line.text.data(), qsizetype(line.text.size()))
                                   : decodePlayerText(line, result.encoding.codePage);
        second.push_back(TimedText{line.show, line.hide, *text});
    }
    m_second = std::move(second);
    matchSecond();
    out.replaced = true;
    out.message = result.message;
    out.encoding = result.encoding;
    return out;
}

void PlayerSession::clearSecond() {
    if (state() == PlaybackState::Playing)
        return;
    endThread();
    m_second.clear();
    matchSecond();
}

void PlayerSession::matchSecond() {
    m_secondTexts = matchByTime(m_lines, m_second);
}

QString PlayerSession::secondTextAt(int position) const {
    if (position < 1 || std::size_t(position) > m_secondTexts.size())
        return {};
    return m_secondTexts[std::size_t(position - 1)];
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
        const PlaybackClock::TimePoint at = m_clock.now();
        endThread();
        m_state.store(int(PlaybackState::Paused));
        // The film in the other player runs on from where it was paused, and so must the lines.
        m_resume = m_schedule.pausedAt(at);
        return PlayResult::Paused;
    }
    if (m_lines.empty())
        return PlayResult::NotLoaded;
    endThread();
    ++m_generation;
    m_state.store(int(PlaybackState::Playing));
    log_printf("play from line %d\n", position());
    // The schedule starts at the press, not whenever the new thread first runs.
    if (m_resume && m_resume->position == position())
        m_schedule.resume(m_clock.now(), *m_resume);
    else
        m_schedule.start(m_clock.now(), position());
    m_resume.reset();
    startThread();
    return PlayResult::Started;
}

void PlayerSession::startThread() {
    m_threadRunning.store(true);
    // The serial of the seek that the position was read after: an event decided from a position
    // that a seek has since replaced carries an older one, and the window drops it.
    const std::uint64_t serial = m_seekSerial.load();
    publish(m_schedule);
    m_thread = std::jthread([this, generation = m_generation, serial](std::stop_token stop) {
        PlaybackThread(stop, generation, serial);
    });
}

std::optional<PlaybackSchedule::Resume> PlayerSession::standing() const {
    if (state() == PlaybackState::Playing) {
        std::lock_guard lock(m_publishedMutex);
        return m_published.pausedAt(m_clock.now());
    }
    return m_resume;
}

void PlayerSession::setTiming(const SyncTiming& timing) {
    const bool playing = state() == PlaybackState::Playing;
    if (playing)
        ++m_generation;
    const PlaybackClock::TimePoint now = m_clock.now();
    endThread();
    std::optional<PlaybackSchedule::Resume> at = playing ? m_schedule.pausedAt(now) : m_resume;
    // The film runs on where it is: the lines move under it. The delay stands outside the film's
    // clock and is waited out as it was.
    const std::optional<std::int64_t> film = at && at->part != PlaybackSchedule::Part::Delay
                                                 ? std::optional(m_schedule.clockAt(*at))
                                                 : std::nullopt;
    m_schedule.setTiming(timing);
    if (film)
        at = m_schedule.resumeAtClock(*film);
    if (at) {
        std::lock_guard lock(m_positionMutex);
        m_position.store(at->position);
    }
    if (!playing) {
        m_resume = at;
        publish(m_schedule);
        return;
    }
    m_schedule.resume(now, *at);
    startThread();
}

std::optional<QString> PlayerSession::jumpLine(int direction) {
    if (m_lines.empty())
        return std::nullopt;
    int target = position() + direction;
    if (const std::optional<PlaybackSchedule::Resume> at = standing()) {
        // Between two lines the one before is the previous and the one to come the next.
        const bool onScreen = at->part == PlaybackSchedule::Part::Line && at->position <= count();
        target = onScreen || direction < 0 ? std::min(at->position, count() + 1) + direction : at->position;
    }
    if (target < 1 || target > count())
        return std::nullopt;
    const PlaybackSchedule::Resume at{target, PlaybackSchedule::Part::Line, std::chrono::milliseconds(0)};
    const bool playing = state() == PlaybackState::Playing;
    if (playing)
        ++m_generation;
    const PlaybackClock::TimePoint now = m_clock.now();
    endThread();
    {
        std::lock_guard lock(m_positionMutex);
        m_position.store(target);
    }
    // A wake left from a seek would cut the jumped-to line short.
    m_clock.discardWake();
    if (playing) {
        m_resume.reset();
        m_schedule.resume(now, at);
        startThread();
    } else {
        m_resume = at;
    }
    return textAt(target);
}

bool PlayerSession::stop() {
    if (state() == PlaybackState::Stopped)
        return false;
    ++m_generation;
    endThread();
    m_state.store(int(PlaybackState::Stopped));
    m_resume.reset();
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
    // A paused playback goes on from the chosen line, not from where it was paused.
    m_resume.reset();
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
    const PlayerLine& line = m_lines[std::size_t(position - 1)];
    if (!m_redecode)
        return decodePlayerText(line, codePage());
    // Read by velmora's readers: the bytes made afresh where the file kept them, else as read.
    if (std::optional<QString> text = m_redecode(std::size_t(position - 1), codePage()))
        return text;
    return QString::fromUtf8(line.text.data(), qsizetype(line.text.size()));
}

void PlayerSession::publish(const PlaybackSchedule& schedule) {
    std::lock_guard lock(m_publishedMutex);
    m_published = schedule;
}

QString PlayerSession::currentLabel() const {
    if (state() == PlaybackState::Playing) {
        std::lock_guard lock(m_publishedMutex);
        return formatTimeLabel("current", m_published.clockAt(m_clock.now()));
    }
    if (m_resume)
        return formatTimeLabel("current", m_schedule.clockAt(*m_resume));
    std::int32_t time = 0;
    const int p = position();
    // The last line whose time has passed; a position left beyond a shorter list means its end.
    if (!m_lines.empty() && p > 1)
        time = clampedTime(timing().map(m_lines[std::size_t(std::min(p - 1, count()) - 1)].hide));
    return formatTimeLabel("current", time);
}

QString PlayerSession::totalLabel() const {
    return formatTimeLabel("total", m_lines.empty() ? 0 : clampedTime(timing().map(m_lines.back().hide)));
}

void PlayerSession::post(const PlaybackSchedule::Cue& cue, std::uint64_t generation, std::uint64_t serial,
                         const std::stop_token& stop) {
    if (!m_sink || stop.stop_requested())
        return;
    QString text;
    QString second;
    if (cue.kind == PlaybackCue::ShowLine) {
        text = *textAt(cue.position);
        second = secondTextAt(cue.position);
    }
    m_sink(PlaybackEvent{cue.kind, generation, cue.position, std::move(text), std::move(second), cue.due,
                         serial});
}

void PlayerSession::PlaybackThread(std::stop_token stop, std::uint64_t generation, std::uint64_t serial) {
    using Step = PlaybackSchedule::Step;
    // The schedule runs the show lead ahead of the clock: each event is handed over that long before
    // it is due. The position moves on with the schedule, so up to the lead early.
    const std::chrono::milliseconds lead = showLead();
    PlaybackSchedule& schedule = m_schedule;
    while (!stop.stop_requested()) {
        PlaybackSchedule::Action action;
        switch (schedule.step()) {
        case Step::LineStart:
            action = schedule.lineStart(m_clock.now());
            break;
        case Step::Delay:
            action = schedule.delay(m_clock.now(), m_delay.load());
            break;
        case Step::Show:
            action = schedule.show();
            break;
        case Step::Line:
            action = schedule.line(m_clock.now());
            break;
        case Step::LineOver: {
            // Ordered against a seek, which may have just chosen the line to move on from.
            std::lock_guard lock(m_positionMutex);
            serial = m_seekSerial.load();
            action = schedule.moveOn(m_position.load());
            m_position.store(schedule.position());
            break;
        }
        case Step::Ended:
            break;
        }
        publish(schedule);
        if (action.cue)
            post(*action.cue, generation, serial, stop);
        if (schedule.step() == Step::Ended)
            break;
        if (!action.waitUntil)
            continue;
        const WaitResult result = m_clock.waitUntil(*action.waitUntil - lead, stop);
        if (result == WaitResult::Stopped || stop.stop_requested())
            break;
        if (result == WaitResult::Woken) {
            serial = m_seekSerial.load(); // before the position, which a seek sets before its serial
            schedule.woken(m_clock.now(), position());
            publish(schedule);
        }
    }
    m_threadRunning.store(false);
}
