#pragma once

#include "github/GitHubRepo.h"

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QString>
#include <chrono>
#include <coroutine>
#include <deque>
#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;

namespace tolvane {

// The program's GitHub REST client: checks a token and creates repositories for the signed-in
// user.
//
// Both calls are coroutines that return their result or throw:
// - GitHubAPIError for the client's own failures ("Invalid token", GitHub's error message,
//   "No GitHub token configured", "Invalid response from GitHub"),
// - GitHubTransportError when no complete HTTP reply arrived (including the timeout),
// - GitHubDecodingError when a created repository's description cannot be read.
// Every one of them derives from std::exception and answers what() with the text to show.
//
// A token containing a line break is refused as "Invalid token" without being sent, since it
// would smuggle headers of its own into the request.
//
// Calls on one instance run one at a time, in the order they were made; a second call waits until
// the first has finished. Each request gives up when nothing is transferred for `timeout` or when
// it has taken `timeout` in all, and is never retried. Redirects are followed only within the same
// scheme, host and port, so the token never reaches another server. The keychain is read on a
// worker thread; the network work is asynchronous, so the interface thread never waits. Replies
// larger than a few megabytes are not read. Keep the service alive while a call is running: a call
// whose service is destroyed never finishes.
class GitHubService : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60'000};
    // Bodies beyond this size are not read; GitHub's replies to these calls are a few kilobytes.
    static constexpr qint64 maximumReplySize = 4 * 1024 * 1024;

    // `baseURL` is the REST API root without a trailing slash, e.g. "https://api.github.com".
    explicit GitHubService(QString baseURL, std::chrono::milliseconds timeout = defaultTimeout,
                           QObject* parent = nullptr);
    ~GitHubService() override;

    const QString& baseURL() const { return m_baseURL; }

    // The login of the account `token` belongs to (the token given, not the stored one).
    QCoro::Task<QString> validateToken(QString token);

    // Creates a repository owned by the stored token's user. An empty description is not sent.
    QCoro::Task<GitHubRepo> createRepository(QString name, std::optional<QString> description,
                                             bool isPrivate, bool autoInit);

private:
    struct Reply {
        int status = 0;
        QByteArray body;
        bool bodyTooLarge = false;
    };

    class TurnAwaiter;
    class Turn;

    QNetworkRequest makeRequest(const QString& path, const QString& token) const;
    QCoro::Task<Reply> send(QNetworkRequest request, std::optional<QByteArray> postBody);
    void passTurn();

    const QString m_baseURL;
    const std::chrono::milliseconds m_timeout;
    QNetworkAccessManager* m_network;
    bool m_busy = false;
    std::deque<std::coroutine_handle<>> m_waiting;
};

} // namespace tolvane
