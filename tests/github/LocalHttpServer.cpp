#include "LocalHttpServer.h"

#include <QHostAddress>

namespace tolvane::test {

LocalHttpServer::LocalHttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

QString LocalHttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LocalHttpServer::respondWith(const QByteArray& raw) {
    m_responder = [raw](const RecordedRequest&) { return std::optional<QByteArray>(raw); };
}

void LocalHttpServer::answer(int index, const QByteArray& raw) {
    if (index < m_sockets.size() && m_sockets[index])
        send(m_sockets[index], raw);
}

void LocalHttpServer::answerPart(int index, const QByteArray& raw) {
    if (index < m_sockets.size() && m_sockets[index])
        m_sockets[index]->write(raw);
}

QByteArray LocalHttpServer::response(int status, const QByteArray& body,
                                     const QByteArray& contentType) {
    QByteArray raw = "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\n";
    raw += "Content-Type: " + contentType + "\r\n";
    raw += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    raw += "Connection: close\r\n\r\n";
    return raw + body;
}

void LocalHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray buffer = m_buffers.take(socket) + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        RecordedRequest request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            break;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);

        m_requests.append(request);
        m_sockets.append(socket);
        const std::optional<QByteArray> raw =
            m_responder ? m_responder(request) : std::optional<QByteArray>();
        if (raw)
            send(socket, *raw);
    }
    // Kept for the next readyRead when a request has not fully arrived yet.
    if (!buffer.isEmpty() && socket->state() == QAbstractSocket::ConnectedState)
        m_buffers.insert(socket, buffer);
}

void LocalHttpServer::send(QTcpSocket* socket, const QByteArray& raw) {
    socket->write(raw);
    socket->disconnectFromHost();
}

} // namespace tolvane::test
