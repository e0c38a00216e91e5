#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <functional>

class QAction;

namespace tolvane {

class AppState;
class ContentView;
class SettingsWindowController;
class WelcomeView;

// The one main window: the content view and the menus. Closing it ends the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Where its size and position are kept between runs (QSettings key).
    static constexpr auto autosaveName = "MainWindow";

    explicit MainWindow(AppState& appState, SettingsWindowController* settings = nullptr,
                        QWidget* parent = nullptr);

    ContentView* contentView() const { return m_content; }
    WelcomeView* welcomeView() const;

    // What "About Tolvane" shows.
    void setAboutInfo(const QString& version, const QPixmap& icon);
    void showAbout();

    // What the GitHub and Help commands open. The GitHub dialogs are wired from the start (these
    // replace them); the help window lives outside this library, so "Tolvane Help" stays disabled
    // until its handler is given.
    void setGitHubTokenHandler(std::function<void()> handler);
    void setNewGitHubRepositoryHandler(std::function<void()> handler);
    void setHelpHandler(std::function<void()> handler);
    // Opens one page of the help book ("cloning.html"), for dialogs that link to theirs.
    void setHelpPageHandler(std::function<void(const QString&)> handler);

    // The menu command with this objectName.
    QAction* action(const QString& objectName) const;

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus(SettingsWindowController* settings);
    void updateActions();
    void updateTitle();
    QAction* addAction(QMenu* menu, const QString& text, const QString& objectName,
                       const QList<QKeySequence>& shortcuts = {});

    AppState& m_app;
    ContentView* m_content = nullptr;
    QString m_version;
    QPixmap m_aboutIcon;
    std::function<void()> m_gitHubToken;
    std::function<void()> m_newGitHubRepository;
    std::function<void()> m_help;
    std::function<void(const QString&)> m_helpPage;
};

} // namespace tolvane
