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
