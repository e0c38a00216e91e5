#include "ui/github/TokenDialogController.h"

#include "github/GitHubService.h"
#include "github/GitHubTransportError.h"
#include "platform/KeychainHelper.h"

#include <QCoroFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace tolvane {

TokenDialogController::TokenDialogController(const std::optional<QString>& currentUsername,
                                             bool hasToken, GitHubService& gitHub,
                                             Completion completion, QObject* parent)
    : QObject(parent), m_gitHub(gitHub), m_completion(std::move(completion)), m_hasToken(hasToken) {
    if (currentUsername) {
        m_statusText = QStringLiteral("✓ Connected as ") + *currentUsername;
        m_isStatusVisible = true;
    }
}

QCoro::Task<> TokenDialogController::save(QString fieldText) {
    if (m_isProcessing || m_finished)
        co_return;
    // QString::trimmed also removes line breaks, which a pasted token often ends with.
    const QString token = fieldText.trimmed();
    if (token.isEmpty())
        co_return;
    setIsProcessing(true);
    setIsStatusVisible(false);
    setErrorText(std::nullopt);

    QPointer<TokenDialogController> self(this);
    QString login;
    std::optional<QString> failure;
    try {
        login = co_await m_gitHub.validateToken(token);
    } catch (const GitHubTransportError& error) {
        // GitHub was never asked, so nothing is known about the token.
        failure = QStringLiteral("Network unreachable (") + error.description() +
                  QStringLiteral("): the token was not checked.");
    } catch (const std::exception& error) {
        failure = QStringLiteral("Invalid token: ") + QString::fromUtf8(error.what());
    }
    if (!self || m_finished)
        co_return;
    if (failure) {
        setErrorText(*failure);
        setIsProcessing(false);
        co_return;
    }

    // The secret store may ask the user to unlock it; the window stays responsive meanwhile.
    auto store = [token]() -> std::optional<QString> {
        if (!KeychainHelper::saveToken(token))
            return QStringLiteral("Failed to save token to Keychain");
        if (!KeychainHelper::getToken())
            return QStringLiteral("Token saved but could not be verified");
        return std::nullopt;
    };
    // Once the store has begun it cannot be taken back, so the outcome is reported even when the
    // dialog was dismissed meanwhile: the sign-in summary must match what is stored.
    const Completion completion = m_completion;
    const std::optional<QString> problem = co_await QtConcurrent::run(std::move(store));
    if (problem) {
        if (self && !m_finished) {
            setErrorText(*problem);
            setIsProcessing(false);
        }
        co_return;
    }
    if (self) {
        finish(1);
        setIsProcessing(false);
    }
    if (completion)
        completion(login, std::nullopt);
}

QCoro::Task<> TokenDialogController::removeToken() {
    // A save under way would race the deletion in the secret store.
    if (m_finished || m_isProcessing)
        co_return;
    m_finished = true;
    QPointer<TokenDialogController> self(this);
    const Completion completion = m_completion;
    co_await QtConcurrent::run([] { KeychainHelper::deleteToken(); });
    if (self)
        Q_EMIT finished(1);
    if (completion)
        completion(std::nullopt, std::nullopt);
}

void TokenDialogController::cancel() {
    finish(0);
}

void TokenDialogController::finish(int result) {
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished(result);
}

} // namespace tolvane
