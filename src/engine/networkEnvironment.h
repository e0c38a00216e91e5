#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <optional>

namespace tolvane {

// Points git's and ssh's questions at our helper in `channelFolder`: GIT_ASKPASS and
// SSH_ASKPASS (forced, so ssh never looks for a terminal), the session the answers belong to,
// and our credential helper appended to the user's own (as one more `credential.helper` value
// through GIT_CONFIG_*; git asks the helpers in order and ours comes last).
void addNetworkPrompting(QProcessEnvironment& environment, const QString& channelFolder,
                         const QString& session, const QString& gitHubWebOrigin);

// The text git runs (through the shell, with the action appended) for our credential helper.
QString credentialHelperCommand(const QString& channelFolder, const QString& gitHubWebOrigin);

// A word the shell reads back as exactly `text`.
QString shellQuoted(const QString& text);

// An SSH agent's socket and where it was found, for the log.
struct AgentSocket {
    QString path;
    QString source;
    friend bool operator==(const AgentSocket&, const AgentSocket&) = default;
};

// Where an agent listens when SSH_AUTH_SOCK is not set (a program started from the desktop menu
// may not inherit it): the user session's environment as `systemctl --user show-environment`
// printed it, then the usual sockets under XDG_RUNTIME_DIR. Only existing sockets count.
std::optional<AgentSocket> findAgentSocket(const QString& sessionEnvironmentText,
                                           const QString& runtimeFolder);

// The same for this process, looked up once (runs systemctl: call on a worker unless `look` is
// false, which only reads what an earlier look found) and remembered; none when SSH_AUTH_SOCK is
// already set or nothing was found.
std::optional<AgentSocket> discoveredAgentSocket(bool look = true);

} // namespace tolvane
