#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvane {

// What the helper that git and ssh start asks the window, one JSON line per request.
struct PromptRequest {
    enum class Kind {
        // A line of text for git's or ssh's askpass prompt (passphrase, password, host key).
        Askpass,
        // A user name and password for a remote that git's credential protocol asks for.
        Credential,
        // Whether a credential that worked may be kept in the secret store.
        Store,
    };
    Kind kind = Kind::Askpass;
    // The network command the request belongs to (set by the runner in the helper's environment).
    QString session;
    // The askpass prompt as git or ssh wrote it.
    QString prompt;
    // ssh's hint ("confirm" for a yes/no question), empty otherwise.
    QString hint;
    // The remote, for credentials.
    QString protocol;
    QString host;
    QString username;

    friend bool operator==(const PromptRequest&, const PromptRequest&) = default;
};

// The window's answer. A cancelled request gets nothing else.
struct PromptReply {
    bool cancelled = false;
    QString answer;
    QString username;
    QString password;
    bool remember = false;

    friend bool operator==(const PromptReply&, const PromptReply&) = default;

    static PromptReply cancel() {
        PromptReply reply;
        reply.cancelled = true;
        return reply;
    }
    static PromptReply text(const QString& answer) {
        PromptReply reply;
        reply.answer = answer;
        return reply;
    }
};

// One line each, newline included.
QByteArray encodePromptRequest(const PromptRequest& request);
std::optional<PromptRequest> decodePromptRequest(const QByteArray& line);
QByteArray encodePromptReply(const PromptReply& reply);
std::optional<PromptReply> decodePromptReply(const QByteArray& line);

// Names the helper is started under (links in the channel's folder), and the variable naming
// the session.
inline constexpr const char* askpassLinkName = "tolvane-askpass";
inline constexpr const char* credentialLinkName = "tolvane-credential";
inline constexpr const char* promptSocketName = "prompt";
inline constexpr const char* promptSessionVariable = "TOLVANE_PROMPT_SESSION";

} // namespace tolvane
