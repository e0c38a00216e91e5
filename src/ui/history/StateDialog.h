#pragma once

#include "state/ConfirmationDialog.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>

class QLabel;
class QPushButton;

namespace tolvane {

class RepositoryState;

// A text field of a sheet bound to a state field.
struct DialogField {
    std::function<QString()> get;
    std::function<void(const QString&)> set;
    bool multiLine = false;
};

// Renders an alert or sheet described as data: headline, message, bound text fields, a note and
// the buttons in order. The description is rebuilt after every edit so that buttons enable and
// disable as the fields change. A button runs its action and closes the dialog.
class StateDialog : public QDialog {
    Q_OBJECT
public:
    StateDialog(std::function<ConfirmationDialog()> describe, QList<DialogField> fields,
                QWidget* parent);

    QPushButton* button(const QString& text) const;

private:
    void refresh();

    std::function<ConfirmationDialog()> m_describe;
    QList<DialogField> m_fields;
    QLabel* m_title;
    QLabel* m_message;
    QList<QPushButton*> m_buttons;
};

// Shows a StateDialog window-modal whenever a state flag turns on, and turns the flag off when
// the dialog closes, so that each flag change shows the dialog once.
class DialogPresenter : public QObject {
    Q_OBJECT
public:
    DialogPresenter(RepositoryState* state, QWidget* host);

    using Getter = const bool& (RepositoryState::*)() const;
    using Setter = void (RepositoryState::*)(const bool&);
    using Signal = void (RepositoryState::*)();

    void bind(Signal changed, Getter flag, Setter setFlag, const QString& objectName,
              std::function<ConfirmationDialog()> describe, QList<DialogField> fields = {});

private:
    RepositoryState* m_state;
    QWidget* m_host;
};

} // namespace tolvane
