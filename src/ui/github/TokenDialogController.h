#pragma once

#include "state/ObservableField.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

class GitHubService;

// What the GitHub token dialog shows and does, apart from its widgets: checks a token with
// GitHub, stores it in the secret store, or removes it. The dialog binds its labels to the fields
// and closes on `finished`. Once finished (saved, removed or cancelled) it does nothing more: a
// check still running when the user cancels stores nothing.
class TokenDialogController : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(bool, isProcessing, setIsProcessing)
    // "✓ Connected as <name>", or empty when no name is known.
    TOLVANE_FIELD(QString, statusText, setStatusText)
    TOLVANE_FIELD(bool, isStatusVisible, setIsStatusVisible)
    // The red message; none while hidden.
    TOLVANE_FIELD(std::optional<QString>, errorText, setErrorText)

public:
    // Receives the login of the stored token, or none after removal. The second text is always
    // none.
    using Completion =
        std::function<void(const std::optional<QString>& login, const std::optional<QString>&)>;

    TokenDialogController(const std::optional<QString>& currentUsername, bool hasToken,
                          GitHubService& gitHub, Completion completion, QObject* parent = nullptr);

    // Whether "Remove Token" is offered.
    bool hasToken() const { return m_hasToken; }

    // Checks and stores the token typed in the field (trimmed); a blank field does nothing.
    QCoro::Task<> save(QString fieldText);
    // Deletes the stored token and reports none, whether or not one was stored. Ignored while a
    // save is under way.
    QCoro::Task<> removeToken();
    void cancel();

Q_SIGNALS:
    // The dialog should close: 0 when cancelled, 1 when something was saved or removed.
    void finished(int result);
    void isProcessingChanged();
    void statusTextChanged();
    void isStatusVisibleChanged();
    void errorTextChanged();

private:
    void finish(int result);

    GitHubService& m_gitHub;
    Completion m_completion;
    bool m_hasToken;
    bool m_finished = false;
};

} // namespace tolvane
