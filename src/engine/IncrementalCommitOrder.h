#pragma once

#include "engine/GitCommit.h"

#include <QHash>
#include <QList>
#include <QString>
#include <vector>

namespace tolvane {

// The history list built page by page from git's output, every commit above its listed parents:
// after each append the list equals orderParentsBelowChildren over everything appended so far.
// Only rows that can move are placed again: the new page, plus, where a new commit is the child
// of one listed before it (a parent git printed above its child), the rows from that parent's
// place on. A page thus costs its own size unless it repairs such a parent.
class IncrementalCommitOrder {
public:
    // Appends git's next commits; returns the first row of the list that changed. The rows are
    // appended in place while no other copy of commits() is alive; otherwise the list is copied.
    qsizetype append(QList<GitCommit> page);
    const QList<GitCommit>& commits() const { return m_commits; }
    qsizetype size() const { return m_commits.size(); }
    bool isEmpty() const { return m_commits.isEmpty(); }

private:
    QList<GitCommit> m_commits;    // in order
    std::vector<int> m_gitRow;     // per row of m_commits: its row in git's output
    std::vector<int> m_placedAt;   // per row of git's output: its row in m_commits
    QHash<QString, int> m_rowOfId; // git's row of each commit, the first where listed twice
};

} // namespace tolvane
