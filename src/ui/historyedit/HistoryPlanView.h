#pragma once

#include "state/historyPlan.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tolvane {

class HistoryEditor;
class RepositoryState;

// Asks for a commit message, offering `text`; none when the user cancels.
using PlanMessagePrompt =
    std::function<std::optional<QString>(const QString& title, const QString& text)>;

// The plan of a history edit in the history pane, newest commit on top as the history shows
// them. Rows are dragged to reorder, or dropped onto another row to squash into it (with Alt or
// Ctrl held: to fix it up); S, F, R, D, E and P set the action, Alt+Up/Down moves a row, Enter
// starts and Escape cancels.
class HistoryPlanView : public QWidget {
    Q_OBJECT
public:
    HistoryPlanView(RepositoryState* state, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    // Tests answer the message dialogs without showing them.
    void setMessagePrompt(PlanMessagePrompt prompt) { m_prompt = std::move(prompt); }

    // The plan index of a row of the list (newest on top) and back.
    qsizetype planIndex(int listRow) const;
    int listRow(qsizetype planIndex) const;

    void setActionOfCurrent(PlanAction action);
    void moveCurrent(int listSteps);
    // Drops list row `dragged` onto list row `target`.
    void meldRows(int dragged, int target, bool fixup);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void askChainMessage(qsizetype planIndex);
    void selectPlanIndex(qsizetype planIndex);

    RepositoryState* m_state;
    HistoryEditor* m_editor;
    QLabel* m_title;
    QLabel* m_refusal;
    QWidget* m_pushedBar;
    QCheckBox* m_placeFixups;
    QPushButton* m_start;
    QListWidget* m_list;
    PlanMessagePrompt m_prompt;
};

} // namespace tolvane
