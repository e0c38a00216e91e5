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

} // namespace tolvane::CommitGraphCalculator
