#pragma once

#include <QObject>
#include <QPointer>

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

private:
    QPointer<QWidget> m_window;
    QPointer<SettingsView> m_view;
};

} // namespace tolvane
