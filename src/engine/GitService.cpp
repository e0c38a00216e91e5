#include "engine/GitService.h"

#include "engine/GitRunStats.h"
#include "engine/GitRunnerConfig.h"
#include "engine/LogStream.h"
#include "engine/PromptChannel.h"
#include "engine/RepositoryWriteQueue.h"
#include "engine/gitEnvironment.h"
#include "engine/gitText.h"
#include "engine/networkEnvironment.h"
#include "engine/repositoryPrograms.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>
#include <atomic>
#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

namespace tolvane {
namespace {

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// Trims only line breaks, so the leading space of porcelain status output survives.
QString trimLineBreaks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isLineBreak(text.at(begin)))
        ++begin;
    while (end > begin && isLineBreak(text.at(end - 1)))
        --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

QString exitCodeText(int code) {
    return QStringLiteral("Git command failed with exit code %1").arg(code);
}

// The end of what a failed command printed, as a message: the last lines carry the reason.
QString failureOutputText(const QByteArray& bytes) {
    constexpr qsizetype maxLines = 40;
    QStringList lines = displayText(decodeGitBytes(bytes)).trimmed().split(QLatin1Char('\n'));
    if (lines.size() > maxLines)
        lines = lines.mid(lines.size() - maxLines);
    return lines.join(QLatin1Char('\n')).trimmed();
}

QString signalText(int signal) {
    return QStringLiteral("Git command was terminated (signal %1)").arg(signal);
}

// An argument vector built before the fork, so that the child only has to call execve.
struct ExactExec {
    QByteArray program;
    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

std::shared_ptr<ExactExec> exactExec(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& environment) {
    auto exec = std::make_shared<ExactExec>();
    exec->program = encodeGitBytes(program);
    const QStringList variables = environment.toStringList();
    exec->storage.reserve(arguments.size() + variables.size() + 1);
    exec->storage.push_back(exec->program);
    for (const QString& argument : arguments)
        exec->storage.push_back(encodeGitBytes(argument));
    for (const QString& variable : variables)
        exec->storage.push_back(variable.toLocal8Bit());
    const size_t argumentCount = size_t(arguments.size()) + 1;
    for (size_t i = 0; i < exec->storage.size(); ++i) {
        (i < argumentCount ? exec->argv : exec->envp).push_back(exec->storage[i].data());
    }
    exec->argv.push_back(nullptr);
    exec->envp.push_back(nullptr);
    return exec;
}

void prepareProcess(QProcess& process, const QString& program, const QStringList& arguments,
                    const QString& workingDirectory, const QProcessEnvironment& environment) {
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    // Nothing is ever written to git's input; a null device keeps a child from waiting on ours.
    process.setStandardInputFile(QProcess::nullDevice());

    bool needsExactBytes = hasEscapedBytes(program);
    for (const QString& argument : arguments)
        needsExactBytes = needsExactBytes || hasEscapedBytes(argument);
    std::shared_ptr<ExactExec> exec;
    if (needsExactBytes)
        exec = exactExec(program, arguments, environment);
    process.setChildProcessModifier([exec] {
        // Its own session and process group: a time limit or a cancel then also ends git's
        // children (hooks, helpers, ssh), and without a terminal ssh fails at once instead of
        // stopping on a prompt nobody sees.
        ::setsid();
        // QProcess encodes arguments as UTF-8, which cannot carry a file name that is not: start
        // the same program with the exact bytes. If that fails, QProcess's own exec reports it.
        if (exec)
            ::execve(exec->program.constData(), exec->argv.data(), exec->envp.data());
    });
}

// Asks git and everything it started to stop, then insists if it does not.
void endProcessGroup(QProcess& process, std::chrono::milliseconds grace) {
    const qint64 pid = process.processId();
    if (pid <= 0 || process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(pid), SIGTERM);
    if (process.waitForFinished(int(grace.count())))
        return;
    ::kill(-pid_t(pid), SIGKILL);
    process.waitForFinished(-1);
}

// Raised once when the program ends: every command still running is stopped.
std::atomic_bool shuttingDown{false};

enum class WaitResult { Finished, TimedOut, Cancelled };

// Waits in short slices so that a cancel is seen promptly; waitForFinished drains both pipes
// while it waits, so neither can fill up and stall git.
WaitResult waitForProcess(QProcess& process, std::optional<std::chrono::milliseconds> limit,
                          const std::optional<GitCancellation>& cancellation) {
    QElapsedTimer elapsed;
    elapsed.start();
    constexpr int slice = 50;
    while (!process.waitForFinished(slice)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (shuttingDown || (cancellation && cancellation->isCancelled()))
            return WaitResult::Cancelled;
        if (limit && elapsed.elapsed() >= limit->count())
            return WaitResult::TimedOut;
    }
    return WaitResult::Finished;
}

// Like waitForProcess, but takes standard output as it comes, a pipe's worth at a time, and
// stops once more than `maxBytes` arrived; `output` then holds the first `maxBytes` of them.
WaitResult readUpTo(QProcess& process, qint64 maxBytes,
                    std::optional<std::chrono::milliseconds> limit,
                    const std::optional<GitCancellation>& cancellation,
                    GitService::LimitedBytes& output) {
    QElapsedTimer elapsed;
    elapsed.start();
    constexpr int slice = 50;
    while (true) {
        const bool more = process.waitForReadyRead(slice);
        output.bytes += process.readAllStandardOutput();
        if (output.bytes.size() > maxBytes) {
            output.bytes.truncate(maxBytes);
            output.complete = false;
            return WaitResult::Finished;
        }
        if (!more && process.state() == QProcess::NotRunning)
            return WaitResult::Finished;
        if (shuttingDown || (cancellation && cancellation->isCancelled()))
            return WaitResult::Cancelled;
        if (limit && elapsed.elapsed() >= limit->count())
            return WaitResult::TimedOut;
    }
}

void recordWallTime(const QElapsedTimer& timer) {
    GitRunStats::processNanoseconds += timer.nsecsElapsed();
    GitRunStats::processCount += 1;
}

} // namespace

ProcessConfiguration GitService::processConfiguration(bool network, const QString& promptSession) {
    ProcessConfiguration configuration{{}, QProcessEnvironment::systemEnvironment()};
    // Nothing may wait on a terminal nobody sees; questions go to the window instead.
    configuration.environment.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
    configuration.environment.remove(QStringLiteral("TOLVANE_GITHUB_TOKEN"));
    configuration.environment.remove(QString::fromLatin1(promptSessionVariable));
    if (!network)
        return configuration;
    // Our helper reads secrets from the secret store itself when git asks, so no secret is ever
    // placed in an environment, an argument list or a file.
    const QString folder = PromptChannel::folder();
    if (!folder.isEmpty())
        addNetworkPrompting(configuration.environment, folder, promptSession,
                            GitRunnerConfig::current().gitHubWebOrigin);
    return configuration;
}

std::variant<QString, GitError> GitService::runBlocking(const RunRequest& request) {
    auto raw = runBlockingBytes(request);
    if (auto* error = std::get_if<GitError>(&raw))
        return std::move(*error);
    QString output = decodeGitBytes(std::get<QByteArray>(raw));
    if (request.exactOutput)
        return output;
    return trimLineBreaks(output);
}

std::variant<QByteArray, GitError> GitService::runBlockingBytes(const RunRequest& request) {
    auto raw = runBlockingLimited(request);
    if (auto* error = std::get_if<GitError>(&raw))
        return std::move(*error);
    return std::move(std::get<LimitedBytes>(raw).bytes);
}

std::variant<GitService::LimitedBytes, GitError>
GitService::runBlockingLimited(const RunRequest& request) {
    const GitRunnerConfig config = GitRunnerConfig::current();
    const ProcessConfiguration configuration =
        processConfiguration(request.network, request.promptSession);

    QStringList fullArguments{QStringLiteral("-c"), QStringLiteral("core.quotePath=false")};
    fullArguments += configuration.arguments;
    fullArguments += request.arguments;

    const GitAccess access =
        isReadOnlyQuery(request.arguments) ? GitAccess::ReadOnly : GitAccess::UserCommand;
    QList<QPair<QString, QString>> repositorySettings;
    if (access == GitAccess::ReadOnly)
        repositorySettings =
            readOnlyProgramOverrides(config.gitExecutable, request.repoPath,
                                     gitChildEnvironment(configuration.environment, access));
    QProcessEnvironment environment =
        gitChildEnvironment(configuration.environment, access, repositorySettings);
    // Paths after "--" are file names, never patterns: "[ab].txt" must not also mean "a.txt".
    if (request.arguments.contains(QStringLiteral("--")))
        environment.insert(QStringLiteral("GIT_LITERAL_PATHSPECS"), QStringLiteral("1"));
    for (auto it = request.extraEnvironment.cbegin(); it != request.extraEnvironment.cend(); ++it)
        environment.insert(it.key(), it.value());
    // A query run as a network command is the user's own download of a partial clone's contents.
    if (request.network && access == GitAccess::ReadOnly)
        allowLazyFetching(environment);

    QProcess process;
    prepareProcess(process, config.gitExecutable, fullArguments, request.repoPath, environment);

    if (shuttingDown)
        return GitError::cancelled();
    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(-1))
        return GitError::launch(process.errorString());

    std::optional<std::chrono::milliseconds> limit;
    if (!request.network)
        limit = config.localTimeLimit;
    LimitedBytes output;
    const WaitResult waited =
        request.outputLimit < 0
            ? waitForProcess(process, limit, request.cancellation)
            : readUpTo(process, request.outputLimit, limit, request.cancellation, output);
    if (waited != WaitResult::Finished || !output.complete)
        endProcessGroup(process, config.terminationGrace);
    recordWallTime(timer);
    if (waited == WaitResult::Cancelled)
        return GitError::cancelled();
    // Stopped on purpose: what was read is the answer, whatever the signal did to git.
    if (!output.complete)
        return output;

    const bool crashed = process.exitStatus() == QProcess::CrashExit;
    const int status = process.exitCode(); // the signal number after a crash
    if (crashed || status != 0) {
        const QString errorText = displayText(decodeGitBytes(process.readAllStandardError()));
        QString trimmed = errorText.trimmed();
        // Some commands say why they stopped on standard output only (a merge lists its
        // conflicts there): that is still better than a bare exit code.
        if (trimmed.isEmpty() && !crashed)
            trimmed = failureOutputText(output.bytes + process.readAllStandardOutput());
        if (!trimmed.isEmpty())
            return GitError::command(status, trimmed);
        return GitError::command(status, crashed ? signalText(status) : exitCodeText(status));
    }
    output.bytes += process.readAllStandardOutput();
    return output;
}

std::optional<GitError> GitService::runStaticBlocking(const QStringList& arguments,
                                                      const QString& path, bool network,
                                                      std::optional<GitCancellation> cancellation) {
    const GitRunnerConfig config = GitRunnerConfig::current();
    const ProcessConfiguration configuration = processConfiguration(network);
    const QProcessEnvironment environment =
        gitChildEnvironment(configuration.environment, GitAccess::UserCommand);

    QProcess process;
    prepareProcess(process, config.gitExecutable, configuration.arguments + arguments, path,
                   environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(-1))
        return GitError::launch(process.errorString());
    const WaitResult waited = waitForProcess(process, std::nullopt, cancellation);
    if (waited != WaitResult::Finished)
        endProcessGroup(process, config.terminationGrace);
    recordWallTime(timer);
    if (waited == WaitResult::Cancelled)
        return GitError::cancelled();

    const int status = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit || status != 0)
        return GitError::command(status, exitCodeText(status));
    return std::nullopt;
}

QCoro::Task<> GitService::runWithProgress(QStringList arguments, QString path,
                                          GitCancellation cancellation, QString promptSession,
                                          std::function<void(const TransferProgress&)> progress) {
    auto work = [arguments = std::move(arguments), path = std::move(path),
                 cancellation = std::move(cancellation), promptSession = std::move(promptSession),
                 progress = std::move(progress)]() -> Outcome<bool> {
        const GitRunnerConfig config = GitRunnerConfig::current();
        const ProcessConfiguration configuration = processConfiguration(true, promptSession);
        const QProcessEnvironment environment =
            gitChildEnvironment(configuration.environment, GitAccess::UserCommand);
        QProcess process;
        prepareProcess(process, config.gitExecutable, configuration.arguments + arguments, path,
                       environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        if (shuttingDown)
            return {std::nullopt, GitError::cancelled()};
        QElapsedTimer timer;
        timer.start();
        process.start();
        if (!process.waitForStarted(-1))
            return {std::nullopt, GitError::launch(process.errorString())};

        QStringDecoder decoder(QStringDecoder::Utf8);
        QString pending;
        QStringList messages;
        auto take = [&](bool last) {
            pending += decoder.decode(process.readAllStandardError());
            if (last)
                pending += u'\n';
            const ProgressScan scan = scanProgress(pending);
            messages += scan.messages;
            pending.remove(0, scan.consumed);
            if (scan.latest && progress)
                progress(*scan.latest);
        };
        bool cancelled = false;
        constexpr int slice = 50;
        while (!process.waitForFinished(slice)) {
            take(false);
            if (process.state() == QProcess::NotRunning)
                break;
            if (shuttingDown || cancellation.isCancelled()) {
                cancelled = true;
                break;
            }
        }
        if (cancelled)
            endProcessGroup(process, config.terminationGrace);
        take(true);
        recordWallTime(timer);
        if (cancelled)
            return {std::nullopt, GitError::cancelled()};
        const bool crashed = process.exitStatus() == QProcess::CrashExit;
        const int status = process.exitCode();
        if (crashed || status != 0) {
            const QString text = displayText(messages.join(u'\n')).trimmed();
            if (!text.isEmpty())
                return {std::nullopt, GitError::command(status, text)};
            return {std::nullopt,
                    GitError::command(status, crashed ? signalText(status) : exitCodeText(status))};
        }
        return {true, std::nullopt};
    };
    Outcome<bool> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
}

QCoro::Task<QString> GitService::runRequest(RunRequest request) {
    // Network commands wait on other machines: holding the line through a hung fetch would
    // stall every local command behind it.
    RepositoryWriteQueue::Turn turn;
    if (!request.network && !isReadOnlyQuery(request.arguments)) {
        const QString workingTree = request.repoPath;
        turn = co_await RepositoryWriteQueue::take(workingTree);
    }
    auto work = [request = std::move(request)]() -> Outcome<QString> {
        auto raw = runBlocking(request);
        if (auto* error = std::get_if<GitError>(&raw))
            return {std::nullopt, std::move(*error)};
        return {std::move(std::get<QString>(raw)), std::nullopt};
    };
    Outcome<QString> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

GitService::RunRequest GitService::request(QStringList arguments, bool network,
                                           ExtraEnvironment extraEnvironment,
                                           bool exactOutput) const {
    return RunRequest{
        m_repoPath,  std::move(arguments), network,        std::move(extraEnvironment),
        exactOutput, m_cancellation,       m_promptSession};
}

QCoro::Task<QString> GitService::run(QStringList arguments, bool network,
                                     ExtraEnvironment extraEnvironment) const {
    return runRequest(request(std::move(arguments), network, std::move(extraEnvironment), false));
}

QCoro::Task<LimitedOutput> GitService::runLimited(QStringList arguments, qint64 maxBytes) const {
    RunRequest call = request(std::move(arguments), false, {}, true);
    call.outputLimit = maxBytes;
    auto work = [call = std::move(call)]() -> Outcome<LimitedOutput> {
        auto raw = runBlockingLimited(call);
        if (auto* error = std::get_if<GitError>(&raw))
            return {std::nullopt, std::move(*error)};
        const LimitedBytes& read = std::get<LimitedBytes>(raw);
        const QString text = decodeGitBytes(read.bytes);
        return {LimitedOutput{read.complete ? trimLineBreaks(text) : text, read.complete},
                std::nullopt};
    };
    Outcome<LimitedOutput> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

QCoro::Task<QString> GitService::runExact(QStringList arguments) const {
    return runRequest(request(std::move(arguments), false, {}, true));
}

QCoro::Task<> GitService::runStatic(QStringList arguments, QString path, bool network,
                                    std::optional<GitCancellation> cancellation) {
    auto work = [arguments = std::move(arguments), path = std::move(path), network,
                 cancellation = std::move(cancellation)]() {
        return Outcome<bool>{true, runStaticBlocking(arguments, path, network, cancellation)};
    };
    Outcome<bool> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
}

GitService GitService::withCancellation(GitCancellation cancellation) const {
    GitService copy = *this;
    copy.m_cancellation = std::move(cancellation);
    return copy;
}

GitService GitService::withPromptSession(QString session) const {
    GitService copy = *this;
    copy.m_promptSession = std::move(session);
    return copy;
}

void GitService::shutDown() {
    shuttingDown = true;
    // A history log left running for its next page would otherwise keep its reader waiting.
    LogStream::cancelAll();
    threadPool()->waitForDone();
    // Parsing and file reads run on the global pool; none may outlive the objects they report to.
    QThreadPool::globalInstance()->waitForDone();
}

QThreadPool* GitService::threadPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(64);
        p->setObjectName(QStringLiteral("git"));
        return p;
    }();
    return pool;
}

} // namespace tolvane
