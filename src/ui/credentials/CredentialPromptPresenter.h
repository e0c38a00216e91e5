#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tolvane {

class CredentialPrompts;
class CredentialPromptDialog;

// Shows the question a tab's network command asks, window-modal over the tab, and hands the
// user's answer to the state. A question withdrawn by the state (the command ended) closes its
// dialog.
class CredentialPromptPresenter : public QObject {
    Q_OBJECT
public:
    CredentialPromptPresenter(CredentialPrompts& prompts, QWidget* parent);

private:
    void update();
    void finished(CredentialPromptDialog* dialog, int result);

    QPointer<CredentialPrompts> m_prompts;
    QWidget* m_parent;
    QPointer<CredentialPromptDialog> m_dialog;
};

} // namespace tolvane
