#pragma once

#include "engine/historyEditFiles.h"

#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// What `git rebase -i` does with one commit of the plan.
enum class PlanAction { Pick, Reword, Squash, Fixup, Drop, Edit };

// One commit of a history edit. Squash and Fixup meld the commit into the nearest earlier row
// that is kept; Dropped rows are skipped for that.
struct PlanRow {
    QString hash;
    QString subject;
    // The whole message as the commit has it, trimmed.
    QString message;
    PlanAction action = PlanAction::Pick;
    // A Reword's new message.
    std::optional<QString> editedMessage;
    // On the first row of a chain holding a Squash: the message the chain ends with (the joined
    // messages when none).
    std::optional<QString> chainMessage;
    // Parents beyond the first: such a row cannot be carried out faithfully.
    bool isMerge = false;

    friend bool operator==(const PlanRow&, const PlanRow&) = default;
};

// The result of one edit: the new rows, or why the edit was refused (rows unchanged).
struct PlanEdit {
    QList<PlanRow> rows;
    QString refusal;
};

// Rows are in the order git applies them: oldest first.

// The todo word of an action ("pick", "reword", ...).
QString todoWord(PlanAction action);

// Why the plan cannot start, or empty.
QString planProblem(const QList<PlanRow>& rows);

// Sets one row's action. Squash and Fixup need an earlier kept row; a Drop turns rows that are
// left with nothing to meld into into Picks.
PlanEdit withAction(const QList<PlanRow>& rows, qsizetype index, PlanAction action);

// Moves row `from` to position `to` (both indexes of the rows before the move).
PlanEdit movedRow(const QList<PlanRow>& rows, qsizetype from, qsizetype to);

// Melds row `dragged` into the chain that row `target` belongs to: it goes right after the
// chain's last row, as a Squash (message kept) or a Fixup (message dropped).
PlanEdit meldedInto(const QList<PlanRow>& rows, qsizetype dragged, qsizetype target, bool fixup);

// The first row of the chain that `index` is part of (itself when it starts one).
qsizetype chainStart(const QList<PlanRow>& rows, qsizetype index);
// The last row of the chain starting at `start`.
qsizetype chainEnd(const QList<PlanRow>& rows, qsizetype start);

// The messages of the chain starting at `start` joined as git offers them: the first row's
// (reworded) message, then each Squash's; Fixups add nothing.
QString joinedMessage(const QList<PlanRow>& rows, qsizetype start);

// Places and marks `fixup!`/`squash!` commits after the commit they name, as
// `git rebase --autosquash` does: by the subject, then by a commit id, then by a subject prefix,
// only among earlier rows.
QList<PlanRow> autosquashed(const QList<PlanRow>& rows);

// The todo list for git, one line per row.
QString todoText(const QList<PlanRow>& rows);

// The messages git will ask for: by the id of the commit whose step opens the editor (a
// Reword, or the last row of a chain holding a Squash).
QList<PlannedMessage> plannedMessages(const QList<PlanRow>& rows);

// Which row's result a commit ends up in: the first row of its chain, or for a dropped row
// the nearest earlier kept chain, else the oldest kept one (none when nothing is kept).
std::optional<qsizetype> resultRow(const QList<PlanRow>& rows, qsizetype index);
// How many commits the plan makes, and the position of a chain's result among them.
qsizetype resultCount(const QList<PlanRow>& rows);
qsizetype resultPosition(const QList<PlanRow>& rows, qsizetype start);

} // namespace tolvane
