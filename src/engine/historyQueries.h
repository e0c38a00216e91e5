#pragma once

#include "engine/GitBlameLine.h"
#include "engine/GitCommit.h"
#include "engine/GitService.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvane {

// Queries behind finding in the history, one file's history and walking blame back. Free
// functions over a GitService so that the runner's class stays the one described by its header.

// Whether `text` may be an abbreviated commit hash: 4 to 40 hexadecimal digits.
[[nodiscard]] bool looksLikeHashPrefix(const QString& text);

// Which commits a search lists.
enum class HistoryMatch { Message, Author };

// The log arguments listing the newest `limit` commits whose message (subject or body) or whose
// author name or e-mail contains `text`, ignoring case, with every character taken literally.
// Each record carries the committer time as a ninth field, for merging the two kinds of match.
[[nodiscard]] QStringList historySearchArguments(const QString& text, HistoryMatch match, int limit,
                                                 bool allBranches,
                                                 const QStringList& alsoRefs = {});

// The newest `limit` commits that match `text` by message or by author, newest first (by
// committer time). `complete` is false when more may match. Throws the runner's GitError.
struct HistorySearchPage {
    QList<GitCommit> commits;
    bool complete = true;
};
// Without all branches, `alsoRefs` (full ref names) are searched besides HEAD, as the history
// lists them.
QCoro::Task<HistorySearchPage> searchHistory(GitService git, QString text, int limit,
                                             bool allBranches, QStringList alsoRefs = {});

// The commit whose hash begins with `prefix`, or nothing (not a hash, no such commit, or more
// than one); never fails. Answers in one short git run, whatever the history's length.
QCoro::Task<std::optional<GitCommit>> findCommitByPrefix(GitService git, QString prefix);

// The full hash of the commit `revision` names, or nothing; never fails.
QCoro::Task<std::optional<QString>> resolveCommit(GitService git, QString revision);

// How many commits the history list shows above `hash` at most: those reachable from HEAD (and
// `alsoRefs`, full ref names, as the list shows them) or from any ref with allBranches, that are
// not its ancestors. Loading that many plus one page always lists it. Nothing when git fails.
QCoro::Task<std::optional<int>> commitsAbove(GitService git, QString hash, bool allBranches,
                                             QStringList alsoRefs = {});

// One commit of a file's history, with the file's path in that commit and, for a rename, its
// path before.
struct FileHistoryEntry {
    GitCommit commit;
    QString path;
    QString oldPath; // empty unless the commit renamed or copied the file

    friend bool operator==(const FileHistoryEntry&, const FileHistoryEntry&) = default;
};

// The log arguments of a file's history, following renames.
[[nodiscard]] QStringList fileHistoryArguments(const QString& path, int limit);
// Parses the output of fileHistoryArguments.
[[nodiscard]] QList<FileHistoryEntry> parseFileHistory(const QString& output);
// The same from git's own bytes, decoding only the commits and the names.
[[nodiscard]] QList<FileHistoryEntry> parseFileHistoryBytes(QByteArrayView output);
// The newest `limit` commits that changed `path`, following it across renames; throws.
QCoro::Task<QList<FileHistoryEntry>> fileHistory(GitService git, QString path, int limit);

// The patch one commit made to one file (to both names of a rename), read up to `maxBytes`
// (everything when negative); throws.
QCoro::Task<LimitedOutput> fileDiffForCommit(GitService git, QString hash, QStringList paths,
                                             qint64 maxBytes = -1);

// Where line `line` of a commit's version of a file stood in its parent's version, from the
// commit's zero-context diff of that file: shifted by the changes above it, and for a changed
// line the place of the lines it replaced. Pure.
[[nodiscard]] int lineBeforeChanges(const QString& zeroContextDiff, int line);
// The same, asking git for the diff between `parent` and `hash` of the file (both names of a
// rename); `line` unchanged when git fails.
QCoro::Task<int> lineInParent(GitService git, QString parent, QString hash, QStringList paths,
                              int line);

// The blame of `path` as it was in `revision`; throws.
QCoro::Task<QList<GitBlameLine>> blameAtRevision(GitService git, QString revision, QString path);

} // namespace tolvane
