#include "github/GitHubService.h"

#include "github/GitHubAPIError.h"
#include "github/GitHubDecodingError.h"
#include "github/GitHubError.h"
#include "github/GitHubTransportError.h"
#include "platform/KeychainHelper.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent>
#include <memory>

namespace tolvane {

namespace {

const QByteArray acceptValue = QByteArrayLiteral("application/vnd.github+json");

// Codes below the content range are connection, TLS, timeout and proxy failures; ProtocolFailure
// is a reply that broke off or could not be parsed. The others stand for an HTTP status the
// server did send, which the calls interpret themselves.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    return (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolFailure;
}

// A line break would end the header early and let the rest of the value become headers of its own.
bool isSafeHeaderValue(const QString& value) {
    return !value.contains(u'\r') && !value.contains(u'\n') && !value.contains(QChar(0));
}

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace

// Waits until no other call of the same service is running, then holds the service's turn.
class GitHubService::TurnAwaiter {
public:
    explicit TurnAwaiter(GitHubService* service) : m_service(service) {}
    bool await_ready() noexcept {
        if (m_service->m_busy)
            return false;
        m_service->m_busy = true;
        return true;
    }
    void await_suspend(std::coroutine_handle<> waiting) { m_service->m_waiting.push_back(waiting); }
    void await_resume() noexcept {}

private:
    GitHubService* m_service;
};

// Hands the turn to the next waiting call when the current call ends, however it ends.
class GitHubService::Turn {
public:
    explicit Turn(GitHubService* service) : m_service(service) {}
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn() {
        if (m_service)
            m_service->passTurn();
    }

private:
    QPointer<GitHubService> m_service;
};

GitHubService::GitHubService(QString baseURL, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_baseURL(std::move(baseURL)), m_timeout(timeout),
      m_network(new QNetworkAccessManager(this)) {}

GitHubService::~GitHubService() = default;

void GitHubService::passTurn() {
    if (m_waiting.empty()) {
        m_busy = false;
        return;
    }
    const std::coroutine_handle<> next = m_waiting.front();
    m_waiting.pop_front();
    // Resumed from the event loop rather than from inside the finishing call's unwinding.
    QMetaObject::invokeMethod(
        this, [next] { next.resume(); }, Qt::QueuedConnection);
}

QNetworkRequest GitHubService::makeRequest(const QString& path, const QString& token) const {
    QNetworkRequest request(QUrl(m_baseURL + path));
    request.setRawHeader(QByteArrayLiteral("Authorization"),
                         QByteArrayLiteral("Bearer ") + token.toUtf8());
    request.setRawHeader(QByteArrayLiteral("Accept"), acceptValue);
    // Qt repeats our raw headers on every hop of a redirect; a redirect to another host would
    // carry the token there, so only hops within the same scheme, host and port are followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(int(m_timeout.count()));
    return request;
}

QCoro::Task<GitHubService::Reply> GitHubService::send(QNetworkRequest request,
                                                      std::optional<QByteArray> postBody) {
    std::unique_ptr<QNetworkReply, DeleteLater> reply(postBody ? m_network->post(request, *postBody)
                                                               : m_network->get(request));

    // Stop reading a body that grows past the limit; the abort is queued so that it does not run
    // inside the reply's own signal.
    auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* raw = reply.get();
    connect(raw, &QNetworkReply::readyRead, raw, [raw, tooLarge] {
        if (*tooLarge || raw->bytesAvailable() <= maximumReplySize)
            return;
        *tooLarge = true;
        QMetaObject::invokeMethod(raw, &QNetworkReply::abort, Qt::QueuedConnection);
    });

    // The transfer timeout only notices silence; a server that trickles its reply is cut off
    // by this deadline on the whole exchange.
    QTimer::singleShot(m_timeout, raw, [raw] {
        if (raw->isRunning())
            raw->abort();
    });

    co_await raw;

    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (*tooLarge && status.isValid())
        co_return Reply{.status = status.toInt(), .body = {}, .bodyTooLarge = true};

    const QNetworkReply::NetworkError error = raw->error();
    // The transfer timeout and the deadline are the only other ways a request of ours gets
    // cancelled.
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        throw GitHubTransportError::timedOut();
    if (isTransportFailure(error) || (!status.isValid() && error != QNetworkReply::NoError))
        throw GitHubTransportError(error, raw->errorString());
    if (!status.isValid())
        throw GitHubAPIError::invalidResponse();

    QByteArray body = raw->readAll();
    if (body.size() > maximumReplySize)
        co_return Reply{.status = status.toInt(), .body = {}, .bodyTooLarge = true};
    co_return Reply{.status = status.toInt(), .body = std::move(body), .bodyTooLarge = false};
}

QCoro::Task<QString> GitHubService::validateToken(QString token) {
    co_await TurnAwaiter(this);
    const Turn turn(this);

    if (!isSafeHeaderValue(token))
        throw GitHubAPIError::apiError(QStringLiteral("Invalid token"));
    QNetworkRequest request = makeRequest(QStringLiteral("/user"), token);
    const Reply reply = co_await send(std::move(request), std::nullopt);
    if (reply.status != 200)
        throw GitHubAPIError::apiError(QStringLiteral("Invalid token"));
    if (!reply.bodyTooLarge) {
        const QJsonDocument document = QJsonDocument::fromJson(reply.body);
        const QJsonValue login = document.object().value(QStringLiteral("login"));
        if (document.isObject() && login.isString())
            co_return login.toString();
    }
    throw GitHubAPIError::invalidResponse();
}

QCoro::Task<GitHubRepo> GitHubService::createRepository(QString name,
                                                        std::optional<QString> description,
                                                        bool isPrivate, bool autoInit) {
    co_await TurnAwaiter(this);
    const Turn turn(this);

    // The secret store answers over synchronous D-Bus, so it is asked on a worker.
    // Named first: g++ 12 mishandles temporaries built inside a co_await expression.
    QFuture<std::optional<QString>> lookup =
        QtConcurrent::run([] { return KeychainHelper::getToken(); });
    const std::optional<QString> token = co_await lookup;
    if (!token)
        throw GitHubAPIError::noToken();
    if (!isSafeHeaderValue(*token))
        throw GitHubAPIError::apiError(QStringLiteral("Invalid token"));

    QJsonObject fields;
    fields.insert(QStringLiteral("name"), name);
    fields.insert(QStringLiteral("private"), isPrivate);
    fields.insert(QStringLiteral("auto_init"), autoInit);
    if (description && !description->isEmpty())
        fields.insert(QStringLiteral("description"), *description);
    const QByteArray body = QJsonDocument(fields).toJson(QJsonDocument::Compact);

    QNetworkRequest request = makeRequest(QStringLiteral("/user/repos"), *token);
    request.setRawHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));
    const Reply reply = co_await send(std::move(request), body);

    if (reply.status == 201) {
        if (reply.bodyTooLarge)
            throw GitHubDecodingError(QStringLiteral("it is too large"));
        co_return GitHubRepo::fromJson(reply.body);
    }
    const std::optional<GitHubError> error =
        reply.bodyTooLarge ? std::nullopt : GitHubError::fromJson(reply.body);
    if (!error)
        throw GitHubAPIError::apiError(QStringLiteral("HTTP ") + QString::number(reply.status));
    throw GitHubAPIError::apiError(error->displayMessage());
}

} // namespace tolvane
