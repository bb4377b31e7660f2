// The offset and speed arithmetic of the sync keys.
#include "player/sync_timing.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A film made for cinema (24 or 23.976 frames a second) sold for PAL television runs at 25, and
// the other way round: subtitles timed on one play too fast or too slow on the other.
constexpr SpeedChoice kSpeeds[] = {
    {"1", "Speed as in the file", 1, 1},
    {"25/23.976", "Subtitles for 25 fps on a 23.976 fps film", 25000, 23976},
    {"23.976/25", "Subtitles for 23.976 fps on a 25 fps film", 23976, 25000},
    {"25/24", "Subtitles for 25 fps on a 24 fps film", 25, 24},
    {"24/25", "Subtitles for 24 fps on a 25 fps film", 24, 25},
};

} // namespace

std::span<const SpeedChoice> speedChoices() {
    return kSpeeds;
}

std::int64_t SyncTiming::map(std::int32_t fileTime) const {
    const SpeedChoice& s = kSpeeds[std::size_t(std::clamp<int>(speed, 0, std::size(kSpeeds) - 1))];
    // Rounded to the nearest millisecond, halves away from zero.
    const std::int64_t scaled =
        (std::int64_t(fileTime) * s.num * 2 + (fileTime < 0 ? -s.den : s.den)) / (2 * s.den);
    return std::max<std::int64_t>(0, scaled + offset);
}

SyncTiming SyncTiming::nudged(int delta) const {
    SyncTiming t = *this;
    t.offset = std::clamp(offset + delta, -kMaxOffset, kMaxOffset);
    return t;
}

SyncTiming SyncTiming::withSpeed(int index) const {
    SyncTiming t = *this;
    t.speed = std::clamp<int>(index, 0, std::size(kSpeeds) - 1);
    return t;
}

QString SyncTiming::describe() const {
    const int magnitude = std::abs(offset);
    QString text = offset == 0 ? QStringLiteral("No offset")
                               : QStringLiteral("Offset %1%2.%3 s")
                                     .arg(QChar(offset < 0 ? u'\u2212' : u'+'))
                                     .arg(magnitude / 1000)
                                     .arg(magnitude % 1000, 3, 10, QChar(u'0'));
    if (speed != 0)
        text += QStringLiteral(" \u00b7 ") + QString::fromLatin1(kSpeeds[std::size_t(speed)].label);
    return text;
}

int speedIndexOf(const QString& key) {
    for (std::size_t i = 0; i < std::size(kSpeeds); ++i)
        if (key == QLatin1String(kSpeeds[i].key))
            return int(i);
    return 0;
}
