#include "auxiliary/auxiliaryWindows.h"

#include "auxiliary/FileInfoWindowController.h"
#include "auxiliary/ListKeyHandler.h"
#include "auxiliary/PreviewPanelController.h"
#include "state/RepositoryState.h"
#include "ui/changes/ChangesView.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"

#include <QApplication>
#include <QPointer>
#include <memory>

namespace tolvane {

void attachAuxiliaryWindows(RepositoryView& view, RepositoryState& state) {
    QPointer<RepositoryState> guard(&state);
    if (auto* changes = qobject_cast<ChangesView*>(view.sidebar()->page(SidebarTab::Changes))) {
        QObject::connect(
            changes, &ChangesView::getInfoRequested, &view, [guard](const FileChange& file) {
                if (guard)
                    FileInfoWindowController::instance().showInfo(file, guard->repoPath());
            });
    }
    // Only a change of the selected path counts (not the same path turning staged).
    auto shownPath = std::make_shared<std::optional<QString>>();
    QObject::connect(&state, &RepositoryState::selectedFileChanged, &view, [guard, shownPath] {
        if (!guard)
            return;
        const std::optional<FileChange> file = guard->selectedFile();
        const std::optional<QString> path =
            file ? std::optional<QString>(file->path) : std::nullopt;
        if (path == *shownPath)
            return;
        *shownPath = path;
        if (!file)
            return;
        FileInfoWindowController::instance().followSelection(file, guard->repoPath());
        PreviewPanelController::instance().update(file->path, guard->repoPath());
    });
}

void installAuxiliaryWindows(AppState& appState, QWidget* mainWindow) {
    RepositoryPaneFactory previous = repositoryPaneFactory();
    setRepositoryPaneFactory([previous](RepositoryView& view, RepositoryState& state) {
        if (previous)
            previous(view, state);
        attachAuxiliaryWindows(view, state);
    });
    PreviewPanelController& preview = PreviewPanelController::instance();
    preview.setParentWindow(mainWindow);
    auto* keys = new ListKeyHandler(appState, mainWindow, preview, mainWindow);
    qApp->installEventFilter(keys);
}

} // namespace tolvane
