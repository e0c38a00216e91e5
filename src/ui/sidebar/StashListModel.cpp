#include "ui/sidebar/StashListModel.h"

#include "engine/gitText.h"
#include "engine/pathNames.h"

#include <QDateTime>

namespace tolvane {

QString relativeTimeText(qint64 time, qint64 now) {
    const qint64 seconds = qMax<qint64>(0, now - time);
    const auto ago = [](qint64 count, const char* unit) {
        return QString::number(count) + QLatin1Char(' ') + QLatin1String(unit) +
               (count == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" ago");
    };
    if (seconds < 60)
        return QStringLiteral("just now");
    if (seconds < 3600)
        return ago(seconds / 60, "minute");
    if (seconds < 86400)
        return ago(seconds / 3600, "hour");
    const qint64 days = seconds / 86400;
    if (days == 1)
        return QStringLiteral("yesterday");
    if (days < 14)
        return ago(days, "day");
    if (days < 60)
        return ago(days / 7, "week");
    if (days < 365)
        return ago(days / 30, "month");
    return ago(days / 365, "year");
}

QString stashTitle(const StashEntry& stash) {
    if (!stash.branch.isEmpty()) {
        const QString given = QStringLiteral("On ") + stash.branch + QStringLiteral(": ");
        if (stash.message.startsWith(given))
            return stash.message.mid(given.size());
    }
    return stash.message;
}

StashListModel::StashListModel(QObject* parent) : QAbstractListModel(parent) {}

void StashListModel::setContent(const QList<StashEntry>& stashes,
                                const QList<DiscardedChange>& discarded) {
    beginResetModel();
    m_stashes = stashes;
    m_discarded = discarded;
    m_rows.clear();
    m_rows.append({Kind::Heading, -1, QStringLiteral("Stashes")});
    if (stashes.isEmpty())
        m_rows.append({Kind::Empty, -1, QStringLiteral("No stashes")});
    for (qsizetype i = 0; i < stashes.size(); ++i)
        m_rows.append({Kind::Stash, i, displayText(stashTitle(stashes[i]))});
    m_rows.append({Kind::Heading, -1, QStringLiteral("Recently Discarded")});
    if (discarded.isEmpty())
        m_rows.append({Kind::Empty, -1, QStringLiteral("Nothing discarded")});
    for (qsizetype i = 0; i < discarded.size(); ++i)
        m_rows.append({Kind::Discarded, i, displayText(discarded[i].description)});
    endResetModel();
}

int StashListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant StashListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.text;
    case KindRole:
        return int(row.kind);
    case CaptionRole:
        if (row.kind == Kind::Stash)
            return displayText(m_stashes[row.item].branch);
        if (row.kind == Kind::Discarded) {
            QStringList names;
            for (const QString& path : m_discarded[row.item].paths)
                names.append(displayText(lastPathComponent(path)));
            return names.join(QStringLiteral(", "));
        }
        return {};
    case TimeRole:
        if (row.kind == Kind::Stash)
            return m_stashes[row.item].time;
        if (row.kind == Kind::Discarded)
            return m_discarded[row.item].time;
        return {};
    case Qt::ToolTipRole:
        if (row.kind == Kind::Discarded)
            return displayText(m_discarded[row.item].paths.join(QLatin1Char('\n')));
        if (row.kind == Kind::Stash)
            return displayText(m_stashes[row.item].message);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags StashListModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return Qt::NoItemFlags;
    const Kind kind = m_rows[index.row()].kind;
    if (kind == Kind::Stash || kind == Kind::Discarded)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled;
}

std::optional<StashEntry> StashListModel::stashAt(int row) const {
    if (row < 0 || row >= m_rows.size() || m_rows[row].kind != Kind::Stash)
        return std::nullopt;
    return m_stashes[m_rows[row].item];
}

std::optional<DiscardedChange> StashListModel::discardedAt(int row) const {
    if (row < 0 || row >= m_rows.size() || m_rows[row].kind != Kind::Discarded)
        return std::nullopt;
    return m_discarded[m_rows[row].item];
}

int StashListModel::rowOfStash(const QString& hash) const {
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].kind == Kind::Stash && m_stashes[m_rows[row].item].hash == hash)
            return row;
    return -1;
}

int StashListModel::rowOfDiscarded(const QString& ref) const {
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].kind == Kind::Discarded && m_discarded[m_rows[row].item].ref == ref)
            return row;
    return -1;
}

} // namespace tolvane
