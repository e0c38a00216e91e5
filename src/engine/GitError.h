#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tolvane {

// What a failed git step throws. A command error carries the domain "GitService", git's exit
// status (or the signal number) and the message callers show. A launch failure carries the
// platform's own message unchanged. Other engine failures (a patch file that cannot be written)
// use their own domain.
class GitError : public std::exception {
public:
    enum class Kind { Command, Launch, Other, Cancelled };

    GitError(Kind kind, QString domain, int code, QString message)
        : m_kind(kind), m_domain(std::move(domain)), m_code(code), m_message(std::move(message)),
          m_what(m_message.toUtf8()) {}

    static GitError command(int code, const QString& message) {
        return GitError(Kind::Command, QStringLiteral("GitService"), code, message);
    }
    static GitError launch(const QString& message) {
        return GitError(Kind::Launch, QStringLiteral("QProcess"), -1, message);
    }

    // The user stopped the command; callers log it as such rather than as git's failure.
    static GitError cancelled() {
        return GitError(Kind::Cancelled, QStringLiteral("GitService"), -1,
                        QStringLiteral("Cancelled"));
    }

    Kind kind() const { return m_kind; }
    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    // The text shown to the user, usually after a prefix of the caller's.
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }
    // The hook whose failure made the command fail, when that is known.
    const QString& hook() const { return m_hook; }
    void setHook(const QString& hook) { m_hook = hook; }

private:
    Kind m_kind;
    QString m_domain;
    int m_code;
    QString m_message;
    QByteArray m_what;
    QString m_hook;
};

} // namespace tolvane
