#include "FuzzInput.h"
#include "engine/branchParser.h"
#include "engine/gitText.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::textFrom(data, size);
    for (const GitBranch& branch : parseLocalBranches(text))
        fuzz::check(!branch.name.isEmpty() && !branch.isRemote);
    for (const GitBranch& branch : parseRemoteBranches(text))
        fuzz::check(!branch.name.endsWith(QStringLiteral("/HEAD")) && !branch.isCurrent);
    // Parsed straight from the bytes, the same branches as from their decoded text; only the
    // ids, new in every parse, differ.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = decodeGitBytes(bytes);
    const auto sameBranches = [](const QList<GitBranch>& a, const QList<GitBranch>& b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i].name != b[i].name || a[i].isCurrent != b[i].isCurrent ||
                a[i].isRemote != b[i].isRemote || a[i].isDetached != b[i].isDetached ||
                a[i].id.isNull() || a[i].id == b[i].id)
                return false;
        }
        return true;
    };
    fuzz::check(sameBranches(parseLocalBranchesBytes(bytes), parseLocalBranches(decoded)));
    fuzz::check(sameBranches(parseRemoteBranchesBytes(bytes), parseRemoteBranches(decoded)));
    return 0;
}
