#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// The files through which our own executable, started by `git rebase -i` as its sequence and
// message editor, writes a history edit's plan. They live in the repository's git folder so that
// a stop (edit, conflict) can be continued later, even after a restart.

// The message git asks for at the step of commit `hash` (a Reword, or the last commit of a chain
// holding a Squash).
struct PlannedMessage {
    QString hash;
    QString message;
    friend bool operator==(const PlannedMessage&, const PlannedMessage&) = default;
};

inline constexpr const char* writeTodoFlag = "--tolvane-write-todo";
inline constexpr const char* writeMessageFlag = "--tolvane-write-message";

// The folder in `gitDir` holding the plan of the edit under way.
QString historyEditFolder(const QString& gitDir);
QString historyEditTodoPath(const QString& gitDir);
QString historyEditMessagesPath(const QString& gitDir);

QByteArray encodePlannedMessages(const QList<PlannedMessage>& messages);
QList<PlannedMessage> decodePlannedMessages(const QByteArray& bytes);

// The message for the step git is at, judged by the last command of its "done" list; none when
// the plan has no message for it (git's own message stays).
std::optional<QString> messageForStep(const QString& doneText,
                                      const QList<PlannedMessage>& messages);

// The plan's todo list with the `update-ref` lines git put in `gitTodo` (rebase.updateRefs)
// kept after the commit they followed there, so that branches inside the range move as they
// would in a terminal.
QString withUpdateRefs(const QString& plan, const QString& gitTodo);

// A command line for git to run through the shell: `program flag file`, each quoted, to which git
// appends the file to edit.
QString editorCommand(const QString& program, const char* flag, const QString& file);

} // namespace tolvane
