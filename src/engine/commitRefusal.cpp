#include "engine/commitRefusal.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

namespace tolvane {

bool isSigningFailure(const QString& gitText) {
    // git ends every refused signature with this line; the line before names the program.
    if (!gitText.contains(QLatin1String("failed to write commit object")))
        return false;
    static const QLatin1String signingWords[] = {QLatin1String("failed to sign"),
                                                 QLatin1String("gpg"),
                                                 QLatin1String("ssh-keygen"),
                                                 QLatin1String("signing"),
                                                 QLatin1String("Couldn't load public key"),
                                                 QLatin1String("Signing file")};
    for (const QLatin1String& word : signingWords)
        if (gitText.contains(word, Qt::CaseInsensitive))
            return true;
    return false;
}

std::optional<QString> rejectingHook(const QByteArray& traceEvents) {
    // Every git process that inherits the trace writes to the same stream; the first event is
    // the command's own, and only its hooks count.
    QByteArray topSession;
    QHash<qint64, QString> hooks;
    std::optional<QString> rejected;
    for (const QByteArray& line : traceEvents.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.isEmpty())
            continue;
        const QByteArray session = event.value(QLatin1String("sid")).toString().toUtf8();
        if (topSession.isEmpty())
            topSession = session;
        if (session != topSession)
            continue;
        const QString kind = event.value(QLatin1String("event")).toString();
        const qint64 child = event.value(QLatin1String("child_id")).toInteger(-1);
        if (kind == QLatin1String("child_start") &&
            event.value(QLatin1String("child_class")).toString() == QLatin1String("hook"))
            hooks.insert(child, event.value(QLatin1String("hook_name")).toString());
        else if (kind == QLatin1String("child_exit") && hooks.contains(child) &&
                 event.value(QLatin1String("code")).toInt() != 0)
            rejected = hooks.value(child);
    }
    return rejected;
}

QString lastLines(const QString& text, int count) {
    QStringView rest(text);
    while (rest.endsWith(u'\n'))
        rest.chop(1);
    qsizetype start = rest.size();
    for (int seen = 0; start > 0; --start) {
        if (rest[start - 1] == u'\n' && ++seen == count)
            break;
    }
    return rest.mid(start).toString();
}

} // namespace tolvane
