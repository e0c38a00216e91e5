#pragma once

#include "log/LogLevel.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace tolvane {

struct LogEntry {
    QUuid id;
    QDateTime date;
    LogLevel level = LogLevel::Info;
    QString message;
    QString repo;

    friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

} // namespace tolvane
