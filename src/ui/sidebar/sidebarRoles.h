#pragma once

#include <Qt>

namespace tolvane::SidebarRoles {

// Item roles the sidebar row delegate paints from.
enum Role {
    Heading = Qt::UserRole + 1, // bool: the row is a section heading
    Symbol,                     // QString: symbol name of the row's icon
    SymbolColor,                // QColor: tint of the icon; the secondary colour when absent
    Emphasis,                   // bool: semibold name
    Trailing,                   // QString: short text at the row's end (a branch's "↑2 ↓1")
};

} // namespace tolvane::SidebarRoles
