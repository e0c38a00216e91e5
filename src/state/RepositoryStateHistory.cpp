// Committing and rewriting recent history: commit, pop, squash, reset with its undo, revert and
// cherry-pick.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include "engine/AppKitDialogs.h"
#include "engine/commitRefusal.h"
#include "engine/gitEnvironment.h"
#include "engine/gitText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <algorithm>

namespace tolvane {
namespace {

bool mentionsConflict(const QString& text) {
    return text.contains(QStringLiteral("conflict")) || text.contains(QStringLiteral("CONFLICT"));
}

QString forcePushOutcome(const QString& output) {
    return output.isEmpty() ? QStringLiteral("Force pushed successfully") : output;
}

QStringList verifyHeadArgs() {
    return {QStringLiteral("rev-parse"), QStringLiteral("--verify"), QStringLiteral("HEAD")};
}

bool existsInTree(const QFileInfo& info) {
    return info.exists() || info.isSymLink();
}

// From `diff-tree -r -z --name-status` between HEAD and a commit to restore: the files the
// commit adds whose place in the working tree under `root` is taken by something git does not
// track now (a file or folder at the path, or a file where it needs a folder). A folder is free
// when HEAD tracks files in it, since git empties it of those; one that holds anything else is
// git's to refuse. Runs on a worker: it looks at the file system.
QStringList pathsInTheWay(const QString& root, const QString& output) {
    const QList<QStringView> fields = QStringView(output).split(QChar(u'\0'), Qt::SkipEmptyParts);
    QStringList added;
    QSet<QString> removed;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i] == u"A")
            added.append(fields[i + 1].toString());
        else if (fields[i] == u"D")
            removed.insert(fields[i + 1].toString());
    }
    const auto holdsRemoved = [&](const QString& folder) {
        const QString prefix = folder + u'/';
        return std::any_of(removed.cbegin(), removed.cend(),
                           [&](const QString& path) { return path.startsWith(prefix); });
    };
    const QDir base(root);
    QStringList blocked;
    for (const QString& path : added) {
        const QFileInfo info(base.filePath(path));
        bool taken =
            existsInTree(info) && !(info.isDir() && !info.isSymLink() && holdsRemoved(path));
        for (qsizetype slash = path.indexOf(u'/'); !taken && slash > 0;
             slash = path.indexOf(u'/', slash + 1)) {
            const QString folder = path.first(slash);
            const QFileInfo folderInfo(base.filePath(folder));
            taken = existsInTree(folderInfo) && (folderInfo.isSymLink() || !folderInfo.isDir()) &&
                    !removed.contains(folder);
        }
        if (taken)
            blocked.append(path);
    }
    return blocked;
}

// "refs/heads/<branch>" of the checked-out branch; empty on a detached HEAD or any failure.
QCoro::Task<QString> currentBranchRef(GitService git) {
    const QStringList args{QStringLiteral("symbolic-ref"), QStringLiteral("--quiet"),
                           QStringLiteral("HEAD")};
    try {
        co_return co_await git.run(args);
    } catch (const GitError&) {
        co_return QString();
    }
}

// Pushes exactly `branchRef` to its upstream, forcing only while the remote branch is still at
// `expectedTip`. Gives git's output, or why nothing could be pushed.
QCoro::Task<StepOutcome> leasedForcePush(RepositoryState& state, GitService git, QString branchRef,
                                         std::optional<UpstreamBranch> upstream,
                                         QString expectedTip) {
    if (branchRef.isEmpty())
        co_return StepOutcome{QString(), QStringLiteral("HEAD is not on a branch")};
    if (!upstream)
        co_return StepOutcome{QString(), branchRef.mid(11) +
                                             QStringLiteral(" has no upstream branch on a remote")};
    const QStringList args = leasedForcePushArguments(branchRef, *upstream, expectedTip);
    co_return co_await outcomeOf(state.runNetworkCommand(git, args));
}

} // namespace

QCoro::Task<> RepositoryState::commitChanges() {
    if (m_amendLastCommit) {
        co_await amendCommit(false);
        co_return;
    }
    const QString message = m_commitMessage.trimmed();
    if (message.isEmpty() || m_isCommitting)
        co_return;
    setIsCommitting(true);
    m_hookOutput->dismiss();

    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const StepReport report{.failure = QStringLiteral("Commit failed: "),
                            .success = QStringLiteral("Committed successfully"),
                            .onSuccess = [this] { setCommitMessage(QString()); }};
    const QString undoName = QStringLiteral("Commit");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const bool committed = co_await finishStep(outcomeOf(git.commit(message)), report);
    // Once the user names the author git was missing, the same message is committed. (No
    // co_await inside a condition: g++ 12 evaluates it even where the condition is decided.)
    if (!committed && self) {
        const bool named = co_await askForMissingIdentity(git);
        if (named && self)
            co_await finishStep(outcomeOf(git.commit(message)), report);
    }
    co_await UndoJournal::finish(std::move(undo));
    if (self)
        setIsCommitting(false);
}

void RepositoryState::askPopCommit() {
    setShowPopCommitConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmPopCommit() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    std::optional<QString> message;
    const QString undoName = QStringLiteral("Pop Commit");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    try {
        message = co_await git.popCommit();
    } catch (const GitError&) {
    }
    co_await UndoJournal::finish(std::move(undo));
    if (!self)
        co_return;
    if (!message) {
        log(QStringLiteral("Failed to pop commit"), LogLevel::Error);
        co_return;
    }
    setCommitMessage(*message);
    log(QStringLiteral("Commit popped - changes are now staged"), LogLevel::Success);
    co_await refresh();
}

bool RepositoryState::canSquashSelectedCommits() const {
    const QList<GitCommit> selected = selectedCommitsList();
    const qsizetype count = selected.size();
    if (count < 2 || selected.first().id != m_headCommitHash)
        return false;
    if (selected.last().parents.isEmpty())
        return false;
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const QStringList& parents = selected.at(i).parents;
        if (parents.size() != 1 || parents.first() != selected.at(i + 1).id)
            return false;
    }
    return true;
}

void RepositoryState::askSquashCommits() {
    const QList<GitCommit> selected = selectedCommitsList();
    if (selected.size() < 2)
        return;
    QStringList messages;
    for (const GitCommit& commit : selected)
        messages.append(commit.fullMessage.toString());
    setSquashMessage(messages.join(QStringLiteral("\n\n")));
    setShowSquashConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmSquashCommits() {
    if (!canSquashSelectedCommits())
        co_return;
    const QList<GitCommit> selected = selectedCommitsList();
    const GitCommit oldest = selected.last();
    const GitCommit newest = selected.first();
    const qsizetype count = selected.size();
    const QString message = m_squashMessage.trimmed();
    if (message.isEmpty())
        co_return;

    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // HEAD as it is now: a commit made in a terminal since the last refresh must not be folded in.
    const QStringList headArgs = verifyHeadArgs();
    [[maybe_unused]] auto [originalHead, failure, failureHook] =
        co_await outcomeOf(git.run(headArgs));
    if (!self)
        co_return;
    if (!failure && originalHead != newest.id)
        failure = QStringLiteral("HEAD is no longer ") + newest.shortHash;
    if (failure) {
        log(QStringLiteral("Squash failed: ") + *failure, LogLevel::Error);
        co_await refresh();
        co_return;
    }

    const QStringList resetArgs{QStringLiteral("reset"), QStringLiteral("--soft"),
                                oldest.id + QLatin1Char('^')};
    const StepReport resetReport{.failure = QStringLiteral("Squash failed: "),
                                 .refreshAfterSuccess = false};
    const QString undoName = QStringLiteral("Squash");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    if (!co_await finishStep(outcomeOf(git.run(resetArgs)), resetReport))
        co_return;
    const StepOutcome squash = co_await outcomeOf(git.commitWithMessage(message));
    if (!self)
        co_return;
    if (squash.failure) {
        // A refused commit (a pre-commit hook, say) would leave the branch soft-reset; a soft
        // reset leaves the index alone, so moving the branch back restores everything.
        const QString prefix = QStringLiteral("Squash failed: ");
        if (!reportRefusal(prefix, squash))
            log(prefix + *squash.failure, LogLevel::Error);
        const QStringList restoreArgs{QStringLiteral("reset"), QStringLiteral("--soft"),
                                      originalHead};
        const std::optional<QString> restoreFailure = co_await failureOf(git.run(restoreArgs));
        if (!self)
            co_return;
        if (restoreFailure)
            log(QStringLiteral("Could not move the branch back to ") + newest.shortHash +
                    QStringLiteral(": ") + *restoreFailure,
                LogLevel::Error);
        co_await refresh();
        co_return;
    }
    co_await UndoJournal::finish(std::move(undo));
    if (!self)
        co_return;
    log(QStringLiteral("Squashed ") + QString::number(count) + QStringLiteral(" commits"),
        LogLevel::Success);
    setSelectedCommits({});
    m_commitSelectionAnchor.reset();
    co_await refresh();
}

bool RepositoryState::isAncestorOfHead(const GitCommit& commit) const {
    if (m_headCommitHash.isEmpty() || commit.id == m_headCommitHash)
        return false;
    QHash<QString, const GitCommit*> byId;
    byId.reserve(m_commits.size());
    for (const GitCommit& loaded : m_commits)
        byId.insert(loaded.id, &loaded);

    QStringList stack{m_headCommitHash};
    QSet<QString> visited;
    while (!stack.isEmpty()) {
        const QString id = stack.takeLast();
        if (visited.contains(id))
            continue;
        visited.insert(id);
        const GitCommit* found = byId.value(id, nullptr);
        if (!found)
            continue;
        if (found->id == commit.id)
            return true;
        for (const QString& parent : found->parents)
            stack.append(parent);
    }
    return false;
}

QCoro::Task<> RepositoryState::askResetToCommit(GitCommit commit) {
    setCommitToReset(commit);
    setResetBranchName(QString());
    m_resetBranchRef.clear();
    m_resetUpstream.reset();
    // The force push later leases on the upstream tip as it is now, when the user decides: a
    // fetch in between must not make it overwrite commits the user never saw.
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QString branchRef = co_await currentBranchRef(git);
    if (!self)
        co_return;
    std::optional<UpstreamBranch> upstream;
    if (!branchRef.isEmpty())
        upstream = co_await upstreamOf(git, branchRef);
    if (!self || m_commitToReset != commit)
        co_return;
    m_resetBranchRef = branchRef;
    m_resetUpstream = upstream;
    setShowResetSheet(true);
}

QCoro::Task<> RepositoryState::confirmReset() {
    if (!m_commitToReset)
        co_return;
    const GitCommit commit = *m_commitToReset;
    const QString name = m_resetBranchName.trimmed();
    const QString branchRef = m_resetBranchRef;
    const std::optional<UpstreamBranch> upstream = m_resetUpstream;
    setCommitToReset(std::nullopt);
    setShowResetSheet(false);

    if (name.isEmpty()) {
        log(QStringLiteral("Branch name cannot be empty"), LogLevel::Error);
        co_return;
    }
    if (const auto problem = AppKitDialogs::validateRefName(name)) {
        log(QStringLiteral("Invalid branch name: ") + *problem, LogLevel::Error);
        co_return;
    }

    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const bool inHistory = co_await git.isAncestorOfHead(commit.id);
    if (!self)
        co_return;
    if (!inHistory) {
        log(QStringLiteral("Reset refused: ") + commit.shortHash +
                QStringLiteral(" is not in the history of ") + m_currentBranch,
            LogLevel::Error);
        co_return;
    }
    // The saved branch keeps HEAD as it is now, not as the last refresh saw it.
    const QStringList headArgs = verifyHeadArgs();
    [[maybe_unused]] auto [previousHead, failure, failureHook] =
        co_await outcomeOf(git.run(headArgs));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Reset failed: ") + *failure, LogLevel::Error);
        co_return;
    }
    if (co_await currentBranchRef(git) != branchRef) {
        if (self)
            log(QStringLiteral("Reset refused: the checked-out branch changed since the reset "
                               "was asked for"),
                LogLevel::Error);
        co_return;
    }
    if (!self)
        co_return;

    const QStringList branchArgs{QStringLiteral("branch"), name, previousHead};
    const StepReport branchReport{.failure = QStringLiteral("Reset failed: "),
                                  .success = QStringLiteral("Saved current state to branch '") +
                                             name + QLatin1Char('\''),
                                  .refreshAfterSuccess = false};
    const QString resetTitle = QStringLiteral("Reset to ") + commit.shortHash;
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(resetTitle);
    if (!self)
        co_return;
    if (!co_await finishStep(outcomeOf(git.run(branchArgs)), branchReport))
        co_return;

    const QStringList resetArgs{QStringLiteral("reset"), QStringLiteral("--hard"), commit.id};
    const StepReport resetReport{.failure = QStringLiteral("Reset failed: "),
                                 .success = QStringLiteral("Reset to ") + commit.shortHash,
                                 .refreshAfterSuccess = false};
    const bool reset = co_await finishStep(outcomeOf(git.run(resetArgs)), resetReport);
    co_await UndoJournal::finish(std::move(undo));
    if (!reset || !self)
        co_return;

    const QString leaseTip = upstream ? upstream->tip : QString();
    const StepOutcome push = co_await leasedForcePush(*this, git, branchRef, upstream, leaseTip);
    if (!self)
        co_return;
    // The local reset stands whatever the push did, so the way back is kept either way.
    setLastResetBranchName(name);
    setLastResetOriginalHash(previousHead);
    m_lastResetBranchRef = branchRef;
    m_lastResetTarget = commit.id;
    m_lastResetUpstream = upstream;
    if (m_lastResetUpstream && !push.failure)
        m_lastResetUpstream->tip = commit.id;
    if (isCancellation(push.failure))
        log(QStringLiteral("Force push cancelled — the branch was reset locally; Undo Last Reset "
                           "brings it back"),
            LogLevel::Info);
    else if (push.failure)
        log(QStringLiteral("Force push failed: ") + *push.failure +
                QStringLiteral(" — the branch was reset locally; Undo Last Reset brings it back"),
            LogLevel::Error);
    else
        announceSuccess(forcePushOutcome(push.output));
    co_await refresh();
}

void RepositoryState::askUndoLastReset() {
    setShowUndoResetConfirmation(true);
}

QCoro::Task<> RepositoryState::undoLastReset() {
    if (!m_lastResetBranchName || !m_lastResetOriginalHash)
        co_return;
    const QString branch = *m_lastResetBranchName;
    const QString hash = *m_lastResetOriginalHash;
    const QString branchRef = m_lastResetBranchRef;
    const std::optional<UpstreamBranch> upstream = m_lastResetUpstream;

    const QString target = m_lastResetTarget;

    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const auto refuse = [this](const QString& why) {
        log(QStringLiteral("Undo reset refused: ") + why, LogLevel::Error);
    };
    const auto forgetReset = [this] {
        setLastResetBranchName(std::nullopt);
        setLastResetOriginalHash(std::nullopt);
        m_lastResetBranchRef.clear();
        m_lastResetTarget.clear();
        m_lastResetUpstream.reset();
    };
    // Commits made since the reset are on no other ref: moving HEAD away would lose them.
    const QStringList headArgs = verifyHeadArgs();
    [[maybe_unused]] auto [head, headFailure, headFailureHook] =
        co_await outcomeOf(git.run(headArgs));
    if (!self)
        co_return;
    if (headFailure) {
        log(QStringLiteral("Undo reset failed: ") + *headFailure, LogLevel::Error);
        co_return;
    }
    if (co_await currentBranchRef(git) != branchRef) {
        if (self)
            refuse(QStringLiteral("check out the branch that was reset first"));
        co_return;
    }
    if (!self)
        co_return;
    if (head != target) {
        refuse(QStringLiteral("the branch has moved since the reset, and the undo would drop "
                              "the commits made since"));
        co_return;
    }
    // "reset --keep" refuses to overwrite local changes and untracked files, but not ignored
    // files: every file the restored commit adds must find its place free.
    const QString root = repoPath();
    const QStringList treeArgs{QStringLiteral("diff-tree"),
                               QStringLiteral("-r"),
                               QStringLiteral("-z"),
                               QStringLiteral("--name-status"),
                               QStringLiteral("--no-renames"),
                               target,
                               hash};
    const auto findInTheWay = [root](const QString& output) { return pathsInTheWay(root, output); };
    QStringList inTheWay;
    std::optional<QString> treeFailure;
    try {
        inTheWay = co_await git.runParsed(treeArgs, findInTheWay);
    } catch (const GitError& error) {
        treeFailure = error.message();
    }
    if (!self)
        co_return;
    if (treeFailure) {
        log(QStringLiteral("Undo reset failed: ") + *treeFailure, LogLevel::Error);
        co_return;
    }
    if (!inTheWay.isEmpty()) {
        const bool several = inTheWay.size() > 1;
        refuse(displayText(inTheWay.first()) +
               (several ? QStringLiteral(" and %1 more files are").arg(inTheWay.size() - 1)
                        : QStringLiteral(" is")) +
               QStringLiteral(" not tracked now but would be overwritten by the restored "
                              "commit — move ") +
               (several ? QStringLiteral("them") : QStringLiteral("it")) +
               QStringLiteral(" away first"));
        co_return;
    }

    // The reset's own journal entry, when it is still the newest, undoes it: that also brings
    // back what the reset discarded from the staging area and the files.
    const QList<JournalEntry>& journal = m_undoJournal->entries();
    const qsizetype newest = entryToUndo(journal);
    const QString savedRef = QStringLiteral("refs/heads/") + branch;
    if (newest >= 0 && journal[newest].after.refs.value(savedRef) == hash &&
        !journal[newest].before.refs.contains(savedRef) &&
        journal[newest].after.refs.value(branchRef) == target) {
        const bool undone = co_await m_undoJournal->undo(false);
        if (!self)
            co_return;
        if (!undone) {
            refuse(m_undoJournal->lastFailure());
            co_await refresh();
            co_return;
        }
        log(QStringLiteral("Restored to previous state"), LogLevel::Success);
        log(QStringLiteral("Deleted branch '") + branch + QLatin1Char('\''), LogLevel::Success);
    } else {
        // Uncommitted changes stay; git refuses when one is in a file the undo changes.
        const QStringList resetArgs{QStringLiteral("reset"), QStringLiteral("--keep"), hash};
        const StepOutcome reset = co_await outcomeOf(git.run(resetArgs));
        if (!self)
            co_return;
        if (reset.failure) {
            refuse(*reset.failure);
            co_await refresh();
            co_return;
        }
        log(QStringLiteral("Restored to previous state"), LogLevel::Success);
        forgetReset();
        // The saved branch now points at HEAD, so the safe delete is enough.
        const QStringList deleteArgs{QStringLiteral("branch"), QStringLiteral("-d"),
                                     QStringLiteral("--end-of-options"), branch};
        const StepReport deleteReport{.failure = QStringLiteral("Undo reset failed: "),
                                      .success = QStringLiteral("Deleted branch '") + branch +
                                                 QLatin1Char('\''),
                                      .refreshAfterFailure = true,
                                      .refreshAfterSuccess = false};
        if (!co_await finishStep(outcomeOf(git.run(deleteArgs)), deleteReport))
            co_return;
    }
    forgetReset();

    // The lease expects what the reset left on the remote.
    const QString leaseTip = upstream ? upstream->tip : QString();
    const StepOutcome push = co_await leasedForcePush(*this, git, branchRef, upstream, leaseTip);
    if (!self)
        co_return;
    if (isCancellation(push.failure))
        log(QStringLiteral("Force push cancelled — the branch was restored locally"),
            LogLevel::Info);
    else if (push.failure)
        log(QStringLiteral("Force push failed: ") + *push.failure +
                QStringLiteral(" — the branch was restored locally"),
            LogLevel::Error);
    else
        announceSuccess(forcePushOutcome(push.output));
    co_await refresh();
}

void RepositoryState::askRevertCommit(const GitCommit& commit) {
    setCommitToRevert(commit);
    setShowRevertConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmRevertCommit() {
    if (!m_commitToRevert)
        co_return;
    const GitCommit commit = *m_commitToRevert;
    setCommitToRevert(std::nullopt);
    const QStringList args{QStringLiteral("revert"), QStringLiteral("--no-commit"), commit.id};
    const CommitApplication texts{
        .applied = QStringLiteral("Reverted ") + commit.shortHash +
                   QStringLiteral(" — changes staged for review"),
        .appliedWithConflicts = QStringLiteral("Reverted ") + commit.shortHash +
                                QStringLiteral(" with conflicts — resolve before committing"),
        .conflicts = QStringLiteral("Revert of ") + commit.shortHash +
                     QStringLiteral(" has conflicts — resolve and commit"),
        .failurePrefix = QStringLiteral("Revert failed: "),
        .operation = QStringLiteral("Revert")};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Revert ") + commit.shortHash;
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await applyCommit(args, texts);
    co_await UndoJournal::finish(std::move(undo));
}

void RepositoryState::askCherryPickCommit(const GitCommit& commit) {
    setCommitToCherryPick(commit);
    setShowCherryPickConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmCherryPickCommit() {
    if (!m_commitToCherryPick)
        co_return;
    const GitCommit commit = *m_commitToCherryPick;
    setCommitToCherryPick(std::nullopt);
    const QStringList args{QStringLiteral("cherry-pick"), commit.id};
    const CommitApplication texts{.applied = QStringLiteral("Cherry-picked ") + commit.shortHash +
                                             QStringLiteral(" onto current branch"),
                                  .appliedWithConflicts = QString(),
                                  .conflicts =
                                      QStringLiteral("Cherry-pick of ") + commit.shortHash +
                                      QStringLiteral(" has conflicts — resolve and commit"),
                                  .failurePrefix = QStringLiteral("Cherry-pick failed: "),
                                  .operation = QStringLiteral("Cherry-pick")};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Cherry-pick ") + commit.shortHash;
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await applyCommit(args, texts);
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::applyCommit(QStringList args, CommitApplication texts) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const bool conflictsBefore = !m_conflicts.isEmpty();
    const StepOutcome outcome = co_await outcomeOf(git.runCommitting(args));
    if (!self)
        co_return;
    if (outcome.failure && isSigningFailure(*outcome.failure)) {
        // git stops with the changes staged and the pick still under way: take it all back.
        const QStringList abortArgs{args.first(), QStringLiteral("--abort")};
        const std::optional<QString> abortFailure = co_await failureOf(git.run(abortArgs));
        if (!self)
            co_return;
        reportRefusal(texts.failurePrefix, outcome);
        if (abortFailure)
            log(texts.operation + QStringLiteral(" could not be undone: ") + *abortFailure,
                LogLevel::Error);
        co_await refresh();
        co_return;
    }
    if (!outcome.failure) {
        if (!texts.appliedWithConflicts.isEmpty() &&
            outcome.output.contains(QStringLiteral("conflict")))
            log(texts.appliedWithConflicts, LogLevel::Error);
        else
            log(texts.applied, LogLevel::Success);
        co_await refresh();
        co_return;
    }
    // Whatever git stopped in (conflicts, an empty pick) shows at once; conflicts are left for
    // the user to resolve and are no failure.
    const bool stopped = co_await reportStopOnConflicts(texts.operation, conflictsBefore);
    if (!self || stopped)
        co_return;
    log(mentionsConflict(*outcome.failure) ? texts.conflicts
                                           : texts.failurePrefix + *outcome.failure,
        LogLevel::Error);
}

QCoro::Task<> RepositoryState::toggleHideResetBranches() {
    setHideResetBranches(!m_hideResetBranches);
    co_await refresh();
}

} // namespace tolvane
