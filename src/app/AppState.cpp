#include "app/AppState.h"

#include "engine/GitService.h"
#include "engine/PromptChannel.h"
#include "github/GitHubService.h"
#include "platform/BookmarkHelper.h"
#include "settings/AppSettings.h"
#include "state/CloneState.h"
#include "state/RepositoryState.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <utility>

namespace tolvane {
namespace {

QString tabName(const QString& path) {
    return QFileInfo(path).fileName();
}

// The chooser may hand back "repo/" or "a/../repo"; the same folder must compare equal.
QString normalisedPath(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

const QString notARepository = QStringLiteral("Not a valid Git repository.");

// Why `path` cannot be opened as a working tree, or none when it can. When git finds a
// repository but refuses it (owned by another user under its safe.directory rule, a format it
// does not know, unreadable files), its own message tells the user what to do; a folder outside
// any repository, or one where git cannot run, gets the plain text.
QCoro::Task<std::optional<QString>> workTreeProblem(QString path) {
    const GitService git(path);
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--is-inside-work-tree")};
    try {
        const QString output = co_await git.run(args, false);
        if (output == QStringLiteral("true"))
            co_return std::nullopt;
    } catch (const GitError& error) {
        if (error.kind() == GitError::Kind::Command && !error.message().isEmpty() &&
            !error.message().contains(QStringLiteral("not a git repository")))
            co_return error.message();
    }
    co_return notARepository;
}

} // namespace

AppState::AppState(const QString& gitHubApiBase, QObject* parent)
    : QObject(parent), m_gitHub(std::make_unique<GitHubService>(gitHubApiBase)) {
    m_hasGitHubToken = AppSettings::hasGitHubToken();
    m_gitHubUsername = AppSettings::gitHubUsername();
    // Listening before the first network command, also one started without a tab (a clone),
    // whose git then still finds our credential helper.
    PromptChannel::instance();
    m_clone = new CloneState(this);
    // A finished clone opens as a tab, like a folder chosen in the open panel.
    connect(m_clone, &CloneState::cloned, this,
            [this](const QString& path) { openRepository(path); });
}

AppState::~AppState() = default;

std::optional<RepositoryTab> AppState::activeTab() const {
    if (!m_activeTabId)
        return std::nullopt;
    for (const RepositoryTab& tab : m_tabs) {
        if (tab.id == *m_activeTabId)
            return tab;
    }
    return std::nullopt;
}

RepositoryState* AppState::repositoryState(const QUuid& tabId) const {
    return m_tabStates.value(tabId, nullptr);
}

RepositoryState* AppState::activeRepositoryState() const {
    return m_activeTabId ? repositoryState(*m_activeTabId) : nullptr;
}

std::optional<qsizetype> AppState::indexOfTab(const QUuid& id) const {
    for (qsizetype i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i].id == id)
            return i;
    }
    return std::nullopt;
}

std::optional<RepositoryTab> AppState::tabWithPath(const QString& path) const {
    for (const RepositoryTab& tab : m_tabs) {
        if (tab.path == path)
            return tab;
    }
    return std::nullopt;
}

QCoro::Task<bool> AppState::isInsideWorkTree(QString path) {
    const std::optional<QString> problem = co_await workTreeProblem(path);
    co_return !problem.has_value();
}

RepositoryState* AppState::addTab(const QString& path, const std::optional<QByteArray>& bookmark) {
    const RepositoryTab tab{QUuid::createUuid(), path, tabName(path), bookmark};
    auto* state = new RepositoryState(tab, this);
    state->watchForChanges();
    // A submodule opens as a tab of its own.
    connect(&state->submodules(), &SubmodulesState::openRepositoryRequested, this,
            [this](const QString& submodulePath) { openRepository(submodulePath); });
    // The state is findable before the tab list announces the tab, so that views building an
    // entry for it see its branch and changes.
    m_tabStates.insert(tab.id, state);
    Q_EMIT repositoryStateAdded(tab.id);
    QList<RepositoryTab> tabs = m_tabs;
    tabs.append(tab);
    setTabs(tabs);
    return state;
}

QCoro::Task<> AppState::showOpenPanel() {
    if (!m_folderChooser)
        co_return;
    const std::optional<QString> folder =
        m_folderChooser(QStringLiteral("Choose a Git Repository"));
    if (!folder || folder->isEmpty())
        co_return;
    QPointer<AppState> self(this);
    co_await openRepository(*folder);
    Q_UNUSED(self);
}

QCoro::Task<> AppState::openRepository(QString chosenPath) {
    QPointer<AppState> self(this);
    const std::optional<QString> problem = co_await openFolder(chosenPath);
    if (self && problem)
        setErrorMessage(*problem);
}

QCoro::Task<std::optional<QString>> AppState::openFolder(QString chosenPath) {
    QPointer<AppState> self(this);
    QString path = normalisedPath(chosenPath);
    // git would run in the program's own working folder.
    if (path.isEmpty())
        co_return notARepository;

    if (const auto existing = tabWithPath(path)) {
        setActiveTabId(existing->id);
        save();
        co_return std::nullopt;
    }

    const std::optional<QByteArray> bookmark = BookmarkHelper::createBookmark(path);
    BookmarkHelper::startAccessing(path);
    m_accessedPaths.insert(path, path);

    const std::optional<QString> problem = co_await workTreeProblem(path);
    if (!self)
        co_return std::nullopt;
    if (problem) {
        BookmarkHelper::stopAccessing(path);
        m_accessedPaths.remove(path);
        co_return problem;
    }

    const std::optional<QString> topLevel = co_await GitService(path).topLevel();
    if (!self)
        co_return std::nullopt;
    if (topLevel && !topLevel->isEmpty() && normalisedPath(*topLevel) != path) {
        const QString top = normalisedPath(*topLevel);
        if (const auto existing = tabWithPath(top)) {
            setActiveTabId(existing->id);
            save();
            co_return std::nullopt;
        }
        path = top;
        BookmarkHelper::startAccessing(path);
        m_accessedPaths.insert(path, path);
    }

    // Two opens of one folder can both pass the first check while git runs; the second one
    // activates the tab the first created instead of opening it twice.
    if (const auto existing = tabWithPath(path)) {
        setActiveTabId(existing->id);
        save();
        co_return std::nullopt;
    }

    RepositoryState* state = addTab(path, bookmark);
    setActiveTabId(state->tab().id);

    QPointer<RepositoryState> stateGuard(state);
    co_await state->refresh();
    if (!self)
        co_return std::nullopt;
    save();
    co_return std::nullopt;
}

QCoro::Task<> AppState::openPaths(QStringList paths) {
    if (m_isRestoring) {
        m_pathsAfterRestore.append(paths);
        co_return;
    }
    QPointer<AppState> self(this);
    QStringList problems;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        std::optional<QString> problem;
        if (path.isEmpty() || !info.exists()) {
            problem = QStringLiteral("No such file or folder.");
        } else {
            const QString folder = info.isDir() ? path : info.absolutePath();
            problem = co_await openFolder(folder);
        }
        if (!self)
            co_return;
        if (problem)
            problems.append(QStringLiteral("Cannot open “%1”: %2").arg(path, *problem));
    }
    if (problems.isEmpty())
        co_return;
    // Paths handed over while the alert still shows earlier ones are added to it.
    if (m_errorMessage)
        problems.prepend(*m_errorMessage);
    setErrorMessage(problems.join(QLatin1Char('\n')));
}

void AppState::selectTab(const RepositoryTab& tab) {
    // A stale tab (closed meanwhile) must not leave an id that matches nothing.
    if (!indexOfTab(tab.id))
        return;
    setActiveTabId(tab.id);
    save();
    refreshActiveTab();
}

void AppState::closeTab(const RepositoryTab& tab) {
    const std::optional<qsizetype> index = indexOfTab(tab.id);
    if (!index)
        return;
    const RepositoryTab closing = m_tabs[*index];

    if (m_accessedPaths.contains(closing.path)) {
        BookmarkHelper::stopAccessing(m_accessedPaths.value(closing.path));
        m_accessedPaths.remove(closing.path);
    }

    RepositoryState* state = m_tabStates.take(closing.id);
    if (state)
        Q_EMIT repositoryStateRemoved(closing.id);

    QList<RepositoryTab> remaining = m_tabs;
    remaining.removeAt(*index);
    const bool wasActive = m_activeTabId && *m_activeTabId == closing.id;
    if (wasActive) {
        // Activate first, so that no view ever sees an active id without its tab.
        if (remaining.isEmpty())
            setActiveTabId(std::nullopt);
        else
            setActiveTabId(remaining[std::min<qsizetype>(*index, remaining.size() - 1)].id);
    }
    setTabs(remaining);

    // Its running operations guard against its destruction; deferring it lets a signal that is
    // being delivered by the state finish first.
    if (state)
        state->deleteLater();
    save();
}

void AppState::selectNextTab() {
    if (m_tabs.size() < 2 || !m_activeTabId)
        return;
    const std::optional<qsizetype> index = indexOfTab(*m_activeTabId);
    if (!index)
        return;
    setActiveTabId(m_tabs[(*index + 1) % m_tabs.size()].id);
}

void AppState::selectPreviousTab() {
    if (m_tabs.size() < 2 || !m_activeTabId)
        return;
    const std::optional<qsizetype> index = indexOfTab(*m_activeTabId);
    if (!index)
        return;
    setActiveTabId(m_tabs[*index == 0 ? m_tabs.size() - 1 : *index - 1].id);
}

void AppState::moveTab(const QUuid& from, const QUuid& to) {
    if (from == to)
        return;
    const std::optional<qsizetype> fromIndex = indexOfTab(from);
    const std::optional<qsizetype> toIndex = indexOfTab(to);
    if (!fromIndex || !toIndex)
        return;
    QList<RepositoryTab> tabs = m_tabs;
    const RepositoryTab moving = tabs.takeAt(*fromIndex);
    tabs.insert(*toIndex, moving);
    setTabs(tabs);
    save();
}

QCoro::Task<> AppState::refreshActiveTab() {
    RepositoryState* state = activeRepositoryState();
    if (!state)
        co_return;
    co_await state->refresh();
}

void AppState::saveGitHubCredentials(const std::optional<QString>& username) {
    setGitHubUsername(username);
    setHasGitHubToken(username.has_value());
    AppSettings::setHasGitHubToken(username.has_value());
    AppSettings::setGitHubUsername(username);
}

void AppState::save() {
    if (m_isRestoring) {
        m_saveDeferred = true;
        return;
    }
    QList<QByteArray> bookmarks;
    for (const RepositoryTab& tab : m_tabs) {
        if (tab.bookmarkData)
            bookmarks.append(*tab.bookmarkData);
    }
    AppSettings::setSavedRepositoryBookmarks(bookmarks);
    if (const auto tab = activeTab())
        AppSettings::setLastActiveRepositoryPath(tab->path);
}

QCoro::Task<> AppState::restoreTabs() {
    const std::optional<QList<QByteArray>> saved = AppSettings::savedRepositoryBookmarks();
    if (!saved || m_isRestoring)
        co_return;
    const std::optional<QString> lastActive = AppSettings::lastActiveRepositoryPath();

    QPointer<AppState> self(this);
    m_isRestoring = true;
    m_saveDeferred = false;

    for (const QByteArray& bookmark : *saved) {
        const std::optional<QString> resolved = BookmarkHelper::resolveBookmark(bookmark);
        if (!resolved)
            continue;
        const QString resolvedPath = normalisedPath(*resolved);
        m_accessedPaths.insert(resolvedPath, resolvedPath);

        const bool valid = co_await isInsideWorkTree(resolvedPath);
        if (!self)
            co_return;
        if (!valid) {
            BookmarkHelper::stopAccessing(resolvedPath);
            m_accessedPaths.remove(resolvedPath);
            continue;
        }

        QString path = resolvedPath;
        const std::optional<QString> topLevel = co_await GitService(path).topLevel();
        if (!self)
            co_return;
        if (topLevel && !topLevel->isEmpty() && normalisedPath(*topLevel) != path) {
            path = normalisedPath(*topLevel);
            BookmarkHelper::startAccessing(path);
            m_accessedPaths.insert(path, path);
        }
        if (tabWithPath(path))
            continue;

        RepositoryState* state = addTab(path, bookmark);
        if ((lastActive && (*lastActive == path || *lastActive == resolvedPath)) || !activeTab())
            setActiveTabId(state->tab().id);

        co_await state->refresh();
        if (!self)
            co_return;
    }

    m_isRestoring = false;
    if (m_saveDeferred) {
        m_saveDeferred = false;
        save();
    }
    if (!m_pathsAfterRestore.isEmpty()) {
        const QStringList waiting = std::exchange(m_pathsAfterRestore, QStringList());
        co_await openPaths(waiting);
    }
}

} // namespace tolvane
