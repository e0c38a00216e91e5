#pragma once

#include "engine/GitService.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvane {

// The branch on a remote that a local branch tracks, as the local branch's configuration says.
struct UpstreamBranch {
    QString remote;    // the remote's name (or its address, when configured so)
    QString remoteRef; // the branch on the remote, "refs/heads/..."
    QString tip;       // our remote-tracking copy's commit when read; empty when we have none

    // "remote/branch", as people name it.
    QString displayName() const;

    friend bool operator==(const UpstreamBranch&, const UpstreamBranch&) = default;
};

// The upstream of the local branch `branchRef` ("refs/heads/..."); none when it has none, when it
// tracks another local branch, or when git fails.
QCoro::Task<std::optional<UpstreamBranch>> upstreamOf(GitService git, QString branchRef);

// A push that moves `upstream` to `localRef` even backwards, but only while the remote branch
// still is at `expectedTip` (empty: only while it does not exist). Nothing else is pushed,
// whatever push.default says.
QStringList leasedForcePushArguments(const QString& localRef, const UpstreamBranch& upstream,
                                     const QString& expectedTip);

// A push that deletes `branch` (a name or a full ref) on `remote`.
QStringList remoteDeleteArguments(const QString& remote, const QString& branch);

} // namespace tolvane
