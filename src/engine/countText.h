#pragma once

#include <QString>

namespace tolvane {

// A count with its noun in the right number: "1 file", "0 files", "2 files".
inline QString countText(qsizetype count, const QString& one, const QString& many) {
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace tolvane
