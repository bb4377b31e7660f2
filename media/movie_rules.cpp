// The movie pane's arithmetic.
#include "media/movie_rules.h"

#include <algorithm>

namespace {
QString clockText(qint64 milliseconds) {
    // libVLC answers -1 while it does not know a time yet.
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600 % 24, 2, 10, QChar(u'0'))
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}
} // namespace

QString formatMovieTimeLabel(qint64 timeMs, qint64 lengthMs) {
    return u'[' + clockText(timeMs) + u'/' + clockText(lengthMs) + u']';
}

int positionSliderValue(qint64 timeMs, qint64 lengthMs) {
    if (lengthMs <= 0 || timeMs <= 0)
        return 0;
    const double share = double(timeMs) / double(lengthMs) * kPositionSliderMax;
    return std::min(kPositionSliderMax, int(share));
}

qint64 seekTimeForSlider(qint64 lengthMs, int sliderValue) {
    return std::max<qint64>(0, lengthMs) / kPositionSliderMax * sliderValue;
}

qint64 timeBack(qint64 timeMs) {
    return std::max<qint64>(0, timeMs - kJumpMilliseconds);
}

qint64 timeForward(qint64 timeMs, qint64 lengthMs) {
    const qint64 target = std::max<qint64>(0, timeMs) + kJumpMilliseconds;
    // While the length is not known yet there is no end to stop at.
    return lengthMs > 0 ? std::min(target, lengthMs) : target;
}

void MovieClock::report(qint64 timeMs, qint64 nowMs) {
    // libVLC answers -1 while it does not know a time yet.
    m_time = std::max<qint64>(0, timeMs);
    m_since = nowMs;
}

void MovieClock::setRunning(bool running, qint64 nowMs) {
    if (running == m_running)
        return;
    m_time = at(nowMs);
    m_since = nowMs;
    m_running = running;
}

qint64 MovieClock::at(qint64 nowMs) const {
    if (!m_running)
        return m_time;
    return m_time + std::clamp<qint64>(nowMs - m_since, 0, kClockRunOnMs);
}

qint64 MovieClock::untilNextSecond(qint64 nowMs) const {
    if (!m_running)
        return -1;
    const qint64 time = at(nowMs);
    const qint64 wait = (time / 1000 + 1) * 1000 - time;
    const qint64 runOnLeft = kClockRunOnMs - std::max<qint64>(0, nowMs - m_since);
    return wait <= runOnLeft ? wait : -1;
}
