#pragma once

#include "ui/common/ConfirmationAlert.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QListView;
class QPushButton;

namespace tolvane {

class RepositoryState;
class SubmoduleListModel;

// The Submodules page of the sidebar: each submodule with its path, state and the commits
// recorded and checked out; Update, Update All, Open as Tab and Show in File Manager. It also
// asks whether to update submodules an operation left behind.
class SubmodulesView : public QWidget {
    Q_OBJECT
public:
    explicit SubmodulesView(RepositoryState* state, QWidget* parent = nullptr);

    // The update question while it is open.
    ConfirmationAlert* updatePrompt() const { return m_prompt; }

private:
    std::optional<QString> selectedPath() const;
    void updateButtons();
    void syncPrompt();

    QPointer<RepositoryState> m_state;
    SubmoduleListModel* m_model;
    QListView* m_list;
    QPushButton* m_update;
    QPushButton* m_updateAll;
    QPushButton* m_openTab;
    QPushButton* m_reveal;
    QPointer<ConfirmationAlert> m_prompt;
};

} // namespace tolvane
