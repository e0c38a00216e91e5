#pragma once

#include <QString>
#include <optional>

namespace tolvane {

// The GitHub token in the desktop's secret store (Secret Service through libsecret). Each call is
// synchronous, prints exactly one outcome line to standard output (delete prints a second one from
// its verifying read), and never throws. Safe to call from any thread.
namespace KeychainHelper {

// Status values as printed: 0 for success, itemNotFound when nothing matched, otherwise the
// secret store's own error code.
inline constexpr int itemNotFound = -25300;

bool saveToken(const QString& token);
std::optional<QString> getToken();
bool deleteToken();

} // namespace KeychainHelper
} // namespace tolvane
