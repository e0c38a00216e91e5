#pragma once

#include "app/AppState.h"
#include "ui/github/RepoDialogController.h"

#include <QDialog>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvane {

class ProgressSpinner;

// The window of the new-repository dialog: 480 × 320. "Create" is disabled while the controller
// works; Return creates and Escape cancels.
class NewRepositoryDialog : public QDialog {
    Q_OBJECT
public:
    NewRepositoryDialog(const QString& username, GitHubService& gitHub,
                        RepoDialogController::RepoCreated onRepoCreated,
                        RepoDialogController::Completion completion, QWidget* parent = nullptr);

    // Answers "Browse..."; none chosen leaves the path as it is.
    void setFolderChooser(FolderChooser chooseFolder) { m_chooseFolder = std::move(chooseFolder); }

    RepoDialogController* controller() const { return m_controller; }
    // The fields as they are now.
    NewRepositoryInput input() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void browse();
    void updateState();
    void applyColors();

    RepoDialogController* m_controller;
    FolderChooser m_chooseFolder;
    QLabel* m_owner = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_description = nullptr;
    QAbstractButton* m_public = nullptr;
    QAbstractButton* m_private = nullptr;
    QCheckBox* m_readme = nullptr;
    QCheckBox* m_clone = nullptr;
    QLineEdit* m_path = nullptr;
    QLabel* m_error = nullptr;
    QPushButton* m_create = nullptr;
    ProgressSpinner* m_spinner = nullptr;
};

} // namespace tolvane
