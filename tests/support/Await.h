#pragma once

#include <QEventLoop>

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>

// Runs a nested event loop until the task ends and returns its result or rethrows its exception.
// (QCoro 0.8's own waitFor never returns when the awaited task throws.)
namespace Await {

namespace detail {
template <typename T>
QCoro::Task<> run(QCoro::Task<T> &task, std::optional<T> &result, std::exception_ptr &error, QEventLoop &loop,
                  bool &done) {
    try {
        result.emplace(co_await task);
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

inline QCoro::Task<> run(QCoro::Task<> &task, std::exception_ptr &error, QEventLoop &loop, bool &done) {
    try {
        co_await task;
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}
} // namespace detail

template <typename T>
T result(QCoro::Task<T> &task) {
    QEventLoop loop;
    std::optional<T> value;
    std::exception_ptr error;
    bool done = false;
    auto runner = detail::run(task, value, error, loop, done);
    if (!done)
        loop.exec();
    if (error)
        std::rethrow_exception(error);
    return std::move(*value);
}

inline void result(QCoro::Task<> &task) {
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    auto runner = detail::run(task, error, loop, done);
    if (!done)
        loop.exec();
    if (error)
        std::rethrow_exception(error);
}

template <typename T>
T result(QCoro::Task<T> &&task) {
    return result(task);
}

} // namespace Await
