// Fixes for what the timing checks find, each one session edit (one undo step) that moves only
// Hide times: entries never start at another time, so they stay in step with the film's cuts.
#pragma once

#include "review/checks.h"
#include "subtitle/session_edit.h"

#include <QList>
#include <optional>

class SubtitleSession;

enum class TimingFix {
    // Up to the shortest duration, but never past the next entry's start less the gap.
    LengthenShort,
    // Back to the next entry's start less the gap (or to its start, where the gap leaves no room).
    ShortenOverlaps,
    // Back so that the gap to the next entry is kept, overlaps included.
    KeepGap,
};

// The edit over the given rows (every row when nullopt); empty when no row needs it. SAMI
// entries have no Hide time of their own, so nothing changes there.
SessionEdit timingFix(TimingFix fix, const SubtitleSession& session, const std::optional<QList<int>>& rows,
                      const ReviewLimits& limits, double frameRate = kDefaultFrameRate);
QString timingFixLabel(TimingFix fix);
