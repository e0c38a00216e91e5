// Classifying any text must not crash and must give one display line per text line.
#include "diff/diffLineClassifier.h"

#include <cstddef>
#include <cstdint>

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<DiffLine> lines = parseDiffLines(text);
    if (lines.size() != text.count(u'\n') + 1)
        __builtin_trap();
    for (const DiffLine& line : lines) {
        if ((line.type == DiffLineType::Addition && (line.oldNum || !line.newNum)) ||
            (line.type == DiffLineType::Deletion && (!line.oldNum || line.newNum)) ||
            (line.type == DiffLineType::HunkHeader && (line.oldNum || line.newNum)))
            __builtin_trap();
    }
    return 0;
}
