#include "FuzzInput.h"
#include "engine/historyQueries.h"

#include <cstring>

using namespace tolvane;

// Where a line stood before a commit's changes: any diff text and any line give a line number
// of at least 1, and a diff without hunks leaves the line where it is.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::int32_t line = 0;
    std::memcpy(&line, data, sizeof line);
    const QString diff = fuzz::textFrom(data + 4, size - 4);
    const int before = lineBeforeChanges(diff, line);
    fuzz::check(before >= 1);
    if (!diff.contains(QStringLiteral("@@ -")) && line >= 1)
        fuzz::check(before == line);
    return 0;
}
