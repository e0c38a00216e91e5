#pragma once

#include <QString>

namespace tolvane {

// True when `git diff --numstat` output starts with the "-\t-\t" counts git prints for a binary
// file.
bool numstatShowsBinary(const QString& output);

} // namespace tolvane
