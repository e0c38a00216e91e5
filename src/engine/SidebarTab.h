#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tolvane {

enum class SidebarTab { Changes, Branches, Trees, Tags };

inline constexpr std::array allSidebarTabs{SidebarTab::Changes, SidebarTab::Branches,
                                           SidebarTab::Trees, SidebarTab::Tags};

// The pane's title in the sidebar picker: "Changes", "Branches", "Trees", "Tags".
QString sidebarTabText(SidebarTab tab);
std::optional<SidebarTab> sidebarTabFromText(const QString& text);

} // namespace tolvane
