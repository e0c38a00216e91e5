#include "ui/github/RepoDialogController.h"

#include "engine/GitError.h"
#include "engine/GitService.h"
#include "github/GitHubAPIError.h"
#include "github/GitHubService.h"

#include <QDir>
#include <QPointer>
#include <QStandardPaths>

namespace tolvane {

RepoDialogController::RepoDialogController(GitHubService& gitHub, RepoCreated onRepoCreated,
                                           Completion completion, QObject* parent)
    : QObject(parent), m_gitHub(gitHub), m_onRepoCreated(std::move(onRepoCreated)),
      m_completion(std::move(completion)) {}

QString RepoDialogController::defaultBasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

std::optional<QString> RepoDialogController::localProblem(const NewRepositoryInput& input) {
    if (!input.cloneLocally)
        return std::nullopt;
    // The folder must be one new entry inside the chosen folder, and a name starting with "-"
    // would reach git clone as an option.
    const QString& name = input.name;
    if (name.contains(QLatin1Char('/')) || name == u"." || name == u".." ||
        name.startsWith(QLatin1Char('-')))
        return QStringLiteral("“%1” cannot be used as a folder name.").arg(name);
    if (!QDir::isAbsolutePath(input.basePath))
        return QStringLiteral("Choose the folder for the local copy.");
    return std::nullopt;
}

QCoro::Task<> RepoDialogController::create(NewRepositoryInput input) {
    if (m_isProcessing || m_finished || input.name.isEmpty())
        co_return;
    if (const auto problem = localProblem(input)) {
        setErrorText(*problem);
        co_return;
    }
    setIsProcessing(true);
    setErrorText(std::nullopt);

    QPointer<RepoDialogController> self(this);
    const std::optional<QString> description =
        input.description.isEmpty() ? std::nullopt : std::optional<QString>(input.description);
    GitHubRepo repo;
    std::optional<QString> failure;
    try {
        repo = co_await m_gitHub.createRepository(input.name, description, input.isPrivate,
                                                  input.autoInit);
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self || m_finished)
        co_return;
    if (failure) {
        fail(*failure);
        co_return;
    }

    if (!input.cloneLocally) {
        succeed();
        co_return;
    }
    // The address comes from the server and goes to git as an argument.
    if (repo.cloneUrl.isEmpty() || repo.cloneUrl.startsWith(QLatin1Char('-'))) {
        fail(GitHubAPIError::invalidResponse().description());
        co_return;
    }

    QString base = input.basePath;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString localPath = (base == u"/" ? base : base + QLatin1Char('/')) + input.name;
    try {
        if (input.autoInit) {
            // git clone runs inside the chosen folder, which therefore has to exist.
            if (!QDir().mkpath(base))
                throw GitError(GitError::Kind::Other, QStringLiteral("QDir"), -1,
                               QStringLiteral("Could not create the folder ") + base);
            co_await GitService::cloneRepo(repo.cloneUrl, localPath);
        } else {
            if (!QDir().mkpath(localPath))
                throw GitError(GitError::Kind::Other, QStringLiteral("QDir"), -1,
                               QStringLiteral("Could not create the folder ") + localPath);
            const QStringList init{QStringLiteral("init")};
            co_await GitService::runStatic(init, localPath, false);
            co_await GitService::addRemote(QStringLiteral("origin"), repo.cloneUrl, localPath);
        }
    } catch (const GitError& error) {
        failure = error.message();
    }
    if (!self || m_finished)
        co_return;
    if (failure) {
        fail(*failure);
        co_return;
    }
    if (m_onRepoCreated)
        m_onRepoCreated(localPath);
    succeed();
}

void RepoDialogController::cancel() {
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished(0);
}

void RepoDialogController::succeed() {
    m_finished = true;
    setIsProcessing(false);
    Q_EMIT finished(1);
    if (m_completion)
        m_completion(std::nullopt);
}

void RepoDialogController::fail(const QString& message) {
    setErrorText(message);
    setIsProcessing(false);
}

} // namespace tolvane
