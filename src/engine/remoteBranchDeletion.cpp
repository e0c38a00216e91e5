#include "engine/remoteBranchDeletion.h"

namespace tolvane {
namespace {

const QString trackingPrefix = QStringLiteral("refs/remotes/");

GitError notTracked(const QString& name, const QString& why) {
    return GitError(GitError::Kind::Other, QStringLiteral("GitService"), 0,
                    QStringLiteral("%1 %2").arg(name, why));
}

QCoro::Task<std::optional<QString>> refTip(GitService git, QString ref) {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                           QStringLiteral("--quiet"), ref};
    try {
        const QString tip = co_await git.run(args);
        co_return tip.isEmpty() ? std::nullopt : std::optional<QString>(tip);
    } catch (const GitError&) {
        co_return std::nullopt;
    }
}

} // namespace

QCoro::Task<RemoteTrackingBranch> resolveRemoteTrackingBranch(GitService git, QString name) {
    // The list names a remote-tracking branch by its short name, and only adds "remotes/"
    // where a local branch of the same name makes that ambiguous.
    QString ref = name.startsWith(trackingPrefix) ? name : trackingPrefix + name;
    std::optional<QString> tip = co_await refTip(git, ref);
    if (!tip && name.startsWith(QStringLiteral("remotes/"))) {
        ref = QStringLiteral("refs/") + name;
        tip = co_await refTip(git, ref);
    }
    if (!tip)
        throw notTracked(name, QStringLiteral("no longer exists here; fetch and try again"));

    const QStringList remoteArgs{QStringLiteral("remote")};
    const QStringList remotes =
        (co_await git.run(remoteArgs)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString remote;
    for (const QString& candidate : remotes) {
        const QString prefix = trackingPrefix + candidate + QLatin1Char('/');
        if (ref.startsWith(prefix) && ref.size() > prefix.size() &&
            candidate.size() > remote.size())
            remote = candidate;
    }
    if (remote.isEmpty())
        throw notTracked(name, QStringLiteral("belongs to no configured remote"));
    const QString branch = ref.sliced(trackingPrefix.size() + remote.size() + 1);
    co_return RemoteTrackingBranch{remote, QStringLiteral("refs/heads/") + branch, *tip};
}

QStringList leasedRemoteDeleteArguments(const RemoteTrackingBranch& branch) {
    return {QStringLiteral("push"),
            QStringLiteral("--force-with-lease=") + branch.branchRef + QLatin1Char(':') +
                branch.tip,
            QStringLiteral("--delete"),
            QStringLiteral("--end-of-options"),
            branch.remote,
            branch.branchRef};
}

} // namespace tolvane
