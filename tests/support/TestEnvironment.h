#pragma once

#include <QString>
#include <QTemporaryDir>

namespace tolvane::test {

// Points HOME, XDG folders, git's global configuration and the settings store into one
// throw-away folder, so that no test reads or writes the user's own files. Call before creating
// any repository or reading any setting; keep the object alive for the whole test run.
class TestEnvironment {
public:
    TestEnvironment();
    const QString& home() const { return m_homePath; }

private:
    QTemporaryDir m_home;
    QString m_homePath;
};

} // namespace tolvane::test
