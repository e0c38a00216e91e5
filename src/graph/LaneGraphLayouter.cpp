#include "graph/LaneGraphLayouter.h"

#include "graph/CommitGraphCalculator.h"
#include "graph/graphPalette.h"
#include "graph/rowIndex.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace tolvane {

namespace {

// A lane waits for one commit, or is free. Lanes are never removed, only freed and reused.
struct Lane {
    QString hash;
    bool used = false;
    int target = -1; // the row of `hash`
    int id = -1;
};

GraphLine line(int column, LineType type, const Lane& lane) {
    return GraphLine{.column = column,
                     .type = type,
                     .color = graphLaneColor(column),
                     .target = lane.target,
                     .lane = lane.id};
}

} // namespace

struct LaneGraphLayouter::State {
    explicit State(const QList<GitCommit>& commits) : index(commits) {}

    RowIndex index;
    QStringList ids; // the rows laid out, to tell an appended page from a changed list
    QString head;
    QList<Lane> lanes;
    int nextId = 0;
    bool mainReserved = false;
    QHash<QString, int> missingIndex; // commits not loaded, by their index in missingParents
    std::vector<int> missingFirstRow; // per missing commit: the first row with a line to it

    int freeLane() {
        for (qsizetype i = 0; i < lanes.size(); ++i) {
            if (!lanes.at(i).used)
                return int(i);
        }
        lanes.append(Lane{});
        return int(lanes.size() - 1);
    }

    // The row of a parent, or for one that is not loaded (or, in a damaged list, above its
    // child) a row past the list naming it in missingParents.
    int rowOfParent(const QString& hash, int child, int n, CommitGraphLayout& layout) {
        const int found = index.find(hash);
        if (found > child)
            return found;
        auto known = missingIndex.constFind(hash);
        if (known == missingIndex.cend()) {
            known = missingIndex.insert(hash, int(layout.missingParents.size()));
            layout.missingParents.append(hash);
            missingFirstRow.push_back(child);
        }
        return n + *known;
    }

    void waitFor(Lane& lane, const QString& hash, int child, int n, CommitGraphLayout& layout) {
        lane.hash = hash;
        lane.used = true;
        lane.target = rowOfParent(hash, child, n, layout);
    }

    void layOutRow(const QList<GitCommit>& commits, int row, CommitGraphLayout& layout) {
        const int n = int(commits.size());
        const GitCommit& commit = commits.at(row);
        QList<GraphLine> lines;
        int node = -1;
        for (qsizetype k = 0; k < lanes.size(); ++k) {
            Lane& lane = lanes[k];
            if (!lane.used || lane.hash != commit.id)
                continue;
            if (node < 0) {
                node = int(k);
            } else {
                // Several lanes waited for this commit: the branches that forked here end.
                lines.append(line(int(k), LineType::BranchTo, lane));
                lane = Lane{};
            }
        }
        if (node < 0) {
            node = freeLane();
            lanes[node] = Lane{commit.id, true, row, nextId++};
        }
        const int laneCount = int(lanes.size());
        lines.reserve(lines.size() + laneCount + commit.parents.size());
        for (int k = 0; k < laneCount; ++k) {
            if (k != node && lanes.at(k).used)
                lines.append(line(k, LineType::PassThrough, lanes.at(k)));
        }
        const qsizetype commitLine = lines.size();
        lines.append(line(node, LineType::Commit, lanes.at(node)));

        if (commit.parents.isEmpty()) {
            lanes[node] = Lane{};
        } else {
            waitFor(lanes[node], commit.parents.constFirst(), row, n, layout);
            lines[commitLine].target = lanes.at(node).target;
            for (qsizetype p = 1; p < commit.parents.size(); ++p) {
                const QString& parent = commit.parents.at(p);
                int target = -1;
                for (qsizetype k = 0; k < lanes.size(); ++k) {
                    if (lanes.at(k).used && lanes.at(k).hash == parent) {
                        target = int(k);
                        break;
                    }
                }
                if (target < 0) {
                    target = freeLane();
                    lanes[target].id = nextId++;
                    waitFor(lanes[target], parent, row, n, layout);
                }
                lines.append(line(target, LineType::MergeFrom, lanes.at(target)));
            }
        }

        int maxColumn = std::max(0, int(lanes.size()) - 1);
        for (const GraphLine& l : std::as_const(lines))
            maxColumn = std::max(maxColumn, l.column);
        layout.rows.append(CommitGraphData{.column = node,
                                           .lines = std::move(lines),
                                           .maxColumn = maxColumn,
                                           .isHead = commit.id == head});
    }

    // Points the lines to commits that were not loaded among the first `oldRows` rows at where
    // those commits are in the list, now `commits`, or at their new place past its end.
    void resolveMissing(const QList<GitCommit>& commits, int oldRows, CommitGraphLayout& layout) {
        const int n = int(commits.size());
        const QStringList oldMissing = std::exchange(layout.missingParents, {});
        const std::vector<int> oldFirstRow = std::exchange(missingFirstRow, {});
        missingIndex.clear();
        std::vector<int> targets(size_t(oldMissing.size()));
        int firstRow = oldRows;
        for (qsizetype k = 0; k < oldMissing.size(); ++k) {
            firstRow = std::min(firstRow, oldFirstRow[size_t(k)]);
            const int row = index.find(oldMissing[k]);
            if (row >= oldRows) {
                targets[size_t(k)] = row;
                continue;
            }
            // Still missing (or listed above the rows that lead to it): it keeps its order.
            targets[size_t(k)] = n + int(layout.missingParents.size());
            missingIndex.insert(oldMissing[k], int(layout.missingParents.size()));
            layout.missingParents.append(oldMissing[k]);
            missingFirstRow.push_back(oldFirstRow[size_t(k)]);
        }
        const auto resolved = [&](int& target) {
            if (target >= oldRows)
                target = targets[size_t(target - oldRows)];
        };
        // Only the rows from the first line to a missing commit on can lead to one.
        for (int r = firstRow; r < oldRows; ++r) {
            for (GraphLine& l : layout.rows[r].lines)
                resolved(l.target);
        }
        for (Lane& lane : lanes) {
            if (lane.used)
                resolved(lane.target);
        }
    }
};

LaneGraphLayouter::LaneGraphLayouter() = default;
LaneGraphLayouter::~LaneGraphLayouter() = default;
LaneGraphLayouter::LaneGraphLayouter(LaneGraphLayouter&&) noexcept = default;
LaneGraphLayouter& LaneGraphLayouter::operator=(LaneGraphLayouter&&) noexcept = default;

int LaneGraphLayouter::layOut(const QList<GitCommit>& commits, const QString& headHash,
                              CommitGraphLayout& layout, qsizetype knownSameRows) {
    const int n = int(commits.size());
    const int oldRows = m_state ? int(m_state->ids.size()) : 0;
    bool extends =
        m_state && m_state->head == headHash && layout.rows.size() == oldRows && n >= oldRows;
    for (int r = int(std::min<qsizetype>(knownSameRows, oldRows)); extends && r < oldRows; ++r) {
        const QString& id = commits.at(r).id;
        extends = m_state->ids.at(r).constData() == id.constData() || m_state->ids.at(r) == id;
    }
    // Without a main line so far, one in the new rows would have held column 0 from the top.
    for (int r = oldRows; extends && !m_state->mainReserved && r < n; ++r)
        extends = !CommitGraphCalculator::namesMainBranch(commits.at(r).refs);

    int from = oldRows;
    if (extends) {
        m_state->index.extend(commits);
        m_state->resolveMissing(commits, oldRows, layout);
    } else {
        from = 0;
        layout = {};
        m_state = std::make_unique<State>(commits);
        m_state->head = headHash;
        layout.rows.reserve(n);
        m_state->ids.reserve(n);
        for (int r = 0; r < n; ++r) {
            if (CommitGraphCalculator::namesMainBranch(commits.at(r).refs)) {
                // Lane 0 is reserved for the main line and follows its first parents.
                m_state->lanes.append(Lane{commits.at(r).id, true, r, m_state->nextId++});
                m_state->mainReserved = true;
                break;
            }
        }
    }
    State& state = *m_state;
    for (int row = from; row < n; ++row) {
        state.layOutRow(commits, row, layout);
        state.ids.append(commits.at(row).id);
    }
    return from;
}

} // namespace tolvane
