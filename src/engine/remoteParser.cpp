#include "engine/remoteParser.h"

namespace tolvane {

QList<GitRemote> parseRemoteConfig(const QByteArray& output) {
    QList<GitRemote> remotes;
    QList<bool> hasPushUrl;
    for (const QByteArray& record : output.split('\0')) {
        const qsizetype newline = record.indexOf('\n');
        if (newline < 0)
            continue;
        const QString key = QString::fromUtf8(record.left(newline));
        const QString value = QString::fromUtf8(record.mid(newline + 1));
        // Section and variable names are case-insensitive to git, the remote's name is not.
        const bool isUrl = key.endsWith(QStringLiteral(".url"), Qt::CaseInsensitive);
        const bool isPushUrl = key.endsWith(QStringLiteral(".pushurl"), Qt::CaseInsensitive);
        if (!key.startsWith(QStringLiteral("remote."), Qt::CaseInsensitive) ||
            (!isUrl && !isPushUrl))
            continue;
        const qsizetype suffix = isUrl ? 4 : 8;
        const QString name = key.mid(7, key.size() - 7 - suffix);
        if (name.isEmpty())
            continue;
        qsizetype index = -1;
        for (qsizetype i = 0; i < remotes.size(); ++i) {
            if (remotes[i].name == name) {
                index = i;
                break;
            }
        }
        if (index < 0) {
            remotes.append(GitRemote{name, QString(), QString()});
            hasPushUrl.append(false);
            index = remotes.size() - 1;
        }
        GitRemote& remote = remotes[index];
        if (isUrl && remote.fetchUrl.isEmpty()) {
            remote.fetchUrl = value;
            if (!hasPushUrl[index])
                remote.pushUrl = value;
        } else if (isPushUrl && !hasPushUrl[index]) {
            remote.pushUrl = value;
            hasPushUrl[index] = true;
        }
    }
    return remotes;
}

QString joinedNames(const QStringList& names) {
    if (names.size() <= 1)
        return names.value(0);
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           names.last();
}

} // namespace tolvane
