#pragma once

#include <QMainWindow>

namespace tolvane {

class WelcomeView;

// The one main window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    WelcomeView* welcomeView() const { return m_welcome; }

private:
    WelcomeView* m_welcome = nullptr;
};

} // namespace tolvane
