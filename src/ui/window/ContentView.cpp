#include "ui/window/ContentView.h"

#include "app/AppState.h"
#include "state/RepositoryState.h"
#include "ui/common/keyboardFocus.h"
#include "ui/window/BarWidget.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/TabBarView.h"
#include "ui/window/WelcomeView.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {

ContentView::ContentView(AppState& appState, QWidget* parent) : QWidget(parent), m_app(appState) {
    setObjectName(QStringLiteral("contentView"));

    m_tabBar = new TabBarView(appState, this);
    m_tabBarDivider = new DividerLine(Qt::Horizontal, this);
    m_tabBarDivider->setObjectName(QStringLiteral("tabBarDivider"));
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("contentStack"));
    m_welcome = new WelcomeView(m_stack);
    m_stack->addWidget(m_welcome);
    connect(m_welcome, &WelcomeView::openRepositoryRequested, this,
            [this] { m_app.showOpenPanel(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabBar);
    layout->addWidget(m_tabBarDivider);
    layout->addWidget(m_stack, 1);

    connect(&appState, &AppState::tabsChanged, this, [this] {
        updateTabBarVisibility();
        showActiveTab();
    });
    connect(&appState, &AppState::activeTabIdChanged, this, &ContentView::showActiveTab);
    connect(&appState, &AppState::repositoryStateRemoved, this, &ContentView::forgetRepositoryView);
    connect(&appState, &AppState::errorMessageChanged, this, &ContentView::updateErrorAlert);

    m_activationRefresh.setSingleShot(true);
    m_activationRefresh.setInterval(activationRefreshDelayMs);
    connect(&m_activationRefresh, &QTimer::timeout, this, [this] { m_app.refreshActiveTab(); });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &ContentView::applicationStateChanged);

    updateTabBarVisibility();
    showActiveTab();
    updateErrorAlert();
}

RepositoryView* ContentView::currentRepositoryView() const {
    return qobject_cast<RepositoryView*>(m_stack->currentWidget());
}

void ContentView::showActiveTab() {
    const std::optional<QUuid> active = m_app.activeTabId();
    RepositoryState* state = active ? m_app.repositoryState(*active) : nullptr;
    if (!state) {
        showPageKeepingFocus(m_stack, m_welcome);
        return;
    }
    QPointer<RepositoryView> view = m_repositoryViews.value(*active);
    if (!view) {
        view = new RepositoryView(*state, m_stack);
        connect(view, &RepositoryView::closeTabRequested, this,
                [this, tab = state->tab()] { m_app.closeTab(tab); });
        m_stack->addWidget(view);
        m_repositoryViews.insert(*active, view);
    }
    showPageKeepingFocus(m_stack, view);
}

void ContentView::forgetRepositoryView(const QUuid& tabId) {
    QPointer<RepositoryView> view = m_repositoryViews.take(tabId);
    if (!view)
        return;
    if (m_stack->currentWidget() == view)
        showPageKeepingFocus(m_stack, m_welcome);
    m_stack->removeWidget(view);
    view->deleteLater();
}

void ContentView::updateTabBarVisibility() {
    const bool hasTabs = !m_app.tabs().isEmpty();
    m_tabBar->setVisible(hasTabs);
    m_tabBarDivider->setVisible(hasTabs);
}

void ContentView::updateErrorAlert() {
    const std::optional<QString> message = m_app.errorMessage();
    if (!message) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        m_alert->setText(*message);
        return;
    }
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Error"), *message,
                                  QMessageBox::NoButton, window());
    alert->setObjectName(QStringLiteral("errorAlert"));
    QPushButton* ok = alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("errorAlertOK"));
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    // However the alert goes away, the message is consumed.
    connect(alert, &QMessageBox::finished, this, [this] {
        m_alert.clear();
        m_app.setErrorMessage(std::nullopt);
    });
    connect(alert, &QObject::destroyed, this, [this] { m_app.setErrorMessage(std::nullopt); });
    m_alert = alert;
    alert->open();
}

void ContentView::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        m_activationRefresh.start();
    else
        m_activationRefresh.stop();
}

} // namespace tolvane
