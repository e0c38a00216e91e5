#include "ui/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.tolvane.Tolvane"));
    QApplication::setQuitOnLastWindowClosed(true);

    tolvane::MainWindow window;
    window.show();
    return app.exec();
}
