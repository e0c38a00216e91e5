#pragma once

#include "state/ConfirmationDialog.h"
#include "ui/sidebar/ConfirmationAlert.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

class RepositoryState;

// Keeps one confirmation dialog in step with the state flag that binds it: the dialog opens
// window-modal when the flag turns on and closes when it turns off. A pressed button first
// clears the flag and closes the dialog, then starts the button's action; Escape counts as the
// cancel button.
class ConfirmationPresenter : public QObject {
    Q_OBJECT
public:
    struct Binding {
        std::function<bool()> isShown;
        std::function<void()> hide;
        std::function<ConfirmationDialog()> make;
        QString objectName;
        // Adds controls of a sheet (the merge options) to the freshly built dialog.
        std::function<void(ConfirmationAlert*)> decorate = {};
    };

    ConfirmationPresenter(QWidget* owner, Binding binding);

    // A presenter for one of the state's `show...` flags: built from the flag's getter, setter
    // and change signal, already following the signal and in step with the flag's current value.
    using Flag = const bool& (RepositoryState::*)() const;
    using FlagSetter = void (RepositoryState::*)(const bool&);
    using FlagSignal = void (RepositoryState::*)();
    static ConfirmationPresenter* forFlag(QWidget* owner, RepositoryState* state, Flag isShown,
                                          FlagSetter setShown, FlagSignal changed,
                                          std::function<ConfirmationDialog(RepositoryState&)> make,
                                          const QString& objectName,
                                          std::function<void(ConfirmationAlert*)> decorate = {});

    // Call whenever the binding flag may have changed.
    void sync();
    ConfirmationAlert* dialog() const { return m_dialog; }

private:
    void choose(std::optional<int> index);
    void dismiss();

    QWidget* m_owner;
    Binding m_binding;
    QPointer<ConfirmationAlert> m_dialog;
    std::optional<ConfirmationDialog> m_data;
};

} // namespace tolvane
