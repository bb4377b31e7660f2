// The timing fixes as session edits: which Hide times they move, where to, and their undo.
#include "review_rows.h"

#include "review/timing_fixes.h"
#include "subtitle/subtitle_session.h"

#include <gtest/gtest.h>

namespace {

void loadTimes(SubtitleSession& session, std::int32_t format, const QStringList& times) {
    SubtitleDocument d;
    d.formatMode = format;
    QVector<EntryRow> rows;
    for (qsizetype i = 0; i + 1 < times.size(); i += 2) {
        rows.append(EntryRow{double(i / 2 + 1), times[i], times[i + 1], "o", "t"});
        d.timeLines.append(BuildTimeLine(times[i], times[i + 1], format));
        d.originalTexts.append("o");
        d.translatedTexts.append("t");
    }
    d.loadedTimeLines = d.timeLines;
    session.reset(d, rows);
}

QStringList hides(const SubtitleSession& session) {
    QStringList h;
    for (const EntryRow& r : session.rows().all())
        h.append(r.hide);
    return h;
}

TEST(TimingFixes, MoveHideTimesOnlyAsFarAsTheLimitsAllow) {
    const ReviewLimits adult = reviewPreset(PresetId::StreamingAdult).limits;
    struct Case {
        const char* name;
        TimingFix fix;
        std::int32_t format;
        QStringList times; // show, hide of each row
        std::optional<QList<int>> rows;
        QStringList hides; // afterwards
    } cases[] = {
        {"short entry up to 5/6 s",
         TimingFix::LengthenShort,
         kSubRip,
         {"00:00:01,000", "00:00:01,500", "00:00:05,000", "00:00:06,000"},
         std::nullopt,
         {"00:00:01,834", "00:00:06,000"}},
        {"but not past the next start less the gap",
         TimingFix::LengthenShort,
         kSubRip,
         {"00:00:01,000", "00:00:01,500", "00:00:01,700", "00:00:03,000"},
         std::nullopt,
         {"00:00:01,620", "00:00:03,000"}},
        {"the last entry has no next to stop it",
         TimingFix::LengthenShort,
         kSubViewer,
         {"00:00:01.00", "00:00:01.10"},
         std::nullopt,
         {"00:00:01.84"}},
        {"only the chosen rows",
         TimingFix::LengthenShort,
         kSubRip,
         {"00:00:01,000", "00:00:01,100", "00:00:05,000", "00:00:05,100"},
         QList<int>{1},
         {"00:00:01,100", "00:00:05,834"}},
        {"frames",
         TimingFix::LengthenShort,
         kMicroDVD,
         {"100", "110", "200", "300"},
         std::nullopt,
         {"121", "300"}},
        {"overlap shortened to keep the gap",
         TimingFix::ShortenOverlaps,
         kSubRip,
         {"00:00:01,000", "00:00:04,000", "00:00:03,000", "00:00:05,000"},
         std::nullopt,
         {"00:00:02,920", "00:00:05,000"}},
        {"a short gap is not an overlap",
         TimingFix::ShortenOverlaps,
         kSubRip,
         {"00:00:01,000", "00:00:02,950", "00:00:03,000", "00:00:05,000"},
         std::nullopt,
         {"00:00:02,950", "00:00:05,000"}},
        {"no room for the gap: ends where the next starts",
         TimingFix::ShortenOverlaps,
         kSubRip,
         {"00:00:01,000", "00:00:04,000", "00:00:01,050", "00:00:05,000"},
         std::nullopt,
         {"00:00:01,050", "00:00:05,000"}},
        {"gap kept",
         TimingFix::KeepGap,
         kSubRip,
         {"00:00:01,000", "00:00:02,950", "00:00:03,000", "00:00:05,000"},
         std::nullopt,
         {"00:00:02,920", "00:00:05,000"}},
        {"two frames",
         TimingFix::KeepGap,
         kMicroDVD,
         {"100", "200", "201", "300"},
         std::nullopt,
         {"199", "300"}},
        {"what follows the clock stays",
         TimingFix::KeepGap,
         kSubRip,
         {"00:00:01,000", "00:00:02,950 X1:10", "00:00:03,000", "00:00:05,000"},
         std::nullopt,
         {"00:00:02,920 X1:10", "00:00:05,000"}},
        {"SAMI has no Hide to move",
         TimingFix::LengthenShort,
         kSAMI,
         {"1000", "", "1100", ""},
         std::nullopt,
         {"", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleSession session;
        loadTimes(session, c.format, c.times);
        const QStringList before = hides(session);
        const QStringList timeLinesBefore = session.document().timeLines;
        const SessionEdit edit = timingFix(c.fix, session, c.rows, adult);
        session.apply(edit);
        EXPECT_EQ(hides(session), c.hides);
        for (int r = 0; r < session.rowCount(); ++r)
            EXPECT_EQ(session.document().timeLines[r],
                      BuildTimeLine(session.rows().at(r).show, session.rows().at(r).hide, c.format));
        if (before == c.hides) {
            EXPECT_FALSE(session.canUndo());
            continue;
        }
        // One step, and undo gives back every time as it was.
        EXPECT_EQ(session.historySize(), 1);
        EXPECT_EQ(session.undoLabel(), timingFixLabel(c.fix));
        session.undo();
        EXPECT_EQ(hides(session), before);
        EXPECT_EQ(session.document().timeLines, timeLinesBefore);
    }
}

TEST(TimingFixes, FixedRowsPassTheirCheck) {
    SubtitleSession session;
    loadTimes(
        session, kSubRip,
        {"00:00:01,000", "00:00:01,200", "00:00:03,000", "00:00:05,000", "00:00:04,990", "00:00:07,000"});
    CheckOptions options;
    for (TimingFix fix : {TimingFix::ShortenOverlaps, TimingFix::LengthenShort, TimingFix::KeepGap})
        session.apply(timingFix(fix, session, std::nullopt, options.limits));
    for (CheckKind kind : {CheckKind::ShortDuration, CheckKind::Overlap, CheckKind::ShortGap})
        EXPECT_TRUE(foundTexts(session.rows().all(), kind, options).isEmpty())
            << checkKindName(kind).toStdString();
}

} // namespace
