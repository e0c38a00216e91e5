#pragma once

#include "engine/GitBlameLine.h"

#include <QList>
#include <QString>

namespace tolvane {

// A run of consecutive blamed lines that the same commit last changed.
struct BlameGroup {
    QString id; // the first line's commit hash, "-", and its line number
    QString commitHash;
    QString author;
    QString date;
    QList<GitBlameLine> lines;
};

// Groups consecutive lines by commit, in file order; a commit owning two separate stretches of the
// file gives two groups. Linear in the number of lines.
QList<BlameGroup> blameGroups(const QList<GitBlameLine>& lines);

} // namespace tolvane
