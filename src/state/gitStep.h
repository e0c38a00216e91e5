#pragma once

#include "engine/GitError.h"

#include <QCoroTask>
#include <QString>
#include <optional>

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

} // namespace tolvane
