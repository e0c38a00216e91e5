#include "auxiliary/repositoryFile.h"

#include "engine/gitText.h"

#include <QDir>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {
namespace {

QByteArray canonical(const QByteArray& path) {
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

bool isWithin(const QByteArray& path, const QByteArray& root) {
    if (root.isEmpty() || path.isEmpty())
        return false;
    if (path == root)
        return true;
    const QByteArray prefix = root.endsWith('/') ? root : root + '/';
    return path.startsWith(prefix);
}

} // namespace

QString RepositoryFile::pointsTo() const {
    if (isSymLink)
        return linkTarget;
    return displayText(decodeGitBytes(resolved));
}

RepositoryFile locateRepositoryFile(const QString& repositoryRoot, const QString& relativePath) {
    RepositoryFile file;
    file.path = encodeGitBytes(QDir(repositoryRoot).filePath(relativePath));
    struct stat info {};
    if (::lstat(file.path.constData(), &info) != 0)
        return file;
    file.exists = true;
    file.isSymLink = S_ISLNK(info.st_mode);
    if (file.isSymLink) {
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(file.path.constData(), target.data(), target.size());
        if (length > 0)
            file.linkTarget = displayText(decodeGitBytes(target.left(length)));
    }
    file.resolved = canonical(file.path);
    file.insideRepository = isWithin(file.resolved, canonical(encodeGitBytes(repositoryRoot)));
    return file;
}

} // namespace tolvane
