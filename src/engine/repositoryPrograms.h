#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tolvane {

// Settings that keep a read-only query from starting the programs a repository's own
// configuration names, and the files whose change may name new ones.
struct RepositoryProgramOverrides {
    QList<QPair<QString, QString>> settings;
    // Configuration files read for the repository's own scopes, and the files they include.
    QStringList configurationFiles;
    friend bool operator==(const RepositoryProgramOverrides&,
                           const RepositoryProgramOverrides&) = default;
};

// Reads the output of `git config --show-scope --show-origin -z --get-regexp
// '^(filter|include|includeif)\.'` run in `repoPath`. Every filter driver that the repository's
// local or worktree configuration touches gets its clean, smudge and process commands back as the
// user's own configuration has them (empty when it has none), and is never required, so that a
// large-file extension installed for the user still works. Pure.
RepositoryProgramOverrides parseRepositoryProgramOverrides(const QByteArray& listing,
                                                           const QString& repoPath);

// A folder of our own that holds no hooks, for core.hooksPath; made once per process, readable by
// the user alone. Empty when it could not be made.
QString emptyHooksFolder();

// The settings above for `repoPath`, and core.hooksPath pointed at the empty folder. Asks git
// once and again only when one of the configuration files changed. Blocks: call it on a worker.
QList<QPair<QString, QString>> readOnlyProgramOverrides(const QString& gitExecutable,
                                                        const QString& repoPath,
                                                        const QProcessEnvironment& environment);

} // namespace tolvane
