#include "graph/CommitGraphCalculator.h"

#include "graph/graphPalette.h"

namespace tolvane::CommitGraphCalculator {

namespace {

// A lane waits for one commit, or is free. Lanes are never removed, only freed and reused.
struct Lane {
    QString hash;
    bool used = false;
};

QStringView trimmedOfSpaces(QStringView text) {
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

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

int freeLane(QList<Lane>& lanes) {
    for (qsizetype i = 0; i < lanes.size(); ++i) {
        if (!lanes.at(i).used)
            return int(i);
    }
    lanes.append(Lane{});
    return int(lanes.size() - 1);
}

GraphLine line(int column, LineType type) {
    return GraphLine{.column = column, .type = type, .color = graphLaneColor(column)};
}

} // namespace

QHash<QString, CommitGraphData> calculate(const QList<GitCommit>& commits,
                                          const QString& headHash) {
    QHash<QString, CommitGraphData> result;
    result.reserve(commits.size());

    QList<Lane> lanes;
    for (const GitCommit& commit : commits) {
        if (namesMainBranch(commit.refs)) {
            // Lane 0 is reserved for the main line and follows its first parents.
            lanes.append(Lane{commit.id, true});
            break;
        }
    }

    for (const GitCommit& commit : commits) {
        QList<GraphLine> lines;
        int node = -1;
        int laneCount = 0;
        for (qsizetype k = 0; k < lanes.size(); ++k) {
            Lane& lane = lanes[k];
            if (!lane.used || lane.hash != commit.id)
                continue;
            if (node < 0) {
                node = int(k);
            } else {
                // Several lanes waited for this commit: the branches that forked here end.
                lines.append(line(int(k), LineType::BranchTo));
                lane = Lane{};
            }
        }
        if (node < 0) {
            node = freeLane(lanes);
            lanes[node] = Lane{commit.id, true};
        }
        laneCount = int(lanes.size());
        lines.reserve(lines.size() + laneCount + commit.parents.size());
        for (int k = 0; k < laneCount; ++k) {
            if (k != node && lanes.at(k).used)
                lines.append(line(k, LineType::PassThrough));
        }
        lines.append(line(node, LineType::Commit));

        if (commit.parents.isEmpty()) {
            lanes[node] = Lane{};
        } else {
            lanes[node].hash = commit.parents.constFirst();
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
                    lanes[target] = Lane{parent, true};
                }
                lines.append(line(target, LineType::MergeFrom));
            }
        }

        int maxColumn = std::max(0, int(lanes.size()) - 1);
        for (const GraphLine& l : std::as_const(lines))
            maxColumn = std::max(maxColumn, l.column);
        result.insert(commit.id, CommitGraphData{.column = node,
                                                 .lines = std::move(lines),
                                                 .maxColumn = maxColumn,
                                                 .isHead = commit.id == headHash});
    }
    return result;
}

} // namespace tolvane::CommitGraphCalculator
