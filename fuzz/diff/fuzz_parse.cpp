// Parsing any text must not crash, and must keep every line exactly once.
#include "diff/DiffParser.h"

#include <cstddef>
#include <cstdint>

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const ParsedFileDiff parsed = DiffParser::parse(text);
    QStringList all = parsed.headerLines;
    for (qsizetype i = 0; i < parsed.hunks.size(); ++i) {
        const DiffHunk& hunk = parsed.hunks.at(i);
        if (hunk.id != i || hunk.lines.isEmpty() || hunk.lines.constFirst() != hunk.header ||
            !hunk.header.startsWith(u"@@"))
            __builtin_trap();
        if (DiffParser::buildLineInfos(hunk).size() != hunk.addedCount + hunk.removedCount)
            __builtin_trap();
        all.append(hunk.lines);
    }
    if (all.join(u'\n') != text)
        __builtin_trap();
    (void)DiffParser::buildPatch(parsed.headerLines, parsed.hunks);
    return 0;
}
