#include "state/confirmationActions.h"

#include "state/RepositoryState.h"

#include <QPointer>

namespace tolvane {
namespace {

QCoro::Task<> nothing() {
    co_return;
}

} // namespace

DialogAction callOperation(RepositoryState& state, StateOperation operation) {
    return changeThenCall(state, {}, operation);
}

DialogAction changeThenCall(RepositoryState& state, std::function<void(RepositoryState&)> change,
                            StateOperation operation) {
    QPointer<RepositoryState> target(&state);
    return [target, change, operation]() -> QCoro::Task<> {
        if (!target)
            return nothing();
        if (change)
            change(*target);
        if (!operation)
            return nothing();
        return ((*target).*operation)();
    };
}

DialogButton cancelButton(DialogAction action) {
    return DialogButton{QStringLiteral("Cancel"), DialogButtonRole::Cancel, std::move(action)};
}

ConfirmationDialog confirmOrCancel(const QString& title, const QString& message,
                                   const QString& button, DialogButtonRole role,
                                   RepositoryState& state, StateOperation confirm) {
    return {title, message, {cancelButton(), {button, role, callOperation(state, confirm)}}};
}

DialogField boundField(RepositoryState& state, const QString& (RepositoryState::*get)() const,
                       void (RepositoryState::*set)(const QString&), bool multiLine) {
    QPointer<RepositoryState> target(&state);
    return DialogField{[target, get] { return target ? ((*target).*get)() : QString(); },
                       [target, set](const QString& text) {
                           if (target)
                               ((*target).*set)(text);
                       },
                       multiLine};
}

} // namespace tolvane
