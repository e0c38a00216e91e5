#include "platform/DesktopApps.h"

#include <QCollator>
#include <QDesktopServices>
#include <QUrl>
#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace tolvane::DesktopApps {
namespace {

// The file's content type from its name and a bounded peek at its first bytes.
QByteArray contentTypeOf(const QString& absolutePath) {
    GFile* file = g_file_new_for_path(absolutePath.toUtf8().constData());
    GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                        G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    QByteArray type;
    if (info) {
        type = g_file_info_get_content_type(info);
        g_object_unref(info);
    }
    g_object_unref(file);
    if (type.isEmpty()) {
        gboolean uncertain = FALSE;
        gchar* guessed =
            g_content_type_guess(absolutePath.toUtf8().constData(), nullptr, 0, &uncertain);
        type = guessed;
        g_free(guessed);
    }
    return type;
}

DesktopApp toApp(GAppInfo* info) {
    return DesktopApp{QString::fromUtf8(g_app_info_get_display_name(info)),
                      QString::fromUtf8(g_app_info_get_id(info))};
}

} // namespace

std::optional<DesktopApp> defaultApplicationFor(const QString& absolutePath) {
    const QByteArray type = contentTypeOf(absolutePath);
    GAppInfo* info = g_app_info_get_default_for_type(type.constData(), FALSE);
    if (!info)
        return std::nullopt;
    DesktopApp app = toApp(info);
    g_object_unref(info);
    return app;
}

QList<DesktopApp> applicationsFor(const QString& absolutePath) {
    const QByteArray type = contentTypeOf(absolutePath);
    QList<DesktopApp> apps;
    GList* list = g_app_info_get_all_for_type(type.constData());
    for (GList* item = list; item; item = item->next)
        apps.append(toApp(G_APP_INFO(item->data)));
    g_list_free_full(list, g_object_unref);
    return apps;
}

QList<DesktopApp> allApplications() {
    QList<DesktopApp> apps;
    GList* list = g_app_info_get_all();
    for (GList* item = list; item; item = item->next) {
        GAppInfo* info = G_APP_INFO(item->data);
        if (g_app_info_should_show(info))
            apps.append(toApp(info));
    }
    g_list_free_full(list, g_object_unref);
    return sortedWithoutDefault(apps, std::nullopt);
}

bool openWithDefault(const QString& absolutePath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(absolutePath));
}

bool openWith(const QString& absolutePath, const QString& appId) {
    GDesktopAppInfo* info = g_desktop_app_info_new(appId.toUtf8().constData());
    if (!info)
        return false;
    GFile* file = g_file_new_for_path(absolutePath.toUtf8().constData());
    GList files{file, nullptr, nullptr};
    const gboolean launched = g_app_info_launch(G_APP_INFO(info), &files, nullptr, nullptr);
    g_object_unref(file);
    g_object_unref(info);
    return launched;
}

QList<DesktopApp> sortedWithoutDefault(QList<DesktopApp> apps,
                                       const std::optional<DesktopApp>& defaultApp) {
    if (defaultApp)
        apps.removeIf([&](const DesktopApp& app) { return app.id == defaultApp->id; });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&](const DesktopApp& a, const DesktopApp& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return apps;
}

} // namespace tolvane::DesktopApps
