#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <optional>

class QThread;

namespace tolvane {

class RepositoryWatcherWorker;

// Notices changes made to a working tree and its git folder by other programs (an editor, git in
// a terminal) and asks for a refresh once they have settled. The folders are watched with inotify
// on a thread of its own, which also lists them: a large tree never holds up the interface.
// Folders git ignores are not watched. A tree with more folders than the watch limit is left to
// the refresh on focus; its git folder (the index, HEAD, refs) is still watched.
//
// Our own commands are followed by a refresh of their own; their changes must not bring a second
// one. Every refresh settles the watcher before it reads anything: what happened up to then is
// what it will read. Changes that arrive while one of our commands still runs wait for it.
class RepositoryWatcher : public QObject {
    Q_OBJECT
public:
    // How long the changes must have been quiet, and the longest a stream of changes is held.
    static constexpr int quietMs = 150;
    static constexpr int longestDelayMs = 1000;
    // While git holds a lock in the git folder (in the middle of writing), the longest wait.
    static constexpr int lockedDelayMs = 3000;

    explicit RepositoryWatcher(QObject* parent = nullptr);
    ~RepositoryWatcher() override;

    // Watches the working tree that holds `path`, or moves to it from the one watched before.
    // Done once the folders are watched (or it is known that they cannot be).
    QCoro::Task<> watch(QString path);
    // Everything seen until now counts as read: call before a refresh reads anything.
    QCoro::Task<> settle();

    // The most working-tree folders to watch; by default half of the system's inotify limit,
    // leaving the rest to other programs.
    void setWatchLimit(int folders) { m_watchLimit = folders; }
    int watchLimit() const;
    // Whether one of our own commands is running now.
    void setBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

    bool isWatching() const { return m_watching; }
    // False when the tree is left to the refresh on focus.
    bool watchesWorkingTree() const { return m_watchesTree; }
    int watchedFolders() const { return m_watchedFolders; }

Q_SIGNALS:
    // Something changed outside; refresh.
    void changed();
    // Why the working tree is not watched; sent once.
    void fellBack(const QString& message);

private:
    friend class RepositoryWatcherWorker;
    struct Layout {
        QByteArray top;
        QList<QByteArray> gitFolders;
        QByteArray refsFolder;
    };
    QCoro::Task<std::optional<Layout>> readLayout(QString path) const;
    // Ignored folders (and files) of the tree, as full paths, from git.
    QCoro::Task<QSet<QByteArray>> readIgnored(QByteArray top) const;
    void ensureWorker();
    void workerChanged(quint64 generation);
    // What the worker watches now; `reason` says why the tree is not watched, when it is not.
    void workerWatched(int folders, bool tree, const QString& reason);
    void offerChange();
    QCoro::Task<> rescanIgnored();

    QThread* m_thread = nullptr;
    RepositoryWatcherWorker* m_worker = nullptr;
    std::atomic<bool> m_stopping = false;
    std::function<bool()> m_busy;
    std::optional<int> m_watchLimit;
    QByteArray m_top;
    quint64 m_settleRequested = 0;
    quint64 m_watchGeneration = 0;
    // A change that waits for our own command to end.
    QTimer m_retry;
    std::optional<quint64> m_waiting;
    QTimer m_rescanTimer;
    bool m_rescanning = false;
    bool m_rescanAgain = false;
    bool m_watching = false;
    bool m_watchesTree = false;
    bool m_toldFallback = false;
    int m_watchedFolders = 0;
};

} // namespace tolvane
