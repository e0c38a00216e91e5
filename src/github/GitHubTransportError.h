#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <exception>

namespace tolvane {

// A request that never produced a complete HTTP reply: no connection, TLS failure, a connection
// dropped mid-reply, or no answer within the request's timeout.
class GitHubTransportError : public std::exception {
public:
    GitHubTransportError(QNetworkReply::NetworkError code, const QString& description)
        : m_code(code), m_description(description), m_what(description.toUtf8()) {}

    static GitHubTransportError timedOut() {
        return GitHubTransportError(QNetworkReply::TimeoutError,
                                    QStringLiteral("The request timed out."));
    }

    QNetworkReply::NetworkError code() const { return m_code; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QNetworkReply::NetworkError m_code;
    QString m_description;
    QByteArray m_what;
};

} // namespace tolvane
