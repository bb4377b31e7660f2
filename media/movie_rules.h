// The movie pane's arithmetic: the time label, the position slider and the five-second jumps.
#pragma once

#include <QString>

inline constexpr int kPositionSliderMax = 10000;
inline constexpr int kVolumeSliderMax = 100;
inline constexpr int kStartVolume = 50;
inline constexpr qint64 kJumpMilliseconds = 5000;

// "[hh:mm:ss/hh:mm:ss]", elapsed then total, whole seconds, hours modulo 24.
QString formatMovieTimeLabel(qint64 timeMs, qint64 lengthMs);
// Where the position slider shows a time: time / length of the slider's range, truncated.
int positionSliderValue(qint64 timeMs, qint64 lengthMs);
// The time a slider position seeks to: whole ten-thousandths of the length.
qint64 seekTimeForSlider(qint64 lengthMs, int sliderValue);
qint64 timeBack(qint64 timeMs);
qint64 timeForward(qint64 timeMs, qint64 lengthMs);

// How far the clock runs on past the player's last report before it waits for the next one: the
// reports come a few times a second, and a film that stalls stops sending them.
inline constexpr qint64 kClockRunOnMs = 1000;

// The film's time as the picture shows it. The player reports its time only a few times a second,
// so a label showing the last report runs up to a report's interval behind the picture; between
// reports this clock runs on from the last one. Times in milliseconds; `nowMs` on a monotonic clock.
class MovieClock {
public:
    // The player showed `timeMs` at `nowMs`; also the target of a seek, which it shows from then on.
    void report(qint64 timeMs, qint64 nowMs);
    // Runs while the film plays; a pause keeps the time it had reached.
    void setRunning(bool running, qint64 nowMs);
    bool isRunning() const { return m_running; }
    qint64 at(qint64 nowMs) const;
    // When at() reaches its next whole second, in milliseconds from `nowMs`; -1 when it will not
    // (stopped, or the next report is due first).
    qint64 untilNextSecond(qint64 nowMs) const;

private:
    qint64 m_time = 0;  // what the last report or seek said, or where a pause stopped
    qint64 m_since = 0; // when that was
    bool m_running = false;
};
