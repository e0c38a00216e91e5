#include "ui/MainWindow.h"

#include "app/AppState.h"
#include "state/CloneState.h"
#include "ui/clone/CloneDialog.h"
#include "ui/common/ShortcutsWindow.h"
#include "ui/common/accessibleText.h"
#include "ui/common/keyboardFocus.h"
#include "ui/common/windowFrame.h"
#include "ui/github/gitHubDialogs.h"
#include "ui/health/HealthWindow.h"
#include "ui/log/LogWindowController.h"
#include "ui/operations/operationMenus.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/window/AboutDialog.h"
#include "ui/window/ContentView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QSettings>

namespace tolvane {

MainWindow::MainWindow(AppState& appState, SettingsWindowController* settings, QWidget* parent)
    : QMainWindow(parent), m_app(appState) {
    setObjectName(QStringLiteral("mainWindow"));
    setMinimumSize(900, 600);
    resize(1200, 780);
    restoreWindowFrame(this, QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
                                 .value(QLatin1String(autosaveName))
                                 .toByteArray());
    m_content = new ContentView(appState, this);
    setCentralWidget(m_content);
    installFocusOutline();
    installAccessibleNames();
    buildMenus(settings);
    m_gitHubToken = [this] { gitHubDialogs::configureGitHubToken(m_app, this); };
    m_newGitHubRepository = [this] { gitHubDialogs::newGitHubRepository(m_app, this); };

    connect(&appState, &AppState::tabsChanged, this, &MainWindow::updateActions);
    connect(&appState, &AppState::activeTabIdChanged, this, &MainWindow::updateActions);
    connect(&appState, &AppState::activeTabIdChanged, this, &MainWindow::updateTitle);
    updateActions();
    updateTitle();
}

WelcomeView* MainWindow::welcomeView() const {
    return m_content->welcomeView();
}

QAction* MainWindow::addAction(QMenu* menu, const QString& text, const QString& objectName,
                               const QList<QKeySequence>& shortcuts) {
    auto* action = menu->addAction(text);
    action->setObjectName(objectName);
    action->setShortcuts(shortcuts);
    return action;
}

void MainWindow::buildMenus(SettingsWindowController* settings) {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction* open =
        addAction(file, QStringLiteral("Open Repository…"), QStringLiteral("openRepositoryAction"),
                  {QKeySequence(Qt::CTRL | Qt::Key_O)});
    QAction* newTab = addAction(file, QStringLiteral("New Tab"), QStringLiteral("newTabAction"),
                                {QKeySequence(Qt::CTRL | Qt::Key_T)});
    connect(open, &QAction::triggered, this, [this] { m_app.showOpenPanel(); });
    QAction* clone = addAction(file, QStringLiteral("Clone Repository…"),
                               QStringLiteral("cloneRepositoryAction"),
                               {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_O)});
    connect(clone, &QAction::triggered, this, [this] {
        std::function<void()> help;
        if (m_helpPage)
            help = [page = m_helpPage] { page(QStringLiteral("cloning.html")); };
        showCloneDialog(m_app.clone(), this, std::move(help));
    });
    connect(newTab, &QAction::triggered, this, [this] { m_app.showOpenPanel(); });
    file->addSeparator();
    QAction* close = addAction(file, QStringLiteral("Close Tab"), QStringLiteral("closeTabAction"),
                               {QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, this, [this] {
        if (const auto tab = m_app.activeTab())
            m_app.closeTab(*tab);
    });
    file->addSeparator();
    QAction* refresh = addAction(file, QStringLiteral("Refresh"), QStringLiteral("refreshAction"),
                                 {QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(refresh, &QAction::triggered, this, [this] { m_app.refreshActiveTab(); });
    file->addSeparator();
    // X11 and Wayland offer one press of Ctrl+Shift+] as both "Ctrl+Shift+]" and "Ctrl+}", and
    // an action bound to both reports the press as ambiguous and never fires. So the shifted
    // symbol is only bound together with Shift, the spelling other platforms send.
    QAction* next = addAction(file, QStringLiteral("Next Tab"), QStringLiteral("nextTabAction"),
                              {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_BracketRight),
                               QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_BraceRight),
                               QKeySequence(Qt::CTRL | Qt::Key_Tab),
                               QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    QAction* previous =
        addAction(file, QStringLiteral("Previous Tab"), QStringLiteral("previousTabAction"),
                  {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_BracketLeft),
                   QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_BraceLeft),
                   QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Tab),
                   QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(next, &QAction::triggered, this, [this] { m_app.selectNextTab(); });
    connect(previous, &QAction::triggered, this, [this] { m_app.selectPreviousTab(); });
    file->addSeparator();
    if (settings) {
        QAction* showSettings = settings->createShowAction(this);
        file->addAction(showSettings);
        file->addSeparator();
    }
    QAction* quit = addAction(file, QStringLiteral("Quit"), QStringLiteral("quitAction"),
                              {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));

    QMenu* gitHub = menuBar()->addMenu(QStringLiteral("&GitHub"));
    gitHub->setObjectName(QStringLiteral("gitHubMenu"));
    QAction* newRepository = addAction(gitHub, QStringLiteral("New Repository on GitHub…"),
                                       QStringLiteral("newGitHubRepositoryAction"),
                                       {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N)});
    connect(newRepository, &QAction::triggered, this, [this] {
        if (m_newGitHubRepository)
            m_newGitHubRepository();
    });
    gitHub->addSeparator();
    QAction* token = addAction(gitHub, QStringLiteral("Configure GitHub Token…"),
                               QStringLiteral("configureGitHubTokenAction"));
    connect(token, &QAction::triggered, this, [this] {
        if (m_gitHubToken)
            m_gitHubToken();
    });

    QMenu* repository = menuBar()->addMenu(QStringLiteral("&Repository"));
    repository->setObjectName(QStringLiteral("repositoryMenu"));
    QAction* health =
        addAction(repository, QStringLiteral("Health…"), QStringLiteral("repositoryHealthAction"));
    connect(health, &QAction::triggered, this, [this] {
        if (RepositoryState* state = m_app.activeRepositoryState())
            HealthWindow::showFor(*state, this);
    });

    QMenu* windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    windowMenu->setObjectName(QStringLiteral("windowMenu"));
    windowMenu->addAction(LogWindowController::instance().createToggleAction(this));
    addOperationMenus(this, m_app, edit, windowMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* helpAction =
        addAction(help, QStringLiteral("Tolvane Help"), QStringLiteral("helpAction"),
                  {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Slash),
                   QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Question)});
    connect(helpAction, &QAction::triggered, this, [this] {
        if (m_help)
            m_help();
    });
    addShortcutsItem(help, this);
    help->addSeparator();
    QAction* about =
        addAction(help, QStringLiteral("About Tolvane"), QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
}

QAction* MainWindow::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void MainWindow::setAboutInfo(const QString& version, const QPixmap& icon) {
    m_version = version;
    m_aboutIcon = icon;
}

void MainWindow::showAbout() {
    auto* dialog = new AboutDialog(m_version, m_aboutIcon, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void MainWindow::setGitHubTokenHandler(std::function<void()> handler) {
    m_gitHubToken = std::move(handler);
    updateActions();
}

void MainWindow::setNewGitHubRepositoryHandler(std::function<void()> handler) {
    m_newGitHubRepository = std::move(handler);
    updateActions();
}

void MainWindow::setHelpPageHandler(std::function<void(const QString&)> handler) {
    m_helpPage = std::move(handler);
}

void MainWindow::setHelpHandler(std::function<void()> handler) {
    m_help = std::move(handler);
    updateActions();
}

void MainWindow::updateActions() {
    const qsizetype tabCount = m_app.tabs().size();
    action(QStringLiteral("closeTabAction"))->setEnabled(m_app.activeTab().has_value());
    action(QStringLiteral("repositoryHealthAction"))->setEnabled(m_app.activeTab().has_value());
    action(QStringLiteral("nextTabAction"))->setEnabled(tabCount >= 2);
    action(QStringLiteral("previousTabAction"))->setEnabled(tabCount >= 2);
    action(QStringLiteral("configureGitHubTokenAction"))->setEnabled(bool(m_gitHubToken));
    action(QStringLiteral("newGitHubRepositoryAction"))->setEnabled(bool(m_newGitHubRepository));
    action(QStringLiteral("helpAction"))->setEnabled(bool(m_help));
}

void MainWindow::updateTitle() {
    const auto tab = m_app.activeTab();
    setWindowTitle(tab ? tab->name + QStringLiteral(" — Tolvane") : QStringLiteral("Tolvane"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (!event->isAccepted())
        return;
    // Closing is how the program ends (Quit closes the window too): the frame is kept for the
    // next start.
    QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
        .setValue(QLatin1String(autosaveName), saveGeometry());
    Q_EMIT closed();
}

} // namespace tolvane
