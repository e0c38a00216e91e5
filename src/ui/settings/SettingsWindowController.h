#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QWidget;

namespace tolvane {

class SettingsView;

// Owns the settings window: created at the first show and reused; its height follows the
// content as conditional rows appear and disappear.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindowController(QObject* parent = nullptr);
    ~SettingsWindowController() override;

    void show();

    // The application menu's settings command (Ctrl+,).
    QAction* createShowAction(QObject* parent);

    QWidget* window() const { return m_window; }
    SettingsView* view() const;
    // Opens a help page the settings link to.
    void setHelpHandler(std::function<void(const QString&)> handler) {
        m_helpHandler = std::move(handler);
    }

private:
    QPointer<QWidget> m_window;
    QPointer<SettingsView> m_view;
    std::function<void(const QString&)> m_helpHandler;
};

} // namespace tolvane
