#include "ui/settings/SettingsWindowController.h"

#include "ui/settings/SettingsView.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace tolvane {

SettingsWindowController::SettingsWindowController(QObject* parent) : QObject(parent) {}

SettingsView* SettingsWindowController::view() const {
    return m_view;
}

SettingsWindowController::~SettingsWindowController() {
    delete m_window;
}

void SettingsWindowController::show() {
    if (!m_window) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("settingsWindow"));
        window->setWindowTitle(QStringLiteral("Settings"));
        window->setAttribute(Qt::WA_QuitOnClose, false);
        m_view = new SettingsView(window);
        connect(m_view, &SettingsView::helpRequested, this, [this](const QString& page) {
            if (m_helpHandler)
                m_helpHandler(page);
        });
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        // The window is exactly as tall as its content, like other settings panes.
        layout->setSizeConstraint(QLayout::SetFixedSize);
        window->adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), window->size());
            frame.moveCenter(screen->availableGeometry().center());
            frame.moveTop(screen->availableGeometry().top() +
                          screen->availableGeometry().height() / 6);
            window->move(frame.topLeft());
        }
        // A settings window is dismissed with the keys that close any other window here.
        auto* closeAction = new QAction(window);
        closeAction->setObjectName(QStringLiteral("closeSettingsAction"));
        closeAction->setShortcuts(
            {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
        connect(closeAction, &QAction::triggered, window, &QWidget::close);
        window->addAction(closeAction);
        m_window = window;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QAction* SettingsWindowController::createShowAction(QObject* parent) {
    auto* action = new QAction(QStringLiteral("Settings…"), parent);
    action->setObjectName(QStringLiteral("settingsAction"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    action->setMenuRole(QAction::PreferencesRole);
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, &SettingsWindowController::show);
    return action;
}

} // namespace tolvane
