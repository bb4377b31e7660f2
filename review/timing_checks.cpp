// Reading speed, duration, gap and overlap: what a row's times allow a viewer to read.
#include "review/check_functions.h"
#include "review/entry_times.h"

namespace {

// Floating-point limits such as 20 characters a second compare with a little room, so that a
// text exactly at the limit passes.
constexpr double kRoom = 1e-9;

} // namespace

void checkReadingSpeed(const RowTexts& texts, const RowTiming& timing, const CheckOptions& options,
                       QVector<Finding>& out) {
    const std::optional<double> speed = readingSpeed(texts, timing);
    const double limit = options.limits.maxCharsPerSecond;
    if (!speed || *speed <= limit + kRoom)
        return;
    out.append(makeFinding(
        texts.shownSide(), CheckKind::ReadingSpeed,
        QStringLiteral("%1 characters per second; at most %2").arg(*speed, 0, 'f', 1).arg(limit, 0, 'g', 4),
        {0, int(texts.shownText().size())}));
}

void checkDuration(const RowTexts&, const RowTiming& timing, const CheckOptions& options,
                   QVector<Finding>& out) {
    const std::optional<std::int64_t> duration = timing.duration();
    if (!duration)
        return;
    const double ups = timing.unitsPerSecond;
    const ReviewLimits& limits = options.limits;
    const double seconds = double(*duration) / ups;
    if (*duration < 0) {
        out.append(makeFinding(FindingSide::Times, CheckKind::ShortDuration,
                               QStringLiteral("Ends %1 before it starts").arg(secondsText(-seconds))));
    } else if (*duration < atLeastUnits(limits.minDurationSeconds, ups)) {
        out.append(makeFinding(FindingSide::Times, CheckKind::ShortDuration,
                               QStringLiteral("Shown %1; at least %2")
                                   .arg(secondsText(seconds), secondsText(limits.minDurationSeconds))));
    } else if (*duration > atMostUnits(limits.maxDurationSeconds, ups)) {
        out.append(makeFinding(FindingSide::Times, CheckKind::LongDuration,
                               QStringLiteral("Shown %1; at most %2")
                                   .arg(secondsText(seconds), secondsText(limits.maxDurationSeconds))));
    }
}

void checkGap(const RowTexts&, const RowTiming& timing, const CheckOptions& options, QVector<Finding>& out) {
    // Without a hide of its own an entry ends where the next begins: there is no gap to check.
    if (!timing.ownHide || !timing.hide || !timing.nextShow)
        return;
    const std::int64_t gap = *timing.nextShow - *timing.hide;
    const double ups = timing.unitsPerSecond;
    if (gap < 0) {
        out.append(makeFinding(FindingSide::Times, CheckKind::Overlap,
                               QStringLiteral("Overlaps the next entry by %1").arg(secondsText(-gap / ups))));
        return;
    }
    const std::int64_t least = gapUnits(options.limits.minGapFrames, options.formatMode, options.frameRate);
    if (gap < least)
        out.append(makeFinding(FindingSide::Times, CheckKind::ShortGap,
                               QStringLiteral("%1 before the next entry; at least %2 frames (%3)")
                                   .arg(secondsText(gap / ups))
                                   .arg(options.limits.minGapFrames)
                                   .arg(secondsText(least / ups))));
}
