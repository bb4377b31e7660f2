// The playback sequence on a clock that the test moves: timing, pause, stop, seek, delay, the end.
#include "player/player_session.h"
#include "player/player_text.h"

#include "charset/code_page.h"
#include "manual_clock.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Kind = PlaybackEvent::Kind;
using namespace std::chrono_literals;

struct Seen {
    long long at; // milliseconds on the manual clock
    Kind kind;
    QString text;
    int position;
    std::uint64_t generation;
    long long due; // when the event is to be shown, on the same clock
    std::uint64_t seekSerial;
};

PlayerLine line(int show, int hide, const char* text) {
    PlayerLine l;
    l.show = show;
    l.hide = hide;
    l.duration = hide - show;
    l.text = text;
    return l;
}

class PlaybackTest : public ::testing::Test {
protected:
    PlaybackTest()
        : session(clock, [this](const PlaybackEvent& e) {
              std::lock_guard lock(mutex);
              seen.push_back(
                  {clock.elapsed(), e.kind, e.text, e.position, e.generation,
                   std::chrono::duration_cast<std::chrono::milliseconds>(e.due - ManualClock::TimePoint{})
                       .count(),
                   e.seekSerial});
          }) {}

    void load(std::vector<PlayerLine> lines) {
        PlayerLoadResult result;
        result.lines = std::move(lines);
        ASSERT_TRUE(session.replaceLines(std::move(result)).replaced);
    }
    void loadTwo() { load({line(1000, 4500, "Hello\n\n"), line(5000, 6000, "World\n\n")}); }

    bool settle() {
        return clock.settle([this] { return !session.threadRunning(); });
    }
    // Lets the clock run until the thread has ended.
    void runToEnd() {
        for (int guard = 0; guard < 1000; ++guard) {
            ASSERT_TRUE(settle());
            if (!session.threadRunning())
                return;
            clock.advanceToDeadline();
        }
        FAIL() << "playback did not end";
    }
    // Lets the clock run up to `at` milliseconds, deadline by deadline, as time would pass.
    void runUntil(long long at) {
        for (int guard = 0; guard < 1000; ++guard) {
            ASSERT_TRUE(settle());
            const auto deadline = clock.deadline();
            const long long next = deadline ? std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  *deadline - ManualClock::TimePoint{})
                                                  .count()
                                            : at;
            if (next >= at) {
                clock.advance(std::chrono::milliseconds(at - clock.elapsed()));
                ASSERT_TRUE(settle());
                return;
            }
            clock.advanceToDeadline();
        }
        FAIL() << "the clock did not get there";
    }
    std::vector<Seen> events() {
        std::lock_guard lock(mutex);
        return seen;
    }
    std::vector<Seen> shown() {
        std::vector<Seen> out;
        for (const Seen& s : events())
            if (s.kind == Kind::ShowLine || s.kind == Kind::ShowEnd)
                out.push_back(s);
        return out;
    }

    ManualClock clock;
    std::mutex mutex;
    std::vector<Seen> seen;
    PlayerSession session;
};

TEST_F(PlaybackTest, TwoLinesAppearAtTheirTimesThenTheEnd) {
    EXPECT_EQ(session.currentLabel(), "current:00:00:00,000");
    EXPECT_EQ(session.totalLabel(), "total:00:00:00,000");
    loadTwo();
    EXPECT_EQ(session.totalLabel(), "total:00:00:06,000");
    EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Started);
    runToEnd();

    std::vector<std::tuple<long long, Kind, QString>> got;
    for (const Seen& s : events())
        got.emplace_back(s.at, s.kind, s.text);
    const std::vector<std::tuple<long long, Kind, QString>> want = {
        {0, Kind::ClearText, ""},    {1000, Kind::ShowLine, "Hello\n\n"}, {4500, Kind::PositionAdvanced, ""},
        {4500, Kind::ClearText, ""}, {5000, Kind::ShowLine, "World\n\n"}, {6000, Kind::PositionAdvanced, ""},
        {6000, Kind::ShowEnd, ""},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(session.position(), 3);
    EXPECT_EQ(session.currentLabel(), "current:00:00:06,000");
    EXPECT_EQ(session.state(), PlaybackState::Playing);
    EXPECT_EQ(formatTimeLabel("current", 3 * 3600000 + 25 * 60000 + 7 * 1000 + 9), "current:03:25:07,009");
}

TEST_F(PlaybackTest, ShowLeadHandsEachEventOverAheadOfItsTime) {
    session.setShowLead(40ms);
    loadTwo();
    session.playPause();
    runToEnd();
    std::vector<std::tuple<long long, long long, Kind>> got;
    for (const Seen& s : events())
        got.emplace_back(s.at, s.due, s.kind);
    const std::vector<std::tuple<long long, long long, Kind>> want = {
        {0, 0, Kind::ClearText},       {960, 1000, Kind::ShowLine},  {4460, 4500, Kind::PositionAdvanced},
        {4460, 4500, Kind::ClearText}, {4960, 5000, Kind::ShowLine}, {5960, 6000, Kind::PositionAdvanced},
        {5960, 6000, Kind::ShowEnd},
    };
    EXPECT_EQ(got, want);
}

TEST_F(PlaybackTest, EventsDecidedBeforeASeekAreNoLongerCurrent) {
    session.setShowLead(40ms);
    loadTwo();
    session.playPause();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // "Hello" handed over at 960 for 1000; the thread waits its time
    ASSERT_TRUE(settle());
    const Seen hello = shown().back();
    ASSERT_EQ(hello.text, "Hello\n\n");
    EXPECT_TRUE(session.isCurrent(hello.generation, hello.seekSerial));

    // The seek comes before "Hello" is due: the window must not show it after the chosen line.
    session.seek(2);
    EXPECT_FALSE(session.isCurrent(hello.generation, hello.seekSerial));
    EXPECT_TRUE(session.isCurrent(hello.generation)); // the same playback all the same
    ASSERT_TRUE(settle());
    const Seen world = shown().back();
    EXPECT_EQ(world.text, "World\n\n");
    EXPECT_EQ(world.due, clock.elapsed()); // chosen by the seek: due at once
    EXPECT_TRUE(session.isCurrent(world.generation, world.seekSerial));
}

TEST_F(PlaybackTest, SeekIsTakenByTheMomentItComesNotByTheScheduleRunningAhead) {
    session.setShowLead(40ms);
    load({line(1000, 2000, "a\n"), line(3000, 4000, "b\n"), line(5000, 6000, "c\n")});
    session.playPause();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // 960: "a" handed over for 1000
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // 1960: the blank after "a" handed over for 2000, the gap before "b" begun
    ASSERT_TRUE(settle());
    ASSERT_EQ(events().back().kind, Kind::ClearText);
    ASSERT_EQ(events().back().due, 2000);

    // At 1960 "a" is still on screen: a seek now moves on to the line after the chosen one, as
    // during any line, rather than showing the chosen line as during a gap.
    session.seek(1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(shown().size(), 1u);
    const Seen blank = events().back();
    EXPECT_EQ(blank.kind, Kind::ClearText);
    EXPECT_EQ(blank.due, 1960);
    EXPECT_TRUE(session.isCurrent(blank.generation, blank.seekSerial));
    EXPECT_EQ(session.position(), 2);
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    EXPECT_EQ(shown().back().text, "b\n");
    EXPECT_EQ(shown().back().due, 1960 + 1000); // the gap from a's end to b's start
}

TEST_F(PlaybackTest, SeekAheadOfTheScheduleInTheGapKeepsTheDelayAndInTheDelayShowsAtOnce) {
    session.setShowLead(40ms);
    session.setDelay(100);
    load({line(1000, 2000, "a\n"), line(3000, 4000, "b\n")});
    session.playPause();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // 960: the schedule is in the delay, the clock still in the gap
    ASSERT_TRUE(settle());
    session.seek(2);
    ASSERT_TRUE(settle());
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    EXPECT_EQ(shown().back().text, "b\n");
    EXPECT_EQ(shown().back().due, 960 + 100);

    session.stop();
    session.playPause(); // from 1020: the gap ends at 2020, the delay at 2120
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // 1980
    ASSERT_TRUE(settle());
    clock.advance(70ms); // 2050: in the delay by the clock
    ASSERT_TRUE(settle());
    const size_t before = shown().size();
    session.seek(2);
    ASSERT_TRUE(settle());
    ASSERT_EQ(shown().size(), before + 1);
    EXPECT_EQ(shown().back().text, "b\n");
    EXPECT_EQ(shown().back().due, 2050);
}

TEST_F(PlaybackTest, ResumeGoesOnFromTheMomentPaused) {
    struct Case {
        long long pauseAt;
        int delay;
        // What shows after Play, and when, in milliseconds from that press.
        std::vector<std::pair<QString, long long>> after;
    };
    const Case cases[] = {
        // During "Hello" (1000 to 4500): the rest of it, then "World" at its own time.
        {3000, 0, {{"Hello\n\n", 0}, {"World\n\n", 2000}, {"The End", 3000}}},
        {4700, 0, {{"World\n\n", 300}, {"The End", 1300}}},                       // in the gap before "World"
        {1050, 100, {{"Hello\n\n", 50}, {"World\n\n", 4150}, {"The End", 5150}}}, // in the delay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pauseAt);
        clock.advance(std::chrono::milliseconds(100000 * (&c - cases) + 100000 - clock.elapsed()));
        session.stop();
        loadTwo();
        session.setDelay(c.delay);
        const long long start = clock.elapsed();
        session.playPause();
        runUntil(start + c.pauseAt);
        const std::uint64_t first = session.generation();
        EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Paused);
        // The thread ended inside its wait, without moving on or touching the display.
        EXPECT_FALSE(session.threadRunning());
        EXPECT_FALSE(session.isCurrent(first));

        clock.advance(10s);
        const size_t before = shown().size();
        const long long press = clock.elapsed();
        EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Started);
        runToEnd();
        std::vector<std::pair<QString, long long>> after;
        const std::vector<Seen> all = shown();
        for (auto s = all.begin() + std::ptrdiff_t(before); s != all.end(); ++s)
            after.emplace_back(s->kind == Kind::ShowEnd ? QStringLiteral("The End") : s->text, s->at - press);
        EXPECT_EQ(after, c.after);
    }
}

TEST_F(PlaybackTest, CurrentShowsThePlaybackClockAlsoWhilePaused) {
    loadTwo(); // "Hello" 1000 to 4500, "World" 5000 to 6000
    session.setDelay(100);
    enum class Press { None, PlayPause };
    struct Step {
        long long at; // on the clock
        Press press;
        const char* current;
    };
    const Step steps[] = {
        {0, Press::PlayPause, "current:00:00:00,000"},
        {700, Press::None, "current:00:00:00,700"},       // in the gap before "Hello"
        {1050, Press::None, "current:00:00:01,000"},      // in the delay, which holds the clock
        {2100, Press::None, "current:00:00:02,000"},      // "Hello", shown at 1100
        {4650, Press::PlayPause, "current:00:00:04,550"}, // paused in the gap after it
        {14650, Press::None, "current:00:00:04,550"},
        {14650, Press::PlayPause, "current:00:00:04,550"},
        {14800, Press::None, "current:00:00:04,700"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at);
        if (session.threadRunning())
            runUntil(step.at);
        else
            clock.advance(std::chrono::milliseconds(step.at - clock.elapsed()));
        if (step.press == Press::PlayPause) {
            session.playPause();
            ASSERT_TRUE(settle());
        }
        EXPECT_EQ(session.currentLabel(), step.current);
    }
}

TEST_F(PlaybackTest, StopReturnsToLineOneAndLeavesTheDisplayAlone) {
    loadTwo();
    EXPECT_FALSE(session.stop());
    session.playPause();
    runToEnd();
    const size_t before = events().size();
    EXPECT_TRUE(session.stop());
    EXPECT_EQ(session.state(), PlaybackState::Stopped);
    EXPECT_EQ(session.position(), 1);
    EXPECT_EQ(session.textAt(1), "Hello\n\n");
    EXPECT_EQ(session.currentLabel(), "current:00:00:00,000");
    EXPECT_EQ(events().size(), before);

    // Stop during a wait ends the thread at once.
    session.playPause();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(session.stop());
    EXPECT_FALSE(session.threadRunning());
    EXPECT_EQ(session.position(), 1);
}

TEST_F(PlaybackTest, SeekWhileStoppedQueuesOneWakeSoPlayShowsTheLineWithoutItsGap) {
    load({line(1000, 2000, "a\n"), line(3000, 4000, "b\n"), line(60000, 61000, "c\n")});
    EXPECT_EQ(session.seek(3), "c\n");
    EXPECT_EQ(session.position(), 3);
    EXPECT_EQ(session.currentLabel(), "current:00:00:04,000");
    session.playPause();
    ASSERT_TRUE(settle());
    std::vector<Seen> lines = shown();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "c\n");
    EXPECT_EQ(lines[0].at, 0);
    // The wake was used up: the line's own time is waited in full.
    clock.advance(999ms);
    ASSERT_TRUE(settle());
    EXPECT_EQ(session.position(), 3);
    clock.advance(1ms);
    runToEnd();
    EXPECT_EQ(shown().back().kind, Kind::ShowEnd);
}

TEST_F(PlaybackTest, SeekDuringALineMovesOnToTheLineAfterTheChosenOne) {
    load(
        {line(1000, 2000, "a\n"), line(3000, 4000, "b\n"), line(5000, 9000, "c\n"), line(9500, 9600, "d\n")});
    session.playPause();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // "a" shows
    ASSERT_TRUE(settle());
    EXPECT_EQ(session.seek(2), "b\n");
    ASSERT_TRUE(settle()); // woken: position 3, the gap from b's hide to c's show
    EXPECT_EQ(session.position(), 3);
    const long long at = clock.elapsed();
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    EXPECT_EQ(shown().back().text, "c\n");
    EXPECT_EQ(clock.elapsed() - at, 1000);

    // Seeking during a gap shows the chosen line at once.
    clock.advanceToDeadline();
    ASSERT_TRUE(settle()); // the gap before "d"
    session.seek(1);
    ASSERT_TRUE(settle());
    EXPECT_EQ(shown().back().text, "a\n");
    EXPECT_EQ(shown().back().position, 1);
    EXPECT_EQ(shown().back().at, clock.elapsed());
}

TEST_F(PlaybackTest, DelayIsWaitedBeforeEveryLineAndAddsUp) {
    load({line(1000, 2000, "a\n"), line(3000, 4000, "b\n"), line(5000, 6000, "c\n")});
    session.setDelay(100);
    session.playPause();
    runToEnd();
    const std::vector<Seen> lines = shown();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].at, 1000 + 100);
    EXPECT_EQ(lines[1].at, 3000 + 200);
    EXPECT_EQ(lines[2].at, 5000 + 300);

    session.setDelay(70000);
    EXPECT_EQ(session.delay(), kMaxDelay);
    session.setDelay(-5);
    EXPECT_EQ(session.delay(), 0);
}

TEST_F(PlaybackTest, BackwardGapsAndDurationsWaitNothing) {
    // Line 2 starts before line 1 ends, and line 3's hide lies before its show.
    load(
        {line(1000, 5000, "a\n"), line(3000, 4000, "b\n"), line(7000, 6000, "c\n"), line(8000, 8500, "d\n")});
    session.playPause();
    runToEnd();
    const std::vector<Seen> lines = shown();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].at, 1000);
    EXPECT_EQ(lines[1].at, 5000);
    EXPECT_EQ(lines[2].at, 5000 + 1000 + 3000);
    EXPECT_EQ(lines[3].at, 9000 + 2000); // from c's hide (6000) to d's show (8000)
    EXPECT_EQ(lines[4].kind, Kind::ShowEnd);
}

TEST_F(PlaybackTest, AfterTheEndPauseThenPlayShowsTheEndAtOnce) {
    loadTwo();
    session.playPause();
    runToEnd();
    EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Paused);
    const size_t before = shown().size();
    EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Started);
    runToEnd();
    const std::vector<Seen> lines = shown();
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(lines.back().kind, Kind::ShowEnd);
    EXPECT_TRUE(session.isCurrent(lines.back().generation));
}

TEST_F(PlaybackTest, LoadingStartsAgainFromTheFirstLine) {
    load(
        {line(1000, 2000, "a\n"), line(3000, 4000, "b\n"), line(5000, 6000, "c\n"), line(7000, 8000, "d\n")});
    session.seek(4); // leaves a wake for the line it chose
    load({line(1000, 2000, "x\n"), line(3000, 4000, "y\n")});
    EXPECT_EQ(session.position(), 1);
    EXPECT_EQ(session.currentLabel(), "current:00:00:00,000");
    session.playPause();
    runToEnd();
    const std::vector<Seen> lines = shown();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "x\n");
    EXPECT_EQ(lines[0].at, 1000); // after its gap: the old file's wake is gone
    EXPECT_EQ(lines[2].kind, Kind::ShowEnd);
}

TEST_F(PlaybackTest, CharsetChangeRedecodesTheLineAtThePositionWhenNotPlaying) {
    // "日本" in EUC-JP.
    load({line(1000, 2000, "\xC6\xFC\xCB\xDC\n")});
    EXPECT_EQ(session.changeCharset("Japanese(EUC)"), QString::fromUtf8("日本\n"));
    EXPECT_FALSE(session.changeCharset("Japanese(Nothing)"));
    EXPECT_EQ(session.codePage(), 51932u);
    session.playPause();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(session.changeCharset("Unicode(UTF-8)")); // playing: the next line shown picks it up
    EXPECT_EQ(session.codePage(), 65001u);
}

TEST_F(PlaybackTest, LoadingIsRefusedWhilePlayingOrPaused) {
    loadTwo();
    session.playPause();
    PlayerLoadResult other;
    other.lines = {line(0, 1, "z\n")};
    EXPECT_FALSE(session.replaceLines(other).replaced);
    session.playPause();
    EXPECT_FALSE(session.replaceLines(other).replaced);
    EXPECT_EQ(session.count(), 2);
}

TEST_F(PlaybackTest, PartialLoadKeepsTheDisplayButReplacesTheList) {
    PlayerLoadResult partial;
    partial.lines = {line(1000, 2000, "a\n")};
    partial.message = errorMessage("Invalid Subtitle File!");
    const PlayerSession::LoadOutcome outcome = session.replaceLines(partial);
    EXPECT_TRUE(outcome.replaced);
    ASSERT_TRUE(outcome.message);
    EXPECT_FALSE(outcome.firstText);
    // Play then plays what was read before the long line.
    EXPECT_EQ(session.playPause(), PlayerSession::PlayResult::Started);
    ASSERT_TRUE(settle());
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "a\n");
}

} // namespace

namespace {

// What shows, and when, from a playback run to its end: "" for an emptied line.
std::vector<std::pair<QString, long long>> screenFrom(const std::vector<Seen>& events, std::size_t from,
                                                      long long start) {
    std::vector<std::pair<QString, long long>> out;
    for (std::size_t i = from; i < events.size(); ++i) {
        const Seen& s = events[i];
        if (s.kind == Kind::ShowLine || s.kind == Kind::ClearText)
            out.emplace_back(s.text, s.at - start);
        else if (s.kind == Kind::ShowEnd)
            out.emplace_back(QStringLiteral("The End"), s.at - start);
    }
    return out;
}

TEST_F(PlaybackTest, OffsetAndSpeedMoveEveryLineOnTheFilmsClock) {
    struct Case {
        SyncTiming timing;
        std::vector<std::pair<QString, long long>> screen;
        const char* total;
    };
    const Case cases[] = {
        // Earlier than the film's start: held at zero, no line lost.
        {SyncTiming{-1500, 0},
         {{"", 0}, {"Hello\n\n", 0}, {"", 3000}, {"World\n\n", 3500}, {"The End", 4500}},
         "total:00:00:04,500"},
        {SyncTiming{300, 0},
         {{"", 0}, {"Hello\n\n", 1300}, {"", 4800}, {"World\n\n", 5300}, {"The End", 6300}},
         "total:00:00:06,300"},
        // Timed for 25 frames a second, played at 24: every time 25/24 as late.
        {SyncTiming{0, speedIndexOf("25/24")},
         {{"", 0}, {"Hello\n\n", 1042}, {"", 4688}, {"World\n\n", 5208}, {"The End", 6250}},
         "total:00:00:06,250"},
        // The factor first, then the offset.
        {SyncTiming{200, speedIndexOf("24/25")},
         {{"", 0}, {"Hello\n\n", 1160}, {"", 4520}, {"World\n\n", 5000}, {"The End", 5960}},
         "total:00:00:05,960"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.total);
        session.stop();
        loadTwo();
        session.setTiming(c.timing);
        EXPECT_EQ(session.totalLabel(), c.total);
        const std::size_t before = events().size();
        const long long start = clock.elapsed();
        session.playPause();
        runToEnd();
        EXPECT_EQ(screenFrom(events(), before, start), c.screen);
    }
}

TEST_F(PlaybackTest, SyncChangedWhilePlayingKeepsTheFilmWhereItIs) {
    struct Case {
        long long at;                                      // when the key is pressed, from Play
        int offset;                                        // the new offset
        std::vector<std::pair<QString, long long>> screen; // from the press
    };
    const Case cases[] = {
        // "Hello" (1000 to 4500) on screen at 2000; 1500 later it begins at 2500, still to come.
        {2000, 1500, {{"", 0}, {"Hello\n\n", 500}, {"", 4000}, {"World\n\n", 4500}, {"The End", 5500}}},
        // In the gap at 4700; 300 earlier "World" (4700 to 5700) is due now.
        {4700, -300, {{"World\n\n", 0}, {"The End", 1000}}},
        // The rest of "Hello" under a smaller shift.
        {2000, -500, {{"Hello\n\n", 0}, {"", 2000}, {"World\n\n", 2500}, {"The End", 3500}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        session.stop();
        session.setTiming({});
        loadTwo();
        const long long start = clock.elapsed();
        session.playPause();
        runUntil(start + c.at);
        const std::size_t before = events().size();
        session.setTiming(SyncTiming{c.offset, 0});
        EXPECT_EQ(session.position(), c.offset < 0 && c.at > 4500 ? 2 : 1);
        runToEnd();
        EXPECT_EQ(screenFrom(events(), before, start + c.at), c.screen);
    }
}

TEST_F(PlaybackTest, JumpingToALineSetsTheClockToItsShowTime) {
    loadTwo();
    session.setTiming(SyncTiming{1000, 0});
    // Stopped on line 1: the next line, with the clock at its time, and Play shows it at once.
    EXPECT_EQ(session.jumpLine(1), "World\n\n");
    EXPECT_EQ(session.currentLabel(), "current:00:00:06,000");
    EXPECT_EQ(session.jumpLine(1), std::nullopt); // no line after the last
    const long long start = clock.elapsed();
    std::size_t before = events().size();
    session.playPause();
    runToEnd();
    EXPECT_EQ(screenFrom(events(), before, start),
              (std::vector<std::pair<QString, long long>>{{"World\n\n", 0}, {"The End", 1000}}));

    // Playing, in the gap after "Hello" (2000 to 5500 under the offset): back to "Hello".
    session.stop();
    session.playPause();
    const long long again = clock.elapsed();
    runUntil(again + 5700);
    before = events().size();
    EXPECT_EQ(session.jumpLine(-1), "Hello\n\n");
    EXPECT_EQ(session.currentLabel(), "current:00:00:02,000");
    runToEnd();
    EXPECT_EQ(screenFrom(events(), before, again + 5700),
              (std::vector<std::pair<QString, long long>>{
                  {"Hello\n\n", 0}, {"", 3500}, {"World\n\n", 4000}, {"The End", 5000}}));
}

} // namespace
