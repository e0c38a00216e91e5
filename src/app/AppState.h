#pragma once

#include "state/ObservableField.h"
#include "state/RepositoryTab.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

class CloneState;
class GitHubService;
class RepositoryState;

// Asks the user for one folder; none when cancelled. Injected so that tests never open a dialog.
using FolderChooser = std::function<std::optional<QString>(const QString& title)>;

// The one application-wide state: the open repository tabs, the active one, the pending error
// for the main window's alert and the GitHub sign-in summary. Interface thread only.
class AppState : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(QList<RepositoryTab>, tabs, setTabs)
    TOLVANE_FIELD(std::optional<QUuid>, activeTabId, setActiveTabId)
    TOLVANE_FIELD(std::optional<QString>, errorMessage, setErrorMessage)
    TOLVANE_FIELD(std::optional<QString>, gitHubUsername, setGitHubUsername)
    TOLVANE_FIELD(bool, hasGitHubToken, setHasGitHubToken)

public:
    // `gitHubApiBase` is "https://api.github.com" in the application. Construction reads the
    // GitHub summary; call restoreTabs() once afterwards to reopen the saved tabs.
    explicit AppState(const QString& gitHubApiBase = QStringLiteral("https://api.github.com"),
                      QObject* parent = nullptr);
    ~AppState() override;

    std::optional<RepositoryTab> activeTab() const;
    // The repository state of a tab, or null when the tab is unknown.
    RepositoryState* repositoryState(const QUuid& tabId) const;
    RepositoryState* activeRepositoryState() const;
    GitHubService& gitHub() const { return *m_gitHub; }
    // Cloning into a new folder; a clone that finishes opens as a tab.
    CloneState& clone() const { return *m_clone; }

    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }

    // Reopens the saved tabs one after another (each refreshed before the next). Nothing is saved
    // while it runs; a change the user makes meanwhile is saved once it has finished, so that the
    // grants not yet restored are never dropped from the stored list.
    QCoro::Task<> restoreTabs();
    bool isRestoring() const { return m_isRestoring; }

    QCoro::Task<> showOpenPanel();
    QCoro::Task<> openRepository(QString path);
    // Opens paths given on the command line, or handed over by a second launch, one after
    // another once the saved tabs are restored (until then they wait). A file opens the
    // repository that holds it. Each path that cannot be opened is named in the error alert.
    QCoro::Task<> openPaths(QStringList paths);
    void selectTab(const RepositoryTab& tab);
    void closeTab(const RepositoryTab& tab);
    void selectNextTab();
    void selectPreviousTab();
    void moveTab(const QUuid& from, const QUuid& to);
    QCoro::Task<> refreshActiveTab();
    void saveGitHubCredentials(const std::optional<QString>& username);

Q_SIGNALS:
    void tabsChanged();
    void activeTabIdChanged();
    void errorMessageChanged();
    void gitHubUsernameChanged();
    void hasGitHubTokenChanged();
    // A tab's repository state was created (after it is in tabStates) or is about to be destroyed.
    void repositoryStateAdded(const QUuid& tabId);
    void repositoryStateRemoved(const QUuid& tabId);

private:
    void save();
    std::optional<qsizetype> indexOfTab(const QUuid& id) const;
    std::optional<RepositoryTab> tabWithPath(const QString& path) const;
    // Appends a tab with its repository state; returns the state, whose first refresh is the
    // caller's to await.
    RepositoryState* addTab(const QString& path, const std::optional<QByteArray>& bookmark);
    // Opens a folder as a tab; returns why it cannot be opened, or none.
    QCoro::Task<std::optional<QString>> openFolder(QString path);
    // Runs `git rev-parse --is-inside-work-tree` in `path`: true only when it prints "true".
    static QCoro::Task<bool> isInsideWorkTree(QString path);

    std::unique_ptr<GitHubService> m_gitHub;
    QHash<QUuid, RepositoryState*> m_tabStates; // owned (children of this object)
    QHash<QString, QString> m_accessedPaths;
    FolderChooser m_folderChooser;
    CloneState* m_clone = nullptr; // owned (child of this object)
    bool m_isRestoring = false;
    bool m_saveDeferred = false;
    QStringList m_pathsAfterRestore;
};

} // namespace tolvane
