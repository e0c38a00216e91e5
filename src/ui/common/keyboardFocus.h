#pragma once

class QStackedWidget;
class QWidget;

namespace tolvane {

// The widget that should take the keyboard when `root` is entered: `root` itself when it takes
// Tab, else its first visible, enabled widget that does, a view before a button. Null for none.
QWidget* firstKeyboardTarget(QWidget* root);

// Shows `page` in `stack`. When the keyboard was on the page going away, it goes to the widget
// of `page` that had it last, or else to its first keyboard target, instead of Qt passing it to
// the next widget of the window (often the tab bar).
void showPageKeepingFocus(QStackedWidget* stack, QWidget* page);

// Whether the style marks `widget`'s focus itself (buttons, fields, boxes, sliders, tab bars).
// Lists, scroll areas, painted views and panes holding the keyboard get the outline instead.
bool marksOwnFocus(const QWidget* widget);

// From now on the focused widget of every window of the application that does not mark its own
// focus is outlined in the highlight colour, so that the keyboard's place is always visible.
// Installed once; later calls do nothing.
void installFocusOutline();

// The outline shown now (null when none is shown); for tests.
QWidget* focusOutlineWidget();

} // namespace tolvane
