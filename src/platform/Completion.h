#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <QCoro/QCoroTask>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A one-shot event that coroutines can wait for, shared by whoever holds it.
//
// Waiting on a signal of the object that does the work (`qCoro(obj, &Obj::finished)`) hangs for good when
// that object is destroyed first: the connection dies with the sender and the waiting frame is never resumed.
// A Completion instead lives as long as its last holder; the owner finishes it when the work is done, and
// abandons it when the owner goes away, so every waiter is resumed either way and can tell which happened.
//
// Waiters are resumed on a later turn of the event loop, never from inside `finish()` or `abandon()`: an
// owner finishing from a member function (or its destructor) does not see its waiters run in the middle of
// it. Main thread only.
class Completion {
public:
    // Resumes every waiter with true; later waiters do not wait.
    void finish() { settle(State::Finished); }
    // Resumes every waiter with false; later waiters do not wait. Does nothing once settled.
    void abandon() { settle(State::Abandoned); }

    bool isSettled() const { return m_state != State::Pending; }
    bool isFinished() const { return m_state == State::Finished; }

    // Calls `callback` on a later event-loop turn once settled (also when already settled).
    void then(std::function<void()> callback) {
        m_callbacks.push_back(std::move(callback));
        if (isSettled())
            runCallbacks();
    }

    // `co_await Completion::wait(c)` yields true when `c` finished, false when it was abandoned. The awaiter
    // keeps the completion alive while it waits.
    struct Awaiter {
        std::shared_ptr<Completion> completion;
        bool await_ready() const noexcept { return completion->isSettled(); }
        void await_suspend(std::coroutine_handle<> waiter) {
            completion->then([waiter] { waiter.resume(); });
        }
        bool await_resume() const noexcept { return completion->isFinished(); }
    };
    static Awaiter wait(std::shared_ptr<Completion> completion) { return Awaiter{std::move(completion)}; }

    // Blocks in a local event loop (user input held back) until `completion` settles. Only for where nothing
    // can be awaited: a destructor at shutdown, a synchronous interface, a test.
    static void waitHere(const std::shared_ptr<Completion> &completion) {
        while (!completion->isSettled()) {
            QEventLoop loop;
            completion->then([guard = QPointer<QEventLoop>(&loop)] {
                if (guard)
                    guard->quit();
            });
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }

    // Runs `task` to its end in a local event loop and returns its result (see `waitHere`). The task must not
    // throw.
    template <typename T>
    static T resultHere(QCoro::Task<T> task) {
        auto done = std::make_shared<Completion>();
        std::optional<T> result;
        auto runner = [](QCoro::Task<T> &task, std::optional<T> &result,
                         std::shared_ptr<Completion> done) -> QCoro::Task<> {
            result.emplace(co_await task);
            done->finish();
        }(task, result, done);
        waitHere(done);
        return std::move(*result);
    }

private:
    enum class State { Pending, Finished, Abandoned };

    void settle(State state) {
        if (m_state != State::Pending)
            return;
        m_state = state;
        runCallbacks();
    }

    void runCallbacks() {
        std::vector<std::function<void()>> callbacks;
        callbacks.swap(m_callbacks);
        if (callbacks.empty())
            return;
        const auto runAll = [callbacks = std::move(callbacks)] {
            for (const auto &callback : callbacks)
                callback();
        };
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(application, runAll, Qt::QueuedConnection);
        else
            runAll();
    }

    State m_state = State::Pending;
    std::vector<std::function<void()>> m_callbacks;
};
