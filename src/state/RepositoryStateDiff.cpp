#include "state/RepositoryState.h"

#include "engine/gitText.h"
#include "engine/pathNames.h"
#include "platform/FileSizeFormatter.h"
#include "state/diffDisplay.h"

#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace tolvane {
namespace {

QString plural(qsizetype count, const QString& noun) {
    return QString::number(count) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

// Everything but the git calls; never fails.
QCoro::Task<DiffDisplay> computeDiff(GitService git, FileChange file) {
    if (const auto notice = skippedDiffNotice(file.path))
        co_return DiffDisplay{*notice, std::nullopt};

    // Size from metadata only, before any process is started.
    const QFileInfo info(QDir(git.repoPath()).filePath(file.path));
    if (info.exists() && info.isFile() && info.size() > maxDiffFileBytes) {
        co_return DiffDisplay{QStringLiteral("File too large to diff (") +
                                  formatFileSize(quint64(info.size())) + QLatin1Char(')'),
                              std::nullopt};
    }

    if (file.status == ChangeStatus::Untracked) {
        QString content;
        try {
            content = co_await git.readFileContent(file.path);
        } catch (const GitError&) {
        }
        if (content.isEmpty())
            co_return DiffDisplay{QStringLiteral("Empty file or unable to read"), std::nullopt};
        const QString path = file.path;
        // g++ 12 mishandles temporaries built inside a co_await expression: name them first.
        auto build = [path, content] { return untrackedFileDisplay(path, content); };
        QFuture<QString> future = QtConcurrent::run(std::move(build));
        const QString text = co_await future;
        co_return DiffDisplay{text, std::nullopt};
    }

    bool binary = false;
    try {
        binary = co_await git.isBinaryFile(file.path);
    } catch (const GitError&) {
    }
    if (binary)
        co_return DiffDisplay{QStringLiteral("Binary file"), std::nullopt};

    QString diff;
    try {
        diff = co_await git.diff(file.path, file.oldPath, file.isStaged);
    } catch (const GitError&) {
        co_return DiffDisplay{QStringLiteral("No changes to display"), std::nullopt};
    }
    // git's combined diff of a conflicted file ("@@@") is read, never staged hunk by hunk.
    if (file.status == ChangeStatus::Conflict)
        co_return DiffDisplay{commitDiffDisplay(diff), std::nullopt};
    // Counting characters and parsing a large diff stays off the interface thread.
    auto display = [diff] { return trackedDiffDisplay(diff); };
    QFuture<DiffDisplay> future = QtConcurrent::run(std::move(display));
    const DiffDisplay result = co_await future;
    co_return result;
}

} // namespace

QCoro::Task<> RepositoryState::loadDiff(FileChange file, bool updateSelection) {
    QPointer<RepositoryState> self(this);
    setSelectedFile(file);
    setFileListFocused(true);
    if (updateSelection)
        setSelectedFiles({file.id()});
    setSelectedCommit(std::nullopt);
    noteMissingContents(std::nullopt, {}, {});
    setIsLoadingDiff(true);
    setDiffText(QString());
    setParsedDiff(std::nullopt);
    setShowHunkView(false);
    const quint64 generation = ++m_diffGeneration;
    // A conflicted file also opens in the conflict view, which reads it on its own.
    if (file.status == ChangeStatus::Conflict)
        loadConflict(file.path);
    else
        closeConflict();

    const DiffDisplay display = co_await computeDiff(activeGit(), file);
    if (!self || m_diffGeneration != generation)
        co_return;
    setDiffText(display.text);
    setParsedDiff(display.parsed);
    setShowHunkView(display.parsed.has_value());
    setIsLoadingDiff(false);
}

QCoro::Task<> RepositoryState::reloadShownDiff() {
    // Only a working-tree diff can go stale behind the user's back; a commit's cannot.
    if (!m_selectedFile || m_selectedCommit || m_isLoadingDiff)
        co_return;
    const FileChange shown = *m_selectedFile;
    const auto current = std::find_if(m_changes.cbegin(), m_changes.cend(),
                                      [&](const FileChange& c) { return c.id() == shown.id(); });
    if (current == m_changes.cend()) {
        if (shown.status != ChangeStatus::Unmodified)
            clearShownFile(shown);
        co_return;
    }
    QPointer<RepositoryState> self(this);
    const FileChange file = *current;
    const quint64 generation = m_diffGeneration;
    const DiffDisplay display = co_await computeDiff(activeGit(), file);
    // A selection made meanwhile wins.
    if (!self || m_diffGeneration != generation)
        co_return;
    // Setters publish only real changes, so an unchanged diff keeps the user's line selection.
    setSelectedFile(file);
    setDiffText(display.text);
    setParsedDiff(display.parsed);
    setShowHunkView(display.parsed.has_value());
}

namespace {

// Whether any ref the user can see (HEAD, a branch, a remote branch, a tag, the stash) still
// leads to the commit; our own saves do not count.
QCoro::Task<bool> reachableFromRefs(GitService git, QString id) {
    const bool onHead = co_await git.isAncestorOfHead(id);
    if (onHead)
        co_return true;
    const QStringList args{QStringLiteral("for-each-ref"), QStringLiteral("--format=%(refname)"),
                           QStringLiteral("--contains=") + id};
    QString refs;
    try {
        refs = co_await git.run(args);
    } catch (const GitError&) {
        // An object that is no longer there.
        co_return false;
    }
    const QStringList names = refs.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    co_return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
        return !name.startsWith(QStringLiteral("refs/tolvane/"));
    });
}

} // namespace

QCoro::Task<> RepositoryState::clearVanishedCommit() {
    if (!m_selectedCommit)
        co_return;
    const GitCommit shown = *m_selectedCommit;
    bool gone = false;
    if (m_selectedStash) {
        const QString hash = m_selectedStash->hash;
        gone = std::none_of(m_stashes.cbegin(), m_stashes.cend(),
                            [&](const StashEntry& stash) { return stash.hash == hash; });
    } else if (m_selectedDiscardedChange) {
        const QString ref = m_selectedDiscardedChange->ref;
        gone = std::none_of(m_discardedChanges.cbegin(), m_discardedChanges.cend(),
                            [&](const DiscardedChange& save) { return save.ref == ref; });
    } else if (std::none_of(m_commits.cbegin(), m_commits.cend(),
                            [&](const GitCommit& c) { return c.id == shown.id; })) {
        // Not listed (another branch, a page not loaded, a search): only git can say.
        QPointer<RepositoryState> self(this);
        const quint64 generation = m_commitDiffGeneration;
        const bool reachable = co_await reachableFromRefs(m_git, shown.id);
        // Something else shown meanwhile is not ours to clear.
        if (!self || m_commitDiffGeneration != generation || m_selectedCommit != shown)
            co_return;
        gone = !reachable;
    }
    if (!gone)
        co_return;
    ++m_commitDiffGeneration;
    setSelectedStash(std::nullopt);
    setSelectedDiscardedChange(std::nullopt);
    setSelectedCommit(std::nullopt);
    QSet<QString> selection = m_selectedCommits;
    selection.remove(shown.id);
    setSelectedCommits(selection);
    if (m_commitSelectionAnchor && m_commitSelectionAnchor->id == shown.id)
        m_commitSelectionAnchor.reset();
    setDiffText(QString());
    setCommitFiles({});
}

void RepositoryState::clearShownFile(const FileChange& shown) {
    ++m_diffGeneration;
    setDiffText(QString());
    setParsedDiff(std::nullopt);
    setShowHunkView(false);
    QSet<QString> selection = m_selectedFiles;
    selection.remove(shown.id());
    setSelectedFiles(selection);
    setSelectedFile(std::nullopt);
}

// Before a hunk or its lines are applied: the shown hunks must still be in the file's diff as it
// is now, or the action would stage (or discard) a change that no longer exists.
QCoro::Task<bool> RepositoryState::hunksStillCurrent(QList<DiffHunk> hunks, QString action) {
    if (!m_selectedFile)
        co_return false;
    QPointer<RepositoryState> self(this);
    const FileChange file = *m_selectedFile;
    const GitService git = activeGit();
    QString diff;
    try {
        diff = co_await git.diff(file.path, file.oldPath, file.isStaged);
    } catch (const GitError& error) {
        if (self)
            log(action + QStringLiteral(": ") + error.message(), LogLevel::Error);
        co_return false;
    }
    if (!self)
        co_return false;
    // g++ 12 mishandles temporaries built inside a co_await expression: name them first.
    auto parse = [diff] { return DiffParser::parse(diff); };
    QFuture<ParsedFileDiff> parsing = QtConcurrent::run(std::move(parse));
    const ParsedFileDiff fresh = co_await parsing;
    if (!self)
        co_return false;
    // Line numbers may move when another hunk was staged; the lines themselves must not.
    const auto sameBody = [](const DiffHunk& a, const DiffHunk& b) {
        return a.lines.size() == b.lines.size() &&
               std::equal(a.lines.cbegin() + 1, a.lines.cend(), b.lines.cbegin() + 1);
    };
    const bool current =
        m_parsedDiff && fresh.headerLines == m_parsedDiff->headerLines &&
        std::all_of(hunks.cbegin(), hunks.cend(), [&](const DiffHunk& hunk) {
            return std::any_of(fresh.hunks.cbegin(), fresh.hunks.cend(),
                               [&](const DiffHunk& now) { return sameBody(hunk, now); });
        });
    if (current)
        co_return true;
    log(action + QStringLiteral(": ") + displayText(file.path) +
            QStringLiteral(" changed since its diff was shown; the diff was reloaded and nothing "
                           "was applied"),
        LogLevel::Error);
    co_await refresh();
    co_return false;
}

QCoro::Task<> RepositoryState::loadCommitDiff(GitCommit commit, bool updateCommitSelection) {
    QPointer<RepositoryState> self(this);
    setSelectedCommit(commit);
    if (updateCommitSelection) {
        setSelectedCommits({commit.id});
        m_commitSelectionAnchor = commit;
    }
    setSelectedFile(std::nullopt);
    setSelectedFiles({});
    setFileListFocused(false);
    setParsedDiff(std::nullopt);
    setShowHunkView(false);
    setCommitFiles({});
    noteMissingContents(std::nullopt, {}, {});
    // A slower answer for an earlier commit must not overwrite the one selected later.
    const quint64 generation = ++m_commitDiffGeneration;

    // Both queries start at once and run side by side.
    auto diffTask = shownCommitDiff(commit.id);
    auto filesTask = m_git.filesForCommit(commit.id);
    LimitedOutput read;
    std::optional<GitError> diffFailure;
    try {
        read = co_await std::move(diffTask);
    } catch (const GitError& error) {
        diffFailure = error;
        read = {QStringLiteral("No diff available"), true};
    }
    // A huge commit is cut like a huge file diff, off the interface thread.
    auto cut = [read] { return commitDiffDisplay(read); };
    QFuture<QString> cutting = QtConcurrent::run(std::move(cut));
    QString diff = co_await cutting;
    QList<CommitFileEntry> files;
    try {
        files = co_await std::move(filesTask);
    } catch (const GitError&) {
    }
    if (!self || m_commitDiffGeneration != generation)
        co_return;
    // The statistics need every changed file's contents on both sides, so they fetch them all.
    const QStringList download{QStringLiteral("show"),           QStringLiteral("--numstat"),
                               QStringLiteral("--format="),      QStringLiteral("-m"),
                               QStringLiteral("--first-parent"), commit.id};
    if (noteMissingContents(diffFailure, download,
                            [this, commit] { return loadCommitDiff(commit, false); }))
        diff = QStringLiteral("File contents not downloaded yet");
    setDiffText(diff);
    setCommitFiles(files);
}

void RepositoryState::buildLineInfoCache() {
    m_lineInfoByHunkID.clear();
    setLineSelectionsByHunkID({});
    if (!m_parsedDiff)
        return;
    for (const DiffHunk& hunk : m_parsedDiff->hunks)
        m_lineInfoByHunkID.insert(hunk.id, DiffParser::buildLineInfos(hunk));
}

void RepositoryState::toggleLineSelection(const QUuid& lineId, int hunkId) {
    QHash<int, QSet<QUuid>> selections = m_lineSelectionsByHunkID;
    QSet<QUuid>& set = selections[hunkId];
    if (!set.remove(lineId))
        set.insert(lineId);
    setLineSelectionsByHunkID(selections);
}

void RepositoryState::selectLineRange(int hunkId, int fromLine, int toLine, bool select,
                                      std::optional<QSet<QUuid>> base) {
    const auto it = m_lineInfoByHunkID.constFind(hunkId);
    if (it == m_lineInfoByHunkID.cend())
        return;
    const int first = std::min(fromLine, toLine);
    const int last = std::max(fromLine, toLine);
    QHash<int, QSet<QUuid>> selections = m_lineSelectionsByHunkID;
    QSet<QUuid> set = base ? *base : selections.value(hunkId);
    for (const DiffLineInfo& info : *it) {
        if (info.lineIndex < first || info.lineIndex > last)
            continue;
        if (select)
            set.insert(info.id);
        else
            set.remove(info.id);
    }
    selections.insert(hunkId, set);
    setLineSelectionsByHunkID(selections);
}

void RepositoryState::selectAllLinesInHunk(int hunkId) {
    const auto it = m_lineInfoByHunkID.constFind(hunkId);
    if (it == m_lineInfoByHunkID.cend())
        return;
    QSet<QUuid> all;
    for (const DiffLineInfo& info : *it)
        all.insert(info.id);
    QHash<int, QSet<QUuid>> selections = m_lineSelectionsByHunkID;
    selections.insert(hunkId, all);
    setLineSelectionsByHunkID(selections);
}

void RepositoryState::clearLineSelection(int hunkId) {
    QHash<int, QSet<QUuid>> selections = m_lineSelectionsByHunkID;
    selections.insert(hunkId, {});
    setLineSelectionsByHunkID(selections);
}

QCoro::Task<> RepositoryState::stageHunks(QList<DiffHunk> hunks) {
    co_await applyHunks(std::move(hunks), false);
}

QCoro::Task<> RepositoryState::unstageHunks(QList<DiffHunk> hunks) {
    co_await applyHunks(std::move(hunks), true);
}

QCoro::Task<> RepositoryState::applyHunks(QList<DiffHunk> hunks, bool unstage) {
    if (!m_parsedDiff || hunks.isEmpty())
        co_return;
    QPointer<RepositoryState> self(this);
    const QString patch = DiffParser::buildPatch(
        *m_parsedDiff, hunks, unstage ? PatchDirection::Reverse : PatchDirection::Forward);
    const QString action = unstage ? QStringLiteral("Failed to unstage hunks")
                                   : QStringLiteral("Failed to stage hunks");
    const bool current = co_await hunksStillCurrent(hunks, action);
    if (!self || !current)
        co_return;
    const QString what = QStringLiteral("hunks");
    const bool applied = co_await applyToIndex(patch, unstage, what);
    if (!self || !applied)
        co_return;
    log((unstage ? QStringLiteral("Unstaged ") : QStringLiteral("Staged ")) +
            plural(hunks.size(), QStringLiteral("hunk")),
        LogLevel::Success);
    co_await refresh();
    if (self)
        co_await reselectAfterPatch(unstage);
}

// Applies a patch to the index (or in reverse when unstaging); a failure is logged as
// "Failed to stage <what>: " + git's message.
QCoro::Task<bool> RepositoryState::applyToIndex(QString patch, bool unstage, QString what) {
    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    try {
        if (unstage)
            co_await git.unapplyPatch(patch);
        else
            co_await git.applyPatch(patch);
    } catch (const GitError& error) {
        if (self) {
            log((unstage ? QStringLiteral("Failed to unstage ")
                         : QStringLiteral("Failed to stage ")) +
                    what + QStringLiteral(": ") + error.message(),
                LogLevel::Error);
        }
        co_return false;
    }
    co_return true;
}

void RepositoryState::askDiscardHunks(const QList<DiffHunk>& hunks) {
    setHunksToDiscard(hunks);
    setShowDiscardHunkConfirmation(true);
}

QCoro::Task<> RepositoryState::confirmDiscardHunks() {
    if (!m_parsedDiff || m_hunksToDiscard.isEmpty())
        co_return;
    QPointer<RepositoryState> self(this);
    const QList<DiffHunk> hunks = m_hunksToDiscard;
    setHunksToDiscard({});
    // Discarding applies the working-tree diff in reverse to the working tree.
    const QString patch = DiffParser::buildPatch(*m_parsedDiff, hunks, PatchDirection::Reverse);
    const QString action = QStringLiteral("Failed to discard hunk");
    const bool current = co_await hunksStillCurrent(hunks, action);
    if (!self || !current)
        co_return;
    // The file is saved as it is before the patch takes anything out of it.
    const QString path = m_selectedFile ? m_selectedFile->path : QString();
    const QString done =
        QStringLiteral("Discarded ") + plural(hunks.size(), QStringLiteral("hunk"));
    const QStringList paths{path};
    const QString description = done + QStringLiteral(" in ") + lastPathComponent(path);
    const std::optional<DiscardSave> save =
        co_await saveBeforeDiscarding(paths, description, patch);
    if (!self || !save)
        co_return;
    const QString undoName = QStringLiteral("Discard");
    UndoJournal::Ticket undo = co_await m_undoJournal->begin(undoName);
    if (!self)
        co_return;
    const std::optional<QString> failure = co_await failureOf(activeGit().discardPatch(patch));
    co_await UndoJournal::finish(std::move(undo));
    if (!self)
        co_return;
    if (failure) {
        log(QStringLiteral("Failed to discard hunk"), LogLevel::Error);
        co_await finishDiscardSave(*save);
        co_return;
    }
    log(done, LogLevel::Success);
    // Recording what the file became runs beside the refresh: the user waits for neither.
    QCoro::Task<> finishing = finishDiscardSave(*save);
    co_await refresh();
    co_await std::move(finishing);
    if (self)
        co_await reselectAfterPatch(false);
}

QCoro::Task<> RepositoryState::stageSelectedLines(DiffHunk hunk) {
    co_await applySelectedLines(std::move(hunk), false);
}

QCoro::Task<> RepositoryState::unstageSelectedLines(DiffHunk hunk) {
    co_await applySelectedLines(std::move(hunk), true);
}

QCoro::Task<> RepositoryState::applySelectedLines(DiffHunk hunk, bool unstage) {
    if (!m_parsedDiff)
        co_return;
    const auto infos = m_lineInfoByHunkID.constFind(hunk.id);
    const auto selection = m_lineSelectionsByHunkID.constFind(hunk.id);
    if (infos == m_lineInfoByHunkID.cend() || selection == m_lineSelectionsByHunkID.cend() ||
        selection->isEmpty())
        co_return;
    const QSet<QUuid> selected = *selection;
    // Unstaging applies the staged diff in reverse, so the reduced hunk must fit its new side.
    const auto partial = DiffParser::buildPartialHunk(
        hunk, selected, *infos, unstage ? PatchDirection::Reverse : PatchDirection::Forward);
    if (!partial) {
        log(unstage ? QStringLiteral("Selection cannot be unstaged as a patch — include the whole "
                                     "change at the end of the file")
                    : QStringLiteral("Selection cannot be staged as a patch — include the whole "
                                     "change at the end of the file"),
            LogLevel::Error);
        co_return;
    }
    QPointer<RepositoryState> self(this);
    const QList<DiffHunk> chosen{*partial};
    const QString patch = DiffParser::buildPatch(
        *m_parsedDiff, chosen, unstage ? PatchDirection::Reverse : PatchDirection::Forward);
    const QString action = unstage ? QStringLiteral("Failed to unstage lines")
                                   : QStringLiteral("Failed to stage lines");
    const QList<DiffHunk> shownHunks{hunk};
    const bool current = co_await hunksStillCurrent(shownHunks, action);
    if (!self || !current)
        co_return;
    const QString what = QStringLiteral("lines");
    const bool applied = co_await applyToIndex(patch, unstage, what);
    if (!self || !applied)
        co_return;
    log((unstage ? QStringLiteral("Unstaged ") : QStringLiteral("Staged ")) +
            plural(selected.size(), QStringLiteral("line")),
        LogLevel::Success);
    clearLineSelection(hunk.id);
    co_await refresh();
    if (self)
        co_await reselectAfterPatch(unstage);
}

QCoro::Task<> RepositoryState::reselectAfterPatch(bool stagedSide) {
    if (!m_selectedFile)
        co_return;
    const FileChange previous = *m_selectedFile;
    for (const FileChange& change : m_changes) {
        if (change.path == previous.path && change.isStaged == stagedSide) {
            co_await loadDiff(change, true);
            co_return;
        }
    }
    // That side has no changes left.
    clearShownFile(previous);
}

} // namespace tolvane
