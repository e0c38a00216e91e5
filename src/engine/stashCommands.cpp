#include "engine/stashCommands.h"

#include "engine/commitFilesParser.h"
#include "engine/gitEnvironment.h"

namespace tolvane {
namespace {

QString stashName(int index) {
    return QStringLiteral("stash@{%1}").arg(index);
}

// Fails unless stash@{index} still names the stash the user picked.
QCoro::Task<QString> verifiedStash(GitService git, int index, QString hash) {
    const QString name = stashName(index);
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                           QStringLiteral("--quiet"), name};
    QString current;
    try {
        current = co_await git.run(args);
    } catch (const GitError&) {
    }
    if (current.isEmpty() || current != hash)
        throw GitError(GitError::Kind::Other, QStringLiteral("GitService"), -1,
                       QStringLiteral("the stash list has changed; nothing was done"));
    co_return name;
}

// The commit holding the stash's untracked files, if it was made with them.
QCoro::Task<std::optional<QString>> untrackedCommit(GitService git, QString hash) {
    const QStringList args{QStringLiteral("rev-list"),
                           QStringLiteral("--parents"),
                           QStringLiteral("-n"),
                           QStringLiteral("1"),
                           hash,
                           QStringLiteral("--")};
    const QStringList ids = (co_await git.run(args)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (ids.size() < 4)
        co_return std::nullopt;
    co_return ids[3];
}

QStringList showArguments(const QStringList& options, const QString& hash) {
    QStringList args{QStringLiteral("show")};
    args += options;
    args << QStringLiteral("--no-ext-diff") << QStringLiteral("--no-textconv")
         << QStringLiteral("--no-color") << hash << QStringLiteral("--");
    return args;
}

} // namespace

QCoro::Task<QString> stashPush(GitService git, QString message, bool includeUntracked,
                               bool keepIndex) {
    QStringList args{QStringLiteral("stash"), QStringLiteral("push")};
    if (includeUntracked)
        args << QStringLiteral("--include-untracked");
    if (keepIndex)
        args << QStringLiteral("--keep-index");
    if (!message.trimmed().isEmpty())
        args << QStringLiteral("--message") << message.trimmed();
    co_return co_await git.run(args, false, englishOutputEnvironment());
}

QCoro::Task<> stashApply(GitService git, int index, QString hash, bool pop) {
    const QString name = co_await verifiedStash(git, index, hash);
    const QStringList args{QStringLiteral("stash"),
                           pop ? QStringLiteral("pop") : QStringLiteral("apply"), name};
    co_await git.run(args);
}

QCoro::Task<> stashDrop(GitService git, int index, QString hash) {
    const QString name = co_await verifiedStash(git, index, hash);
    const QStringList args{QStringLiteral("stash"), QStringLiteral("drop"), name};
    co_await git.run(args);
}

QCoro::Task<LimitedOutput> stashDiff(GitService git, QString hash, qint64 maxBytes) {
    const std::optional<QString> untracked = co_await untrackedCommit(git, hash);
    const QStringList trackedOptions{QStringLiteral("--stat"), QStringLiteral("--patch"),
                                     QStringLiteral("-m"), QStringLiteral("--first-parent")};
    const QStringList trackedArguments = showArguments(trackedOptions, hash);
    LimitedOutput output = co_await git.runLimited(trackedArguments, maxBytes);
    if (untracked && output.complete) {
        const QStringList untrackedOptions{QStringLiteral("--format="), QStringLiteral("--stat"),
                                           QStringLiteral("--patch")};
        const QStringList addedArguments = showArguments(untrackedOptions, *untracked);
        // What is left of the limit; the first part counted as git wrote it.
        const qint64 left =
            maxBytes < 0 ? -1 : std::max<qint64>(0, maxBytes - output.text.toUtf8().size());
        const LimitedOutput added = co_await git.runLimited(addedArguments, left);
        if (!added.text.isEmpty())
            output.text += QStringLiteral("\n\nUntracked files:\n") + added.text;
        output.complete = added.complete;
    }
    co_return output;
}

QCoro::Task<QList<CommitFileEntry>> stashFiles(GitService git, QString hash) {
    const std::optional<QString> untracked = co_await untrackedCommit(git, hash);
    const QStringList options{QStringLiteral("--name-status"), QStringLiteral("-z"),
                              QStringLiteral("--format="), QStringLiteral("-m"),
                              QStringLiteral("--first-parent")};
    // Arguments are named before each co_await: g++ 12 mishandles temporaries made inside one.
    const QStringList stashed = showArguments(options, hash);
    QList<CommitFileEntry> files = co_await git.runParsedBytes(stashed, &parseCommitFilesBytes);
    if (untracked) {
        const QStringList added = showArguments(options, *untracked);
        files += co_await git.runParsedBytes(added, &parseCommitFilesBytes);
    }
    co_return files;
}

} // namespace tolvane
