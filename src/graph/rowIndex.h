#pragma once

#include "engine/GitCommit.h"

#include <QHashFunctions>
#include <QList>
#include <QStringView>
#include <algorithm>
#include <vector>

namespace tolvane {

// Finds the row of a commit id in a list of commits: an open-addressed table of hashes, checked
// against the ids themselves. Built once per layout; several times faster than a QHash of
// strings on 100,000 commits. A commit listed twice is found at its first row.
class RowIndex {
public:
    explicit RowIndex(const QList<GitCommit>& commits) : m_commits(&commits) { extend(commits); }

    // Takes in the rows `commits` has beyond those already indexed; the rows indexed before must
    // be the same commits.
    void extend(const QList<GitCommit>& commits) {
        m_commits = &commits;
        if (m_slots.empty() || m_slots.size() < size_t(commits.size()) * 2) {
            size_t size = 16;
            while (size < size_t(commits.size()) * 2)
                size *= 2;
            // Grown by doubling, so that appending rows costs them alone, give or take.
            size = std::max(size, m_slots.size() * 2);
            m_mask = size - 1;
            m_slots.assign(size, Slot{});
            m_indexed = 0;
        }
        for (qsizetype r = m_indexed; r < commits.size(); ++r) {
            const size_t hash = hashOf(commits.at(r).id);
            for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
                Slot& slot = m_slots[i];
                if (slot.row < 0) {
                    slot = Slot{hash, int(r)};
                    break;
                }
                if (slot.hash == hash && commits.at(slot.row).id == commits.at(r).id)
                    break;
            }
        }
        m_indexed = commits.size();
    }

    // The row of `id`, or -1.
    [[nodiscard]] int find(QStringView id) const {
        const size_t hash = hashOf(id);
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot& slot = m_slots[i];
            if (slot.row < 0)
                return -1;
            if (slot.hash == hash && m_commits->at(slot.row).id == id)
                return slot.row;
        }
    }

private:
    // Commit ids are hex digests: their first sixteen digits tell them apart as well as all
    // forty, and hash in half the time. Matches are checked against the whole id.
    static size_t hashOf(QStringView id) {
        return qHash(id.first(std::min<qsizetype>(id.size(), 16)));
    }

    struct Slot {
        size_t hash = 0;
        int row = -1;
    };
    const QList<GitCommit>* m_commits;
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    qsizetype m_indexed = 0;
};

} // namespace tolvane
