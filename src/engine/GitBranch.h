#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>

namespace tolvane {

// A local or remote-tracking branch. Every parse makes a new id, so the same branch from two
// refreshes compares unequal; recognise a branch across refreshes by name and isRemote.
struct GitBranch {
    QUuid id;
    QString name;
    bool isCurrent = false;
    bool isRemote = false;

    static GitBranch make(const QString& name, bool isCurrent, bool isRemote) {
        return GitBranch{QUuid::createUuid(), name, isCurrent, isRemote};
    }

    friend bool operator==(const GitBranch&, const GitBranch&) = default;
};

inline size_t qHash(const GitBranch& b, size_t seed = 0) {
    return qHashMulti(seed, b.id, b.name, b.isCurrent, b.isRemote);
}

} // namespace tolvane
