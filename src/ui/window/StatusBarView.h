#pragma once

#include "ui/window/BarWidget.h"

#include <QPointer>

class QLabel;

namespace tolvane {

class ElidedLabel;
class RepositoryState;

// The bottom line of a repository: its folder, the staged and unstaged counts and the branch.
class StatusBarView : public BarWidget {
    Q_OBJECT
public:
    explicit StatusBarView(RepositoryState& state, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateContents();
    void updateColours();
    QLabel* makeCountLabel(const QString& objectName);

    QPointer<RepositoryState> m_state;
    QLabel* m_folderSymbol = nullptr;
    ElidedLabel* m_path = nullptr;
    QWidget* m_counts = nullptr;
    QLabel* m_stagedSymbol = nullptr;
    QLabel* m_staged = nullptr;
    QLabel* m_unstagedSymbol = nullptr;
    QLabel* m_unstaged = nullptr;
    QLabel* m_dot = nullptr;
    ElidedLabel* m_branch = nullptr;
};

} // namespace tolvane
