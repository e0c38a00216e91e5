#pragma once

#include <QRect>
#include <QString>

namespace tolvane {

// A view that paints its rows itself (no item view, no child widgets) derives from this too, so
// that assistive technology sees one list item per row with the row's sentence.
// installAccessibleRows() makes Qt's accessibility use it for every such widget.
class AccessibleRows {
public:
    virtual ~AccessibleRows() = default;
    virtual int accessibleRowCount() const = 0;
    virtual QString accessibleRowText(int row) const = 0;
    // Where the row is drawn, in the widget's coordinates; empty while it is scrolled away.
    virtual QRect accessibleRowRect(int row) const = 0;
    // The row the keyboard is on, or -1.
    virtual int accessibleCurrentRow() const { return -1; }
};

void installAccessibleRows();

} // namespace tolvane
