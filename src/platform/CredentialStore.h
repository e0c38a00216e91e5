#pragma once

#include <QString>
#include <optional>

namespace tolvane {

// Where a password for a remote belongs: the same attributes git's own libsecret helper uses
// (network-password schema: protocol, server, port and user), so one entry serves both.
struct NetworkCredentialKey {
    QString protocol;
    // The host name without a port.
    QString server;
    std::optional<int> port;
    // Empty matches any user when reading and erasing.
    QString user;

    friend bool operator==(const NetworkCredentialKey&, const NetworkCredentialKey&) = default;

    // Splits git's "host" field ("example.com:8443") into server and port.
    static NetworkCredentialKey fromGit(const QString& protocol, const QString& host,
                                        const QString& user);
};

struct NetworkCredential {
    QString user;
    QString password;
};

// Remote passwords and the GitHub token in the desktop's secret store. Every call is synchronous
// and quiet (it prints nothing: the credential helper's standard output belongs to git); each
// returns what happened, never throws, and may run on any thread.
namespace CredentialStore {

std::optional<NetworkCredential> find(const NetworkCredentialKey& key);
bool store(const NetworkCredentialKey& key, const QString& password);
// Removes every entry matching the key; true also when there was none.
bool erase(const NetworkCredentialKey& key);
// The token saved by the GitHub sign-in, read without the sign-in's own log lines.
std::optional<QString> gitHubToken();

} // namespace CredentialStore
} // namespace tolvane
