#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"

#include <QHash>
#include <QList>
#include <QString>

namespace tolvane::CommitGraphCalculator {

// Lays out the lanes of the history graph for commits listed newest first, each with its parents.
// A commit whose decoration names "main" or "master" anchors the main line in lane 0. Pure; safe
// on any thread. A commit listed twice keeps the layout of its later row.
[[nodiscard]] QHash<QString, CommitGraphData> calculate(const QList<GitCommit>& commits,
                                                        const QString& headHash);

// The same layout by row, in list order, each line also naming the row it leads to and its lane
// (for highlighting one commit's lines).
[[nodiscard]] CommitGraphLayout layoutRows(const QList<GitCommit>& commits,
                                           const QString& headHash);

// Whether a decoration names the main line: "main" or "master", the current branch included,
// remote branches and tags not.
[[nodiscard]] bool namesMainBranch(const QString& refs);

} // namespace tolvane::CommitGraphCalculator
