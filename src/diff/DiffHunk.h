#pragma once

#include "diff/inlineChanges.h"

#include <QHashFunctions>
#include <QString>
#include <QStringList>

namespace tolvane {

// One hunk of a file's diff. `lines` holds the header line itself as element 0, so indexes of
// body lines start at 1; line selections and the patch builder rely on that.
struct DiffHunk {
    int id = 0; // position within its parse; a new parse of a changed diff reuses the numbers
    QString header;
    QStringList lines;
    int addedCount = 0;
    int removedCount = 0;
    // Changed words of paired removed and added lines, derived from `lines` when parsed.
    QList<InlineLineChanges> inlineChanges;

    friend bool operator==(const DiffHunk&, const DiffHunk&) = default;
};

inline size_t qHash(const DiffHunk& h, size_t seed = 0) {
    return qHashMulti(seed, h.id, h.header, h.lines, h.addedCount, h.removedCount);
}

} // namespace tolvane
