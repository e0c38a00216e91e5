#pragma once

#include <QString>

class QWidget;

namespace tolvane {

// A centred empty state: a large secondary-coloured symbol over a line of text.
QWidget* makePlaceholderPage(const QString& symbol, const QString& text, const QString& objectName,
                             QWidget* parent);

} // namespace tolvane
