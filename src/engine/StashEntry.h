#pragma once

#include <QHashFunctions>
#include <QString>

namespace tolvane {

// stash@{index} and its subject line.
struct StashEntry {
    int index = 0;
    QString message;

    friend bool operator==(const StashEntry&, const StashEntry&) = default;
};

inline size_t qHash(const StashEntry& s, size_t seed = 0) {
    return qHashMulti(seed, s.index, s.message);
}

} // namespace tolvane
