#pragma once

#include "ui/github/TokenDialogController.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvane {

// The window of the token dialog: 440 × 300, not resizable. Its labels follow the controller;
// Return saves and Escape cancels.
class GitHubTokenDialog : public QDialog {
    Q_OBJECT
public:
    GitHubTokenDialog(const std::optional<QString>& currentUsername, bool hasToken,
                      GitHubService& gitHub, TokenDialogController::Completion completion,
                      QWidget* parent = nullptr);

    TokenDialogController* controller() const { return m_controller; }

    static QString informationText();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateLabels();
    void applyColors();

    TokenDialogController* m_controller;
    QLineEdit* m_token = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_error = nullptr;
    QLabel* m_information = nullptr;
};

} // namespace tolvane
