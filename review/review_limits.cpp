// The presets and the bounds a user's own limits must keep.
#include "review/review_limits.h"

#include <array>
#include <cmath>

namespace {

constexpr ReviewLimits kStreamingAdult{};
constexpr ReviewLimits kChildren{42, 2, 17, 5.0 / 6.0, 7, 2};

constexpr std::array<ReviewPreset, 3> kPresets{{
    {PresetId::StreamingAdult, "streaming-adult", u"Streaming (adult)", kStreamingAdult},
    {PresetId::Children, "children", u"Children", kChildren},
    {PresetId::Custom, "custom", u"Custom", kStreamingAdult},
}};

// Far beyond any real subtitle, near enough to keep the arithmetic of the checks small.
constexpr int kMostCharsPerLine = 1000;
constexpr int kMostLines = 100;
constexpr double kMostCharsPerSecond = 1000;
constexpr double kMostSeconds = 24 * 3600;
constexpr int kMostGapFrames = 1000;

UserMessage limitsMessage(const QString& text) {
    return UserMessage{text, QStringLiteral("Review Limits"), MessageIcon::Warning};
}

} // namespace

std::span<const ReviewPreset> reviewPresets() {
    return kPresets;
}

const ReviewPreset& reviewPreset(PresetId id) {
    for (const ReviewPreset& p : kPresets)
        if (p.id == id)
            return p;
    return kPresets.front();
}

std::optional<PresetId> presetForKey(const QString& key) {
    for (const ReviewPreset& p : kPresets)
        if (key == QLatin1String(p.key))
            return p.id;
    return std::nullopt;
}

std::optional<UserMessage> validateLimits(const ReviewLimits& l) {
    if (l.maxCharsPerLine < 1 || l.maxCharsPerLine > kMostCharsPerLine)
        return limitsMessage(
            QStringLiteral("Characters per line must be between 1 and %1.").arg(kMostCharsPerLine));
    if (l.maxLines < 1 || l.maxLines > kMostLines)
        return limitsMessage(QStringLiteral("Lines per entry must be between 1 and %1.").arg(kMostLines));
    // Written so that NaN fails as well.
    if (!(l.maxCharsPerSecond > 0 && l.maxCharsPerSecond <= kMostCharsPerSecond))
        return limitsMessage(QStringLiteral("Characters per second must be above 0."));
    if (!(l.minDurationSeconds >= 0 && l.minDurationSeconds <= kMostSeconds))
        return limitsMessage(QStringLiteral("The shortest duration cannot be negative."));
    if (!(l.maxDurationSeconds > l.minDurationSeconds && l.maxDurationSeconds <= kMostSeconds))
        return limitsMessage(QStringLiteral("The longest duration must be above the shortest."));
    if (l.minGapFrames < 0 || l.minGapFrames > kMostGapFrames)
        return limitsMessage(QStringLiteral("The gap must be between 0 and %1 frames.").arg(kMostGapFrames));
    return std::nullopt;
}
