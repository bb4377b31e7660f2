// A second file's lines go with the first file's lines by time, not by number.
#include "player/dual_lines.h"

#include <gtest/gtest.h>

namespace {

PlayerLine first(std::int32_t show, std::int32_t hide) {
    PlayerLine l;
    l.show = show;
    l.hide = hide;
    l.duration = hide - show;
    return l;
}

TEST(DualLines, SecondLinesGoWithTheFirstLinesTheyShareTimeWith) {
    struct Case {
        const char* name;
        std::vector<PlayerLine> first;
        std::vector<TimedText> second;
        std::vector<QString> want;
    };
    const Case cases[] = {
        // The second file lacks line 2: line 3 still gets its own translation, not line 4's.
        {"a missing line",
         {first(1000, 2000), first(3000, 4000), first(5000, 6000)},
         {{1100, 2100, "eins"}, {5050, 5900, "drei"}},
         {"eins", "", "drei"}},
        // One translation of two lines shows with both; two of one show together.
        {"overlapping lines",
         {first(1000, 2000), first(2000, 3000), first(5000, 8000)},
         {{900, 3100, "beide"}, {5000, 6500, "erst"}, {6500, 8000, "dann"}},
         {"beide", "beide", "erst\ndann"}},
        // Barely touching a neighbour, a line goes only with the one it shares most with.
        {"touching",
         {first(1000, 3000), first(3000, 5000)},
         {{1000, 3200, "a"}, {2900, 5000, "b"}},
         {"a", "b"}},
        // Sharing no time with any line, a line is not shown; nor is a line without a duration.
        {"nothing shared", {first(1000, 2000)}, {{2500, 3000, "x"}, {1500, 1500, "y"}}, {""}},
        // Files need not be in time order.
        {"out of order",
         {first(5000, 6000), first(1000, 2000)},
         {{5000, 6000, "late"}, {1000, 2000, "early"}},
         {"late", "early"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchByTime(c.first, c.second), c.want) << c.name;
}

} // namespace
