#include "FuzzInput.h"
#include "engine/gitText.h"
#include "engine/historyQueries.h"

using namespace tolvane;

// A file's history must parse without crashing and give each listed commit a whole hash; a
// rename names the file's old path, never the same text as its new one by accident of parsing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = fuzz::textFrom(data, size);
    const QList<FileHistoryEntry> entries = parseFileHistory(output);
    fuzz::check(entries.size() <= output.count(QChar(u'\x1e')) + 1);
    for (const FileHistoryEntry& entry : entries)
        fuzz::check(!entry.commit.id.isEmpty());
    // Parsed straight from the bytes, the same entries as from their decoded text.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::check(parseFileHistoryBytes(bytes) == parseFileHistory(decodeGitBytes(bytes)));
    return 0;
}
