#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace tolvane {

// Facts about one working-tree file, read from the file system when it is shown. The digest is
// not among them: it takes a while and is computed apart (see sha256OfFile).
struct FileInfo {
    QString path;     // relative to the repository root, as passed in
    QString filename; // its last component
    qint64 fileSize = 0;
    std::optional<QDateTime> modified;
    std::optional<QDateTime> created;  // only where the file system records it
    std::optional<QString> comment;    // the desktop's file comment (user.xdg.comment)
    std::optional<QString> linkTarget; // set for a symbolic link: what it says
    // The link leads out of the repository, so its contents are neither hashed nor shown.
    bool leadsOutside = false;

    friend bool operator==(const FileInfo&, const FileInfo&) = default;

    // A medium date with a medium time in the user's locale; "—" when absent.
    static QString formatDate(const std::optional<QDateTime>& date);
};

} // namespace tolvane
