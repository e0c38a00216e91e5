#include "helper/helperMode.h"

#include "engine/historyEditFiles.h"
#include "engine/promptMessages.h"
#include "helper/credentialRequest.h"
#include "platform/CredentialStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

namespace tolvane {
namespace {

// The user name git's protocol uses for a token.
const QString tokenUser = QStringLiteral("x-access-token");

// Asks the window through the socket beside the link we were started as; none when nobody
// answers (no window, or it closed while asking).
std::optional<PromptReply> askWindow(const QString& folder, PromptRequest request) {
    request.session = qEnvironmentVariable(promptSessionVariable);
    QLocalSocket socket;
    socket.connectToServer(QDir(folder).filePath(QString::fromLatin1(promptSocketName)));
    if (!socket.waitForConnected(5000))
        return std::nullopt;
    socket.write(encodePromptRequest(request));
    socket.flush();
    // The user may take their time; the window answers or closes the connection.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(-1))
            break;
    }
    if (!socket.canReadLine())
        return std::nullopt;
    return decodePromptReply(socket.readLine());
}

void write(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// Leaves without running exit handlers: the secret-store libraries keep caches that a leak
// checker would otherwise report as failures of the helper, which git would take as a refusal.
[[noreturn]] void finish(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

int askpass(const QString& folder, const QString& prompt) {
    PromptRequest request{.kind = PromptRequest::Kind::Askpass,
                          .prompt = prompt,
                          .hint = qEnvironmentVariable("SSH_ASKPASS_PROMPT")};
    const std::optional<PromptReply> reply = askWindow(folder, std::move(request));
    if (!reply || reply->cancelled)
        return 1;
    write(reply->answer + u'\n');
    return 0;
}

QByteArray readStandardInput() {
    QByteArray input;
    char buffer[4096];
    while (size_t read = std::fread(buffer, 1, sizeof(buffer), stdin))
        input.append(buffer, qsizetype(read));
    return input;
}

int credentialGet(const QString& folder, const CredentialFields& fields,
                  const QString& gitHubOrigin) {
    if (isGitHubOrigin(fields, gitHubOrigin) &&
        (fields.username.isEmpty() || fields.username == tokenUser)) {
        if (const std::optional<QString> token = CredentialStore::gitHubToken()) {
            write(QStringLiteral("username=%1\npassword=%2\n").arg(tokenUser, *token));
            return 0;
        }
    }
    const NetworkCredentialKey key =
        NetworkCredentialKey::fromGit(fields.protocol, fields.host, fields.username);
    if (const std::optional<NetworkCredential> stored = CredentialStore::find(key)) {
        write(QStringLiteral("username=%1\npassword=%2\n").arg(stored->user, stored->password));
        return 0;
    }
    const PromptRequest request{.kind = PromptRequest::Kind::Credential,
                                .protocol = fields.protocol,
                                .host = fields.host,
                                .username = fields.username};
    const std::optional<PromptReply> reply = askWindow(folder, request);
    if (!reply || reply->cancelled) {
        // No other helper or prompt is tried after the user said no.
        write(QStringLiteral("quit=1\n"));
        return 0;
    }
    write(QStringLiteral("username=%1\npassword=%2\n").arg(reply->username, reply->password));
    return 0;
}

int credentialStore(const QString& folder, const CredentialFields& fields,
                    const QString& gitHubOrigin) {
    if (fields.username.isEmpty() || fields.password.isEmpty())
        return 0;
    // The token is kept by the GitHub sign-in, never as a remote's password.
    if (isGitHubOrigin(fields, gitHubOrigin) && fields.username == tokenUser)
        return 0;
    const PromptRequest request{.kind = PromptRequest::Kind::Store,
                                .protocol = fields.protocol,
                                .host = fields.host,
                                .username = fields.username};
    const std::optional<PromptReply> reply = askWindow(folder, request);
    if (!reply || reply->cancelled || !reply->remember)
        return 0;
    CredentialStore::store(
        NetworkCredentialKey::fromGit(fields.protocol, fields.host, fields.username),
        fields.password);
    return 0;
}

int credentialErase(const CredentialFields& fields, const QString& gitHubOrigin) {
    if (fields.host.isEmpty() || fields.protocol.isEmpty())
        return 0;
    if (isGitHubOrigin(fields, gitHubOrigin) && fields.username == tokenUser)
        return 0;
    CredentialStore::erase(
        NetworkCredentialKey::fromGit(fields.protocol, fields.host, fields.username));
    return 0;
}

int credential(const QString& folder, const QStringList& arguments) {
    QString gitHubOrigin;
    QString action;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--github-origin" && i + 1 < arguments.size())
            gitHubOrigin = arguments[++i];
        else
            action = arguments[i];
    }
    const CredentialFields fields = parseCredentialFields(readStandardInput());
    if (action == u"get")
        return credentialGet(folder, fields, gitHubOrigin);
    if (action == u"store")
        return credentialStore(folder, fields, gitHubOrigin);
    if (action == u"erase")
        return credentialErase(fields, gitHubOrigin);
    // Actions added by later versions of git are not ours to answer.
    return 0;
}

std::optional<QByteArray> readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool replaceWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

// As git's sequence editor: the todo list becomes the plan, exactly.
int writeTodo(const QString& planFile, const QString& todoFile) {
    const std::optional<QByteArray> plan = readWhole(planFile);
    if (!plan || plan->isEmpty()) {
        std::fprintf(stderr, "tolvane: the plan of this history edit is missing\n");
        return 1;
    }
    const QByteArray generated = readWhole(todoFile).value_or(QByteArray());
    const QByteArray todo =
        withUpdateRefs(QString::fromUtf8(*plan), QString::fromUtf8(generated)).toUtf8();
    if (!replaceWhole(todoFile, todo)) {
        std::fprintf(stderr, "tolvane: cannot write git's todo list\n");
        return 1;
    }
    return 0;
}

// As git's message editor: the planned message of the step git is at, or git's own message
// left as it is.
int writeMessage(const QString& messagesFile, const QString& messageFile) {
    const std::optional<QByteArray> planned = readWhole(messagesFile);
    if (!planned)
        return 0;
    const QString gitDir = QFileInfo(QFileInfo(messagesFile).absolutePath()).absolutePath();
    const std::optional<QByteArray> done =
        readWhole(QDir(gitDir).filePath(QStringLiteral("rebase-merge/done")));
    if (!done)
        return 0;
    const std::optional<QString> message =
        messageForStep(QString::fromUtf8(*done), decodePlannedMessages(*planned));
    if (!message)
        return 0;
    if (!replaceWhole(messageFile, (message->trimmed() + u'\n').toUtf8())) {
        std::fprintf(stderr, "tolvane: cannot write the commit message\n");
        return 1;
    }
    return 0;
}

} // namespace

std::optional<int> runHelperIfInvoked(int argc, char* argv[]) {
    if (argc < 1)
        return std::nullopt;
    if (argc == 4) {
        const QByteArray flag(argv[1]);
        if (flag == writeTodoFlag || flag == writeMessageFlag) {
            const QString planFile = QFile::decodeName(argv[2]);
            const QString gitFile = QFile::decodeName(argv[3]);
            finish(flag == writeTodoFlag ? writeTodo(planFile, gitFile)
                                         : writeMessage(planFile, gitFile));
        }
    }
    const QString invokedAs = QFile::decodeName(argv[0]);
    const QString name = QFileInfo(invokedAs).fileName();
    const bool isAskpass = name == QLatin1String(askpassLinkName);
    const bool isCredential = name == QLatin1String(credentialLinkName);
    if (!isAskpass && !isCredential)
        return std::nullopt;
    QCoreApplication application(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString folder = QFileInfo(invokedAs).absolutePath();
    if (isAskpass)
        finish(askpass(folder, arguments.value(1)));
    finish(credential(folder, arguments));
}

} // namespace tolvane
