#pragma once

#include <QString>
#include <QStringList>

namespace tolvane {

// What the user asked to clone, and how.
struct CloneRequest {
    // An https://, ssh://, git:// or file:// address, "user@host:path", or a local path.
    QString address;
    // The folder the clone goes into, and the name of the new folder inside it.
    QString parentFolder;
    QString folderName;
    bool submodules = true;
    // A blobless partial clone: file contents are fetched when first needed.
    bool blobless = false;
    // A cone-mode sparse checkout of folders picked from the top-level tree.
    bool sparse = false;
    // Only the newest commit (depth 1).
    bool latestOnly = false;

    friend bool operator==(const CloneRequest&, const CloneRequest&) = default;
};

// The folder name git would choose for an address: its last part without ".git" or ".bundle";
// empty when the address has none.
QString folderNameForAddress(const QString& address);

// Whether copied text is a remote address worth offering: a URL git clones from or the
// "user@host:path" form; one line, no spaces.
bool looksLikeCloneAddress(const QString& text);

// Whether the address names a folder on this machine rather than a remote.
bool isLocalAddress(const QString& address);

// The address as git should get it: a local path becomes a file:// URL when the clone is
// shallow or partial, because git ignores both for a plain path.
QString cloneSource(const CloneRequest& request);

// The `git clone` arguments, run in the parent folder.
QStringList cloneArguments(const CloneRequest& request);

// One line that says what went wrong and what to do for the failures a clone meets; git's own
// message when it is none of them.
QString cloneFailureSummary(const QString& gitMessage, const QString& folderName);

} // namespace tolvane
