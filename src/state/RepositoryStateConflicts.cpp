// Operations stopped on conflicts: what is in progress, taking a side, marking files resolved,
// the conflict view's block choices, and finishing or abandoning the operation.
#include "state/RepositoryState.h"

#include "state/HistoryEditor.h"

#include "engine/gitText.h"
#include "engine/pathNames.h"
#include "platform/regularFileRead.h"
#include "state/diffDisplay.h"

#include <QCoroFuture>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace tolvane {
namespace {

// What the conflict view reads from the working tree.
struct ConflictFileContent {
    bool readable = false;
    bool binary = false;
    QByteArray bytes;
};

ConflictFileContent readConflictFile(const QString& path) {
    // A regular file only, opened without waiting and read up to the bound.
    std::optional<QByteArray> bytes = readRegularFile(QFile::encodeName(path), maxDiffFileBytes);
    if (!bytes)
        return {};
    ConflictFileContent content{.readable = true, .bytes = std::move(*bytes)};
    // git's own test: a NUL byte in the first 8000 makes a file binary.
    content.binary = content.bytes.left(8000).contains('\0');
    return content;
}

QString plural(qsizetype count, const QString& noun) {
    return QString::number(count) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

bool commitsToFinish(OperationKind kind) {
    return kind == OperationKind::Merge || kind == OperationKind::CherryPick ||
           kind == OperationKind::Revert;
}

QString operationCommand(OperationKind kind) {
    switch (kind) {
    case OperationKind::Merge:
        return QStringLiteral("merge");
    case OperationKind::CherryPick:
        return QStringLiteral("cherry-pick");
    case OperationKind::Revert:
        return QStringLiteral("revert");
    case OperationKind::Rebase:
        return QStringLiteral("rebase");
    case OperationKind::Am:
        return QStringLiteral("am");
    case OperationKind::None:
        break;
    }
    return {};
}

// Runs git steps in order and stops at the first that fails.
QCoro::Task<StepOutcome> runInOrder(GitService git, QList<QStringList> steps) {
    StepOutcome outcome;
    for (const QStringList& step : steps) {
        outcome = co_await outcomeOf(git.run(step));
        if (outcome.failure)
            break;
    }
    co_return outcome;
}

QCoro::Task<StepOutcome> ready(StepOutcome outcome) {
    co_return outcome;
}

QStringList pathCommand(const QStringList& command, const QString& path) {
    return command + QStringList{QStringLiteral("--"), path};
}

} // namespace

QString RepositoryState::operationTitle() const {
    const RepositoryOperation& op = m_operation;
    switch (op.kind) {
    case OperationKind::None:
        return {};
    case OperationKind::Merge:
        return QStringLiteral("Merging ") + op.subject +
               (m_currentBranch.isEmpty() ? QString() : QStringLiteral(" into ") + m_currentBranch);
    case OperationKind::CherryPick:
        return QStringLiteral("Cherry-picking ") + op.subject;
    case OperationKind::Revert:
        return QStringLiteral("Reverting ") + op.subject;
    case OperationKind::Rebase: {
        QString title = QStringLiteral("Rebasing ") + op.subject;
        if (!op.commit.isEmpty())
            title += QStringLiteral(" onto ") + op.commit.left(7);
        if (op.steps > 0)
            title += QStringLiteral(" (%1 of %2)").arg(op.step).arg(op.steps);
        return title;
    }
    case OperationKind::Am:
        return op.steps > 0 ? QStringLiteral("Applying patch %1 of %2").arg(op.step).arg(op.steps)
                            : QStringLiteral("Applying patches");
    }
    return {};
}

QString RepositoryState::conflictSummary() const {
    return m_conflicts.isEmpty() ? QStringLiteral("No conflicts left")
                                 : plural(m_conflicts.size(), QStringLiteral("conflicted file"));
}

bool RepositoryState::canContinueOperation() const {
    return m_operation.kind != OperationKind::None && m_conflicts.isEmpty();
}

QString RepositoryState::continueOperationLabel() const {
    return m_operation.kind == OperationKind::Merge ? QStringLiteral("Commit Merge")
                                                    : QStringLiteral("Continue");
}

std::optional<UnmergedEntry> RepositoryState::conflictFor(const QString& path) const {
    const auto found = std::find_if(m_conflicts.cbegin(), m_conflicts.cend(),
                                    [&](const UnmergedEntry& e) { return e.path == path; });
    return found == m_conflicts.cend() ? std::nullopt : std::optional(*found);
}

QCoro::Task<> RepositoryState::refreshOperation(GitService git, bool anyConflict) {
    QPointer<RepositoryState> self(this);
    RepositoryOperation operation;
    try {
        operation = co_await readOperationState(git);
    } catch (const GitError&) {
    }
    QList<UnmergedEntry> conflicts;
    if (anyConflict) {
        try {
            const QStringList args{QStringLiteral("ls-files"), QStringLiteral("-u"),
                                   QStringLiteral("-z")};
            conflicts = co_await git.runParsed(args, &parseUnmergedEntries);
        } catch (const GitError&) {
        }
    }
    if (!self)
        co_return;
    const bool started =
        operation.kind != m_operation.kind || operation.commit != m_operation.commit;
    setOperation(operation);
    setConflicts(conflicts);
    if (m_conflictFile && !conflictFor(m_conflictFile->path))
        closeConflict();
    // git's prepared message goes into an empty commit box once, when the operation starts, so
    // that what the user types afterwards is never replaced.
    if (started && commitsToFinish(operation.kind) && m_commitMessage.trimmed().isEmpty()) {
        QString prepared;
        try {
            prepared = co_await readPreparedMessage(git);
        } catch (const GitError&) {
        }
        if (self && m_commitMessage.trimmed().isEmpty())
            setCommitMessage(stripCommentLines(prepared));
    }
}

void RepositoryState::askAbortOperation() {
    if (m_operation.kind != OperationKind::None)
        setShowAbortOperationConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmAbortOperation() {
    const RepositoryOperation operation = m_operation;
    if (operation.kind == OperationKind::None)
        co_return;
    const QString title = operationTitle();
    const QStringList args{operationCommand(operation.kind), QStringLiteral("--abort")};
    const bool clearMessage = commitsToFinish(operation.kind);
    const StepReport report{.failure = QStringLiteral("Abort failed: "),
                            .success = QStringLiteral("Aborted: ") + title,
                            .refreshAfterFailure = true,
                            .onSuccess = [this, clearMessage] {
                                if (clearMessage)
                                    setCommitMessage(QString());
                            }};
    co_await finishStep(outcomeOf(activeGit().run(args)), report);
}

QCoro::Task<> RepositoryState::continueOperation() {
    if (!canContinueOperation() || m_isCommitting)
        co_return;
    QPointer<RepositoryState> self(this);
    const bool merge = m_operation.kind == OperationKind::Merge;
    // A file marked resolved with its markers still in it would be committed with them.
    QStringList marked;
    std::optional<QString> failure;
    try {
        const GitService git = activeGit();
        marked = co_await stagedFilesWithConflictMarkers(git, merge);
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Could not check the staged files for conflict markers: ") + *failure,
            LogLevel::Error);
        co_return;
    }
    if (!marked.isEmpty()) {
        setFilesWithConflictMarkers(marked);
        setShowContinueWithMarkersConfirmation(true);
        co_return;
    }
    const QString undoName = continueOperationLabel();
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await commitOrContinueOperation();
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::confirmContinueOperation() {
    setShowContinueWithMarkersConfirmation(false);
    setFilesWithConflictMarkers({});
    if (!canContinueOperation() || m_isCommitting)
        co_return;
    QPointer<RepositoryState> self(this);
    const QString undoName = continueOperationLabel();
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    co_await commitOrContinueOperation();
    co_await UndoJournal::finish(std::move(undo));
}

QCoro::Task<> RepositoryState::commitOrContinueOperation() {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const RepositoryOperation operation = m_operation;
    const QString title = operationTitle();
    if (!commitsToFinish(operation.kind)) {
        // A rebase or am would open an editor for each message it asks about: keep git's, or
        // write the one a history edit planned.
        const QStringList args{operationCommand(operation.kind), QStringLiteral("--continue")};
        const ExtraEnvironment keepMessage = co_await HistoryEditor::continueEnvironment(git);
        if (!self)
            co_return;
        const StepReport report{.failure = QStringLiteral("Continue failed: "),
                                .success = QStringLiteral("Continued: ") + title};
        const StepOutcome outcome = co_await outcomeOf(git.run(args, false, keepMessage));
        if (!self)
            co_return;
        // The next commit of a rebase may conflict in turn: that is the next step, not a failure.
        bool stopped = false;
        if (outcome.failure)
            stopped = co_await reportStopOnConflicts(operation.kind == OperationKind::Rebase
                                                         ? QStringLiteral("Rebase")
                                                         : QStringLiteral("Applying patches"),
                                                     false);
        if (!stopped)
            co_await finishStep(finishedStep(outcome), report);
        co_return;
    }
    QString message = m_commitMessage.trimmed();
    if (message.isEmpty()) {
        QString prepared;
        try {
            prepared = co_await readPreparedMessage(git);
        } catch (const GitError&) {
        }
        if (!self)
            co_return;
        message = stripCommentLines(prepared);
    }
    if (message.isEmpty()) {
        log(QStringLiteral("Write a commit message to finish: ") + title, LogLevel::Error);
        co_return;
    }
    setIsCommitting(true);
    // A commit while git's state files are there finishes the operation: a merge gets both
    // parents, a pick or revert keeps the original author.
    const StepReport report{.failure = QStringLiteral("Commit failed: "),
                            .success = QStringLiteral("Committed: ") + title,
                            .refreshAfterFailure = true,
                            .onSuccess = [this] { setCommitMessage(QString()); }};
    co_await finishStep(outcomeOf(git.commit(message)), report);
    if (self)
        setIsCommitting(false);
}

QCoro::Task<std::pair<bool, std::optional<DiscardSave>>>
RepositoryState::saveConflictedFile(UnmergedEntry entry, QString description) {
    using Checked = std::pair<bool, std::optional<DiscardSave>>;
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QString location = absolutePath(entry.path);
    bool onlyGitText = false;
    std::optional<QString> failure;
    try {
        const int markerSize = co_await conflictMarkerSize(git, entry.path);
        onlyGitText = co_await conflictFileHoldsOnlyGitText(git, entry, location, markerSize);
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self)
        co_return Checked{false, std::nullopt};
    if (failure) {
        log(QStringLiteral("Nothing was replaced: ") + displayText(entry.path) +
                QStringLiteral(" could not be compared with what git left: ") + *failure,
            LogLevel::Error);
        co_return Checked{false, std::nullopt};
    }
    if (onlyGitText)
        co_return Checked{true, std::nullopt};
    const QStringList paths{entry.path};
    std::optional<DiscardSave> save = co_await saveBeforeDiscarding(paths, description);
    if (!self || !save)
        co_return Checked{false, std::nullopt};
    co_return Checked{true, save};
}

QCoro::Task<> RepositoryState::replaceConflictedFile(UnmergedEntry entry, QString description,
                                                     QList<QStringList> steps, StepReport report) {
    QPointer<RepositoryState> self(this);
    const auto [checked, save] = co_await saveConflictedFile(entry, description);
    if (!self || !checked)
        co_return;
    const GitService git = activeGit();
    const StepOutcome outcome = co_await runInOrder(git, steps);
    if (!self)
        co_return;
    if (save)
        co_await finishDiscardSave(*save);
    co_await finishStep(ready(outcome), report);
}

QCoro::Task<> RepositoryState::takeConflictSide(QString path, bool ours) {
    const std::optional<UnmergedEntry> entry = conflictFor(path);
    if (!entry)
        co_return;
    const QString side = ours ? QStringLiteral("our") : QStringLiteral("their");
    const bool exists = ours ? entry->hasOurs : entry->hasTheirs;
    QList<QStringList> steps;
    if (exists) {
        const QString which = ours ? QStringLiteral("--ours") : QStringLiteral("--theirs");
        steps = {pathCommand({QStringLiteral("checkout"), which}, path),
                 pathCommand({QStringLiteral("add")}, path)};
    } else {
        // That side deleted the file: taking it is deleting it.
        steps = {pathCommand({QStringLiteral("rm"), QStringLiteral("-q")}, path)};
    }
    const StepReport report{
        .failure = QStringLiteral("Could not take ") + side + QStringLiteral(" version of ") +
                   path + QStringLiteral(": "),
        .success = exists ? QStringLiteral("Took ") + side + QStringLiteral(" version of ") + path
                          : QStringLiteral("Deleted ") + path + QStringLiteral(", as ") + side +
                                QStringLiteral(" side did"),
        .refreshAfterFailure = true};
    const QString description =
        (exists ? QStringLiteral("Took ") + side + QStringLiteral(" version of ")
                : QStringLiteral("Deleted ")) +
        lastPathComponent(path);
    co_await replaceConflictedFile(*entry, description, steps, report);
}

QCoro::Task<> RepositoryState::markConflictResolved(QString path) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    const QString location = absolutePath(path);
    std::optional<QString> failure;
    bool marked = false;
    try {
        const int markerSize = co_await conflictMarkerSize(git, path);
        auto check = [location, markerSize] {
            return fileHasConflictMarkers(location, markerSize);
        };
        QFuture<bool> future = QtConcurrent::run(GitService::threadPool(), check);
        marked = co_await future;
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Could not mark ") + path + QStringLiteral(" resolved: ") + *failure,
            LogLevel::Error);
        co_return;
    }
    if (marked) {
        setConflictToMarkResolved(path);
        setShowMarkResolvedConfirmation(true);
        co_return;
    }
    co_await stageConflictResolved(path);
}

QCoro::Task<> RepositoryState::confirmMarkConflictResolved() {
    const QString path = m_conflictToMarkResolved;
    setShowMarkResolvedConfirmation(false);
    setConflictToMarkResolved(QString());
    if (!path.isEmpty())
        co_await stageConflictResolved(path);
}

QCoro::Task<> RepositoryState::stageConflictResolved(QString path) {
    // -A also records a file that is gone as deleted, which resolves a both-deleted path.
    const QList<QStringList> steps{
        pathCommand({QStringLiteral("add"), QStringLiteral("-A")}, path)};
    const StepReport report{
        .failure = QStringLiteral("Could not mark ") + path + QStringLiteral(" resolved: "),
        .success = QStringLiteral("Marked ") + path + QStringLiteral(" resolved"),
        .refreshAfterFailure = true};
    co_await finishStep(runInOrder(activeGit(), steps), report);
}

QCoro::Task<> RepositoryState::keepConflictedFile(QString path) {
    const std::optional<UnmergedEntry> entry = conflictFor(path);
    if (!entry)
        co_return;
    // The side that kept the file is the one to take.
    co_await takeConflictSide(path, entry->hasOurs);
}

QCoro::Task<> RepositoryState::deleteConflictedFile(QString path) {
    const std::optional<UnmergedEntry> entry = conflictFor(path);
    if (!entry)
        co_return;
    const QList<QStringList> steps{pathCommand({QStringLiteral("rm"), QStringLiteral("-q")}, path)};
    const StepReport report{.failure =
                                QStringLiteral("Could not delete ") + path + QStringLiteral(": "),
                            .success = QStringLiteral("Deleted ") + path,
                            .refreshAfterFailure = true};
    const QString description = QStringLiteral("Deleted ") + lastPathComponent(path);
    co_await replaceConflictedFile(*entry, description, steps, report);
}

QCoro::Task<> RepositoryState::openInMergeTool(QString path) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    // Without a configured tool git would guess one, perhaps a terminal editor that has no
    // terminal here.
    const QStringList guiArgs{QStringLiteral("config"), QStringLiteral("merge.guitool")};
    const QStringList toolArgs{QStringLiteral("config"), QStringLiteral("merge.tool")};
    const StepOutcome gui = co_await outcomeOf(git.run(guiArgs));
    const StepOutcome tool = co_await outcomeOf(git.run(toolArgs));
    if (!self)
        co_return;
    const bool hasGui = !gui.failure && !gui.output.isEmpty();
    if (!hasGui && (tool.failure || tool.output.isEmpty())) {
        log(QStringLiteral("No merge tool configured — set merge.tool in git's configuration"),
            LogLevel::Error);
        co_return;
    }
    log(QStringLiteral("Opened ") + path + QStringLiteral(" in ") +
            (hasGui ? gui.output : tool.output),
        LogLevel::Info);
    QStringList args{QStringLiteral("mergetool"), QStringLiteral("--no-prompt")};
    if (hasGui)
        args << QStringLiteral("--gui");
    args = pathCommand(args, path);
    // The tool stays open as long as the user works in it, so it has no time limit.
    const std::optional<QString> failure =
        co_await failureOf(GitService::runStatic(args, git.repoPath(), false));
    if (!self)
        co_return;
    if (failure)
        log(QStringLiteral("Merge tool failed for ") + path + QStringLiteral(": ") + *failure,
            LogLevel::Error);
    else
        log(QStringLiteral("Merge tool finished with ") + path, LogLevel::Success);
    co_await refresh();
}

QCoro::Task<> RepositoryState::loadConflict(QString path) {
    QPointer<RepositoryState> self(this);
    const quint64 generation = ++m_conflictGeneration;
    UnmergedEntry entry = conflictFor(path).value_or(UnmergedEntry{.path = path});
    entry.path = path;
    setConflictFile(entry);
    setConflictText(std::nullopt);
    setConflictChoices({});
    setConflictIsBinary(false);
    int markerSize = defaultConflictMarkerSize;
    try {
        const GitService git = activeGit();
        markerSize = co_await conflictMarkerSize(git, path);
    } catch (const GitError& error) {
        if (self && generation == m_conflictGeneration)
            log(QStringLiteral("Could not read the conflict marker size of ") + path +
                    QStringLiteral(", reading markers of 7: ") + error.message(),
                LogLevel::Error);
    }
    if (!self || generation != m_conflictGeneration)
        co_return;
    m_conflictMarkerSize = markerSize;
    const QString location = absolutePath(path);
    auto read = [location] { return readConflictFile(location); };
    QFuture<ConflictFileContent> future = QtConcurrent::run(GitService::threadPool(), read);
    const ConflictFileContent content = co_await future;
    if (!self || generation != m_conflictGeneration)
        co_return;
    m_conflictBytes = content.bytes;
    setConflictIsBinary(content.binary);
    if (!content.readable || content.binary)
        co_return;
    const ConflictText text = parseConflictText(decodeGitBytes(content.bytes), markerSize);
    setConflictChoices(QList<BlockChoice>(text.blocks.size(), BlockChoice::Undecided));
    setConflictText(text);
}

void RepositoryState::closeConflict() {
    ++m_conflictGeneration;
    m_conflictBytes.clear();
    setConflictFile(std::nullopt);
    setConflictText(std::nullopt);
    setConflictChoices({});
    setConflictIsBinary(false);
}

void RepositoryState::chooseConflictBlock(int index, BlockChoice choice) {
    if (index < 0 || index >= m_conflictChoices.size())
        return;
    QList<BlockChoice> choices = m_conflictChoices;
    choices[index] = choice;
    setConflictChoices(choices);
}

qsizetype RepositoryState::undecidedConflictBlocks() const {
    return std::count(m_conflictChoices.cbegin(), m_conflictChoices.cend(), BlockChoice::Undecided);
}

QCoro::Task<bool> RepositoryState::writeConflictResolution() {
    if (!m_conflictFile || !m_conflictText)
        co_return false;
    const QString path = m_conflictFile->path;
    const qsizetype undecided = undecidedConflictBlocks();
    const std::optional<QString> resolved = resolveConflictText(*m_conflictText, m_conflictChoices);
    if (!resolved) {
        log(QStringLiteral("Not written: ") + path + QStringLiteral(" still has ") +
                plural(undecided, QStringLiteral("undecided block")),
            LogLevel::Error);
        co_return false;
    }
    if (m_conflictText->blocks.isEmpty()) {
        log(QStringLiteral("Nothing to write: ") + path +
                QStringLiteral(" has no conflict blocks shown here"),
            LogLevel::Error);
        co_return false;
    }
    // A marker the view could not pair into a block stays in the text around the blocks.
    if (hasConflictMarkers(*resolved, m_conflictMarkerSize)) {
        log(QStringLiteral("Not written: ") + path +
                QStringLiteral(" would still contain conflict markers — edit them out by hand"),
            LogLevel::Error);
        co_return false;
    }
    QPointer<RepositoryState> self(this);
    const QString location = absolutePath(path);
    const QByteArray loaded = m_conflictBytes;
    const QByteArray bytes = encodeGitBytes(*resolved);
    // Written only over the very file that was shown: edits made elsewhere meanwhile are kept.
    auto write = [location, loaded, bytes]() -> std::optional<QString> {
        const std::optional<QByteArray> current =
            readRegularFile(QFile::encodeName(location), maxDiffFileBytes);
        if (current != loaded)
            return QStringLiteral("the file changed since it was shown");
        QSaveFile file(location);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return file.errorString();
        return std::nullopt;
    };
    QFuture<std::optional<QString>> future = QtConcurrent::run(GitService::threadPool(), write);
    const std::optional<QString> failure = co_await future;
    if (!self)
        co_return false;
    if (failure) {
        log(QStringLiteral("Could not write ") + path + QStringLiteral(": ") + *failure,
            LogLevel::Error);
        co_return false;
    }
    log(QStringLiteral("Wrote the chosen blocks into ") + path +
            QStringLiteral(" — mark it resolved when it is right"),
        LogLevel::Success);
    co_await loadConflict(path);
    co_return true;
}

} // namespace tolvane
