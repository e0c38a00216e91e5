#pragma once

#include "engine/GitCommit.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace tolvane {

// One place the blame view has shown: a file as one revision had it (the working tree when
// `revision` is empty), and the line it was scrolled to.
struct BlameStep {
    QString revision;
    QString path;
    int line = 1;

    friend bool operator==(const BlameStep&, const BlameStep&) = default;
};

// The full history as it was when a search or a file's history replaced it, so that closing
// those puts back the same rows and the same selection.
struct SavedHistory {
    QList<GitCommit> commits;
    int commitLimit = 0;
    bool hasMoreCommits = false;
    std::optional<GitCommit> selectedCommit;
    QSet<QString> selectedCommits;
    std::optional<GitCommit> anchor;
};

} // namespace tolvane
