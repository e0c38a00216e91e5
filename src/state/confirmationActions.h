#pragma once

#include "state/ConfirmationDialog.h"

#include <QCoroTask>
#include <functional>

namespace tolvane {

// Building blocks of the confirmation descriptions. Actions and fields keep only a guarded
// pointer to the state: pressing a button or typing after the tab closed does nothing.

using DialogAction = std::function<QCoro::Task<>()>;
using StateOperation = QCoro::Task<> (RepositoryState::*)();

// Starts `operation` on the state if it still exists.
DialogAction callOperation(RepositoryState& state, StateOperation operation);

// Changes fields first, then starts `operation` when one is given.
DialogAction changeThenCall(RepositoryState& state, std::function<void(RepositoryState&)> change,
                            StateOperation operation = nullptr);

// "Cancel", with an optional action of its own (clearing the subject).
DialogButton cancelButton(DialogAction action = {});

// The plain alert: a headline, a message, "Cancel", and one button that starts `confirm`.
ConfirmationDialog confirmOrCancel(const QString& title, const QString& message,
                                   const QString& button, DialogButtonRole role,
                                   RepositoryState& state, StateOperation confirm);

// A text field bound to one of the state's text values.
DialogField boundField(RepositoryState& state, const QString& (RepositoryState::*get)() const,
                       void (RepositoryState::*set)(const QString&), bool multiLine = false);

} // namespace tolvane
