#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"

#include <QList>
#include <QString>
#include <memory>

namespace tolvane {

struct CompactGraphOptions {
    // A line that would pass more rows than this without a commit of its own is cut.
    int cutAfterRows = 30;
    // A cut line comes back this many rows above the commit it leads to.
    int resumeRows = 3;
    // Lines are cut sooner where more lanes would be open than this many columns hold, so that
    // every node stays within them.
    int maxColumns = 10;
    // Rows a column must have stood empty before the lanes right of it move over into it.
    int settleRows = 2;

    friend bool operator==(const CompactGraphOptions&, const CompactGraphOptions&) = default;
};

// Lays out the graph so that it stays narrow on long, busy histories: the main line (the
// "main" or "master" branch, else HEAD's) keeps column 0 and is never cut; every other line
// longer than the limit ends in a downward arrow below its commit and comes back as an upward
// arrow just above the commit it leads to; lines to the same commit share a lane; freed columns
// are reused at once and emptied columns are closed by moving the lanes right of them over, one
// column per row. Rows are independent of the screen. Pure, linear in commits times open lanes.
[[nodiscard]] CommitGraphLayout compactGraphLayout(const QList<GitCommit>& commits,
                                                   const QString& headHash,
                                                   const CompactGraphOptions& options);

// The same layout made a part at a time: the whole list is planned at once (which lines are
// cut), then rows are laid out from the top as far as asked, so that a view can show its first
// rows before the rest of a long history is laid out. Rows come out the same as above.
class CompactGraphLayouter {
public:
    CompactGraphLayouter(const QList<GitCommit>& commits, const QString& headHash,
                         const CompactGraphOptions& options);
    // Continues `previous`, made for a list that this one extends by rows appended (the history
    // list's next page), with `layout` as laid out by it: the rows near its end that the new rows
    // can change are dropped from `layout` and laid out again, the rest are kept. Where the lists
    // differ otherwise (or HEAD or the options), `layout` is emptied and everything laid out
    // afresh. Either way the rows come out as compactGraphLayout gives them for the whole list.
    // The first `knownSameRows` rows, which the caller knows to be those `previous` was made for,
    // are taken as such without a look.
    CompactGraphLayouter(const QList<GitCommit>& commits, const QString& headHash,
                         const CompactGraphOptions& options, CompactGraphLayouter&& previous,
                         CommitGraphLayout& layout, qsizetype knownSameRows = 0);
    ~CompactGraphLayouter();
    CompactGraphLayouter(const CompactGraphLayouter&) = delete;
    CompactGraphLayouter& operator=(const CompactGraphLayouter&) = delete;

    // The number of rows of the whole list.
    [[nodiscard]] int rowCount() const;
    // Appends to `layout` (empty at first, then always the same) the rows after those it holds,
    // up to and including `row`.
    void layOutThrough(int row, CommitGraphLayout& layout);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tolvane
