#include "FuzzInput.h"
#include "engine/conflictState.h"
#include "engine/conflictText.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::textFrom(data, size);
    const ConflictText parsed = parseConflictText(text);
    fuzz::check(parsed.plain.size() == parsed.blocks.size() + 1);
    // Choosing nothing writes nothing; choosing every side only drops marker lines.
    fuzz::check(!resolveConflictText(
                    parsed, QList<BlockChoice>(parsed.blocks.size(), BlockChoice::Undecided)) ||
                parsed.blocks.isEmpty());
    const std::optional<QString> both =
        resolveConflictText(parsed, QList<BlockChoice>(parsed.blocks.size(), BlockChoice::Both));
    fuzz::check(both && both->size() <= text.size());
    if (parsed.blocks.isEmpty())
        fuzz::check(*both == text);
    for (const UnmergedEntry& entry : parseUnmergedEntries(text)) {
        fuzz::check(!entry.path.isEmpty());
        fuzz::check(entry.hasBase || entry.hasOurs || entry.hasTheirs);
    }
    return 0;
}
