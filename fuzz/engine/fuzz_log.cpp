#include "FuzzInput.h"
#include "engine/gitText.h"
#include "engine/logParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<GitCommit> commits = parseLog(fuzz::textFrom(data, size));
    for (const GitCommit& commit : commits) {
        fuzz::check(!commit.id.isEmpty());
        fuzz::check(commit.graphColumn == 0);
    }
    // Parsed straight from the bytes, the same commits as from their decoded text.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::check(parseLogBytes(bytes) == parseLog(decodeGitBytes(bytes)));
    return 0;
}
