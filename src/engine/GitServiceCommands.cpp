// The commands of GitService that change the repository, its configuration or its files.
#include "engine/GitService.h"

#include "engine/GitRunnerConfig.h"
#include "engine/commitRefusal.h"
#include "engine/gitEnvironment.h"
#include "engine/gitText.h"
#include "engine/remoteBranchDeletion.h"
#include "settings/AppSettings.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

namespace tolvane {
namespace {

GitError fileError(const QFileDevice& file) {
    return GitError(GitError::Kind::Other, QStringLiteral("QFileDevice"), int(file.error()),
                    file.errorString());
}

// Writes through a temporary sibling and a rename, so a reader never sees half a file.
std::optional<GitError> writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fileError(file);
    if (file.write(bytes) != bytes.size()) {
        GitError error = fileError(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return fileError(file);
    return std::nullopt;
}

// A patch holds uncommitted work and the temporary folder is shared, so the file is created for
// the user alone before anything is written; QSaveFile then gives its temporary sibling the
// permissions of the file it replaces.
std::optional<GitError> writePrivateFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fileError(file);
    file.close();
    std::optional<GitError> error = writeAtomically(path, bytes);
    if (error)
        QFile::remove(path);
    return error;
}

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool hasLine(QStringView text, QStringView pattern) {
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isLineBreak(text[i])) {
            if (text.sliced(start, i - start) == pattern)
                return true;
            start = i + 1;
        }
    }
    return false;
}

// A .gitignore that links out of the working tree would have us edit some other file.
std::optional<GitError> linkLeavingTree(const QString& path, const QString& root) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return std::nullopt;
    const QString target = info.canonicalFilePath(); // empty when the link dangles
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (!target.isEmpty() && !canonicalRoot.isEmpty() &&
        target.startsWith(canonicalRoot + QLatin1Char('/')))
        return std::nullopt;
    return GitError(GitError::Kind::Other, QStringLiteral("QFileDevice"),
                    int(QFileDevice::OpenError),
                    QStringLiteral(".gitignore is a symbolic link to a file outside the "
                                   "repository; it was left unchanged"));
}

// The whole append runs on a worker: .gitignore can be of any size.
std::optional<GitError> appendIgnorePattern(const QString& path, const QString& pattern,
                                            const QString& root) {
    if (std::optional<GitError> refusal = linkLeavingTree(path, root))
        return refusal;
    QByteArray current;
    QFile file(path);
    if (file.exists()) {
        // Treating an unreadable file as empty would replace the user's rules with one line.
        if (!file.open(QIODevice::ReadOnly))
            return fileError(file);
        current = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return fileError(file);
        file.close();
    }
    // Lines are compared as text, but the existing bytes are kept as they are, so a file that
    // is not valid UTF-8 is extended rather than lost; a path git named in bytes that are not
    // UTF-8 is written as those bytes.
    const QString text = decodeGitBytes(current);
    if (hasLine(text, pattern))
        return std::nullopt;
    if (!current.isEmpty() && !current.endsWith('\n'))
        current.append('\n');
    current.append(encodeGitBytes(pattern));
    current.append('\n');
    return writeAtomically(path, current);
}

// An https address on the GitHub host with its user and token removed; none when it has no
// credentials there (or is no such address).
std::optional<QString> withoutGitHubCredentials(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    const QString gitHubHost = QUrl(GitRunnerConfig::current().gitHubWebOrigin).host();
    const bool hasCredentials = !url.userName().isEmpty() || !url.password().isEmpty();
    if (url.scheme() != u"https" || url.host() != gitHubHost || !hasCredentials)
        return std::nullopt;
    QUrl clean;
    clean.setScheme(QStringLiteral("https"));
    clean.setHost(gitHubHost);
    clean.setPath(url.path(QUrl::FullyEncoded), QUrl::TolerantMode);
    if (!clean.isValid())
        return std::nullopt;
    return clean.toString(QUrl::FullyEncoded);
}

} // namespace

QCoro::Task<> GitService::unstage(QString path, std::optional<QString> oldPath) const {
    QStringList args{QStringLiteral("reset"), QStringLiteral("HEAD"), QStringLiteral("--")};
    if (oldPath)
        args.append(*oldPath);
    args.append(path);
    co_await run(args);
}

QCoro::Task<> GitService::commit(QString message, bool amend) const {
    const GitService self = *this;
    const QString noreplyEmail = AppSettings::noreplyEmail();
    if (AppSettings::enforceNoreplyEmail() && !noreplyEmail.isEmpty()) {
        // Written to the repository's own configuration, where it stays for later commits.
        const QStringList configArgs{QStringLiteral("config"), QStringLiteral("user.email"),
                                     noreplyEmail};
        co_await self.run(configArgs);
    }
    QStringList commitArgs{QStringLiteral("commit")};
    if (amend)
        commitArgs << QStringLiteral("--amend");
    commitArgs << QStringLiteral("-m") << message;
    co_await self.runCommitting(commitArgs);
}

QCoro::Task<QString> GitService::runCommitting(QStringList arguments,
                                               ExtraEnvironment extraEnvironment) const {
    const GitService self = *this;
    // git writes its trace events here; a file of our own, gone once the command is judged.
    auto trace = std::make_shared<QTemporaryFile>(QDir::tempPath() +
                                                  QStringLiteral("/tolvane-trace-XXXXXX"));
    ExtraEnvironment environment = englishOutputEnvironment();
    environment.insert(extraEnvironment);
    if (trace->open()) {
        trace->close();
        environment.insert(QStringLiteral("GIT_TRACE2_EVENT"), trace->fileName());
    }
    std::optional<GitError> failure;
    QString output;
    try {
        output = co_await self.run(arguments, false, environment);
    } catch (const GitError& error) {
        failure = error;
    }
    if (!failure)
        co_return output;
    if (!trace->fileName().isEmpty()) {
        const QString path = trace->fileName();
        // Named before the await: g++ 12 mishandles a lambda built inside a co_await.
        const auto readTrace = [path] {
            QFile file(path);
            // A trace of a few hooks is small; a hook that runs git many times is cut short.
            return file.open(QIODevice::ReadOnly) ? rejectingHook(file.read(8 << 20))
                                                  : std::optional<QString>();
        };
        QFuture<std::optional<QString>> reading = QtConcurrent::run(readTrace);
        const std::optional<QString> hook = co_await reading;
        if (hook)
            failure->setHook(*hook);
    }
    throw *failure;
}

QCoro::Task<> GitService::commitWithMessage(QString message) const {
    co_await commit(std::move(message));
}

QCoro::Task<QString> GitService::popCommit() const {
    const GitService self = *this;
    const QStringList logArgs{QStringLiteral("log"), QStringLiteral("-1"),
                              QStringLiteral("--format=%B")};
    const QString message = co_await self.run(logArgs);
    const QStringList resetArgs{QStringLiteral("reset"), QStringLiteral("--soft"),
                                QStringLiteral("HEAD~1")};
    co_await self.run(resetArgs);
    co_return message.trimmed();
}

QCoro::Task<> GitService::deleteRemoteBranch(QString name) const {
    const GitService self = *this;
    const RemoteTrackingBranch branch = co_await resolveRemoteTrackingBranch(self, name);
    const QStringList args = leasedRemoteDeleteArguments(branch);
    co_await self.run(args, true);
}

QCoro::Task<> GitService::checkoutRemote(QString remoteBranch, QString localName) const {
    // The full ref and the "--" keep the start point from being read as an option or a path
    // (this git's checkout does not understand --end-of-options).
    const QString startPoint = remoteBranch.startsWith(QStringLiteral("refs/"))
                                   ? remoteBranch
                                   : (remoteBranch.startsWith(QStringLiteral("remotes/"))
                                          ? QStringLiteral("refs/")
                                          : QStringLiteral("refs/remotes/")) +
                                         remoteBranch;
    const QStringList args{QStringLiteral("checkout"), QStringLiteral("-b"), localName, startPoint,
                           QStringLiteral("--")};
    co_await run(args);
}

QCoro::Task<QString> GitService::merge(QString branch, bool noCommit) const {
    QStringList args{QStringLiteral("merge"), QStringLiteral("--no-ff")};
    if (noCommit)
        args.append(QStringLiteral("--no-commit"));
    args << QStringLiteral("--end-of-options") << branch;
    // Callers recognise "Already up to date" in the output, so git must not translate it.
    co_return co_await runCommitting(args);
}

QCoro::Task<> GitService::createTag(QString name, std::optional<QString> message,
                                    std::optional<QString> commit) const {
    QStringList args{QStringLiteral("tag")};
    if (message && !message->isEmpty())
        args << QStringLiteral("-a") << name << QStringLiteral("-m") << *message;
    else
        args << name;
    if (commit)
        args.append(*commit);
    co_await run(args);
}

QCoro::Task<> GitService::worktreeAdd(QString path, std::optional<QString> branch,
                                      std::optional<QString> newBranch) const {
    QStringList args{QStringLiteral("worktree"), QStringLiteral("add")};
    if (newBranch && !newBranch->isEmpty())
        args << QStringLiteral("-b") << *newBranch << path;
    else if (branch && !branch->isEmpty())
        args << path << *branch;
    else
        args << path;
    co_await run(args);
}

QCoro::Task<> GitService::worktreeRemove(QString path, bool force) const {
    QStringList args{QStringLiteral("worktree"), QStringLiteral("remove")};
    if (force)
        args.append(QStringLiteral("--force"));
    args.append(path);
    co_await run(args);
}

QCoro::Task<bool> GitService::stripCredentialsFromOriginURL() const {
    const GitService self = *this;
    bool removed = false;
    // The values as configured: `remote get-url` applies url.*.insteadOf rules, and writing its
    // answer back would change nothing in the file.
    const QStringList keys{QStringLiteral("remote.origin.url"),
                           QStringLiteral("remote.origin.pushurl")};
    for (const QString& key : keys) {
        const QStringList getArgs{QStringLiteral("config"), QStringLiteral("--local"),
                                  QStringLiteral("--get-all"), key};
        QString output;
        try {
            output = co_await self.run(getArgs);
        } catch (const GitError&) {
            continue; // not set
        }
        QStringList values = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        values.removeDuplicates();
        for (const QString& value : values) {
            const std::optional<QString> clean = withoutGitHubCredentials(value);
            if (!clean)
                continue;
            const QStringList setArgs{QStringLiteral("config"),
                                      QStringLiteral("--local"),
                                      QStringLiteral("--fixed-value"),
                                      QStringLiteral("--replace-all"),
                                      key,
                                      *clean,
                                      value};
            try {
                co_await self.run(setArgs);
                removed = true;
            } catch (const GitError&) {
            }
        }
    }
    co_return removed;
}

QCoro::Task<> GitService::runPatch(QString patch, QStringList applyArguments) const {
    const GitService self = *this;
    const QString temporaryFolder = QDir::tempPath();
    // Qt gives an empty path when the folder does not exist; a relative file name would then
    // land in the working directory and git would not find it.
    if (temporaryFolder.isEmpty())
        throw GitError(GitError::Kind::Other, QStringLiteral("QFileDevice"),
                       int(QFileDevice::OpenError),
                       QStringLiteral("The temporary folder does not exist"));
    const QString file =
        QDir(temporaryFolder)
            .filePath(QStringLiteral("gitclient_") +
                      QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                      QStringLiteral(".patch"));
    auto write = [file, patch] { return writePrivateFile(file, encodeGitBytes(patch)); };
    const std::optional<GitError> writeError =
        co_await QtConcurrent::run(threadPool(), std::move(write));
    if (writeError)
        throw *writeError;

    applyArguments << QStringLiteral("--") << file;
    std::optional<GitError> failure;
    try {
        co_await self.run(applyArguments);
    } catch (const GitError& error) {
        failure = error;
    }
    QFile::remove(file);
    if (failure)
        throw *failure;
}

QCoro::Task<> GitService::applyPatch(QString patch) const {
    const QStringList args{QStringLiteral("apply"), QStringLiteral("--cached")};
    co_await runPatch(std::move(patch), args);
}

QCoro::Task<> GitService::unapplyPatch(QString patch) const {
    const QStringList args{QStringLiteral("apply"), QStringLiteral("--cached"),
                           QStringLiteral("--reverse")};
    co_await runPatch(std::move(patch), args);
}

QCoro::Task<> GitService::discardPatch(QString patch) const {
    const QStringList args{QStringLiteral("apply"), QStringLiteral("--reverse")};
    co_await runPatch(std::move(patch), args);
}

QCoro::Task<> GitService::addToGitignore(QString pattern) const {
    const QString path = QDir(m_repoPath).filePath(QStringLiteral(".gitignore"));
    auto append = [path, pattern, root = m_repoPath] {
        return appendIgnorePattern(path, pattern, root);
    };
    const std::optional<GitError> error =
        co_await QtConcurrent::run(threadPool(), std::move(append));
    if (error)
        throw *error;
}

QCoro::Task<> GitService::addRemote(QString name, QString url, QString path) {
    const QStringList args{QStringLiteral("remote"), QStringLiteral("add"), name, url};
    co_await runStatic(args, path, false);
}

QCoro::Task<> GitService::cloneRepo(QString url, QString path) {
    const QFileInfo destination(QDir::cleanPath(path));
    const QStringList args{QStringLiteral("clone"), url, destination.fileName()};
    co_await runStatic(args, destination.path(), true);
}

} // namespace tolvane
