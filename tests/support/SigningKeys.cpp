#include "support/SigningKeys.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace tolvane::test {
namespace {

bool runTool(const QString& program, const QStringList& arguments, const QString& gnupgHome = {},
             QByteArray* output = nullptr) {
    QProcess process;
    if (!gnupgHome.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GNUPGHOME"), gnupgHome);
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool writeFile(const QString& path, const QByteArray& content, bool executable = false) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    if (executable)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
    return true;
}

// Speaks just enough of the Assuan protocol for gpg-agent: every GETPIN is answered with the
// contents of the answer file, or cancelled when it is empty, and counted.
constexpr char pinentryScript[] = R"SH(#!/bin/sh
dir=$(dirname "$0")
echo "OK ready"
while read -r command rest; do
  case "$command" in
    GETPIN)
      echo asked >> "$dir/questions"
      if [ -s "$dir/answer" ]; then
        echo "D $(cat "$dir/answer")"
        echo OK
      else
        echo "ERR 83886179 Operation cancelled <Pinentry>"
      fi ;;
    BYE)
      echo OK
      exit 0 ;;
    *)
      echo OK ;;
  esac
done
)SH";

// Makes a signing key in `home`; its fingerprint, or empty.
QString generateKey(const QString& home, const QString& userId, const QString& expiry,
                    const QByteArray& passphrase) {
    const QString gpg = QStringLiteral("gpg");
    const QStringList generate{QStringLiteral("--batch"),
                               QStringLiteral("--pinentry-mode"),
                               QStringLiteral("loopback"),
                               QStringLiteral("--passphrase"),
                               QString::fromUtf8(passphrase),
                               QStringLiteral("--quick-generate-key"),
                               userId,
                               QStringLiteral("ed25519"),
                               QStringLiteral("sign"),
                               expiry};
    QByteArray listing;
    if (!runTool(gpg, generate, home) ||
        !runTool(gpg,
                 {QStringLiteral("--batch"), QStringLiteral("--with-colons"),
                  QStringLiteral("--list-secret-keys"), userId},
                 home, &listing))
        return {};
    for (const QByteArray& line : listing.split('\n')) {
        if (line.startsWith("fpr:"))
            return QString::fromLatin1(line.split(':').value(9));
    }
    return {};
}

} // namespace

QString OpenPgpKey::addKey(const QString& userId, const QString& expiry) {
    return generateKey(m_homePath, userId, expiry, {});
}

bool OpenPgpKey::revoke(const QString& fingerprint) {
    // gpg keeps a revocation for each key it makes, guarded by a ':' against importing it by
    // mistake.
    QFile file(m_home.filePath(QStringLiteral("openpgp-revocs.d/") + fingerprint +
                               QStringLiteral(".rev")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray text = file.readAll();
    text.replace(":-----BEGIN", "-----BEGIN");
    const QString armour = m_home.filePath(QStringLiteral("revocation.asc"));
    return writeFile(armour, text) &&
           runTool(QStringLiteral("gpg"),
                   {QStringLiteral("--batch"), QStringLiteral("--import"), armour}, m_homePath);
}

OpenPgpKey::OpenPgpKey(const QByteArray& passphrase)
    : m_home(QDir::tempPath() + QStringLiteral("/pgp-XXXXXX")), m_homePath(m_home.path()) {
    QFile::setPermissions(m_homePath,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString pinentry = m_home.filePath(QStringLiteral("pinentry"));
    if (!writeFile(pinentry, pinentryScript, true) ||
        !writeFile(m_home.filePath(QStringLiteral("gpg-agent.conf")),
                   "pinentry-program " + pinentry.toUtf8() + "\n"))
        return;
    m_fingerprint = generateKey(m_homePath, QStringLiteral("Test Signer <signer@example.com>"),
                                QStringLiteral("never"), passphrase);
    if (m_fingerprint.isEmpty())
        return;
    m_hadHome = qEnvironmentVariableIsSet("GNUPGHOME");
    m_savedHome = qgetenv("GNUPGHOME");
    qputenv("GNUPGHOME", m_homePath.toUtf8());
    setPinentryAnswer(passphrase);
}

OpenPgpKey::~OpenPgpKey() {
    runTool(QStringLiteral("gpgconf"), {QStringLiteral("--kill"), QStringLiteral("gpg-agent")},
            m_homePath);
    if (m_hadHome)
        qputenv("GNUPGHOME", m_savedHome);
    else
        qunsetenv("GNUPGHOME");
}

void OpenPgpKey::setPinentryAnswer(const QByteArray& answer) {
    writeFile(m_home.filePath(QStringLiteral("answer")), answer);
    runTool(QStringLiteral("gpgconf"), {QStringLiteral("--reload"), QStringLiteral("gpg-agent")},
            m_homePath);
}

int OpenPgpKey::pinentryQuestions() const {
    QFile file(m_home.filePath(QStringLiteral("questions")));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

SshSigningKey::SshSigningKey(const QString& email) {
    const QString key = m_dir.filePath(QStringLiteral("key"));
    if (!runTool(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                  QStringLiteral("-N"), QString(), QStringLiteral("-C"), email,
                  QStringLiteral("-f"), key}))
        return;
    QFile publicKey(publicKeyFile());
    if (!publicKey.open(QIODevice::ReadOnly))
        return;
    m_valid = writeFile(allowedSignersFile(),
                        email.toUtf8() + " namespaces=\"git\" " + publicKey.readAll());
}

} // namespace tolvane::test
