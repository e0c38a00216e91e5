#pragma once

#include "ui/window/RepositoryView.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <QMessageBox>
class QStackedWidget;

namespace tolvane {

class AppState;

class TabBarView;
class WelcomeView;

// The main window's content: the tab bar (only while tabs are open), then the welcome screen or
// the active tab's repository view, and the one "Error" alert bound to the error message. Also
// refreshes the active tab half a second after the application becomes active again.
class ContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int activationRefreshDelayMs = 500;

    explicit ContentView(AppState& appState, QWidget* parent = nullptr);

    TabBarView* tabBar() const { return m_tabBar; }
    WelcomeView* welcomeView() const { return m_welcome; }
    // The repository view on screen, or null while the welcome screen is shown.
    RepositoryView* currentRepositoryView() const;
    // The alert while it is shown, else null.
    QMessageBox* errorAlert() const { return m_alert; }
    const QTimer& activationRefreshTimer() const { return m_activationRefresh; }

private:
    void showActiveTab();
    void forgetRepositoryView(const QUuid& tabId);
    void updateTabBarVisibility();
    void updateErrorAlert();
    void applicationStateChanged(Qt::ApplicationState state);

    AppState& m_app;
    TabBarView* m_tabBar = nullptr;
    QWidget* m_tabBarDivider = nullptr;
    QStackedWidget* m_stack = nullptr;
    WelcomeView* m_welcome = nullptr;
    // One view per tab, made when the tab is first shown, so switching back keeps its layout.
    QHash<QUuid, QPointer<RepositoryView>> m_repositoryViews;
    QPointer<QMessageBox> m_alert;
    QTimer m_activationRefresh;
};

} // namespace tolvane
