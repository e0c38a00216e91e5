#pragma once

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QString>

namespace tolvane {

class RepositoryState;

// Keeps the commit message of one repository until a commit succeeds: across a failed commit
// and a restart of the program. An empty box is filled from the repository's or the user's
// commit.template, cleaned up as commit.cleanup says.
class CommitMessageMemory : public QObject {
    Q_OBJECT
public:
    explicit CommitMessageMemory(RepositoryState& state);

    // Fills the box from the template when it is empty; reads git's configuration and the file
    // on a worker.
    QCoro::Task<> fillFromTemplate();

    // The names used in the staged diff, which spelling leaves alone; read again on request
    // (the staged files changed), on a worker.
    const QSet<QString>& stagedIdentifiers() const { return m_stagedIdentifiers; }
    QCoro::Task<> loadStagedIdentifiers();

Q_SIGNALS:
    void stagedIdentifiersChanged();

private:
    RepositoryState& m_state;
    // The template text last put in the box.
    QString m_filled;
    QSet<QString> m_stagedIdentifiers;
};

} // namespace tolvane
