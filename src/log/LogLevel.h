#pragma once

#include <QString>
#include <optional>

namespace tolvane {

enum class LogLevel { Info, Success, Error };

// "Info", "Success", "Error".
QString rawValue(LogLevel level);
std::optional<LogLevel> logLevelFromRawValue(const QString& text);

} // namespace tolvane
