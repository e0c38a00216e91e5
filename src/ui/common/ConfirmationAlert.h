#pragma once

#include "state/ConfirmationDialog.h"

#include <QDialog>
#include <QList>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tolvane {

// A confirmation or sheet given as data, drawn as a modal dialog: headline, message, the bound
// text fields with their note, optional extra controls and the buttons in their given order.
// The description is rebuilt after every edit, so that buttons enable and disable as the fields
// change. The dialog only reports which button was pressed; Escape and the window's close button
// reject it. What follows is the presenter's business.
class ConfirmationAlert : public QDialog {
    Q_OBJECT
public:
    ConfirmationAlert(std::function<ConfirmationDialog()> describe, QWidget* parent);

    // Extra controls (pickers, check boxes) go between the fields and the buttons.
    QVBoxLayout* contentLayout() const { return m_content; }
    QPushButton* button(const QString& text) const;
    const QList<QPushButton*>& buttons() const { return m_buttons; }
    QString title() const;
    QString message() const;
    // The description as of the last edit; its buttons' actions are the ones to run.
    const ConfirmationDialog& description() const { return m_description; }

Q_SIGNALS:
    void buttonChosen(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Tab follows the layout, top to bottom, whatever order the controls were made in.
    void orderTabsAsLaidOut();

    void addFields(QVBoxLayout* layout);
    void refresh();

    std::function<ConfirmationDialog()> m_describe;
    ConfirmationDialog m_description;
    QLabel* m_title = nullptr;
    QLabel* m_message = nullptr;
    QVBoxLayout* m_content = nullptr;
    QList<QPushButton*> m_buttons;
};

} // namespace tolvane
