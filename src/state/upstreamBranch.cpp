#include "state/upstreamBranch.h"

#include "engine/GitError.h"

namespace tolvane {

QString UpstreamBranch::displayName() const {
    QString branch = remoteRef;
    if (branch.startsWith(QStringLiteral("refs/heads/")))
        branch.remove(0, 11);
    return remote + QLatin1Char('/') + branch;
}

QCoro::Task<std::optional<UpstreamBranch>> upstreamOf(GitService git, QString branchRef) {
    // Ref names and remote names hold no tab, so it can separate the fields.
    const QStringList args{
        QStringLiteral("for-each-ref"),
        QStringLiteral("--format=%(refname)%09%(upstream:remotename)%09%(upstream:remoteref)"
                       "%09%(upstream)"),
        branchRef};
    QString output;
    try {
        output = co_await git.run(args);
    } catch (const GitError&) {
        co_return std::nullopt;
    }
    std::optional<UpstreamBranch> upstream;
    QString trackingRef;
    // The pattern also matches refs below it, so only the exact name counts.
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 4 || fields.at(0) != branchRef)
            continue;
        // "." is this repository itself: the branch tracks another local branch.
        if (fields.at(1).isEmpty() || fields.at(1) == u"." || fields.at(2).isEmpty())
            co_return std::nullopt;
        upstream = UpstreamBranch{fields.at(1), fields.at(2), QString()};
        trackingRef = fields.at(3);
    }
    if (!upstream)
        co_return std::nullopt;
    if (!trackingRef.isEmpty()) {
        const QStringList tipArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                  QStringLiteral("--quiet"), trackingRef};
        try {
            upstream->tip = co_await git.run(tipArgs);
        } catch (const GitError&) {
            // Never fetched: the lease then expects the remote branch not to exist yet.
        }
    }
    co_return upstream;
}

QStringList leasedForcePushArguments(const QString& localRef, const UpstreamBranch& upstream,
                                     const QString& expectedTip) {
    return {QStringLiteral("push"),
            QStringLiteral("--force-with-lease=") + upstream.remoteRef + QLatin1Char(':') +
                expectedTip,
            QStringLiteral("--end-of-options"), upstream.remote,
            localRef + QLatin1Char(':') + upstream.remoteRef};
}

QStringList remoteDeleteArguments(const QString& remote, const QString& branch) {
    return {QStringLiteral("push"), QStringLiteral("--delete"), QStringLiteral("--end-of-options"),
            remote, branch};
}

} // namespace tolvane
