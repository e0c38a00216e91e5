#pragma once

#include <QByteArray>
#include <QString>

namespace tolvane {

// Where a working-tree path really leads. Paths are kept as the file system's bytes, since a file
// name need not be UTF-8 (the relative path carries such bytes escaped, see engine/gitText.h).
struct RepositoryFile {
    QByteArray path;        // the repository root joined with the relative path
    bool exists = false;    // something is there, even a dangling link
    bool isSymLink = false; // the path itself is a symbolic link
    QString linkTarget;     // what the link says, for people to read
    QByteArray resolved;    // the canonical path it names; empty when it names nothing
    // `resolved` lies within the repository's canonical root. False for a link, or a path through
    // a linked folder, that leads elsewhere: nothing there is read.
    bool insideRepository = false;

    // Where the path leads, for people to read: the link's text, else the canonical path.
    QString pointsTo() const;
};

RepositoryFile locateRepositoryFile(const QString& repositoryRoot, const QString& relativePath);

} // namespace tolvane
