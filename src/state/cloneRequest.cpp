#include "state/cloneRequest.h"

#include "state/CredentialPrompt.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace tolvane {

QString folderNameForAddress(const QString& address) {
    QString text = address.trimmed();
    // A query or fragment is never part of the name.
    if (text.contains(QStringLiteral("://"))) {
        const qsizetype cut = text.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (cut >= 0)
            text.truncate(cut);
    }
    while (text.endsWith(u'/') || text.endsWith(u'\\'))
        text.chop(1);
    if (text.endsWith(QStringLiteral("/.git")))
        text.chop(5);
    while (text.endsWith(u'/'))
        text.chop(1);
    const qsizetype slash = text.lastIndexOf(u'/');
    const qsizetype colon = text.lastIndexOf(u':');
    QString name = text.mid(std::max(slash, colon) + 1);
    for (const QLatin1String suffix : {QLatin1String(".git"), QLatin1String(".bundle")}) {
        if (name.endsWith(suffix) && name.size() > suffix.size())
            name.chop(suffix.size());
    }
    // A bare host ("https://example.com") names no repository.
    if (text.contains(QStringLiteral("://")) && slash <= text.indexOf(QStringLiteral("://")) + 2)
        return {};
    if (name == u"." || name == u"..")
        return {};
    return name;
}

bool looksLikeCloneAddress(const QString& text) {
    static const QRegularExpression url(
        QStringLiteral("^(https?|ssh|git|file)://[^\\s/]*(/[^\\s]*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scp(QStringLiteral("^[\\w.+-]+@[\\w.-]+:[^\\s/][^\\s]*$"));
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 2048)
        return false;
    if (url.match(trimmed).hasMatch())
        return !folderNameForAddress(trimmed).isEmpty();
    return scp.match(trimmed).hasMatch() && !folderNameForAddress(trimmed).isEmpty();
}

bool isLocalAddress(const QString& address) {
    const QString text = address.trimmed();
    if (text.contains(QStringLiteral("://")))
        return false;
    if (text.startsWith(u'/') || text.startsWith(u'~') || text.startsWith(u'.'))
        return true;
    // git reads "host:path" as ssh unless a slash comes before the colon.
    const qsizetype colon = text.indexOf(u':');
    return colon < 0 || (text.indexOf(u'/') >= 0 && text.indexOf(u'/') < colon);
}

QString cloneSource(const CloneRequest& request) {
    QString address = request.address.trimmed();
    if (!isLocalAddress(address))
        return address;
    if (address == u"~" || address.startsWith(QStringLiteral("~/")))
        address = QDir::homePath() + address.mid(1);
    if (!request.blobless && !request.latestOnly)
        return address;
    const QString absolute = QDir(request.parentFolder).absoluteFilePath(address);
    return QUrl::fromLocalFile(QDir::cleanPath(absolute)).toString(QUrl::FullyEncoded);
}

QStringList cloneArguments(const CloneRequest& request) {
    QStringList arguments{QStringLiteral("clone"), QStringLiteral("--progress")};
    // A sparse clone checks out later, once the folders are chosen; its submodules follow then.
    if (request.sparse)
        arguments << QStringLiteral("--no-checkout");
    else if (request.submodules)
        arguments << QStringLiteral("--recurse-submodules");
    if (request.blobless)
        arguments << QStringLiteral("--filter=blob:none");
    if (request.latestOnly)
        arguments << QStringLiteral("--depth") << QStringLiteral("1");
    // Neither the address nor the name can be read as an option.
    arguments << QStringLiteral("--") << cloneSource(request) << request.folderName;
    return arguments;
}

QString cloneFailureSummary(const QString& gitMessage, const QString& folderName) {
    auto has = [&](const char* text) {
        return gitMessage.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    if (has("already exists and is not an empty directory"))
        return QStringLiteral("The folder “%1” already exists and is not empty. Choose another "
                              "name or parent folder.")
            .arg(folderName);
    if (has("No space left on device") || has("Disk quota exceeded"))
        return QStringLiteral("The disk is full. Free some space, or clone into a folder on "
                              "another disk.");
    const QString remote = remoteFailureSummary(gitMessage);
    if (!remote.isEmpty())
        return remote;
    if (has("does not appear to be a git repository") || has("Repository not found") ||
        (has("repository '") && (has("' not found") || has("' does not exist"))) ||
        has("returned error: 404"))
        return QStringLiteral("No Git repository was found at this address. Check the address, "
                              "and that you may read the repository.");
    if (has("unable to access") || has("Could not read from remote repository") ||
        has("unable to connect"))
        return QStringLiteral("The address could not be reached. Check the address and your "
                              "network connection.");
    return gitMessage;
}

} // namespace tolvane
