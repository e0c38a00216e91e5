#include "log/LogLevel.h"

namespace tolvane {

QString rawValue(LogLevel level) {
    switch (level) {
    case LogLevel::Info:
        return QStringLiteral("Info");
    case LogLevel::Success:
        return QStringLiteral("Success");
    case LogLevel::Error:
        return QStringLiteral("Error");
    }
    return {};
}

std::optional<LogLevel> logLevelFromRawValue(const QString& text) {
    for (const LogLevel level : {LogLevel::Info, LogLevel::Success, LogLevel::Error}) {
        if (rawValue(level) == text)
            return level;
    }
    return std::nullopt;
}

} // namespace tolvane
