#include "engine/ChangeStatus.h"

#include <array>

namespace tolvane {
namespace {

constexpr std::array allStatuses{ChangeStatus::Modified,   ChangeStatus::Added,
                                 ChangeStatus::Deleted,    ChangeStatus::Renamed,
                                 ChangeStatus::Untracked,  ChangeStatus::Copied,
                                 ChangeStatus::Unmodified, ChangeStatus::Conflict};

} // namespace

QString changeStatusText(ChangeStatus status) {
    switch (status) {
    case ChangeStatus::Modified:
        return QStringLiteral("M");
    case ChangeStatus::Added:
        return QStringLiteral("A");
    case ChangeStatus::Deleted:
        return QStringLiteral("D");
    case ChangeStatus::Renamed:
        return QStringLiteral("R");
    case ChangeStatus::Untracked:
        return QStringLiteral("?");
    case ChangeStatus::Copied:
        return QStringLiteral("C");
    case ChangeStatus::Unmodified:
        return QStringLiteral(" ");
    case ChangeStatus::Conflict:
        return QStringLiteral("U");
    }
    return {};
}

std::optional<ChangeStatus> changeStatusFromText(const QString& text) {
    for (const ChangeStatus status : allStatuses) {
        if (changeStatusText(status) == text)
            return status;
    }
    return std::nullopt;
}

} // namespace tolvane
