#include "engine/pathNames.h"

namespace tolvane {

QString lastPathComponent(const QString& path) {
    return path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
}

} // namespace tolvane
