#include "state/CloneState.h"

#include "engine/GitError.h"
#include "engine/GitService.h"
#include "log/LogStore.h"
#include "settings/AppSettings.h"
#include "state/CredentialPrompts.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <mutex>

namespace tolvane {

// Progress arrives on the worker that reads git; the interface thread collects the newest
// line a few times a second, so a fast transfer never floods the event loop.
struct CloneState::ProgressMailbox {
    std::mutex mutex;
    std::optional<TransferProgress> latest;
};

namespace {

constexpr auto logSource = "Clone";

void log(const QString& message, LogLevel level) {
    LogStore::shared().add(message, level, QString::fromLatin1(logSource));
}

bool isEmptyFolder(const QString& path) {
    return QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                              QDir::System);
}

} // namespace

CloneState::CloneState(QObject* parent)
    : QObject(parent), m_prompts(new CredentialPrompts(this)),
      m_mailbox(std::make_shared<ProgressMailbox>()), m_progressTimer(new QTimer(this)) {
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, &CloneState::takeProgress);
}

CloneState::~CloneState() {
    m_cancellation.cancel();
}

void CloneState::takeProgress() {
    std::optional<TransferProgress> latest;
    {
        const std::lock_guard lock(m_mailbox->mutex);
        latest.swap(m_mailbox->latest);
    }
    if (latest)
        setProgress(latest);
}

void CloneState::cancel() {
    if (!m_running)
        return;
    m_cancellation.cancel();
    // A clone waiting for the folder choice has no git to end.
    if (m_sparseFolderChoice)
        chooseSparseFolders(std::nullopt);
}

void CloneState::chooseSparseFolders(const std::optional<QStringList>& folders) {
    if (!m_sparseFolderChoice)
        return;
    setSparseFolderChoice(std::nullopt);
    Q_EMIT sparseFoldersAnswered(folders);
}

void CloneState::fail(const QString& message) {
    setErrorMessage(message);
    log(message, LogLevel::Error);
}

std::optional<QString> CloneState::problemBeforeStart(const CloneRequest& request) const {
    if (request.address.trimmed().isEmpty())
        return QStringLiteral("Enter the address of the repository to clone.");
    const QString name = request.folderName;
    if (name.trimmed().isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
        return QStringLiteral("Enter a name for the new folder (without “/”).");
    const QFileInfo parent(request.parentFolder);
    if (request.parentFolder.isEmpty() || !parent.isDir())
        return QStringLiteral("The folder “%1” does not exist. Choose the folder to clone into.")
            .arg(request.parentFolder);
    const QFileInfo target(QDir(request.parentFolder).filePath(name));
    if (target.exists() && !(target.isDir() && isEmptyFolder(target.filePath())))
        return cloneFailureSummary(QStringLiteral("already exists and is not an empty directory"),
                                   name);
    return std::nullopt;
}

QCoro::Task<> CloneState::runStep(QStringList arguments, QString folder, QString session) {
    std::shared_ptr<ProgressMailbox> mailbox = m_mailbox;
    auto progress = [mailbox](const TransferProgress& line) {
        const std::lock_guard lock(mailbox->mutex);
        mailbox->latest = line;
    };
    log(QStringLiteral("git ") + arguments.join(u' '), LogLevel::Info);
    co_await GitService::runWithProgress(std::move(arguments), std::move(folder), m_cancellation,
                                         std::move(session), std::move(progress));
}

QCoro::Task<QStringList> CloneState::topLevelFolders(QString folder) {
    const QStringList arguments{QStringLiteral("ls-tree"), QStringLiteral("-d"),
                                QStringLiteral("--name-only"), QStringLiteral("-z"),
                                QStringLiteral("HEAD")};
    const GitService git(folder);
    const QString output = co_await git.run(arguments);
    QStringList folders = output.split(u'\0', Qt::SkipEmptyParts);
    co_return folders;
}

QCoro::Task<std::optional<QString>> CloneState::clone(CloneRequest request) {
    if (m_running)
        co_return std::nullopt;
    setErrorMessage(std::nullopt);
    setProgress(std::nullopt);
    if (const std::optional<QString> problem = problemBeforeStart(request)) {
        fail(*problem);
        co_return std::nullopt;
    }
    AppSettings::setCloneParentFolder(request.parentFolder);
    const QString target = QDir(request.parentFolder).filePath(request.folderName);
    // Only a folder this clone made may be removed when it fails.
    const bool madeByUs = !QFileInfo::exists(target);

    setRunning(true);
    m_cancellation = GitCancellation();
    m_progressTimer->start();
    QPointer<CloneState> self(this);
    QPointer<CredentialPrompts> prompts(m_prompts);
    const QString session = m_prompts->beginCommand(request.address.trimmed(), [self] {
        if (self)
            self->cancel();
    });
    const GitCancellation cancellation = m_cancellation;
    std::optional<GitError> failure;
    bool userCancelled = false;
    try {
        const QStringList cloneStep = cloneArguments(request);
        co_await runStep(cloneStep, request.parentFolder, session);
        if (self && request.sparse) {
            const QStringList folders = co_await topLevelFolders(target);
            std::optional<QStringList> chosen;
            if (self && !cancellation.isCancelled()) {
                // Listening before asking: an answer may come while the question is announced.
                auto answer = qCoro(this, &CloneState::sparseFoldersAnswered);
                setSparseFolderChoice(folders);
                chosen = co_await std::move(answer);
            }
            if (!self || !chosen || cancellation.isCancelled()) {
                userCancelled = true;
            } else {
                QStringList sparse{QStringLiteral("sparse-checkout"), QStringLiteral("set"),
                                   QStringLiteral("--cone"), QStringLiteral("--")};
                sparse += *chosen;
                const GitService git(target);
                co_await git.run(sparse);
                const QStringList checkout{QStringLiteral("checkout"),
                                           QStringLiteral("--progress")};
                co_await runStep(checkout, target, session);
                // Only the submodules inside the chosen folders: git would fetch the others too.
                if (request.submodules && !chosen->isEmpty()) {
                    QStringList update{QStringLiteral("submodule"),  QStringLiteral("update"),
                                       QStringLiteral("--init"),     QStringLiteral("--recursive"),
                                       QStringLiteral("--progress"), QStringLiteral("--")};
                    update += *chosen;
                    co_await runStep(update, target, session);
                }
            }
        }
    } catch (const GitError& error) {
        failure = error;
    }
    if (prompts)
        prompts->endCommand(session);
    if (!self)
        co_return std::nullopt;
    m_progressTimer->stop();
    takeProgress();
    const bool cancelled = userCancelled || cancellation.isCancelled() ||
                           (failure && failure->kind() == GitError::Kind::Cancelled);
    if (!failure && !cancelled) {
        setRunning(false);
        log(QStringLiteral("Cloned %1 into %2").arg(request.address.trimmed(), target),
            LogLevel::Success);
        Q_EMIT cloned(target);
        co_return target;
    }
    if (madeByUs) {
        // git may leave half a repository behind when it is ended; the folder is ours to remove.
        auto remove = [target] { QDir(target).removeRecursively(); };
        co_await QtConcurrent::run(std::move(remove));
        if (!self)
            co_return std::nullopt;
    }
    setRunning(false);
    if (cancelled) {
        log(QStringLiteral("Cancelled the clone of %1").arg(request.address.trimmed()),
            LogLevel::Info);
        co_return std::nullopt;
    }
    const QString message = failure->message();
    // ssh refused a host whose key changed: its whole warning is shown, with nothing to accept.
    if (isChangedHostKey(message))
        m_prompts->showChangedHostKey(request.address.trimmed(), message);
    const QString summary = cloneFailureSummary(message, request.folderName);
    if (summary != message)
        log(QStringLiteral("git clone: ") + message, LogLevel::Info);
    fail(summary);
    co_return std::nullopt;
}

} // namespace tolvane
