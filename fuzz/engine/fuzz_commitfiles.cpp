#include "FuzzInput.h"
#include "engine/binaryNumstat.h"
#include "engine/commitFilesParser.h"
#include "engine/gitText.h"
#include "engine/lineSplitting.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::textFrom(data, size);
    for (const CommitFileEntry& entry : parseCommitFiles(text))
        fuzz::check(entry.status.size() == 1);
    for (const QString& line : nonEmptyLines(text))
        fuzz::check(!line.isEmpty() && !line.contains(QChar(u'\n')));
    for (const QString& record : nonEmptyRecords(text))
        fuzz::check(!record.isEmpty() && !record.contains(QChar(u'\0')));
    (void)numstatShowsBinary(text);
    // Parsed straight from the bytes, the same entries as from their decoded text.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::check(parseCommitFilesBytes(bytes) == parseCommitFiles(decodeGitBytes(bytes)));
    return 0;
}
