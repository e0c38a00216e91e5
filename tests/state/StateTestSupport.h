#pragma once

#include "engine/GitRunnerConfig.h"
#include "log/LogStore.h"
#include "state/RepositoryState.h"
#include "support/RepoFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tolvane::test {

// Adds `count` commits on top of the current branch in one fast-import run (a few hundred
// separate `git commit` runs would dominate the suite's time), `secondsApart` apart from
// 2024-01-02 12:53:20 UTC on.
inline void importCommits(RepoFixture& repo, int count,
                          const QString& branch = QStringLiteral("main"), int secondsApart = 1) {
    QByteArray stream;
    const QString parent = repo.head();
    for (int i = 0; i < count; ++i) {
        const QByteArray message = "commit " + QByteArray::number(i) + "\n";
        stream += "commit refs/heads/" + branch.toUtf8() + "\n";
        stream += "committer Test User <test@example.com> " +
                  QByteArray::number(1704200000 + qint64(i) * secondsApart) + " +0000\n";
        stream += "data " + QByteArray::number(message.size()) + "\n" + message;
        if (i == 0 && !parent.isEmpty())
            stream += "from " + parent.toUtf8() + "\n";
        const QByteArray content = QByteArray::number(i) + "\n";
        stream += "M 100644 inline counter.txt\ndata " + QByteArray::number(content.size()) + "\n" +
                  content + "\n";
    }
    QProcess process;
    process.setWorkingDirectory(repo.path());
    process.start(QStringLiteral("/usr/bin/git"),
                  {QStringLiteral("fast-import"), QStringLiteral("--quiet")});
    process.write(stream);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    QCOMPARE(process.exitCode(), 0);
    repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});
}

// A git in front of the real one that runs `prelude` (shell) first; it sees the arguments as $@.
class GitStandIn {
public:
    explicit GitStandIn(const QByteArray& prelude) {
        const QString path = m_dir.filePath(QStringLiteral("git"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + prelude + "\nexec /usr/bin/git \"$@\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitExecutable = path;
        GitRunnerConfig::set(config);
    }
    ~GitStandIn() { GitRunnerConfig::set(GitRunnerConfig{}); }

private:
    QTemporaryDir m_dir;
};

inline QStringList logMessages() {
    QStringList messages;
    for (const LogEntry& entry : LogStore::shared().entries())
        messages.append(entry.message);
    return messages;
}

inline std::unique_ptr<RepositoryState> openState(const QString& path) {
    return std::make_unique<RepositoryState>(
        RepositoryTab{QUuid::createUuid(), path, QDir(path).dirName(), std::nullopt});
}

inline std::optional<FileChange> findChange(const RepositoryState& state, const QString& path,
                                            bool staged) {
    for (const FileChange& change : state.changes()) {
        if (change.path == path && change.isStaged == staged)
            return change;
    }
    return std::nullopt;
}

// Waits until the state has no diff load in flight (selection operations start loads they do
// not hand back).
inline bool waitForDiff(const RepositoryState& state) {
    return QTest::qWaitFor([&] { return !state.isLoadingDiff(); }, 20000);
}

} // namespace tolvane::test
