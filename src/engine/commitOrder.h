#pragma once

#include "engine/GitCommit.h"

#include <QList>

namespace tolvane {

// Puts every commit above each of its parents that is also in the list (git's default log order
// can break this when commits share a timestamp or clocks were skewed). Keeps git's order as far
// as it can: the next row is always the earliest commit whose listed children are all placed, so
// a parent listed above its child moves down just below it, and a list already in order comes
// back unchanged. O((n + parents) log n); pure.
[[nodiscard]] QList<GitCommit> orderParentsBelowChildren(QList<GitCommit> commits);

} // namespace tolvane
