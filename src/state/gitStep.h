#pragma once

#include "engine/GitError.h"

#include <QCoroTask>
#include <QString>
#include <optional>
#include <type_traits>

namespace tolvane {

// Awaits one git step and hands back the message it failed with, or none when it succeeded;
// most operations only need that to choose their log entry.
template <typename T> QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<T> step) {
    try {
        co_await std::move(step);
    } catch (const GitError& error) {
        co_return error.message();
    }
    co_return std::nullopt;
}

// A git step's output, or the message it failed with.
struct StepOutcome {
    QString output;
    std::optional<QString> failure;
    // The hook that refused the step, when one did.
    QString hook = {};
};

// Whether a step's failure is the user's cancel rather than git's.
inline bool isCancellation(const std::optional<QString>& failure) {
    return failure && *failure == GitError::cancelled().message();
}

// Only a step that prints (a QString task) has an output.
template <typename T> QCoro::Task<StepOutcome> outcomeOf(QCoro::Task<T> step) {
    try {
        if constexpr (std::is_same_v<T, QString>) {
            // Awaited on its own line: g++ 12 mishandles a co_await inside an initializer.
            QString output = co_await std::move(step);
            co_return StepOutcome{std::move(output), std::nullopt};
        } else {
            co_await std::move(step);
            co_return StepOutcome{};
        }
    } catch (const GitError& error) {
        co_return StepOutcome{QString(), error.message(), error.hook()};
    }
}

// A step whose outcome is already known, for code that looked at it before handing it on.
inline QCoro::Task<StepOutcome> finishedStep(StepOutcome outcome) {
    co_return outcome;
}

} // namespace tolvane
