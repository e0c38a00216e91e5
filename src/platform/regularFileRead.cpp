#include "platform/regularFileRead.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {
namespace {

// Reads into `buffer` until it is full or the file ends; the count read, or -1 on an error.
qsizetype readFully(int descriptor, char* buffer, qsizetype length) {
    qsizetype filled = 0;
    while (filled < length) {
        const ssize_t count = ::read(descriptor, buffer + filled, size_t(length - filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

} // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_descriptor(other.m_descriptor), m_size(other.m_size) {
    other.m_descriptor = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = other.m_descriptor;
        m_size = other.m_size;
        other.m_descriptor = -1;
    }
    return *this;
}

RegularFile::~RegularFile() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

RegularFile RegularFile::open(const QByteArray& path, LinkPolicy links) {
    RegularFile file;
    if (path.isEmpty())
        return file;
    // Non-blocking, so that a named pipe without a writer cannot hold the open; without following
    // a last link where asked. A device or pipe is refused below, before anything is read.
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == LinkPolicy::Refuse)
        flags |= O_NOFOLLOW;
    const int descriptor = ::open(path.constData(), flags);
    if (descriptor < 0)
        return file;
    struct stat facts {};
    if (::fstat(descriptor, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        ::close(descriptor);
        return file;
    }
    file.m_descriptor = descriptor;
    file.m_size = qint64(facts.st_size);
    return file;
}

int RegularFile::release() {
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    return descriptor;
}

std::optional<QByteArray> RegularFile::read(qsizetype limit) {
    if (m_descriptor < 0 || limit < 0)
        return std::nullopt;
    // Sized by the file, not by the limit, so that a generous limit costs nothing.
    QByteArray bytes(std::min(limit, qsizetype(std::max<qint64>(m_size, 0))), Qt::Uninitialized);
    qsizetype filled = readFully(m_descriptor, bytes.data(), bytes.size());
    if (filled < 0)
        return std::nullopt;
    // The file may have grown since it was opened: go on, in steps, up to the limit.
    while (filled == bytes.size() && filled < limit) {
        const qsizetype step = std::min<qsizetype>(limit - filled, 1 << 16);
        bytes.resize(filled + step);
        const qsizetype count = readFully(m_descriptor, bytes.data() + filled, step);
        if (count < 0)
            return std::nullopt;
        filled += count;
        if (count < step)
            break;
    }
    bytes.truncate(filled);
    return bytes;
}

std::optional<FilePrefix> readRegularFilePrefix(const QByteArray& path, qsizetype limit,
                                                LinkPolicy links) {
    RegularFile file = RegularFile::open(path, links);
    if (!file.isOpen())
        return std::nullopt;
    // One byte more tells whether anything was left.
    std::optional<QByteArray> bytes = file.read(limit + 1);
    if (!bytes)
        return std::nullopt;
    FilePrefix prefix;
    prefix.complete = bytes->size() <= limit;
    bytes->truncate(std::min(bytes->size(), limit));
    prefix.bytes = std::move(*bytes);
    return prefix;
}

std::optional<QByteArray> readRegularFile(const QByteArray& path, qsizetype limit,
                                          LinkPolicy links) {
    std::optional<FilePrefix> prefix = readRegularFilePrefix(path, limit, links);
    if (!prefix || !prefix->complete)
        return std::nullopt;
    return std::move(prefix->bytes);
}

bool readRegularFileChunks(const QByteArray& path, qsizetype chunkSize,
                           const std::function<bool(QByteArrayView)>& consume, LinkPolicy links) {
    RegularFile file = RegularFile::open(path, links);
    if (!file.isOpen() || chunkSize <= 0)
        return false;
    ::posix_fadvise(file.descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    for (;;) {
        const ssize_t count = ::read(file.descriptor(), chunk.data(), size_t(chunk.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        if (!consume(QByteArrayView(chunk.constData(), count)))
            return false;
    }
}

} // namespace tolvane
