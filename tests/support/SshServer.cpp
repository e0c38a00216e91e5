#include "support/SshServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

namespace tolvane::test {
namespace {

QString run(const QString& program, const QStringList& arguments, int* status = nullptr,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(30000);
    if (status)
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString userName() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

} // namespace

bool SshServer::makeKey(const QString& path, const QString& passphrase) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    int status = 0;
    run(QStringLiteral("/usr/bin/ssh-keygen"),
        {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
         QStringLiteral("-N"), passphrase, QStringLiteral("-C"), QStringLiteral("test"),
         QStringLiteral("-f"), path},
        &status);
    return status == 0;
}

QString SshServer::fingerprintOf(const QString& publicKeyPath) {
    // "256 SHA256:... comment (ED25519)"
    const QString line = run(QStringLiteral("/usr/bin/ssh-keygen"),
                             {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
                              QStringLiteral("-f"), publicKeyPath});
    return line.section(u' ', 1, 1);
}

SshServer::SshServer() {
    // sshd run as root insists on its privilege-separation folder.
    if (::getuid() == 0)
        QDir().mkpath(QStringLiteral("/run/sshd"));
    const QString hostKey = m_dir.filePath(QStringLiteral("host_ed25519"));
    if (!makeKey(hostKey, QString())) {
        m_error = QStringLiteral("ssh-keygen failed");
        return;
    }
    writeFile(m_dir.filePath(QStringLiteral("authorized_keys")), QByteArray());
    m_port = freePort();
    const QByteArray config =
        "Port " + QByteArray::number(m_port) +
        "\nListenAddress 127.0.0.1\n"
        "HostKey " +
        hostKey.toUtf8() + "\nPidFile " + m_dir.filePath(QStringLiteral("sshd.pid")).toUtf8() +
        "\nAuthorizedKeysFile " + m_dir.filePath(QStringLiteral("authorized_keys")).toUtf8() +
        "\nStrictModes no\nUsePAM no\nPubkeyAuthentication yes\nPasswordAuthentication no\n"
        "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
        "AllowUsers " +
        userName().toUtf8() + "\nLogLevel ERROR\n";
    writeFile(m_dir.filePath(QStringLiteral("sshd_config")), config);
    start();
}

SshServer::~SshServer() {
    stop();
}

bool SshServer::start() {
    m_process.setProgram(QStringLiteral("/usr/sbin/sshd"));
    m_process.setArguments({QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                            m_dir.filePath(QStringLiteral("sshd_config"))});
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("sshd.log")), QIODevice::Append);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    // Listening once a connection is taken.
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (probe.waitForConnected(500))
            return true;
        QThread::msleep(50);
    }
    QFile log(m_dir.filePath(QStringLiteral("sshd.log")));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("sshd did not start: ") + QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

void SshServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SshServer::url(const QString& absolutePath) const {
    return QStringLiteral("ssh://%1@127.0.0.1:%2%3").arg(userName()).arg(m_port).arg(absolutePath);
}

QString SshServer::hostKeyFingerprint() const {
    return fingerprintOf(m_dir.filePath(QStringLiteral("host_ed25519.pub")));
}

void SshServer::authorize(const QString& publicKeyPath) {
    QFile key(publicKeyPath);
    key.open(QIODevice::ReadOnly);
    QFile keys(m_dir.filePath(QStringLiteral("authorized_keys")));
    keys.open(QIODevice::Append);
    keys.write(key.readAll());
}

bool SshServer::replaceHostKey() {
    stop();
    if (!makeKey(m_dir.filePath(QStringLiteral("host_ed25519")), QString()))
        return false;
    return start();
}

SshAgent::SshAgent(const QString& socketPath) : m_socket(socketPath) {
    QDir().mkpath(QFileInfo(socketPath).absolutePath());
    QFile::remove(socketPath);
    m_process.setProgram(QStringLiteral("/usr/bin/ssh-agent"));
    m_process.setArguments({QStringLiteral("-D"), QStringLiteral("-a"), socketPath});
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.start();
    m_process.waitForStarted(10000);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !QFileInfo::exists(socketPath) &&
           m_process.state() == QProcess::Running)
        QThread::msleep(20);
}

SshAgent::~SshAgent() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QFile::remove(m_socket);
}

bool SshAgent::isRunning() const {
    return m_process.state() == QProcess::Running && QFileInfo::exists(m_socket);
}

bool SshAgent::add(const QString& keyPath, const QString& passphrase) {
    const QString script = m_dir.filePath(QStringLiteral("askpass"));
    QString quoted = passphrase;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    writeFile(script, "#!/bin/sh\nprintf '%s\\n' '" + quoted.toUtf8() + "'\n");
    QFile::setPermissions(script,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SSH_AUTH_SOCK"), m_socket);
    environment.insert(QStringLiteral("SSH_ASKPASS"), script);
    environment.insert(QStringLiteral("SSH_ASKPASS_REQUIRE"), QStringLiteral("force"));
    int status = 0;
    run(QStringLiteral("/usr/bin/ssh-add"), {keyPath}, &status, environment);
    return status == 0;
}

} // namespace tolvane::test
