#pragma once

#include "engine/GitService.h"
#include "log/LogLevel.h"
#include "state/journalRules.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

// The journal of operations that moved refs, the index or the stash list, kept in the
// repository's git folder, and their undo and redo. Each entry's old and new objects stay
// reachable through refs under refs/tolvane/undo/ so that garbage collection keeps them.
//
// An operation records itself in two calls around its git steps:
//     const UndoJournal::Ticket ticket = co_await journal->begin(QStringLiteral("Rebase"));
//     ... run the operation ...
//     co_await UndoJournal::finish(std::move(ticket));
// finish records nothing when nothing moved (a failed or cancelled operation), and records even
// when the journal's tab closed meanwhile.
class UndoJournal : public QObject {
    Q_OBJECT

public:
    // The git of the working tree that operations act on now.
    using GitSource = std::function<GitService()>;
    explicit UndoJournal(GitSource git, QObject* parent = nullptr);

    struct Ticket {
        QString description;
        GitService git;
        std::optional<RepositorySnapshot> before;
        QPointer<UndoJournal> journal;
    };
    QCoro::Task<Ticket> begin(QString description);
    static QCoro::Task<> finish(Ticket ticket);

    // Oldest first, as stored.
    const QList<JournalEntry>& entries() const { return m_entries; }
    // "Undo Commit", "Redo Delete Branch 'x'"; empty when there is nothing to undo or redo.
    QString undoTitle() const;
    QString redoTitle() const;
    bool isBusy() const { return m_busy; }
    // Why the last undo or redo refused or failed; empty after one that succeeded.
    const QString& lastFailure() const { return m_lastFailure; }

    // Reads the journal of the current working tree again.
    QCoro::Task<> load();
    // Each says why when it refuses or fails; true when the repository moved. An undo whose
    // caller tells of its success itself passes `reportSuccess` false.
    QCoro::Task<bool> undo(bool reportSuccess = true);
    QCoro::Task<bool> redo();
    // Undoes every operation from the newest back to and including `entryId`, stopping at the
    // first that cannot be undone.
    QCoro::Task<bool> undoTo(QString entryId);

    // The snapshot an operation's entry records (public for tests, which compare states).
    static QCoro::Task<std::optional<RepositorySnapshot>> readSnapshot(GitService git);

Q_SIGNALS:
    void entriesChanged();
    void busyChanged();
    void reported(const QString& message, LogLevel level);
    // Undo or redo changed the repository: it wants a refresh.
    void repositoryMoved();
    // Recording wrote to the git folder (our refs, the index's cached tree): nothing the user
    // needs to see refreshed.
    void recorded();

private:
    static QCoro::Task<std::optional<QString>> journalPath(GitService git);
    static QCoro::Task<std::optional<QList<JournalEntry>>> readEntries(GitService git);
    static QCoro::Task<std::optional<QString>> writeEntries(GitService git,
                                                            QList<JournalEntry> entries);
    // Every path the move changes, with what it holds now.
    static QCoro::Task<std::optional<QList<PathState>>> readPathStates(GitService git,
                                                                       SnapshotMove plan);
    // Brings the repository from `from` to `to`; the failure's text when it did not.
    QCoro::Task<std::optional<QString>> move(GitService git, RepositorySnapshot from,
                                             RepositorySnapshot to);
    QCoro::Task<bool> step(bool undoing, qsizetype index, bool reportSuccess = true);
    void setBusy(bool busy);

    GitSource m_gitSource;
    QList<JournalEntry> m_entries;
    bool m_busy = false;
    QString m_lastFailure;
};

} // namespace tolvane
