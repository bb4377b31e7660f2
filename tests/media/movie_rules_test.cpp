// The movie pane's label, slider and jump arithmetic.
#include "media/movie_rules.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

TEST(MovieRules, TimeLabelShowsElapsedAndTotalInWholeSeconds) {
    const struct {
        qint64 time, length;
        const char* label;
    } cases[] = {
        {0, 0, "[00:00:00/00:00:00]"},
        {90000, 3723000, "[00:01:30/01:02:03]"},
        {1999, 2000, "[00:00:01/00:00:02]"},
        {-1, -1, "[00:00:00/00:00:00]"},                                  // libVLC before it knows
        {25 * 3600000LL + 61000, 100 * 3600000LL, "[01:01:01/04:00:00]"}, // hours wrap at 24
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatMovieTimeLabel(c.time, c.length), QLatin1String(c.label))
            << c.time << "/" << c.length;
}

TEST(MovieRules, SliderFollowsTimeAndSeeksInTenThousandths) {
    EXPECT_EQ(positionSliderValue(90000, 3723000), 241);
    EXPECT_EQ(positionSliderValue(5000, 0), 0);
    EXPECT_EQ(positionSliderValue(5000, -1), 0);
    EXPECT_EQ(positionSliderValue(2000, 2000), 10000);
    EXPECT_EQ(positionSliderValue(2500, 2000), 10000);
    // Long films: no overflow on the way.
    EXPECT_EQ(positionSliderValue(4000000000LL, 8000000000LL), 5000);

    EXPECT_EQ(seekTimeForSlider(100001, 5000), 50000);
    EXPECT_EQ(seekTimeForSlider(3723000, 10000), 3720000);
    EXPECT_EQ(seekTimeForSlider(-1, 5000), 0);
}

TEST(MovieRules, JumpsStayWithinTheFilm) {
    EXPECT_EQ(timeBack(3000), 0);
    EXPECT_EQ(timeBack(12000), 7000);
    EXPECT_EQ(timeForward(98000, 100000), 100000);
    EXPECT_EQ(timeForward(10000, 100000), 15000);
    // A length libVLC does not know yet is no end.
    EXPECT_EQ(timeForward(10000, -1), 15000);
}

TEST(MovieRules, ClockRunsOnFromTheLastReportOnlyWhilePlaying) {
    enum Op { Report, Run, Pause };
    const struct {
        const char* name;
        std::vector<std::tuple<Op, qint64, qint64>> steps; // what, time (reports), when
        qint64 now, at, untilNextSecond;
    } cases[] = {
        {"playing: runs on from the report", {{Report, 1900, 1000}, {Run, 0, 1000}}, 1050, 1950, 50},
        {"playing: the next report is due first", {{Report, 1900, 1000}, {Run, 0, 1000}}, 1950, 2850, -1},
        {"no more reports: stops a run-on past the last",
         {{Report, 1900, 1000}, {Run, 0, 1000}},
         9000,
         2900,
         -1},
        {"paused: keeps the time reached",
         {{Report, 1900, 1000}, {Run, 0, 1000}, {Pause, 0, 1300}},
         5000,
         2200,
         -1},
        {"resumed: runs on from the pause",
         {{Report, 1900, 1000}, {Run, 0, 1000}, {Pause, 0, 1300}, {Run, 0, 5000}},
         5100,
         2300,
         700},
        {"not playing: the report as it is", {{Report, 1900, 1000}}, 1500, 1900, -1},
        {"the last report wins, also one behind",
         {{Run, 0, 0}, {Report, 5000, 100}, {Report, 4000, 300}},
         400,
         4100,
         900},
        {"unknown time reads as the start", {{Report, -1, 0}, {Run, 0, 0}}, 250, 250, 750},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MovieClock clock;
        for (const auto& [op, time, when] : c.steps)
            op == Report ? clock.report(time, when) : clock.setRunning(op == Run, when);
        EXPECT_EQ(clock.at(c.now), c.at);
        EXPECT_EQ(clock.untilNextSecond(c.now), c.untilNextSecond);
    }
}
