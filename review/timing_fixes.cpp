// Lengthening short entries, shortening overlaps and keeping gaps, as session edits.
#include "review/timing_fixes.h"

#include "review/entry_times.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/time_line_rules.h"

#include <algorithm>

namespace {

// The clock part of a Hide text; what follows it on the time line (SubRip's "X1:..." coordinates)
// stays where it was.
qsizetype clockLength(std::int32_t format) {
    switch (format) {
    case kSubRip:
        return 12;
    case kSubViewer:
    case kSubViewer2:
        return 11;
    default:
        return -1;
    }
}

QString movedHide(const QString& hide, std::int64_t delta, const TimeLineRules& rules) {
    const qsizetype clock = clockLength(rules.format());
    const QString moved = rules.shift(hide, std::int32_t(delta));
    return clock < 0 ? moved : moved + hide.mid(clock);
}

// Where the row's Hide should go, or nullopt to leave it.
std::optional<std::int64_t> targetHide(TimingFix fix, std::int64_t show, std::int64_t hide,
                                       std::optional<std::int64_t> nextShow, std::int64_t shortest,
                                       std::int64_t gap) {
    const std::optional<std::int64_t> latest =
        nextShow ? std::optional<std::int64_t>(*nextShow - gap) : std::nullopt;
    switch (fix) {
    case TimingFix::LengthenShort: {
        if (hide - show >= shortest)
            return std::nullopt;
        const std::int64_t target = latest ? std::min(show + shortest, *latest) : show + shortest;
        return target > hide ? std::optional(target) : std::nullopt;
    }
    case TimingFix::ShortenOverlaps:
        if (!nextShow || hide <= *nextShow)
            return std::nullopt;
        if (*latest > show)
            return *latest;
        return *nextShow > show ? std::optional(*nextShow) : std::nullopt;
    case TimingFix::KeepGap:
        if (!latest || hide <= *latest || *latest <= show)
            return std::nullopt;
        return *latest;
    }
    return std::nullopt;
}

} // namespace

QString timingFixLabel(TimingFix fix) {
    switch (fix) {
    case TimingFix::LengthenShort:
        return QStringLiteral("Lengthen Short Entries");
    case TimingFix::ShortenOverlaps:
        return QStringLiteral("Shorten Overlaps");
    case TimingFix::KeepGap:
        break;
    }
    return QStringLiteral("Keep Minimum Gap");
}

SessionEdit timingFix(TimingFix fix, const SubtitleSession& session, const std::optional<QList<int>>& rows,
                      const ReviewLimits& limits, double frameRate) {
    SessionEdit edit(timingFixLabel(fix));
    const std::int32_t format = session.document().formatMode;
    const TimeLineRules rules(session.document());
    if (!hasHideTimes(format))
        return edit;
    if (!(frameRate > 0 && frameRate <= 1000))
        frameRate = kDefaultFrameRate;
    QList<int> wanted;
    if (rows) {
        wanted = *rows;
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    } else {
        wanted.reserve(session.rowCount());
        for (int r = 0; r < session.rowCount(); ++r)
            wanted.append(r);
    }
    const double ups = unitsPerSecond(format, frameRate);
    const std::int64_t shortest = atLeastUnits(limits.minDurationSeconds, ups);
    const std::int64_t gap = gapUnits(limits.minGapFrames, format, frameRate);
    const QVector<EntryRow>& all = session.rows().all();

    QList<int> changed;
    QVector<SessionEntry> entries;
    for (int r : wanted) {
        if (r < 0 || r >= all.size())
            continue;
        const std::optional<std::int64_t> show = timeUnits(all[r].show, format);
        const std::optional<std::int64_t> hide = timeUnits(all[r].hide, format);
        if (!show || !hide)
            continue;
        const std::optional<std::int64_t> nextShow =
            r + 1 < all.size() ? timeUnits(all[r + 1].show, format) : std::nullopt;
        const std::optional<std::int64_t> target = targetHide(fix, *show, *hide, nextShow, shortest, gap);
        if (!target || *target == *hide)
            continue;
        SessionEntry e = session.entry(r);
        e.row.hide = movedHide(e.row.hide, *target - *hide, rules);
        if (e.timeLine)
            e.timeLine = rules.build(e.row.show, e.row.hide, *e.timeLine);
        changed.append(r);
        entries.append(std::move(e));
    }
    edit.replace(std::move(changed), std::move(entries));
    return edit;
}
