#include "state/CredentialPrompts.h"

#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>

namespace tolvane {
namespace {

QString rememberKey(const QString& protocol, const QString& host, const QString& user) {
    return protocol + u' ' + host + u' ' + user;
}

} // namespace

CredentialPrompts::CredentialPrompts(QObject* parent) : QObject(parent) {
    // Started before the first command, so that its folder exists when git is started.
    PromptChannel::instance();
}

CredentialPrompts::~CredentialPrompts() {
    const QList<QString> sessions = m_commands.keys();
    for (const QString& session : sessions)
        PromptChannel::instance().closeSession(session);
}

QString CredentialPrompts::beginCommand(const QString& remote,
                                        std::function<void()> cancelCommand) {
    QPointer<CredentialPrompts> self(this);
    const QString session = PromptChannel::instance().openSession(
        [self](const PromptRequest& request, PromptChannel::Responder respond) {
            if (!self) {
                respond(PromptReply::cancel());
                return;
            }
            self->receive(request.session, request, std::move(respond));
        });
    m_commands.insert(session, Command{remote, std::move(cancelCommand), {}, {}});
    return session;
}

void CredentialPrompts::endCommand(const QString& session) {
    m_commands.remove(session);
    PromptChannel::instance().closeSession(session);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [&session](const Waiting& w) { return w.session == session; }),
                  m_queue.end());
    if (m_current && m_current->session == session &&
        m_current->prompt.kind != CredentialPrompt::Kind::HostKeyChanged) {
        m_current.reset();
        showNext();
    }
}

void CredentialPrompts::receive(const QString& session, const PromptRequest& request,
                                PromptChannel::Responder respond) {
    const auto command = m_commands.find(session);
    if (command == m_commands.end()) {
        respond(PromptReply::cancel());
        return;
    }
    if (request.kind == PromptRequest::Kind::Store) {
        // Kept only when the user ticked "Remember" for exactly this credential.
        PromptReply reply;
        reply.remember = command->remembered.contains(
            rememberKey(request.protocol, request.host, request.username));
        respond(reply);
        return;
    }
    CredentialPrompt prompt;
    if (request.kind == PromptRequest::Kind::Credential) {
        prompt = promptForCredential(request.protocol, request.host, request.username);
    } else {
        prompt = promptFromAskpass(request.prompt, request.hint, QDir::homePath());
        // ssh asks the same question again after a wrong passphrase.
        prompt.retry =
            prompt.kind == CredentialPrompt::Kind::Secret && command->lastAskpass == request.prompt;
        command->lastAskpass = request.prompt;
    }
    prompt.remote = command->remote;
    enqueue(Waiting{prompt, session, std::move(respond)});
}

void CredentialPrompts::enqueue(Waiting waiting) {
    waiting.prompt.id = m_nextId++;
    m_queue.append(std::move(waiting));
    if (!m_current)
        showNext();
}

void CredentialPrompts::showNext() {
    if (m_current) {
        setPrompt(m_current->prompt);
        return;
    }
    if (m_queue.isEmpty()) {
        setPrompt(std::nullopt);
        return;
    }
    m_current = m_queue.takeFirst();
    setPrompt(m_current->prompt);
}

void CredentialPrompts::reply(const PromptReply& answer) {
    if (!m_current)
        return;
    Waiting shown = std::move(*m_current);
    m_current.reset();
    if (shown.respond)
        shown.respond(answer);
    showNext();
}

void CredentialPrompts::answer(const QString& text) {
    if (!m_current || m_current->prompt.kind == CredentialPrompt::Kind::HostKeyChanged)
        return;
    reply(PromptReply::text(text));
}

void CredentialPrompts::answerCredential(const QString& username, const QString& password,
                                         bool remember) {
    if (!m_current || m_current->prompt.kind != CredentialPrompt::Kind::Credential)
        return;
    const CredentialPrompt& prompt = m_current->prompt;
    const QString user = prompt.username.isEmpty() ? username : prompt.username;
    if (remember) {
        const auto command = m_commands.find(m_current->session);
        if (command != m_commands.end())
            command->remembered.insert(rememberKey(prompt.protocol, prompt.host, user));
    }
    PromptReply credential;
    credential.username = user;
    credential.password = password;
    credential.remember = remember;
    reply(credential);
}

void CredentialPrompts::accept() {
    // A changed host key is never accepted from here.
    if (!m_current || m_current->prompt.kind == CredentialPrompt::Kind::HostKeyChanged)
        return;
    reply(PromptReply::text(QStringLiteral("yes")));
}

void CredentialPrompts::cancel() {
    if (!m_current)
        return;
    if (m_current->prompt.kind == CredentialPrompt::Kind::HostKeyChanged) {
        dismiss();
        return;
    }
    const QString session = m_current->session;
    std::function<void()> cancelCommand;
    if (const auto command = m_commands.constFind(session); command != m_commands.constEnd())
        cancelCommand = command->cancel;
    // Ended first, so that the refusal below is never taken for git's own failure.
    if (cancelCommand)
        cancelCommand();
    reply(PromptReply::cancel());
    // Other questions of the same command are moot once it ends.
    for (qsizetype i = m_queue.size() - 1; i >= 0; --i) {
        if (m_queue[i].session == session) {
            m_queue[i].respond(PromptReply::cancel());
            m_queue.removeAt(i);
        }
    }
    showNext();
}

void CredentialPrompts::dismiss() {
    if (!m_current || m_current->prompt.kind != CredentialPrompt::Kind::HostKeyChanged)
        return;
    reply(PromptReply::cancel());
}

void CredentialPrompts::showChangedHostKey(const QString& remote, const QString& warning) {
    CredentialPrompt prompt;
    prompt.kind = CredentialPrompt::Kind::HostKeyChanged;
    prompt.title = QStringLiteral("The host key has changed");
    prompt.remote = remote;
    // ssh ends the warning's lines with carriage returns as well.
    prompt.detail = QString(warning).remove(u'\r').trimmed();
    static const QRegularExpression hostLine(QStringLiteral(R"(Host key for (\S+) has changed)"));
    if (const auto match = hostLine.match(prompt.detail); match.hasMatch()) {
        prompt.host = match.captured(1);
        prompt.title = QStringLiteral("The host key of %1 has changed").arg(prompt.host);
    }
    static const QRegularExpression fingerprintLine(
        QStringLiteral(
            R"(The fingerprint for the (\S+) key sent by the remote host is\s*\n?\s*(SHA256:\S+?)\.?\s*$)"),
        QRegularExpression::MultilineOption);
    if (const auto match = fingerprintLine.match(prompt.detail); match.hasMatch()) {
        prompt.keyType = match.captured(1);
        prompt.fingerprint = match.captured(2);
    }
    enqueue(Waiting{prompt, QString(), nullptr});
}

} // namespace tolvane
