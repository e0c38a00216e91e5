#include "state/UndoJournal.h"

#include "state/gitStep.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QScopeGuard>
#include <QUuid>
#include <QtConcurrent>

namespace tolvane {

namespace {

const QString keepRefPrefix = QStringLiteral("refs/tolvane/undo/");

// Pathspecs from a tree are file names, never patterns.
const ExtraEnvironment literalPaths{{QStringLiteral("GIT_LITERAL_PATHSPECS"), QStringLiteral("1")}};

bool isNullId(const QString& id) {
    return id.isEmpty() || id.count(u'0') == id.size();
}

struct ChangedPath {
    QString path;
    TreeEntry from;
    TreeEntry to;
};

TreeEntry treeEntry(const QString& mode, const QString& id) {
    if (isNullId(id))
        return {};
    return TreeEntry{mode, id};
}

// `git diff-tree -r -z` output: ":mode mode id id status\0path\0" per changed path.
QList<ChangedPath> parseTreeDifference(const QString& text) {
    QList<ChangedPath> paths;
    const QStringList fields = text.split(QChar(0), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        const QStringList header = fields[i].mid(1).split(u' ');
        if (header.size() < 5)
            break;
        paths.append(ChangedPath{fields[i + 1], treeEntry(header[0], header[2]),
                                 treeEntry(header[1], header[3])});
    }
    return paths;
}

// `git ls-tree -r -z` ("mode type id\tpath\0") or `git ls-files -s -z` ("mode id stage\tpath\0").
QHash<QString, TreeEntry> parseListing(const QString& text, int idField) {
    QHash<QString, TreeEntry> entries;
    for (const QString& record : text.split(QChar(0), Qt::SkipEmptyParts)) {
        const qsizetype tab = record.indexOf(u'\t');
        const QStringList header = record.left(tab).split(u' ');
        if (tab < 0 || header.size() < 3)
            continue;
        entries.insert(record.mid(tab + 1), TreeEntry{header[0], header[idField]});
    }
    return entries;
}

} // namespace

UndoJournal::UndoJournal(GitSource git, QObject* parent)
    : QObject(parent), m_gitSource(std::move(git)) {}

QString UndoJournal::undoTitle() const {
    const qsizetype index = entryToUndo(m_entries);
    return index < 0 ? QString() : QStringLiteral("Undo ") + m_entries[index].description;
}

QString UndoJournal::redoTitle() const {
    const qsizetype index = entryToRedo(m_entries);
    return index < 0 ? QString() : QStringLiteral("Redo ") + m_entries[index].description;
}

void UndoJournal::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged();
}

QCoro::Task<std::optional<RepositorySnapshot>> UndoJournal::readSnapshot(GitService git) {
    RepositorySnapshot snapshot;
    const QStringList refArgs{QStringLiteral("for-each-ref"),
                              QStringLiteral("--format=%(refname) %(objectname)"),
                              QStringLiteral("refs/heads/"), QStringLiteral("refs/tags/")};
    const StepOutcome refs = co_await outcomeOf(git.run(refArgs));
    if (refs.failure)
        co_return std::nullopt;
    for (const QString& line : refs.output.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype space = line.lastIndexOf(u' ');
        if (space > 0)
            snapshot.refs.insert(line.left(space), line.mid(space + 1));
    }
    const QStringList symbolicArgs{QStringLiteral("symbolic-ref"), QStringLiteral("-q"),
                                   QStringLiteral("HEAD")};
    const StepOutcome symbolic = co_await outcomeOf(git.run(symbolicArgs));
    if (!symbolic.failure)
        snapshot.headRef = symbolic.output;
    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("-q"),
                               QStringLiteral("--verify"), QStringLiteral("HEAD^{commit}")};
    const StepOutcome head = co_await outcomeOf(git.run(headArgs));
    if (!head.failure)
        snapshot.headId = head.output;
    // Fails while paths are unmerged; the snapshot then says so with an empty tree. The tracked
    // files become a commit of their own, touching neither the index nor the stashes; it prints
    // nothing when they are all as HEAD has them. Both fail while another git holds the index
    // lock (a refresh beside us), so they are tried again for a moment.
    const QStringList treeArgs{QStringLiteral("write-tree")};
    const QStringList workArgs{QStringLiteral("stash"), QStringLiteral("create")};
    StepOutcome tree;
    StepOutcome work;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (attempt > 0)
            co_await QCoro::sleepFor(std::chrono::milliseconds(60));
        tree = co_await outcomeOf(git.run(treeArgs));
        if (tree.failure)
            continue;
        work = co_await outcomeOf(git.run(workArgs));
        if (!work.failure)
            break;
    }
    if (!tree.failure)
        snapshot.indexTree = tree.output;
    if (!work.failure && !snapshot.headId.isEmpty()) {
        const QString commit = work.output.isEmpty() ? snapshot.headId : work.output;
        const QStringList workTreeArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                       commit + QStringLiteral("^{tree}")};
        const StepOutcome workTree = co_await outcomeOf(git.run(workTreeArgs));
        if (!workTree.failure)
            snapshot.workTree = workTree.output;
    }
    const QStringList stashArgs{QStringLiteral("stash"), QStringLiteral("list"),
                                QStringLiteral("--format=%H %gs")};
    const StepOutcome stashes = co_await outcomeOf(git.run(stashArgs));
    if (stashes.failure)
        co_return std::nullopt;
    for (const QString& line : stashes.output.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype space = line.indexOf(u' ');
        snapshot.stashIds.append(space < 0 ? line : line.left(space));
        snapshot.stashMessages.append(space < 0 ? QString() : line.mid(space + 1));
    }
    co_return snapshot;
}

QCoro::Task<UndoJournal::Ticket> UndoJournal::begin(QString description) {
    const GitService git = m_gitSource();
    std::optional<RepositorySnapshot> before = co_await readSnapshot(git);
    co_return Ticket{std::move(description), git, std::move(before), QPointer<UndoJournal>(this)};
}

QCoro::Task<std::optional<QString>> UndoJournal::journalPath(GitService git) {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--absolute-git-dir")};
    const StepOutcome gitDir = co_await outcomeOf(git.run(args));
    if (gitDir.failure)
        co_return std::nullopt;
    co_return gitDir.output + QStringLiteral("/tolvane/undo-journal.json");
}

QCoro::Task<std::optional<QList<JournalEntry>>> UndoJournal::readEntries(GitService git) {
    const std::optional<QString> path = co_await journalPath(git);
    // Not a repository (any more): there is nothing to undo.
    if (!path)
        co_return QList<JournalEntry>{};
    const QString file = *path;
    QFuture<std::optional<QList<JournalEntry>>> reading =
        QtConcurrent::run(GitService::threadPool(), [file]() -> std::optional<QList<JournalEntry>> {
            QFile journal(file);
            if (!journal.exists())
                return QList<JournalEntry>{};
            if (!journal.open(QIODevice::ReadOnly))
                return std::nullopt;
            return parseJournal(journal.readAll());
        });
    co_return co_await reading;
}

QCoro::Task<std::optional<QString>> UndoJournal::writeEntries(GitService git,
                                                              QList<JournalEntry> entries) {
    const std::optional<QString> path = co_await journalPath(git);
    if (!path)
        co_return QStringLiteral("the repository's git folder was not found");
    const QString file = *path;
    QFuture<std::optional<QString>> writing =
        QtConcurrent::run(GitService::threadPool(), [file, entries]() -> std::optional<QString> {
            QDir().mkpath(QFileInfo(file).absolutePath());
            QSaveFile journal(file);
            if (!journal.open(QIODevice::WriteOnly))
                return journal.errorString();
            journal.write(serializeJournal(entries));
            if (!journal.commit())
                return journal.errorString();
            return std::nullopt;
        });
    co_return co_await writing;
}

QCoro::Task<> UndoJournal::load() {
    QPointer<UndoJournal> self(this);
    const GitService git = m_gitSource();
    const std::optional<QList<JournalEntry>> entries = co_await readEntries(git);
    if (!self)
        co_return;
    if (!entries) {
        Q_EMIT reported(QStringLiteral("The journal of operations could not be read; undo starts "
                                       "afresh"),
                        LogLevel::Error);
    }
    m_entries = entries.value_or(QList<JournalEntry>{});
    Q_EMIT entriesChanged();
}

QCoro::Task<> UndoJournal::finish(Ticket ticket) {
    const QPointer<UndoJournal> self = ticket.journal;
    const auto tellRecorded = qScopeGuard([self] {
        if (self)
            Q_EMIT self->recorded();
    });
    const GitService git = ticket.git;
    const std::optional<RepositorySnapshot> after = co_await readSnapshot(git);
    if (!ticket.before || !after || !snapshotsDiffer(*ticket.before, *after))
        co_return;
    // Stopped on conflicts: it is recorded once it is committed or continued.
    if (after->indexTree.isEmpty() && !ticket.before->indexTree.isEmpty())
        co_return;
    const std::optional<QList<JournalEntry>> stored = co_await readEntries(git);
    QList<JournalEntry> entries = stored.value_or(QList<JournalEntry>{});
    // A new operation ends what could be redone.
    for (JournalEntry& entry : entries) {
        if (entry.state == JournalEntryState::Undone)
            entry.state = JournalEntryState::Abandoned;
    }
    const JournalEntry entry{.id = QUuid::createUuid().toString(QUuid::WithoutBraces),
                             .time = QDateTime::currentDateTimeUtc(),
                             .description = ticket.description,
                             .before = *ticket.before,
                             .after = *after};
    entries.append(entry);

    std::optional<QString> failure;
    const QList<JournalEntry> expired = entriesToExpire(entries, entry.time);
    for (const JournalEntry& old : expired) {
        entries.removeOne(old);
        const QStringList listArgs{QStringLiteral("for-each-ref"),
                                   QStringLiteral("--format=%(refname)"),
                                   keepRefPrefix + old.id + u'/'};
        const StepOutcome kept = co_await outcomeOf(git.run(listArgs));
        for (const QString& ref : kept.output.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList deleteArgs{QStringLiteral("update-ref"), QStringLiteral("-d"), ref};
            co_await failureOf(git.run(deleteArgs));
        }
    }
    const QStringList keep = idsToKeep(entry);
    for (qsizetype i = 0; i < keep.size() && !failure; ++i) {
        const QStringList keepArgs{QStringLiteral("update-ref"),
                                   keepRefPrefix + entry.id + u'/' + QString::number(i), keep[i]};
        failure = co_await failureOf(git.run(keepArgs));
    }
    if (!failure)
        failure = co_await writeEntries(git, entries);
    if (!self)
        co_return;
    if (failure) {
        Q_EMIT self->reported(
            QStringLiteral("%1 cannot be undone: the journal could not be written: %2")
                .arg(ticket.description, *failure),
            LogLevel::Error);
        co_return;
    }
    if (git.repoPath() == self->m_gitSource().repoPath()) {
        self->m_entries = entries;
        Q_EMIT self->entriesChanged();
    }
}

QCoro::Task<std::optional<QList<PathState>>> UndoJournal::readPathStates(GitService git,
                                                                         SnapshotMove plan) {
    QList<PathState> states;
    QHash<QString, qsizetype> byPath;
    const auto stateOf = [&states, &byPath](const QString& path) -> PathState& {
        const auto found = byPath.constFind(path);
        if (found != byPath.cend())
            return states[*found];
        byPath.insert(path, states.size());
        states.append(PathState{.path = path});
        return states.last();
    };
    QSet<QString> indexKnown;
    QSet<QString> workKnown;
    const QStringList indexDiffArgs{
        QStringLiteral("diff-tree"),    QStringLiteral("-r"), QStringLiteral("-z"),
        QStringLiteral("--no-renames"), plan.indexFrom,       plan.indexTo};
    const StepOutcome indexDiff = co_await outcomeOf(git.runExact(indexDiffArgs));
    const QStringList workDiffArgs{
        QStringLiteral("diff-tree"),    QStringLiteral("-r"), QStringLiteral("-z"),
        QStringLiteral("--no-renames"), plan.workFrom,        plan.workTo};
    const StepOutcome workDiff = co_await outcomeOf(git.runExact(workDiffArgs));
    if (indexDiff.failure || workDiff.failure)
        co_return std::nullopt;
    for (const ChangedPath& changed : parseTreeDifference(indexDiff.output)) {
        PathState& state = stateOf(changed.path);
        state.fromIndex = changed.from;
        state.toIndex = changed.to;
        indexKnown.insert(changed.path);
    }
    for (const ChangedPath& changed : parseTreeDifference(workDiff.output)) {
        PathState& state = stateOf(changed.path);
        state.fromWork = changed.from;
        state.toWork = changed.to;
        workKnown.insert(changed.path);
    }
    if (states.isEmpty())
        co_return states;
    QStringList names;
    for (const PathState& state : states)
        names.append(state.path);

    // A side that did not change for a path is read from either of its trees.
    const QStringList indexListArgs =
        QStringList{QStringLiteral("ls-tree"), QStringLiteral("-r"), QStringLiteral("-z"),
                    plan.indexFrom, QStringLiteral("--")} +
        names;
    const StepOutcome indexList = co_await outcomeOf(git.run(indexListArgs, false, literalPaths));
    const QStringList workListArgs =
        QStringList{QStringLiteral("ls-tree"), QStringLiteral("-r"), QStringLiteral("-z"),
                    plan.workFrom, QStringLiteral("--")} +
        names;
    const StepOutcome workList = co_await outcomeOf(git.run(workListArgs, false, literalPaths));
    const QStringList currentArgs = QStringList{QStringLiteral("ls-files"), QStringLiteral("-s"),
                                                QStringLiteral("-z"), QStringLiteral("--")} +
                                    names;
    const StepOutcome current = co_await outcomeOf(git.run(currentArgs, false, literalPaths));
    if (indexList.failure || workList.failure || current.failure)
        co_return std::nullopt;
    const QHash<QString, TreeEntry> indexEntries = parseListing(indexList.output, 2);
    const QHash<QString, TreeEntry> workEntries = parseListing(workList.output, 2);
    const QHash<QString, TreeEntry> currentEntries = parseListing(current.output, 1);

    // Which files are there to hash: a folder or a link cannot be compared.
    const QString root = git.repoPath();
    QFuture<QStringList> looking = QtConcurrent::run(GitService::threadPool(), [root, names] {
        QStringList kinds;
        for (const QString& name : names) {
            const QFileInfo info(QDir(root).filePath(name));
            if (info.isSymLink() || (info.exists() && !info.isFile()))
                kinds.append(QStringLiteral("?"));
            else
                kinds.append(info.exists() ? QStringLiteral("file") : QString());
        }
        return kinds;
    });
    QStringList kinds = co_await looking;
    QStringList files;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (kinds[i] == QStringLiteral("file"))
            files.append(names[i]);
    }
    if (!files.isEmpty()) {
        const QStringList hashArgs =
            QStringList{QStringLiteral("hash-object"), QStringLiteral("--")} + files;
        const StepOutcome hashes = co_await outcomeOf(git.run(hashArgs));
        if (hashes.failure)
            co_return std::nullopt;
        const QStringList ids = hashes.output.split(u'\n', Qt::SkipEmptyParts);
        qsizetype next = 0;
        for (QString& kind : kinds) {
            if (kind == QStringLiteral("file"))
                kind = ids.value(next++, QStringLiteral("?"));
        }
    }
    for (qsizetype i = 0; i < states.size(); ++i) {
        PathState& state = states[i];
        if (!indexKnown.contains(state.path))
            state.fromIndex = state.toIndex = indexEntries.value(state.path);
        if (!workKnown.contains(state.path))
            state.fromWork = state.toWork = workEntries.value(state.path);
        state.index = currentEntries.value(state.path).id;
        state.workTree = kinds[i];
    }
    co_return states;
}

QCoro::Task<std::optional<QString>> UndoJournal::move(GitService git, RepositorySnapshot from,
                                                      RepositorySnapshot to) {
    const std::optional<RepositorySnapshot> now = co_await readSnapshot(git);
    if (!now)
        co_return QStringLiteral("the repository could not be read");
    const SnapshotMove plan = planSnapshotMove(from, to, *now);
    if (!plan.refusal.isEmpty())
        co_return plan.refusal;

    PathPlan paths;
    if (plan.indexFrom != plan.indexTo || plan.workFrom != plan.workTo) {
        const std::optional<QList<PathState>> states = co_await readPathStates(git, plan);
        if (!states)
            co_return QStringLiteral("the working tree could not be compared");
        paths = planPathMoves(*states);
        if (!paths.refused.isEmpty()) {
            co_return QStringLiteral("it would overwrite changes to %1; commit or stash them first")
                .arg(paths.refused.join(QStringLiteral(", ")));
        }
    }

    // Files first, each through its index entry so that git's own filters write it; then the
    // index as it was; the refs then point where the files already are.
    QStringList fileArgs{QStringLiteral("update-index"), QStringLiteral("--add")};
    QStringList written;
    QStringList removed;
    QStringList setArgs{QStringLiteral("update-index"), QStringLiteral("--add")};
    QStringList removeArgs{QStringLiteral("update-index"), QStringLiteral("--force-remove"),
                           QStringLiteral("--")};
    for (const PathStep& pathStep : paths.steps) {
        if (pathStep.writeFile && pathStep.work.id.isEmpty()) {
            removed.append(pathStep.path);
        } else if (pathStep.writeFile) {
            fileArgs << QStringLiteral("--cacheinfo") << pathStep.work.mode << pathStep.work.id
                     << pathStep.path;
            written.append(pathStep.path);
        }
        if (pathStep.index.id.isEmpty())
            removeArgs.append(pathStep.path);
        else
            setArgs << QStringLiteral("--cacheinfo") << pathStep.index.mode << pathStep.index.id
                    << pathStep.path;
    }
    if (!written.isEmpty()) {
        const std::optional<QString> failure = co_await failureOf(git.run(fileArgs));
        if (failure)
            co_return *failure;
        const QStringList checkoutArgs = QStringList{QStringLiteral("checkout-index"),
                                                     QStringLiteral("-f"), QStringLiteral("--")} +
                                         written;
        const std::optional<QString> checkoutFailure = co_await failureOf(git.run(checkoutArgs));
        if (checkoutFailure)
            co_return *checkoutFailure;
    }
    if (!removed.isEmpty()) {
        const QString root = git.repoPath();
        QFuture<QStringList> removing =
            QtConcurrent::run(GitService::threadPool(), [root, removed] {
                QStringList left;
                const QDir top(root);
                for (const QString& name : removed) {
                    if (!QFile::remove(top.filePath(name))) {
                        left.append(name);
                        continue;
                    }
                    // Folders the file alone kept go with it, as git would remove them.
                    QString folder = QFileInfo(name).path();
                    while (folder != QStringLiteral(".") && top.rmdir(folder))
                        folder = QFileInfo(folder).path();
                }
                return left;
            });
        const QStringList left = co_await removing;
        if (!left.isEmpty())
            co_return QStringLiteral("could not remove ") + left.join(QStringLiteral(", "));
    }
    if (setArgs.size() > 2) {
        const std::optional<QString> failure = co_await failureOf(git.run(setArgs));
        if (failure)
            co_return *failure;
    }
    if (removeArgs.size() > 3) {
        const std::optional<QString> failure = co_await failureOf(git.run(removeArgs));
        if (failure)
            co_return *failure;
    }

    const QString reflogMessage = QStringLiteral("tolvane: undo journal");
    for (const RefMove& ref : plan.refs) {
        if (ref.to.isEmpty())
            continue;
        const QString expected = ref.from.isEmpty() ? QString(ref.to.size(), u'0') : ref.from;
        const QStringList args{QStringLiteral("update-ref"),
                               QStringLiteral("-m"),
                               reflogMessage,
                               ref.ref,
                               ref.to,
                               expected};
        const std::optional<QString> failure = co_await failureOf(git.run(args));
        if (failure)
            co_return *failure;
    }
    if (plan.moveHead) {
        const QStringList args =
            plan.headRef.isEmpty()
                ? QStringList{QStringLiteral("update-ref"), QStringLiteral("--no-deref"),
                              QStringLiteral("-m"),         reflogMessage,
                              QStringLiteral("HEAD"),       plan.headId}
                : QStringList{QStringLiteral("symbolic-ref"), QStringLiteral("-m"), reflogMessage,
                              QStringLiteral("HEAD"), plan.headRef};
        const std::optional<QString> failure = co_await failureOf(git.run(args));
        if (failure)
            co_return *failure;
    }
    for (const RefMove& ref : plan.refs) {
        if (!ref.to.isEmpty())
            continue;
        const QStringList args{QStringLiteral("update-ref"), QStringLiteral("-d"), ref.ref,
                               ref.from};
        const std::optional<QString> failure = co_await failureOf(git.run(args));
        if (failure)
            co_return *failure;
    }
    if (plan.moveStashes) {
        // The stash list is the stash ref's log: it is written again, oldest first.
        if (!now->stashIds.isEmpty()) {
            const QStringList args{QStringLiteral("update-ref"), QStringLiteral("-d"),
                                   QStringLiteral("refs/stash")};
            const std::optional<QString> failure = co_await failureOf(git.run(args));
            if (failure)
                co_return *failure;
        }
        for (qsizetype i = to.stashIds.size() - 1; i >= 0; --i) {
            const QStringList args{QStringLiteral("stash"), QStringLiteral("store"),
                                   QStringLiteral("-m"), to.stashMessages.value(i), to.stashIds[i]};
            const std::optional<QString> failure = co_await failureOf(git.run(args));
            if (failure)
                co_return *failure;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<bool> UndoJournal::step(bool undoing, qsizetype index, bool reportSuccess) {
    QPointer<UndoJournal> self(this);
    const GitService git = m_gitSource();
    const JournalEntry entry = m_entries[index];
    const RepositorySnapshot from = undoing ? entry.after : entry.before;
    const RepositorySnapshot to = undoing ? entry.before : entry.after;
    const std::optional<QString> failure = co_await move(git, from, to);
    if (!self)
        co_return false;
    const QString action = undoing ? QStringLiteral("undo") : QStringLiteral("redo");
    m_lastFailure = failure.value_or(QString());
    if (failure) {
        Q_EMIT reported(
            QStringLiteral("Could not %1 %2: %3").arg(action, entry.description, *failure),
            LogLevel::Error);
        Q_EMIT repositoryMoved();
        co_return false;
    }
    QList<JournalEntry> entries = m_entries;
    entries[index].state = undoing ? JournalEntryState::Undone : JournalEntryState::Done;
    const std::optional<QString> writeFailure = co_await writeEntries(git, entries);
    if (!self)
        co_return false;
    m_entries = entries;
    Q_EMIT entriesChanged();
    Q_EMIT repositoryMoved();
    if (writeFailure) {
        Q_EMIT reported(QStringLiteral("The journal of operations could not be written: ") +
                            *writeFailure,
                        LogLevel::Error);
    }
    if (reportSuccess) {
        Q_EMIT reported((undoing ? QStringLiteral("Undid ") : QStringLiteral("Redid ")) +
                            entry.description,
                        LogLevel::Success);
    }
    co_return true;
}

QCoro::Task<bool> UndoJournal::undo(bool reportSuccess) {
    if (m_busy)
        co_return false;
    QPointer<UndoJournal> self(this);
    setBusy(true);
    co_await load();
    if (!self)
        co_return false;
    const qsizetype index = entryToUndo(m_entries);
    bool moved = false;
    if (index < 0)
        Q_EMIT reported(QStringLiteral("Nothing to undo"), LogLevel::Info);
    else
        moved = co_await step(true, index, reportSuccess);
    if (self)
        setBusy(false);
    co_return moved;
}

QCoro::Task<bool> UndoJournal::redo() {
    if (m_busy)
        co_return false;
    QPointer<UndoJournal> self(this);
    setBusy(true);
    co_await load();
    if (!self)
        co_return false;
    const qsizetype index = entryToRedo(m_entries);
    bool moved = false;
    if (index < 0)
        Q_EMIT reported(QStringLiteral("Nothing to redo"), LogLevel::Info);
    else
        moved = co_await step(false, index);
    if (self)
        setBusy(false);
    co_return moved;
}

QCoro::Task<bool> UndoJournal::undoTo(QString entryId) {
    if (m_busy)
        co_return false;
    QPointer<UndoJournal> self(this);
    setBusy(true);
    co_await load();
    if (!self)
        co_return false;
    qsizetype target = -1;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == entryId && m_entries[i].state == JournalEntryState::Done)
            target = i;
    }
    bool moved = target >= 0;
    if (target < 0)
        Q_EMIT reported(QStringLiteral("That operation is already undone"), LogLevel::Info);
    while (moved && self) {
        const qsizetype index = entryToUndo(m_entries);
        if (index < target)
            break;
        moved = co_await step(true, index);
    }
    if (self)
        setBusy(false);
    co_return moved;
}

} // namespace tolvane
