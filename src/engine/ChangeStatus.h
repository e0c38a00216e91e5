#pragma once

#include <QString>
#include <optional>

namespace tolvane {

enum class ChangeStatus {
    Modified,
    Added,
    Deleted,
    Renamed,
    Untracked,
    Copied,
    Unmodified,
    Conflict
};

// The one-character text of each case: "M", "A", "D", "R", "?", "C", " ", "U".
QString changeStatusText(ChangeStatus status);
// Accepts exactly the eight texts above.
std::optional<ChangeStatus> changeStatusFromText(const QString& text);

} // namespace tolvane
