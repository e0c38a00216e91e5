#pragma once

#include "auxiliary/listKeys.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace tolvane {

class AppState;
class PreviewPanelController;
class RepositoryState;
class RepositoryView;

// The application-wide key handling of the lists: installed on the application, it sees every
// key press of the main window (and of the preview panel) before the focused widget does, and
// turns arrows, paging, Space, Enter and Tab into the repository state's selection operations,
// the preview panel and pane focus (see routeListKey for the rules).
class ListKeyHandler : public QObject {
    Q_OBJECT
public:
    ListKeyHandler(AppState& appState, QWidget* mainWindow, PreviewPanelController& preview,
                   QObject* parent = nullptr);

    // The routing facts for the current focus; public so that tests can check them per pane.
    KeyContext context() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RepositoryView* activeView() const;
    void perform(const KeyRoute& route, RepositoryState& state, RepositoryView* view);
    void moveFiles(RepositoryState& state, RepositoryView* view, ListMotion motion, bool extending);
    void moveCommits(RepositoryState& state, RepositoryView* view, ListMotion motion,
                     bool extending);
    void focusPane(RepositoryView* view, int step);
    // Menu or Shift+F10 in a list: the context menu of its current row. False when there is none.
    bool openRowMenu(QWidget* focus);
    void focusDetailWhenShown(RepositoryState& state, RepositoryView* view);

    QPointer<AppState> m_appState;
    QPointer<QWidget> m_mainWindow;
    QPointer<PreviewPanelController> m_preview;
};

} // namespace tolvane
