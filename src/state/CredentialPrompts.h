#pragma once

#include "engine/PromptChannel.h"
#include "state/CredentialPrompt.h"
#include "state/ObservableField.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

// The questions the network commands of one tab ask (passphrases, passwords, host keys), one at
// a time. Each command runs in a session of its own on the prompt channel; closing the tab
// destroys this object, which answers every waiting question as cancelled. Interface thread only.
class CredentialPrompts : public QObject {
    Q_OBJECT

    // The question shown now; none when nothing is asked.
    TOLVANE_FIELD(std::optional<CredentialPrompt>, prompt, setPrompt)

public:
    explicit CredentialPrompts(QObject* parent = nullptr);
    ~CredentialPrompts() override;

    // Opens a session for one network command talking to `remote`; `cancelCommand` ends the
    // command when the user cancels one of its questions. Returns the session to run it in.
    QString beginCommand(const QString& remote, std::function<void()> cancelCommand);
    // Closes the session; its questions still waiting are withdrawn.
    void endCommand(const QString& session);

    // Answers of the shown question.
    void answer(const QString& text);
    void answerCredential(const QString& username, const QString& password, bool remember);
    // Connect to a host seen for the first time, or yes to ssh's question.
    void accept();
    // Says no and ends the command that asked.
    void cancel();
    // Closes a notice that asks nothing (a changed host key).
    void dismiss();

    // Shows ssh's refusal of a host whose key changed, whole, with nothing to accept.
    void showChangedHostKey(const QString& remote, const QString& warning);

Q_SIGNALS:
    void promptChanged();

private:
    struct Waiting {
        CredentialPrompt prompt;
        QString session;
        PromptChannel::Responder respond;
    };
    struct Command {
        QString remote;
        std::function<void()> cancel;
        QString lastAskpass;
        // Credentials the user asked to keep, as "protocol host user".
        QSet<QString> remembered;
    };

    void receive(const QString& session, const PromptRequest& request,
                 PromptChannel::Responder respond);
    void enqueue(Waiting waiting);
    // Answers the shown question and moves on to the next.
    void reply(const PromptReply& reply);
    void showNext();

    QHash<QString, Command> m_commands;
    QList<Waiting> m_queue;
    std::optional<Waiting> m_current;
    quint64 m_nextId = 1;
};

} // namespace tolvane
