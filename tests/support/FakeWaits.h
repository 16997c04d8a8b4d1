#pragma once

#include "Completion.h"

#include <QTimer>

#include <coroutine>
#include <list>
#include <memory>
#include <utility>
#include <vector>

// Where a fake's coroutines wait for their scripted moment: a delay passing or a hold settling. A wait also
// ends, as a cancellation, when one of its stops settles (the request's abort, a stream's cancel) or when the
// fake closes its waits (it is being destroyed). Closing resumes every waiter at once, not on a later turn of
// the event loop, so a fake destroyed at the end of a test leaves no coroutine suspended on it; a wait begun
// after closing ends at once. Main thread only.
class FakeWaits {
public:
    class Awaiter {
    public:
        Awaiter(std::shared_ptr<FakeWaits> waits, int delayMs, std::shared_ptr<Completion> hold,
                std::vector<std::shared_ptr<Completion>> stops)
            : m_waits(std::move(waits)), m_delayMs(delayMs), m_hold(std::move(hold)),
              m_stops(std::move(stops)) {}
        // Movable only until it waits (the compiler may move it into the coroutine frame).
        Awaiter(Awaiter &&) = default;
        Awaiter &operator=(Awaiter &&) = delete;
        ~Awaiter() {
            if (m_self)
                *m_self = nullptr;
            if (m_handle)
                m_waits->m_waiting.remove(this);
        }

        bool await_ready() const noexcept { return m_waits->m_closed; }
        void await_suspend(std::coroutine_handle<> waiter) {
            m_handle = waiter;
            m_waits->m_waiting.push_back(this);
            m_self = std::make_shared<Awaiter *>(this);
            const std::weak_ptr<Awaiter *> self = m_self;
            const auto wakeWith = [self](bool cancelled) {
                return [self, cancelled] {
                    if (const std::shared_ptr<Awaiter *> alive = self.lock(); alive && *alive)
                        (*alive)->wake(cancelled);
                };
            };
            for (const std::shared_ptr<Completion> &stop : m_stops) {
                if (stop)
                    stop->then(wakeWith(true));
            }
            if (m_hold) {
                m_hold->then(wakeWith(false));
            } else {
                m_timer = std::make_unique<QTimer>();
                m_timer->setSingleShot(true);
                QObject::connect(m_timer.get(), &QTimer::timeout, wakeWith(false));
                m_timer->start(m_delayMs);
            }
        }
        // True when the scripted moment came; false when the wait was cancelled.
        bool await_resume() const noexcept { return !m_cancelled && !m_waits->m_closed; }

    private:
        friend class FakeWaits;
        void wake(bool cancelled) {
            if (!m_handle)
                return;
            m_cancelled = cancelled;
            if (m_timer)
                m_timer->stop();
            m_waits->m_waiting.remove(this);
            std::exchange(m_handle, nullptr).resume();
        }

        std::shared_ptr<FakeWaits> m_waits;
        int m_delayMs;
        std::shared_ptr<Completion> m_hold;
        std::vector<std::shared_ptr<Completion>> m_stops;
        std::unique_ptr<QTimer> m_timer;
        std::coroutine_handle<> m_handle;
        bool m_cancelled = false;
        // Callbacks of the completions outlive the wait: they reach it only through this cell.
        std::shared_ptr<Awaiter *> m_self;
    };

    // `co_await waits->delay(ms, stops)` / `waits->hold(completion, stops)`: true when the moment came.
    static Awaiter delay(std::shared_ptr<FakeWaits> waits, int ms,
                         std::vector<std::shared_ptr<Completion>> stops = {}) {
        return Awaiter(std::move(waits), ms, nullptr, std::move(stops));
    }
    static Awaiter hold(std::shared_ptr<FakeWaits> waits, std::shared_ptr<Completion> until,
                        std::vector<std::shared_ptr<Completion>> stops = {}) {
        return Awaiter(std::move(waits), 0, std::move(until), std::move(stops));
    }

    // Cancels every wait now and every later one at once.
    void close() {
        m_closed = true;
        while (!m_waiting.empty())
            m_waiting.front()->wake(true);
    }
    bool isClosed() const { return m_closed; }

private:
    std::list<Awaiter *> m_waiting;
    bool m_closed = false;
};
