#include "auxiliary/helpBook.h"

#include <QDir>
#include <QFileInfo>

// Resources of a static library are registered only when asked for by name.
static void initHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace tolvane::helpBook {
namespace {

QUrl locationOf(const QString& path) {
    if (path.startsWith(QLatin1Char(':')))
        return QUrl(QStringLiteral("qrc") + path);
    return QUrl::fromLocalFile(path);
}

} // namespace

QString resourceFolder() {
    static const bool registered = (initHelpResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/") + QLatin1String(bookFolder);
}

std::optional<QUrl> locatePage(const QString& page, const QString& resourceFolder,
                               const QString& executableFolder) {
    QString name = page;
    name.remove(QStringLiteral(".html"));
    const QString resource = resourceFolder + QLatin1Char('/') + name + QStringLiteral(".html");
    if (!resourceFolder.isEmpty() && QFileInfo(resource).isFile())
        return locationOf(resource);

    if (executableFolder.isEmpty())
        return std::nullopt;
    const QDir base(executableFolder);
    for (const char* up : {"../../", "../../../", "../../../../"}) {
        const QString candidate = QDir::cleanPath(
            base.filePath(QLatin1String(up) + QLatin1String(bookFolder) + QLatin1Char('/') + page));
        if (QFileInfo(candidate).isFile())
            return QUrl::fromLocalFile(candidate);
    }
    return std::nullopt;
}

LinkAction linkAction(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https")
        return LinkAction::OpenInBrowser;
    return LinkAction::Follow;
}

QString notFoundHtml() {
    return QStringLiteral(
        "<html><body style=\"font-family:sans-serif;padding:40px;color:#999;text-align:center\">\n"
        "<h2>Help Not Found</h2>\n"
        "<p>The help files could not be located.<br>Build with <code>./scripts/start.sh</code> "
        "to include the help book.</p>\n"
        "</body></html>");
}

} // namespace tolvane::helpBook
