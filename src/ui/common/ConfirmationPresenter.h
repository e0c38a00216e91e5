#pragma once

#include "state/ConfirmationDialog.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

class ConfirmationAlert;

// Keeps a view's confirmations in step with the state flags that bind them. A dialog opens
// window-modal when its flag turns on (or is already on when the presenter is made) and closes
// when the flag turns off. A pressed button first closes the dialog and clears the flag, then
// starts the button's action; Escape and closing the window count as the Cancel button.
class ConfirmationPresenter : public QObject {
    Q_OBJECT
public:
    // One confirmation a view hosts: the state's binding, the dialog's object name, and for a
    // sheet with controls of its own (the merge options) what adds them to a fresh dialog.
    struct Entry {
        Confirmation confirmation;
        QString objectName;
        std::function<void(ConfirmationAlert*)> decorate = {};
    };

    ConfirmationPresenter(QWidget* owner, RepositoryState* state, QList<Entry> entries);

    // The dialog open now, if any.
    ConfirmationAlert* openDialog() const;

private:
    struct Shown {
        Entry entry;
        QPointer<ConfirmationAlert> dialog;
    };

    void sync(qsizetype index);
    void choose(qsizetype index, std::optional<int> button);
    void dismiss(qsizetype index);

    QWidget* m_owner;
    QPointer<RepositoryState> m_state;
    QList<Shown> m_shown;
};

} // namespace tolvane
