#include "engine/commitOrder.h"

#include <QHash>
#include <functional>
#include <queue>
#include <vector>

namespace tolvane {

QList<GitCommit> orderParentsBelowChildren(QList<GitCommit> commits) {
    const qsizetype count = commits.size();
    QHash<QString, qsizetype> rowOf;
    rowOf.reserve(count);
    // Backwards, so that a commit listed twice is known by its first row.
    for (qsizetype i = count - 1; i >= 0; --i)
        rowOf.insert(commits.at(i).id, i);

    // Edges from each row to the rows of its listed parents, and how many children still have
    // to be placed before each row may be.
    std::vector<qsizetype> edgeStart(count + 1, 0);
    std::vector<qsizetype> edges;
    std::vector<qsizetype> waitingFor(count, 0);
    bool alreadyOrdered = true;
    for (qsizetype i = 0; i < count; ++i) {
        for (const QString& parent : commits.at(i).parents) {
            const auto found = rowOf.constFind(parent);
            if (found == rowOf.cend() || *found == i)
                continue;
            edges.push_back(*found);
            ++waitingFor[*found];
            alreadyOrdered = alreadyOrdered && *found > i;
        }
        edgeStart[i + 1] = qsizetype(edges.size());
    }
    if (alreadyOrdered)
        return commits;

    // The earliest row whose listed children are all placed goes next.
    std::priority_queue<qsizetype, std::vector<qsizetype>, std::greater<>> ready;
    for (qsizetype i = 0; i < count; ++i) {
        if (waitingFor[i] == 0)
            ready.push(i);
    }
    std::vector<bool> placed(count, false);
    QList<GitCommit> ordered;
    ordered.reserve(count);
    while (!ready.empty()) {
        const qsizetype row = ready.top();
        ready.pop();
        placed[row] = true;
        ordered.append(std::move(commits[row]));
        for (qsizetype e = edgeStart[row]; e < edgeStart[row + 1]; ++e) {
            if (--waitingFor[edges[e]] == 0)
                ready.push(edges[e]);
        }
    }
    // Only a malformed list has a cycle; its rows keep their relative order at the end.
    for (qsizetype i = 0; i < count; ++i) {
        if (!placed[i])
            ordered.append(std::move(commits[i]));
    }
    return ordered;
}

} // namespace tolvane
