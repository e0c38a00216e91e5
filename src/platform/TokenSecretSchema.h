#pragma once

#include <libsecret/secret.h>

namespace tolvane {

// The one stored item: service = the application id, account = "github-token".
const SecretSchema* tokenSecretSchema();
inline constexpr const char* tokenService = "org.tolvane.Tolvane";
inline constexpr const char* tokenAccount = "github-token";

} // namespace tolvane
