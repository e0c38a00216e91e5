// Network commands the user can see running and stop, and the questions they ask.
#include "state/RepositoryState.h"

#include "engine/networkEnvironment.h"

#include <QDir>

namespace tolvane {
namespace {

// Whom a command talks to, as the user would name it: its first remote or URL argument.
QString remoteOfCommand(const QStringList& arguments) {
    // "remote prune" names its remote after the subcommand.
    const qsizetype first = arguments.value(0) == u"remote" ? 2 : 1;
    for (qsizetype i = first; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--all")
            return QStringLiteral("all remotes");
        if (!argument.startsWith(u'-'))
            return argument;
    }
    return QStringLiteral("the branch's remote");
}

} // namespace

RepositoryState::NetworkCommandScope::NetworkCommandScope(RepositoryState* state, QString command)
    : m_state(state), m_command(std::move(command)) {
    QStringList running = state->m_runningNetworkCommands;
    running.append(m_command);
    state->setRunningNetworkCommands(running);
}

RepositoryState::NetworkCommandScope::~NetworkCommandScope() {
    if (!m_state)
        return;
    QStringList running = m_state->m_runningNetworkCommands;
    running.removeOne(m_command);
    m_state->setRunningNetworkCommands(running);
}

QCoro::Task<QString> RepositoryState::runNetworkCommand(GitService git, QStringList arguments) {
    co_return co_await runNetworkCommand(std::move(git), std::move(arguments), ExtraEnvironment());
}

QCoro::Task<QString> RepositoryState::runNetworkCommand(GitService git, QStringList arguments,
                                                        ExtraEnvironment environment) {
    const QString command = QStringLiteral("git ") + arguments.join(u' ');
    const NetworkCommandScope running(this, command);
    QPointer<RepositoryState> self(this);
    QPointer<CredentialPrompts> prompts(m_credentialPrompts);
    const QString remote = remoteOfCommand(arguments);
    const QString session = prompts->beginCommand(remote, [self] {
        if (self)
            self->cancelNetworkCommands();
    });
    const GitCancellation cancellation = m_networkCancellation;
    const GitService cancellable = git.withCancellation(cancellation).withPromptSession(session);
    std::optional<GitError> failure;
    QString output;
    // The state may be gone when this returns; only guarded pointers touch it afterwards.
    try {
        output = co_await cancellable.run(arguments, true, environment);
    } catch (const GitError& error) {
        failure = error;
    }
    if (prompts)
        prompts->endCommand(session);
    if (!self) {
        if (failure)
            throw *failure;
        co_return output;
    }
    // Kept out of the coroutine: what follows only reads the outcome and tells the user.
    std::optional<GitError> reported =
        self->reportNetworkOutcome(failure, cancellation.isCancelled(), command, remote);
    if (reported)
        throw *reported;
    co_return output;
}

std::optional<GitError> RepositoryState::reportNetworkOutcome(std::optional<GitError> failure,
                                                              bool cancelled,
                                                              const QString& command,
                                                              const QString& remote) {
    // Said once per run of the program, the first time a command could have used it.
    static bool agentAnnounced = false;
    if (const std::optional<AgentSocket> agent = discoveredAgentSocket(false);
        agent && !agentAnnounced) {
        agentAnnounced = true;
        log(QStringLiteral("Using the SSH agent at %1 (found in %2)")
                .arg(agent->path, agent->source),
            LogLevel::Info);
    }
    if (!failure)
        return std::nullopt;
    // git may end on its own, refused by a question the user cancelled, before the runner sees
    // the cancel.
    // The operation that ran it says, as information, that it was cancelled.
    if (cancelled || failure->kind() == GitError::Kind::Cancelled)
        return GitError::cancelled();
    const QString message = failure->message();
    if (isChangedHostKey(message))
        m_credentialPrompts->showChangedHostKey(remote, message);
    // A handful of names in the user's own folder.
    const QStringList keyFiles = message.contains(QStringLiteral("Permission denied (publickey"))
                                     ? defaultSshKeyFiles(QDir::homePath())
                                     : QStringList();
    const QString summary = remoteFailureSummary(message, keyFiles);
    if (summary.isEmpty())
        return failure;
    // The window shows one line that says what to do; git's own words stay in the log.
    log(command + QStringLiteral(": ") + message, LogLevel::Info);
    return GitError::command(failure->code(), summary);
}

void RepositoryState::cancelNetworkCommands() {
    if (m_runningNetworkCommands.isEmpty())
        return;
    m_networkCancellation.cancel();
    // Commands started from now on get a flag of their own.
    m_networkCancellation = GitCancellation();
}

} // namespace tolvane
