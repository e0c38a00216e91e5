#include "FuzzInput.h"
#include "engine/blameParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<GitBlameLine> lines = parseBlame(fuzz::textFrom(data, size));
    int previous = 0;
    for (const GitBlameLine& line : lines) {
        fuzz::check(line.id > previous);
        fuzz::check(line.commitHash.size() >= 40 && line.shortHash.size() == 7);
        previous = line.id;
    }
    return 0;
}
