#pragma once

#include <QString>

class QDialog;
class QVBoxLayout;

namespace tolvane {

// Lays out an input dialog the way all of them look here: the symbol at the top left, tinted in
// the secondary text colour of whichever scheme is shown, and beside it the title in bold over
// the explanation, `messageWidth` wide at most. Returns that column, for the fields and buttons.
QVBoxLayout* layOutDialogFrame(QDialog* dialog, const QString& symbol, const QString& title,
                               const QString& message, int messageWidth);

} // namespace tolvane
