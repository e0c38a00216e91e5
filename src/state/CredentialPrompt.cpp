#include "state/CredentialPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace tolvane {
namespace {

QString withHome(QString path, const QString& homeFolder) {
    if (!homeFolder.isEmpty() && homeFolder != u"/" &&
        (path == homeFolder || path.startsWith(homeFolder + u'/')))
        path = u'~' + path.mid(homeFolder.size());
    return path;
}

QString withoutTrailingColon(QString text) {
    text = text.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    return text.trimmed();
}

} // namespace

CredentialPrompt promptFromAskpass(const QString& text, const QString& hint,
                                   const QString& homeFolder) {
    CredentialPrompt prompt;
    prompt.detail = text.trimmed();

    static const QRegularExpression passphrase(
        QStringLiteral(R"(^Enter passphrase for (?:key )?'?(.+?)'?:\s*$)"));
    static const QRegularExpression hostKey(
        QStringLiteral(
            R"(The authenticity of host '([^']+)' can't be established\.[\s\S]*?^(\S+) key fingerprint is (SHA256:\S+?)\.?$)"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression sshPassword(QStringLiteral(R"(^(\S+@\S+)'s password:\s*$)"));
    static const QRegularExpression gitQuestion(
        QStringLiteral(R"(^(Username|Password) for '([^']+)':\s*$)"));

    if (const auto match = hostKey.match(text); match.hasMatch()) {
        prompt.kind = CredentialPrompt::Kind::HostKey;
        prompt.host = match.captured(1);
        // ssh writes "[host]:port" for a port other than 22, and repeats it in parentheses.
        const qsizetype space = prompt.host.indexOf(QStringLiteral(" ("));
        if (space > 0)
            prompt.host = prompt.host.left(space);
        prompt.keyType = match.captured(2);
        prompt.fingerprint = match.captured(3);
        prompt.title = QStringLiteral("Connect to %1 for the first time?").arg(prompt.host);
        return prompt;
    }
    const QString line = text.trimmed();
    if (const auto match = passphrase.match(line); match.hasMatch()) {
        prompt.kind = CredentialPrompt::Kind::Secret;
        prompt.title =
            QStringLiteral("Passphrase for key '%1'").arg(withHome(match.captured(1), homeFolder));
        return prompt;
    }
    if (const auto match = sshPassword.match(line); match.hasMatch()) {
        prompt.kind = CredentialPrompt::Kind::Secret;
        prompt.title = QStringLiteral("Password for '%1'").arg(match.captured(1));
        return prompt;
    }
    if (const auto match = gitQuestion.match(line); match.hasMatch()) {
        prompt.kind = match.captured(1) == u"Password" ? CredentialPrompt::Kind::Secret
                                                       : CredentialPrompt::Kind::Text;
        prompt.title = withoutTrailingColon(line);
        return prompt;
    }
    if (hint == u"confirm") {
        prompt.kind = CredentialPrompt::Kind::Confirm;
        prompt.title = withoutTrailingColon(line.section(u'\n', -1));
        return prompt;
    }
    // A question we do not know: shown as asked, answered hidden when it looks like a secret.
    const bool secret = line.contains(QStringLiteral("pass"), Qt::CaseInsensitive) ||
                        line.contains(QStringLiteral("PIN"));
    prompt.kind = secret ? CredentialPrompt::Kind::Secret : CredentialPrompt::Kind::Text;
    prompt.title = withoutTrailingColon(line.section(u'\n', -1));
    return prompt;
}

CredentialPrompt promptForCredential(const QString& protocol, const QString& host,
                                     const QString& username) {
    CredentialPrompt prompt;
    prompt.kind = CredentialPrompt::Kind::Credential;
    prompt.host = host;
    prompt.protocol = protocol;
    prompt.username = username;
    if (username.isEmpty())
        prompt.title = QStringLiteral("Username for '%1://%2'").arg(protocol, host);
    else
        prompt.title = QStringLiteral("Password for '%1://%2@%3'").arg(protocol, username, host);
    return prompt;
}

QStringList defaultSshKeyFiles(const QString& homeFolder) {
    QStringList files;
    for (const char* name : {"id_rsa", "id_ecdsa", "id_ecdsa_sk", "id_ed25519", "id_ed25519_sk",
                             "id_xmss", "id_dsa"}) {
        const QString relative = QStringLiteral(".ssh/") + QLatin1String(name);
        if (QFileInfo::exists(QDir(homeFolder).filePath(relative)))
            files.append(QStringLiteral("~/") + relative);
    }
    return files;
}

bool isChangedHostKey(const QString& gitMessage) {
    return gitMessage.contains(QStringLiteral("REMOTE HOST IDENTIFICATION HAS CHANGED")) ||
           (gitMessage.contains(QStringLiteral("Host key for")) &&
            gitMessage.contains(QStringLiteral("has changed")));
}

QString remoteFailureSummary(const QString& message, const QStringList& keyFiles) {
    auto has = [&message](const char* text) {
        return message.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    if (isChangedHostKey(message))
        return QStringLiteral("The server's host key has changed. Ask its administrator whether "
                              "that is expected before you remove the old key from "
                              "~/.ssh/known_hosts.");
    if (has("Host key verification failed"))
        return QStringLiteral("The server's host key was not accepted, so nothing was sent. "
                              "Try again and check its fingerprint.");
    if (has("Permission denied (publickey")) {
        // ssh names the keys it offered only in verbose mode; git's text often names the file it
        // could not read.
        static const QRegularExpression keyFile(
            QStringLiteral(R"re(identity file (\S+)|Load key "([^"]+)")re"));
        QStringList files;
        auto matches = keyFile.globalMatch(message);
        while (matches.hasNext()) {
            const auto match = matches.next();
            const QString file =
                match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
            if (!files.contains(file))
                files.append(file);
        }
        if (files.isEmpty())
            files = keyFiles;
        QString text = QStringLiteral("The server refused your SSH key");
        if (!files.isEmpty())
            text += QStringLiteral(" (tried %1)").arg(files.join(QStringLiteral(", ")));
        return text + QStringLiteral(". Add your public key to your account on the server, or "
                                     "load the right key into your SSH agent.");
    }
    if (has("Could not resolve hostname") || has("Could not resolve host"))
        return QStringLiteral("The server's name is unknown. Check the remote's address and your "
                              "network connection.");
    if (has("Connection refused"))
        return QStringLiteral("The server refused the connection. Check the remote's address and "
                              "port, or try again later.");
    if (has("timed out") || has("Connection timed out"))
        return QStringLiteral("The server did not answer in time. Check your network connection "
                              "or try again later.");
    if (has("The requested URL returned error: 403") || has("HTTP 403"))
        return QStringLiteral("The server refused access (HTTP 403). Check that your account may "
                              "use this repository.");
    if (has("Authentication failed") || has("The requested URL returned error: 401") ||
        has("HTTP 401") || has("could not read Username") || has("could not read Password"))
        return QStringLiteral("The server did not accept the user name and password (HTTP 401). "
                              "Try again with the right ones, or a token if the server wants "
                              "one.");
    if (has("SSL certificate problem") || has("server certificate verification failed") ||
        has("certificate verify failed"))
        return QStringLiteral("The server's certificate is not trusted by this system. Install "
                              "the certificate authority it uses, or check the address.");
    return {};
}

} // namespace tolvane
