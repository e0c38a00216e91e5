#pragma once

class QMainWindow;
class QMenu;

namespace tolvane {

class AppState;

// Edit › Undo and Redo (named after the operation, Ctrl+Z and Ctrl+Shift+Z) for the active
// repository, and Window › History of Operations. A text field with the focus keeps the keys
// for its own undo: it claims them before any window shortcut.
void addOperationMenus(QMainWindow* window, AppState& app, QMenu* edit, QMenu* windowMenu);

} // namespace tolvane
