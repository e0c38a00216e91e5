#pragma once

#include "auxiliary/FileInfo.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <optional>

namespace tolvane {

// The facts of `relativePath` under `repositoryRoot`; none when nothing is there. A symbolic link
// is described as itself (its own size and dates), with what it says.
std::optional<FileInfo> readFileInfo(const QString& repositoryRoot, const QString& relativePath);

// The comment the desktop stores with a file (the extended attribute user.xdg.comment, UTF-8);
// none when absent or empty.
std::optional<QString> readFileComment(const QByteArray& path);

// Lower-case hexadecimal SHA-256 of a regular file's contents, read in fixed-size chunks so that
// memory stays flat whatever the size. None when it is not a regular file, cannot be read, or
// `cancelled` turned true meanwhile. `path` is canonical (see contentPath): a symbolic link found
// in its place is not followed. Blocking: call it off the interface thread.
std::optional<QString> sha256OfFile(const QByteArray& path,
                                    const std::atomic_bool* cancelled = nullptr);

// The path whose contents stand for `relativePath` (following links that stay inside the
// repository); none when it leads outside or to nothing.
std::optional<QByteArray> contentPath(const QString& repositoryRoot, const QString& relativePath);

} // namespace tolvane
