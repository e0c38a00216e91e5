#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QProcessEnvironment>
#include <QStringList>

namespace tolvane {

// How much of the repository's and the user's configuration one git child may act on.
enum class GitAccess {
    // Queries run on their own (refresh, selection, blame): they take no optional lock, start
    // no program that a repository's configuration names and download nothing.
    ReadOnly,
    // Commands the user asked for: git runs its hooks and the user's tools as it always does.
    UserCommand,
};

// Whether an argument list only reads the repository, judged by its subcommand and options.
bool isReadOnlyQuery(const QStringList& arguments);

// Settings that keep what we parse the same whatever the user's global or system configuration
// says, as key and value pairs.
QList<QPair<QString, QString>> stableOutputSettings(GitAccess access);

// The environment of one git child: `base` with repository-locating and output-changing
// variables removed, and the settings above, then `repositorySettings`, appended to any
// GIT_CONFIG_COUNT it already holds.
QProcessEnvironment
gitChildEnvironment(QProcessEnvironment base, GitAccess access,
                    const QList<QPair<QString, QString>>& repositorySettings = {});

// Keeps git from reaching any remote, above all from downloading a partial clone's missing
// contents while it only answers a query; allowLazyFetching undoes it for a download the user
// asked for. Read-only children get the block from gitChildEnvironment.
void blockLazyFetching(QProcessEnvironment& environment);
void allowLazyFetching(QProcessEnvironment& environment);

// Extra variables for a command whose output is recognised by git's English wording (merge,
// push, revert, cherry-pick): LC_ALL is set to C.UTF-8, and LANGUAGE emptied, since gettext
// prefers it to LC_ALL whenever the locale is not plain "C".
QHash<QString, QString> englishOutputEnvironment();

} // namespace tolvane
