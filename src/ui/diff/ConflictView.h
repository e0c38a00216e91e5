#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tolvane {

class RepositoryState;

// The selected conflicted file: each conflict block with ours, the base (when git's conflict
// style gives it) and theirs side by side, a choice per block, and the file written once every
// block is decided. A binary file offers its two sides whole.
class ConflictView : public QWidget {
    Q_OBJECT
public:
    explicit ConflictView(RepositoryState* state, QWidget* parent = nullptr);

private:
    void rebuild();
    void updateChoices();

    struct BlockButtons {
        QPushButton* ours;
        QPushButton* theirs;
        QPushButton* both;
        QLabel* state;
    };

    RepositoryState* m_state;
    QLabel* m_path;
    QLabel* m_kind;
    QLabel* m_status;
    QPushButton* m_write;
    QPushButton* m_takeOurs;
    QPushButton* m_takeTheirs;
    QPushButton* m_markResolved;
    QPushButton* m_mergeTool;
    QScrollArea* m_scroll;
    QWidget* m_blocks = nullptr;
    QList<BlockButtons> m_blockButtons;
};

} // namespace tolvane
