// The checks that read times: reading speed, duration, gap and overlap, at the presets' edges and
// in each format's own unit.
#include "review_rows.h"

#include "review/entry_times.h"

#include <gtest/gtest.h>

namespace {

CheckOptions preset(PresetId id, std::int32_t format = kSubRip, double frameRate = kDefaultFrameRate) {
    CheckOptions o;
    o.limits = reviewPreset(id).limits;
    o.formatMode = format;
    o.frameRate = frameRate;
    return o;
}

QString letters(int n) {
    return QString(n, u'a');
}

TEST(TimingChecks, ReadingSpeedAtThePresetsLimits) {
    struct Case {
        const char* name;
        PresetId preset;
        QString text;
        int durationMs;
        int found;
    } cases[] = {
        {"adult: 41 characters in 2 s", PresetId::StreamingAdult, letters(41), 2000, 1},
        {"adult: 40 characters in 2 s", PresetId::StreamingAdult, letters(40), 2000, 0},
        {"children: 35 characters in 2 s", PresetId::Children, letters(35), 2000, 1},
        {"children: 34 characters in 2 s", PresetId::Children, letters(34), 2000, 0},
        {"the line join is not read", PresetId::StreamingAdult, letters(20) + "|\n" + letters(20), 2000, 0},
        {"tags are not read", PresetId::StreamingAdult, "<i>" + letters(40) + "</i>", 2000, 0},
        {"40 ideographs in 2 s", PresetId::StreamingAdult, QString(40, QChar(0x5B57)), 2000, 0},
        {"41 ideographs in 2 s", PresetId::StreamingAdult, QString(41, QChar(0x5B57)), 2000, 1},
        {"40 letters with accents in 2 s", PresetId::StreamingAdult,
         QString(QStringLiteral("e\u0301")).repeated(40), 2000, 0},
        {"no duration, no speed", PresetId::StreamingAdult, letters(41), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVector<EntryRow> rows{textRow("o", c.text, 10000, 10000 + c.durationMs)};
        EXPECT_EQ(foundTexts(rows, CheckKind::ReadingSpeed, preset(c.preset)).size(), c.found);
    }
}

TEST(TimingChecks, DurationGapAndOverlapInEachFormatsUnit) {
    struct Case {
        const char* name;
        std::int32_t format;
        double frameRate;
        // Show and Hide of two rows.
        const char* times[4];
        CheckKind kind;
        int found;
    } cases[] = {
        {"833 ms is under 5/6 s",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:01,833", "00:00:09,000", "00:00:11,000"},
         CheckKind::ShortDuration,
         1},
        {"834 ms",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:01,834", "00:00:09,000", "00:00:11,000"},
         CheckKind::ShortDuration,
         0},
        {"ends before it starts",
         kSubRip,
         25,
         {"00:00:05,000", "00:00:04,000", "00:00:09,000", "00:00:11,000"},
         CheckKind::ShortDuration,
         1},
        {"7.001 s",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:08,001", "00:00:09,000", "00:00:11,000"},
         CheckKind::LongDuration,
         1},
        {"7 s",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:08,000", "00:00:09,000", "00:00:11,000"},
         CheckKind::LongDuration,
         0},
        {"hundredths: 0.83 s",
         kSubViewer,
         25,
         {"00:00:01.00", "00:00:01.83", "00:00:09.00", "00:00:11.00"},
         CheckKind::ShortDuration,
         1},
        {"hundredths: 0.84 s",
         kSubViewer2,
         25,
         {"00:00:01.00", "00:00:01.84", "00:00:09.00", "00:00:11.00"},
         CheckKind::ShortDuration,
         0},
        {"frames: 20 at 25 fps", kMicroDVD, 25, {"100", "120", "300", "400"}, CheckKind::ShortDuration, 1},
        {"frames: 21 at 25 fps", kMicroDVD, 25, {"100", "121", "300", "400"}, CheckKind::ShortDuration, 0},
        {"frames: 176 at 25 fps is over 7 s",
         kMicroDVD,
         25,
         {"100", "276", "300", "400"},
         CheckKind::LongDuration,
         1},
        {"frames: 176 at 30 fps", kMicroDVD, 30, {"100", "276", "300", "400"}, CheckKind::LongDuration, 0},
        {"79 ms gap, 2 frames at 25 fps",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:02,921", "00:00:03,000", "00:00:05,000"},
         CheckKind::ShortGap,
         1},
        {"80 ms gap",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:02,920", "00:00:03,000", "00:00:05,000"},
         CheckKind::ShortGap,
         0},
        {"83 ms gap at 24 fps",
         kSubRip,
         24,
         {"00:00:01,000", "00:00:02,917", "00:00:03,000", "00:00:05,000"},
         CheckKind::ShortGap,
         1},
        {"1 frame gap", kMicroDVD, 25, {"100", "199", "200", "300"}, CheckKind::ShortGap, 1},
        {"2 frames gap", kMicroDVD, 25, {"100", "198", "200", "300"}, CheckKind::ShortGap, 0},
        {"overlap",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:03,001", "00:00:03,000", "00:00:05,000"},
         CheckKind::Overlap,
         1},
        {"an overlap is not also a short gap",
         kSubRip,
         25,
         {"00:00:01,000", "00:00:03,001", "00:00:03,000", "00:00:05,000"},
         CheckKind::ShortGap,
         0},
        {"SAMI lasts until the next start", kSAMI, 25, {"1000", "", "1800", ""}, CheckKind::ShortDuration, 1},
        {"SAMI has no gap", kSAMI, 25, {"1000", "", "3000", ""}, CheckKind::ShortGap, 0},
        {"a row without times",
         kSubRip,
         25,
         {"", "", "00:00:03,000", "00:00:05,000"},
         CheckKind::ShortDuration,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVector<EntryRow> rows{EntryRow{1, c.times[0], c.times[1], "o", "t"},
                                     EntryRow{2, c.times[2], c.times[3], "o", "t"}};
        EXPECT_EQ(foundTexts(rows, c.kind, preset(PresetId::StreamingAdult, c.format, c.frameRate)).size(),
                  c.found);
    }
}

TEST(TimingChecks, TimesAreReadWhereTheTimeCodeFunctionsWriteThem) {
    // Whatever ShiftTimeText makes reads back as the same number of units.
    for (const int ms : {0, 1, 999, 61001, 3599999, 3600000 + 59 * 60000 + 1})
        EXPECT_EQ(timeUnits(srt(ms), kSubRip), ms);
    EXPECT_EQ(timeUnits(ShiftTimeText("00:00:00.00", 6123, kSubViewer), kSubViewer), 6123);
    EXPECT_EQ(timeUnits("00:00:04,000 X1:10", kSubRip), 4000);
    EXPECT_EQ(timeUnits("4 s", kSubRip), std::nullopt);
    EXPECT_EQ(timeUnits("", kMicroDVD), std::nullopt);
}

} // namespace
