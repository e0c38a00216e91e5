#pragma once

#include <QAbstractListModel>
#include <QDateTime>

namespace tolvane {

class LogStore;

// The activity log as a list model, one row per entry, oldest first. Appended entries are
// inserted as single rows so that a long log is never rebuilt for one new line.
class LogListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        MessageRole = Qt::DisplayRole,
        LevelRole = Qt::UserRole + 1, // LogLevel as int
        TimeTextRole,                 // "HH:mm:ss"
        RepoRole,
        IdRole,
    };

    explicit LogListModel(LogStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The one time formatter of the log: 24-hour local time without a date.
    [[nodiscard]] static QString timeText(const QDateTime& date);

private:
    void onEntryAdded(int index);
    void onEntriesChanged();

    LogStore& m_store;
    int m_rows = 0;
    bool m_insertPending = false;
};

} // namespace tolvane
