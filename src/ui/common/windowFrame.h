#pragma once

#include <QByteArray>

class QWidget;

namespace tolvane {

// Puts a window back where the user left it (`savedGeometry` from saveGeometry), or centres it
// on the primary screen at its current size when nothing usable was saved.
void restoreWindowFrame(QWidget* window, const QByteArray& savedGeometry);

// Escape and Ctrl+W close the window, as they close every secondary window here.
void closeOnEscape(QWidget* window);

} // namespace tolvane
