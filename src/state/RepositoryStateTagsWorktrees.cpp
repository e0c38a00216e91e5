// Tags (on a chosen commit or on HEAD, and their deletion) and linked worktrees.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include "engine/AppKitDialogs.h"
#include "engine/lineSplitting.h"
#include "engine/pathNames.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace tolvane {
namespace {

// Typed names lose surrounding spaces and tabs only; line breaks are left for validation to
// refuse.
QString trimSpaces(const QString& text) {
    return trimSpacesAndTabs(text).toString();
}

} // namespace

void RepositoryState::askTagCommit(const GitCommit& commit) {
    setTagCommitHash(commit.id);
    setTagCommitName(QString());
    setTagCommitMessage(QString());
    setShowTagCommitSheet(true);
}

QCoro::Task<> RepositoryState::confirmTagCommit() {
    const QString name = trimSpaces(m_tagCommitName);
    if (name.isEmpty())
        co_return;
    if (const auto problem = AppKitDialogs::validateRefName(name)) {
        log(QStringLiteral("Invalid tag name: ") + *problem, LogLevel::Error);
        co_return;
    }
    // A message of spaces is still a message: it makes an annotated tag.
    const std::optional<QString> message =
        m_tagCommitMessage.isEmpty() ? std::nullopt : std::optional<QString>(m_tagCommitMessage);
    const QString hash = m_tagCommitHash;
    setShowTagCommitSheet(false);
    co_await createTag(name, message, hash, [this] {
        setTagCommitName(QString());
        setTagCommitMessage(QString());
        setTagCommitHash(QString());
    });
}

QCoro::Task<> RepositoryState::createTagWithName(QString name, std::optional<QString> message) {
    // What was typed stays recorded until the tag exists.
    setNewTagName(name);
    setNewTagMessage(message.value_or(QString()));
    co_await createTag(name, message, std::nullopt, [this] {
        setNewTagName(QString());
        setNewTagMessage(QString());
    });
}

QCoro::Task<> RepositoryState::createTag(QString name, std::optional<QString> message,
                                         std::optional<QString> commit,
                                         std::function<void()> clearTyped) {
    const GitService git = m_git;
    const StepReport report{.failure = QStringLiteral("Failed to create tag"),
                            .success = QStringLiteral("Created tag ") + name,
                            .withReason = false,
                            .onSuccess = std::move(clearTyped)};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Create Tag '%1'").arg(name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.createTag(name, message, commit)), report);
    co_await UndoJournal::finish(std::move(undo));
}

void RepositoryState::askDeleteTag(const QString& tag) {
    setTagToDelete(tag);
    setShowDeleteTagConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteTag() {
    const QString name = m_tagToDelete;
    setTagToDelete(QString());
    if (name.isEmpty())
        co_return;

    const GitService git = m_git;
    const QStringList args{QStringLiteral("tag"), QStringLiteral("-d"),
                           QStringLiteral("--end-of-options"), name};
    const StepReport report{.failure = QStringLiteral("Cannot delete tag"),
                            .success = QStringLiteral("Deleted tag ") + name,
                            .withReason = false};
    QPointer<RepositoryState> self(this);
    const QString undoName = QStringLiteral("Delete Tag '%1'").arg(name);
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await finishStep(outcomeOf(git.run(args)), report);
    co_await UndoJournal::finish(std::move(undo));
}

void RepositoryState::askAddWorktree() {
    setShowAddWorktreeSheet(true);
}

QCoro::Task<bool> RepositoryState::addWorktree(QString folderName, QString branchName,
                                               bool createNewBranch) {
    const QString folder = trimSpaces(folderName);
    const QString branch = trimSpaces(branchName);
    if (folder.startsWith(QLatin1Char('-'))) {
        log(QStringLiteral("Folder name cannot start with '-'"), LogLevel::Error);
        co_return false;
    }
    if (!branch.isEmpty()) {
        if (const auto problem = AppKitDialogs::validateRefName(branch)) {
            log(QStringLiteral("Invalid branch name: ") + *problem, LogLevel::Error);
            co_return false;
        }
    }
    // The new worktree becomes a sibling folder of the repository.
    const QString path = QFileInfo(QDir::cleanPath(m_tab.path)).dir().filePath(folder);
    std::optional<QString> existingBranch;
    std::optional<QString> newBranch;
    if (!branch.isEmpty()) {
        if (createNewBranch)
            newBranch = branch;
        else
            existingBranch = branch;
    }
    setShowAddWorktreeSheet(false);

    const GitService git = m_git;
    const StepReport report{.failure = QStringLiteral("Failed: "),
                            .success = QStringLiteral("Added worktree ") + folderName};
    co_return co_await finishStep(outcomeOf(git.worktreeAdd(path, existingBranch, newBranch)),
                                  report);
}

void RepositoryState::askRemoveWorktree(const GitWorktree& worktree) {
    setWorktreeToRemove(worktree);
    setShowRemoveWorktreeConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmRemoveWorktree() {
    if (!m_worktreeToRemove)
        co_return;
    const QString path = m_worktreeToRemove->path;
    setWorktreeToRemove(std::nullopt);

    const GitService git = m_git;
    const StepReport report{.failure = QStringLiteral("Failed to remove worktree: "),
                            .success =
                                QStringLiteral("Removed worktree at ") + lastPathComponent(path)};
    co_await finishStep(outcomeOf(git.worktreeRemove(path, false)), report);
}

} // namespace tolvane
