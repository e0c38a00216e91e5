#include "FuzzInput.h"
#include "engine/gitText.h"
#include "engine/statusParser.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::textFrom(data, size);
    for (const FileChange& change : parseStatus(text)) {
        fuzz::check(!change.path.isEmpty());
        fuzz::check(!change.oldPath || change.isStaged);
    }
    const QString unescaped = unescapeGitPath(text);
    // Unescaping only ever shortens: escapes collapse, everything else is copied.
    fuzz::check(unescaped.size() <= text.size());
    // Parsed straight from the bytes, the same changes as from their decoded text.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::check(parseStatusBytes(bytes) == parseStatus(decodeGitBytes(bytes)));
    return 0;
}
