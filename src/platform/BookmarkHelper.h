#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvane {

// Persistent folder grants. On Linux a folder needs no grant, so a grant is simply the folder's
// path as UTF-8 bytes; resolving fails when the folder is gone. Diagnostics go to standard output.
namespace BookmarkHelper {

std::optional<QByteArray> createBookmark(const QString& folder);
std::optional<QString> resolveBookmark(const QByteArray& bookmark);
// Access needs no starting or stopping here; both always succeed.
inline bool startAccessing(const QString&) {
    return true;
}
inline void stopAccessing(const QString&) {}

} // namespace BookmarkHelper
} // namespace tolvane
