#pragma once

#include <QHashFunctions>
#include <QString>

namespace tolvane {

// One file changed by a commit: git's one-letter status and the path, or "old → new" for a
// rename or copy.
struct CommitFileEntry {
    QString status;
    QString path;

    friend bool operator==(const CommitFileEntry&, const CommitFileEntry&) = default;
};

inline size_t qHash(const CommitFileEntry& e, size_t seed = 0) {
    return qHashMulti(seed, e.status, e.path);
}

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::CommitFileEntry, Q_RELOCATABLE_TYPE);
