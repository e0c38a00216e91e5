#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace tolvane {

// The keys that decide whether and how git signs commits, for `git config -z --get-regexp`.
QString signingConfigurationPattern();

// Reads `git config -z --get-regexp` output into key → last value (keys in lower case, as git
// prints them). Pure.
[[nodiscard]] QHash<QString, QString> parseConfigListing(const QByteArray& listing);

// One sentence on how git signs commits with this configuration: "Commits are signed with SSH
// key …", "Commits are not signed". Pure.
[[nodiscard]] QString describeSigning(const QHash<QString, QString>& configuration);

} // namespace tolvane
