#include "app/AppState.h"
#include "engine/GitService.h"
#include "icon/AppIconGenerator.h"
#include "ui/MainWindow.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/standardPanes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPixmap>

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION ""
#endif

int main(int argc, char* argv[]) {
    using namespace tolvane;

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.tolvane.Tolvane"));
    QApplication::setWindowIcon(AppIconGenerator::icon());
    // The main window ends the program; the log and settings windows never keep it alive.
    QApplication::setQuitOnLastWindowClosed(true);

    // Remembers the platform's own look before anything overrides it.
    AppearanceManager appearance;

    // The inner views of a repository: changes, branches, trees, tags, history, diff, blame.
    setRepositoryPaneFactory(&installStandardPanes);

    AppState appState(QStringLiteral("https://api.github.com"));
    SettingsWindowController settings;
    MainWindow window(appState, &settings);
    window.setAboutInfo(QStringLiteral(TOLVANE_VERSION),
                        QPixmap::fromImage(AppIconGenerator::render(AppIconGenerator::aboutSize)));
    appState.setFolderChooser([&window](const QString& title) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(
            &window, title, QDir::homePath(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    });
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit);

    // Applied before the first show (no flash of the wrong scheme) and on every change.
    appearance.start();
    window.show();
    appState.restoreTabs();
    const int status = app.exec();
    // Nothing may still run once the window and the states it reports to are destroyed.
    GitService::shutDown();
    return status;
}
