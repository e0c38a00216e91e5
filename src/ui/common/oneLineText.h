#pragma once

#include <QString>
#include <QStringView>

namespace tolvane {

// A name or message for a place that holds one line (a row, a header, a tab): as displayText,
// and line feeds and carriage returns, which are legal in file names, show as the arrows ↵ and
// ← instead of breaking the line out of its row. (The control pictures ␊ and ␍ are missing
// from the fonts most desktops fall back on.)
QString oneLineText(QStringView text);

// Marks carriage returns in a line of a diff as ←, one character for one, so that columns keep
// their places and a change of line ending alone is seen.
QString withVisibleCarriageReturns(QString text);

} // namespace tolvane
