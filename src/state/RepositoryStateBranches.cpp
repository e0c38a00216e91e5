// Branches and remotes: checkout, create, delete (locally and on origin), merge, and the network
// operations fetch, pull, push and publish.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include "engine/commitRefusal.h"
#include "engine/gitEnvironment.h"
#include "engine/remoteBranchDeletion.h"

#include <QPointer>

namespace tolvane {
namespace {

// Outcomes are told apart by git's English wording, so those commands must not follow the
// user's language.
const ExtraEnvironment englishOutput = englishOutputEnvironment();

// "origin/feature/x" names "feature/x" on its remote.
QString withoutRemotePart(const QString& remoteBranchName) {
    return remoteBranchName.section(QLatin1Char('/'), 1);
}

QString localRef(const QString& branchName) {
    return QStringLiteral("refs/heads/") + branchName;
}

QString outputOr(const QString& output, const QString& fallback) {
    return output.isEmpty() ? fallback : output;
}

// A remote's address as configured, but for a password written into it, which is never shown.
QString shownRemoteAddress(QString address) {
    address = address.trimmed();
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme < 0)
        return address;
    const qsizetype hostStart = scheme + 3;
    qsizetype hostEnd = address.indexOf(QLatin1Char('/'), hostStart);
    if (hostEnd < 0)
        hostEnd = address.size();
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'), hostEnd - 1);
    if (at < hostStart)
        return address;
    const qsizetype colon = address.indexOf(QLatin1Char(':'), hostStart);
    if (colon >= 0 && colon < at)
        address.remove(colon, at - colon);
    return address;
}

} // namespace

QCoro::Task<> RepositoryState::checkoutBranch(GitBranch branch) {
    const GitService git = activeGit();
    // "checkout <name>" restores files when no branch of that name is left but a path is, and
    // reads "-f" as an option; switch only ever switches branches.
    const QStringList args{QStringLiteral("switch"), QStringLiteral("--end-of-options"),
                           branch.name};
    const StepReport report{.failure = QStringLiteral("Checkout failed: "),
                            .success = QStringLiteral("Switched to ") + branch.name};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Checkout '%1'").arg(branch.name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::checkoutRemoteBranch(GitBranch branch) {
    const QString localName = withoutRemotePart(branch.name);
    const GitService git = activeGit();
    const StepReport report{.failure = QStringLiteral("Cannot checkout remote branch"),
                            .success = QStringLiteral("Checked out ") + localName,
                            .withReason = false};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Checkout '%1'").arg(localName);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.checkoutRemote(branch.name, localName)), report);
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::createBranchWithName(QString name) {
    // The name stays recorded until the branch exists.
    setNewBranchName(name);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("checkout"), QStringLiteral("-b"), name};
    const StepReport report{.failure = QStringLiteral("Failed to create branch: "),
                            .success = QStringLiteral("Created branch ") + name,
                            .onSuccess = [this] { setNewBranchName(QString()); }};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Create Branch '%1'").arg(name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
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
    const QString undoName = QStringLiteral("Delete Branch '%1'").arg(name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    std::optional<QString> failure = co_await failureOf(git.run(args));
    co_await UndoJournal::finish(std::move(undo));
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

    const auto forget = [this, force] {
        if (!force)
            setBranchToDelete(std::nullopt);
    };
    if (!alsoRemote) {
        forget();
        co_await refresh();
        co_return;
    }
    const StepReport remoteReport{.failure = QStringLiteral("Cannot delete branch: "),
                                  .success = QStringLiteral("Deleted remote branch ") +
                                             (upstream ? upstream->displayName() : QString()),
                                  .onSuccess = forget,
                                  .announced = true};
    co_await finishStep(deleteUpstream(git, upstream), remoteReport);
}

QCoro::Task<StepOutcome> RepositoryState::deleteUpstream(GitService git,
                                                         std::optional<UpstreamBranch> upstream) {
    if (!upstream)
        co_return StepOutcome{QString(), QStringLiteral("the branch tracks no branch on a remote")};
    const QStringList args = remoteDeleteArguments(upstream->remote, upstream->remoteRef);
    co_return co_await outcomeOf(runNetworkCommand(git, args));
}

QCoro::Task<> RepositoryState::askDeleteRemoteBranch(GitBranch branch) {
    // The remote it was fetched from, whose name may hold a "/" itself, is read from the
    // remote-tracking ref before asking, so that the question names the branch that will go and
    // the deletion is leased on the tip the user saw.
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    RemoteTrackingBranch resolved;
    try {
        resolved = co_await resolveRemoteTrackingBranch(git, branch.name);
    } catch (const GitError& error) {
        if (self)
            log(QStringLiteral("Cannot delete remote branch: ") + error.message(), LogLevel::Error);
        co_return;
    }
    if (!self)
        co_return;
    m_remoteBranchToDeleteResolved = resolved;
    setRemoteBranchToDelete(branch);
    const QString headsPrefix = QStringLiteral("refs/heads/");
    setRemoteBranchDeleteDisplay(resolved.branchRef.startsWith(headsPrefix)
                                     ? resolved.branchRef.mid(headsPrefix.size())
                                     : resolved.branchRef);
    setShowDeleteRemoteBranchConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteRemoteBranch() {
    if (!m_remoteBranchToDelete)
        co_return;
    const QString fullName = m_remoteBranchToDelete->name;
    const std::optional<RemoteTrackingBranch> resolved = m_remoteBranchToDeleteResolved;
    setRemoteBranchToDelete(std::nullopt);
    m_remoteBranchToDeleteResolved.reset();

    const GitService git = m_git;
    const StepReport report{.failure = QStringLiteral("Cannot delete remote branch: "),
                            .success = QStringLiteral("Deleted remote branch ") + fullName,
                            .announced = true};
    if (!resolved) {
        co_await finishStep(deleteRemoteTrackingBranch(git, fullName), report);
        co_return;
    }
    const QStringList args = leasedRemoteDeleteArguments(*resolved);
    co_await finishStep(outcomeOf(runNetworkCommand(git, args)), report);
}

QCoro::Task<StepOutcome> RepositoryState::deleteRemoteTrackingBranch(GitService git, QString name) {
    // Deleted on the remote it was fetched from, which need not be origin, and whose name may
    // hold a "/" itself: the remote-tracking ref says which. Only while the remote still has
    // the tip that was shown.
    RemoteTrackingBranch branch;
    try {
        branch = co_await resolveRemoteTrackingBranch(git, name);
    } catch (const GitError& error) {
        co_return StepOutcome{QString(), error.message()};
    }
    const QStringList args = leasedRemoteDeleteArguments(branch);
    co_return co_await outcomeOf(runNetworkCommand(git, args));
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
    const bool conflictsBefore = !m_conflicts.isEmpty();
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

    const QString undoName = QStringLiteral("Merge '%1'").arg(branch.name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    [[maybe_unused]] auto [output, failure, failureHook] =
        co_await outcomeOf(worktreeGit.merge(branch.name, stageOnly));
    if (!self)
        co_return;
    if (failure && isSigningFailure(*failure)) {
        // git leaves the merge staged and under way when it cannot sign: take it back.
        const QStringList abortArgs{QStringLiteral("merge"), QStringLiteral("--abort")};
        const std::optional<QString> abortFailure = co_await failureOf(worktreeGit.run(abortArgs));
        if (!self)
            co_return;
        reportRefusal(QStringLiteral("Merge failed: "), StepOutcome{QString(), failure},
                      QStringLiteral("the merge commit"));
        if (abortFailure)
            log(QStringLiteral("Could not abort the merge: ") + *abortFailure, LogLevel::Error);
        co_await refresh();
        co_return;
    }
    if (failure) {
        // Conflicts are the user's to resolve, not a failure; the branch is not deleted then.
        const bool stopped =
            co_await reportStopOnConflicts(QStringLiteral("Merge"), conflictsBefore);
        const StepOutcome refused{QString(), failure, failureHook};
        if (self && !stopped &&
            !reportRefusal(QStringLiteral("Merge failed: "), refused, QStringLiteral("the merge")))
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

    if (!deleteBranch || stageOnly) {
        co_await UndoJournal::finish(std::move(undo));
        if (self)
            co_await refresh();
        co_return;
    }
    const QStringList deleteArgs{QStringLiteral("branch"), QStringLiteral("-d"),
                                 QStringLiteral("--end-of-options"), branch.name};
    const StepReport localReport{
        .failure = QStringLiteral("Merge failed: "),
        .success = deleteRemote ? std::nullopt
                                : std::optional<QString>(QStringLiteral("Merged and deleted ") +
                                                         branch.name),
        .refreshAfterSuccess = !deleteRemote};
    const bool deleted = co_await finishStep(outcomeOf(mainGit.run(deleteArgs)), localReport);
    co_await UndoJournal::finish(std::move(undo));
    if (!deleted || !deleteRemote || !self)
        co_return;
    const StepReport remoteReport{.failure = QStringLiteral("Merge failed: "),
                                  .success = QStringLiteral("Merged and deleted ") + branch.name +
                                             QStringLiteral(" (local and remote)"),
                                  .announced = true};
    co_await finishStep(deleteUpstream(mainGit, upstream), remoteReport);
}

QCoro::Task<> RepositoryState::fetch() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // Every remote there is, named in the log.
    co_await m_remotes->load();
    if (!self)
        co_return;
    QStringList names;
    for (const GitRemote& remote : m_remotes->remotes())
        names.append(remote.name);
    const QStringList args{QStringLiteral("fetch"), QStringLiteral("--all")};
    const StepReport report{.failure = QStringLiteral("Fetch failed: "),
                            .success = names.isEmpty()
                                           ? QStringLiteral("Fetched all remotes")
                                           : QStringLiteral("Fetched ") + joinedNames(names),
                            .announced = true,
                            .cancelled = QStringLiteral("Fetch cancelled")};
    co_await finishStep(outcomeOf(runNetworkCommand(git, args)), report);
}

QCoro::Task<> RepositoryState::pull() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const bool conflictsBefore = !m_conflicts.isEmpty();
    const QStringList args{QStringLiteral("pull"), QStringLiteral("--no-rebase")};
    const StepReport report{.failure = QStringLiteral("Pull failed: "),
                            .success = QStringLiteral("Pulled successfully"),
                            .successFromOutput = true,
                            .cancelled = QStringLiteral("Pull cancelled")};
    const StepOutcome outcome = co_await outcomeOf(runNetworkCommand(git, args));
    if (!self)
        co_return;
    // A pull that stopped on conflicts has fetched and left a merge to finish.
    bool stopped = false;
    if (outcome.failure && !isCancellation(outcome.failure))
        stopped = co_await reportStopOnConflicts(QStringLiteral("Pull"), conflictsBefore);
    if (!stopped) {
        const bool pulled = co_await finishStep(finishedStep(outcome), report);
        if (pulled)
            co_await announceNetworkSuccess(git, QStringLiteral("Pulled"), QStringLiteral("from"),
                                            *report.success);
    }
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
    [[maybe_unused]] auto [branch, failure, failureHook] = co_await outcomeOf(git.run(branchArgs));
    if (!self)
        co_return;
    // On a detached HEAD git names no branch; publishing an empty name could only fail later.
    if (!failure && branch.isEmpty())
        failure = QStringLiteral("You are not currently on a branch.");
    if (failure) {
        log(QStringLiteral("Push failed: ") + *failure, LogLevel::Error);
        co_return;
    }

    // Publishing goes to origin, or to the one remote there is under another name; with none
    // there is nowhere to publish to, and git's own refusal would only puzzle.
    const QStringList remotesArgs{QStringLiteral("remote")};
    const StepOutcome remotes = co_await outcomeOf(git.run(remotesArgs));
    if (!self)
        co_return;
    const QStringList names = remotes.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!remotes.failure && names.isEmpty()) {
        // Offers the Remotes sheet with its Add dialog open instead.
        log(QStringLiteral("This repository has no remote to push to. Add one, then push."),
            LogLevel::Info);
        co_await m_remotes->askAddRemote();
        co_return;
    }
    const QString remote = names.isEmpty() || names.contains(QStringLiteral("origin"))
                               ? QStringLiteral("origin")
                               : names.first();
    setBranchToPublish(branch);

    std::optional<QString> address;
    try {
        const QStringList urlArgs{QStringLiteral("remote"), QStringLiteral("get-url"),
                                  QStringLiteral("--end-of-options"), remote};
        address = co_await git.run(urlArgs);
    } catch (const GitError&) {
    }
    if (!self)
        co_return;
    m_publishRemote = remote;
    setPublishRemoteDisplay(address ? shownRemoteAddress(*address) : QStringLiteral("the remote"));
    setShowPublishBranchConfirmation(true);
}

QCoro::Task<> RepositoryState::performPush() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("push")};
    [[maybe_unused]] auto [output, failure, failureHook] =
        co_await outcomeOf(runNetworkCommand(git, args, englishOutput));
    if (!self)
        co_return;
    if (failure) {
        // "fetch first" is git's reason when the remote's new commits were not fetched yet: the
        // same rejection, which a pull resolves just as well.
        if (isCancellation(failure)) {
            log(QStringLiteral("Push cancelled"), LogLevel::Info);
        } else if (failure->contains(QStringLiteral("non-fast-forward")) ||
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
        co_await announceNetworkSuccess(git, QStringLiteral("Pushed"), QStringLiteral("to"),
                                        QStringLiteral("Pushed successfully"));
    if (self)
        setIsLoading(false);
}

QCoro::Task<> RepositoryState::confirmPublishBranch() {
    const QString branch = m_branchToPublish;
    const QString remote = m_publishRemote;
    setIsLoading(true);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // The full ref: a branch called "-f" or "+x" is neither an option nor a forced refspec.
    const QStringList args{QStringLiteral("push"), QStringLiteral("-u"), remote, localRef(branch)};
    const QString published =
        QStringLiteral("Published ") + branch + QStringLiteral(" to ") + remote;
    const StepReport report{.failure = QStringLiteral("Publish failed: "),
                            .success = QStringLiteral("Pushed successfully"),
                            .successFromOutput = true,
                            .onSuccess = [this, published] { log(published, LogLevel::Success); },
                            .cancelled = QStringLiteral("Publish cancelled")};
    if (co_await finishStep(outcomeOf(runNetworkCommand(git, args)), report))
        Q_EMIT outcomeAnnounced(published, LogLevel::Success);
    if (self)
        setIsLoading(false);
}

QCoro::Task<> RepositoryState::confirmPullThenPush() {
    setIsLoading(true);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const bool conflictsBefore = !m_conflicts.isEmpty();
    const QStringList pullArgs{QStringLiteral("pull"), QStringLiteral("--no-rebase")};
    const StepReport pullReport{.failure = QStringLiteral("Pull-then-push failed: "),
                                .success = QStringLiteral("Pulled successfully"),
                                .successFromOutput = true,
                                .refreshAfterFailure = true,
                                .refreshAfterSuccess = false,
                                .cancelled = QStringLiteral("Pull cancelled")};
    const StepOutcome pulled = co_await outcomeOf(runNetworkCommand(git, pullArgs));
    if (!self)
        co_return;
    // Stopped on conflicts, nothing is pushed: the merge is the user's to finish first.
    bool stopped = false;
    if (pulled.failure && !isCancellation(pulled.failure))
        stopped = co_await reportStopOnConflicts(QStringLiteral("Pull"), conflictsBefore,
                                                 QStringLiteral("; nothing was pushed"));
    bool pullSucceeded = false;
    if (!stopped)
        pullSucceeded = co_await finishStep(finishedStep(pulled), pullReport);
    if (pullSucceeded) {
        const QStringList pushArgs{QStringLiteral("push")};
        const StepReport pushReport{.failure = QStringLiteral("Pull-then-push failed: "),
                                    .success = QStringLiteral("Pushed successfully"),
                                    .successFromOutput = true,
                                    .refreshAfterFailure = true,
                                    .cancelled = QStringLiteral("Push cancelled")};
        if (co_await finishStep(outcomeOf(runNetworkCommand(git, pushArgs)), pushReport))
            co_await announceNetworkSuccess(git, QStringLiteral("Pulled and pushed"),
                                            QStringLiteral("to"), *pushReport.success);
    }
    if (self)
        setIsLoading(false);
}

} // namespace tolvane
