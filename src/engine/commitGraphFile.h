#pragma once

#include <QString>

namespace tolvane {

// Whether the repository of this working tree has a commit-graph file git will read (and is not
// shallow), judged from files alone: far cheaper than asking git. Blocking; call on a worker.
bool hasUsableCommitGraph(const QString& workingTree);

} // namespace tolvane
