#pragma once

#include "engine/GitService.h"
#include "engine/submoduleParser.h"
#include "state/ObservableField.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tolvane {

class RepositoryState;

// The submodules of one repository, read with every refresh, and updating them. When an
// operation (a checkout, pull, merge, reset, stash apply) moved a submodule's recorded commit and
// left the submodule behind, it updates them, asks first, or leaves them as the user's setting
// says. Owned by the repository state.
class SubmodulesState : public QObject {
    Q_OBJECT
    TOLVANE_FIELD(QList<GitSubmodule>, submodules, setSubmodules)
    // The question whether to update the submodules whose recorded commit just moved.
    TOLVANE_FIELD(bool, showUpdatePrompt, setShowUpdatePrompt)
    TOLVANE_FIELD(QStringList, movedSubmodules, setMovedSubmodules)

public:
    explicit SubmodulesState(RepositoryState& repository);

    // Reads every submodule's state through `git`; a refresh calls it before it lists changes.
    QCoro::Task<> load(GitService git);
    bool isSubmodule(const QString& path) const;
    QString absolutePath(const QString& path) const;

    // `submodule update --init --recursive` (a network command: it may clone or fetch).
    QCoro::Task<> update(QString path);
    QCoro::Task<> updateAll();
    QCoro::Task<> confirmUpdateMoved();
    void declineUpdateMoved();
    void revealInFileManager(const QString& path) const;
    // Asks whoever holds the tabs to open the submodule as a repository of its own.
    void openAsTab(const QString& path) { Q_EMIT openRepositoryRequested(absolutePath(path)); }

Q_SIGNALS:
    void openRepositoryRequested(const QString& path);
    void submodulesChanged();
    void showUpdatePromptChanged();
    void movedSubmodulesChanged();

private:
    QCoro::Task<> updatePaths(QStringList paths);

    RepositoryState* m_repository;
    // The recorded commit of each submodule as last read, and the commit a submodule was left
    // at when an operation moved its pointer away (out of date while it stays there).
    QHash<QString, QString> m_lastRecorded;
    QHash<QString, QString> m_leftBehind;
    bool m_loaded = false;
    QString m_lastError;
};

} // namespace tolvane
