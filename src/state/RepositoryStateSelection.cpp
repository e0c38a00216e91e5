#include "state/RepositoryState.h"

namespace tolvane {
namespace {

qsizetype indexOfFile(const QList<FileChange>& files, const QString& id) {
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].id() == id)
            return i;
    }
    return -1;
}

qsizetype indexOfCommit(const QList<GitCommit>& commits, const QString& id) {
    for (qsizetype i = 0; i < commits.size(); ++i) {
        if (commits[i].id == id)
            return i;
    }
    return -1;
}

// Ids of the inclusive span between two positions, in either order.
template <typename List, typename IdOf>
QSet<QString> spanIds(const List& list, qsizetype a, qsizetype b, IdOf idOf) {
    QSet<QString> ids;
    for (qsizetype i = std::min(a, b); i <= std::max(a, b); ++i)
        ids.insert(idOf(list[i]));
    return ids;
}

QString fileId(const FileChange& file) {
    return file.id();
}
QString commitId(const GitCommit& commit) {
    return commit.id;
}

} // namespace

void RepositoryState::selectFile(const FileChange& file, bool extending, bool range) {
    if (range) {
        const QList<FileChange> files = allDisplayFiles();
        if (!m_selectionAnchor)
            m_selectionAnchor = m_selectedFile;
        const qsizetype anchorIndex =
            m_selectionAnchor ? indexOfFile(files, m_selectionAnchor->id()) : -1;
        const qsizetype targetIndex = indexOfFile(files, file.id());
        if (m_selectionAnchor && !files.isEmpty() && anchorIndex >= 0 && targetIndex >= 0) {
            setSelectedFiles(spanIds(files, anchorIndex, targetIndex, fileId));
            loadDiff(file, false);
        } else {
            m_selectionAnchor = file;
            setSelectedFiles({file.id()});
            loadDiff(file, false);
        }
        return;
    }
    if (extending) {
        m_selectionAnchor = file;
        QSet<QString> selection = m_selectedFiles;
        if (selection.remove(file.id())) {
            setSelectedFiles(selection);
            if (m_selectedFile && m_selectedFile->id() == file.id()) {
                if (!selection.isEmpty()) {
                    const QString nextId = *selection.cbegin();
                    const QList<FileChange> files = allDisplayFiles();
                    const qsizetype index = indexOfFile(files, nextId);
                    if (index >= 0) {
                        loadDiff(files[index], false);
                        return;
                    }
                }
                clearDiffArea();
            }
        } else {
            selection.insert(file.id());
            setSelectedFiles(selection);
            loadDiff(file, false);
        }
        return;
    }
    m_selectionAnchor = file;
    setSelectedFiles({file.id()});
    loadDiff(file, false);
}

void RepositoryState::rebuildRangeSelection(const FileChange& target,
                                            const QList<FileChange>& files) {
    if (!m_selectionAnchor || files.isEmpty())
        return;
    const qsizetype anchorIndex = indexOfFile(files, m_selectionAnchor->id());
    const qsizetype targetIndex = indexOfFile(files, target.id());
    if (anchorIndex < 0 || targetIndex < 0)
        return;
    setSelectedFiles(spanIds(files, anchorIndex, targetIndex, fileId));
}

void RepositoryState::selectNextFile(bool extending) {
    navigateFiles(1, extending);
}
void RepositoryState::selectPreviousFile(bool extending) {
    navigateFiles(-1, extending);
}

void RepositoryState::navigateFiles(int step, bool extending) {
    const QList<FileChange> files = allDisplayFiles();
    if (files.isEmpty())
        return;
    qsizetype current = -1;
    if (m_selectedFile) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (files[i].path == m_selectedFile->path &&
                files[i].isStaged == m_selectedFile->isStaged) {
                current = i;
                break;
            }
        }
    }
    if (current < 0) {
        m_selectionAnchor.reset();
        loadDiff(files.first(), true);
        return;
    }
    const qsizetype count = files.size();
    const FileChange target = files[(current + step + count) % count];
    if (extending) {
        if (!m_selectionAnchor)
            m_selectionAnchor = m_selectedFile;
        rebuildRangeSelection(target, files);
        loadDiff(target, false);
    } else {
        m_selectionAnchor.reset();
        loadDiff(target, true);
    }
}

void RepositoryState::selectCommit(const GitCommit& commit, bool extending, bool range) {
    if (range) {
        if (!m_commitSelectionAnchor)
            m_commitSelectionAnchor = m_selectedCommit;
        const qsizetype anchorIndex =
            m_commitSelectionAnchor ? indexOfCommit(m_commits, m_commitSelectionAnchor->id) : -1;
        const qsizetype targetIndex = indexOfCommit(m_commits, commit.id);
        if (anchorIndex >= 0 && targetIndex >= 0) {
            setSelectedCommits(spanIds(m_commits, anchorIndex, targetIndex, commitId));
        } else {
            m_commitSelectionAnchor = commit;
            setSelectedCommits({commit.id});
        }
        loadCommitDiff(commit, false);
        return;
    }
    if (extending) {
        m_commitSelectionAnchor = commit;
        QSet<QString> selection = m_selectedCommits;
        if (selection.remove(commit.id)) {
            setSelectedCommits(selection);
            if (m_selectedCommit && m_selectedCommit->id == commit.id) {
                const qsizetype index =
                    selection.isEmpty() ? -1 : indexOfCommit(m_commits, *selection.cbegin());
                if (index >= 0) {
                    loadCommitDiff(m_commits[index], false);
                } else {
                    setSelectedCommit(std::nullopt);
                    setDiffText(QString());
                }
            }
        } else {
            selection.insert(commit.id);
            setSelectedCommits(selection);
            loadCommitDiff(commit, false);
        }
        return;
    }
    m_commitSelectionAnchor = commit;
    setSelectedCommits({commit.id});
    loadCommitDiff(commit, false);
}

void RepositoryState::rebuildCommitRangeSelection(const GitCommit& target) {
    if (!m_commitSelectionAnchor || m_commits.isEmpty())
        return;
    const qsizetype anchorIndex = indexOfCommit(m_commits, m_commitSelectionAnchor->id);
    const qsizetype targetIndex = indexOfCommit(m_commits, target.id);
    if (anchorIndex < 0 || targetIndex < 0)
        return;
    setSelectedCommits(spanIds(m_commits, anchorIndex, targetIndex, commitId));
}

void RepositoryState::selectNextCommit(bool extending) {
    navigateCommits(1, extending);
}
void RepositoryState::selectPreviousCommit(bool extending) {
    navigateCommits(-1, extending);
}

void RepositoryState::navigateCommits(int step, bool extending) {
    if (m_commits.isEmpty())
        return;
    const qsizetype current =
        m_selectedCommit ? indexOfCommit(m_commits, m_selectedCommit->id) : -1;
    const qsizetype count = m_commits.size();
    const GitCommit target =
        current < 0 ? m_commits.first() : m_commits[(current + step + count) % count];
    if (extending && current >= 0) {
        if (!m_commitSelectionAnchor)
            m_commitSelectionAnchor = m_selectedCommit;
        rebuildCommitRangeSelection(target);
    } else {
        m_commitSelectionAnchor = target;
        setSelectedCommits({target.id});
    }
    loadCommitDiff(target, false);
}

void RepositoryState::selectSidebarTab(SidebarTab tab) {
    setSelectedTab(tab);
}

} // namespace tolvane
