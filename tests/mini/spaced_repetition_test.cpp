// The scheduling rule: answers on given days, and the intervals and ease they lead to.
#include "mini/spaced_repetition.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const QDate kStart(2024, 3, 1);

struct Step {
    int day; // days after kStart
    Answer answer;
    int interval; // expected interval after the answer
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    int ease;
    int streak;
    int lapses;
};

TEST(Scheduling, AnswersOnDaysGiveTheseIntervals) {
    const Case cases[] = {
        {"late review counts from the day answered, with the planned interval",
         {{0, Answer::Good, 1}, {1, Answer::Good, 6}, {30, Answer::Good, 15}},
         2500,
         3,
         0},
        {"Again on a new card keeps it due today, no lapse yet", {{0, Answer::Again, 0}}, 2300, 0, 0},
        {"a learnt card forgotten starts over and counts a lapse",
         {{0, Answer::Good, 1},
          {1, Answer::Good, 6},
          {7, Answer::Again, 0},
          {7, Answer::Good, 1},
          {8, Answer::Good, 6}},
         2300,
         2,
         1},
        {"Hard grows a little and lowers the ease", {{0, Answer::Good, 1}, {1, Answer::Hard, 2}}, 2350, 2, 0},
        {"Easy on a new card skips ahead", {{0, Answer::Easy, 4}}, 2650, 1, 0},
        {"Easy after one answer goes past Good's six days",
         {{0, Answer::Good, 1}, {1, Answer::Easy, 8}},
         2650,
         2,
         0},
        {"Easy later multiplies Good's interval",
         {{0, Answer::Good, 1}, {1, Answer::Good, 6}, {7, Answer::Easy, 20}},
         2650,
         3,
         0},
        {"ease stops at its floor however often a card is forgotten",
         {{0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Again, 0},
          {0, Answer::Good, 1},
          {1, Answer::Good, 6},
          {7, Answer::Hard, 7},
          {14, Answer::Good, 9}},
         1300,
         4,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CardState card;
        for (const Step& step : c.steps) {
            const QDate day = kStart.addDays(step.day);
            card = scheduleAnswer(card, step.answer, day);
            EXPECT_EQ(card.intervalDays, step.interval) << "day " << step.day;
            EXPECT_EQ(card.due, day.addDays(step.interval)) << "day " << step.day;
        }
        EXPECT_EQ(card.ease, c.ease);
        EXPECT_EQ(card.streak, c.streak);
        EXPECT_EQ(card.lapses, c.lapses);
        EXPECT_EQ(card.firstStudied, kStart.addDays(c.steps.front().day));
    }
}

TEST(Scheduling, IntervalsEaseAndCountsStopAtTheirCeilings) {
    CardState card;
    card.intervalDays = 30000;
    card.streak = kMostAnswers;
    card.ease = kHighestEase - 100;
    card.firstStudied = kStart;
    const CardState next = scheduleAnswer(card, Answer::Easy, kStart);
    EXPECT_EQ(next.intervalDays, kLongestIntervalDays);
    EXPECT_EQ(next.due, kStart.addDays(kLongestIntervalDays));
    EXPECT_EQ(next.ease, kHighestEase);
    EXPECT_EQ(next.streak, kMostAnswers);
}

} // namespace
