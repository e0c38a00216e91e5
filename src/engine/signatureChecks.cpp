#include "engine/signatureChecks.h"

#include "engine/GitError.h"
#include "engine/signingConfiguration.h"

namespace tolvane {

VerificationSetup verificationSetup(const QByteArray& globalGpgListing) {
    const QHash<QString, QString> global = parseConfigListing(globalGpgListing).last;
    const auto value = [&](const char* key, const QString& fallback) {
        const QString set = global.value(QString::fromLatin1(key));
        return set.isEmpty() ? fallback : set;
    };
    const QString gpg = value("gpg.program", QStringLiteral("gpg"));
    VerificationSetup setup;
    setup.settings = {
        {QStringLiteral("gpg.program"), gpg},
        {QStringLiteral("gpg.openpgp.program"), value("gpg.openpgp.program", gpg)},
        {QStringLiteral("gpg.x509.program"), value("gpg.x509.program", QStringLiteral("gpgsm"))},
        {QStringLiteral("gpg.ssh.program"), value("gpg.ssh.program", QStringLiteral("ssh-keygen"))},
        {QStringLiteral("gpg.ssh.allowedsignersfile"), value("gpg.ssh.allowedsignersfile", {})},
        {QStringLiteral("gpg.ssh.revocationfile"), value("gpg.ssh.revocationfile", {})},
        // git's own default for everything but merges.
        {QStringLiteral("gpg.mintrustlevel"),
         value("gpg.mintrustlevel", QStringLiteral("undefined"))},
        {QStringLiteral("log.showsignature"), QStringLiteral("false")}};
    setup.sshAllowedSigners = !global.value(QStringLiteral("gpg.ssh.allowedsignersfile")).isEmpty();
    return setup;
}

QHash<QString, QString> signedCommits(const QByteArray& rawLog) {
    QHash<QString, QString> kinds;
    for (const QByteArray& record : rawLog.split('\0')) {
        if (!record.startsWith("commit "))
            continue;
        // Headers end at the first empty line; the signature is one of them.
        const qsizetype end = record.indexOf("\n\n");
        const QByteArray headers = end < 0 ? record : record.left(end);
        const qsizetype signature = headers.indexOf("\ngpgsig");
        if (signature < 0)
            continue;
        const QByteArray armour = headers.mid(signature, 200);
        const QString kind = armour.contains("SSH SIGNATURE")    ? QStringLiteral("ssh")
                             : armour.contains("SIGNED MESSAGE") ? QStringLiteral("x509")
                                                                 : QStringLiteral("openpgp");
        const qsizetype idEnd = record.indexOf('\n');
        kinds.insert(QString::fromLatin1(record.mid(7, idEnd - 7).trimmed()), kind);
    }
    return kinds;
}

QHash<QString, SignatureCheck> parseSignatureLog(const QByteArray& output) {
    QHash<QString, SignatureCheck> checks;
    for (QByteArray record : output.split('\x1e')) {
        record = record.trimmed();
        const QList<QByteArray> fields = record.split('\x1f');
        if (fields.size() < 5)
            continue;
        SignatureCheck check;
        switch (fields.at(1).isEmpty() ? 'N' : fields.at(1).at(0)) {
        case 'G':
            check.state = SignatureState::Verified;
            break;
        case 'U':
            check.state = SignatureState::UnknownKey;
            break;
        case 'B':
            check.state = SignatureState::Bad;
            break;
        case 'X':
        case 'Y':
            check.state = SignatureState::Expired;
            break;
        case 'R':
            check.state = SignatureState::Revoked;
            break;
        case 'E':
            check.state = SignatureState::CannotCheck;
            break;
        default:
            check.state = SignatureState::Unsigned;
        }
        check.signer = QString::fromUtf8(fields.at(2));
        check.key = QString::fromUtf8(fields.at(3));
        check.detail = QString::fromUtf8(fields.at(4)).trimmed();
        checks.insert(QString::fromLatin1(fields.at(0)), check);
    }
    return checks;
}

QString badgeText(SignatureState state) {
    switch (state) {
    case SignatureState::Verified:
        return QStringLiteral("Verified");
    case SignatureState::UnknownKey:
        return QStringLiteral("Unknown key");
    case SignatureState::Bad:
        return QStringLiteral("Bad signature");
    case SignatureState::Expired:
        return QStringLiteral("Expired");
    case SignatureState::Revoked:
        return QStringLiteral("Revoked");
    case SignatureState::CannotCheck:
        return QStringLiteral("Cannot check");
    case SignatureState::Unsigned:
        break;
    }
    return QString();
}

QString describeSignature(const SignatureCheck& check) {
    if (check.state == SignatureState::Unsigned)
        return QStringLiteral("Not signed.");
    QString who = check.signer.isEmpty() ? QStringLiteral("Signed")
                                         : QStringLiteral("Signed by ") + check.signer;
    if (!check.key.isEmpty())
        who += QStringLiteral(" (key ") + check.key + u')';
    QString result;
    switch (check.state) {
    case SignatureState::Verified:
        result = QStringLiteral("good signature, verified");
        break;
    case SignatureState::UnknownKey:
        result = QStringLiteral("good signature from a key that is not trusted");
        break;
    case SignatureState::Bad:
        result = QStringLiteral("bad signature: the commit does not match it");
        break;
    case SignatureState::Expired:
        result = QStringLiteral("good signature, but the signature or its key has expired");
        break;
    case SignatureState::Revoked:
        result = QStringLiteral("good signature, but the key was revoked");
        break;
    case SignatureState::CannotCheck:
        result = QStringLiteral("cannot check");
        if (!check.detail.isEmpty())
            result += QStringLiteral(" — ") + check.detail;
        break;
    case SignatureState::Unsigned:
        break;
    }
    return who + QStringLiteral(": ") + result + u'.';
}

QCoro::Task<VerificationSetup> readVerificationSetup(GitService git) {
    const QStringList args{QStringLiteral("config"),       QStringLiteral("--global"),
                           QStringLiteral("--includes"),   QStringLiteral("-z"),
                           QStringLiteral("--get-regexp"), QStringLiteral("^gpg\\.")};
    QString listing;
    try {
        listing = co_await git.run(args);
    } catch (const GitError& error) {
        if (error.code() != 1) // 1: nothing set
            throw;
    }
    co_return verificationSetup(listing.toUtf8());
}

QCoro::Task<QHash<QString, SignatureCheck>> checkSignatures(GitService git, QStringList ids,
                                                            VerificationSetup setup) {
    QHash<QString, SignatureCheck> checks;
    for (const QString& id : ids)
        checks.insert(id, SignatureCheck{});
    if (ids.isEmpty())
        co_return checks;
    // Which commits carry a signature at all, without starting any verifier.
    QStringList rawArgs{QStringLiteral("log"), QStringLiteral("--no-walk=unsorted"),
                        QStringLiteral("--pretty=raw"), QStringLiteral("-z")};
    rawArgs += ids;
    const QHash<QString, QString> kinds = co_await git.runParsedBytes(rawArgs, &signedCommits);
    QStringList toVerify;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it) {
        if (it.value() == QLatin1String("ssh") && !setup.sshAllowedSigners)
            checks.insert(it.key(),
                          SignatureCheck{.state = SignatureState::CannotCheck,
                                         .signer = {},
                                         .key = {},
                                         .detail = QStringLiteral(
                                             "SSH signatures need an allowed-signers file: set "
                                             "gpg.ssh.allowedSignersFile in your global git "
                                             "configuration")});
        else
            toVerify.append(it.key());
    }
    if (toVerify.isEmpty())
        co_return checks;
    QStringList logArgs;
    for (const auto& [key, value] : setup.settings)
        logArgs << QStringLiteral("-c") << key + u'=' + value;
    logArgs << QStringLiteral("log") << QStringLiteral("--no-walk=unsorted")
            << QStringLiteral("--format=%H%x1f%G?%x1f%GS%x1f%GK%x1f%GG%x1e") << toVerify;
    const QHash<QString, SignatureCheck> verified =
        co_await git.runParsedBytes(logArgs, &parseSignatureLog);
    for (auto it = verified.cbegin(); it != verified.cend(); ++it) {
        SignatureCheck check = it.value();
        // A signed commit the verifier could not read at all.
        if (check.state == SignatureState::Unsigned)
            check.state = SignatureState::CannotCheck;
        checks.insert(it.key(), check);
    }
    co_return checks;
}

} // namespace tolvane
