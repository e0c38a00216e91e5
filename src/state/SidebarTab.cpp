#include "state/SidebarTab.h"

namespace tolvane {

QString sidebarTabText(SidebarTab tab) {
    switch (tab) {
    case SidebarTab::Changes:
        return QStringLiteral("Changes");
    case SidebarTab::Branches:
        return QStringLiteral("Branches");
    case SidebarTab::Trees:
        return QStringLiteral("Trees");
    case SidebarTab::Tags:
        return QStringLiteral("Tags");
    case SidebarTab::Stashes:
        return QStringLiteral("Stashes");
    case SidebarTab::Submodules:
        return QStringLiteral("Submodules");
    }
    return {};
}

std::optional<SidebarTab> sidebarTabFromText(const QString& text) {
    for (const SidebarTab tab : allSidebarTabs) {
        if (sidebarTabText(tab) == text)
            return tab;
    }
    return std::nullopt;
}

} // namespace tolvane
