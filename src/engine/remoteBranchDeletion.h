#pragma once

#include "engine/GitService.h"

#include <QString>
#include <QStringList>

namespace tolvane {

// A remote-tracking branch as the remote it came from names it.
struct RemoteTrackingBranch {
    QString remote;    // the configured remote whose tracking refs hold it
    QString branchRef; // the branch on that remote, "refs/heads/..."
    QString tip;       // the commit our remote-tracking copy is at

    friend bool operator==(const RemoteTrackingBranch&, const RemoteTrackingBranch&) = default;
};

// The remote and branch behind the remote-tracking branch `name` as the branch list shows it
// ("fork/alice/topic", or the same under "remotes/" or "refs/remotes/"), read from the ref
// itself: the configured remote with the longest name whose tracking refs hold it, so that a
// remote named "fork/alice" is told from a remote "fork". Throws when the ref is gone or no
// configured remote holds it.
QCoro::Task<RemoteTrackingBranch> resolveRemoteTrackingBranch(GitService git, QString name);

// A push that deletes `branch` on its remote only while the remote still has it at the tip we
// know, so that commits pushed there since are never deleted unseen.
QStringList leasedRemoteDeleteArguments(const RemoteTrackingBranch& branch);

} // namespace tolvane
