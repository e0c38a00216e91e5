#include "FuzzInput.h"
#include "engine/branchParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::textFrom(data, size);
    for (const GitBranch& branch : parseLocalBranches(text))
        fuzz::check(!branch.name.isEmpty() && !branch.isRemote);
    for (const GitBranch& branch : parseRemoteBranches(text))
        fuzz::check(!branch.name.endsWith(QStringLiteral("/HEAD")) && !branch.isCurrent);
    return 0;
}
