#pragma once

#include <QString>
#include <optional>

namespace tolvane {

namespace TrashHelper {

// Moves the item to the desktop's Trash; returns the reason when it could not.
std::optional<QString> moveToTrash(const QString& absolutePath);

} // namespace TrashHelper
} // namespace tolvane
