#include "engine/PromptChannel.h"

#include "engine/GitRunnerConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QTemporaryDir>
#include <QUuid>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {
namespace {

// A request line is a prompt and a few names; anything longer is not ours.
constexpr qsizetype maximumRequestSize = 64 * 1024;

QMutex& folderMutex() {
    static QMutex mutex;
    return mutex;
}

QString& folderPath() {
    static QString path;
    return path;
}

// Only a process of this same user may ask: the folder's mode already says so, and the peer's
// credentials prove it for the socket itself.
bool peerIsThisUser(const QLocalSocket* socket) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0)
        return false;
    return credentials.uid == ::getuid();
}

} // namespace

PromptChannel& PromptChannel::instance() {
    static PromptChannel* channel = [] {
        auto* created = new PromptChannel;
        // Destroyed with the application, so that its folder is removed.
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QObject::destroyed,
                             [created] { delete created; });
        return created;
    }();
    return *channel;
}

QString PromptChannel::folder() {
    QMutexLocker lock(&folderMutex());
    return folderPath();
}

PromptChannel::PromptChannel() {
    start();
}

PromptChannel::~PromptChannel() {
    QMutexLocker lock(&folderMutex());
    folderPath().clear();
}

bool PromptChannel::isListening() const {
    return m_server && m_server->isListening();
}

void PromptChannel::start() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath();
    m_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tolvane-XXXXXX"));
    if (!m_dir->isValid()) {
        m_error = m_dir->errorString();
        return;
    }
    const QByteArray folderBytes = QFile::encodeName(m_dir->path());
    if (::chmod(folderBytes.constData(), S_IRWXU) != 0) {
        m_error = QStringLiteral("cannot restrict %1 to this user").arg(m_dir->path());
        return;
    }
    QString executable = GitRunnerConfig::current().helperExecutable;
    if (executable.isEmpty())
        executable = QCoreApplication::applicationFilePath();
    for (const char* name : {askpassLinkName, credentialLinkName}) {
        if (!QFile::link(executable, m_dir->filePath(QString::fromLatin1(name)))) {
            m_error = QStringLiteral("cannot link the helper into %1").arg(m_dir->path());
            return;
        }
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString socketPath = m_dir->filePath(QString::fromLatin1(promptSocketName));
    if (!m_server->listen(socketPath)) {
        m_error = m_server->errorString();
        return;
    }
    ::chmod(QFile::encodeName(socketPath).constData(), S_IRUSR | S_IWUSR);
    connect(m_server, &QLocalServer::newConnection, this, &PromptChannel::accept);
    QMutexLocker lock(&folderMutex());
    folderPath() = m_dir->path();
}

void PromptChannel::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(socket)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void PromptChannel::readFrom(QLocalSocket* socket) {
    if (socket->property("tolvaneRequested").toBool())
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumRequestSize)
            socket->abort();
        return;
    }
    socket->setProperty("tolvaneRequested", true);
    const std::optional<PromptRequest> request = decodePromptRequest(socket->readLine());
    if (!request) {
        socket->abort();
        return;
    }
    dispatch(socket, *request);
}

void PromptChannel::dispatch(QLocalSocket* socket, const PromptRequest& request) {
    const QPointer<QLocalSocket> guarded(socket);
    const auto handler = m_sessions.constFind(request.session);
    if (handler == m_sessions.constEnd()) {
        // Nobody to ask: the command was started where no window can answer.
        socket->write(encodePromptReply(PromptReply::cancel()));
        socket->disconnectFromServer();
        return;
    }
    m_waiting[request.session].append(guarded);
    const QString session = request.session;
    Responder respond = [this, guarded, session](const PromptReply& reply) {
        if (!guarded)
            return;
        const auto waiting = m_waiting.find(session);
        if (waiting == m_waiting.end() || !waiting->removeOne(guarded))
            return;
        guarded->write(encodePromptReply(reply));
        guarded->flush();
        guarded->disconnectFromServer();
    };
    // A copy: the handler may close its own session while it runs.
    const Handler call = *handler;
    call(request, std::move(respond));
}

QString PromptChannel::openSession(Handler handler) {
    const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_sessions.insert(session, std::move(handler));
    return session;
}

void PromptChannel::closeSession(const QString& session) {
    m_sessions.remove(session);
    const QList<QPointer<QLocalSocket>> waiting = m_waiting.take(session);
    for (const QPointer<QLocalSocket>& socket : waiting) {
        if (!socket)
            continue;
        socket->write(encodePromptReply(PromptReply::cancel()));
        socket->flush();
        socket->disconnectFromServer();
    }
}

} // namespace tolvane
