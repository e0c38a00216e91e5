#include "FuzzInput.h"
#include "engine/worktreeParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<GitWorktree> worktrees = parseWorktreeList(fuzz::textFrom(data, size));
    for (qsizetype i = 0; i < worktrees.size(); ++i) {
        fuzz::check(!worktrees[i].path.isEmpty() && worktrees[i].id == worktrees[i].path);
        fuzz::check(worktrees[i].isMain == (i == 0));
    }
    return 0;
}
