#pragma once

#include <QPalette>
#include <optional>

namespace tolvane {

// Whether the desktop is in dark mode. Asks the desktop portal's appearance setting first and
// falls back to the lightness of a palette's window colour.
class ColorSchemeHelper {
public:
    // Short enough that a missing or stuck portal never freezes the window for long.
    static constexpr int portalTimeoutMs = 300;

    // True for "prefer dark", false for "prefer light", none when the portal is absent, does not
    // answer in time or has no preference.
    [[nodiscard]] static std::optional<bool> portalPrefersDark(int timeoutMs = portalTimeoutMs);

    // A window colour darker than mid-grey means a dark palette.
    [[nodiscard]] static bool paletteIsDark(const QPalette& palette);

    // The portal's answer, or the given (platform) palette when the portal gives none.
    [[nodiscard]] static bool systemIsDark(const QPalette& platformPalette);
};

} // namespace tolvane
