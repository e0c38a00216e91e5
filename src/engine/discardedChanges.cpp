#include "engine/discardedChanges.h"

#include "engine/gitText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {
namespace {

// Saves are made whether or not the user has set up an identity, and never signed, so that a
// discard never fails for want of a name or a key. The date is always the time of the save, even
// when the environment fixes another one for the user's own commits.
ExtraEnvironment saveIdentity() {
    const QString now = QStringLiteral("@%1 +0000").arg(QDateTime::currentSecsSinceEpoch());
    return {{QStringLiteral("GIT_AUTHOR_DATE"), now},
            {QStringLiteral("GIT_COMMITTER_DATE"), now},
            {QStringLiteral("GIT_AUTHOR_NAME"), QStringLiteral("Tolvane")},
            {QStringLiteral("GIT_AUTHOR_EMAIL"), QStringLiteral("tolvane@localhost")},
            {QStringLiteral("GIT_COMMITTER_NAME"), QStringLiteral("Tolvane")},
            {QStringLiteral("GIT_COMMITTER_EMAIL"), QStringLiteral("tolvane@localhost")}};
}

// update-index takes its paths as arguments; batches keep each command line well below the
// system's limit when everything is discarded at once.
constexpr qsizetype pathsPerCommand = 1000;

GitError fileError(const QString& message) {
    return GitError(GitError::Kind::Other, QStringLiteral("QFileDevice"),
                    int(QFileDevice::OpenError), message);
}

// Makes `folder` a directory that only the user can enter, or fails: an existing one that is a
// link, or someone else's, is not used.
std::optional<GitError> makePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return fileError(QStringLiteral("Cannot create %1: %2")
                             .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid())
        return fileError(folder + QStringLiteral(" is not a folder of the user's own"));
    if ((status.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0)
        return fileError(QStringLiteral("Cannot protect %1: %2")
                             .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    return std::nullopt;
}

// Scratch index and patch files hold the user's uncommitted work. They live in the repository's
// own git folder (a linked worktree's own one), in a folder only the user can enter, so that no
// one else on the machine can read them while they exist.
QCoro::Task<QString> scratchFolder(GitService git) {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--absolute-git-dir")};
    const QString gitDir = co_await git.run(args);
    const QString folder = QDir(gitDir).filePath(QStringLiteral("tolvane"));
    auto make = [folder] { return makePrivateFolder(folder); };
    const std::optional<GitError> error =
        co_await QtConcurrent::run(GitService::threadPool(), std::move(make));
    if (error)
        throw *error;
    co_return folder;
}

// An index file of our own in the scratch folder, so that neither the real index nor the
// working tree is touched; removed with its lock when it goes.
class ScratchIndex {
public:
    explicit ScratchIndex(const QString& folder)
        : m_file(QDir(folder).filePath(QStringLiteral("snapshot-") +
                                       QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                       QStringLiteral(".index"))) {}
    ScratchIndex(const ScratchIndex&) = delete;
    ScratchIndex& operator=(const ScratchIndex&) = delete;
    ~ScratchIndex() {
        QFile::remove(m_file);
        QFile::remove(m_file + QStringLiteral(".lock"));
    }
    ExtraEnvironment environment() const { return {{QStringLiteral("GIT_INDEX_FILE"), m_file}}; }

private:
    QString m_file;
};

QCoro::Task<QString> writeTree(GitService git, const ScratchIndex& index) {
    const QStringList writeArgs{QStringLiteral("write-tree")};
    co_return co_await git.run(writeArgs, false, index.environment());
}

// The working-tree content of `paths` as a tree holding only those paths.
QCoro::Task<QString> snapshotTree(GitService git, QString folder, QStringList paths) {
    const ScratchIndex index(folder);
    for (qsizetype start = 0; start < paths.size(); start += pathsPerCommand) {
        // A file with CRLF line ends must be saved as it is, not refused by safecrlf.
        QStringList args{QStringLiteral("-c"),           QStringLiteral("core.safecrlf=false"),
                         QStringLiteral("update-index"), QStringLiteral("--add"),
                         QStringLiteral("--remove"),     QStringLiteral("--")};
        args += paths.mid(start, pathsPerCommand);
        co_await git.run(args, false, index.environment());
    }
    co_return co_await writeTree(git, index);
}

// The index version of `paths` as a tree holding only those paths: what restoring them from
// the index leaves. A path without a merged entry is absent from it.
QCoro::Task<QString> indexTree(GitService git, QString folder, QStringList paths) {
    const QSet<QString> wanted(paths.cbegin(), paths.cend());
    QStringList entries;
    for (qsizetype start = 0; start < paths.size(); start += pathsPerCommand) {
        QStringList args{QStringLiteral("ls-files"), QStringLiteral("--stage"),
                         QStringLiteral("-z"), QStringLiteral("--")};
        args += paths.mid(start, pathsPerCommand);
        const QString listing = co_await git.runExact(args);
        // "<mode> <object> <stage>", a tab, the path.
        for (QStringView record : QStringView(listing).split(QChar(u'\0'), Qt::SkipEmptyParts)) {
            const qsizetype tab = record.indexOf(u'\t');
            if (tab < 0)
                continue;
            const QList<QStringView> fields = record.first(tab).split(u' ');
            const QString path = record.sliced(tab + 1).toString();
            if (fields.size() == 3 && fields[2] == u"0" && wanted.contains(path))
                entries.append(fields[0].toString() + QLatin1Char(',') + fields[1].toString() +
                               QLatin1Char(',') + path);
        }
    }
    const ScratchIndex index(folder);
    for (qsizetype start = 0; start < entries.size(); start += pathsPerCommand) {
        QStringList args{QStringLiteral("update-index"), QStringLiteral("--add")};
        for (const QString& entry : entries.mid(start, pathsPerCommand))
            args << QStringLiteral("--cacheinfo") << entry;
        co_await git.run(args, false, index.environment());
    }
    co_return co_await writeTree(git, index);
}

std::optional<GitError> writeScratchFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fileError(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const GitError error = fileError(file.errorString());
        file.close();
        QFile::remove(path);
        return error;
    }
    return std::nullopt;
}

// `tree` with `patch` taken out, as GitService::discardPatch takes it out of the working tree.
QCoro::Task<QString> treeWithout(GitService git, QString folder, QString tree, QString patch) {
    const ScratchIndex index(folder);
    const QStringList readArgs{QStringLiteral("read-tree"), tree};
    co_await git.run(readArgs, false, index.environment());
    const QString file = QDir(folder).filePath(QStringLiteral("removed-") +
                                               QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                               QStringLiteral(".patch"));
    auto write = [file, bytes = encodeGitBytes(patch)] { return writeScratchFile(file, bytes); };
    const std::optional<GitError> writeError =
        co_await QtConcurrent::run(GitService::threadPool(), std::move(write));
    if (writeError)
        throw *writeError;
    std::optional<GitError> failure;
    try {
        const QStringList applyArgs{QStringLiteral("apply"), QStringLiteral("--cached"),
                                    QStringLiteral("--reverse"), QStringLiteral("--"), file};
        co_await git.run(applyArgs, false, index.environment());
    } catch (const GitError& error) {
        failure = error;
    }
    QFile::remove(file);
    if (failure)
        throw *failure;
    co_return co_await writeTree(git, index);
}

QString afterDiscardMessage() {
    return QStringLiteral("Working tree after the discard");
}

QCoro::Task<QString> commitTree(GitService git, QString tree, QString message,
                                std::optional<QString> parent) {
    QStringList args{QStringLiteral("commit-tree"), QStringLiteral("--no-gpg-sign"),
                     QStringLiteral("-m"), message};
    if (parent)
        args << QStringLiteral("-p") << *parent;
    args << tree;
    co_return co_await git.run(args, false, saveIdentity());
}

// Names sort by time, so the newest saves come first without reading a date; two saves in the
// same millisecond still get names in the order they were made.
QString newDiscardRef() {
    static std::atomic<qint64> last{0};
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 previous = last.load();
    while (!last.compare_exchange_weak(previous, std::max(now, previous + 1))) {
    }
    now = std::max(now, previous + 1);
    return discardedRefPrefix.toString() + QStringLiteral("%1").arg(now, 13, 10, QLatin1Char('0')) +
           QLatin1Char('-') +
           QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                    QLatin1Char('0'));
}

} // namespace

QString discardedChangeMessage(const QString& description, const QStringList& paths) {
    QString message = description;
    message.replace(QLatin1Char('\n'), QLatin1Char(' '));
    message += QStringLiteral("\n\n");
    for (QString path : paths) {
        // The list is only shown; the saved trees keep the exact names.
        path.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        message += path + QLatin1Char('\n');
    }
    return message;
}

QList<DiscardedChange> parseDiscardedChanges(const QString& output) {
    QList<DiscardedChange> changes;
    const QList<QStringView> fields = QStringView(output).split(QChar(u'\0'));
    for (qsizetype i = 0; i + 4 < fields.size(); i += 5) {
        DiscardedChange change;
        change.ref = fields[i].trimmed().toString();
        change.hash = fields[i + 1].toString();
        bool ok = false;
        change.time = fields[i + 2].toLongLong(&ok);
        if (change.ref.isEmpty() || change.hash.isEmpty() || !ok)
            continue;
        change.isStash = fields[i + 3].trimmed().split(u' ', Qt::SkipEmptyParts).size() > 1;
        const QString contents = fields[i + 4].toString();
        if (change.isStash) {
            // git's own subject of the stash ("On main: ..." or "WIP on main: ...").
            change.description = QStringLiteral("Dropped stash: ") +
                                 contents.section(QLatin1Char('\n'), 0, 0).trimmed();
            changes.append(change);
            continue;
        }
        const qsizetype blank = contents.indexOf(QStringLiteral("\n\n"));
        change.description = (blank < 0 ? contents : contents.left(blank)).trimmed();
        if (blank >= 0) {
            for (QStringView line : QStringView(contents).sliced(blank + 2).split(u'\n'))
                if (!line.isEmpty())
                    change.paths.append(line.toString());
        }
        changes.append(change);
    }
    return changes;
}

QCoro::Task<QStringList> unstagedPaths(GitService git) {
    const QStringList args{QStringLiteral("diff"),
                           QStringLiteral("--name-only"),
                           QStringLiteral("-z"),
                           QStringLiteral("--no-renames"),
                           QStringLiteral("--no-ext-diff"),
                           QStringLiteral("--no-textconv")};
    const QString output = co_await git.runExact(args);
    co_return output.split(QChar(u'\0'), Qt::SkipEmptyParts);
}

QCoro::Task<DiscardSave> saveBeforeDiscard(GitService git, QString description, QStringList paths,
                                           QString removedPatch) {
    DiscardSave save;
    save.paths = paths;
    save.message = discardedChangeMessage(description, paths);
    const QString folder = co_await scratchFolder(git);
    save.beforeTree = co_await snapshotTree(git, folder, paths);
    QString expectedTree;
    if (removedPatch.isEmpty())
        expectedTree = co_await indexTree(git, folder, paths);
    else
        expectedTree = co_await treeWithout(git, folder, save.beforeTree, removedPatch);
    const QString parent =
        co_await commitTree(git, expectedTree, afterDiscardMessage(), std::nullopt);
    const QString commit = co_await commitTree(git, save.beforeTree, save.message, parent);
    save.ref = newDiscardRef();
    // The empty old value makes the update fail rather than replace a save of the same name.
    const QStringList refArgs{QStringLiteral("update-ref"), save.ref, commit, QString()};
    co_await git.run(refArgs);
    co_return save;
}

QCoro::Task<> completeDiscardSave(GitService git, DiscardSave save) {
    const QString folder = co_await scratchFolder(git);
    const QString afterTree = co_await snapshotTree(git, folder, save.paths);
    if (afterTree == save.beforeTree) {
        // The discard changed nothing (it failed before touching a file): nothing was lost.
        const QStringList deleteArgs{QStringLiteral("update-ref"), QStringLiteral("-d"), save.ref};
        co_await git.run(deleteArgs);
        co_return;
    }
    const QString parent = co_await commitTree(git, afterTree, afterDiscardMessage(), std::nullopt);
    const QString commit = co_await commitTree(git, save.beforeTree, save.message, parent);
    const QStringList refArgs{QStringLiteral("update-ref"), save.ref, commit};
    co_await git.run(refArgs);
}

QCoro::Task<QList<DiscardedChange>> listDiscardedChanges(GitService git, int limit) {
    const QStringList args{
        QStringLiteral("for-each-ref"), QStringLiteral("--sort=-refname"),
        QStringLiteral("--count=%1").arg(limit),
        QStringLiteral("--format=%(refname)%00%(objectname)%00%(committerdate:unix)%00"
                       "%(parent)%00%(contents)%00"),
        discardedRefPrefix.toString()};
    co_return co_await git.runParsed(args, &parseDiscardedChanges);
}

QCoro::Task<> pruneDiscardedChanges(GitService git, int keep) {
    const QStringList args{QStringLiteral("for-each-ref"), QStringLiteral("--sort=-refname"),
                           QStringLiteral("--format=%(refname)"), discardedRefPrefix.toString()};
    QStringList refs;
    try {
        refs = (co_await git.run(args)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    } catch (const GitError&) {
        co_return;
    }
    for (qsizetype i = keep; i < refs.size(); ++i) {
        const QStringList deleteArgs{QStringLiteral("update-ref"), QStringLiteral("-d"), refs[i]};
        try {
            co_await git.run(deleteArgs);
        } catch (const GitError&) {
        }
    }
}

QCoro::Task<QStringList> restoreDiscardedChange(GitService git, QString ref) {
    const QStringList parentArgs{QStringLiteral("rev-list"),
                                 QStringLiteral("--parents"),
                                 QStringLiteral("-n"),
                                 QStringLiteral("1"),
                                 ref,
                                 QStringLiteral("--")};
    const QStringList ids =
        (co_await git.run(parentArgs)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (ids.isEmpty())
        co_return {};
    const QString hash = ids[0];
    if (ids.size() > 2) {
        // A dropped stash: merged back as git applies any stash, refusing over local changes
        // it would overwrite.
        const QStringList applyArgs{QStringLiteral("stash"), QStringLiteral("apply"), hash};
        co_await git.run(applyArgs);
        co_return {};
    }
    QString left;
    if (ids.size() == 2) {
        left = ids[1];
    } else {
        // A save from before saves recorded what the discard was to leave: the discard restored
        // the files from the index, so only a file still at its index version is as it left it.
        const QStringList listArgs{QStringLiteral("ls-tree"), QStringLiteral("-r"),
                                   QStringLiteral("-z"), QStringLiteral("--name-only"), hash};
        const QString listing = co_await git.runExact(listArgs);
        const QString folder = co_await scratchFolder(git);
        left = co_await indexTree(git, folder, listing.split(QChar(u'\0'), Qt::SkipEmptyParts));
    }
    // The diff from the save back to what the discard left, applied in reverse: the same path
    // the hunk discard takes. git applies a change only where it fits exactly, so a file as the
    // discard left it gets its content back, and one edited since is refused (or, where the
    // edit lies apart from the change, keeps it).
    const QStringList diffArgs{QStringLiteral("diff"),
                               QStringLiteral("--binary"),
                               QStringLiteral("--full-index"),
                               QStringLiteral("--no-ext-diff"),
                               QStringLiteral("--no-textconv"),
                               QStringLiteral("--no-color"),
                               QStringLiteral("--no-renames"),
                               hash,
                               left,
                               QStringLiteral("--")};
    const QString patch = co_await git.runExact(diffArgs);
    if (patch.isEmpty())
        co_return {};
    std::optional<GitError> whole;
    try {
        co_await git.discardPatch(patch);
        co_return {};
    } catch (const GitError& error) {
        whole = error;
    }
    // Something no longer fits: every file that still does is restored on its own.
    const QStringList namesArgs{QStringLiteral("diff"),
                                QStringLiteral("--name-only"),
                                QStringLiteral("-z"),
                                QStringLiteral("--no-renames"),
                                QStringLiteral("--no-ext-diff"),
                                hash,
                                left,
                                QStringLiteral("--")};
    const QStringList names =
        (co_await git.runExact(namesArgs)).split(QChar(u'\0'), Qt::SkipEmptyParts);
    QStringList refused;
    for (const QString& name : names) {
        const QStringList fileArgs = diffArgs + QStringList{name};
        const QString filePatch = co_await git.runExact(fileArgs);
        try {
            co_await git.discardPatch(filePatch);
        } catch (const GitError&) {
            refused.append(name);
        }
    }
    if (refused.size() == names.size())
        throw *whole;
    co_return refused;
}

QCoro::Task<> deleteDiscardedChange(GitService git, QString ref, QString hash) {
    if (!ref.startsWith(discardedRefPrefix))
        throw GitError(GitError::Kind::Other, QStringLiteral("GitService"), 0,
                       ref + QStringLiteral(" is not a save of discarded changes"));
    // Deleting the ref deletes its reflog too, should the user log every ref's updates.
    const QStringList args{QStringLiteral("update-ref"), QStringLiteral("-d"), ref, hash};
    co_await git.run(args);
}

QCoro::Task<QString> keepDroppedStash(GitService git, QString hash) {
    const QString ref = newDiscardRef();
    const QStringList args{QStringLiteral("update-ref"), ref, hash, QString()};
    co_await git.run(args);
    co_return ref;
}

} // namespace tolvane
