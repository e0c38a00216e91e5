#pragma once

#include "log/LogEntry.h"

#include <QList>
#include <QObject>

namespace tolvane {

// The application-wide activity log, oldest entry first, kept in memory only and never trimmed.
// Interface thread only.
class LogStore : public QObject {
    Q_OBJECT
public:
    static LogStore& shared();

    void add(const QString& message, LogLevel level, const QString& repo);

    const QList<LogEntry>& entries() const { return m_entries; }
    void setEntries(QList<LogEntry> entries);

Q_SIGNALS:
    // One entry appended at the end (at index entries().size() - 1); lets a list model insert one
    // row instead of resetting.
    void entryAdded(int index);
    // Any change of entries, including entryAdded.
    void entriesChanged();

private:
    LogStore() = default;
    QList<LogEntry> m_entries;
};

} // namespace tolvane
