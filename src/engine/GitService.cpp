#include "engine/GitService.h"

#include "engine/GitRunStats.h"
#include "engine/GitRunnerConfig.h"
#include "platform/KeychainHelper.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>

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

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString exitCodeText(int code) {
    return QStringLiteral("Git command failed with exit code %1").arg(code);
}

QString signalText(int signal) {
    return QStringLiteral("Git command was terminated (signal %1)").arg(signal);
}

// The helper answers only "get", with the token taken from the child's environment, so the
// token never appears on a command line.
const QString credentialHelperScript = QStringLiteral(
    "!f() { if [ \"$1\" = get ]; then printf 'username=x-access-token\\npassword=%s\\n' "
    "\"$TOLVANE_GITHUB_TOKEN\"; fi; }; f");

void applyConfiguration(QProcess& process, const ProcessConfiguration& configuration,
                        const ExtraEnvironment& extraEnvironment) {
    QProcessEnvironment environment = configuration.environment;
    for (auto it = extraEnvironment.cbegin(); it != extraEnvironment.cend(); ++it)
        environment.insert(it.key(), it.value());
    process.setProcessEnvironment(environment);
    // Nothing is ever written to git's input; a null device keeps a child from waiting on ours.
    process.setStandardInputFile(QProcess::nullDevice());
}

void recordWallTime(const QElapsedTimer& timer) {
    GitRunStats::processNanoseconds += timer.nsecsElapsed();
    GitRunStats::processCount += 1;
}

} // namespace

ProcessConfiguration GitService::processConfiguration(bool network) {
    ProcessConfiguration configuration{{}, QProcessEnvironment::systemEnvironment()};
    configuration.environment.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
    if (!network)
        return configuration;
    const std::optional<QString> token = KeychainHelper::getToken();
    if (!token)
        return configuration;
    configuration.environment.insert(QStringLiteral("TOLVANE_GITHUB_TOKEN"), *token);
    const QString setting = QStringLiteral("credential.") +
                            GitRunnerConfig::current().gitHubWebOrigin + QStringLiteral(".helper=");
    configuration.arguments = {QStringLiteral("-c"), setting, QStringLiteral("-c"),
                               setting + credentialHelperScript};
    return configuration;
}

std::variant<QString, GitError> GitService::runBlocking(const QString& repoPath,
                                                        const QStringList& arguments, bool network,
                                                        const ExtraEnvironment& extraEnvironment) {
    const GitRunnerConfig config = GitRunnerConfig::current();
    const ProcessConfiguration configuration = processConfiguration(network);

    QStringList fullArguments{QStringLiteral("-c"), QStringLiteral("core.quotePath=false")};
    fullArguments += configuration.arguments;
    fullArguments += arguments;

    QProcess process;
    process.setProgram(config.gitExecutable);
    process.setArguments(fullArguments);
    process.setWorkingDirectory(repoPath);
    applyConfiguration(process, configuration, extraEnvironment);

    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(-1))
        return GitError::launch(process.errorString());

    // waitForFinished drains both pipes while it waits, so neither can fill up and stall git.
    if (network) {
        process.waitForFinished(-1);
    } else if (!process.waitForFinished(int(config.localTimeLimit.count()))) {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(-1);
        }
    }
    recordWallTime(timer);

    const bool crashed = process.exitStatus() == QProcess::CrashExit;
    const int status = process.exitCode(); // the signal number after a crash
    if (crashed || status != 0) {
        const QString errorText = decodeUtf8(process.readAllStandardError()).value_or(QString());
        const QString trimmed = errorText.trimmed();
        if (!trimmed.isEmpty())
            return GitError::command(status, trimmed);
        return GitError::command(status, crashed ? signalText(status) : exitCodeText(status));
    }
    return trimLineBreaks(decodeUtf8(process.readAllStandardOutput()).value_or(QString()));
}

std::optional<GitError> GitService::runStaticBlocking(const QStringList& arguments,
                                                      const QString& path, bool network) {
    const GitRunnerConfig config = GitRunnerConfig::current();
    const ProcessConfiguration configuration = processConfiguration(network);

    QProcess process;
    process.setProgram(config.gitExecutable);
    process.setArguments(configuration.arguments + arguments);
    process.setWorkingDirectory(path);
    applyConfiguration(process, configuration, {});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(-1))
        return GitError::launch(process.errorString());
    process.waitForFinished(-1);
    recordWallTime(timer);

    const int status = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit || status != 0)
        return GitError::command(status, exitCodeText(status));
    return std::nullopt;
}

QCoro::Task<QString> GitService::run(QStringList arguments, bool network,
                                     ExtraEnvironment extraEnvironment) const {
    const QString path = m_repoPath;
    auto work = [path, arguments = std::move(arguments), network,
                 extraEnvironment = std::move(extraEnvironment)]() -> Outcome<QString> {
        auto raw = runBlocking(path, arguments, network, extraEnvironment);
        if (auto* error = std::get_if<GitError>(&raw))
            return {std::nullopt, std::move(*error)};
        return {std::move(std::get<QString>(raw)), std::nullopt};
    };
    Outcome<QString> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

QCoro::Task<> GitService::runStatic(QStringList arguments, QString path, bool network) {
    auto work = [arguments = std::move(arguments), path = std::move(path), network]() {
        return Outcome<bool>{true, runStaticBlocking(arguments, path, network)};
    };
    Outcome<bool> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
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
