#pragma once

#include "engine/GitBranch.h"

#include <QList>
#include <QString>

namespace tolvane {

// Lines of `git branch --format=%(refname:short) %(HEAD)`: a name, a space and "*" for the
// checked-out branch or a space for the others.
QList<GitBranch> parseLocalBranches(const QString& output);

// Lines of `git branch -r --format=%(refname:short)`; the remote's symbolic "…/HEAD" entry is
// dropped.
QList<GitBranch> parseRemoteBranches(const QString& output);

} // namespace tolvane
