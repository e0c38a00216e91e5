#include "support/RepoFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

namespace tolvane::test {

RepoFixture::RepoFixture() : RepoFixture(QStringLiteral("repo")) {}

RepoFixture::RepoFixture(const QString& folderName, Kind kind) {
    m_path = QDir(m_dir.path()).filePath(folderName);
    QDir().mkpath(m_path);
    QStringList arguments{QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"),
                          QStringLiteral("main")};
    if (kind == Kind::Bare)
        arguments.append(QStringLiteral("--bare"));
    git(arguments);
}

// The temporary folder cannot remove a name that is not UTF-8 by itself.
RepoFixture::~RepoFixture() {
    for (const QByteArray& path : std::as_const(m_namedFiles))
        ::unlink(path.constData());
}

QByteArray RepoFixture::gitOutput(const QStringList& arguments) const {
    QProcess process;
    process.setWorkingDirectory(m_path);
    process.start(QStringLiteral("/usr/bin/git"), arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

QByteArray RepoFixture::writeFileByName(const QByteArray& name, const QByteArray& content) {
    const QByteArray path = QFile::encodeName(m_path) + '/' + name;
    m_namedFiles.append(path);
    const int fd = ::open(path.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != content.size())
        QTest::qFail("cannot write a file by its name bytes", __FILE__, __LINE__);
    if (fd >= 0)
        ::close(fd);
    return path;
}

QByteArray RepoFixture::readFileByName(const QByteArray& path) {
    QFile file;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    return file.readAll();
}

QString RepoFixture::siblingPath(const QString& name) const {
    return QDir(m_dir.path()).filePath(name);
}

QString RepoFixture::addBareOrigin() {
    const QString origin = siblingPath(QStringLiteral("origin.git"));
    QDir().mkpath(origin);
    git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
         QStringLiteral("-b"), QStringLiteral("main")},
        origin);
    git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"), origin});
    git({QStringLiteral("push"), QStringLiteral("-q"), QStringLiteral("-u"),
         QStringLiteral("origin"), QStringLiteral("HEAD")});
    // Gives the remote its symbolic HEAD, as a clone would have.
    git({QStringLiteral("remote"), QStringLiteral("set-head"), QStringLiteral("origin"),
         QStringLiteral("-a")});
    return origin;
}

QString RepoFixture::addWorktree(const QString& name, const QStringList& arguments,
                                 const QString& newBranch) {
    const QString path = siblingPath(name);
    QStringList command{QStringLiteral("worktree"), QStringLiteral("add"), QStringLiteral("-q")};
    if (!newBranch.isEmpty())
        command << QStringLiteral("-b") << newBranch;
    command << path << arguments;
    git(command);
    return path;
}

void RepoFixture::makeConflict(const QString& relativePath) {
    writeFile(relativePath, "base\n");
    commitAll(QStringLiteral("base of ") + relativePath);
    git({QStringLiteral("branch"), QStringLiteral("theirs")});
    writeFile(relativePath, "ours\n");
    commitAll(QStringLiteral("ours"));
    git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("theirs")});
    writeFile(relativePath, "theirs\n");
    commitAll(QStringLiteral("theirs"));
    git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-")});
    advanceClock();
    // Exits with 1 because of the conflict, which is the point.
    gitStatus({QStringLiteral("merge"), QStringLiteral("-q"), QStringLiteral("theirs")});
}

int RepoFixture::gitStatus(const QStringList& arguments, QString* output,
                           const QString& workingDirectory) {
    QProcess process;
    process.setProgram(QStringLiteral("/usr/bin/git"));
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory.isEmpty() ? m_path : workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    process.waitForFinished(-1);
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    const QByteArray errors = process.readAllStandardError();
    if (process.exitCode() != 0 && !errors.isEmpty())
        qWarning("git %s: %s", qPrintable(arguments.join(QLatin1Char(' '))), errors.constData());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString RepoFixture::git(const QStringList& arguments, const QString& workingDirectory) {
    QString output;
    const int status = gitStatus(arguments, &output, workingDirectory);
    if (status != 0)
        QTest::qFail(qPrintable(QStringLiteral("git %1 failed with %2")
                                    .arg(arguments.join(QLatin1Char(' ')))
                                    .arg(status)),
                     __FILE__, __LINE__);
    return output;
}

void RepoFixture::writeFile(const QString& relativePath, const QByteArray& content) {
    const QString full = QDir(m_path).filePath(relativePath);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + full), __FILE__, __LINE__);
    file.write(content);
}

QByteArray RepoFixture::readFile(const QString& relativePath) const {
    QFile file(QDir(m_path).filePath(relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void RepoFixture::setCommitDate() {
    // 2024-01-01 12:00 UTC plus one minute per commit.
    const qint64 seconds = 1704110400 + 60 * m_commitCount++;
    const QByteArray date = QByteArray::number(seconds) + " +0000";
    qputenv("GIT_AUTHOR_DATE", date);
    qputenv("GIT_COMMITTER_DATE", date);
}

QString RepoFixture::commitAll(const QString& message) {
    git({QStringLiteral("add"), QStringLiteral("-A")});
    setCommitDate();
    git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("--allow-empty"),
         QStringLiteral("-m"), message});
    return head();
}

QString RepoFixture::head() {
    return git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")});
}

} // namespace tolvane::test
