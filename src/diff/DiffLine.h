#pragma once

#include "diff/DiffLineType.h"
#include "diff/inlineChanges.h"

#include <QString>
#include <QUuid>
#include <optional>

namespace tolvane {

// One display line of the plain diff view, with its line numbers in the old and new file.
struct DiffLine {
    QUuid id;
    DiffLineType type = DiffLineType::Context;
    QString content;
    std::optional<qint64> oldNum;
    std::optional<qint64> newNum;
    QList<InlineRange> changes; // changed words of a paired removed or added line

    friend bool operator==(const DiffLine&, const DiffLine&) = default;
};

} // namespace tolvane
