// Reducing any hunk to any selection must not crash; an accepted result must be a consistent
// hunk whose no-newline markers each end their side.
#include "diff/DiffParser.h"

#include <cstddef>
#include <cstdint>

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first byte picks the direction, the second seeds which lines are selected.
    const PatchDirection direction =
        data[0] & 1 ? PatchDirection::Reverse : PatchDirection::Forward;
    const uint8_t pattern = data[1];
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const ParsedFileDiff parsed = DiffParser::parse(text);
    for (const DiffHunk& hunk : parsed.hunks) {
        const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
        QSet<QUuid> selected;
        for (qsizetype i = 0; i < infos.size(); ++i) {
            if ((pattern >> (i % 8)) & 1)
                selected.insert(infos.at(i).id);
        }
        const std::optional<DiffHunk> partial =
            DiffParser::buildPartialHunk(hunk, selected, infos, direction);
        if (!partial)
            continue;
        if (partial->id != hunk.id || partial->lines.constFirst() != partial->header ||
            partial->addedCount + partial->removedCount == 0)
            __builtin_trap();
        int added = 0;
        int removed = 0;
        for (qsizetype i = 1; i < partial->lines.size(); ++i) {
            const QString& line = partial->lines.at(i);
            added += line.startsWith(u'+');
            removed += line.startsWith(u'-');
            if (line.startsWith(u'\\') && partial->lines.at(i - 1).startsWith(u'\\'))
                __builtin_trap();
        }
        if (added != partial->addedCount || removed != partial->removedCount)
            __builtin_trap();
        (void)DiffParser::buildPatch(parsed.headerLines, {*partial});
        const QList<DiffHunk> chosen{*partial};
        (void)DiffParser::buildPatch(parsed, chosen, direction);
    }
    return 0;
}
