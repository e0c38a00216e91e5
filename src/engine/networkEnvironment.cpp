#include "engine/networkEnvironment.h"

#include "engine/promptMessages.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>

namespace tolvane {
namespace {

bool isSocket(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir() && !info.isFile();
}

} // namespace

QString shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString credentialHelperCommand(const QString& channelFolder, const QString& gitHubWebOrigin) {
    const QString helper = QDir(channelFolder).filePath(QString::fromLatin1(credentialLinkName));
    // "!" makes git run it through the shell as it is (a quoted path alone would be read as the
    // name of a git-credential-* program).
    return u'!' + shellQuoted(helper) + QStringLiteral(" --github-origin ") +
           shellQuoted(gitHubWebOrigin);
}

void addNetworkPrompting(QProcessEnvironment& environment, const QString& channelFolder,
                         const QString& session, const QString& gitHubWebOrigin) {
    const QString askpass = QDir(channelFolder).filePath(QString::fromLatin1(askpassLinkName));
    environment.insert(QStringLiteral("GIT_ASKPASS"), askpass);
    environment.insert(QStringLiteral("SSH_ASKPASS"), askpass);
    environment.insert(QStringLiteral("SSH_ASKPASS_REQUIRE"), QStringLiteral("force"));
    environment.insert(QString::fromLatin1(promptSessionVariable), session);

    bool countValid = false;
    int count = environment.value(QStringLiteral("GIT_CONFIG_COUNT")).toInt(&countValid);
    if (!countValid || count < 0)
        count = 0;
    environment.insert(QStringLiteral("GIT_CONFIG_KEY_%1").arg(count),
                       QStringLiteral("credential.helper"));
    environment.insert(QStringLiteral("GIT_CONFIG_VALUE_%1").arg(count),
                       credentialHelperCommand(channelFolder, gitHubWebOrigin));
    environment.insert(QStringLiteral("GIT_CONFIG_COUNT"), QString::number(count + 1));

    if (!isSocket(environment.value(QStringLiteral("SSH_AUTH_SOCK")))) {
        if (const std::optional<AgentSocket> agent = discoveredAgentSocket())
            environment.insert(QStringLiteral("SSH_AUTH_SOCK"), agent->path);
    }
}

std::optional<AgentSocket> findAgentSocket(const QString& sessionEnvironmentText,
                                           const QString& runtimeFolder) {
    const QStringList lines = sessionEnvironmentText.split(u'\n');
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1String("SSH_AUTH_SOCK=")))
            continue;
        QString path = line.mid(int(qstrlen("SSH_AUTH_SOCK="))).trimmed();
        // systemd quotes values with special characters as $'...'.
        if (path.startsWith(QLatin1String("$'")) && path.endsWith(u'\''))
            path = path.mid(2, path.size() - 3);
        if (isSocket(path))
            return AgentSocket{path, QStringLiteral("the user session's environment")};
    }
    if (runtimeFolder.isEmpty())
        return std::nullopt;
    for (const char* relative : {"keyring/ssh", "gcr/ssh", "ssh-agent.socket", "openssh_agent"}) {
        const QString path = QDir(runtimeFolder).filePath(QString::fromLatin1(relative));
        if (isSocket(path))
            return AgentSocket{path, path};
    }
    return std::nullopt;
}

std::optional<AgentSocket> discoveredAgentSocket(bool look) {
    static QMutex mutex;
    static std::optional<AgentSocket> found;
    QMutexLocker lock(&mutex);
    if (isSocket(qEnvironmentVariable("SSH_AUTH_SOCK")))
        return std::nullopt;
    // Looked for again while none is found: the keyring may start its agent later.
    if ((found && isSocket(found->path)) || !look)
        return found;
    QProcess systemctl;
    systemctl.setStandardInputFile(QProcess::nullDevice());
    systemctl.start(QStringLiteral("systemctl"),
                    {QStringLiteral("--user"), QStringLiteral("show-environment")});
    QString sessionEnvironment;
    if (systemctl.waitForFinished(3000) && systemctl.exitCode() == 0)
        sessionEnvironment = QString::fromLocal8Bit(systemctl.readAllStandardOutput());
    else
        systemctl.kill();
    found = findAgentSocket(sessionEnvironment, qEnvironmentVariable("XDG_RUNTIME_DIR"));
    return found;
}

} // namespace tolvane
