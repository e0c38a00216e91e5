#include "FuzzInput.h"
#include "engine/logParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const GitCommit& commit : parseLog(fuzz::textFrom(data, size))) {
        fuzz::check(!commit.id.isEmpty());
        fuzz::check(commit.graphColumn == 0);
    }
    return 0;
}
