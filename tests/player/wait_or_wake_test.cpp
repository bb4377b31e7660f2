// The real interruptible wait on the monotonic clock.
#include "player/wait_or_wake.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(WaitOrWake, WaitsUntilTheDeadline) {
    WaitOrWake waiter;
    std::stop_source stop;
    const auto start = Clock::now();
    EXPECT_EQ(waiter.waitUntil(start + 30ms, stop.get_token()), WaitResult::Elapsed);
    EXPECT_GE(Clock::now() - start, 30ms);
}

TEST(WaitOrWake, WakeSentBeforeTheWaitEndsTheNextWaitOnly) {
    WaitOrWake waiter;
    std::stop_source stop;
    waiter.wake();
    waiter.wake(); // coalesces with the first
    const auto start = Clock::now();
    EXPECT_EQ(waiter.waitUntil(start + 10s, stop.get_token()), WaitResult::Woken);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(waiter.waitUntil(Clock::now() + 20ms, stop.get_token()), WaitResult::Elapsed);
    // Even a wait that is already due takes a pending wake along.
    waiter.wake();
    EXPECT_EQ(waiter.waitUntil(Clock::now() - 1s, stop.get_token()), WaitResult::Woken);
    EXPECT_EQ(waiter.waitUntil(Clock::now() - 1s, stop.get_token()), WaitResult::Elapsed);
    waiter.wake();
    waiter.discardWake();
    EXPECT_EQ(waiter.waitUntil(Clock::now() - 1s, stop.get_token()), WaitResult::Elapsed);
}

TEST(WaitOrWake, WakeAndStopFromAnotherThreadEndALongWaitPromptly) {
    WaitOrWake waiter;
    for (const bool byStop : {false, true}) {
        SCOPED_TRACE(byStop);
        std::stop_source stop;
        const auto start = Clock::now();
        std::thread other([&] {
            std::this_thread::sleep_for(20ms);
            if (byStop)
                stop.request_stop();
            else
                waiter.wake();
        });
        const WaitResult result = waiter.waitUntil(start + 60s, stop.get_token());
        other.join();
        EXPECT_EQ(result, byStop ? WaitResult::Stopped : WaitResult::Woken);
        EXPECT_LT(Clock::now() - start, 5s);
    }
}

TEST(WaitOrWake, StoppingThreadLeavesThePendingWakeForTheNext) {
    WaitOrWake waiter;
    std::stop_source stop;
    stop.request_stop();
    waiter.wake();
    EXPECT_EQ(waiter.waitUntil(Clock::now() + 10s, stop.get_token()), WaitResult::Stopped);
    std::stop_source fresh;
    EXPECT_EQ(waiter.waitUntil(Clock::now() + 10s, fresh.get_token()), WaitResult::Woken);
}

} // namespace
