#pragma once

#include "engine/FileChange.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The rows of the changes lists: the staged files, then the unstaged files up to the row limit
// and the show-more row when files remain. Each section's list filters its own rows out of this
// one model; the section headers are widgets of the view.
class ChangesListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class RowKind { StagedFile, UnstagedFile, ShowMore };
    enum Role { KindRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    void setRows(const QList<FileChange>& staged, const QList<FileChange>& unstaged, int limit);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    RowKind kind(int row) const;
    // The file of a file row, or none.
    const FileChange* file(int row) const;
    int rowOf(RowKind kind) const;
    int unstagedShown() const { return m_unstagedShown; }
    qsizetype unstagedTotal() const { return m_unstaged.size(); }

private:
    QList<FileChange> m_staged;
    QList<FileChange> m_unstaged;
    int m_unstagedShown = 0;
};

} // namespace tolvane
