#include "state/RepositoryWatcher.h"

#include "engine/GitService.h"
#include "engine/gitText.h"

#include <QCoroFuture>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <QPromise>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

constexpr uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                  IN_EXCL_UNLINK;

// What the system allows one user to watch, or a modest guess when it cannot be read.
int systemWatchLimit() {
    QFile file(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    if (file.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const int limit = file.readAll().trimmed().toInt(&ok);
        if (ok && limit > 0)
            return limit;
    }
    return 8192;
}

bool isLockName(const QByteArray& name) {
    return name.endsWith(".lock");
}

struct WatchReport {
    int folders = 0;
    bool tree = false;
    QString reason;
};

} // namespace

// Lives on the watcher's own thread: lists folders, holds the inotify descriptor, reads its
// events and tells the owner, through queued calls, when the changes have settled.
class RepositoryWatcherWorker : public QObject {
public:
    struct Setup {
        QByteArray top;
        QList<QByteArray> gitFolders;
        QByteArray refsFolder;
        QSet<QByteArray> ignored;
        int limit = 0;
    };

    RepositoryWatcherWorker(RepositoryWatcher* owner, const std::atomic<bool>* stopping)
        : m_owner(owner), m_stopping(stopping) {}
    ~RepositoryWatcherWorker() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    WatchReport configure(Setup setup) {
        removeAll();
        m_top = setup.top;
        m_ignored = std::move(setup.ignored);
        m_limit = setup.limit;
        m_locks.clear();
        m_pending = false;
        if (!ensureDescriptor())
            return {0, false, QStringLiteral("the system allows no more watches")};
        for (const QByteArray& folder : std::as_const(setup.gitFolders))
            addWatch(folder, Kind::Git);
        m_refsFolder = setup.refsFolder;
        for (const QByteArray& folder : listFolders(setup.refsFolder, Kind::Refs, -1))
            addWatch(folder, Kind::Refs);
        m_treeWatched = true;
        const QString reason = watchTree();
        return {int(m_wds.size()), m_treeWatched, reason};
    }

    // A new list of what git ignores: watches follow it.
    void setIgnored(QSet<QByteArray> ignored) {
        m_ignored = std::move(ignored);
        if (!m_treeWatched)
            return;
        const QString reason = watchTree();
        report(reason);
    }

    // Takes in every event that has happened and forgets the change they make: the refresh that
    // asked reads after this.
    void drain(quint64 generation) {
        readEvents(true);
        m_pending = false;
        if (m_quiet)
            m_quiet->stop();
        m_generation = generation;
    }

private:
    enum class Kind { Tree, Git, Refs };
    struct Folder {
        QByteArray path;
        Kind kind;
    };

    bool ensureDescriptor() {
        if (m_fd >= 0)
            return true;
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(false); });
        m_quiet = new QTimer(this);
        m_quiet->setSingleShot(true);
        connect(m_quiet, &QTimer::timeout, this, [this] { quietEnded(); });
        return true;
    }

    // Folders under `root`, itself first, that git would look into: not ignored, not a git
    // folder, not reached through a symbolic link. More than `budget` (when not negative) stops
    // the listing.
    QList<QByteArray> listFolders(const QByteArray& root, Kind kind, qsizetype budget) const {
        QList<QByteArray> folders;
        if (root.isEmpty())
            return folders;
        folders.append(root);
        for (qsizetype next = 0; next < folders.size(); ++next) {
            if (m_stopping->load() || (budget >= 0 && folders.size() > budget))
                break;
            const QByteArray folder = folders.at(next);
            DIR* dir = ::opendir(folder.constData());
            if (!dir)
                continue;
            while (const dirent* entry = ::readdir(dir)) {
                const QByteArray name(entry->d_name);
                if (name == "." || name == ".." || (kind == Kind::Tree && name == ".git"))
                    continue;
                const QByteArray child = folder + '/' + name;
                bool isFolder = entry->d_type == DT_DIR;
                if (entry->d_type == DT_UNKNOWN) {
                    struct stat facts {};
                    isFolder = ::lstat(child.constData(), &facts) == 0 && S_ISDIR(facts.st_mode);
                }
                if (isFolder && !(kind == Kind::Tree && m_ignored.contains(child)))
                    folders.append(child);
            }
            ::closedir(dir);
        }
        return folders;
    }

    // 0, or errno.
    int addWatch(const QByteArray& path, Kind kind) {
        const int wd = ::inotify_add_watch(m_fd, path.constData(), folderEvents);
        if (wd < 0)
            return errno;
        m_folders.insert(wd, Folder{path, kind});
        m_wds.insert(path, wd);
        if (kind == Kind::Tree)
            ++m_treeFolders;
        return 0;
    }

    void removeWatch(int wd) {
        const auto it = m_folders.constFind(wd);
        if (it == m_folders.cend())
            return;
        if (it->kind == Kind::Tree)
            --m_treeFolders;
        m_wds.remove(it->path);
        m_folders.erase(it);
        ::inotify_rm_watch(m_fd, wd);
    }

    // Forgets `path` and every folder under it (gone, moved away, or now ignored).
    void removeUnder(const QByteArray& path) {
        const QByteArray prefix = path + '/';
        QList<int> gone;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it) {
            if (it->path == path || it->path.startsWith(prefix))
                gone.append(it.key());
        }
        for (int wd : gone)
            removeWatch(wd);
    }

    void removeAll() {
        const QList<int> all = m_folders.keys();
        for (int wd : all)
            removeWatch(wd);
    }

    void removeTree() {
        QList<int> tree;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it) {
            if (it->kind == Kind::Tree)
                tree.append(it.key());
        }
        for (int wd : tree)
            removeWatch(wd);
    }

    QString fallBack(const QString& reason) {
        removeTree();
        m_treeWatched = false;
        return reason;
    }

    QString overLimit() const { return QStringLiteral("it has more than %1 folders").arg(m_limit); }

    // Watches exactly the tree's folders that git looks into; empty, or why the tree is left.
    QString watchTree() {
        const QList<QByteArray> folders = listFolders(m_top, Kind::Tree, m_limit);
        if (folders.size() > m_limit)
            return fallBack(overLimit());
        const QSet<QByteArray> wanted(folders.cbegin(), folders.cend());
        QList<int> stale;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it) {
            if (it->kind == Kind::Tree && !wanted.contains(it->path))
                stale.append(it.key());
        }
        for (int wd : stale)
            removeWatch(wd);
        return addTreeFolders(folders);
    }

    QString addTreeFolders(const QList<QByteArray>& folders) {
        for (const QByteArray& folder : folders) {
            if (m_wds.contains(folder))
                continue;
            const int error = addWatch(folder, Kind::Tree);
            if (error == ENOSPC)
                return fallBack(QStringLiteral("the system's limit of watched folders is reached"));
            if (error == ENOMEM)
                return fallBack(QStringLiteral("the system is out of memory for watches"));
            // Other failures (the folder went away, no permission) leave just that folder.
        }
        return QString();
    }

    // A folder appeared in the tree: it and what it holds are watched from now on.
    QString addNewTreeFolder(const QByteArray& path) {
        const QList<QByteArray> folders =
            listFolders(path, Kind::Tree, qMax(0, m_limit - m_treeFolders));
        if (m_treeFolders + folders.size() > m_limit)
            return fallBack(overLimit());
        return addTreeFolders(folders);
    }

    void report(const QString& reason) {
        const WatchReport watched{int(m_wds.size()), m_treeWatched, reason};
        RepositoryWatcher* owner = m_owner;
        QMetaObject::invokeMethod(
            owner,
            [owner, watched] {
                owner->workerWatched(watched.folders, watched.tree, watched.reason);
            },
            Qt::QueuedConnection);
    }

    void askForIgnored() {
        RepositoryWatcher* owner = m_owner;
        QMetaObject::invokeMethod(
            owner, [owner] { owner->m_rescanTimer.start(); }, Qt::QueuedConnection);
    }

    void readEvents(bool draining) {
        if (m_fd < 0)
            return;
        alignas(inotify_event) char buffer[64 * 1024];
        bool relevant = false;
        bool ignoredStale = false;
        QString reason;
        while (true) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                const QString why = handle(*event, relevant, ignoredStale);
                if (reason.isEmpty())
                    reason = why;
            }
        }
        if (!reason.isEmpty())
            report(reason);
        if (ignoredStale)
            askForIgnored();
        if (relevant && !draining)
            noteChange();
    }

    // Bookkeeping for one event; sets `relevant` when it changes what a refresh shows and
    // `ignoredStale` when git may ignore other folders now. Returns why the tree is left, if it
    // must be.
    QString handle(const inotify_event& event, bool& relevant, bool& ignoredStale) {
        if (event.mask & IN_Q_OVERFLOW) {
            relevant = true;
            ignoredStale = m_treeWatched;
            return QString();
        }
        const auto it = m_folders.constFind(event.wd);
        if (it == m_folders.cend())
            return QString();
        if (event.mask & IN_IGNORED) {
            // The folder is gone; the event in its parent said so.
            if (it->kind == Kind::Tree)
                --m_treeFolders;
            m_wds.remove(it->path);
            m_folders.erase(it);
            return QString();
        }
        const Folder folder = *it;
        const QByteArray name = event.len > 0 ? QByteArray(event.name) : QByteArray();
        const QByteArray path = name.isEmpty() ? folder.path : folder.path + '/' + name;
        const bool isFolder = event.mask & IN_ISDIR;
        const bool arrived = event.mask & (IN_CREATE | IN_MOVED_TO);
        const bool left = event.mask & (IN_DELETE | IN_MOVED_FROM);

        if (folder.kind != Kind::Tree) {
            if (isLockName(name)) {
                if (arrived)
                    m_locks.insert(path);
                else if (left)
                    m_locks.remove(path);
            }
            if (folder.kind == Kind::Refs && isFolder && arrived)
                for (const QByteArray& added : listFolders(path, Kind::Refs, -1))
                    addWatch(added, Kind::Refs);
            relevant = true;
            return QString();
        }

        if (name == ".git" || m_ignored.contains(path))
            return QString();
        relevant = true;
        // A new file may be one git ignores (an editor's swap file): once the list knows it, its
        // changes bring no refresh.
        if (name == ".gitignore" || (arrived && !isFolder))
            ignoredStale = true;
        if (isFolder && left)
            removeUnder(path);
        if (isFolder && arrived && m_treeWatched) {
            // Watched at once, so that nothing made in it is missed; git may ignore it, which
            // the new list of ignored folders will tell.
            ignoredStale = true;
            return addNewTreeFolder(path);
        }
        return QString();
    }

    void noteChange() {
        if (!m_pending) {
            m_pending = true;
            m_firstPending.start();
        }
        scheduleQuiet();
    }

    void scheduleQuiet() {
        const int longest = m_locks.isEmpty() ? RepositoryWatcher::longestDelayMs
                                              : RepositoryWatcher::lockedDelayMs;
        const qint64 left = longest - m_firstPending.elapsed();
        m_quiet->start(int(std::clamp<qint64>(left, 0, RepositoryWatcher::quietMs)));
    }

    void quietEnded() {
        if (!m_pending)
            return;
        // git is in the middle of writing (it holds a lock): wait for it to finish.
        if (!m_locks.isEmpty() && !m_firstPending.hasExpired(RepositoryWatcher::lockedDelayMs)) {
            scheduleQuiet();
            return;
        }
        m_pending = false;
        RepositoryWatcher* owner = m_owner;
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            owner, [owner, generation] { owner->workerChanged(generation); }, Qt::QueuedConnection);
    }

    RepositoryWatcher* m_owner;
    const std::atomic<bool>* m_stopping;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_quiet = nullptr;
    QHash<int, Folder> m_folders;
    QHash<QByteArray, int> m_wds;
    QByteArray m_top;
    QByteArray m_refsFolder;
    QSet<QByteArray> m_ignored;
    QSet<QByteArray> m_locks;
    int m_limit = 0;
    int m_treeFolders = 0;
    bool m_treeWatched = false;
    bool m_pending = false;
    QElapsedTimer m_firstPending;
    quint64 m_generation = 0;
};

RepositoryWatcher::RepositoryWatcher(QObject* parent) : QObject(parent) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(200);
    connect(&m_retry, &QTimer::timeout, this, &RepositoryWatcher::offerChange);
    // New folders and changed .gitignore files come in bursts (a checkout, an unpacked archive).
    m_rescanTimer.setSingleShot(true);
    m_rescanTimer.setInterval(300);
    connect(&m_rescanTimer, &QTimer::timeout, this, [this] { rescanIgnored(); });
}

RepositoryWatcher::~RepositoryWatcher() {
    if (!m_thread)
        return;
    // A listing under way stops at its next folder.
    m_stopping = true;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

int RepositoryWatcher::watchLimit() const {
    return m_watchLimit ? *m_watchLimit : systemWatchLimit() / 2;
}

void RepositoryWatcher::ensureWorker() {
    if (m_thread)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("RepositoryWatcher"));
    m_worker = new RepositoryWatcherWorker(this, &m_stopping);
    m_worker->moveToThread(m_thread);
    // Its descriptor's notifier must go on the thread it works on.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

QCoro::Task<std::optional<RepositoryWatcher::Layout>>
RepositoryWatcher::readLayout(QString path) const {
    const GitService git(path);
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--path-format=absolute"),
                           QStringLiteral("--show-toplevel"), QStringLiteral("--git-dir"),
                           QStringLiteral("--git-common-dir")};
    QString output;
    try {
        output = co_await git.run(args);
    } catch (const GitError&) {
        co_return std::nullopt;
    }
    const QStringList lines = output.split(u'\n');
    if (lines.size() != 3 || lines.contains(QString()))
        co_return std::nullopt;
    Layout layout;
    layout.top = encodeGitBytes(lines[0]);
    layout.gitFolders.append(encodeGitBytes(lines[1]));
    const QByteArray common = encodeGitBytes(lines[2]);
    if (common != layout.gitFolders.first())
        layout.gitFolders.append(common);
    layout.refsFolder = common + "/refs";
    co_return layout;
}

QCoro::Task<QSet<QByteArray>> RepositoryWatcher::readIgnored(QByteArray top) const {
    const GitService git(decodeGitBytes(top));
    const QStringList args{QStringLiteral("ls-files"),    QStringLiteral("--others"),
                           QStringLiteral("--ignored"),   QStringLiteral("--exclude-standard"),
                           QStringLiteral("--directory"), QStringLiteral("-z")};
    QString output;
    try {
        output = co_await git.runExact(args);
    } catch (const GitError&) {
        // Nothing known to be ignored: everything is watched.
        co_return QSet<QByteArray>();
    }
    QSet<QByteArray> ignored;
    for (QStringView entry : QStringView(output).tokenize(u'\0', Qt::SkipEmptyParts)) {
        if (entry.endsWith(u'/'))
            entry.chop(1);
        ignored.insert(top + '/' + encodeGitBytes(entry));
    }
    co_return ignored;
}

QCoro::Task<> RepositoryWatcher::watch(QString path) {
    QPointer<RepositoryWatcher> self(this);
    const quint64 generation = ++m_watchGeneration;
    const std::optional<Layout> layout = co_await readLayout(path);
    if (!self || generation != m_watchGeneration)
        co_return;
    if (!layout) {
        // Not a working tree (gone, or bare): the refresh on focus is all there is.
        m_watching = false;
        m_watchesTree = false;
        m_watchedFolders = 0;
        if (m_worker) {
            QMetaObject::invokeMethod(
                m_worker, [worker = m_worker] { worker->configure({}); }, Qt::QueuedConnection);
        }
        co_return;
    }
    const QSet<QByteArray> ignored = co_await readIgnored(layout->top);
    if (!self || generation != m_watchGeneration)
        co_return;
    ensureWorker();
    m_top = layout->top;
    RepositoryWatcherWorker::Setup setup{layout->top, layout->gitFolders, layout->refsFolder,
                                         ignored, watchLimit()};
    // The report comes beside the promise: a promise dropped unfinished (the watcher gone) has
    // no result to read.
    auto report = std::make_shared<WatchReport>();
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QFuture<void> configured = promise->future();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, setup = std::move(setup), report, promise] {
            *report = worker->configure(setup);
            promise->finish();
        },
        Qt::QueuedConnection);
    co_await configured;
    if (!self || generation != m_watchGeneration)
        co_return;
    m_watching = true;
    workerWatched(report->folders, report->tree, report->reason);
}

void RepositoryWatcher::workerWatched(int folders, bool tree, const QString& reason) {
    m_watchedFolders = folders;
    m_watchesTree = tree;
    if (tree || reason.isEmpty() || m_toldFallback)
        return;
    m_toldFallback = true;
    Q_EMIT fellBack(QStringLiteral("Changes to files made outside Tolvane show when its window "
                                   "comes to the front, not at once: the working tree is not "
                                   "watched because ") +
                    reason + u'.');
}

QCoro::Task<> RepositoryWatcher::settle() {
    if (!m_worker)
        co_return;
    const quint64 generation = ++m_settleRequested;
    m_retry.stop();
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QFuture<void> drained = promise->future();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, generation, promise] {
            worker->drain(generation);
            promise->finish();
        },
        Qt::QueuedConnection);
    co_await drained;
}

void RepositoryWatcher::workerChanged(quint64 generation) {
    // A refresh that started after the change will read it.
    if (generation < m_settleRequested)
        return;
    m_waiting = generation;
    offerChange();
}

void RepositoryWatcher::offerChange() {
    if (!m_waiting)
        return;
    if (*m_waiting < m_settleRequested) {
        m_waiting.reset();
        return;
    }
    // Our own command is still at work; the refresh that ends it will read this as well.
    if (m_busy && m_busy()) {
        m_retry.start();
        return;
    }
    m_waiting.reset();
    Q_EMIT changed();
}

QCoro::Task<> RepositoryWatcher::rescanIgnored() {
    if (m_rescanning) {
        m_rescanAgain = true;
        co_return;
    }
    if (!m_worker || m_top.isEmpty())
        co_return;
    QPointer<RepositoryWatcher> self(this);
    m_rescanning = true;
    do {
        m_rescanAgain = false;
        const quint64 generation = m_watchGeneration;
        const QByteArray top = m_top;
        QSet<QByteArray> ignored = co_await readIgnored(top);
        if (!self)
            co_return;
        // A move to another working tree brings its own list.
        if (generation != m_watchGeneration)
            break;
        QMetaObject::invokeMethod(
            m_worker,
            [worker = m_worker, ignored = std::move(ignored)]() mutable {
                worker->setIgnored(std::move(ignored));
            },
            Qt::QueuedConnection);
    } while (m_rescanAgain);
    m_rescanning = false;
}

} // namespace tolvane
