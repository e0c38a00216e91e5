#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tolvane::test {

// A real OpenSSH server on 127.0.0.1 at a free port, run as the test's own user with a host key
// made for it and its own configuration (no PAM, keys only, authorized keys in its folder).
// Stops with the object.
class SshServer {
public:
    SshServer();
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // What went wrong while starting, with sshd's own words.
    QString error() const { return m_error; }
    int port() const { return m_port; }
    // "ssh://<user>@127.0.0.1:<port><absolute path>".
    QString url(const QString& absolutePath) const;
    // "SHA256:..." of the host key now served.
    QString hostKeyFingerprint() const;

    // Lets the key whose public half is at `publicKeyPath` log in.
    void authorize(const QString& publicKeyPath);
    // Makes a new host key and restarts on the same port.
    bool replaceHostKey();

    // Makes an ed25519 key pair at `path` (and `path`.pub); an empty passphrase leaves it open.
    static bool makeKey(const QString& path, const QString& passphrase);
    // "SHA256:..." of a public key file.
    static QString fingerprintOf(const QString& publicKeyPath);

private:
    bool start();
    void stop();

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_error;
    int m_port = 0;
};

// An ssh-agent listening at a socket path the test chooses; stops with the object.
class SshAgent {
public:
    explicit SshAgent(const QString& socketPath);
    ~SshAgent();
    SshAgent(const SshAgent&) = delete;
    SshAgent& operator=(const SshAgent&) = delete;

    bool isRunning() const;
    const QString& socketPath() const { return m_socket; }
    // Loads a key, answering its passphrase through a throw-away askpass script.
    bool add(const QString& keyPath, const QString& passphrase);

private:
    QProcess m_process;
    QString m_socket;
    QTemporaryDir m_dir;
};

} // namespace tolvane::test
