// What the user is told about outcomes: failures and finished network commands announced to the
// window, the author identity a refused commit asks for, and a repository whose folder is gone.
#include "state/RepositoryState.h"
#include "state/upstreamBranch.h"

#include "engine/gitEnvironment.h"

#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QtConcurrent>

namespace tolvane {

bool isMissingIdentityMessage(const QString& message) {
    return message.contains(QStringLiteral("Author identity unknown")) ||
           message.contains(QStringLiteral("Committer identity unknown")) ||
           message.contains(QStringLiteral("Please tell me who you are")) ||
           message.contains(QStringLiteral("empty ident name"));
}

QCoro::Task<bool> RepositoryState::askForMissingIdentity(GitService git) {
    if (!m_identityPrompt)
        co_return false;
    QPointer<RepositoryState> self(this);
    // A commit fails for many reasons (hooks, nothing staged); only git's own check of the
    // identity, read in English, tells that this was the one.
    const ExtraEnvironment english = englishOutputEnvironment();
    const QStringList authorArgs{QStringLiteral("var"), QStringLiteral("GIT_AUTHOR_IDENT")};
    const QStringList committerArgs{QStringLiteral("var"), QStringLiteral("GIT_COMMITTER_IDENT")};
    const std::optional<QString> authorFailure =
        co_await failureOf(git.run(authorArgs, false, english));
    const std::optional<QString> committerFailure =
        co_await failureOf(git.run(committerArgs, false, english));
    if (!self)
        co_return false;
    const bool missing = (authorFailure && isMissingIdentityMessage(*authorFailure)) ||
                         (committerFailure && isMissingIdentityMessage(*committerFailure));
    if (!missing)
        co_return false;

    // Whatever half is already configured is offered again.
    GitIdentity suggested;
    const QStringList nameArgs{QStringLiteral("config"), QStringLiteral("--get"),
                               QStringLiteral("user.name")};
    const QStringList emailArgs{QStringLiteral("config"), QStringLiteral("--get"),
                                QStringLiteral("user.email")};
    try {
        suggested.name = co_await git.run(nameArgs);
    } catch (const GitError&) {
    }
    try {
        suggested.email = co_await git.run(emailArgs);
    } catch (const GitError&) {
    }
    if (!self)
        co_return false;
    const std::optional<GitIdentity> answer = m_identityPrompt(suggested);
    // The prompt runs its own event loop; the tab may have closed meanwhile.
    if (!self || !answer)
        co_return false;
    co_return co_await setGitIdentity(*answer);
}

QCoro::Task<bool> RepositoryState::setGitIdentity(GitIdentity identity) {
    QPointer<RepositoryState> self(this);
    const QString name = identity.name.trimmed();
    const QString email = identity.email.trimmed();
    if (name.isEmpty() || email.isEmpty()) {
        log(QStringLiteral("Could not set the commit author: both a name and an email address are "
                           "needed"),
            LogLevel::Error);
        co_return false;
    }
    const GitService git = activeGit();
    QStringList base{QStringLiteral("config")};
    if (identity.global)
        base.append(QStringLiteral("--global"));
    // "--" keeps a name that begins with a dash a value.
    base.append(QStringLiteral("--"));
    const QStringList nameArgs = base + QStringList{QStringLiteral("user.name"), name};
    const QStringList emailArgs = base + QStringList{QStringLiteral("user.email"), email};
    std::optional<QString> failure = co_await failureOf(git.run(nameArgs));
    if (!failure)
        failure = co_await failureOf(git.run(emailArgs));
    if (!self)
        co_return false;
    if (failure) {
        log(QStringLiteral("Could not set the commit author: ") + *failure, LogLevel::Error);
        co_return false;
    }
    log(QStringLiteral("Commit author set to %1 <%2> %3")
            .arg(name, email,
                 identity.global ? QStringLiteral("for all repositories")
                                 : QStringLiteral("for this repository")),
        LogLevel::Success);
    co_return true;
}

QCoro::Task<> RepositoryState::announceNetworkSuccess(GitService git, QString verb,
                                                      QString preposition, QString fallback) {
    QPointer<RepositoryState> self(this);
    const QString branch = m_currentBranch;
    QString text = fallback;
    if (!branch.isEmpty()) {
        const std::optional<UpstreamBranch> upstream =
            co_await upstreamOf(git, QStringLiteral("refs/heads/") + branch);
        if (!self)
            co_return;
        if (upstream)
            text = QStringList{verb, branch, preposition, upstream->remote}.join(u' ');
    }
    Q_EMIT outcomeAnnounced(text, LogLevel::Success);
}

QCoro::Task<bool> RepositoryState::reportStopOnConflicts(QString operation, bool conflictsBefore,
                                                         QString suffix) {
    QPointer<RepositoryState> self(this);
    co_await refresh();
    // git refuses to start these operations over unmerged files, so conflicts that were there
    // before are not this operation's.
    if (!self || conflictsBefore || m_conflicts.isEmpty())
        co_return false;
    const qsizetype files = m_conflicts.size();
    log(operation + QStringLiteral(" stopped on conflicts in ") + QString::number(files) +
            (files == 1 ? QStringLiteral(" file") : QStringLiteral(" files")) + suffix,
        LogLevel::Info);
    co_return true;
}

QCoro::Task<bool> RepositoryState::workingTreeMissing() const {
    const QString path = m_tab.path;
    if (path.isEmpty())
        co_return false;
    // An unmounted volume usually leaves its empty mount folder behind, so the folder must
    // still hold the repository (a bare one is its own git folder).
    QFuture<bool> check = QtConcurrent::run(GitService::threadPool(), [path] {
        const QDir folder(path);
        return !folder.exists() ||
               (!folder.exists(QStringLiteral(".git")) && !folder.exists(QStringLiteral("HEAD")));
    });
    co_return co_await check;
}

} // namespace tolvane
