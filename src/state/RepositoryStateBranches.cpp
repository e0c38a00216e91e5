// Branches and remotes: checkout, create, delete (locally and on origin), merge, and the network
// operations fetch, pull, push and publish.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include <QPointer>

namespace tolvane {
namespace {

// Merge outcomes and push rejections are recognised by git's English wording, so those commands
// must not follow the user's language.
// LANGUAGE is emptied too: gettext prefers it to LC_ALL whenever the locale is not plain "C".
const ExtraEnvironment englishOutput{{QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")},
                                     {QStringLiteral("LANGUAGE"), QString()}};

// "origin/feature/x" names "feature/x" on its remote.
QString withoutRemotePart(const QString& remoteBranchName) {
    return remoteBranchName.section(QLatin1Char('/'), 1);
}

// ... and "origin" is that remote.
QString remotePart(const QString& remoteBranchName) {
    return remoteBranchName.section(QLatin1Char('/'), 0, 0);
}

QString localRef(const QString& branchName) {
    return QStringLiteral("refs/heads/") + branchName;
}

QString outputOr(const QString& output, const QString& fallback) {
    return output.isEmpty() ? fallback : output;
}

// Host and path of a remote address, without the scheme, user and ".git" decorations.
QString shortRemoteAddress(QString address) {
    address = address.trimmed();
    address.remove(QStringLiteral("https://"));
    address.remove(QStringLiteral("git@"));
    address.remove(QStringLiteral(".git"));
    address.replace(QLatin1Char(':'), QLatin1Char('/'));
    return address;
}

} // namespace

QCoro::Task<> RepositoryState::checkoutBranch(GitBranch branch) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // "checkout <name>" restores files when no branch of that name is left but a path is, and
    // reads "-f" as an option; switch only ever switches branches.
    const QStringList args{QStringLiteral("switch"), QStringLiteral("--end-of-options"),
                           branch.name};
    std::optional<QString> failure = co_await failureOf(git.run(args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Checkout failed: ") + *failure, LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Switched to ") + branch.name, LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::checkoutRemoteBranch(GitBranch branch) {
    const QString localName = withoutRemotePart(branch.name);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    bool failed = false;
    try {
        co_await git.checkoutRemote(branch.name, localName);
    } catch (const GitError&) {
        failed = true;
    }
    if (!self)
        co_return;
    if (failed) {
        log(QStringLiteral("Cannot checkout remote branch"), LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Checked out ") + localName, LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::createBranchWithName(QString name) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("checkout"), QStringLiteral("-b"), name};
    std::optional<QString> failure = co_await failureOf(git.run(args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Failed to create branch: ") + *failure, LogLevel::Error);
        co_return;
    }
    setNewBranchName(QString());
    log(QStringLiteral("Created branch ") + name, LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::askDeleteBranch(GitBranch branch) {
    setBranchToDelete(branch);
    setDeleteAlsoFromRemote(false);
    m_branchToDeleteUpstream.reset();
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    // The remote branch deleted is the one the branch tracks, named in the confirmation.
    const QString ref = localRef(branch.name);
    const std::optional<UpstreamBranch> upstream = co_await upstreamOf(git, ref);
    if (!self || m_branchToDelete != branch)
        co_return;
    m_branchToDeleteUpstream = upstream;
    setBranchToDeleteHasRemote(upstream.has_value());
    setShowDeleteBranchConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteBranch() {
    co_await deleteBranch(false);
}

QCoro::Task<> RepositoryState::confirmForceDeleteBranch() {
    co_await deleteBranch(true);
}

QCoro::Task<> RepositoryState::deleteBranch(bool force) {
    if (!m_branchToDelete)
        co_return;
    const QString name = m_branchToDelete->name;
    const bool alsoRemote = m_deleteAlsoFromRemote;
    const std::optional<UpstreamBranch> upstream = m_branchToDeleteUpstream;
    if (force)
        setBranchToDelete(std::nullopt);

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    const QStringList args{QStringLiteral("branch"),
                           force ? QStringLiteral("-D") : QStringLiteral("-d"),
                           QStringLiteral("--end-of-options"), name};
    std::optional<QString> failure = co_await failureOf(git.run(args));
    if (!self)
        co_return;
    if (failure) {
        // A refused safe delete asks whether to force it; the subject stays for that.
        if (force)
            log(QStringLiteral("Cannot delete branch: ") + *failure, LogLevel::Error);
        else
            setShowForceDeleteBranchConfirmation(true);
        co_return;
    }
    log((force ? QStringLiteral("Force deleted branch ") : QStringLiteral("Deleted branch ")) +
            name,
        LogLevel::Success);

    if (alsoRemote) {
        if (!upstream) {
            failure = QStringLiteral("the branch tracks no branch on a remote");
        } else {
            const QStringList remoteArgs =
                remoteDeleteArguments(upstream->remote, upstream->remoteRef);
            failure = co_await failureOf(runNetworkCommand(git, remoteArgs));
        }
        if (!self)
            co_return;
        if (failure) {
            log(QStringLiteral("Cannot delete branch: ") + *failure, LogLevel::Error);
            co_return;
        }
        log(QStringLiteral("Deleted remote branch ") + upstream->displayName(), LogLevel::Success);
    }
    if (!force)
        setBranchToDelete(std::nullopt);
    co_await refresh();
}

void RepositoryState::askDeleteRemoteBranch(const GitBranch& branch) {
    setRemoteBranchToDelete(branch);
    setRemoteBranchDeleteDisplay(withoutRemotePart(branch.name));
    setShowDeleteRemoteBranchConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteRemoteBranch() {
    if (!m_remoteBranchToDelete)
        co_return;
    const QString fullName = m_remoteBranchToDelete->name;
    const QString shortName = withoutRemotePart(fullName);
    setRemoteBranchToDelete(std::nullopt);

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    // Deleted on the remote it was fetched from, which need not be origin.
    const QStringList args = remoteDeleteArguments(remotePart(fullName), shortName);
    std::optional<QString> failure = co_await failureOf(runNetworkCommand(git, args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Cannot delete remote branch: ") + *failure, LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Deleted remote branch ") + fullName, LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::askMergeBranch(GitBranch branch) {
    setBranchToMerge(branch);
    setMergeStageOnly(false);
    setMergeDeleteBranch(false);
    setMergeDeleteRemoteBranch(false);
    m_mergeBranchUpstream.reset();
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    std::optional<UpstreamBranch> upstream;
    if (!branch.isRemote) {
        const QString ref = localRef(branch.name);
        upstream = co_await upstreamOf(git, ref);
    }
    if (!self || m_branchToMerge != branch)
        co_return;
    m_mergeBranchUpstream = upstream;
    setMergeBranchHasRemote(upstream.has_value());
    setShowMergeSheet(true);
}

QCoro::Task<> RepositoryState::confirmMergeBranch() {
    if (!m_branchToMerge)
        co_return;
    const GitBranch branch = *m_branchToMerge;
    const bool stageOnly = m_mergeStageOnly;
    const bool deleteBranch = m_mergeDeleteBranch;
    const bool deleteRemote = m_mergeDeleteRemoteBranch;
    const std::optional<UpstreamBranch> upstream = m_mergeBranchUpstream;
    setBranchToMerge(std::nullopt);
    setShowMergeSheet(false);

    QPointer<RepositoryState> self(this);
    const GitService mainGit = m_git;
    const GitService worktreeGit = activeGit();

    if (branch.isRemote) {
        // Merging a stale remote-tracking branch is still better than not merging at all.
        try {
            const QStringList fetchArgs{QStringLiteral("fetch"), QStringLiteral("--all")};
            co_await runNetworkCommand(mainGit, fetchArgs);
        } catch (const GitError&) {
        }
        if (!self)
            co_return;
    }

    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("HEAD")};
    QString headBefore;
    try {
        headBefore = co_await worktreeGit.run(headArgs);
    } catch (const GitError&) {
    }
    if (!self)
        co_return;

    auto [output, failure] = co_await outcomeOf(worktreeGit.merge(branch.name, stageOnly));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Merge failed: ") + *failure, LogLevel::Error);
        co_return;
    }

    QString headAfter;
    try {
        headAfter = co_await worktreeGit.run(headArgs);
    } catch (const GitError&) {
    }
    if (!self)
        co_return;

    if (output.contains(QStringLiteral("Already up to date")))
        log(QStringLiteral("Already up to date — ") + branch.name +
                QStringLiteral(" is already merged into ") + m_currentBranch,
            LogLevel::Success);
    else if (stageOnly)
        log(QStringLiteral("Merged ") + branch.name +
                QStringLiteral(" — changes staged for review"),
            LogLevel::Success);
    else if (headBefore != headAfter)
        log(QStringLiteral("Merged ") + branch.name + QStringLiteral(" into ") + m_currentBranch,
            LogLevel::Success);
    else
        log(QStringLiteral("Merge produced no new commit (HEAD unchanged)"), LogLevel::Success);

    if (deleteBranch && !stageOnly) {
        const QStringList deleteArgs{QStringLiteral("branch"), QStringLiteral("-d"),
                                     QStringLiteral("--end-of-options"), branch.name};
        failure = co_await failureOf(mainGit.run(deleteArgs));
        if (!self)
            co_return;
        if (failure) {
            log(QStringLiteral("Merge failed: ") + *failure, LogLevel::Error);
            co_return;
        }
        if (deleteRemote) {
            if (!upstream) {
                failure = QStringLiteral("the branch tracks no branch on a remote");
            } else {
                const QStringList remoteArgs =
                    remoteDeleteArguments(upstream->remote, upstream->remoteRef);
                failure = co_await failureOf(runNetworkCommand(mainGit, remoteArgs));
            }
            if (!self)
                co_return;
            if (failure) {
                log(QStringLiteral("Merge failed: ") + *failure, LogLevel::Error);
                co_return;
            }
            log(QStringLiteral("Merged and deleted ") + branch.name +
                    QStringLiteral(" (local and remote)"),
                LogLevel::Success);
        } else {
            log(QStringLiteral("Merged and deleted ") + branch.name, LogLevel::Success);
        }
    }
    co_await refresh();
}

QCoro::Task<> RepositoryState::fetch() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("fetch"), QStringLiteral("--all")};
    std::optional<QString> failure = co_await failureOf(runNetworkCommand(git, args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Fetch failed: ") + *failure, LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Fetched all remotes"), LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::pull() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("pull"), QStringLiteral("--no-rebase")};
    auto [output, failure] = co_await outcomeOf(runNetworkCommand(git, args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Pull failed: ") + *failure, LogLevel::Error);
        setIsLoading(false);
        co_return;
    }
    log(outputOr(output, QStringLiteral("Pulled successfully")), LogLevel::Success);
    co_await refresh();
    if (self)
        setIsLoading(false);
}

QCoro::Task<> RepositoryState::push() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    bool hasUpstream = true;
    try {
        const QStringList upstreamArgs{QStringLiteral("rev-parse"), QStringLiteral("--abbrev-ref"),
                                       QStringLiteral("--symbolic-full-name"),
                                       QStringLiteral("@{u}")};
        co_await git.run(upstreamArgs);
    } catch (const GitError&) {
        hasUpstream = false;
    }
    if (!self)
        co_return;
    if (hasUpstream) {
        setIsLoading(true);
        co_await performPush();
        co_return;
    }

    const QStringList branchArgs{QStringLiteral("branch"), QStringLiteral("--show-current")};
    auto [branch, failure] = co_await outcomeOf(git.run(branchArgs));
    if (!self)
        co_return;
    // On a detached HEAD git names no branch; publishing an empty name could only fail later.
    if (!failure && branch.isEmpty())
        failure = QStringLiteral("You are not currently on a branch.");
    if (failure) {
        log(QStringLiteral("Push failed: ") + *failure, LogLevel::Error);
        co_return;
    }
    setBranchToPublish(branch);

    std::optional<QString> address;
    try {
        const QStringList urlArgs{QStringLiteral("remote"), QStringLiteral("get-url"),
                                  QStringLiteral("origin")};
        address = co_await git.run(urlArgs);
    } catch (const GitError&) {
    }
    if (!self)
        co_return;
    setPublishRemoteDisplay(address ? shortRemoteAddress(*address) : QStringLiteral("the remote"));
    setShowPublishBranchConfirmation(true);
}

QCoro::Task<> RepositoryState::performPush() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("push")};
    auto [output, failure] = co_await outcomeOf(git.run(args, true, englishOutput));
    if (!self)
        co_return;
    if (failure) {
        // "fetch first" is git's reason when the remote's new commits were not fetched yet: the
        // same rejection, which a pull resolves just as well.
        if (failure->contains(QStringLiteral("non-fast-forward")) ||
            failure->contains(QStringLiteral("tip of your current branch is behind")) ||
            failure->contains(QStringLiteral("(fetch first)"))) {
            log(QStringLiteral("Push rejected — the remote branch has commits you do not have"),
                LogLevel::Error);
            setShowPullThenPushConfirmation(true);
        } else {
            log(QStringLiteral("Push failed: ") + *failure, LogLevel::Error);
        }
        setIsLoading(false);
        co_return;
    }
    log(outputOr(output, QStringLiteral("Pushed successfully")), LogLevel::Success);
    co_await refresh();
    if (self)
        setIsLoading(false);
}

QCoro::Task<> RepositoryState::confirmPublishBranch() {
    const QString branch = m_branchToPublish;
    setIsLoading(true);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // The full ref: a branch called "-f" or "+x" is neither an option nor a forced refspec.
    const QStringList args{QStringLiteral("push"), QStringLiteral("-u"), QStringLiteral("origin"),
                           localRef(branch)};
    auto [output, failure] = co_await outcomeOf(runNetworkCommand(git, args));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Publish failed: ") + *failure, LogLevel::Error);
        setIsLoading(false);
        co_return;
    }
    log(QStringLiteral("Published ") + branch + QStringLiteral(" to origin"), LogLevel::Success);
    log(outputOr(output, QStringLiteral("Pushed successfully")), LogLevel::Success);
    co_await refresh();
    if (self)
        setIsLoading(false);
}

QCoro::Task<> RepositoryState::confirmPullThenPush() {
    setIsLoading(true);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList pullArgs{QStringLiteral("pull"), QStringLiteral("--no-rebase")};
    auto [output, failure] = co_await outcomeOf(runNetworkCommand(git, pullArgs));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Pull-then-push failed: ") + *failure, LogLevel::Error);
        co_await refresh();
        if (self)
            setIsLoading(false);
        co_return;
    }
    log(outputOr(output, QStringLiteral("Pulled successfully")), LogLevel::Success);

    try {
        const QStringList pushArgs{QStringLiteral("push")};
        output = co_await runNetworkCommand(git, pushArgs);
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self)
        co_return;
    if (failure)
        log(QStringLiteral("Pull-then-push failed: ") + *failure, LogLevel::Error);
    else
        log(outputOr(output, QStringLiteral("Pushed successfully")), LogLevel::Success);
    co_await refresh();
    if (self)
        setIsLoading(false);
}

} // namespace tolvane
