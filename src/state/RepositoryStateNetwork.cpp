// Network commands the user can see running and stop.
#include "state/RepositoryState.h"

namespace tolvane {

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
    const NetworkCommandScope running(this, QStringLiteral("git ") + arguments.join(u' '));
    const GitService cancellable = git.withCancellation(m_networkCancellation);
    // The state may be gone when this returns; only the scope, which guards itself, touches it.
    co_return co_await cancellable.run(arguments, true, environment);
}

void RepositoryState::cancelNetworkCommands() {
    if (m_runningNetworkCommands.isEmpty())
        return;
    m_networkCancellation.cancel();
    // Commands started from now on get a flag of their own.
    m_networkCancellation = GitCancellation();
}

} // namespace tolvane
