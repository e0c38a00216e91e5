#include "state/RepositoryState.h"

#include "engine/countText.h"
#include "state/gitStep.h"
#include "state/listedChanges.h"

#include "engine/discardedChanges.h"
#include "engine/lineSplitting.h"
#include "engine/pathNames.h"
#include "platform/DesktopApps.h"
#include "platform/FileManagerHelper.h"
#include "platform/TrashHelper.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <filesystem>

namespace tolvane {
namespace {

// What a confirmation acts on: its list when that has entries, else its single file.
QList<FileChange> subjectsOf(const QList<FileChange>& files,
                             const std::optional<FileChange>& file) {
    if (files.isEmpty() && file)
        return {*file};
    return files;
}

// A step whose outcome is already known, for the common end of an operation.
QCoro::Task<StepOutcome> ready(StepOutcome outcome) {
    co_return outcome;
}

// Runs `command -- <paths>` over the paths in as few runs as the argument list allows, stopping
// at the first that fails. No paths, no run.
QCoro::Task<StepOutcome> runOnPaths(GitService git, QStringList command, QStringList paths) {
    // Far below any system's limit on the length of an argument list.
    constexpr qsizetype batchCharacters = 64 * 1024;
    qsizetype next = 0;
    while (next < paths.size()) {
        QStringList args = command;
        args.append(QStringLiteral("--"));
        qsizetype length = 0;
        while (next < paths.size() &&
               (length == 0 || length + paths[next].size() < batchCharacters)) {
            length += paths[next].size() + 1;
            args.append(paths[next++]);
        }
        const StepOutcome outcome = co_await outcomeOf(git.run(args));
        if (outcome.failure)
            co_return outcome;
    }
    co_return StepOutcome{};
}

QStringList pathsOf(const QList<FileChange>& files) {
    QStringList paths;
    for (const FileChange& file : files)
        paths.append(file.path);
    return paths;
}

// A refused or failed .gitignore edit says why.
const QString gitignoreFailure = QStringLiteral("Failed to update .gitignore: ");

// The path with the links in its existing part resolved and the part that does not exist yet
// as written; empty when a link on the way leads nowhere.
QString resolvedPath(const QString& path) {
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (!QFileInfo::exists(existing)) {
        const QFileInfo info(existing);
        if (info.isSymLink() || info.fileName().isEmpty())
            return QString();
        rest.prepend(QLatin1Char('/') + info.fileName());
        existing = info.path();
    }
    const QString real = QFileInfo(existing).canonicalFilePath();
    return real.isEmpty() ? QString() : real + rest;
}

// The folder itself counts: creating it again is reported as existing.
bool isWithin(const QString& path, const QString& folder) {
    return !path.isEmpty() && !folder.isEmpty() &&
           (path == folder || path.startsWith(folder + QLatin1Char('/')));
}

// Whether a typed name stays inside the folder it is created in, and inside the repository: no
// absolute name, no ".." climbing out, no link on the way that leads elsewhere.
bool staysInside(const QString& root, const QString& folder, const QString& name) {
    if (name.startsWith(QLatin1Char('/')))
        return false;
    const QString cleanFolder = QDir::cleanPath(folder);
    const QString target = QDir::cleanPath(cleanFolder + QLatin1Char('/') + name);
    if (!isWithin(target, cleanFolder))
        return false;
    const QString realTarget = resolvedPath(target);
    return isWithin(realTarget, resolvedPath(cleanFolder)) &&
           isWithin(realTarget, resolvedPath(root));
}

} // namespace

QCoro::Task<> RepositoryState::stageFile(FileChange file) {
    // The selection follows the file into the staged section, selected before or not.
    const QString path = file.path;
    QList<FileChange> files{file};
    co_await updateIndex(std::move(files), false, path);
}

QCoro::Task<> RepositoryState::unstageFile(FileChange file) {
    const QString path = file.path;
    QList<FileChange> files{file};
    co_await updateIndex(std::move(files), true, path);
}

QCoro::Task<> RepositoryState::stageFiles(QList<FileChange> files) {
    const std::optional<QString> selectedPath =
        m_selectedFile ? std::optional<QString>(m_selectedFile->path) : std::nullopt;
    co_await updateIndex(std::move(files), false, selectedPath);
}

QCoro::Task<> RepositoryState::unstageFiles(QList<FileChange> files) {
    const std::optional<QString> selectedPath =
        m_selectedFile ? std::optional<QString>(m_selectedFile->path) : std::nullopt;
    co_await updateIndex(std::move(files), true, selectedPath);
}

QCoro::Task<> RepositoryState::updateIndex(QList<FileChange> files, bool unstage,
                                           std::optional<QString> followPath) {
    QPointer<RepositoryState> self(this);
    for (const FileChange& file : files) {
        // The worktree engine is taken afresh for every file.
        const GitService git = activeGit();
        try {
            if (unstage) {
                co_await git.unstage(file.path, file.oldPath);
            } else {
                const QStringList args{QStringLiteral("add"), QStringLiteral("--"), file.path};
                co_await git.run(args);
            }
        } catch (const GitError& error) {
            if (self)
                log((unstage ? QStringLiteral("Failed to unstage ")
                             : QStringLiteral("Failed to stage ")) +
                        file.path + QStringLiteral(": ") + error.message(),
                    LogLevel::Error);
        }
        if (!self)
            co_return;
    }
    co_await refresh();
    if (!self || !followPath)
        co_return;
    for (const FileChange& change : m_changes) {
        if (change.path == *followPath && change.isStaged == !unstage) {
            co_await loadDiff(change, true);
            break;
        }
    }
}

QList<FileChange> RepositoryState::listedUnstagedChanges() const {
    QList<FileChange> listed = tolvane::listedUnstagedChanges(m_changes, AppSettings::showDotFiles());
    // A submodule's moved pointer is staged only by the user's own choice, never in bulk.
    listed.removeIf([this](const FileChange& change) { return m_submodules->isSubmodule(change.path); });
    return listed;
}

qsizetype RepositoryState::hiddenUnstagedCount() const {
    return tolvane::hiddenUnstagedCount(m_changes, AppSettings::showDotFiles());
}

QCoro::Task<> RepositoryState::stageAll() {
    // The listed files by name, not "add -A": a hidden file, or one that appeared since the list
    // was read, is never staged unseen.
    const QStringList command{QStringLiteral("add"), QStringLiteral("-A")};
    const StepReport report{.failure = QStringLiteral("Failed to stage all: "),
                            .refreshAfterFailure = true};
    co_await finishStep(runOnPaths(activeGit(), command, pathsOf(listedUnstagedChanges())), report);
}

QCoro::Task<> RepositoryState::unstageAll() {
    const QStringList args{QStringLiteral("reset"), QStringLiteral("HEAD")};
    const QString failurePrefix = QStringLiteral("Failed to unstage all: ");
    co_await runThenRefresh(args, failurePrefix, std::nullopt);
}

// Runs one command on the worktree, logs its outcome, and refreshes either way.
QCoro::Task<> RepositoryState::runThenRefresh(QStringList args, QString failurePrefix,
                                              std::optional<QString> successMessage) {
    const StepReport report{
        .failure = failurePrefix, .success = successMessage, .refreshAfterFailure = true};
    co_await finishStep(outcomeOf(activeGit().run(args)), report);
}

void RepositoryState::askDiscardChanges(const FileChange& file) {
    setFileToDiscard(file);
    setFilesToDiscard({});
    setShowDiscardConfirmation(true);
}

void RepositoryState::askDiscardSelectedChanges() {
    QList<FileChange> files;
    for (const FileChange& file : selectedFilesList()) {
        // Untracked files have nothing to restore; they are deleted instead.
        if (!file.isStaged && file.status != ChangeStatus::Untracked)
            files.append(file);
    }
    setFilesToDiscard(files);
    setFileToDiscard(std::nullopt);
    setShowDiscardConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDiscardChanges() {
    const QList<FileChange> subjects = subjectsOf(m_filesToDiscard, m_fileToDiscard);
    setFileToDiscard(std::nullopt);
    setFilesToDiscard({});
    QPointer<RepositoryState> self(this);
    // What is about to be lost is saved first; without that save nothing is discarded.
    std::optional<DiscardSave> save;
    if (!subjects.isEmpty()) {
        QStringList paths;
        for (const FileChange& file : subjects)
            paths.append(file.path);
        const QString description =
            subjects.size() == 1
                ? QStringLiteral("Discarded changes to ") + lastPathComponent(subjects[0].path)
                : QStringLiteral("Discarded changes to %1 files").arg(subjects.size());
        save = co_await saveBeforeDiscarding(paths, description);
        if (!self)
            co_return;
        if (!save) {
            co_await refresh();
            co_return;
        }
    }
    const QString undoName = QStringLiteral("Discard");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    for (const FileChange& file : subjects) {
        const QString name = lastPathComponent(file.path);
        try {
            const QStringList args{QStringLiteral("restore"), QStringLiteral("--"), file.path};
            co_await activeGit().run(args);
            if (self)
                log(QStringLiteral("Discarded changes to ") + name, LogLevel::Success);
        } catch (const GitError& error) {
            if (self)
                log(QStringLiteral("Failed to discard changes to ") + name + QStringLiteral(": ") +
                        error.message(),
                    LogLevel::Error);
        }
        if (!self)
            co_return;
    }
    co_await UndoJournal::finish(std::move(undo));
    if (save && self)
        co_await finishDiscardSave(*save);
    if (self)
        co_await refresh();
}

void RepositoryState::askDiscardAllChanges() {
    setShowDiscardAllConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDiscardAllChanges() {
    const QStringList command{QStringLiteral("restore")};
    const QString failurePrefix = QStringLiteral("Failed to discard changes: ");
    // Only the listed tracked files: untracked files have nothing to restore, and hidden ones
    // were never shown.
    QStringList paths;
    for (const FileChange& file : listedUnstagedChanges()) {
        if (file.status != ChangeStatus::Untracked)
            paths.append(file.path);
    }
    const qsizetype hidden = hiddenUnstagedCount();
    const QString success =
        hidden == 0   ? QStringLiteral("Discarded all changes")
        : hidden == 1 ? QStringLiteral("Discarded all listed changes; the hidden file was left as "
                                       "it is")
                      : QStringLiteral("Discarded all listed changes; the ") +
                            hiddenFilesText(hidden) + QStringLiteral(" were left as they are");
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    std::optional<DiscardSave> save;
    if (!paths.isEmpty()) {
        save = co_await saveBeforeDiscarding(paths, success);
        if (!self || !save)
            co_return;
    }
    const QString undoName = QStringLiteral("Discard All");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const StepOutcome outcome = co_await runOnPaths(git, command, paths);
    co_await UndoJournal::finish(std::move(undo));
    if (!self)
        co_return;
    if (save)
        co_await finishDiscardSave(*save);
    const StepReport report{
        .failure = failurePrefix, .success = success, .refreshAfterFailure = true};
    co_await finishStep(ready(outcome), report);
}

void RepositoryState::askDeleteFile(const FileChange& file) {
    setFileToDelete(file);
    setFilesToDelete({});
    setShowDeleteConfirmation(true);
}

void RepositoryState::askDeleteSelectedFiles() {
    setFilesToDelete(selectedFilesList());
    setFileToDelete(std::nullopt);
    setShowDeleteConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDeleteFile() {
    const QList<FileChange> subjects = subjectsOf(m_filesToDelete, m_fileToDelete);
    setFileToDelete(std::nullopt);
    setFilesToDelete({});
    for (const FileChange& file : subjects) {
        if (const auto failure = TrashHelper::moveToTrash(absolutePath(file.path)))
            log(QStringLiteral("Failed to delete ") + file.path + QStringLiteral(": ") + *failure,
                LogLevel::Error);
        else
            log(QStringLiteral("Moved ") + lastPathComponent(file.path) +
                    QStringLiteral(" to the Trash"),
                LogLevel::Success);
    }
    co_await refresh();
}

QCoro::Task<> RepositoryState::addToGitignore(FileChange file) {
    const StepReport report{.failure = gitignoreFailure,
                            .success = QStringLiteral("Added to .gitignore")};
    co_await finishStep(outcomeOf(activeGit().addToGitignore(file.path)), report);
}

QCoro::Task<> RepositoryState::addSelectedToGitignore() {
    QPointer<RepositoryState> self(this);
    const QList<FileChange> files = selectedFilesList();
    for (const FileChange& file : files) {
        try {
            co_await activeGit().addToGitignore(file.path);
        } catch (const GitError& error) {
            if (self)
                log(gitignoreFailure + error.message(), LogLevel::Error);
            co_return;
        }
        if (!self)
            co_return;
    }
    log(QStringLiteral("Added ") +
            countText(files.size(), QStringLiteral("file"), QStringLiteral("files")) +
            QStringLiteral(" to .gitignore"),
        LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::addPatternToGitignore(QString pattern) {
    const StepReport report{.failure = gitignoreFailure,
                            .success = QStringLiteral("Added '") + pattern +
                                       QStringLiteral("' to .gitignore")};
    co_await finishStep(outcomeOf(activeGit().addToGitignore(pattern)), report);
}

void RepositoryState::createNewFile(const FileChange& nearFile) {
    createNearFile(nearFile, false);
}

void RepositoryState::createNewFolder(const FileChange& nearFile) {
    createNearFile(nearFile, true);
}

void RepositoryState::createNearFile(const FileChange& nearFile, bool folder) {
    const qsizetype slash = nearFile.path.lastIndexOf(QLatin1Char('/'));
    const QString dir = slash < 0 ? QString() : nearFile.path.left(slash);
    const NamePrompt prompt{
        folder ? QStringLiteral("New Folder") : QStringLiteral("New File"),
        dir.isEmpty()
            ? (folder ? QStringLiteral("Enter folder name:") : QStringLiteral("Enter file name:"))
            : QStringLiteral("Create in ") + dir + QStringLiteral("/:"),
        folder ? QStringLiteral("folder-name") : QStringLiteral("filename.txt"), folder};
    if (!m_namePrompt)
        return;
    const std::optional<QString> answer = m_namePrompt(prompt);
    if (!answer || answer->isEmpty())
        return;
    const QString name = trimSpacesAndTabs(*answer).toString();
    if (!staysInside(repoPath(), absolutePath(dir), name)) {
        log(QStringLiteral("Cannot create ") + name +
                QStringLiteral(": the name must stay inside ") +
                (dir.isEmpty() ? QStringLiteral("the repository") : dir + QLatin1Char('/')),
            LogLevel::Error);
        return;
    }
    const QString relative = dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
    const QString target = absolutePath(relative);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        log((folder ? QStringLiteral("Folder already exists: ")
                    : QStringLiteral("File already exists: ")) +
                relative,
            LogLevel::Error);
        return;
    }
    if (folder) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(target.toStdString()), error);
        if (error) {
            log(QStringLiteral("Failed to create folder: ") +
                    QString::fromLocal8Bit(error.message().c_str()),
                LogLevel::Error);
            return;
        }
        log(QStringLiteral("Created folder ") + relative, LogLevel::Success);
    } else {
        // A failed creation is reported, not logged as created.
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            log(QStringLiteral("Failed to create file: ") + file.errorString(), LogLevel::Error);
            return;
        }
        file.close();
        log(QStringLiteral("Created file ") + relative, LogLevel::Success);
    }
    refresh();
}

void RepositoryState::openFile(const FileChange& file) const {
    DesktopApps::openWithDefault(absolutePath(file.path));
}

void RepositoryState::openFileWith(const FileChange& file, const QString& appId) const {
    DesktopApps::openWith(absolutePath(file.path), appId);
}

std::optional<DesktopApp> RepositoryState::defaultApplicationForFile(const FileChange& file) const {
    return DesktopApps::defaultApplicationFor(absolutePath(file.path));
}

QList<DesktopApp> RepositoryState::applicationsForFile(const FileChange& file) const {
    const QString path = absolutePath(file.path);
    return DesktopApps::sortedWithoutDefault(DesktopApps::applicationsFor(path),
                                             DesktopApps::defaultApplicationFor(path));
}

void RepositoryState::openFileWithChooser(const FileChange& file) {
    if (!m_applicationChooser)
        return;
    const QString path = absolutePath(file.path);
    m_applicationChooser([path](const DesktopApp& app) { DesktopApps::openWith(path, app.id); });
}

void RepositoryState::revealInFinder(const FileChange& file) const {
    FileManagerHelper::revealItems({absolutePath(file.path)});
}

void RepositoryState::revealSelectedInFinder() const {
    QStringList paths;
    for (const FileChange& file : selectedFilesList())
        paths.append(absolutePath(file.path));
    if (!paths.isEmpty())
        FileManagerHelper::revealItems(paths);
}

} // namespace tolvane
