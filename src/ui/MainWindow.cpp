#include "ui/MainWindow.h"

#include "ui/WelcomeView.h"

namespace tolvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tolvane"));
    setMinimumSize(900, 600);
    resize(1200, 780);
    m_welcome = new WelcomeView(this);
    setCentralWidget(m_welcome);
}

} // namespace tolvane
