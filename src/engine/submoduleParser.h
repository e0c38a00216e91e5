#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace tolvane {

// One line of `git submodule status`: the mark ('-' not initialized, '+' another commit checked
// out than the recorded one, 'U' conflicted, ' ' matching), the commit shown and the path.
struct SubmoduleStatusLine {
    QChar mark;
    QString commit;
    QString path;

    friend bool operator==(const SubmoduleStatusLine&, const SubmoduleStatusLine&) = default;
};

// Lines of `git submodule status` (with or without --cached); the "(describe)" that follows a
// path is dropped.
QList<SubmoduleStatusLine> parseSubmoduleStatus(const QString& output);

// What the superproject's status says about a submodule that shows in it.
struct SubmoduleChange {
    // The superproject's index records another commit than its HEAD does.
    bool pointerStaged = false;
    // The submodule has another commit checked out than the index records.
    bool commitChanged = false;
    // Tracked files inside the submodule are changed.
    bool modifiedInside = false;

    friend bool operator==(const SubmoduleChange&, const SubmoduleChange&) = default;
};

// The submodule entries of `git status --porcelain=v2 -z`, by path; other entries are ignored.
QHash<QString, SubmoduleChange> parseSubmoduleChanges(const QByteArray& output);

enum class SubmoduleState {
    NotInitialized,
    UpToDate,
    // The superproject records a commit the submodule has not checked out (after a checkout or
    // pull that moved the pointer): Update brings it there.
    OutOfDate,
    // Files inside the submodule are changed.
    ModifiedInside,
    // The submodule has moved on to a commit of its own, or a new commit is staged as the
    // pointer: a change the superproject can commit.
    NewCommit
};

struct GitSubmodule {
    QString path;
    // The commit the superproject's index records, and the one checked out (empty when the
    // submodule is not initialized).
    QString recordedCommit;
    QString checkedOutCommit;
    SubmoduleState state = SubmoduleState::NotInitialized;
    bool pointerStaged = false;

    friend bool operator==(const GitSubmodule&, const GitSubmodule&) = default;
};

// Puts one submodule's facts together. `checkedOutBehind`: the checked-out commit is an ancestor
// of the recorded one (or the recorded one is not there yet); asked only when they differ.
GitSubmodule makeSubmodule(const SubmoduleStatusLine& checkedOut, const QString& recordedCommit,
                           const SubmoduleChange& change, bool checkedOutBehind);

// "Not initialized", "Up to date", "Out of date", "Modified inside", "New commit recorded" (the
// pointer is staged) or "New commit checked out".
QString submoduleStateText(const GitSubmodule& submodule);

} // namespace tolvane
