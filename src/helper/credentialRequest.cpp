#include "helper/credentialRequest.h"

#include <QUrl>

namespace tolvane {

CredentialFields parseCredentialFields(const QByteArray& input) {
    CredentialFields fields;
    for (const QByteArray& line : input.split('\n')) {
        if (line.isEmpty())
            break;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals);
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (key == "protocol")
            fields.protocol = value;
        else if (key == "host")
            fields.host = value;
        else if (key == "path")
            fields.path = value;
        else if (key == "username")
            fields.username = value;
        else if (key == "password")
            fields.password = value;
    }
    return fields;
}

bool isGitHubOrigin(const CredentialFields& fields, const QString& gitHubWebOrigin) {
    const QUrl origin(gitHubWebOrigin);
    if (!origin.isValid() || origin.scheme().isEmpty() || origin.host().isEmpty())
        return false;
    QString host = origin.host();
    if (origin.port() != -1)
        host += u':' + QString::number(origin.port());
    return fields.protocol.compare(origin.scheme(), Qt::CaseInsensitive) == 0 &&
           fields.host.compare(host, Qt::CaseInsensitive) == 0;
}

} // namespace tolvane
