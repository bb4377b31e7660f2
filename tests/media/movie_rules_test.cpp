// The movie pane's label, slider and jump arithmetic.
#include "media/movie_rules.h"

#include <functional>
#include <gtest/gtest.h>

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
    const struct {
        const char* name;
        std::function<void(MovieClock&)> steps;
        qint64 now;
        qint64 at;
        qint64 untilNextSecond;
    } cases[] = {
        {"playing: runs on from the report",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
         },
         1050, 1950, 50},
        {"playing: the next second is due before the next report",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
         },
         1000, 1900, 100},
        {"playing without reports: stops a run-on's length past the last one",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
         },
         9000, 2900, -1},
        {"playing: the next report is due before the next second",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
         },
         1950, 2850, -1},
        {"paused: keeps the time it had reached",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
             c.setRunning(false, 1300);
         },
         5000, 2200, -1},
        {"resumed: runs on from where the pause stopped",
         [](MovieClock& c) {
             c.report(1900, 1000);
             c.setRunning(true, 1000);
             c.setRunning(false, 1300);
             c.setRunning(true, 5000);
         },
         5100, 2300, 700},
        {"not yet playing: the report as it is", [](MovieClock& c) { c.report(1900, 1000); }, 1500, 1900, -1},
        {"a later report wins, also one behind the run-on",
         [](MovieClock& c) {
             c.setRunning(true, 0);
             c.report(5000, 100);
             c.report(4000, 300);
         },
         400, 4100, 900},
        {"seek while paused: shows the target", [](MovieClock& c) { c.report(7000, 200); }, 900, 7000, -1},
        {"unknown time reads as the start",
         [](MovieClock& c) {
             c.report(-1, 0);
             c.setRunning(true, 0);
         },
         250, 250, 750},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MovieClock clock;
        c.steps(clock);
        EXPECT_EQ(clock.at(c.now), c.at);
        EXPECT_EQ(clock.untilNextSecond(c.now), c.untilNextSecond);
    }
}
