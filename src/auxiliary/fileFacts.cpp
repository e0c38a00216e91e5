#include "auxiliary/fileFacts.h"

#include "auxiliary/repositoryFile.h"
#include "platform/regularFileRead.h"

#include <QCryptographicHash>
#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tolvane {
namespace {

constexpr const char* commentAttribute = "user.xdg.comment";
constexpr qsizetype hashChunkSize = 1 << 20;

std::optional<QDateTime> fromTimestamp(const struct statx_timestamp& stamp) {
    return QDateTime::fromMSecsSinceEpoch(qint64(stamp.tv_sec) * 1000 + stamp.tv_nsec / 1000000,
                                          Qt::UTC);
}

QString lastComponent(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace

std::optional<QByteArray> contentPath(const QString& repositoryRoot, const QString& relativePath) {
    const RepositoryFile file = locateRepositoryFile(repositoryRoot, relativePath);
    if (!file.exists || !file.insideRepository)
        return std::nullopt;
    return file.resolved;
}

std::optional<FileInfo> readFileInfo(const QString& repositoryRoot, const QString& relativePath) {
    const RepositoryFile file = locateRepositoryFile(repositoryRoot, relativePath);
    struct statx facts {};
    if (!file.exists || ::statx(AT_FDCWD, file.path.constData(), AT_SYMLINK_NOFOLLOW,
                                STATX_BASIC_STATS | STATX_BTIME, &facts) != 0)
        return std::nullopt;
    FileInfo info;
    info.path = relativePath;
    info.filename = lastComponent(relativePath);
    if (facts.stx_mask & STATX_SIZE)
        info.fileSize = qint64(facts.stx_size);
    if (facts.stx_mask & STATX_MTIME)
        info.modified = fromTimestamp(facts.stx_mtime);
    if (facts.stx_mask & STATX_BTIME)
        info.created = fromTimestamp(facts.stx_btime);
    if (file.isSymLink)
        info.linkTarget = file.linkTarget;
    info.leadsOutside = !file.insideRepository;
    if (file.insideRepository)
        info.comment = readFileComment(file.resolved);
    return info;
}

std::optional<QString> readFileComment(const QByteArray& path) {
    // The size may change between the two calls; ask again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::getxattr(path.constData(), commentAttribute, nullptr, 0);
        if (size <= 0)
            return std::nullopt;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read = ::getxattr(path.constData(), commentAttribute, value.data(), size);
        if (read < 0 && errno == ERANGE)
            continue;
        if (read <= 0)
            return std::nullopt;
        value.truncate(read);
        // Some writers keep the C string's terminator.
        while (value.endsWith('\0'))
            value.chop(1);
        if (value.isEmpty())
            return std::nullopt;
        return QString::fromUtf8(value);
    }
    return std::nullopt;
}

std::optional<QString> sha256OfFile(const QByteArray& path, const std::atomic_bool* cancelled) {
    // `path` is canonical: a link put in its place since is not followed.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const bool finished = readRegularFileChunks(
        path, hashChunkSize,
        [&hash, cancelled](QByteArrayView chunk) {
            if (cancelled && cancelled->load(std::memory_order_relaxed))
                return false;
            hash.addData(chunk);
            return true;
        },
        LinkPolicy::Refuse);
    if (!finished)
        return std::nullopt;
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace tolvane
