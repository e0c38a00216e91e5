#pragma once

#include <QHashFunctions>

namespace tolvane {

// The kind of a diff line, for display classification and for selectable hunk lines.
enum class DiffLineType { FileHeader, HunkHeader, Addition, Deletion, Context };

inline size_t qHash(DiffLineType type, size_t seed = 0) {
    return ::qHash(static_cast<int>(type), seed);
}

} // namespace tolvane
