#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace tolvane {

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

// An alert or sheet described as data, so that views only render it. A sheet's title is its
// headline and its message the caption under it; it may add the placeholders of its text fields,
// in order, and a smaller note below them.
struct ConfirmationDialog {
    ConfirmationDialog(QString title, QString message, QList<DialogButton> buttons,
                       QStringList fieldPlaceholders = {}, QString note = {})
        : title(std::move(title)), message(std::move(message)), buttons(std::move(buttons)),
          fieldPlaceholders(std::move(fieldPlaceholders)), note(std::move(note)) {}

    QString title;
    QString message;
    QList<DialogButton> buttons;
    QStringList fieldPlaceholders;
    QString note;
};

} // namespace tolvane
