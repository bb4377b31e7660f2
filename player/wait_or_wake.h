// The playback thread's clock: waits that a seek can cut short and Pause or Stop can end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

enum class WaitResult {
    Elapsed, // the deadline passed
    Woken,   // a wake ended the wait (and was used up)
    Stopped, // the waiting thread was asked to stop
};

// What the playback thread waits on; tests put a clock of their own in its place.
class PlaybackClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PlaybackClock() = default;
    virtual TimePoint now() const = 0;
    // Returns at the deadline, on a wake, or when `stop` is requested. A wake sent while nobody
    // waits is kept and ends the next wait at once, even one whose deadline has already passed.
    virtual WaitResult waitUntil(TimePoint deadline, std::stop_token stop) = 0;
    // Several wakes before a wait count as one: dragging the slider must not skip the lines after.
    virtual void wake() = 0;
    virtual void discardWake() = 0;
};

// The real clock: the monotonic clock and a condition variable.
class WaitOrWake final : public PlaybackClock {
public:
    TimePoint now() const override;
    WaitResult waitUntil(TimePoint deadline, std::stop_token stop) override;
    void wake() override;
    void discardWake() override;

private:
    std::mutex m_mutex;
    std::condition_variable_any m_wakeup;
    bool m_wakePending = false;
};
