#pragma once

#include <QStringList>

namespace tolvane {

namespace FileManagerHelper {

// Shows the items selected in the desktop's file manager (FileManager1 over D-Bus); when no file
// manager answers, opens the folder of the first item instead. Returns at once.
void revealItems(const QStringList& absolutePaths);

} // namespace FileManagerHelper
} // namespace tolvane
