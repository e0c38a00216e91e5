#pragma once

#include "diff/DiffHunk.h"

#include <QList>
#include <QStringList>

namespace tolvane {

// The diff of one file: every line before the first hunk header, then the hunks in file order.
struct ParsedFileDiff {
    QStringList headerLines;
    QList<DiffHunk> hunks;

    friend bool operator==(const ParsedFileDiff&, const ParsedFileDiff&) = default;
};

} // namespace tolvane
