// Reading times out of Show and Hide cells.
#include "review/entry_times.h"

#include "subtitle/format_table.h"
#include "subtitle/time_codes.h"

#include <cmath>

namespace {

// A hair below one unit, so that limits computed in floating point round the way they read.
constexpr double kSlack = 1e-6;

bool digitsAt(const QString& text, std::initializer_list<int> positions) {
    for (int p : positions)
        if (p >= text.size() || text[p] < u'0' || text[p] > u'9')
            return false;
    return true;
}

std::int64_t fieldAt(const QString& text, int first, int last) {
    return decimalValue(QStringView(text).mid(first, last - first + 1));
}

} // namespace

std::optional<std::int64_t> timeUnits(const QString& text, std::int32_t formatMode) {
    switch (formatMode) {
    case kWebVTT:
    case kSubStation: {
        const SubtitleFormatInfo& format = formatInfo(formatMode);
        const std::optional<TimeCode> time = format.parseTime(text, FrameRate{});
        if (!time)
            return std::nullopt;
        return toFormatUnits(*time, format.unit, FrameRate{});
    }
    case kMicroDVD:
    case kSAMI: {
        const QString t = text.trimmed();
        if (t.isEmpty() || !digitsAt(t, {0}))
            return std::nullopt;
        return decimalValue(t);
    }
    case kSubViewer:
    case kSubViewer2:
        if (!digitsAt(text, {0, 1, 3, 4, 6, 7, 9, 10}))
            return std::nullopt;
        return ((fieldAt(text, 0, 1) * 60 + fieldAt(text, 3, 4)) * 60 + fieldAt(text, 6, 7)) * 100 +
               fieldAt(text, 9, 10);
    default:
        if (!digitsAt(text, {0, 1, 3, 4, 6, 7, 9, 10, 11}))
            return std::nullopt;
        return ((fieldAt(text, 0, 1) * 60 + fieldAt(text, 3, 4)) * 60 + fieldAt(text, 6, 7)) * 1000 +
               fieldAt(text, 9, 11);
    }
}

double unitsPerSecond(std::int32_t formatMode, double frameRate) {
    switch (formatInfo(formatMode).unit) {
    case TimeUnit::Frame:
        return frameRate;
    case TimeUnit::Centisecond:
        return 100;
    case TimeUnit::Millisecond:
        break;
    }
    return 1000;
}

bool hasHideTimes(std::int32_t formatMode) {
    return formatInfo(formatMode).hasHideTime;
}

std::int64_t atLeastUnits(double seconds, double unitsPerSecond) {
    return std::int64_t(std::ceil(seconds * unitsPerSecond - kSlack));
}

std::int64_t atMostUnits(double seconds, double unitsPerSecond) {
    return std::int64_t(std::floor(seconds * unitsPerSecond + kSlack));
}

std::int64_t gapUnits(int frames, std::int32_t formatMode, double frameRate) {
    if (formatMode == kMicroDVD)
        return frames;
    return atLeastUnits(frames / frameRate, unitsPerSecond(formatMode, 1));
}
