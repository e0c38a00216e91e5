// The read queries of GitService: fixed argument lists whose output is parsed on the worker.
#include "engine/GitService.h"

#include "engine/binaryNumstat.h"
#include "engine/blameParser.h"
#include "engine/branchParser.h"
#include "engine/commitFilesParser.h"
#include "engine/commitGraphFile.h"
#include "engine/commitOrder.h"
#include "engine/gitText.h"
#include "engine/lineSplitting.h"
#include "engine/logParser.h"
#include "engine/partialClone.h"
#include "engine/stashParser.h"
#include "engine/statusParser.h"
#include "engine/trackedFilesOutput.h"
#include "engine/worktreeParser.h"
#include "platform/regularFileRead.h"
#include "platform/strictUtf8.h"

#include <QDir>
#include <QFileInfo>

namespace tolvane {
namespace {

// A repository's configuration must not start programs (external diff, textconv) behind the
// user's back, nor colour what we parse.
const QStringList noExternalTools{QStringLiteral("--no-ext-diff"), QStringLiteral("--no-textconv"),
                                  QStringLiteral("--no-color")};

} // namespace

QCoro::Task<std::optional<QString>> GitService::topLevel() const {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--show-toplevel")};
    QString output;
    try {
        output = co_await run(args);
    } catch (const GitError&) {
        co_return std::nullopt;
    }
    if (output.isEmpty())
        co_return std::nullopt;
    co_return output;
}

QCoro::Task<QList<GitCommit>> GitService::log(int limit, bool allBranches) const {
    // The object may be gone by the time the first step returns; the copy is not.
    const GitService self = *this;
    // git's default order can list a parent above its child (equal timestamps, skewed clocks).
    // --date-order never does, and it keeps every page a prefix of the next, but git must first
    // walk the history down to the oldest starting point: all of it without a commit-graph, and
    // with one still all that lies above the oldest tag once every ref is a starting point. So
    // --date-order serves HEAD's history where git reads a commit-graph (never in a shallow
    // repository); otherwise the default order's page is put right on the worker.
    bool dateOrder = false;
    if (!allBranches) {
        auto check = [repo = m_repoPath] { return hasUsableCommitGraph(repo); };
        dateOrder = co_await QtConcurrent::run(threadPool(), std::move(check));
    }

    QStringList args{QStringLiteral("log"), logFormatArgument,
                     QStringLiteral("-") + QString::number(limit)};
    if (allBranches)
        args.append(allRefsArguments);
    if (dateOrder)
        args.append(QStringLiteral("--date-order"));
    auto parse = [](const QByteArray& output) {
        return orderParentsBelowChildren(parseLogBytes(output));
    };
    co_return co_await self.runParsedBytes(args, std::move(parse));
}

QCoro::Task<QList<GitBranch>> GitService::branches() const {
    // The object may be gone by the time the first command returns; the copy is not.
    const GitService self = *this;
    const QStringList localArgs{QStringLiteral("branch"),
                                QStringLiteral("--format=%(refname:short) %(HEAD)")};
    QList<GitBranch> branches = co_await self.runParsedBytes(localArgs, &parseLocalBranchesBytes);
    const QStringList remoteArgs{QStringLiteral("branch"), QStringLiteral("-r"),
                                 QStringLiteral("--format=%(refname:short)")};
    branches += co_await self.runParsedBytes(remoteArgs, &parseRemoteBranchesBytes);
    co_return branches;
}

QCoro::Task<QList<FileChange>> GitService::status() const {
    // NUL-terminated records carry every path unquoted, byte for byte.
    const QStringList args{QStringLiteral("status"), QStringLiteral("--porcelain"),
                           QStringLiteral("-z"), QStringLiteral("-uall")};
    co_return co_await runParsedBytes(args, &parseStatusBytes);
}

QCoro::Task<QStringList> GitService::trackedFiles() const {
    const QStringList args{QStringLiteral("ls-files"), QStringLiteral("-z")};
    auto parse = [repo = m_repoPath](const QByteArray& output) {
        return trackedFilesFromOutput(repo, output);
    };
    co_return co_await runParsedBytes(args, std::move(parse));
}

QCoro::Task<QStringList> GitService::tags() const {
    const QStringList args{QStringLiteral("tag"), QStringLiteral("-l"),
                           QStringLiteral("--sort=-creatordate")};
    co_return co_await runParsed(args, &nonEmptyLines);
}

QCoro::Task<QList<StashEntry>> GitService::stashList() const {
    // NUL-ended fields: a subject may hold any text.
    const QStringList args{QStringLiteral("stash"), QStringLiteral("list"), QStringLiteral("-z"),
                           QStringLiteral("--format=%gd%x00%H%x00%ct%x00%s")};
    co_return co_await runParsed(args, &parseStashList);
}

QCoro::Task<QList<GitWorktree>> GitService::worktreeList() const {
    const QStringList args{QStringLiteral("worktree"), QStringLiteral("list"),
                           QStringLiteral("--porcelain")};
    co_return co_await runParsed(args, &parseWorktreeList);
}

QCoro::Task<bool> GitService::branchHasUpstream(QString name) const {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--abbrev-ref"),
                           name + QStringLiteral("@{u}")};
    try {
        co_await run(args);
    } catch (const GitError&) {
        co_return false;
    }
    co_return true;
}

QCoro::Task<bool> GitService::isAncestorOfHead(QString hash) const {
    const QStringList args{QStringLiteral("merge-base"), QStringLiteral("--is-ancestor"), hash,
                           QStringLiteral("HEAD")};
    try {
        co_await run(args);
    } catch (const GitError&) {
        co_return false;
    }
    co_return true;
}

QString GitService::unescapeGitPath(const QString& text) {
    return tolvane::unescapeGitPath(text);
}

QCoro::Task<QString> GitService::diff(QString path, std::optional<QString> oldPath,
                                      bool staged) const {
    QStringList args{QStringLiteral("diff")};
    args += noExternalTools;
    // A moved submodule pointer reads as the commits between the two, not as two hashes.
    args.append(QStringLiteral("--submodule=log"));
    if (staged)
        args.append(QStringLiteral("--cached"));
    args.append(QStringLiteral("--"));
    if (oldPath)
        args.append(*oldPath);
    args.append(path);
    // Byte for byte: this text becomes a patch again, and a CRLF file's last "\r" matters.
    co_return co_await runExact(args);
}

QCoro::Task<bool> GitService::isBinaryFile(QString path) const {
    QStringList args{QStringLiteral("diff"), QStringLiteral("--numstat")};
    args += noExternalTools;
    args << QStringLiteral("--") << path;
    try {
        co_return co_await runParsed(args, &numstatShowsBinary);
    } catch (const GitError&) {
        co_return false;
    }
}

QCoro::Task<LimitedOutput> GitService::diffForCommit(QString hash, qint64 maxBytes) const {
    QStringList args{QStringLiteral("show"), QStringLiteral("--stat"), QStringLiteral("--patch"),
                     QStringLiteral("-m"), QStringLiteral("--first-parent")};
    args += noExternalTools;
    args.append(hash);
    co_return co_await runLimited(args, maxBytes);
}

QCoro::Task<QList<CommitFileEntry>> GitService::filesForCommit(QString hash) const {
    // NUL-terminated records carry every path unquoted, byte for byte.
    QStringList args{QStringLiteral("show"), QStringLiteral("--name-status"),
                     QStringLiteral("-z"),   QStringLiteral("--format="),
                     QStringLiteral("-m"),   QStringLiteral("--first-parent")};
    args.append(hash);
    std::optional<GitError> failure;
    try {
        co_return co_await runParsedBytes(args, &parseCommitFilesBytes);
    } catch (const GitError& error) {
        failure = error;
    }
    if (!isMissingContentsMessage(failure->message()))
        throw *failure;
    // A partial clone may lack the contents that similar-file renames are judged by; renames of
    // identical files need none, so the list is still complete without a download.
    args.insert(args.size() - 1, QStringLiteral("-M100%"));
    co_return co_await runParsedBytes(args, &parseCommitFilesBytes);
}

QCoro::Task<QList<GitBlameLine>> GitService::blame(QString path) const {
    // "--" keeps a path that begins with "-" from being read as an option.
    // blame has no --no-color; its porcelain form is never coloured.
    const QStringList args{QStringLiteral("blame"), QStringLiteral("--porcelain"),
                           QStringLiteral("--no-textconv"), QStringLiteral("--"), path};
    co_return co_await runParsedBytes(args, &parseBlameBytes);
}

QCoro::Task<QString> GitService::readFileContent(QString path) const {
    // The repository state shows no file above this size; a file grown since it looked is cut off.
    constexpr qsizetype fileContentLimit = 5'000'000;
    const QString full = QDir(m_repoPath).filePath(path);
    auto read = [full]() -> QString {
        // Opened by its exact bytes: QFile would encode a name that is not UTF-8 differently.
        // Only a regular file, opened without waiting and read up to the bound: a link to a
        // device or a named pipe must neither fill memory nor hold the worker.
        const std::optional<QByteArray> bytes =
            readRegularFile(encodeGitBytes(full), fileContentLimit);
        if (!bytes)
            return {};
        return strictUtf8(*bytes).value_or(QString());
    };
    co_return co_await QtConcurrent::run(threadPool(), std::move(read));
}

} // namespace tolvane
