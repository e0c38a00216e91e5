#include "engine/LogStream.h"

#include "engine/GitRunStats.h"
#include "engine/GitRunnerConfig.h"
#include "engine/GitService.h"
#include "engine/StringArena.h"
#include "engine/commitGraphFile.h"
#include "engine/gitEnvironment.h"
#include "engine/gitText.h"
#include "engine/logParser.h"
#include "engine/repositoryPrograms.h"

#include <QCoroFuture>
#include <QElapsedTimer>
#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tolvane {

namespace {

constexpr QByteArrayView recordEnd("\0---END---", 10);

} // namespace

struct LogStream::Shared {
    QString repoPath;
    QStringList arguments;
    bool dateOrderWithCommitGraph = false;

    std::mutex readMutex; // one read at a time; guards everything below but pid
    int fd = -1;
    int errorFd = -1; // git's standard error, kept in memory: it never blocks git
    bool started = false;
    bool ended = false;
    std::optional<GitError> failure;
    QByteArray pending;       // bytes read after the last complete record
    QList<GitCommit> surplus; // parsed, not yet handed out
    StringArena arena;        // the strings of every record, filled read after read

    std::mutex pidMutex; // the pid is reaped once, and never signalled after that
    pid_t pid = -1;
    std::atomic_bool cancelled{false};

    ~Shared() {
        kill();
        if (fd >= 0)
            ::close(fd);
        if (errorFd >= 0)
            ::close(errorFd);
        reap();
    }

    void kill() {
        cancelled = true;
        const std::lock_guard lock(pidMutex);
        if (pid > 0)
            ::kill(-pid, SIGKILL);
    }

    int reap() {
        const std::lock_guard lock(pidMutex);
        if (pid <= 0)
            return -1;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
        return status;
    }

    std::optional<GitError> start() {
        started = true;
        const GitRunnerConfig config = GitRunnerConfig::current();
        QStringList full{QStringLiteral("-c"), QStringLiteral("core.quotePath=false")};
        full += arguments;
        // Right after "log": the arguments may end with "--".
        if (dateOrderWithCommitGraph && hasUsableCommitGraph(repoPath))
            full.insert(3, QStringLiteral("--date-order"));
        const QProcessEnvironment base = GitService::processConfiguration(false).environment;
        const QProcessEnvironment environment = gitChildEnvironment(
            base, GitAccess::ReadOnly,
            readOnlyProgramOverrides(config.gitExecutable, repoPath,
                                     gitChildEnvironment(base, GitAccess::ReadOnly)));

        // Everything the child needs is built before it starts.
        std::vector<QByteArray> storage;
        storage.push_back(encodeGitBytes(config.gitExecutable));
        for (const QString& argument : std::as_const(full))
            storage.push_back(encodeGitBytes(argument));
        const size_t argumentCount = storage.size();
        for (const QString& variable : environment.toStringList())
            storage.push_back(variable.toLocal8Bit());
        std::vector<char*> argv;
        std::vector<char*> envp;
        for (size_t i = 0; i < storage.size(); ++i)
            (i < argumentCount ? argv : envp).push_back(storage[i].data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        const QByteArray folder = encodeGitBytes(repoPath);

        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
            return GitError::launch(QStringLiteral("Could not make a pipe for git"));
        errorFd = ::memfd_create("git-log-errors", MFD_CLOEXEC);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        if (errorFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
        else
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // Its own session and process group, as every git the runner starts: cancelling ends
        // whatever git started too.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        pid_t child = -1;
        const int spawned =
            ::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(pipeEnds[1]);
        if (spawned != 0) {
            ::close(pipeEnds[0]);
            return GitError::launch(QString::fromLocal8Bit(strerror(spawned)));
        }
        fd = pipeEnds[0];
        {
            const std::lock_guard lock(pidMutex);
            pid = child;
        }
        // Cancelled while starting: the group is there now to be ended.
        if (cancelled)
            kill();
        GitRunStats::processCount += 1;
        return std::nullopt;
    }

    // Moves every complete record of `pending` into `surplus`.
    void parseComplete() {
        const qsizetype last = QByteArrayView(pending).lastIndexOf(recordEnd);
        if (last < 0)
            return;
        const qsizetype cut = last + recordEnd.size();
        surplus += parseLogBytes(QByteArrayView(pending).first(cut), arena);
        pending.remove(0, cut);
    }

    QByteArray errorText() const {
        if (errorFd < 0)
            return {};
        QByteArray text(4096, Qt::Uninitialized);
        const ssize_t got = ::pread(errorFd, text.data(), size_t(text.size()), 0);
        text.resize(std::max<ssize_t>(got, 0));
        return text;
    }

    void finish() {
        ::close(fd);
        fd = -1;
        ended = true;
        const int status = reap();
        if (cancelled) {
            failure = GitError::cancelled();
            return;
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
            const QString message = displayText(decodeGitBytes(errorText())).trimmed();
            failure = GitError::command(
                code, message.isEmpty()
                          ? QStringLiteral("Git command failed with exit code %1").arg(code)
                          : message);
            return;
        }
        // A last record without its end marker is not complete; git always writes it.
        pending.clear();
    }

    LogStreamPage read(int count) {
        const std::lock_guard lock(readMutex);
        if (cancelled && !ended)
            return LogStreamPage{{}, true, GitError::cancelled()};
        if (!started) {
            if (std::optional<GitError> error = start()) {
                ended = true;
                failure = error;
            }
        }
        QElapsedTimer waited;
        qint64 waitedNanoseconds = 0;
        char buffer[1 << 16];
        while (surplus.size() < count && !ended) {
            waited.start();
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            waitedNanoseconds += waited.nsecsElapsed();
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                finish();
                break;
            }
            pending.append(buffer, got);
            parseComplete();
        }
        // The time spent waiting for git's output counts as git's.
        GitRunStats::processNanoseconds += waitedNanoseconds;
        LogStreamPage page;
        page.commits = surplus.first(std::min<qsizetype>(count, surplus.size()));
        surplus.remove(0, page.commits.size());
        page.ended = ended && surplus.isEmpty();
        if (page.ended)
            page.error = failure;
        return page;
    }
};

namespace {

// Every stream alive, so that quitting can end their git processes.
QMutex registryMutex;
std::vector<std::weak_ptr<LogStream::Shared>>& registry() {
    static std::vector<std::weak_ptr<LogStream::Shared>> streams;
    return streams;
}

} // namespace

LogStream::LogStream(QString repoPath, QStringList logArguments)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->repoPath = std::move(repoPath);
    m_shared->arguments = std::move(logArguments);
    const QMutexLocker lock(&registryMutex);
    std::erase_if(registry(), [](const auto& stream) { return stream.expired(); });
    registry().push_back(m_shared);
}

std::unique_ptr<LogStream> LogStream::history(QString repoPath, bool allBranches,
                                              QStringList alsoRefs) {
    QStringList arguments{QStringLiteral("log"), logFormatArgument};
    if (allBranches) {
        arguments.append(allRefsArguments);
    } else if (!alsoRefs.isEmpty()) {
        // Only full ref names, so that none can be read as an option; "--" keeps them from
        // being read as paths.
        arguments.append(QStringLiteral("HEAD"));
        for (const QString& ref : alsoRefs) {
            if (ref.startsWith(QLatin1StringView("refs/")))
                arguments.append(ref);
        }
        arguments.append(QStringLiteral("--"));
    }
    auto stream = std::make_unique<LogStream>(std::move(repoPath), std::move(arguments));
    // Why the order depends on a commit-graph: see GitService::log.
    stream->m_shared->dateOrderWithCommitGraph = !allBranches;
    return stream;
}

LogStream::~LogStream() {
    // A read still running on a worker holds the shared part until it returns; git is ended now.
    m_shared->kill();
}

QCoro::Task<LogStreamPage> LogStream::read(int count) {
    auto work = [shared = m_shared, count] { return shared->read(count); };
    co_return co_await QtConcurrent::run(GitService::threadPool(), std::move(work));
}

LogStreamPage LogStream::readBlocking(int count) {
    return m_shared->read(count);
}

void LogStream::cancel() {
    m_shared->kill();
}

void LogStream::cancelAll() {
    const QMutexLocker lock(&registryMutex);
    for (const auto& weak : registry()) {
        if (const auto stream = weak.lock())
            stream->kill();
    }
}

} // namespace tolvane
