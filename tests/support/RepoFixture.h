#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tolvane::test {

// A throw-away git repository in a temporary folder. Commits get a fixed author and dates that
// advance one minute per commit, so hashes are the same on every run. Every helper runs git
// synchronously and fails the current test (QFAIL through QTest) when git fails.
class RepoFixture {
public:
    enum class Kind { WorkingTree, Bare };

    RepoFixture();
    explicit RepoFixture(const QString& folderName, Kind kind = Kind::WorkingTree);

    const QString& path() const { return m_path; }
    // A path beside the repository inside the same throw-away folder (for worktrees, clones).
    QString siblingPath(const QString& name) const;

    // Runs git in the repository (or in `workingDirectory`); returns trimmed standard output.
    QString git(const QStringList& arguments, const QString& workingDirectory = {});
    // Same, but returns the exit status and does not fail the test.
    int gitStatus(const QStringList& arguments, QString* output = nullptr,
                  const QString& workingDirectory = {});

    // git's standard output exactly as it printed it; does not fail the test.
    QByteArray gitOutput(const QStringList& arguments) const;
    // The staged content of a path, byte for byte.
    QByteArray stagedBytes(const QString& path) const {
        return gitOutput({QStringLiteral("cat-file"), QStringLiteral("blob"), u':' + path});
    }

    void writeFile(const QString& relativePath, const QByteArray& content);
    // Writes a file by its exact name bytes, which need not be UTF-8 (QFile would re-encode
    // them), and returns its full path; such files are removed by name with the fixture.
    QByteArray writeFileByName(const QByteArray& name, const QByteArray& content);
    static QByteArray readFileByName(const QByteArray& path);
    QByteArray readFile(const QString& relativePath) const;
    // Stages everything and commits with the next fixed date; returns the new commit's hash.
    QString commitAll(const QString& message);
    QString head();

    // Gives the next commit-making git command (merge, stash, tag -a) the next fixed date.
    void advanceClock() { setCommitDate(); }
    // Creates a bare repository "origin.git" beside this one, adds it as "origin", pushes the
    // current branch with upstream tracking and returns its path.
    QString addBareOrigin();
    // Adds a linked worktree at siblingPath(name); `arguments` follow the path ("-b", "x" must
    // come first, so they are given separately as newBranch). Returns the worktree's path.
    QString addWorktree(const QString& name, const QStringList& arguments = {},
                        const QString& newBranch = {});
    // Leaves `relativePath` in a both-modified merge conflict between the current branch and a
    // branch "theirs"; the file must not exist yet.
    void makeConflict(const QString& relativePath);

    ~RepoFixture();
    RepoFixture(const RepoFixture&) = delete;
    RepoFixture& operator=(const RepoFixture&) = delete;

private:
    void setCommitDate();
    QList<QByteArray> m_namedFiles;
    QTemporaryDir m_dir;
    QString m_path;
    int m_commitCount = 0;
};

} // namespace tolvane::test
