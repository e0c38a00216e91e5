#pragma once

#include <QByteArray>
#include <QString>

namespace tolvane {

// The fields git's credential protocol hands a helper on standard input ("key=value" lines up to
// an empty one). Unknown keys are ignored.
struct CredentialFields {
    QString protocol;
    QString host;
    QString path;
    QString username;
    QString password;

    friend bool operator==(const CredentialFields&, const CredentialFields&) = default;
};

CredentialFields parseCredentialFields(const QByteArray& input);

// Whether the fields name exactly the GitHub web origin ("https://github.com"): only there is
// the token given out.
bool isGitHubOrigin(const CredentialFields& fields, const QString& gitHubWebOrigin);

} // namespace tolvane
