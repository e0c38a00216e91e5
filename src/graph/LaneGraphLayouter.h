#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"

#include <QList>
#include <QString>
#include <memory>

namespace tolvane {

// Lays out the lane-per-branch graph (one lane per open line, lanes never move) of a history list
// that grows a page at a time. A page continues from the lanes open at the end of the previous
// one, so appending rows costs those rows, not the whole list. Pure; one thread at a time.
class LaneGraphLayouter {
public:
    LaneGraphLayouter();
    ~LaneGraphLayouter();
    LaneGraphLayouter(LaneGraphLayouter&&) noexcept;
    LaneGraphLayouter& operator=(LaneGraphLayouter&&) noexcept;

    // Brings `layout` up to date with `commits` (newest first). When `commits` extends the list
    // laid out last with rows appended, HEAD is the same and `layout` is what the last call left,
    // only the new rows are laid out, and the lines above them that led to commits not loaded
    // then are pointed at where those commits are now. Otherwise every row is laid out again.
    // Either way `layout` ends as layoutRows gives it for the whole list. The first
    // `knownSameRows` rows, which the caller knows to be the commits of the last call, are taken
    // as such without a look. Returns the first row laid out by this call.
    int layOut(const QList<GitCommit>& commits, const QString& headHash, CommitGraphLayout& layout,
               qsizetype knownSameRows = 0);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tolvane
