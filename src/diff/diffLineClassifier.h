#pragma once

#include "diff/DiffLine.h"

#include <QList>
#include <QString>

namespace tolvane {

// Classifies any diff text into display lines with old and new line numbers, for the plain diff
// view. Line numbers start from the numbers of the most recent hunk header. Pure apart from the
// fresh line ids.
[[nodiscard]] QList<DiffLine> parseDiffLines(const QString& text);

} // namespace tolvane
