#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tolvane {

// The client's own failures. Transport failures and unreadable replies are reported with their
// own types (GitHubTransportError, GitHubDecodingError); callers show `description()` whatever the
// type, so every GitHub error also answers `what()` with its description in UTF-8.
class GitHubAPIError : public std::exception {
public:
    enum class Kind { ApiError, NoToken, InvalidResponse };

    static GitHubAPIError apiError(const QString& message);
    static GitHubAPIError noToken();
    static GitHubAPIError invalidResponse();

    Kind kind() const { return m_kind; }
    // The payload of ApiError; empty for the other kinds.
    const QString& message() const { return m_message; }
    QString description() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    GitHubAPIError(Kind kind, QString message);

    Kind m_kind;
    QString m_message;
    QByteArray m_what;
};

} // namespace tolvane
