#pragma once

#include <QString>
#include <QStringList>

namespace tolvane {

// One question a network command asks the user, as the dialog shows it.
struct CredentialPrompt {
    enum class Kind {
        // One hidden line: a key's passphrase, an SSH or HTTP password.
        Secret,
        // One visible line (a user name git asks for on its own, or a question we do not know).
        Text,
        // A user name (unless known) and a password for an HTTP remote, which may be kept.
        Credential,
        // First contact with an SSH host: Connect or Cancel.
        HostKey,
        // A yes-or-no question from ssh (an agent asking to use a key).
        Confirm,
        // The host's key differs from the one known: ssh refused, the warning is only shown.
        HostKeyChanged,
    };
    Kind kind = Kind::Secret;
    // What is asked: "Passphrase for key '~/.ssh/id_ed25519'".
    QString title;
    // The remote the command talks to, as the user would name it.
    QString remote;
    // ssh's or git's own words (the whole warning of a changed host key).
    QString detail;
    // For host keys.
    QString host;
    QString keyType;
    QString fingerprint;
    // For credentials: the remote's protocol and the user name already known (then only the
    // password is asked).
    QString protocol;
    QString username;
    // The same question again after a wrong answer.
    bool retry = false;
    // Tells prompts apart (two commands of one tab may ask one after the other).
    quint64 id = 0;

    friend bool operator==(const CredentialPrompt&, const CredentialPrompt&) = default;
};

// Reads what git or ssh asked through askpass (`hint` is ssh's SSH_ASKPASS_PROMPT).
CredentialPrompt promptFromAskpass(const QString& text, const QString& hint,
                                   const QString& homeFolder);

// The dialog for a credential that git's protocol asks our helper for.
CredentialPrompt promptForCredential(const QString& protocol, const QString& host,
                                     const QString& username);

// Whether git's error text is ssh refusing a host whose key changed; the warning it printed.
bool isChangedHostKey(const QString& gitMessage);

// One line that says what went wrong and what to do, for the failures of remotes users meet
// most; empty when the message is none of them. A refused SSH key names the key files tried:
// those ssh's message names, else `keyFiles` (the ones ssh looks for by default).
QString remoteFailureSummary(const QString& gitMessage, const QStringList& keyFiles = {});

// The key files ssh offers by default that exist under `homeFolder`, written with "~".
QStringList defaultSshKeyFiles(const QString& homeFolder);

} // namespace tolvane
