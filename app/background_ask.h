// One question at a time asked off the UI thread (a server's languages, its models), its answer
// handed back on the UI thread through the thread hop. A newer question stops the older one and
// voids its answer.
#pragma once

#include "support/thread_hop.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <thread>

template <typename T> class BackgroundAsk {
public:
    // `receiver` lives on the UI thread; the answers arrive there.
    explicit BackgroundAsk(QObject* receiver) : m_hop(new ThreadHop(receiver)) {}
    // Stops and joins the worker before the hop, a child of the receiver, goes.
    ~BackgroundAsk() { m_thread = {}; }
    BackgroundAsk(const BackgroundAsk&) = delete;
    BackgroundAsk& operator=(const BackgroundAsk&) = delete;

    void ask(std::function<T(std::stop_token)> work, std::function<void(const T&)> then) {
        const std::uint64_t generation = ++m_generation;
        m_busy = true;
        m_thread = std::jthread(
            [this, generation, work = std::move(work), then = std::move(then)](std::stop_token stop) mutable {
                T answer = work(stop);
                if (stop.stop_requested())
                    return;
                m_hop->post([this, generation, answer = std::move(answer), then = std::move(then)] {
                    if (generation != m_generation)
                        return;
                    m_busy = false;
                    then(answer);
                });
            });
    }
    // Voids the answer of the question asked last.
    void forget() {
        ++m_generation;
        m_busy = false;
    }
    // From ask() until its answer arrived (on the UI thread).
    bool busy() const { return m_busy; }

private:
    ThreadHop* m_hop;
    std::uint64_t m_generation = 0; // on the UI thread only
    bool m_busy = false;
    std::jthread m_thread;
};
