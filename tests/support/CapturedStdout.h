#pragma once

#include <QString>
#include <QStringList>

namespace tolvane::test {

// Captures what the process writes to standard output (file descriptor 1) while it lives.
class CapturedStdout {
public:
    CapturedStdout();
    ~CapturedStdout();
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    // Everything written so far, split into lines (without the final empty one).
    QStringList lines();

private:
    int m_savedFd = -1;
    QString m_path;
};

} // namespace tolvane::test
