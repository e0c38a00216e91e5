// Histories made from the input, laid out a page at a time by both graph layouts, must come out
// exactly as the whole list laid out at once: the pages continue from state the earlier pages
// left, and any difference would be a wrong line on screen.
#include "graph/CommitGraphCalculator.h"
#include "graph/LaneGraphLayouter.h"
#include "graph/compactGraphLayout.h"

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace tolvane;

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    unsigned next() { return at < size ? data[at++] : 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{data, size};
    const int count = 1 + int(in.next() % 120);
    const unsigned settings = in.next();
    // Newest first; parents mostly below their child, a few anywhere (a damaged list) or not
    // listed at all (a commit not loaded yet).
    QList<GitCommit> commits(count);
    for (int r = 0; r < count; ++r)
        commits[r].id = QStringLiteral("c%1").arg(r);
    for (int r = 0; r < count; ++r) {
        const unsigned kind = in.next();
        const int parents = kind % 4 == 3 ? 2 + int(kind / 4 % 3) : int(kind % 4 != 0 || r == 0);
        for (int p = 0; p < parents; ++p) {
            const unsigned pick = in.next();
            const int below = count - r - 1;
            if (pick < 8)
                commits[r].parents.append(QStringLiteral("x%1").arg(pick));
            else if (pick < 12)
                commits[r].parents.append(QStringLiteral("c%1").arg(pick % count));
            else if (below > 0)
                commits[r].parents.append(
                    QStringLiteral("c%1").arg(r + 1 + int(pick % std::min(below, 40))));
        }
        if (kind >= 250)
            commits[r].refs =
                kind == 255 ? QStringLiteral("HEAD -> main") : QStringLiteral("master");
    }
    const QString head = settings & 1 ? commits.first().id : QString();
    CompactGraphOptions options;
    options.cutAfterRows = 2 + int(settings / 2 % 12);
    options.resumeRows = 1 + int(settings / 32 % 4);
    options.maxColumns = 1 + int(in.next() % 10);

    LaneGraphLayouter lanes;
    CommitGraphLayout lanePages;
    std::unique_ptr<CompactGraphLayouter> compact;
    CommitGraphLayout compactPages;
    for (qsizetype loaded = 0; loaded < count;) {
        const qsizetype previous = loaded;
        loaded = std::min<qsizetype>(count, loaded + 1 + in.next() % 50);
        const QList<GitCommit> page = commits.first(loaded);
        const bool hint = in.next() & 1;
        lanes.layOut(page, head, lanePages, hint ? previous : 0);
        check(lanePages == CommitGraphCalculator::layoutRows(page, head));
        compact =
            compact
                ? std::make_unique<CompactGraphLayouter>(page, head, options, std::move(*compact),
                                                         compactPages, hint ? previous : 0)
                : std::make_unique<CompactGraphLayouter>(page, head, options);
        // A view lays out only as far as it shows before the next page comes.
        compact->layOutThrough(int(in.next() % (loaded + 1)) - 1, compactPages);
        if (in.next() & 1) {
            compact->layOutThrough(int(loaded) - 1, compactPages);
            check(compactPages == compactGraphLayout(page, head, options));
        }
    }
    return 0;
}
