#pragma once

class QWidget;

namespace tolvane {

class AppState;
class RepositoryState;
class RepositoryView;

// Connects the file info window, the preview panel and the list keys to the program: every
// repository view made from now on sends its Changes page's "Get Info" and its file selection to
// them, and the key handler is installed on the application for `mainWindow`. Call once at
// start-up, after the pane factory is set and before any tab opens.
void installAuxiliaryWindows(AppState& appState, QWidget* mainWindow);

// What installAuxiliaryWindows adds to each repository view.
void attachAuxiliaryWindows(RepositoryView& view, RepositoryState& state);

} // namespace tolvane
