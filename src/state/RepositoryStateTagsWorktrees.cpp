// Tags (on a chosen commit or on HEAD, and their deletion) and linked worktrees.
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include "engine/AppKitDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace tolvane {
namespace {

// Typed names lose surrounding spaces and tabs only; line breaks are left for validation to
// refuse.
QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString lastComponent(const QString& path) {
    return QFileInfo(QDir::cleanPath(path)).fileName();
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

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    bool failed = false;
    try {
        co_await git.createTag(name, message, hash);
    } catch (const GitError&) {
        failed = true;
    }
    if (!self)
        co_return;
    if (failed) {
        log(QStringLiteral("Failed to create tag"), LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Created tag ") + name, LogLevel::Success);
    setTagCommitName(QString());
    setTagCommitMessage(QString());
    setTagCommitHash(QString());
    co_await refresh();
}

QCoro::Task<> RepositoryState::createTagWithName(QString name, std::optional<QString> message) {
    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    bool failed = false;
    try {
        co_await git.createTag(name, message, std::nullopt);
    } catch (const GitError&) {
        failed = true;
    }
    if (!self)
        co_return;
    if (failed) {
        log(QStringLiteral("Failed to create tag"), LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Created tag ") + name, LogLevel::Success);
    setNewTagName(QString());
    setNewTagMessage(QString());
    co_await refresh();
}

QCoro::Task<> RepositoryState::confirmDeleteTag() {
    const QString name = m_tagToDelete;
    setTagToDelete(QString());
    if (name.isEmpty())
        co_return;

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    bool failed = false;
    try {
        const QStringList args{QStringLiteral("tag"), QStringLiteral("-d"),
                               QStringLiteral("--end-of-options"), name};
        co_await git.run(args);
    } catch (const GitError&) {
        failed = true;
    }
    if (!self)
        co_return;
    if (failed) {
        log(QStringLiteral("Cannot delete tag"), LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Deleted tag ") + name, LogLevel::Success);
    co_await refresh();
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

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    std::optional<QString> failure =
        co_await failureOf(git.worktreeAdd(path, existingBranch, newBranch));
    if (!self)
        co_return false;
    if (failure) {
        log(QStringLiteral("Failed: ") + *failure, LogLevel::Error);
        co_return false;
    }
    log(QStringLiteral("Added worktree ") + folderName, LogLevel::Success);
    co_await refresh();
    co_return true;
}

QCoro::Task<> RepositoryState::confirmRemoveWorktree() {
    if (!m_worktreeToRemove)
        co_return;
    const QString path = m_worktreeToRemove->path;
    setWorktreeToRemove(std::nullopt);

    QPointer<RepositoryState> self(this);
    const GitService git = m_git;
    std::optional<QString> failure = co_await failureOf(git.worktreeRemove(path, false));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Failed to remove worktree: ") + *failure, LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Removed worktree at ") + lastComponent(path), LogLevel::Success);
    co_await refresh();
}

} // namespace tolvane
