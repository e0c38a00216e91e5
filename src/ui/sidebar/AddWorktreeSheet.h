#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tolvane {

// The "Add Worktree" sheet. Its fields are the worktrees view's own input and outlive a closed
// sheet, so that a refused folder or branch name is still there when it opens again.
class AddWorktreeSheet : public QDialog {
    Q_OBJECT
public:
    explicit AddWorktreeSheet(QWidget* parent);

    QString folderName() const;
    QString branchName() const;
    bool createNewBranch() const;
    void clearFields();

    QLineEdit* folderField() const { return m_folder; }
    QLineEdit* branchField() const { return m_branch; }
    QCheckBox* createNewBranchCheck() const { return m_createNew; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* cancelButton() const { return m_cancel; }

Q_SIGNALS:
    void addRequested();
    void cancelRequested();

private:
    void updatePlaceholder();

    QLineEdit* m_folder;
    QCheckBox* m_createNew;
    QLineEdit* m_branch;
    QPushButton* m_cancel;
    QPushButton* m_add;
};

} // namespace tolvane
