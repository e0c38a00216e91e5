#pragma once

#include "engine/ChangeStatus.h"

#include <QHashFunctions>
#include <QString>
#include <optional>

namespace tolvane {

// One changed path in one area (staged or unstaged). A path changed in both areas is two values.
struct FileChange {
    ChangeStatus status = ChangeStatus::Modified;
    QString path;
    bool isStaged = false;
    std::optional<QString> oldPath; // source of a rename or copy, staged entries only

    // path + ":true" for the staged entry, path + ":false" for the unstaged one.
    QString id() const {
        return path + (isStaged ? QStringLiteral(":true") : QStringLiteral(":false"));
    }

    friend bool operator==(const FileChange&, const FileChange&) = default;
};

inline size_t qHash(const FileChange& f, size_t seed = 0) {
    return qHashMulti(seed, int(f.status), f.path, f.isStaged, f.oldPath.value_or(QString()),
                      f.oldPath.has_value());
}

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::FileChange, Q_RELOCATABLE_TYPE);
