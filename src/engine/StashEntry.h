#pragma once

#include <QHashFunctions>
#include <QString>

namespace tolvane {

// stash@{index} with its subject line, its commit and when it was made. The branch is read from
// git's subject ("On main: ..." or "WIP on main: ..."); empty when the subject names none.
struct StashEntry {
    int index = 0;
    QString message;
    QString hash = {};
    qint64 time = 0; // seconds since the epoch
    QString branch = {};

    friend bool operator==(const StashEntry&, const StashEntry&) = default;
};

inline size_t qHash(const StashEntry& s, size_t seed = 0) {
    return qHashMulti(seed, s.index, s.message, s.hash, s.time, s.branch);
}

} // namespace tolvane
