#pragma once

#include "engine/GitService.h"
#include "engine/signatureChecks.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <optional>

namespace tolvane {

// The signature check of each commit the history has shown, made on request (for the rows on
// screen), in batches on a worker, and kept by commit id: a commit's signature never changes.
class SignatureBadges : public QObject {
    Q_OBJECT
public:
    explicit SignatureBadges(QString repoPath, QObject* parent = nullptr);

    // The check of `id`, once made.
    std::optional<SignatureCheck> check(const QString& id) const;
    // Asks for `id` to be checked; requests made in one pass of the event loop go together, and
    // one already made or under way is not repeated.
    void request(const QString& id);
    // Checks every id requested so far; for tests and callers that need the answer now.
    QCoro::Task<> checkRequested();
    // Forgets the verification setup and every check (the user's keys or files changed).
    void reset();

Q_SIGNALS:
    // Checks came in for these commits.
    void checked(const QStringList& ids);
    // A batch could not be checked; the message is git's. Its commits get no badge until
    // reset().
    void failed(const QString& message);

private:
    QCoro::Task<> runBatches();

    GitService m_git;
    QHash<QString, SignatureCheck> m_checks;
    QSet<QString> m_pending;
    QStringList m_queue;
    std::optional<VerificationSetup> m_setup;
    bool m_running = false;
    bool m_scheduled = false;
    int m_generation = 0;
};

} // namespace tolvane
