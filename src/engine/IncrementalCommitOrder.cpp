#include "engine/IncrementalCommitOrder.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace tolvane {

qsizetype IncrementalCommitOrder::append(QList<GitCommit> page) {
    const int oldCount = int(m_placedAt.size());
    const int newCount = oldCount + int(page.size());
    for (int i = 0; i < page.size(); ++i) {
        // A commit listed twice is known by its first row.
        if (!m_rowOfId.contains(page.at(i).id))
            m_rowOfId.insert(page.at(i).id, oldCount + i);
    }
    // A new commit whose parent is listed before it moves that parent, and every row placed
    // after the parent may then be placed differently: those rows are placed again.
    qsizetype firstChanged = m_commits.size();
    for (int i = 0; i < page.size(); ++i) {
        for (const auto& parent : page.at(i).parents) {
            const auto found = m_rowOfId.constFind(parent);
            if (found != m_rowOfId.cend() && *found < oldCount)
                firstChanged = std::min<qsizetype>(firstChanged, m_placedAt[size_t(*found)]);
        }
    }

    // The rows placed again, by their row in git's output, which decides among the ready ones.
    std::vector<int> members(m_gitRow.begin() + firstChanged, m_gitRow.end());
    std::sort(members.begin(), members.end());
    for (int r = oldCount; r < newCount; ++r)
        members.push_back(r);
    const auto localOf = [&members](int gitRow) {
        const auto it = std::lower_bound(members.begin(), members.end(), gitRow);
        return it != members.end() && *it == gitRow ? int(it - members.begin()) : -1;
    };
    std::vector<GitCommit> byLocal(members.size());
    for (qsizetype row = firstChanged; row < m_commits.size(); ++row)
        byLocal[size_t(localOf(m_gitRow[size_t(row)]))] = std::move(m_commits[row]);
    for (int i = 0; i < page.size(); ++i)
        byLocal[size_t(localOf(oldCount + i))] = std::move(page[i]);

    // Rows placed before stay placed: only edges among the members wait.
    const size_t count = members.size();
    std::vector<int> edgeStart(count + 1, 0);
    std::vector<int> edges;
    std::vector<int> waitingFor(count, 0);
    for (size_t i = 0; i < count; ++i) {
        for (const auto& parent : byLocal[i].parents) {
            const auto found = m_rowOfId.constFind(parent);
            if (found == m_rowOfId.cend())
                continue;
            const int local = localOf(*found);
            if (local < 0 || size_t(local) == i)
                continue;
            edges.push_back(local);
            ++waitingFor[size_t(local)];
        }
        edgeStart[i + 1] = int(edges.size());
    }
    std::priority_queue<int, std::vector<int>, std::greater<>> ready;
    for (size_t i = 0; i < count; ++i) {
        if (waitingFor[i] == 0)
            ready.push(int(i));
    }
    m_commits.resize(firstChanged);
    m_gitRow.resize(size_t(firstChanged));
    m_placedAt.resize(size_t(newCount));
    std::vector<bool> placed(count, false);
    const auto place = [&](int local) {
        placed[size_t(local)] = true;
        m_placedAt[size_t(members[size_t(local)])] = int(m_commits.size());
        m_gitRow.push_back(members[size_t(local)]);
        m_commits.append(std::move(byLocal[size_t(local)]));
    };
    while (!ready.empty()) {
        const int local = ready.top();
        ready.pop();
        place(local);
        for (int e = edgeStart[size_t(local)]; e < edgeStart[size_t(local) + 1]; ++e) {
            if (--waitingFor[size_t(edges[size_t(e)])] == 0)
                ready.push(edges[size_t(e)]);
        }
    }
    // Only a malformed list has a cycle; its rows keep their relative order at the end.
    for (size_t i = 0; i < count; ++i) {
        if (!placed[i])
            place(int(i));
    }
    return firstChanged;
}

} // namespace tolvane
