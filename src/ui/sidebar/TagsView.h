#pragma once

#include "ui/common/namePrompts.h"

#include <QWidget>

class QListView;
class QMenu;
class QPushButton;
class QStackedWidget;

namespace tolvane {

class ConfirmationAlert;
class ConfirmationPresenter;
class RepositoryState;
class TagListModel;

// The "Tags" sidebar page: the tags or "No tags", "New Tag" with its dialog, and "Delete Tag"
// with its confirmation.
class TagsView : public QWidget {
    Q_OBJECT
public:
    TagsView(RepositoryState* state, QWidget* parent);

    void setNewTagPrompt(TagPrompt prompt) { m_prompt = std::move(prompt); }
    void setWarningAlert(WarningAlert alert) { m_warning = std::move(alert); }

    // Ask for a name and optional message; an invalid name is refused with a warning and the
    // dialog comes back with what was typed.
    void showNewTagDialog();
    QMenu* contextMenu(const QString& tag, QWidget* parent);

    QListView* list() const { return m_list; }
    ConfirmationAlert* openDialog() const;

private:
    RepositoryState* m_state;
    TagListModel* m_model;
    QStackedWidget* m_stack;
    QListView* m_list;
    ConfirmationPresenter* m_confirmations = nullptr;
    TagPrompt m_prompt;
    WarningAlert m_warning;
};

} // namespace tolvane
