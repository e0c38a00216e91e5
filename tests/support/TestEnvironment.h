#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <optional>

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

// While alive, git knows no author: the identity variables are unset, the global configuration
// is an empty file of its own, and `repository` is told not to guess one from the system.
class WithoutGitIdentity {
public:
    explicit WithoutGitIdentity(const QString& repository);
    ~WithoutGitIdentity();
    WithoutGitIdentity(const WithoutGitIdentity&) = delete;
    WithoutGitIdentity& operator=(const WithoutGitIdentity&) = delete;
    // The empty global configuration, where "for all repositories" writes.
    QString globalConfig() const;

private:
    QTemporaryDir m_dir;
    QList<std::optional<QByteArray>> m_saved;
};

} // namespace tolvane::test
