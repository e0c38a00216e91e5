#pragma once

#include <QString>

namespace tolvane {

// The age of `time` at `now` (both seconds since the epoch) in the words and with the rounding
// git uses for its relative dates: "45 seconds ago", "3 minutes ago", "5 hours ago",
// "2 weeks ago", "1 year, 2 months ago", "in the future". Computed when shown, so that a list
// left open keeps telling the truth.
[[nodiscard]] QString gitRelativeDate(qint64 time, qint64 now);

} // namespace tolvane
