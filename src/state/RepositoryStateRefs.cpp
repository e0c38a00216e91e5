// Renaming branches (and their remote branches), branching from and checking out any commit,
// pushing tags and deleting them on the remote, and going to a date in the history.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include "engine/AppKitDialogs.h"
#include "engine/lineSplitting.h"
#include "engine/logParser.h"
#include "engine/remoteBranchDeletion.h"

#include <QPointer>

namespace tolvane {
namespace {

QString headsRef(const QString& branch) {
    return QStringLiteral("refs/heads/") + branch;
}

QString tagRef(const QString& tag) {
    return QStringLiteral("refs/tags/") + tag;
}

} // namespace

QCoro::Task<> RepositoryState::askRenameBranch(GitBranch branch, QString newName) {
    newName = trimSpacesAndTabs(newName).toString();
    if (newName.isEmpty() || newName == branch.name || branch.isRemote || branch.isDetached)
        co_return;
    if (const auto problem = AppKitDialogs::validateRefName(newName)) {
        log(QStringLiteral("Invalid branch name: ") + *problem, LogLevel::Error);
        co_return;
    }
    setBranchToRename(branch);
    setRenameBranchNewName(newName);
    setRenameAlsoOnRemote(false);
    m_branchToRenameUpstream.reset();
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    const QString ref = headsRef(branch.name);
    const std::optional<UpstreamBranch> upstream = co_await upstreamOf(git, ref);
    if (!self || m_branchToRename != branch || m_renameBranchNewName != newName)
        co_return;
    m_branchToRenameUpstream = upstream;
    // Without a remote branch there is nothing to ask.
    if (upstream)
        setShowRenameBranchConfirmation(true);
    else
        co_await confirmRenameBranch();
}

QCoro::Task<> RepositoryState::confirmRenameBranch() {
    if (!m_branchToRename)
        co_return;
    const QString oldName = m_branchToRename->name;
    const QString newName = m_renameBranchNewName;
    const std::optional<UpstreamBranch> upstream =
        m_renameAlsoOnRemote ? m_branchToRenameUpstream : std::nullopt;
    setBranchToRename(std::nullopt);
    setRenameBranchNewName(QString());
    m_branchToRenameUpstream.reset();

    const GitService git = m_git;
    const QStringList args{QStringLiteral("branch"), QStringLiteral("-m"),
                           QStringLiteral("--end-of-options"), oldName, newName};
    const StepReport report{.failure = QStringLiteral("Cannot rename branch: "),
                            .success = QStringLiteral("Renamed branch ") + oldName +
                                       QStringLiteral(" to ") + newName,
                            .refreshAfterSuccess = !upstream};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Rename Branch '%1'").arg(oldName);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const bool renamed = co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
    if (!renamed || !upstream || !self)
        co_return;
    co_await renameBranchOnRemote(git, newName, *upstream);
}

QCoro::Task<> RepositoryState::renameBranchOnRemote(GitService git, QString newName,
                                                    UpstreamBranch upstream) {
    // The new name goes up first and becomes the upstream; the old one goes only after that,
    // and only while the remote still has it where we last saw it.
    const QString newRef = headsRef(newName);
    const QStringList pushArgs{QStringLiteral("push"), QStringLiteral("-u"),
                               QStringLiteral("--end-of-options"), upstream.remote,
                               newRef + QLatin1Char(':') + newRef};
    const StepReport pushReport{.failure = QStringLiteral("Cannot push the renamed branch: "),
                                .refreshAfterFailure = true,
                                .refreshAfterSuccess = false,
                                .cancelled = QStringLiteral("Push cancelled")};
    if (!co_await finishStep(outcomeOf(runNetworkCommand(git, pushArgs)), pushReport))
        co_return;
    const RemoteTrackingBranch old{upstream.remote, upstream.remoteRef, upstream.tip};
    const QStringList deleteArgs = leasedRemoteDeleteArguments(old);
    const StepReport deleteReport{
        .failure = QStringLiteral("Pushed ") + newName +
                   QStringLiteral(", but cannot delete the old remote branch: "),
        .success = QStringLiteral("Renamed ") + upstream.displayName() + QStringLiteral(" to ") +
                   upstream.remote + QLatin1Char('/') + newName,
        .refreshAfterFailure = true,
        .announced = true,
        .cancelled = QStringLiteral("Push cancelled")};
    co_await finishStep(outcomeOf(runNetworkCommand(git, deleteArgs)), deleteReport);
}

QCoro::Task<> RepositoryState::createBranchAtCommit(QString name, GitCommit commit) {
    name = trimSpacesAndTabs(name).toString();
    if (name.isEmpty())
        co_return;
    if (const auto problem = AppKitDialogs::validateRefName(name)) {
        log(QStringLiteral("Invalid branch name: ") + *problem, LogLevel::Error);
        co_return;
    }
    const GitService git = m_git;
    const QStringList args{QStringLiteral("branch"), QStringLiteral("--end-of-options"), name,
                           commit.id};
    const StepReport report{.failure = QStringLiteral("Failed to create branch: "),
                            .success = QStringLiteral("Created branch ") + name +
                                       QStringLiteral(" at ") + commit.shortHash};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Create Branch '%1'").arg(name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
}

void RepositoryState::askCheckoutCommit(const GitCommit& commit) {
    setCommitToCheckout(commit);
    setShowCheckoutCommitConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmCheckoutCommit() {
    if (!m_commitToCheckout)
        co_return;
    const GitCommit commit = *m_commitToCheckout;
    setCommitToCheckout(std::nullopt);
    const GitService git = activeGit();
    const QStringList args{QStringLiteral("switch"), QStringLiteral("--detach"),
                           QStringLiteral("--end-of-options"), commit.id};
    const StepReport report{.failure = QStringLiteral("Checkout failed: "),
                            .success = QStringLiteral("Checked out ") + commit.shortHash +
                                       QStringLiteral(" (detached HEAD)")};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Checkout ") + commit.shortHash;
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<StepOutcome> RepositoryState::tagRemote(GitService git) {
    const QStringList args{QStringLiteral("remote")};
    const StepOutcome remotes = co_await outcomeOf(git.run(args));
    if (remotes.failure)
        co_return remotes;
    const QStringList names = remotes.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        co_return StepOutcome{QString(), QStringLiteral("this repository has no remote")};
    co_return StepOutcome{names.contains(QStringLiteral("origin")) ? QStringLiteral("origin")
                                                                   : names.first(),
                          std::nullopt};
}

QCoro::Task<> RepositoryState::pushTag(QString name) {
    // The full ref: a tag named like a branch, or starting with "+", is still this tag.
    const QStringList refspecs{tagRef(name) + QLatin1Char(':') + tagRef(name)};
    const QString success = QStringLiteral("Pushed tag ") + name + QStringLiteral(" to ");
    co_await pushTagsToRemote(refspecs, QStringLiteral("Cannot push tag: "), success);
}

QCoro::Task<> RepositoryState::pushAllTags() {
    const QStringList everyTag;
    co_await pushTagsToRemote(everyTag, QStringLiteral("Cannot push tags: "),
                              QStringLiteral("Pushed all tags to "));
}

QCoro::Task<> RepositoryState::pushTagsToRemote(QStringList refspecs, QString failure,
                                                QString successBeforeRemote) {
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    const StepOutcome remote = co_await tagRemote(git);
    if (!self)
        co_return;
    if (remote.failure) {
        log(failure + *remote.failure, LogLevel::Error);
        co_return;
    }
    // Every tag when no refspec is named.
    QStringList args{QStringLiteral("push")};
    if (refspecs.isEmpty())
        args.append(QStringLiteral("--tags"));
    args << QStringLiteral("--end-of-options") << remote.output;
    args += refspecs;
    const StepReport report{.failure = failure,
                            .success = successBeforeRemote + remote.output,
                            .announced = true,
                            .cancelled = QStringLiteral("Push cancelled")};
    co_await finishStep(outcomeOf(runNetworkCommand(git, args)), report);
}

void RepositoryState::askDeleteRemoteTag(const QString& name) {
    setRemoteTagToDelete(name);
    setShowDeleteRemoteTagConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteRemoteTag() {
    const QString name = m_remoteTagToDelete;
    setRemoteTagToDelete(QString());
    if (name.isEmpty())
        co_return;
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    const QString failure = QStringLiteral("Cannot delete remote tag: ");
    const StepOutcome remote = co_await tagRemote(git);
    if (!self)
        co_return;
    if (remote.failure) {
        log(failure + *remote.failure, LogLevel::Error);
        co_return;
    }
    const QStringList args = remoteDeleteArguments(remote.output, tagRef(name));
    const StepReport report{.failure = failure,
                            .success = QStringLiteral("Deleted tag ") + name +
                                       QStringLiteral(" from ") + remote.output,
                            .announced = true,
                            .cancelled = QStringLiteral("Push cancelled")};
    co_await finishStep(outcomeOf(runNetworkCommand(git, args)), report);
}

QCoro::Task<bool> RepositoryState::goToDate(QDate date) {
    if (!date.isValid())
        co_return false;
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    // The whole day counts: the newest commit made on it, or the last one before it.
    QStringList args{QStringLiteral("rev-list"), QStringLiteral("-1"),
                     QStringLiteral("--before=") + date.toString(Qt::ISODate) +
                         QStringLiteral("T23:59:59")};
    if (m_hideResetBranches)
        args.append(QStringLiteral("HEAD"));
    else
        args.append(allRefsArguments);
    const StepOutcome found = co_await outcomeOf(git.run(args));
    if (!self)
        co_return false;
    const QString shown = date.toString(Qt::ISODate);
    if (found.failure) {
        log(QStringLiteral("Cannot go to ") + shown + QStringLiteral(": ") + *found.failure,
            LogLevel::Error);
        co_return false;
    }
    if (found.output.isEmpty()) {
        log(QStringLiteral("No commit was made on or before ") + shown, LogLevel::Info);
        co_return false;
    }
    const bool shownInHistory = co_await showCommitInHistory(found.output);
    if (self && !shownInHistory)
        log(QStringLiteral("Cannot show the commit of ") + shown, LogLevel::Error);
    co_return shownInHistory;
}

} // namespace tolvane
