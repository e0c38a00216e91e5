#include "platform/FileManagerHelper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tolvane::FileManagerHelper {

void revealItems(const QStringList& absolutePaths) {
    if (absolutePaths.isEmpty())
        return;
    QStringList uris;
    for (const QString& path : absolutePaths)
        uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(absolutePaths.first()).absolutePath());

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             QDesktopServices::openUrl(folder);
                         finished->deleteLater();
                     });
}

} // namespace tolvane::FileManagerHelper
