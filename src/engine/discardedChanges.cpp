#include "engine/discardedChanges.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

#include <algorithm>
#include <atomic>

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

// The working-tree content of `paths` as a tree holding only those paths, built in an index file
// of our own so that neither the real index nor the working tree is touched.
QCoro::Task<QString> snapshotTree(GitService git, QStringList paths) {
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        throw GitError(GitError::Kind::Other, QStringLiteral("QFileDevice"),
                       int(QFileDevice::OpenError),
                       QStringLiteral("The temporary folder does not exist"));
    const QString indexFile = QDir(folder).filePath(
        QStringLiteral("tolvane-snapshot-") + QUuid::createUuid().toString(QUuid::WithoutBraces) +
        QStringLiteral(".index"));
    const ExtraEnvironment environment{{QStringLiteral("GIT_INDEX_FILE"), indexFile}};
    std::optional<GitError> failure;
    QString tree;
    try {
        for (qsizetype start = 0; start < paths.size(); start += pathsPerCommand) {
            // A file with CRLF line ends must be saved as it is, not refused by safecrlf.
            QStringList args{QStringLiteral("-c"),           QStringLiteral("core.safecrlf=false"),
                             QStringLiteral("update-index"), QStringLiteral("--add"),
                             QStringLiteral("--remove"),     QStringLiteral("--")};
            args += paths.mid(start, pathsPerCommand);
            co_await git.run(args, false, environment);
        }
        const QStringList writeArgs{QStringLiteral("write-tree")};
        tree = co_await git.run(writeArgs, false, environment);
    } catch (const GitError& error) {
        failure = error;
    }
    QFile::remove(indexFile);
    QFile::remove(indexFile + QStringLiteral(".lock"));
    if (failure)
        throw *failure;
    co_return tree;
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
    for (qsizetype i = 0; i + 3 < fields.size(); i += 4) {
        DiscardedChange change;
        change.ref = fields[i].trimmed().toString();
        change.hash = fields[i + 1].toString();
        bool ok = false;
        change.time = fields[i + 2].toLongLong(&ok);
        if (change.ref.isEmpty() || change.hash.isEmpty() || !ok)
            continue;
        const QString contents = fields[i + 3].toString();
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

QCoro::Task<DiscardSave> saveBeforeDiscard(GitService git, QString description, QStringList paths) {
    DiscardSave save;
    save.paths = paths;
    save.message = discardedChangeMessage(description, paths);
    save.beforeTree = co_await snapshotTree(git, paths);
    const QString commit = co_await commitTree(git, save.beforeTree, save.message, std::nullopt);
    save.ref = newDiscardRef();
    // The empty old value makes the update fail rather than replace a save of the same name.
    const QStringList refArgs{QStringLiteral("update-ref"), save.ref, commit, QString()};
    co_await git.run(refArgs);
    co_return save;
}

QCoro::Task<> completeDiscardSave(GitService git, DiscardSave save) {
    const QString afterTree = co_await snapshotTree(git, save.paths);
    if (afterTree == save.beforeTree) {
        // The discard changed nothing (it failed before touching a file): nothing was lost.
        const QStringList deleteArgs{QStringLiteral("update-ref"), QStringLiteral("-d"), save.ref};
        co_await git.run(deleteArgs);
        co_return;
    }
    const QString parent = co_await commitTree(
        git, afterTree, QStringLiteral("Working tree after the discard"), std::nullopt);
    const QString commit = co_await commitTree(git, save.beforeTree, save.message, parent);
    const QStringList refArgs{QStringLiteral("update-ref"), save.ref, commit};
    co_await git.run(refArgs);
}

QCoro::Task<QList<DiscardedChange>> listDiscardedChanges(GitService git, int limit) {
    const QStringList args{
        QStringLiteral("for-each-ref"), QStringLiteral("--sort=-refname"),
        QStringLiteral("--count=%1").arg(limit),
        QStringLiteral("--format=%(refname)%00%(objectname)%00%(committerdate:unix)%00"
                       "%(contents)%00"),
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

QCoro::Task<> restoreDiscardedChange(GitService git, QString ref) {
    const QStringList parentArgs{QStringLiteral("rev-list"),
                                 QStringLiteral("--parents"),
                                 QStringLiteral("-n"),
                                 QStringLiteral("1"),
                                 ref,
                                 QStringLiteral("--")};
    const QStringList ids =
        (co_await git.run(parentArgs)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (ids.isEmpty())
        co_return;
    const QString hash = ids[0];
    if (ids.size() < 2) {
        // Only the former content was saved: write those files back whole.
        const QStringList listArgs{QStringLiteral("ls-tree"), QStringLiteral("-r"),
                                   QStringLiteral("-z"), QStringLiteral("--name-only"), hash};
        const QString listing = co_await git.runExact(listArgs);
        QStringList restoreArgs{QStringLiteral("restore"), QStringLiteral("--source=") + hash,
                                QStringLiteral("--worktree"), QStringLiteral("--")};
        const QStringList paths = listing.split(QChar(u'\0'), Qt::SkipEmptyParts);
        if (paths.isEmpty())
            co_return;
        restoreArgs += paths;
        co_await git.run(restoreArgs);
        co_return;
    }
    // The diff from the save back to its parent, applied in reverse: the same path the hunk
    // discard takes, so a change that no longer fits is refused without touching any file.
    const QStringList diffArgs{QStringLiteral("diff"),
                               QStringLiteral("--binary"),
                               QStringLiteral("--full-index"),
                               QStringLiteral("--no-ext-diff"),
                               QStringLiteral("--no-textconv"),
                               QStringLiteral("--no-color"),
                               QStringLiteral("--no-renames"),
                               hash,
                               ids[1],
                               QStringLiteral("--")};
    const QString patch = co_await git.runExact(diffArgs);
    if (patch.isEmpty())
        co_return;
    co_await git.discardPatch(patch);
}

} // namespace tolvane
