#pragma once

#include <QString>

namespace tolvane {

// The last component of a slash-separated path: "b" for "a/b", "b" for "/a/b/" (a trailing slash
// names the folder before it), the whole path when it has no slash, and empty for "/" or "".
QString lastPathComponent(const QString& path);

} // namespace tolvane
