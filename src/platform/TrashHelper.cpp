#include "platform/TrashHelper.h"

#include <QFile>
#include <QFileInfo>

namespace tolvane::TrashHelper {

std::optional<QString> moveToTrash(const QString& absolutePath) {
    if (!QFileInfo(absolutePath).exists() && !QFileInfo(absolutePath).isSymLink())
        return QStringLiteral("The file “%1” doesn’t exist.")
            .arg(QFileInfo(absolutePath).fileName());
    QFile file(absolutePath);
    if (file.moveToTrash())
        return std::nullopt;
    const QString reason = file.errorString();
    return reason.isEmpty() ? QStringLiteral("The item could not be moved to the Trash.") : reason;
}

} // namespace tolvane::TrashHelper
