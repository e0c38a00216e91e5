#include "engine/trackedFilesOutput.h"

#include "engine/gitText.h"

#include <QHash>
#include <QMutex>
#include <cstring>

namespace tolvane {
namespace {

struct Remembered {
    QByteArray output;
    QStringList files;
};

// A few repositories are open at a time; more entries than that only hold memory.
constexpr qsizetype rememberedRepositories = 8;

QMutex memoLock;
QHash<QString, Remembered>& memo() {
    static QHash<QString, Remembered> entries;
    return entries;
}

QStringList parseRecords(QByteArrayView output) {
    QStringList records;
    qsizetype start = 0;
    while (start < output.size()) {
        const void* nul = std::memchr(output.data() + start, 0, size_t(output.size() - start));
        const qsizetype end = nul ? static_cast<const char*>(nul) - output.data() : output.size();
        if (end > start)
            records.append(decodeGitBytes(output.sliced(start, end - start)));
        start = end + 1;
    }
    return records;
}

} // namespace

QStringList trackedFilesFromOutput(const QString& repoPath, const QByteArray& output) {
    {
        QMutexLocker locker(&memoLock);
        const auto it = memo().constFind(repoPath);
        if (it != memo().cend() && it->output == output)
            return it->files;
    }
    const QStringList files = parseRecords(output);
    QMutexLocker locker(&memoLock);
    if (memo().size() >= rememberedRepositories && !memo().contains(repoPath))
        memo().erase(memo().begin());
    memo().insert(repoPath, Remembered{output, files});
    return files;
}

} // namespace tolvane
