#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tolvane {

class ConfirmationPresenter;
class RepositoryState;

// The bar above the changes list while git is stopped in a merge, cherry-pick, revert, rebase or
// am: what is in progress, how many files still conflict, Abort and Continue (or Commit Merge).
// Conflicts with no operation (a stash applied onto changes) show it without the two buttons.
class OperationBanner : public QWidget {
    Q_OBJECT
public:
    explicit OperationBanner(RepositoryState* state, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void update();

    RepositoryState* m_state;
    QLabel* m_title;
    QLabel* m_summary;
    QPushButton* m_abort;
    QPushButton* m_continue;
    ConfirmationPresenter* m_confirmations;
};

} // namespace tolvane
