#pragma once

#include "diff/DiffLineType.h"

#include <QString>
#include <QUuid>

namespace tolvane {

// One selectable (added or removed) line of a hunk. Ids are fresh on every build, so a set of
// selected ids is only meaningful against the infos it was made from.
struct DiffLineInfo {
    QUuid id;
    int lineIndex = 0; // index into the hunk's `lines`, so at least 1
    QString rawLine;   // with its leading '+' or '-'
    DiffLineType lineType = DiffLineType::Addition;
    QString content; // rawLine without its first character

    friend bool operator==(const DiffLineInfo&, const DiffLineInfo&) = default;
};

} // namespace tolvane
