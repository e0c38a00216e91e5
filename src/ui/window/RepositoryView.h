#pragma once

#include "state/RepositoryState.h"
#include "state/SidebarTab.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QSplitter;
class QStackedWidget;

namespace tolvane {

class MessageBar;
class SidebarView;

// The active tab's view: toolbar, the sidebar / history / diff split and the status bar. The
// inner views are plugged in through the setters (or the pane factory); until then each pane
// shows a placeholder.
class RepositoryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarMinimumWidth = 240;
    static constexpr int sidebarIdealWidth = 280;
    static constexpr int sidebarMaximumWidth = 360;
    static constexpr int historyMinimumWidth = 300;
    static constexpr int historyIdealWidth = 400;
    static constexpr int detailMinimumWidth = 300;
    static constexpr int detailIdealWidth = 420;

    explicit RepositoryView(RepositoryState& state, QWidget* parent = nullptr);

    RepositoryState* state() const { return m_state; }

    // Each setter takes ownership and deletes what the pane showed before.
    void setSidebarPage(SidebarTab tab, QWidget* page);
    void setHistoryPane(QWidget* pane);
    // The diff area, shown while the blame view is off.
    void setDetailPane(QWidget* pane);
    // The blame area, shown instead of the diff area while the blame view is on.
    void setBlamePane(QWidget* pane);

    SidebarView* sidebar() const { return m_sidebar; }
    QWidget* historyPane() const { return m_history; }
    QWidget* detailPane() const { return m_detail; }
    QWidget* blamePane() const { return m_blame; }
    QSplitter* splitter() const { return m_splitter; }
    // Failures and finished network commands, under the toolbar.
    MessageBar* messageBar() const { return m_messageBar; }
    // Shown instead of everything else while the repository's folder is gone.
    QWidget* missingPage() const { return m_missingPage; }

Q_SIGNALS:
    // The missing page's "Close Tab"; the tab's owner closes it.
    void closeTabRequested();
    // A message's "Show Log"; whoever owns the log window shows it.
    void showLogRequested();

private:
    void showContentOrMissing();

    void replaceInStack(QStackedWidget* stack, QWidget*& slot, QWidget* pane);
    void showDetailOrBlame();

    QPointer<RepositoryState> m_state;
    SidebarView* m_sidebar = nullptr;
    QSplitter* m_splitter = nullptr;
    QStackedWidget* m_historyStack = nullptr;
    QStackedWidget* m_detailStack = nullptr;
    QWidget* m_history = nullptr;
    QWidget* m_detail = nullptr;
    QWidget* m_blame = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_content = nullptr;
    QWidget* m_missingPage = nullptr;
    MessageBar* m_messageBar = nullptr;
};

// Fills a new repository view with the inner views for its repository state. Set once at
// start-up; when none is set the panes keep their placeholders.
using RepositoryPaneFactory = std::function<void(RepositoryView& view, RepositoryState& state)>;
void setRepositoryPaneFactory(RepositoryPaneFactory factory);
const RepositoryPaneFactory& repositoryPaneFactory();

} // namespace tolvane
