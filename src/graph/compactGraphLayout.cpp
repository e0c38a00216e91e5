#include "graph/compactGraphLayout.h"

#include "graph/CommitGraphCalculator.h"
#include "graph/graphPalette.h"
#include "graph/rowIndex.h"

#include <QHash>
#include <algorithm>
#include <optional>
#include <vector>

namespace tolvane {
namespace {

// One line from a commit to one of its parents.
struct Edge {
    int child = 0;
    int target = 0; // the parent's row, or the row count plus its index among missing parents
    bool first = false;
    bool main = false; // the main line's own first-parent line: never cut
    bool cut = false;
};

// The cut planner as it stood before one row. What it decided above a row that far from the
// list's end stays when rows are appended (a line above it to a commit not loaded yet is cut
// for its length or is the main line's), so the next page's planning goes on from here.
struct CutCheckpoint {
    int row = 0;
    std::vector<int> active; // uncut lines open across the row's top
    // Per line in `active`: its target's open line count, latest start and main line flag.
    std::vector<int> activeCount;
    std::vector<int> latestStart;
    std::vector<char> mainTarget;
    int openTargets = 0;
    int resumed = 0;
    std::vector<char> hasCut;      // rows from `row` on: whether a line cut above leads to them
    std::vector<int> cutToMissing; // cut above, leading to parents not loaded yet
};

// The lines of the list and which of them are cut, decided before any column is given out:
// a cut can only be drawn at the commit it starts from, which lies above the row where the
// lanes would overflow.
struct Plan {
    std::vector<Edge> edges;
    std::vector<int> firstEdge; // the lines of row r are [firstEdge[r], firstEdge[r + 1])
    QStringList missing;
    int mainRow = -1;
    int headRow = -1;
    bool reserveMain = false;         // column 0 waits for the main line from the first row
    std::vector<char> hasCut;         // per row: some cut line leads to it
    std::vector<int> missingFirstRow; // per missing parent: the first row that leads to it
    // Per missing parent of the list this one continues: its target here.
    std::vector<int> resolved;
    int namedMainRow = -1;      // the first row whose decoration names the main line
    std::vector<int> mainChain; // the rows of the main line, from mainRow down
    // The cut planner's working memory, kept so that the next page reuses it.
    std::vector<int> activeCount;
    std::vector<int> latestStart;
    std::vector<char> mainTarget;
    std::vector<int> active;
    std::vector<int> cutToMissing; // cut lines to parents not loaded yet
    CutCheckpoint checkpoint;
};

// Plans the lines of `commits`, which `rowOf` indexes (or a list it extends, whose rows it takes
// in). With `keep` above 0, `plan` holds the plan of the first `oldRows` rows of `commits` and
// the lines of its first `keep` rows stay, those to parents that were not loaded then now leading
// to where they are. Returns false for a damaged list (a parent listed above its child) that only
// a plan made afresh lays out right.
bool planEdges(Plan& plan, const QList<GitCommit>& commits, const QString& headHash,
               RowIndex& rowOf, int oldRows = 0, int keep = 0) {
    const int n = int(commits.size());
    rowOf.extend(commits);
    QHash<QString, int> missingIndex;
    QStringList missing;
    std::vector<int> missingFirstRow;
    int start = 0;
    if (keep > 0) {
        // The parents still missing that the kept rows lead to come first, in their order.
        std::vector<int> newTarget(size_t(plan.missing.size()), -1);
        int firstMissingRow = keep;
        for (qsizetype k = 0; k < plan.missing.size(); ++k) {
            const int first = plan.missingFirstRow[size_t(k)];
            if (first >= keep)
                continue;
            firstMissingRow = std::min(firstMissingRow, first);
            const int row = rowOf.find(plan.missing[k]);
            if (row >= 0) {
                newTarget[size_t(k)] = row;
                continue;
            }
            newTarget[size_t(k)] = n + int(missing.size());
            missingIndex.insert(plan.missing[k], int(missing.size()));
            missing.append(plan.missing[k]);
            missingFirstRow.push_back(first);
        }
        const int kept = plan.firstEdge[size_t(keep)];
        for (int e = plan.firstEdge[size_t(firstMissingRow)]; e < kept; ++e) {
            Edge& edge = plan.edges[size_t(e)];
            if (edge.target < oldRows)
                continue;
            edge.target = newTarget[size_t(edge.target - oldRows)];
            if (edge.target <= edge.child)
                return false;
        }
        plan.edges.resize(size_t(kept));
        start = keep;
    } else {
        plan.edges.clear();
        plan.edges.reserve(size_t(n) + size_t(n) / 2);
        plan.namedMainRow = -1;
    }
    plan.firstEdge.resize(size_t(n) + 1);
    for (int r = start; r < n; ++r) {
        plan.firstEdge[size_t(r)] = int(plan.edges.size());
        const QStringList& parents = commits.at(r).parents;
        for (qsizetype p = 0; p < parents.size(); ++p) {
            int target = rowOf.find(parents.at(p));
            if (target <= r) {
                // Not loaded yet (or, in a damaged list, above its child): the line leaves the
                // list at the bottom.
                auto known = missingIndex.constFind(parents.at(p));
                if (known == missingIndex.cend()) {
                    known = missingIndex.insert(parents.at(p), int(missing.size()));
                    missing.append(parents.at(p));
                    missingFirstRow.push_back(r);
                }
                target = n + *known;
            }
            const bool repeated =
                std::any_of(plan.edges.begin() + plan.firstEdge[size_t(r)], plan.edges.end(),
                            [target](const Edge& e) { return e.target == target; });
            if (!repeated)
                plan.edges.push_back(Edge{.child = r, .target = target, .first = p == 0});
        }
    }
    plan.firstEdge[size_t(n)] = int(plan.edges.size());
    plan.resolved.clear();
    if (oldRows > 0) {
        plan.resolved.reserve(size_t(plan.missing.size()));
        for (const QString& id : std::as_const(plan.missing)) {
            // Lines that left the old rows lead to a new row, or still leave the list: a parent
            // listed above its child is found, yet stays missing.
            const int row = rowOf.find(id);
            const auto stillMissing = missingIndex.constFind(id);
            plan.resolved.push_back(
                row < oldRows && stillMissing != missingIndex.cend() ? n + *stillMissing : row);
        }
    }
    plan.missing = std::move(missing);
    plan.missingFirstRow = std::move(missingFirstRow);

    plan.headRow = headHash.isEmpty() ? -1 : rowOf.find(headHash);
    // Rows kept keep their decorations: only new rows can name the main line first.
    for (int r = keep > 0 ? oldRows : 0; r < n && plan.namedMainRow < 0; ++r) {
        if (CommitGraphCalculator::namesMainBranch(commits.at(r).refs))
            plan.namedMainRow = r;
    }
    plan.mainRow = plan.namedMainRow >= 0 ? plan.namedMainRow : plan.headRow;
    // The main line is followed on from its last kept row (a changed main line makes the caller
    // start afresh).
    std::vector<int>& chain = plan.mainChain;
    if (keep > 0 && !chain.empty() && chain.front() == plan.mainRow)
        chain.erase(std::lower_bound(chain.begin(), chain.end(), keep), chain.end());
    else
        chain.clear();
    int r = plan.mainRow;
    if (!chain.empty()) {
        r = chain.back();
        chain.pop_back();
    }
    while (r >= 0 && r < n) {
        const int e = plan.firstEdge[size_t(r)];
        if (e == plan.firstEdge[size_t(r) + 1] || !plan.edges[size_t(e)].first)
            break;
        plan.edges[size_t(e)].main = true;
        chain.push_back(r);
        r = plan.edges[size_t(e)].target;
    }
    return true;
}

// Marks the lines to cut: every line longer than the limit, and then, wherever more lanes would
// be open than the columns hold, the lanes that lead furthest down. With `oldRows` above 0, the
// plan extends one made for that many rows, and planning goes on from its checkpoint; a
// checkpoint is kept before row `saveAt`.
void chooseCuts(Plan& plan, int n, const CompactGraphOptions& options, int oldRows, int saveAt) {
    const int limit = std::max(2, options.cutAfterRows);
    const int resume = std::clamp(options.resumeRows, 1, limit - 1);
    const int budget = std::max(1, options.maxColumns - 1);
    plan.reserveMain = plan.mainRow > 0 && plan.mainRow <= limit;
    const size_t targets = size_t(n) + size_t(plan.missing.size());
    std::vector<int>& activeCount = plan.activeCount; // uncut lines open towards each target
    std::vector<int>& latestStart = plan.latestStart;
    std::vector<char>& mainTarget = plan.mainTarget;
    std::vector<int>& active = plan.active; // uncut lines open across the current row's bottom
    std::vector<char>& hasCut = plan.hasCut;
    const int start = oldRows > 0 ? plan.checkpoint.row : 0;
    // Targets above the first row planned are never looked at again.
    const auto reset = [&](auto& values, auto value) {
        values.resize(targets);
        std::fill(values.begin() + start, values.end(), value);
    };
    reset(activeCount, 0);
    reset(latestStart, -1);
    reset(mainTarget, char(0));
    active.clear();
    int openTargets = 0;
    int resumed = 0;
    if (oldRows > 0) {
        const CutCheckpoint& c = plan.checkpoint;
        hasCut.resize(size_t(n));
        std::fill(hasCut.begin() + start, hasCut.end(), 0);
        std::copy(c.hasCut.begin(), c.hasCut.end(), hasCut.begin() + start);
        plan.cutToMissing.clear();
        for (int e : c.cutToMissing) {
            const int t = plan.edges[size_t(e)].target;
            if (t < n)
                hasCut[size_t(t)] = 1;
            else
                plan.cutToMissing.push_back(e);
        }
        for (size_t i = 0; i < c.active.size(); ++i) {
            Edge& edge = plan.edges[size_t(c.active[i])];
            const size_t t = size_t(edge.target);
            activeCount[t] = c.activeCount[i];
            latestStart[t] = c.latestStart[i];
            mainTarget[t] = c.mainTarget[i];
            edge.cut = false; // planned again from here
            active.push_back(c.active[i]);
        }
        openTargets = c.openTargets;
        resumed = c.resumed;
    } else {
        hasCut.assign(size_t(n), 0);
        plan.cutToMissing.clear();
    }
    const auto cut = [&](int e) {
        Edge& edge = plan.edges[size_t(e)];
        edge.cut = true;
        if (edge.target < n)
            hasCut[size_t(edge.target)] = 1;
        else
            plan.cutToMissing.push_back(e);
    };
    for (int r = start;; ++r) {
        if (r == saveAt) {
            CutCheckpoint& c = plan.checkpoint;
            c.row = r;
            c.active = active;
            c.activeCount.clear();
            c.latestStart.clear();
            c.mainTarget.clear();
            for (int e : active) {
                const size_t t = size_t(plan.edges[size_t(e)].target);
                c.activeCount.push_back(activeCount[t]);
                c.latestStart.push_back(latestStart[t]);
                c.mainTarget.push_back(mainTarget[t]);
            }
            c.openTargets = openTargets;
            c.resumed = resumed;
            c.hasCut.assign(hasCut.begin() + std::min(r, n), hasCut.end());
            c.cutToMissing = plan.cutToMissing;
        }
        if (r >= n)
            break;
        if (activeCount[size_t(r)] > 0) {
            activeCount[size_t(r)] = 0;
            --openTargets;
            std::erase_if(active, [&](int e) { return plan.edges[size_t(e)].target == r; });
        }
        if (hasCut[size_t(r)])
            --resumed;
        if (r + resume < n && hasCut[size_t(r + resume)])
            ++resumed;

        int stubs = 0;
        for (int e = plan.firstEdge[size_t(r)]; e < plan.firstEdge[size_t(r) + 1]; ++e) {
            Edge& edge = plan.edges[size_t(e)];
            edge.cut = false;
            const size_t t = size_t(edge.target);
            const int length = std::min(edge.target, n) - r;
            // A line whose commit already has a lane open joins it, however long.
            if (!edge.main && activeCount[t] == 0 && length > limit) {
                cut(e);
                ++stubs;
                continue;
            }
            if (activeCount[t]++ == 0)
                ++openTargets;
            latestStart[t] = r;
            mainTarget[t] |= char(edge.main);
            active.push_back(e);
        }

        int lanes = openTargets + resumed + stubs + (plan.reserveMain && r < plan.mainRow);
        while (lanes > budget) {
            // Only lanes that are already drawn above this row can be cut, and only where their
            // commit lies far enough below for the upward arrow to come after this row.
            int farthest = -1;
            for (int e : active) {
                const int t = plan.edges[size_t(e)].target;
                if (t > farthest && latestStart[size_t(t)] < r && !mainTarget[size_t(t)] &&
                    (t >= n || t - resume > r))
                    farthest = t;
            }
            if (farthest < 0)
                break;
            std::erase_if(active, [&](int e) {
                if (plan.edges[size_t(e)].target != farthest)
                    return false;
                cut(e);
                return true;
            });
            activeCount[size_t(farthest)] = 0;
            --openTargets;
            --lanes;
        }
    }
}

// What occupies a column at a row boundary.
struct Slot {
    int target = -1; // -1: free
    int lane = -1;
    int color = 0;
    bool main = false;
    bool hidden = false; // held for the main line before its first commit; nothing is drawn
};

int drawingRank(LineType type) {
    switch (type) {
    case LineType::PassThrough:
        return 0;
    case LineType::ArrowUp:
        return 1;
    case LineType::BranchTo:
        return 2;
    case LineType::MergeFrom:
        return 3;
    case LineType::ArrowDown:
        return 4;
    case LineType::Commit:
        return 5;
    }
    return 0;
}

class ColumnAssigner {
    // Where a cut line comes back: its lane, colour and the row of its nearest commit.
    struct Resume {
        int lane = -1;
        int color = 0;
        int source = -1;
    };

public:
    ColumnAssigner(const Plan& plan, int n, const CompactGraphOptions& options)
        : m_plan(&plan), m_n(n),
          m_resume(std::clamp(options.resumeRows, 1, std::max(2, options.cutAfterRows) - 1)),
          m_settle(std::max(0, options.settleRows)), m_maxColumns(std::max(1, options.maxColumns)),
          m_resumeLane(size_t(n), -1), m_resumeColor(size_t(n), 0), m_resumeSource(size_t(n), -1) {
        if (m_plan->reserveMain)
            m_bottom.push_back(Slot{m_plan->mainRow, m_nextLane++, 0, true, true});
    }

    // Appends the rows from `rows.size()` up to and including `last`; keeps a copy of itself
    // as it stood before row `keepAt` in `kept`.
    void layOutThrough(int last, QList<CommitGraphData>& rows, int keepAt,
                       std::optional<ColumnAssigner>& kept) {
        last = std::min(last, m_n - 1);
        if (rows.size() <= last && rows.capacity() < m_n)
            rows.reserve(std::max<qsizetype>(m_n, rows.capacity() * 2));
        for (int r = int(rows.size()); r <= last; ++r) {
            if (r == keepAt)
                kept = snapshot(r);
            rows.append(layRow(r, r == m_plan->headRow));
            // Lines to commits not loaded yet get their row once those are.
            const QList<GraphLine>& lines = rows.last().lines;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (lines[i].target >= m_n)
                    m_missingRefs.push_back({r, int(i)});
            }
        }
    }

    // Goes on as `later`, the assigner that went on from this snapshot, stood before the
    // snapshot's row: the memory per row above that row is the same in both.
    void restoreOver(ColumnAssigner&& later) {
        const auto restore = [&](std::vector<int>& mine, std::vector<int>& theirs) {
            std::vector<int> tail = std::move(mine);
            mine = std::move(theirs);
            std::copy(tail.begin(), tail.end(), mine.begin() + m_tailFrom);
        };
        restore(m_resumeLane, later.m_resumeLane);
        restore(m_resumeColor, later.m_resumeColor);
        restore(m_resumeSource, later.m_resumeSource);
    }

    // Carries on over `plan`, the list this one was laid out for with rows appended: lines to
    // commits that were missing lead to their rows now (`plan.resolved`), here and in `rows`.
    void continueWith(const Plan& plan, int n, QList<CommitGraphData>& rows) {
        const int oldN = m_n;
        const auto remap = [&](int target) {
            return target >= oldN ? plan.resolved[size_t(target - oldN)] : target;
        };
        for (Slot& slot : m_top)
            slot.target = slot.target >= 0 ? remap(slot.target) : slot.target;
        for (Slot& slot : m_bottom)
            slot.target = slot.target >= 0 ? remap(slot.target) : slot.target;
        m_resumeLane.resize(size_t(n), -1);
        m_resumeColor.resize(size_t(n), 0);
        m_resumeSource.resize(size_t(n), -1);
        std::vector<Resume> missing(plan.missing.size());
        for (size_t k = 0; k < m_missing.size(); ++k) {
            const int target = remap(oldN + int(k));
            if (target < 0)
                continue; // its lines went with rows that changed
            if (target < n) {
                m_resumeLane[size_t(target)] = m_missing[k].lane;
                m_resumeColor[size_t(target)] = m_missing[k].color;
                m_resumeSource[size_t(target)] = m_missing[k].source;
            } else {
                missing[size_t(target - n)] = m_missing[k];
            }
        }
        m_missing = std::move(missing);
        std::erase_if(m_missingRefs, [&](const std::pair<int, int>& ref) {
            if (ref.first >= rows.size())
                return true;
            GraphLine& line = rows[ref.first].lines[ref.second];
            line.target = remap(line.target);
            return line.target < n;
        });
        m_plan = &plan;
        m_n = n;
    }

private:
    // A copy as this stands before `row`, holding only the rows from there on of the memory kept
    // per row: rows above it are laid out and never written again.
    ColumnAssigner snapshot(int row) {
        std::vector<int> lanes = std::move(m_resumeLane);
        std::vector<int> colors = std::move(m_resumeColor);
        std::vector<int> sources = std::move(m_resumeSource);
        ColumnAssigner copy(*this);
        copy.m_tailFrom = row;
        copy.m_resumeLane.assign(lanes.begin() + row, lanes.end());
        copy.m_resumeColor.assign(colors.begin() + row, colors.end());
        copy.m_resumeSource.assign(sources.begin() + row, sources.end());
        m_resumeLane = std::move(lanes);
        m_resumeColor = std::move(colors);
        m_resumeSource = std::move(sources);
        return copy;
    }

    void grow(size_t size) {
        if (m_top.size() < size)
            m_top.resize(size);
        if (m_bottom.size() < size)
            m_bottom.resize(size);
        if (m_usedTop.size() < size) {
            m_usedTop.resize(size);
            m_usedBottom.resize(size);
            m_reserved.resize(size);
            m_vacated.resize(size);
            m_passLine.resize(size);
            m_holeAge.resize(size);
        }
    }

    bool freeAtBottom(size_t c) const {
        return c >= m_bottom.size() ||
               (m_bottom[c].target < 0 && !m_usedBottom[c] && !m_reserved[c]);
    }
    bool freeAtTop(size_t c) const {
        return c >= m_top.size() || (m_top[c].target < 0 && !m_usedTop[c]);
    }

    // The lowest column free over the whole row, or (for lines that start at the node) only
    // below it when none is free above too.
    int allocate(bool wholeRow, int avoid) {
        for (size_t c = 0; c < m_bottom.size(); ++c) {
            if (int(c) != avoid && freeAtBottom(c) && freeAtTop(c))
                return int(c);
        }
        if (!wholeRow) {
            for (size_t c = 0; c < m_bottom.size(); ++c) {
                if (int(c) != avoid && freeAtBottom(c))
                    return int(c);
            }
        }
        const int c = int(std::max(m_bottom.size(), m_top.size()));
        grow(size_t(c) + 1);
        return c;
    }

    int findLane(int target) const {
        for (size_t c = 0; c < m_bottom.size(); ++c) {
            if (m_bottom[c].target == target)
                return int(c);
        }
        return -1;
    }

    // A colour unlike the neighbours', blue staying the main line's while there is one.
    int pickColor(int column) {
        int avoid[4] = {-1, -1, -1, -1};
        int k = 0;
        for (int c : {column - 1, column + 1}) {
            if (c < 0)
                continue;
            if (size_t(c) < m_top.size() && m_top[size_t(c)].target >= 0)
                avoid[k++] = m_top[size_t(c)].color;
            if (size_t(c) < m_bottom.size() && m_bottom[size_t(c)].target >= 0)
                avoid[k++] = m_bottom[size_t(c)].color;
        }
        const int first = m_plan->mainRow >= 0 ? 1 : 0;
        for (int tries = 0; tries < 8; ++tries) {
            const int color = first + m_nextColor++ % (8 - first);
            if (std::find(std::begin(avoid), std::end(avoid), color) == std::end(avoid))
                return color;
        }
        return first;
    }

    Resume& missingResume(int target) {
        const size_t k = size_t(target - m_n);
        if (m_missing.size() <= k)
            m_missing.resize(k + 1);
        return m_missing[k];
    }

    int resumeLaneOf(int target) {
        // A commit not loaded yet keeps its lane too, as it will once loaded.
        int& lane = target >= m_n ? missingResume(target).lane : m_resumeLane[size_t(target)];
        if (lane < 0)
            lane = m_nextLane++;
        return lane;
    }

    void addStub(std::vector<GraphLine>& lines, int column, int color, int target, int row) {
        lines.push_back(GraphLine{.column = column,
                                  .type = LineType::ArrowDown,
                                  .color = (*m_palette)[size_t(color)],
                                  .target = target,
                                  .lane = resumeLaneOf(target)});
        m_usedBottom[size_t(column)] = 1;
        m_reserved[size_t(column)] = 1;
        // The upward arrow takes the colour and names the commit of the nearest cut line.
        if (target < m_n) {
            m_resumeColor[size_t(target)] = color;
            m_resumeSource[size_t(target)] = row;
        } else {
            missingResume(target).color = color;
            missingResume(target).source = row;
        }
    }

    GraphLine lineOf(const Slot& slot, int column, LineType type) const {
        return GraphLine{.column = column,
                         .type = type,
                         .color = (*m_palette)[size_t(slot.color)],
                         .target = slot.target,
                         .lane = slot.lane};
    }

    CommitGraphData layRow(int r, bool isHead) {
        m_top.swap(m_bottom);
        m_bottom = m_top;
        const size_t width = m_top.size();
        grow(width);
        std::fill(m_usedTop.begin(), m_usedTop.end(), 0);
        std::fill(m_usedBottom.begin(), m_usedBottom.end(), 0);
        std::fill(m_reserved.begin(), m_reserved.end(), 0);
        std::fill(m_vacated.begin(), m_vacated.end(), 0);
        std::fill(m_passLine.begin(), m_passLine.end(), -1);
        // Built in a reused buffer; the row gets one allocation of the right size.
        std::vector<GraphLine>& lines = m_lines;
        lines.clear();

        // A cut line comes back a few rows above the commit it leads to; a row or two later
        // when the columns on screen are all taken.
        if (r + m_resume < m_n && m_plan->hasCut[size_t(r + m_resume)])
            m_pendingResumes.push_back(r + m_resume);
        std::erase_if(m_pendingResumes, [&](int resumed) {
            const int c = allocate(true, -1);
            if (c >= m_maxColumns && resumed - 1 > r)
                return false;
            const Slot slot{resumed, resumeLaneOf(resumed), m_resumeColor[size_t(resumed)]};
            m_bottom[size_t(c)] = slot;
            m_usedTop[size_t(c)] = 1;
            m_usedBottom[size_t(c)] = 1;
            m_reserved[size_t(c)] = 1;
            GraphLine arrow = lineOf(slot, c, LineType::ArrowUp);
            arrow.source = m_resumeSource[size_t(resumed)];
            lines.push_back(arrow);
            return true;
        });

        // The node sits in the main line's lane when that waits for it, else in the lowest.
        int node = -1;
        for (size_t c = 0; c < width; ++c) {
            if (m_top[c].target == r && (node < 0 || (m_top[c].main && !m_top[size_t(node)].main)))
                node = int(c);
        }
        Slot nodeSlot;
        for (size_t c = 0; c < width; ++c) {
            if (m_top[c].target != r)
                continue;
            if (!m_top[c].hidden)
                lines.push_back(lineOf(m_top[c], int(c), LineType::BranchTo));
            m_bottom[c] = Slot{};
        }
        if (node >= m_maxColumns && allocate(true, -1) < m_maxColumns) {
            // The lane is off screen: the node moves into a free column on screen, and every
            // lane waiting for it comes in from the side.
            nodeSlot = m_top[size_t(node)];
            node = allocate(true, -1);
        } else if (node >= 0) {
            nodeSlot = m_top[size_t(node)];
        } else {
            const bool main = r == m_plan->mainRow;
            node = main && freeAtTop(0) && freeAtBottom(0) ? 0 : allocate(true, -1);
            grow(size_t(node) + 1);
            nodeSlot = Slot{-1, m_nextLane++, main ? 0 : pickColor(node), main};
        }
        nodeSlot.hidden = false;
        nodeSlot.main = nodeSlot.main || r == m_plan->mainRow;
        m_reserved[size_t(node)] = 1;

        const int firstEdge = m_plan->firstEdge[size_t(r)];
        const int endEdge = m_plan->firstEdge[size_t(r) + 1];
        if (firstEdge < endEdge && m_plan->edges[size_t(firstEdge)].first) {
            const Edge& edge = m_plan->edges[size_t(firstEdge)];
            int joined = -1;
            if (edge.cut) {
                addStub(lines, node, nodeSlot.color, edge.target, r);
            } else if (!nodeSlot.main && (joined = findLane(edge.target)) >= 0) {
                // Drawn in the joining line's colour: it is this branch reaching its fork.
                m_bottom[size_t(joined)].hidden = false;
                GraphLine join = lineOf(m_bottom[size_t(joined)], joined, LineType::MergeFrom);
                join.color = (*m_palette)[size_t(nodeSlot.color)];
                lines.push_back(join);
                m_reserved[size_t(joined)] = 1;
            } else {
                Slot continued = nodeSlot;
                continued.target = edge.target;
                m_bottom[size_t(node)] = continued;
                lines.push_back(lineOf(continued, node, LineType::MergeFrom));
            }
        }
        // Further parents: lanes first, nearest commit leftmost, so that the lanes ending soonest
        // are the nearest to the node; then the arrows of cut lines, which last one row, in the
        // order of the parents (where their commits lie may not be known yet).
        m_merges.clear();
        for (int e = firstEdge; e < endEdge; ++e) {
            if (!m_plan->edges[size_t(e)].first)
                m_merges.push_back(e);
        }
        std::sort(m_merges.begin(), m_merges.end(), [this](int a, int b) {
            const Edge& x = m_plan->edges[size_t(a)];
            const Edge& y = m_plan->edges[size_t(b)];
            return x.cut != y.cut ? y.cut : x.cut ? a < b : x.target < y.target;
        });
        for (int e : m_merges) {
            const Edge& edge = m_plan->edges[size_t(e)];
            if (edge.cut) {
                const int c = allocate(false, node);
                addStub(lines, c, pickColor(c), edge.target, r);
                continue;
            }
            int c = findLane(edge.target);
            if (c < 0) {
                c = allocate(false, node);
                m_bottom[size_t(c)] = Slot{edge.target, m_nextLane++, pickColor(c)};
            }
            // The main line's column, held until its first commit, is drawn once a line joins.
            m_bottom[size_t(c)].hidden = false;
            m_reserved[size_t(c)] = 1;
            lines.push_back(lineOf(m_bottom[size_t(c)], c, LineType::MergeFrom));
        }
        lines.push_back(GraphLine{.column = node,
                                  .type = LineType::Commit,
                                  .color = (*m_palette)[size_t(nodeSlot.color)],
                                  .lane = nodeSlot.lane});

        // Lanes passing by.
        for (size_t c = 0; c < width; ++c) {
            const Slot& slot = m_top[c];
            if (slot.target < 0 || slot.target == r)
                continue;
            if (!slot.hidden) {
                m_passLine[c] = int(lines.size());
                lines.push_back(lineOf(slot, int(c), LineType::PassThrough));
            }
            m_usedTop[c] = 1;
        }

        // Lanes move over, one column per row, into a column that has stood empty for a while
        // (or that the lane left of them is leaving now).
        for (size_t c = 1; c < m_bottom.size(); ++c) {
            const int line = m_passLine[c];
            if (line < 0 || m_reserved[c] || !freeAtBottom(c - 1) ||
                (m_holeAge[c - 1] < m_settle && !m_vacated[c - 1]))
                continue;
            m_bottom[c - 1] = m_bottom[c];
            m_bottom[c] = Slot{};
            m_vacated[c] = 1;
            lines[line].fromColumn = int(c);
            lines[line].column = int(c - 1);
        }

        int maxColumn = 0;
        for (const GraphLine& l : std::as_const(lines))
            maxColumn = std::max({maxColumn, l.column, l.fromColumn});
        // Few lines: an insertion sort keeps their order within a kind and allocates nothing.
        for (size_t i = 1; i < lines.size(); ++i) {
            for (size_t j = i; j > 0 && drawingRank(lines[j - 1].type) > drawingRank(lines[j].type);
                 --j)
                std::swap(lines[j - 1], lines[j]);
        }

        for (size_t c = 0; c < m_bottom.size(); ++c) {
            const bool empty = m_bottom[c].target < 0 && !m_usedBottom[c];
            m_holeAge[c] = empty ? m_holeAge[c] + 1 : 0;
        }
        while (!m_bottom.empty() && m_bottom.back().target < 0)
            m_bottom.pop_back();

        return CommitGraphData{.column = node,
                               .lines = QList<GraphLine>(lines.cbegin(), lines.cend()),
                               .maxColumn = maxColumn,
                               .isHead = isHead,
                               .compact = true};
    }

    const Plan* m_plan;
    const std::array<QColor, 8>* m_palette = &graphPalette();
    int m_n;
    int m_resume;
    int m_settle;
    int m_maxColumns;
    std::vector<int> m_resumeLane;
    std::vector<int> m_resumeColor;
    std::vector<int> m_resumeSource;
    std::vector<Resume> m_missing; // the same for commits not loaded yet, by missing index
    std::vector<std::pair<int, int>> m_missingRefs; // row and line of each line to one of them
    std::vector<Slot> m_top;
    std::vector<Slot> m_bottom;
    std::vector<char> m_usedTop;
    std::vector<char> m_usedBottom;
    std::vector<char> m_reserved;
    std::vector<char> m_vacated;
    std::vector<int> m_passLine;
    std::vector<int> m_holeAge;
    std::vector<int> m_merges;
    std::vector<int> m_pendingResumes;
    std::vector<GraphLine> m_lines;
    int m_nextLane = 0;
    int m_nextColor = 0;
    int m_tailFrom = 0; // a snapshot's first row of the memory per row
};

} // namespace

struct CompactGraphLayouter::State {
    State(const QList<GitCommit>& commits, const QString& headHash,
          const CompactGraphOptions& options)
        : index(commits), rows(int(commits.size())), head(headHash), options(options) {
        setKeepAt();
        planEdges(plan, commits, headHash, index);
        chooseCuts(plan, rows, options, 0, keepAt);
        assigner.emplace(plan, rows, options);
        ids.reserve(commits.size());
        for (const GitCommit& commit : commits)
            ids.append(commit.id);
    }
    // Rows above this one stay as they are when rows are appended: only lines near the end can
    // lead to commits not loaded yet, and only those can be cut differently.
    void setKeepAt() {
        const int limit = std::max(2, options.cutAfterRows);
        const int resume = std::clamp(options.resumeRows, 1, limit - 1);
        keepAt = std::max(0, rows - limit - resume - 1);
    }
    RowIndex index;
    Plan plan;
    int rows;
    std::optional<ColumnAssigner> assigner;
    QString head;
    CompactGraphOptions options;
    QStringList ids;
    int keepAt = 0;
    std::optional<ColumnAssigner> kept; // as it stood before row keepAt
};

CompactGraphLayouter::CompactGraphLayouter(const QList<GitCommit>& commits, const QString& headHash,
                                           const CompactGraphOptions& options)
    : m_state(std::make_unique<State>(commits, headHash, options)) {}

CompactGraphLayouter::CompactGraphLayouter(const QList<GitCommit>& commits, const QString& headHash,
                                           const CompactGraphOptions& options,
                                           CompactGraphLayouter&& previous,
                                           CommitGraphLayout& layout, qsizetype knownSameRows)
    : m_state(std::move(previous.m_state)) {
    const auto afresh = [&] {
        m_state = std::make_unique<State>(commits, headHash, options);
        layout = {};
    };
    State& s = *m_state;
    const int oldRows = s.rows;
    const int n = int(commits.size());
    // Where the rows laid out so far end, or where they may start to differ.
    const int from = int(std::min<qsizetype>(layout.rows.size(), s.keepAt));
    const bool fromKept = layout.rows.size() > s.keepAt;
    bool same = s.head == headHash && s.options == options && n >= oldRows && (!fromKept || s.kept);
    for (int r = int(std::min<qsizetype>(knownSameRows, oldRows)); same && r < oldRows; ++r) {
        const QString& id = commits.at(r).id;
        const QString& was = std::as_const(s.ids)[r];
        same = was.constData() == id.constData() || was == id;
    }
    if (!same) {
        afresh();
        return;
    }

    // Lines above the old keepAt row are planned and cut as the whole list would have them:
    // they are kept, those to missing parents now leading to where they are.
    const int oldMainRow = s.plan.mainRow;
    const bool oldReserveMain = s.plan.reserveMain;
    const int oldHeadRow = s.plan.headRow;
    if (!planEdges(s.plan, commits, headHash, s.index, oldRows, s.keepAt)) {
        afresh();
        return;
    }
    s.rows = n;
    s.setKeepAt();
    chooseCuts(s.plan, n, options, oldRows, s.keepAt);
    // A main line or HEAD found in the new rows changes the rows above.
    if (s.plan.mainRow != oldMainRow || s.plan.reserveMain != oldReserveMain ||
        (oldHeadRow < 0 ? s.plan.headRow >= 0 && s.plan.headRow < oldRows
                        : oldHeadRow != s.plan.headRow)) {
        afresh();
        return;
    }

    if (fromKept) {
        s.kept->restoreOver(std::move(*s.assigner));
        s.assigner = std::move(s.kept);
    }
    s.kept.reset();
    s.assigner->continueWith(s.plan, n, layout.rows);
    layout.rows.resize(from);
    layout.missingParents = s.plan.missing;
    for (int r = oldRows; r < n; ++r)
        s.ids.append(commits.at(r).id);
}

CompactGraphLayouter::~CompactGraphLayouter() = default;

int CompactGraphLayouter::rowCount() const {
    return m_state->rows;
}

void CompactGraphLayouter::layOutThrough(int row, CommitGraphLayout& layout) {
    if (layout.rows.isEmpty())
        layout.missingParents = m_state->plan.missing;
    m_state->assigner->layOutThrough(row, layout.rows, m_state->keepAt, m_state->kept);
}

CommitGraphLayout compactGraphLayout(const QList<GitCommit>& commits, const QString& headHash,
                                     const CompactGraphOptions& options) {
    CompactGraphLayouter layouter(commits, headHash, options);
    CommitGraphLayout layout;
    layouter.layOutThrough(layouter.rowCount() - 1, layout);
    return layout;
}

} // namespace tolvane
