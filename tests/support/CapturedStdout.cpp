#include "support/CapturedStdout.h"

#include <QFile>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tolvane::test {

CapturedStdout::CapturedStdout() {
    QTemporaryFile file;
    file.setAutoRemove(false);
    file.open();
    m_path = file.fileName();
    file.close();
    std::fflush(stdout);
    m_savedFd = ::dup(STDOUT_FILENO);
    const int fd = ::open(m_path.toLocal8Bit().constData(), O_WRONLY | O_TRUNC);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

CapturedStdout::~CapturedStdout() {
    std::fflush(stdout);
    ::dup2(m_savedFd, STDOUT_FILENO);
    ::close(m_savedFd);
    QFile::remove(m_path);
}

QStringList CapturedStdout::lines() {
    std::fflush(stdout);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace tolvane::test
