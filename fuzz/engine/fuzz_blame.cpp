#include "FuzzInput.h"
#include "engine/blameParser.h"
#include "engine/gitText.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<GitBlameLine> lines = parseBlame(fuzz::textFrom(data, size));
    int previous = 0;
    for (const GitBlameLine& line : lines) {
        fuzz::check(line.id > previous);
        fuzz::check(line.commitHash().size() >= 40 && line.shortHash().size() == 7);
        previous = line.id;
    }
    // Parsed straight from the bytes, the same lines as from their decoded text.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<GitBlameLine> fromBytes = parseBlameBytes(bytes);
    const QList<GitBlameLine> fromText = parseBlame(decodeGitBytes(bytes));
    fuzz::check(fromBytes.size() == fromText.size());
    for (qsizetype i = 0; i < fromBytes.size(); ++i) {
        const GitBlameLine& a = fromBytes[i];
        const GitBlameLine& b = fromText[i];
        fuzz::check(a.id == b.id && a.commitHash() == b.commitHash() &&
                    a.shortHash() == b.shortHash() && a.author() == b.author() &&
                    a.date() == b.date() && a.content == b.content &&
                    a.originalLine == b.originalLine && a.previousHash() == b.previousHash() &&
                    a.previousPath() == b.previousPath());
    }
    return 0;
}
