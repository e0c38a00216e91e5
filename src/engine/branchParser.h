#pragma once

#include "engine/GitBranch.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tolvane {

// Lines of `git branch --format=%(refname:short) %(HEAD)`: a name, a space and "*" for the
// checked-out branch or a space for the others. A detached HEAD comes as git's description in
// parentheses; it gives an entry with isDetached set and the description without them as name.
QList<GitBranch> parseLocalBranches(const QString& output);

// Lines of `git branch -r --format=%(refname:short)`; the remote's symbolic "…/HEAD" entry is
// dropped.
QList<GitBranch> parseRemoteBranches(const QString& output);

// The same from git's own bytes, decoding only the names (losslessly, see gitText.h). Every
// parse makes new ids, so results equal those of the text parsers in all but the ids.
QList<GitBranch> parseLocalBranchesBytes(QByteArrayView output);
QList<GitBranch> parseRemoteBranchesBytes(QByteArrayView output);

} // namespace tolvane
