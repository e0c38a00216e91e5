#include "app/AppState.h"
#include "app/commandLine.h"
#include "auxiliary/HelpWindowController.h"
#include "auxiliary/auxiliaryWindows.h"
#include "engine/GitService.h"
#include "helper/helperMode.h"
#include "icon/AppIconGenerator.h"
#include "platform/SingleInstance.h"
#include "ui/MainWindow.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/standardPanes.h"
#include "ui/window/RepositoryView.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <cstdio>

#ifndef TOLVANE_VERSION
#define TOLVANE_VERSION ""
#endif

namespace {

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void bringToFront(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace tolvane;
    // Started by git or ssh to ask the window something: no window of our own.
    if (const std::optional<int> status = runHelperIfInvoked(argc, argv))
        return *status;
    const QString version = QStringLiteral(TOLVANE_VERSION);

    // Help and the version are answered before Qt looks for a display.
    const CommandLineRequest early =
        parseCommandLine(argumentList(argc, argv), QDir::currentPath(), version);
    if (early.action == CommandLineRequest::Action::ShowHelp ||
        early.action == CommandLineRequest::Action::ShowVersion) {
        std::fputs(early.text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(version);
    QApplication::setDesktopFileName(QStringLiteral("org.tolvane.Tolvane"));
    QApplication::setWindowIcon(AppIconGenerator::icon());
    // The main window ends the program; the log and settings windows never keep it alive.
    QApplication::setQuitOnLastWindowClosed(true);

    // Qt has taken its own options (-platform, -style, ...) out of the arguments by now.
    const CommandLineRequest request =
        parseCommandLine(QApplication::arguments(), QDir::currentPath(), version);
    if (request.action == CommandLineRequest::Action::Fail) {
        std::fputs(request.text.toLocal8Bit().constData(), stderr);
        return 1;
    }
    // Before anything touches the settings: a copy already running takes the paths over.
    SingleInstance instance(QStringLiteral("org.tolvane.Tolvane"));
    const SingleInstance::Role role = instance.start(request.paths);
    if (role == SingleInstance::Role::Forwarded)
        return 0;
    if (role == SingleInstance::Role::Failed) {
        const QString message = QStringLiteral("Tolvane is already running but does not answer: %1")
                                    .arg(instance.error());
        std::fprintf(stderr, "tolvane: %s\n", message.toLocal8Bit().constData());
        QMessageBox::critical(nullptr, QStringLiteral("Error"), message);
        return 1;
    }

    // Remembers the platform's own look before anything overrides it.
    AppearanceManager appearance;

    // The inner views of a repository: changes, branches, trees, tags, history, diff, blame.
    setRepositoryPaneFactory(&installStandardPanes);

    AppState appState(QStringLiteral("https://api.github.com"));
    SettingsWindowController settings;
    MainWindow window(appState, &settings);
    window.setAboutInfo(version,
                        QPixmap::fromImage(AppIconGenerator::render(AppIconGenerator::aboutSize)));
    appState.setFolderChooser([&window](const QString& title) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(
            &window, title, QDir::homePath(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    });
    settings.setHelpHandler(
        [](const QString& page) { HelpWindowController::instance().show(page); });
    window.setHelpHandler(
        [] { HelpWindowController::instance().show(QStringLiteral("index.html")); });
    window.setHelpPageHandler(
        [](const QString& page) { HelpWindowController::instance().show(page); });
    // "Get Info", the preview panel and the list keys, before any tab opens.
    installAuxiliaryWindows(appState, &window);
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window, &appState](const QStringList& paths) {
                         bringToFront(window);
                         appState.openPaths(paths);
                     });

    // Applied before the first show (no flash of the wrong scheme) and on every change.
    appearance.start();
    window.show();
    appState.restoreTabs();
    appState.openPaths(request.paths); // waits for the restored tabs
    const int status = app.exec();
    // Nothing may still run once the window and the states it reports to are destroyed.
    GitService::shutDown();
    return status;
}
