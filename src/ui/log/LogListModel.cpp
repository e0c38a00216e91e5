#include "ui/log/LogListModel.h"

#include "log/LogStore.h"

#include <QLocale>

namespace tolvane {

LogListModel::LogListModel(LogStore& store, QObject* parent)
    : QAbstractListModel(parent), m_store(store), m_rows(int(store.entries().size())) {
    connect(&m_store, &LogStore::entryAdded, this, &LogListModel::onEntryAdded);
    connect(&m_store, &LogStore::entriesChanged, this, &LogListModel::onEntriesChanged);
}

int LogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows || index.row() >= m_store.entries().size())
        return {};
    const LogEntry& entry = m_store.entries().at(index.row());
    switch (role) {
    case MessageRole:
        return entry.message;
    case LevelRole:
        return int(entry.level);
    case TimeTextRole:
        return timeText(entry.date);
    case RepoRole:
        return entry.repo;
    case IdRole:
        return entry.id;
    default:
        return {};
    }
}

QString LogListModel::timeText(const QDateTime& date) {
    // The C locale keeps the digits Western whatever the user's locale.
    static const QLocale locale = QLocale::c();
    static const QString pattern = QStringLiteral("HH:mm:ss");
    return locale.toString(date.toLocalTime().time(), pattern);
}

void LogListModel::onEntryAdded(int index) {
    // The store has already appended; rows the model has not announced yet are announced now.
    if (index != m_rows) {
        beginResetModel();
        m_rows = int(m_store.entries().size());
        endResetModel();
    } else {
        beginInsertRows({}, m_rows, index);
        m_rows = index + 1;
        endInsertRows();
    }
    m_insertPending = true;
}

void LogListModel::onEntriesChanged() {
    // The change notice that follows every append is already handled.
    if (m_insertPending) {
        m_insertPending = false;
        return;
    }
    beginResetModel();
    m_rows = int(m_store.entries().size());
    endResetModel();
}

} // namespace tolvane
