#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace tolvane {

class LogWindowView;

// Owns the one activity-log window: created at the first show, hidden (never destroyed) when
// closed, its frame remembered between launches under "LogWindow".
class LogWindowController : public QObject {
    Q_OBJECT
public:
    explicit LogWindowController(QObject* parent = nullptr);
    ~LogWindowController() override;

    // The application's instance, created on first use and owned by the application object.
    static LogWindowController& instance();

    // Creates the window on first use, then raises and focuses it.
    void show();
    // Hides the window when it is visible, otherwise shows it.
    void toggle();

    // The window menu's "Log" command (Shift+Ctrl+L), working from every window of the program.
    QAction* createToggleAction(QObject* parent);

    QWidget* window() const { return m_window; }
    LogWindowView* view() const;

    static constexpr auto autosaveName = "LogWindow";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void saveGeometry();

    void closeWindow();

    QPointer<QWidget> m_window;
    QPointer<LogWindowView> m_view;
};

} // namespace tolvane
