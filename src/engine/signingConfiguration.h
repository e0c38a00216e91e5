#pragma once

#include "engine/configListing.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace tolvane {

// The keys that decide whether and how git signs commits, for `git config -z --get-regexp`.
QString signingConfigurationPattern();

// One sentence on how git signs commits with this configuration: "Commits are signed with SSH
// key …", "Commits are not signed". Pure.
[[nodiscard]] QString describeSigning(const QHash<QString, QString>& configuration);

} // namespace tolvane
