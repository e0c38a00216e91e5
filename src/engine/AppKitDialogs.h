#pragma once

#include <QString>
#include <optional>

namespace tolvane {

// Checks shared by every dialog that asks for a branch or tag name. Pure: no git, no state.
class AppKitDialogs {
public:
    // The message of the first rule the name (trimmed of spaces and tabs) breaks, or nothing
    // when it is acceptable. git may still refuse a name that passes.
    static std::optional<QString> validateRefName(const QString& name);
};

} // namespace tolvane
