#pragma once

#include <QHashFunctions>
#include <QString>

namespace tolvane {

struct GitWorktree {
    QString id; // equal to path
    QString path;
    QString branch; // without refs/heads/; empty when detached or bare
    QString commitHash;
    bool isMain = false;
    bool isDetached = false;

    friend bool operator==(const GitWorktree&, const GitWorktree&) = default;
};

inline size_t qHash(const GitWorktree& w, size_t seed = 0) {
    return qHashMulti(seed, w.id, w.path, w.branch, w.commitHash, w.isMain, w.isDetached);
}

} // namespace tolvane
