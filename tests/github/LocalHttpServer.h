#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <optional>

namespace tolvane::test {

// One request as the server received it. Header names are lower-cased.
struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    QMap<QByteArray, QByteArray> headers;
    QByteArray body;
};

// A small HTTP/1.1 server on 127.0.0.1 that records every request and answers each with the
// bytes its responder returns (sent as they are, then the connection is closed). A responder
// that returns none leaves the request unanswered until `answer` is called, or forever.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<std::optional<QByteArray>(const RecordedRequest&)>;

    LocalHttpServer();

    // "http://127.0.0.1:<port>", without a trailing slash.
    QString baseUrl() const;
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Answers every request with the same bytes.
    void respondWith(const QByteArray& raw);

    const QList<RecordedRequest>& requests() const { return m_requests; }
    // Sends `raw` for the request at `index` (one left unanswered by the responder).
    void answer(int index, const QByteArray& raw);
    // Writes `raw` for the request at `index` and keeps the connection open (a slow server).
    void answerPart(int index, const QByteArray& raw);

    // A complete response with a Content-Length matching `body`.
    static QByteArray response(int status, const QByteArray& body,
                               const QByteArray& contentType = "application/json; charset=utf-8");

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    static void send(QTcpSocket* socket, const QByteArray& raw);

    QTcpServer m_server;
    Responder m_responder;
    QList<RecordedRequest> m_requests;
    QList<QPointer<QTcpSocket>> m_sockets;
    QMap<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace tolvane::test
