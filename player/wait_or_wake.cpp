// The interruptible wait of the playback thread.
#include "player/wait_or_wake.h"

PlaybackClock::TimePoint WaitOrWake::now() const {
    return std::chrono::steady_clock::now();
}

WaitResult WaitOrWake::waitUntil(TimePoint deadline, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_wakeup.wait_until(lock, stop, deadline, [this] { return m_wakePending; });
    // A stopping thread leaves a pending wake for the next one.
    if (stop.stop_requested())
        return WaitResult::Stopped;
    if (m_wakePending) {
        m_wakePending = false;
        return WaitResult::Woken;
    }
    return WaitResult::Elapsed;
}

void WaitOrWake::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_wakePending = true;
    }
    m_wakeup.notify_all();
}

void WaitOrWake::discardWake() {
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
}
