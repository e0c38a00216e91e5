#pragma once

#include "state/ConfirmationDialog.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tolvane {

// A confirmation or sheet given as data, drawn as a modal dialog: headline, message, optional
// extra controls and the buttons in their given order. It only reports which button was pressed;
// running the button's action is left to its owner so that the dialog is gone first.
class ConfirmationAlert : public QDialog {
    Q_OBJECT
public:
    ConfirmationAlert(const ConfirmationDialog& dialog, QWidget* parent);

    // Extra controls (pickers, check boxes) go between the message and the buttons.
    QVBoxLayout* contentLayout() const { return m_content; }
    QPushButton* button(const QString& text) const;
    QList<QPushButton*> buttons() const { return m_buttons; }
    QString title() const;
    QString message() const;

Q_SIGNALS:
    void buttonChosen(int index);

private:
    QLabel* m_title = nullptr;
    QLabel* m_message = nullptr;
    QVBoxLayout* m_content = nullptr;
    QList<QPushButton*> m_buttons;
};

} // namespace tolvane
