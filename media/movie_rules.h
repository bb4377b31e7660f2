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
