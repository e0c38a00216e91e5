#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace tolvane {

// Whether a symbolic link as the last component of the path is followed. A path that was made
// canonical already is opened with Refuse, so that a link put there since cannot lead elsewhere.
enum class LinkPolicy { Follow, Refuse };

// A file of the working tree opened for reading only when it is a regular file. The open never
// waits (a named pipe opens at once and is then refused), and the facts of the opened descriptor
// decide, not those of a path that may have changed in between. Paths are the file system's bytes.
class RegularFile {
public:
    RegularFile() = default;
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // Not open (isOpen() false) when the path names nothing readable or no regular file.
    static RegularFile open(const QByteArray& path, LinkPolicy links = LinkPolicy::Follow);

    bool isOpen() const { return m_descriptor >= 0; }
    int descriptor() const { return m_descriptor; }
    // The size when it was opened.
    qint64 size() const { return m_size; }
    // Hands the descriptor over to the caller, who closes it.
    int release();

    // At most `limit` bytes from the current position (fewer at the end); none when reading fails.
    std::optional<QByteArray> read(qsizetype limit);

private:
    int m_descriptor = -1;
    qint64 m_size = 0;
};

struct FilePrefix {
    QByteArray bytes;
    bool complete = false; // nothing followed the bytes
};

// The first `limit` bytes of the regular file at `path`; none when it is no regular file or cannot
// be read. A file that grows while it is read still gives no more than `limit` bytes.
std::optional<FilePrefix> readRegularFilePrefix(const QByteArray& path, qsizetype limit,
                                                LinkPolicy links = LinkPolicy::Follow);

// The whole regular file when it holds at most `limit` bytes; none otherwise.
std::optional<QByteArray> readRegularFile(const QByteArray& path, qsizetype limit,
                                          LinkPolicy links = LinkPolicy::Follow);

// Hands the regular file to `consume` in chunks of at most `chunkSize` bytes, to its end. False
// when it is no regular file, reading fails, or `consume` returns false to stop.
bool readRegularFileChunks(const QByteArray& path, qsizetype chunkSize,
                           const std::function<bool(QByteArrayView)>& consume,
                           LinkPolicy links = LinkPolicy::Follow);

} // namespace tolvane
