#pragma once

#include <QCoroTask>
#include <exception>
#include <optional>

namespace tolvane::test {

// QCoro::waitFor never returns when the awaited task throws; these wrappers catch inside a
// coroutine, let the nested event loop finish, and rethrow on the test's side.
namespace detail {

template <typename T>
QCoro::Task<std::optional<T>> catching(QCoro::Task<T> task, std::exception_ptr& error) {
    try {
        co_return co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
        co_return std::nullopt;
    }
}

inline QCoro::Task<bool> catchingVoid(QCoro::Task<> task, std::exception_ptr& error) {
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
    co_return true;
}

} // namespace detail

// Runs the event loop until `task` finishes; returns its value or rethrows its exception.
template <typename T> T await(QCoro::Task<T> task) {
    std::exception_ptr error;
    std::optional<T> result = QCoro::waitFor(detail::catching(std::move(task), error));
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

inline void await(QCoro::Task<> task) {
    std::exception_ptr error;
    QCoro::waitFor(detail::catchingVoid(std::move(task), error));
    if (error)
        std::rethrow_exception(error);
}

} // namespace tolvane::test
