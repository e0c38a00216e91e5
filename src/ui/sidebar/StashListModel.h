#pragma once

#include "engine/StashEntry.h"
#include "engine/discardedChanges.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The rows of the Stashes page: a "Stashes" heading with the stashes (or the line "No stashes"),
// then a "Recently Discarded" heading with the saves of discarded changes (or a line saying there
// are none). Rows carry their title, a caption and their time for the row delegate.
class StashListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Heading, Empty, Stash, Discarded };
    enum Role {
        KindRole = Qt::UserRole + 1, // int: Kind
        CaptionRole,                 // QString: branch, or the files discarded
        TimeRole,                    // qint64: seconds since the epoch
    };

    explicit StashListModel(QObject* parent = nullptr);

    void setContent(const QList<StashEntry>& stashes, const QList<DiscardedChange>& discarded);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The stash or save a row stands for, if it stands for one.
    std::optional<StashEntry> stashAt(int row) const;
    std::optional<DiscardedChange> discardedAt(int row) const;
    // The row of the stash with this commit, or of the save with this ref; -1 when absent.
    int rowOfStash(const QString& hash) const;
    int rowOfDiscarded(const QString& ref) const;

private:
    struct Row {
        Kind kind;
        qsizetype item = -1;
        QString text;
    };

    QList<Row> m_rows;
    QList<StashEntry> m_stashes;
    QList<DiscardedChange> m_discarded;
};

// "just now", "5 minutes ago", "yesterday", "3 weeks ago", ...: the age of `time` at `now`.
QString relativeTimeText(qint64 time, qint64 now);

// A stash's own words: its message without git's "On <branch>: " in front.
QString stashTitle(const StashEntry& stash);

} // namespace tolvane
