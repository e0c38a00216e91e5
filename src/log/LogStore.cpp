#include "log/LogStore.h"

namespace tolvane {

LogStore& LogStore::shared() {
    static LogStore store;
    return store;
}

void LogStore::add(const QString& message, LogLevel level, const QString& repo) {
    m_entries.append(LogEntry{.id = QUuid::createUuid(),
                              .date = QDateTime::currentDateTime(),
                              .level = level,
                              .message = message,
                              .repo = repo});
    Q_EMIT entryAdded(int(m_entries.size() - 1));
    Q_EMIT entriesChanged();
}

void LogStore::setEntries(QList<LogEntry> entries) {
    if (entries == m_entries)
        return;
    m_entries = std::move(entries);
    Q_EMIT entriesChanged();
}

} // namespace tolvane
