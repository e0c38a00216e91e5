// Stashes, the saves that make every discard recoverable, and amending the last commit.
#include "state/RepositoryState.h"
#include "state/diffDisplay.h"
#include "state/gitStep.h"

#include "engine/conflictState.h"
#include "engine/discardedChanges.h"
#include "engine/gitText.h"
#include "engine/stashCommands.h"

#include <QCoroFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace tolvane {
namespace {

QString stashName(const StashEntry& stash) {
    return QStringLiteral("stash@{%1}").arg(stash.index);
}

// The commit the diff area shows for a stash or a save: it is no commit of the history, but
// the commit-diff view needs no more than this.
GitCommit shownCommit(const QString& hash, const QString& message, qint64 time) {
    GitCommit commit;
    commit.id = hash;
    commit.shortHash = hash.left(7);
    commit.message = message;
    commit.fullMessage = message;
    commit.authorTime = time;
    return commit;
}

} // namespace

// Saving before discarding.

QCoro::Task<std::optional<DiscardSave>>
RepositoryState::saveBeforeDiscarding(QStringList paths, QString description,
                                      QString removedPatch) {
    QPointer<RepositoryState> self(this);
    std::optional<QString> failure;
    std::optional<DiscardSave> save;
    try {
        save = co_await tolvane::saveBeforeDiscard(activeGit(), description, paths, removedPatch);
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (self && failure)
        log(QStringLiteral("Nothing was discarded: the changes could not be saved first: ") +
                *failure,
            LogLevel::Error);
    co_return save;
}

QCoro::Task<> RepositoryState::finishDiscardSave(DiscardSave save) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    if (const std::optional<QString> failure = co_await failureOf(completeDiscardSave(git, save));
        failure && self)
        log(QStringLiteral("The discarded changes were saved, but what they became could not "
                           "be recorded: ") +
                *failure,
            LogLevel::Error);
    co_await reloadDiscardedChanges(git);
}

QCoro::Task<> RepositoryState::reloadDiscardedChanges(GitService git) {
    QPointer<RepositoryState> self(this);
    co_await pruneDiscardedChanges(git);
    QList<DiscardedChange> saved;
    try {
        saved = co_await listDiscardedChanges(git);
    } catch (const GitError&) {
        co_return;
    }
    if (self)
        setDiscardedChanges(saved);
}

// Stashes.

void RepositoryState::askStashChanges() {
    setStashMessage(QString());
    setStashIncludeUntracked(false);
    setStashKeepIndex(false);
    setShowStashSheet(true);
}

QCoro::Task<> RepositoryState::confirmStashChanges() {
    setShowStashSheet(false);
    const StepReport report{.failure = QStringLiteral("Failed to stash changes: "),
                            .success = QStringLiteral("Stashed changes"),
                            .successFromOutput = true,
                            .refreshAfterFailure = true};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Stash Changes");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(stashPush(activeGit(), m_stashMessage, m_stashIncludeUntracked,
                                            m_stashKeepIndex)),
                        report);
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::applyStash(StashEntry stash, bool pop) {
    QPointer<RepositoryState> self(this);
    const QString name = stashName(stash);
    const bool conflictsBefore = !m_conflicts.isEmpty();
    const QString undoName = (pop ? QStringLiteral("Pop ") : QStringLiteral("Apply ")) + name;
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const std::optional<QString> failure =
        co_await failureOf(stashApply(activeGit(), stash.index, stash.hash, pop));
    co_await UndoJournal::finish(std::move(undo));
    if (!self)
        co_return;
    if (!failure) {
        log((pop ? QStringLiteral("Popped ") : QStringLiteral("Applied ")) + name,
            LogLevel::Success);
        co_await refresh();
        co_return;
    }
    // A stash that stops on conflicts stays in the list (git keeps it even when popping).
    const bool stopped = co_await reportStopOnConflicts(
        (pop ? QStringLiteral("Popping ") : QStringLiteral("Applying ")) + name, conflictsBefore,
        pop ? QStringLiteral("; the stash was kept") : QString());
    if (self && !stopped)
        log((pop ? QStringLiteral("Failed to pop ") : QStringLiteral("Failed to apply ")) + name +
                QStringLiteral(": ") + *failure,
            LogLevel::Error);
}

void RepositoryState::askDropStash(const StashEntry& stash) {
    setStashToDrop(stash);
    setShowDropStashConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDropStash() {
    const std::optional<StashEntry> stash = m_stashToDrop;
    setStashToDrop(std::nullopt);
    if (!stash)
        co_return;
    if (m_selectedStash && m_selectedStash->hash == stash->hash)
        setSelectedStash(std::nullopt);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const StepReport report{.failure = QStringLiteral("Failed to drop ") + stashName(*stash) +
                                       QStringLiteral(": "),
                            .success = QStringLiteral("Dropped ") + stashName(*stash),
                            .refreshAfterFailure = true};
    // Kept among the saves first, so that a stash dropped by mistake can still be restored;
    // without that nothing is dropped.
    const StepOutcome kept = co_await outcomeOf(keepDroppedStash(git, stash->hash));
    if (!self)
        co_return;
    if (kept.failure) {
        log(QStringLiteral("Nothing was dropped: the stash could not be kept among the recently "
                           "discarded changes: ") +
                *kept.failure,
            LogLevel::Error);
        co_return;
    }
    const QString undoName = QStringLiteral("Drop ") + stashName(*stash);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const bool dropped =
        co_await finishStep(outcomeOf(stashDrop(git, stash->index, stash->hash)), report);
    co_await UndoJournal::finish(std::move(undo));
    if (!dropped && self) {
        // The stash is still there: a second copy among the saves would only confuse. (When
        // the tab closed meanwhile, whether it was dropped is not known: the copy stays.)
        const std::optional<QString> failure =
            co_await failureOf(deleteDiscardedChange(git, kept.output, stash->hash));
        if (failure && self)
            log(QStringLiteral("Could not remove the copy of the stash kept before dropping it: ") +
                    *failure,
                LogLevel::Error);
    }
    if (self)
        co_await reloadDiscardedChanges(git);
}

QCoro::Task<> RepositoryState::showCommitLikeDiff(GitCommit commit,
                                                  QCoro::Task<LimitedOutput> diffTask,
                                                  QCoro::Task<QList<CommitFileEntry>> filesTask) {
    QPointer<RepositoryState> self(this);
    setSelectedCommit(commit);
    setSelectedCommits({});
    setSelectedFile(std::nullopt);
    setSelectedFiles({});
    setFileListFocused(false);
    setParsedDiff(std::nullopt);
    setShowHunkView(false);
    setCommitFiles({});
    const quint64 generation = ++m_commitDiffGeneration;
    LimitedOutput read;
    try {
        read = co_await std::move(diffTask);
    } catch (const GitError&) {
        read = {QStringLiteral("No diff available"), true};
    }
    // Cut like a commit's diff, off the interface thread.
    auto cut = [read] { return commitDiffDisplay(read); };
    QFuture<QString> cutting = QtConcurrent::run(std::move(cut));
    const QString diff = co_await cutting;
    QList<CommitFileEntry> files;
    try {
        files = co_await std::move(filesTask);
    } catch (const GitError&) {
    }
    if (!self || m_commitDiffGeneration != generation)
        co_return;
    setDiffText(diff);
    setCommitFiles(files);
}

QCoro::Task<> RepositoryState::selectStash(StashEntry stash) {
    setSelectedDiscardedChange(std::nullopt);
    setSelectedStash(stash);
    const GitService git = m_git;
    co_await showCommitLikeDiff(shownCommit(stash.hash, stash.message, stash.time),
                                stashDiff(git, stash.hash, maxDiffOutputBytes),
                                stashFiles(git, stash.hash));
}

QCoro::Task<> RepositoryState::selectDiscardedChange(DiscardedChange change) {
    setSelectedStash(std::nullopt);
    setSelectedDiscardedChange(change);
    const GitService git = m_git;
    const GitCommit shown = shownCommit(change.hash, change.description, change.time);
    if (change.isStash)
        co_await showCommitLikeDiff(shown, stashDiff(git, change.hash, maxDiffOutputBytes),
                                    stashFiles(git, change.hash));
    else
        co_await showCommitLikeDiff(shown, git.diffForCommit(change.ref, maxDiffOutputBytes),
                                    git.filesForCommit(change.ref));
}

QCoro::Task<> RepositoryState::restoreDiscarded(DiscardedChange change) {
    QPointer<RepositoryState> self(this);
    const QString what = QLatin1Char('"') + change.description + QLatin1Char('"');
    QStringList refused;
    std::optional<QString> failure;
    try {
        refused = co_await restoreDiscardedChange(activeGit(), change.ref);
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Failed to restore ") + what + QStringLiteral(": ") + *failure,
            LogLevel::Error);
    } else if (!refused.isEmpty()) {
        QStringList names;
        for (const QString& path : std::as_const(refused))
            names.append(displayText(path));
        log(QStringLiteral("Restored ") + what + QStringLiteral(" except ") +
                names.join(QStringLiteral(", ")) +
                QStringLiteral(": changed since the discard, left as they are"),
            LogLevel::Error);
    } else {
        log(QStringLiteral("Restored ") + what, LogLevel::Success);
    }
    if (!failure)
        co_await refresh();
}

void RepositoryState::askDeleteDiscarded(const DiscardedChange& change) {
    setDiscardedChangeToDelete(change);
    setShowDeleteDiscardedConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteDiscarded() {
    const std::optional<DiscardedChange> change = m_discardedChangeToDelete;
    setDiscardedChangeToDelete(std::nullopt);
    if (!change)
        co_return;
    if (m_selectedDiscardedChange && m_selectedDiscardedChange->ref == change->ref) {
        setSelectedDiscardedChange(std::nullopt);
        // What the save held leaves the diff area with it.
        if (m_selectedCommit && m_selectedCommit->id == change->hash) {
            ++m_commitDiffGeneration;
            setSelectedCommit(std::nullopt);
            setDiffText(QString());
            setCommitFiles({});
        }
    }
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const StepOutcome outcome =
        co_await outcomeOf(deleteDiscardedChange(git, change->ref, change->hash));
    if (!self)
        co_return;
    const QString what = QLatin1Char('"') + change->description + QLatin1Char('"');
    if (outcome.failure)
        log(QStringLiteral("Failed to delete ") + what + QStringLiteral(": ") + *outcome.failure,
            LogLevel::Error);
    else
        log(QStringLiteral("Deleted ") + what, LogLevel::Success);
    co_await reloadDiscardedChanges(git);
}

// Amending.

QCoro::Task<> RepositoryState::setAmending(bool amend) {
    if (amend == m_amendLastCommit)
        co_return;
    if (!amend) {
        setAmendLastCommit(false);
        setCommitMessage(m_messageBeforeAmend);
        m_messageBeforeAmend.clear();
        co_return;
    }
    // The box is ticked at once, so that the check box never disagrees with the state while the
    // last message loads; a refusal unticks it again.
    m_messageBeforeAmend = m_commitMessage;
    setAmendLastCommit(true);
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    std::optional<QString> refusal = co_await amendRefusal(git);
    StepOutcome last;
    if (!refusal) {
        const QStringList args{QStringLiteral("log"), QStringLiteral("-1"),
                               QStringLiteral("--format=%B")};
        last = co_await outcomeOf(git.run(args));
        if (last.failure)
            refusal = QStringLiteral("Cannot amend: ") + *last.failure;
    }
    // Unticked (or ticked again) meanwhile: that newer choice stands.
    if (!self || !m_amendLastCommit || m_messageBeforeAmend != m_commitMessage)
        co_return;
    if (refusal) {
        setAmendLastCommit(false);
        m_messageBeforeAmend.clear();
        log(*refusal, LogLevel::Error);
        co_return;
    }
    setCommitMessage(last.output.trimmed());
}

QCoro::Task<std::optional<QString>> RepositoryState::amendRefusal(GitService git) {
    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                               QStringLiteral("--quiet"), QStringLiteral("HEAD")};
    if (co_await failureOf(git.run(headArgs)))
        co_return QStringLiteral("Cannot amend: the repository has no commit yet");
    RepositoryOperation operation;
    try {
        operation = co_await readOperationState(git);
    } catch (const GitError&) {
    }
    if (operation.kind == OperationKind::Merge)
        co_return QStringLiteral("Cannot amend while a merge is in progress; commit or abort the "
                                 "merge first");
    co_return std::nullopt;
}

QCoro::Task<> RepositoryState::amendCommit(bool confirmed) {
    const QString message = m_commitMessage.trimmed();
    if (message.isEmpty() || m_isCommitting)
        co_return;
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    setIsCommitting(true);
    const std::optional<QString> refusal = co_await amendRefusal(git);
    if (!self)
        co_return;
    if (refusal) {
        log(*refusal, LogLevel::Error);
        setIsCommitting(false);
        co_return;
    }
    if (!confirmed) {
        // A commit any remote already holds would be rewritten under whoever pulled it, whether
        // or not this branch tracks the branch it was pushed to. When that cannot be told, the
        // user is asked.
        const QStringList pushedArgs{
            QStringLiteral("for-each-ref"),        QStringLiteral("--count=1"),
            QStringLiteral("--contains"),          QStringLiteral("HEAD"),
            QStringLiteral("--format=%(refname)"), QStringLiteral("refs/remotes/")};
        const StepOutcome remotes = co_await outcomeOf(git.run(pushedArgs));
        const bool pushed = remotes.failure || !remotes.output.isEmpty();
        if (!self)
            co_return;
        if (pushed) {
            setIsCommitting(false);
            setShowAmendPushedConfirmation(true);
            co_return;
        }
    }
    const StepReport report{.failure = QStringLiteral("Amend failed: "),
                            .success = QStringLiteral("Amended the last commit"),
                            .onSuccess = [this] {
                                setAmendLastCommit(false);
                                m_messageBeforeAmend.clear();
                                setCommitMessage(QString());
                            }};
    const QString undoName = QStringLiteral("Amend");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const bool amended = co_await finishStep(outcomeOf(git.commit(message, true)), report);
    // git records the one amending as the committer: once named, the amend runs again. (No
    // co_await inside a condition: g++ 12 evaluates it even where the condition is decided.)
    if (!amended && self) {
        const bool named = co_await askForMissingIdentity(git);
        if (named && self)
            co_await finishStep(outcomeOf(git.commit(message, true)), report);
    }
    co_await UndoJournal::finish(std::move(undo));
    if (self)
        setIsCommitting(false);
}

QCoro::Task<> RepositoryState::confirmAmendPushed() {
    co_await amendCommit(true);
}

} // namespace tolvane
