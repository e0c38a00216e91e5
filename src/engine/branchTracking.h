#pragma once

#include "engine/GitService.h"

#include <QCoroTask>
#include <QHash>
#include <QString>
#include <QStringList>

namespace tolvane {

// How a local branch stands against the branch it tracks, as our copy of that branch has it
// (nothing is asked of the remote).
struct BranchTracking {
    QString upstream;     // full ref, "refs/remotes/origin/main"
    QString upstreamName; // "origin/main"
    int ahead = 0;        // commits on the branch that the upstream lacks
    int behind = 0;       // commits on the upstream that the branch lacks
    bool gone = false;    // configured, but our copy of the upstream no longer exists

    friend bool operator==(const BranchTracking&, const BranchTracking&) = default;
};

// Tracking of every local branch that has an upstream, by branch name ("main", "topic/x").
using BranchTrackingMap = QHash<QString, BranchTracking>;

// The arguments of the query, one line per local branch: its ref, its upstream's ref and short
// name, and git's "ahead 2, behind 1" (or "gone", or nothing when in step), NUL-separated.
[[nodiscard]] QStringList branchTrackingArguments();
// Parses that output; branches without an upstream and malformed lines are left out.
[[nodiscard]] BranchTrackingMap parseBranchTracking(const QString& output);
// Runs the query (read-only, no network) in English, as its words are parsed; throws.
QCoro::Task<BranchTrackingMap> branchTracking(GitService git);

// "↑2 ↓1", "↑2", "↓1"; empty when in step, gone or untracked.
[[nodiscard]] QString trackingCountsText(const BranchTracking& tracking);
// "2 commits ahead of origin/main, 1 behind", "Up to date with origin/main",
// "origin/main no longer exists".
[[nodiscard]] QString trackingDescription(const BranchTracking& tracking);

} // namespace tolvane
