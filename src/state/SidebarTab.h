#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tolvane {

// Submodules is offered only while the repository has any.
enum class SidebarTab { Changes, Branches, Trees, Tags, Stashes, Submodules };

inline constexpr std::array allSidebarTabs{SidebarTab::Changes, SidebarTab::Branches,
                                           SidebarTab::Trees, SidebarTab::Tags,
                                           SidebarTab::Stashes, SidebarTab::Submodules};

// The pane's title in the sidebar picker: "Changes", "Branches", "Trees", "Tags", "Stashes", "Submodules".
QString sidebarTabText(SidebarTab tab);
std::optional<SidebarTab> sidebarTabFromText(const QString& text);

} // namespace tolvane
