// Commits that a signing program or a hook refused: a short line in the window, git's words in
// the log, and what the hook printed in its panel.
#include "state/RepositoryState.h"

#include "engine/commitRefusal.h"
#include "log/LogStore.h"

namespace tolvane {

bool RepositoryState::reportRefusal(const QString& prefix, const StepOutcome& outcome,
                                    const QString& what) {
    if (!outcome.failure)
        return false;
    const QString& text = *outcome.failure;
    QString line;
    if (isSigningFailure(text)) {
        line = prefix + what + QStringLiteral(" could not be signed");
    } else if (!outcome.hook.isEmpty()) {
        m_hookOutput->show(outcome.hook, text);
        line = outcome.hook + QStringLiteral(" hook rejected ") + what;
    } else {
        return false;
    }
    // The whole of git's text stays behind "Show Log"; the window gets one line.
    LogStore::shared().add(line + QStringLiteral(":\n") + text, LogLevel::Error, m_tab.name);
    Q_EMIT outcomeAnnounced(line, LogLevel::Error);
    return true;
}

} // namespace tolvane
