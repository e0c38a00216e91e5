#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

// The author git records on commits: user.name and user.email, written to this repository's
// configuration or, when `global`, to the user's own for every repository.
struct GitIdentity {
    QString name;
    QString email;
    bool global = false;

    friend bool operator==(const GitIdentity&, const GitIdentity&) = default;
};

// Asks for the identity, starting from `suggested` (what git knows so far); none when cancelled.
using IdentityPromptCallback = std::function<std::optional<GitIdentity>(const GitIdentity&)>;

// Whether git's message says it refused because it knows no author or committer. git prints
// these in English only when told to, so callers ask with English output.
bool isMissingIdentityMessage(const QString& message);

} // namespace tolvane
