// Any commit list, however inconsistent its parents, must lay out without crashing, with one
// node line per row, every line inside the row's maxColumn; in the lane-per-branch layout and in
// the compact one.
#include "graph/CommitGraphCalculator.h"
#include "graph/compactGraphLayout.h"

#include <cstddef>
#include <cstdint>

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Each commit takes three bytes: its id, its parent count (0..3) with a "main" flag, and a
    // seed for its parents' ids. Ids come from a small alphabet so that lanes meet and repeat.
    QList<GitCommit> commits;
    for (size_t i = 0; i + 3 <= size; i += 3) {
        GitCommit c;
        c.id = QString::number(data[i] % 32);
        const int parents = data[i + 1] & 3;
        for (int p = 0; p < parents; ++p)
            c.parents.append(QString::number((data[i + 2] >> (2 * p)) % 32));
        if (data[i + 1] & 4)
            c.refs = QStringLiteral("HEAD -> main, tag: v1");
        commits.append(c);
    }
    const auto graph = CommitGraphCalculator::calculate(commits, QStringLiteral("0"));
    for (const GitCommit& c : commits) {
        const CommitGraphData& row = graph[c.id];
        int nodes = 0;
        for (const GraphLine& line : row.lines) {
            if (line.column < 0 || line.column > row.maxColumn)
                __builtin_trap();
            nodes += line.type == LineType::Commit;
        }
        if (nodes != 1)
            __builtin_trap();
    }

    CompactGraphOptions options;
    options.maxColumns = size > 0 ? 1 + data[0] % 12 : 10;
    const CommitGraphLayout compact = compactGraphLayout(commits, QStringLiteral("0"), options);
    if (compact.rows.size() != commits.size())
        __builtin_trap();
    for (const CommitGraphData& row : compact.rows) {
        int nodes = 0;
        for (const GraphLine& line : row.lines) {
            if (line.column < 0 || line.column > row.maxColumn || line.fromColumn > row.maxColumn)
                __builtin_trap();
            nodes += line.type == LineType::Commit;
        }
        if (nodes != 1)
            __builtin_trap();
    }
    return 0;
}
