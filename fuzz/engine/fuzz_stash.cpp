#include "FuzzInput.h"
#include "engine/stashParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const StashEntry& entry : parseStashList(fuzz::textFrom(data, size)))
        fuzz::check(!entry.message.contains(QChar(u'\0')) && !entry.hash.isEmpty());
    return 0;
}
