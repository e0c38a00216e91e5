#pragma once

#include "engine/GitBlameLine.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tolvane {

// Lines of `git blame --porcelain`. Author and date appear only at a commit's first header, so
// later lines of that commit take them from what was seen before. Malformed lines are skipped.
QList<GitBlameLine> parseBlame(const QString& output);

// The same from git's own bytes, decoding only what the lines keep (losslessly, see gitText.h).
QList<GitBlameLine> parseBlameBytes(QByteArrayView output);

// An author time as blame shows it: the short date of the user's locale in the local time zone,
// without the time. Text that is not a number counts as 0 (1 January 1970).
QString blameDate(QStringView secondsSinceEpoch);

} // namespace tolvane
