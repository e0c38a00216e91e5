#pragma once

#include "diff/DiffHunk.h"
#include "ui/diff/DiffLineView.h"
#include "ui/diff/HunkLineView.h"

#include <QFont>
#include <QRect>
#include <QSet>
#include <QString>

class QPainter;
class QWidget;

namespace tolvane {

// One hunk drawn as a rounded, bordered block: a header row with its check box, header text,
// counts and icon buttons, an optional line-selection bar, and one HunkLineView per body line.
// It is a painter with hit testing, not a widget, so a diff of thousands of hunks stays cheap.
class HunkBlockView {
public:
    enum class Part {
        None,
        Checkbox,
        LineSelectionToggle,
        StageOrUnstage,
        Discard,
        SelectAllLines,
        DeselectLines,
        StageLines,
        LineCheckbox,
    };

    struct Input {
        const DiffHunk* hunk = nullptr;
        bool isSelected = false;
        bool isStaged = false;
        bool hasDiscard = false; // an unstaged file offers discarding the hunk
        bool isHovered = false;
        bool showLineSelection = false;
        int selectedLineCount = 0;
        // Body line indexes (into hunk->lines) that are selectable, and those selected.
        QSet<int> selectableLines = {};
        QSet<int> selectedLines = {};
    };

    struct Layout {
        QRect block;
        QRect header;
        QRect checkbox;
        QRect headerText;
        QRect counts;
        QRect lineToggle;
        QRect stage;
        QRect discard;
        QRect bar;
        QRect selectAllLines;
        QRect deselectLines;
        QRect lineCount;
        QRect stageLines;
        QRect body;
    };

    struct Hit {
        Part part = Part::None;
        int lineIndex = 0; // index into hunk->lines for LineCheckbox
    };

    static constexpr int headerHeight = 30;
    static constexpr int barHeight = 30;
    static constexpr int iconSize = 16;

    static int height(const DiffHunk& hunk, bool showLineSelection, int rowHeight);
    static Layout layout(const QRect& block, const Input& input, const QWidget& widget,
                         int rowHeight);
    static void paint(QPainter& painter, const Layout& layout, const Input& input,
                      const QWidget& widget, const DiffLineView::Metrics& metrics,
                      const HunkLineView::Checkboxes& boxes, qreal scrollX);
    static Hit hitTest(const Layout& layout, const Input& input, const QPoint& point,
                       int rowHeight);
    // The help text of a header button, or empty.
    static QString helpText(Part part, const Input& input);

    static QString linesButtonText(bool isStaged);
    static QString selectedLinesText(int count);
};

} // namespace tolvane
