#pragma once

#include <QString>

class QWidget;

namespace tolvane {

// The secondary-coloured line centred in an empty sidebar list ("No tags", "No worktrees").
QWidget* makeSidebarPlaceholder(const QString& text, const QString& objectName, QWidget* parent);

} // namespace tolvane
