#include "graph/CommitGraphCalculator.h"

#include "graph/graphPalette.h"
#include "graph/rowIndex.h"

namespace tolvane::CommitGraphCalculator {

namespace {

// A lane waits for one commit, or is free. Lanes are never removed, only freed and reused.
struct Lane {
    QString hash;
    bool used = false;
    int target = -1; // the row of `hash`
    int id = -1;
};

QStringView trimmedOfSpaces(QStringView text) {
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

} // namespace

bool namesMainBranch(const QString& refs) {
    for (QStringView piece : QStringView(refs).split(u", ")) {
        piece = trimmedOfSpaces(piece);
        QStringView name;
        if (piece.startsWith(u"HEAD -> ")) {
            name = piece.sliced(8);
        } else {
            if (piece.isEmpty() || piece.startsWith(u"tag:") || piece == u"HEAD" ||
                piece.contains(u"origin/") || piece.contains(u"->"))
                continue;
            name = piece;
        }
        if (name == u"main" || name == u"master")
            return true;
    }
    return false;
}

namespace {

int freeLane(QList<Lane>& lanes) {
    for (qsizetype i = 0; i < lanes.size(); ++i) {
        if (!lanes.at(i).used)
            return int(i);
    }
    lanes.append(Lane{});
    return int(lanes.size() - 1);
}

GraphLine line(int column, LineType type, const Lane& lane) {
    return GraphLine{.column = column,
                     .type = type,
                     .color = graphLaneColor(column),
                     .target = lane.target,
                     .lane = lane.id};
}

} // namespace

CommitGraphLayout layoutRows(const QList<GitCommit>& commits, const QString& headHash) {
    CommitGraphLayout layout;
    const int n = int(commits.size());
    layout.rows.reserve(n);
    const RowIndex rowOf(commits);
    QHash<QString, int> missing;
    // Rows past the list name parents that are not loaded.
    const auto rowOfHash = [&](const QString& hash, int below) {
        const int found = rowOf.find(hash);
        if (found > below)
            return found;
        auto known = missing.constFind(hash);
        if (known == missing.cend()) {
            known = missing.insert(hash, int(layout.missingParents.size()));
            layout.missingParents.append(hash);
        }
        return n + *known;
    };
    int nextId = 0;
    const auto waitFor = [&](Lane& lane, const QString& hash, int below) {
        lane.hash = hash;
        lane.used = true;
        lane.target = rowOfHash(hash, below);
    };

    QList<Lane> lanes;
    for (int r = 0; r < n; ++r) {
        if (namesMainBranch(commits.at(r).refs)) {
            // Lane 0 is reserved for the main line and follows its first parents.
            lanes.append(Lane{commits.at(r).id, true, r, nextId++});
            break;
        }
    }

    for (int row = 0; row < n; ++row) {
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
            node = freeLane(lanes);
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
            waitFor(lanes[node], commit.parents.constFirst(), row);
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
                    target = freeLane(lanes);
                    lanes[target].id = nextId++;
                    waitFor(lanes[target], parent, row);
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
                                           .isHead = commit.id == headHash});
    }
    return layout;
}

QHash<QString, CommitGraphData> calculate(const QList<GitCommit>& commits,
                                          const QString& headHash) {
    CommitGraphLayout layout = layoutRows(commits, headHash);
    QHash<QString, CommitGraphData> result;
    result.reserve(commits.size());
    for (qsizetype r = 0; r < commits.size(); ++r)
        result.insert(commits.at(r).id, std::move(layout.rows[r]));
    return result;
}

} // namespace tolvane::CommitGraphCalculator
