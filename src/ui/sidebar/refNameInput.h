#pragma once

#include <QString>

namespace tolvane {

// The typed name with spaces (only spaces) removed at both ends.
QString trimSpaces(const QString& text);

} // namespace tolvane
