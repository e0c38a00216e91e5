#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace tolvane {

class RepositoryState;

enum class DialogButtonRole { Cancel, Destructive, Default, Normal };

// One button of a confirmation. The action starts the operation the button stands for and hands
// back its task (views may drop it, tests await it); an empty action only closes the dialog.
struct DialogButton {
    DialogButton(QString text, DialogButtonRole role, std::function<QCoro::Task<>()> action = {},
                 bool isDefault = false, bool enabled = true)
        : text(std::move(text)), role(role), action(std::move(action)), isDefault(isDefault),
          enabled(enabled) {}

    QString text;
    DialogButtonRole role = DialogButtonRole::Normal;
    std::function<QCoro::Task<>()> action;
    // Return triggers it (a destructive button can be the default too).
    bool isDefault = false;
    bool enabled = true;
};

// A text field of a sheet bound to a state value: read when the sheet opens, written on every
// edit, so that the buttons' enabled states follow the typing.
struct DialogField {
    std::function<QString()> get;
    std::function<void(const QString&)> set;
    bool multiLine = false;
};

// An alert or sheet described as data, so that views only render it. A sheet's title is its
// headline and its message the caption under it; it may add text fields with their placeholders,
// in order, and a smaller note (above a multi-line field, below single-line ones).
struct ConfirmationDialog {
    ConfirmationDialog(QString title, QString message, QList<DialogButton> buttons,
                       QStringList fieldPlaceholders = {}, QString note = {},
                       QList<DialogField> fields = {})
        : title(std::move(title)), message(std::move(message)), buttons(std::move(buttons)),
          fieldPlaceholders(std::move(fieldPlaceholders)), note(std::move(note)),
          fields(std::move(fields)) {}

    QString title;
    QString message;
    QList<DialogButton> buttons;
    QStringList fieldPlaceholders;
    QString note;
    QList<DialogField> fields;
};

// Where a confirmation lives in the state: the `show...` flag that opens it, with its setter and
// change signal, and the description of its content from the state's current subjects.
struct Confirmation {
    const bool& (RepositoryState::*isShown)() const;
    void (RepositoryState::*setShown)(const bool&);
    void (RepositoryState::*shownChanged)();
    ConfirmationDialog (*describe)(RepositoryState&);
};

} // namespace tolvane
