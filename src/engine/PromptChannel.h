#pragma once

#include "engine/promptMessages.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QTemporaryDir;

namespace tolvane {

// The private way back from git and ssh to the window: a Unix socket that only this user can
// open, in a folder only this user can enter, beside links to our own executable under the
// helper names. Requests are routed by session to whoever started the network command; lives on
// the interface thread for the whole program.
class PromptChannel : public QObject {
    Q_OBJECT
public:
    // Answers one request, once; later calls and calls after the helper went away do nothing.
    using Responder = std::function<void(const PromptReply&)>;
    using Handler = std::function<void(const PromptRequest&, Responder)>;

    // The channel, started on first use; call on the interface thread.
    static PromptChannel& instance();
    // The folder holding the socket and the helper links, or empty while no channel listens.
    // Safe on any thread.
    static QString folder();

    bool isListening() const;
    QString errorString() const { return m_error; }

    // A new session whose requests go to `handler` until it is closed.
    QString openSession(Handler handler);
    // Requests still waiting in the session are answered as cancelled.
    void closeSession(const QString& session);

    ~PromptChannel() override;

private:
    PromptChannel();
    void start();
    void accept();
    void readFrom(QLocalSocket* socket);
    void dispatch(QLocalSocket* socket, const PromptRequest& request);

    std::unique_ptr<QTemporaryDir> m_dir;
    QLocalServer* m_server = nullptr;
    QString m_error;
    QHash<QString, Handler> m_sessions;
    // Connections waiting for an answer, by session.
    QHash<QString, QList<QPointer<QLocalSocket>>> m_waiting;
};

} // namespace tolvane
