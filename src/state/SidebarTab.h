#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tolvane {

enum class SidebarTab { Changes, Branches, Trees, Tags, Stashes };

inline constexpr std::array allSidebarTabs{SidebarTab::Changes, SidebarTab::Branches,
                                           SidebarTab::Trees, SidebarTab::Tags,
                                           SidebarTab::Stashes};

// The pane's title in the sidebar picker: "Changes", "Branches", "Trees", "Tags", "Stashes".
QString sidebarTabText(SidebarTab tab);
std::optional<SidebarTab> sidebarTabFromText(const QString& text);

} // namespace tolvane
