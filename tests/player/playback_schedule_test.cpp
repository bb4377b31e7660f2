// The playback schedule's steps one by one, on a clock the test moves.
#include "player/playback_schedule.h"

#include "manual_clock.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Step = PlaybackSchedule::Step;

PlayerLine line(int show, int hide) {
    PlayerLine l;
    l.show = show;
    l.hide = hide;
    l.duration = hide - show;
    return l;
}

class Schedule : public ::testing::Test {
protected:
    long long ms(PlaybackSchedule::TimePoint t) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t - PlaybackSchedule::TimePoint{})
            .count();
    }
    // The clock set to `at` milliseconds from its start, forwards or back.
    PlaybackSchedule::TimePoint clockAt(long long at) {
        clock.advance(std::chrono::milliseconds(at - clock.elapsed()));
        return clock.now();
    }

    // Line 2 from a press at 4500, with the schedule run ahead to its end: its gap to 5000, a
    // delay of 100, the line from 5100 to 6100.
    void runLineTwoAhead() {
        const auto press = clockAt(4500);
        schedule.start(press, 2);
        schedule.lineStart(press);
        schedule.delay(press, 100);
        schedule.show();
        schedule.line(press);
    }

    // The third line starts before the second one ends.
    std::vector<PlayerLine> lines{line(1000, 4500), line(5000, 6000), line(5500, 7000)};
    ManualClock clock;
    PlaybackSchedule schedule{lines};
};

TEST_F(Schedule, LineStartEmptiesTheLineAndWaitsTheGapFromThePreviousHide) {
    struct Case {
        int position;
        PlaybackCue cue;
        std::optional<long long> waitUntil; // milliseconds after the press
        Step next;
    };
    const Case cases[] = {
        {4, PlaybackCue::ShowEnd, std::nullopt, Step::Ended}, // past the last line
        {3, PlaybackCue::ClearText, 0, Step::Delay},          // a gap that runs backwards waits nothing
        {2, PlaybackCue::ClearText, 500, Step::Delay},
        {1, PlaybackCue::ClearText, 1000, Step::Delay}, // from the start of the film
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        const auto press = clockAt(10000);
        schedule.start(press, c.position);
        const PlaybackSchedule::Action action = schedule.lineStart(clock.now());
        ASSERT_TRUE(action.cue);
        EXPECT_EQ(action.cue->kind, c.cue);
        EXPECT_EQ(action.cue->due, press);
        EXPECT_EQ(action.waitUntil ? std::optional(ms(*action.waitUntil) - ms(press)) : std::nullopt,
                  c.waitUntil);
        EXPECT_EQ(schedule.step(), c.next);
    }
}

TEST_F(Schedule, DelayFollowsTheScheduleUnlessTheClockIsFarBehind) {
    struct Case {
        long long now; // when the delay begins
        int delay;
        long long waitUntil;
    };
    const Case cases[] = {
        {1300, 100, 1400}, // 300 ms late: afresh from the clock
        {1200, 100, 1100}, // 200 ms late: caught up on the way
        {1000, 100, 1100},
        {1000, 0, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now);
        schedule.start(clockAt(0), 1);
        schedule.lineStart(clock.now()); // the gap ends at 1000
        const PlaybackSchedule::Action action = schedule.delay(clockAt(c.now), c.delay);
        EXPECT_FALSE(action.cue);
        ASSERT_TRUE(action.waitUntil);
        EXPECT_EQ(ms(*action.waitUntil), c.waitUntil);
        EXPECT_EQ(schedule.step(), Step::Show);
    }
}

TEST_F(Schedule, WakeIsPlacedByItsMomentNotByTheStepTheScheduleIsIn) {
    struct Case {
        long long at;
        Step next;
        int position;
    };
    const Case cases[] = {
        {4400, Step::LineOver, 2}, // line 1 is still on screen: on from the chosen line
        {5500, Step::LineOver, 2}, // during line 2 likewise
        {4700, Step::Delay, 3},    // in the gap: the chosen line after the delay
        {5050, Step::Show, 3},     // in the delay: the chosen line at once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        runLineTwoAhead();
        schedule.woken(clockAt(c.at), 3);
        EXPECT_EQ(schedule.step(), c.next);
        EXPECT_EQ(schedule.position(), c.position);
        if (c.next == Step::Delay) {
            // What is left of the delay is all of it, counted from the wake.
            EXPECT_EQ(ms(*schedule.delay(clock.now(), 100).waitUntil), c.at + 100);
        }
    }
}

TEST_F(Schedule, PauseAndResumeGoOnFromTheMomentPaused) {
    using Part = PlaybackSchedule::Part;
    // Play pressed again two seconds after each pause.
    struct Case {
        long long pausedAt;
        PlaybackSchedule::Resume resume;
        std::optional<long long> cueDue; // from the new press
        long long waitUntil;             // likewise
    };
    const Case cases[] = {
        {5500, {2, Part::Line, 400ms}, -400, 600},        // the rest of the line
        {4700, {2, Part::Gap, 200ms}, -200, 300},         // the rest of the gap, with the line empty
        {5050, {2, Part::Delay, 50ms}, std::nullopt, 50}, // the rest of the delay
        {4400, {2, Part::Gap, -100ms}, 100, 600},         // line 1 had 100 ms to go, then the gap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pausedAt);
        runLineTwoAhead();
        EXPECT_EQ(schedule.pausedAt(clockAt(c.pausedAt)), c.resume);

        const auto again = clockAt(c.pausedAt + 2000);
        schedule.resume(again, c.resume);
        PlaybackSchedule::Action action;
        while (!action.waitUntil) {
            switch (schedule.step()) {
            case Step::LineStart:
                action = schedule.lineStart(clock.now());
                break;
            case Step::Delay:
                action = schedule.delay(clock.now(), 100);
                break;
            case Step::Show:
                action = schedule.show();
                break;
            default:
                action = schedule.line(clock.now());
                break;
            }
            if (action.cue) {
                ASSERT_TRUE(c.cueDue);
                EXPECT_EQ(ms(action.cue->due) - ms(again), *c.cueDue);
            }
        }
        EXPECT_EQ(ms(*action.waitUntil) - ms(again), c.waitUntil);
    }
}

} // namespace
