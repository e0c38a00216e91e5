// Takes the screenshots that the AppStream metainfo shows: the program's own main window, built
// as at start-up and drawn offscreen, with repositories opened the way the command line opens
// them. Run by scripts/screenshots.sh, which makes the demo repositories.
// Usage: tolvane_screenshots <output folder> <changed file to show> <repository>...
#include "app/AppState.h"
#include "engine/GitService.h"
#include "icon/AppIconGenerator.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "ui/MainWindow.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/standardPanes.h"
#include "ui/window/RepositoryView.h"

#include <QApplication>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tolvane;

namespace {

void runEventsFor(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Waits for `done`, then a little longer: the refresh that follows the window becoming active
// starts half a second later, and the views lay out after the state settles.
bool waitUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(30000);
    for (int round = 0; round < 2; ++round) {
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            runEventsFor(20);
        }
        runEventsFor(800);
    }
    return done();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: tolvane_screenshots <output folder> <changed file to show> "
                             "<repository>...\n");
        return 2;
    }
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.tolvane.Tolvane"));
    QApplication::setWindowIcon(AppIconGenerator::icon());
    const QString output = arguments[1];
    const QString shownFile = arguments[2];
    QDir().mkpath(output);

    AppearanceManager appearance;
    setRepositoryPaneFactory(&installStandardPanes);
    AppState appState;
    MainWindow window(appState);
    appearance.start();
    window.resize(1280, 800);
    window.show();

    const int status = [&] {
        QCoro::waitFor(appState.openPaths(arguments.mid(3)));
        RepositoryState* state = appState.activeRepositoryState();
        if (appState.errorMessage() || !state) {
            std::fprintf(stderr, "%s\n", qPrintable(appState.errorMessage().value_or("no tab")));
            return 1;
        }
        // The chosen file of the last repository, with its diff.
        const auto file = std::find_if(state->changes().cbegin(), state->changes().cend(),
                                       [&](const FileChange& f) { return f.path == shownFile; });
        if (file == state->changes().cend()) {
            std::fprintf(stderr, "%s has no changes\n", qPrintable(shownFile));
            return 1;
        }
        state->selectFile(*file, false, false);
        const auto settled = [state] {
            return !state->selectedFiles().isEmpty() && !state->isLoading() &&
                   !state->isLoadingDiff();
        };
        if (!waitUntil(settled)) {
            std::fprintf(stderr, "the diff did not load\n");
            return 1;
        }

        const struct {
            const char* appearance;
            const char* file;
        } shots[] = {{"light", "main-window.png"}, {"dark", "main-window-dark.png"}};
        for (const auto& shot : shots) {
            AppSettings::setAppearance(QString::fromLatin1(shot.appearance));
            appearance.apply();
            if (!waitUntil(settled))
                return 1;
            const QString file = output + QLatin1Char('/') + QLatin1String(shot.file);
            if (!window.grab().save(file, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            std::printf("%s\n", qPrintable(file));
        }
        return 0;
    }();
    // Nothing may still run once the window and the states it reports to are destroyed.
    GitService::shutDown();
    return status;
}
