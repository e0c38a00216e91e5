#pragma once

#include "engine/GitService.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tolvane {

enum class SignatureState { Unsigned, Verified, UnknownKey, Bad, Expired, Revoked, CannotCheck };

// What checking one commit's signature found.
struct SignatureCheck {
    SignatureState state = SignatureState::Unsigned;
    QString signer; // who the key belongs to, when the verifier knows
    QString key;    // the key's id or fingerprint
    QString detail; // why it cannot be checked, or the verifier's own words
    friend bool operator==(const SignatureCheck&, const SignatureCheck&) = default;
};

// The verification programs and files of the user's global configuration, pinned with `-c` so
// that a repository's own configuration cannot choose what runs.
struct VerificationSetup {
    QList<QPair<QString, QString>> settings;
    bool sshAllowedSigners = false; // whether SSH signatures can be checked at all
    friend bool operator==(const VerificationSetup&, const VerificationSetup&) = default;
};

// From `git config --global -z --get-regexp '^gpg\.'`: the settings above. Pure.
[[nodiscard]] VerificationSetup verificationSetup(const QByteArray& globalGpgListing);

// From `git log --no-walk --pretty=raw -z`: each signed commit's signature kind ("openpgp",
// "ssh" or "x509"). Pure.
[[nodiscard]] QHash<QString, QString> signedCommits(const QByteArray& rawLog);

// From `git log --no-walk --format=%H%x1f%G?%x1f%GS%x1f%GK%x1f%GG%x1e`: each commit's check.
// Pure.
[[nodiscard]] QHash<QString, SignatureCheck> parseSignatureLog(const QByteArray& output);

// The badge's short word ("Verified"), and a sentence for the diff header
// ("Signed by Ann <ann@example.com> (key 1234…): verified.").
[[nodiscard]] QString badgeText(SignatureState state);
[[nodiscard]] QString describeSignature(const SignatureCheck& check);

// Reads the user's verification setup; runs git on a worker.
QCoro::Task<VerificationSetup> readVerificationSetup(GitService git);
// Checks `ids`: unsigned commits come back Unsigned without running any verifier; SSH
// signatures without an allowed-signers file come back CannotCheck with how to set one.
QCoro::Task<QHash<QString, SignatureCheck>> checkSignatures(GitService git, QStringList ids,
                                                            VerificationSetup setup);

} // namespace tolvane
