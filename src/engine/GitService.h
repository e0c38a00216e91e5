#pragma once

#include "engine/CommitFileEntry.h"
#include "engine/FileChange.h"
#include "engine/GitBlameLine.h"
#include "engine/GitBranch.h"
#include "engine/GitCancellation.h"
#include "engine/GitCommit.h"
#include "engine/GitError.h"
#include "engine/GitWorktree.h"
#include "engine/LimitedOutput.h"
#include "engine/StashEntry.h"
#include "engine/transferProgress.h"

#include <QCoroFuture>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>
#include <optional>
#include <type_traits>
#include <variant>

class QThreadPool;

namespace tolvane {

// Options placed before the caller's arguments and the complete environment of one git child.
struct ProcessConfiguration {
    QStringList arguments;
    QProcessEnvironment environment;
};

// Extra variables for one child only, on top of the configured environment (for example a fixed
// locale for commands whose output is matched as text).
using ExtraEnvironment = QHash<QString, QString>;

// Runs git in one working directory. Holds nothing but the path: every call makes its own process,
// which runs and is read on a worker thread while the caller awaits the result.
class GitService {
public:
    explicit GitService(QString repoPath) : m_repoPath(std::move(repoPath)) {}

    const QString& repoPath() const { return m_repoPath; }

    // Standard output with line breaks trimmed from both ends, for messages and single values;
    // throws GitError when git fails, cannot start or is cancelled. Output that is not valid
    // UTF-8 keeps its bytes as escaped surrogates (engine/gitText.h), and arguments holding such
    // escapes reach git as their original bytes.
    QCoro::Task<QString> run(QStringList arguments, bool network = false,
                             ExtraEnvironment extraEnvironment = {}) const;
    // Like run, but standard output byte for byte: for text that becomes a patch again.
    QCoro::Task<QString> runExact(QStringList arguments) const;

    // Like run, but stops reading, and ends git, once it has printed more than `maxBytes` (a
    // cut text is not trimmed): memory stays flat however much a diff holds.
    QCoro::Task<LimitedOutput> runLimited(QStringList arguments, qint64 maxBytes) const;
    // Like runExact, but also hands the output to `parse` on the worker, so that large outputs
    // never get parsed on the interface thread.
    template <typename Parser>
    auto runParsed(QStringList arguments, Parser parse, bool network = false) const
        -> QCoro::Task<std::invoke_result_t<Parser, const QString&>>;
    // Like runParsed, but `parse` gets git's bytes undecoded: for parsers that decode only the
    // fields they keep (engine/gitText.h), which is far faster on large outputs.
    template <typename Parser>
    auto runParsedBytes(QStringList arguments, Parser parse) const
        -> QCoro::Task<std::invoke_result_t<Parser, const QByteArray&>>;

    // Runs git in `path` with all output discarded; only success or the exit-code text.
    static QCoro::Task<> runStatic(QStringList arguments, QString path, bool network,
                                   std::optional<GitCancellation> cancellation = std::nullopt);

    // A network command's questions (passwords, passphrases, host keys) go to whoever opened
    // `promptSession` on the prompt channel.
    static ProcessConfiguration processConfiguration(bool network,
                                                     const QString& promptSession = {});

    // A copy whose commands end, with everything they started, once `cancellation` is raised.
    GitService withCancellation(GitCancellation cancellation) const;
    // A copy whose network commands ask their questions in `session` (engine/PromptChannel.h).
    GitService withPromptSession(QString session) const;

    // Everything one run needs, copied to the worker.
    struct RunRequest {
        QString repoPath;
        QStringList arguments;
        bool network = false;
        ExtraEnvironment extraEnvironment;
        bool exactOutput = false;
        std::optional<GitCancellation> cancellation;
        QString promptSession;
        // Standard output is read up to this many bytes, then git is stopped; none when negative.
        qint64 outputLimit = -1;
    };
    // Standard output as git wrote it, and whether all of it was read.
    struct LimitedBytes {
        QByteArray bytes;
        bool complete = true;
    };

    // The blocking core of run; call it only on a worker thread.
    static std::variant<QString, GitError> runBlocking(const RunRequest& request);
    // The same with standard output as git wrote it, not decoded.
    static std::variant<QByteArray, GitError> runBlockingBytes(const RunRequest& request);
    // The same, reading no more than the request's output limit.
    static std::variant<LimitedBytes, GitError> runBlockingLimited(const RunRequest& request);
    static std::optional<GitError>
    runStaticBlocking(const QStringList& arguments, const QString& path, bool network,
                      std::optional<GitCancellation> cancellation = std::nullopt);

    // Read queries. "Throws" means the runner's GitError is passed on unchanged.

    // The working tree's root folder; never fails (nothing on any error or empty output).
    QCoro::Task<std::optional<QString>> topLevel() const;
    // The newest `limit` commits of HEAD, or of every ref with allBranches; throws.
    QCoro::Task<QList<GitCommit>> log(int limit, bool allBranches = false) const;
    // Local branches, then remote-tracking ones without the remotes' HEAD entries; throws.
    QCoro::Task<QList<GitBranch>> branches() const;
    // Staged and unstaged entries of every changed, untracked or conflicted path; throws.
    QCoro::Task<QList<FileChange>> status() const;
    // Every tracked path, unquoted, with its exact bytes; throws.
    QCoro::Task<QStringList> trackedFiles() const;
    // Tag names, newest first; throws.
    QCoro::Task<QStringList> tags() const;
    // Stash entries, newest first; throws.
    QCoro::Task<QList<StashEntry>> stashList() const;
    // The main working tree first, then the linked ones; throws.
    QCoro::Task<QList<GitWorktree>> worktreeList() const;
    // Whether `name` has an upstream configured; never fails (false).
    QCoro::Task<bool> branchHasUpstream(QString name) const;
    // Whether `hash` is HEAD or one of its ancestors; never fails (false).
    QCoro::Task<bool> isAncestorOfHead(QString hash) const;
    // Undoes git's C-style path quoting (quotes already removed); never fails, pure.
    static QString unescapeGitPath(const QString& text);

    // Diff, blame and file queries.

    // Raw unified diff of one path against the index (staged) or of the working tree against
    // the index; oldPath, when given, goes after "--" before path; throws.
    QCoro::Task<QString> diff(QString path, std::optional<QString> oldPath, bool staged) const;
    // Whether git counts the path's unstaged change as binary; never fails (false).
    QCoro::Task<bool> isBinaryFile(QString path) const;
    // Header, statistics and patch of one commit (a merge against its first parent), read up to
    // `maxBytes` (all of it when negative); throws.
    QCoro::Task<LimitedOutput> diffForCommit(QString hash, qint64 maxBytes = -1) const;
    // Files changed by one commit (a merge against its first parent); throws.
    QCoro::Task<QList<CommitFileEntry>> filesForCommit(QString hash) const;
    // The commit that last changed each line of a tracked file; throws.
    QCoro::Task<QList<GitBlameLine>> blame(QString path) const;
    // A working-tree file's text, read on a worker; never fails (empty when unreadable, not a
    // regular file, larger than 5,000,000 bytes or not UTF-8).
    QCoro::Task<QString> readFileContent(QString path) const;

    // Mutating commands. Unless noted, each throws the runner's GitError.

    // Resets the path (and a rename's old path) in the index to HEAD; throws.
    QCoro::Task<> unstage(QString path, std::optional<QString> oldPath = std::nullopt) const;
    // Commits the index (or, with amend, replaces the last commit by one with the index and this
    // message); first writes the no-reply address into the repository's configuration when the
    // settings ask for it, and makes no commit if that fails; throws.
    QCoro::Task<> commit(QString message, bool amend = false) const;
    // Same as commit; throws.
    QCoro::Task<> commitWithMessage(QString message) const;
    // Removes the last commit keeping its changes staged and returns its trimmed message; throws
    // (nothing is undone when the message cannot be read).
    QCoro::Task<QString> popCommit() const;
    // Deletes the remote-tracking branch `name` ("fork/alice/topic") on the remote it came from,
    // only while that remote still has it where we last saw it (engine/remoteBranchDeletion.h),
    // with credentials lent and no time limit; throws.
    QCoro::Task<> deleteRemoteBranch(QString name) const;
    // Creates `localName` at the remote-tracking branch and checks it out; throws.
    QCoro::Task<> checkoutRemote(QString remoteBranch, QString localName) const;
    // Merges with --no-ff (and --no-commit when asked); returns git's output; throws.
    QCoro::Task<QString> merge(QString branch, bool noCommit) const;
    // Like run, in English, for a command that may make a commit: when git fails because one of
    // its hooks did, the error names that hook (GitError::hook). Git signs as its configuration
    // says; nothing here adds or removes a signature.
    QCoro::Task<QString> runCommitting(QStringList arguments,
                                       ExtraEnvironment extraEnvironment = {}) const;
    // An annotated tag when message is non-empty, else a lightweight one, at commit or HEAD;
    // throws.
    QCoro::Task<> createTag(QString name, std::optional<QString> message = std::nullopt,
                            std::optional<QString> commit = std::nullopt) const;
    // Adds a worktree on a new branch (preferred), an existing branch, or HEAD; throws.
    QCoro::Task<> worktreeAdd(QString path, std::optional<QString> branch = std::nullopt,
                              std::optional<QString> newBranch = std::nullopt) const;
    // Removes a linked worktree; throws.
    QCoro::Task<> worktreeRemove(QString path, bool force) const;
    // Drops a user name or token from an https GitHub origin URL; true only when it rewrote the
    // URL; never fails (false).
    QCoro::Task<bool> stripCredentialsFromOriginURL() const;
    // Stage, unstage or discard a patch through a temporary file that is always removed; throws
    // GitError of kind Other without running git when the file cannot be written.
    QCoro::Task<> applyPatch(QString patch) const;
    QCoro::Task<> unapplyPatch(QString patch) const;
    QCoro::Task<> discardPatch(QString patch) const;
    // Appends the pattern as its own line unless some line already equals it; throws GitError
    // of kind Other when .gitignore cannot be written.
    QCoro::Task<> addToGitignore(QString pattern) const;
    // `git remote add` in `path`; throws with only the exit-code text.
    static QCoro::Task<> addRemote(QString name, QString url, QString path);
    // Clones into `path` (run in its parent, credentials lent); throws with only the exit-code
    // text.
    static QCoro::Task<> cloneRepo(QString url, QString path);
    // Runs a long network command in `path` (a clone), asking its questions in `promptSession`
    // and handing each progress line git prints to `progress`, on the worker, as it arrives.
    // Throws GitError whose message is what git printed that is not progress.
    static QCoro::Task<> runWithProgress(QStringList arguments, QString path,
                                         GitCancellation cancellation, QString promptSession,
                                         std::function<void(const TransferProgress&)> progress);

    // Stops every git command still running and waits for all workers; called once, when the
    // program ends, before the objects that await them are destroyed. Later runs fail at once.
    static void shutDown();

    // The workers git runs on. Separate from the global pool so that long network commands never
    // starve parsing or other work.
    static QThreadPool* threadPool();

private:
    RunRequest request(QStringList arguments, bool network, ExtraEnvironment extraEnvironment,
                       bool exactOutput) const;
    static QCoro::Task<QString> runRequest(RunRequest request);
    QCoro::Task<> runPatch(QString patch, QStringList applyArguments) const;

    template <typename T> struct Outcome {
        std::optional<T> value;
        std::optional<GitError> error;
    };

    QString m_repoPath;
    std::optional<GitCancellation> m_cancellation;
    QString m_promptSession;
};

template <typename Parser>
auto GitService::runParsed(QStringList arguments, Parser parse, bool network) const
    -> QCoro::Task<std::invoke_result_t<Parser, const QString&>> {
    using Result = std::invoke_result_t<Parser, const QString&>;
    auto work = [call = request(std::move(arguments), network, {}, true),
                 parse = std::move(parse)]() -> Outcome<Result> {
        auto raw = runBlocking(call);
        if (auto* error = std::get_if<GitError>(&raw))
            return Outcome<Result>{std::nullopt, std::move(*error)};
        return Outcome<Result>{parse(std::get<QString>(raw)), std::nullopt};
    };
    Outcome<Result> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

template <typename Parser>
auto GitService::runParsedBytes(QStringList arguments, Parser parse) const
    -> QCoro::Task<std::invoke_result_t<Parser, const QByteArray&>> {
    using Result = std::invoke_result_t<Parser, const QByteArray&>;
    auto work = [call = request(std::move(arguments), false, {}, true),
                 parse = std::move(parse)]() -> Outcome<Result> {
        auto raw = runBlockingBytes(call);
        if (auto* error = std::get_if<GitError>(&raw))
            return Outcome<Result>{std::nullopt, std::move(*error)};
        return Outcome<Result>{parse(std::get<QByteArray>(raw)), std::nullopt};
    };
    Outcome<Result> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

} // namespace tolvane
