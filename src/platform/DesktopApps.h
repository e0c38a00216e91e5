#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// An installed application as the desktop knows it: its display name and its desktop-entry id
// (for example "org.gnome.TextEditor.desktop"), which plays the part of the application's address.
struct DesktopApp {
    QString name;
    QString id;

    friend bool operator==(const DesktopApp&, const DesktopApp&) = default;
};

// Opening files with applications, through GIO.
namespace DesktopApps {

std::optional<DesktopApp> defaultApplicationFor(const QString& absolutePath);
// Every application registered for the file's type, the default included, in GIO's order.
QList<DesktopApp> applicationsFor(const QString& absolutePath);
// Every installed application that should be shown to the user, sorted by name.
QList<DesktopApp> allApplications();

bool openWithDefault(const QString& absolutePath);
bool openWith(const QString& absolutePath, const QString& appId);

// Sorts by name, locale-aware and case-insensitive, and drops the default application.
QList<DesktopApp> sortedWithoutDefault(QList<DesktopApp> apps,
                                       const std::optional<DesktopApp>& defaultApp);

} // namespace DesktopApps
} // namespace tolvane
