// A clock that only moves when the test moves it, so playback runs step by step.
#pragma once

#include "player/wait_or_wake.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

class ManualClock final : public PlaybackClock {
public:
    TimePoint now() const override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }

    WaitResult waitUntil(TimePoint deadline, std::stop_token stop) override {
        std::unique_lock lock(m_mutex);
        m_deadline = deadline;
        m_waiting = true;
        m_changed.notify_all();
        m_changed.wait(lock, stop, [&] { return m_now >= m_deadline || m_wakePending; });
        m_waiting = false;
        m_changed.notify_all();
        if (stop.stop_requested())
            return WaitResult::Stopped;
        if (m_wakePending) {
            m_wakePending = false;
            return WaitResult::Woken;
        }
        return WaitResult::Elapsed;
    }

    void wake() override {
        std::lock_guard lock(m_mutex);
        m_wakePending = true;
        m_changed.notify_all();
    }

    void discardWake() override {
        std::lock_guard lock(m_mutex);
        m_wakePending = false;
    }

    // Milliseconds since the clock's start.
    long long elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now() - TimePoint{}).count();
    }

    // Blocks until the waiting thread sits in a wait that only moving the clock ends, or until
    // `finished` says the thread is gone. False after five real seconds (a hung thread).
    bool settle(const std::function<bool()>& finished) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_waiting && m_now < m_deadline && !m_wakePending)
                return true;
            lock.unlock();
            if (finished())
                return true;
            lock.lock();
            if (std::chrono::steady_clock::now() >= giveUp)
                return false;
            m_changed.wait_for(lock, std::chrono::milliseconds(2));
        }
    }

    // The deadline of the wait in progress, if a thread waits.
    std::optional<TimePoint> deadline() const {
        std::lock_guard lock(m_mutex);
        return m_waiting ? std::optional(m_deadline) : std::nullopt;
    }

    // Moves to the pending wait's deadline; false when no thread waits.
    bool advanceToDeadline() {
        std::lock_guard lock(m_mutex);
        if (!m_waiting)
            return false;
        m_now = std::max(m_now, m_deadline);
        m_changed.notify_all();
        return true;
    }

    void advance(std::chrono::milliseconds by) {
        std::lock_guard lock(m_mutex);
        m_now += by;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    TimePoint m_now{};
    TimePoint m_deadline{};
    bool m_waiting = false;
    bool m_wakePending = false;
};
