#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tolvane::test {

// A throw-away git repository in a temporary folder. Commits get a fixed author and dates that
// advance one minute per commit, so hashes are the same on every run. Every helper runs git
// synchronously and fails the current test (QFAIL through QTest) when git fails.
class RepoFixture {
public:
    RepoFixture();
    explicit RepoFixture(const QString& folderName);

    const QString& path() const { return m_path; }

    // Runs git in the repository (or in `workingDirectory`); returns trimmed standard output.
    QString git(const QStringList& arguments, const QString& workingDirectory = {});
    // Same, but returns the exit status and does not fail the test.
    int gitStatus(const QStringList& arguments, QString* output = nullptr,
                  const QString& workingDirectory = {});

    void writeFile(const QString& relativePath, const QByteArray& content);
    QByteArray readFile(const QString& relativePath) const;
    // Stages everything and commits with the next fixed date; returns the new commit's hash.
    QString commitAll(const QString& message);
    QString head();

private:
    void setCommitDate();
    QTemporaryDir m_dir;
    QString m_path;
    int m_commitCount = 0;
};

} // namespace tolvane::test
