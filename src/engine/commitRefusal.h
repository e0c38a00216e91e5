#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvane {

// Whether git's text after a failed commit-making command says that signing the commit failed
// (no agent, no key, a cancelled passphrase), which leaves no commit behind. Needs git's English
// wording. Pure.
[[nodiscard]] bool isSigningFailure(const QString& gitText);

// The name of the hook that made a command fail, from the trace2 event stream that git wrote
// for it (GIT_TRACE2_EVENT): the hook started by the command itself (not by a git run inside a
// hook) that exited with a non-zero code. None when no hook failed. Pure.
[[nodiscard]] std::optional<QString> rejectingHook(const QByteArray& traceEvents);

// The last `count` lines of `text`, without a trailing line break.
[[nodiscard]] QString lastLines(const QString& text, int count);

} // namespace tolvane
