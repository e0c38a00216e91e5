#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tolvane::test {

// An OpenPGP key made for the test in a GNUPGHOME of its own, which git's gpg uses while this
// object lives. A key with a passphrase is unlocked through a pinentry program of the test's:
// it answers with `answer` (setPinentryAnswer), or cancels when that is empty.
class OpenPgpKey {
public:
    explicit OpenPgpKey(const QByteArray& passphrase = {});
    ~OpenPgpKey();
    OpenPgpKey(const OpenPgpKey&) = delete;
    OpenPgpKey& operator=(const OpenPgpKey&) = delete;

    bool isValid() const { return !m_fingerprint.isEmpty(); }
    const QString& fingerprint() const { return m_fingerprint; }
    const QString& home() const { return m_homePath; }
    // What the pinentry answers from now on; empty cancels. Forgets any passphrase the agent
    // still holds, so that the next signature asks again.
    void setPinentryAnswer(const QByteArray& answer);
    // How many times the pinentry was asked for a passphrase.
    int pinentryQuestions() const;
    // Makes one more key without a passphrase in the same home, valid for `expiry` ("never",
    // "seconds=2"); its fingerprint, or empty.
    QString addKey(const QString& userId, const QString& expiry);
    // Revokes the key `fingerprint` with the revocation gpg made for it.
    bool revoke(const QString& fingerprint);

private:
    QTemporaryDir m_home;
    QString m_homePath;
    QString m_fingerprint;
    QByteArray m_savedHome;
    bool m_hadHome = false;
};

// An SSH signing key and an allowed-signers file that trusts it for `email`.
class SshSigningKey {
public:
    explicit SshSigningKey(const QString& email);
    bool isValid() const { return m_valid; }
    QString publicKeyFile() const { return m_dir.filePath(QStringLiteral("key.pub")); }
    QString allowedSignersFile() const { return m_dir.filePath(QStringLiteral("allowed")); }

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

} // namespace tolvane::test
