#include "ui/log/LogWindowController.h"

#include "ui/common/windowFrame.h"
#include "ui/log/LogWindowView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QSettings>
#include <QVBoxLayout>
#include <QWidget>

namespace tolvane {
namespace {

QSettings store() {
    return QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
}

} // namespace

LogWindowController::LogWindowController(QObject* parent) : QObject(parent) {
    // The window goes while the application still runs: once it is being destroyed, saving the
    // frame would ask a screen that no longer exists.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &LogWindowController::closeWindow);
}

void LogWindowController::closeWindow() {
    if (!m_window)
        return;
    if (m_window->isVisible())
        saveGeometry();
    delete m_window;
}

LogWindowView* LogWindowController::view() const {
    return m_view;
}

LogWindowController::~LogWindowController() {
    if (!QCoreApplication::closingDown())
        closeWindow();
    else
        delete m_window;
}

LogWindowController& LogWindowController::instance() {
    static QPointer<LogWindowController> controller;
    if (!controller)
        controller = new LogWindowController(qApp);
    return *controller;
}

void LogWindowController::show() {
    if (!m_window) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("logWindow"));
        window->setWindowTitle(QStringLiteral("Log"));
        // The main window alone decides when the program quits.
        window->setAttribute(Qt::WA_QuitOnClose, false);
        m_view = new LogWindowView(window);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        window->resize(600, 400);
        restoreWindowFrame(window, store().value(QLatin1String(autosaveName)).toByteArray());
        closeOnEscape(window);
        window->installEventFilter(this);
        m_window = window;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void LogWindowController::toggle() {
    if (m_window && m_window->isVisible())
        m_window->hide();
    else
        show();
}

QAction* LogWindowController::createToggleAction(QObject* parent) {
    auto* action = new QAction(QStringLiteral("Log"), parent);
    action->setObjectName(QStringLiteral("logAction"));
    action->setShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_L));
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, &LogWindowController::toggle);
    return action;
}

bool LogWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Hide)
        saveGeometry();
    return QObject::eventFilter(watched, event);
}

void LogWindowController::saveGeometry() {
    if (m_window)
        store().setValue(QLatin1String(autosaveName), m_window->saveGeometry());
}

} // namespace tolvane
