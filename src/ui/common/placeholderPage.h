#pragma once

#include <QString>

class QWidget;

namespace tolvane {

// A centred empty state: a large secondary-coloured symbol over a line of text, and under it the
// `accessory` (a button), when given, which the page then owns.
QWidget* makePlaceholderPage(const QString& symbol, const QString& text, const QString& objectName,
                             QWidget* parent, QWidget* accessory = nullptr);

} // namespace tolvane
