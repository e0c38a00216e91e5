#pragma once

#include "diff/DiffLineType.h"
#include "engine/ChangeStatus.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tolvane {

// The sentences a screen reader speaks for the rows of painted lists. Each list's model answers
// Qt::AccessibleTextRole with one of these, so that the list exposes a row item with its text.

// "a", "a and b", "a, b and c".
QString spokenList(const QStringList& items);

// "Fix parser, by Ana Pérez, 3 days ago, commit 1a2b3c4, branches main and origin/main".
// `refs` are badge labels as drawn: "HEAD" is left out, "tag: v1" counts as a tag.
QString commitRowSentence(const QString& subject, const QString& author, const QString& when,
                          const QString& shortHash, const QStringList& refs);

// "src/main.cpp, modified, staged".
QString fileRowSentence(const QString& path, ChangeStatus status, bool staged);

// "added line 42: text"; headers read as they are shown.
QString diffLineSentence(DiffLineType type, int lineNumber, const QString& content);

// "lines 10 to 24, commit 1a2b3c4, by Ana Pérez, 3 days ago" ("line 10" for one line).
QString blameGroupSentence(int firstLine, int lastLine, const QString& shortHash,
                           const QString& author, const QString& when);

// The word for a change status: "modified", "added", "untracked", "conflicted"...
QString statusWord(ChangeStatus status);

// Gives every button of `root` that shows no text the name its tooltip gives it ("Refresh
// (Ctrl+R)" names it "Refresh"), unless it was named already. Installed once for the whole
// application by installAccessibleNames(), which also names buttons made later.
void nameIconButtons(QWidget* root);
void installAccessibleNames();

} // namespace tolvane
