#pragma once

#include "ui/window/BarWidget.h"

#include <QPointer>

class QLabel;
class QToolButton;

namespace tolvane {

class BadgeButton;
class ElidedLabel;
class ProgressSpinner;
class RepositoryState;

// The repository's toolbar: where you are (name › branch), the network commands, refresh and the
// loading indicator.
class ToolbarView : public BarWidget {
    Q_OBJECT
public:
    explicit ToolbarView(RepositoryState& state, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    BadgeButton* makeCommandButton(const QString& text, const QString& symbol,
                                   const QString& toolTip, const QString& objectName);
    void updateBranch();
    // The branch's counts against its upstream, beside its name and on Pull and Push.
    void updateTracking();
    void updateColours();
    void updateNetworkCommand();

    QPointer<RepositoryState> m_state;
    QLabel* m_symbol = nullptr;
    QLabel* m_separator = nullptr;
    ElidedLabel* m_branch = nullptr;
    QLabel* m_tracking = nullptr;
    BadgeButton* m_pull = nullptr;
    BadgeButton* m_push = nullptr;
    ProgressSpinner* m_spinner = nullptr;
    ElidedLabel* m_networkCommand = nullptr;
    QToolButton* m_cancelNetwork = nullptr;
};

} // namespace tolvane
