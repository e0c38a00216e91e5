#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>

namespace tolvane {

// A local or remote-tracking branch. Every parse makes a new id, so the same branch from two
// refreshes compares unequal; recognise a branch across refreshes by name and isRemote.
// A detached HEAD is listed among the local entries as the current one, with isDetached set and
// git's description ("HEAD detached at 1a2b3c4") as its name: it is no branch, and nothing may
// check it out, merge or delete it by that name.
struct GitBranch {
    QUuid id;
    QString name;
    bool isCurrent = false;
    bool isRemote = false;
    bool isDetached = false;

    static GitBranch make(const QString& name, bool isCurrent, bool isRemote,
                          bool isDetached = false) {
        return GitBranch{QUuid::createUuid(), name, isCurrent, isRemote, isDetached};
    }

    friend bool operator==(const GitBranch&, const GitBranch&) = default;
};

inline size_t qHash(const GitBranch& b, size_t seed = 0) {
    return qHashMulti(seed, b.id, b.name, b.isCurrent, b.isRemote, b.isDetached);
}

} // namespace tolvane
