#pragma once

#include "engine/GitCommit.h"
#include "engine/GitError.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace tolvane {

// What one read of a LogStream brought: the next commits in git's order, whether the log has
// ended, and the error when git failed or the stream was cancelled.
struct LogStreamPage {
    QList<GitCommit> commits;
    bool ended = false;
    std::optional<GitError> error;
};

// One `git log` (printed with logFormatArgument) left running for paging. Its output is read on a
// worker only when more commits are asked for; in between the pipe fills and git waits, so a page
// costs what its own commits cost however deep the list already is. git runs in its own process
// group, which is killed when the stream is cancelled or destroyed, and when the program quits.
class LogStream {
public:
    // Nothing starts before the first read. `logArguments` start with "log".
    LogStream(QString repoPath, QStringList logArguments);
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // The history list's log: HEAD's history, or every ref's with allBranches, in the order
    // GitService::log gives (by date where git reads a commit-graph, which is looked for on the
    // worker when the first page is read). Without allBranches, the history of `alsoRefs` (full
    // ref names, such as the branch's upstream) is listed with HEAD's.
    static std::unique_ptr<LogStream> history(QString repoPath, bool allBranches,
                                              QStringList alsoRefs = {});

    // The next `count` commits, fewer where the log ends. Reads run one at a time, in order.
    QCoro::Task<LogStreamPage> read(int count);
    // The blocking core of read; call it only on a worker thread.
    LogStreamPage readBlocking(int count);
    // Ends git now; a read on its way returns a cancelled error.
    void cancel();
    // Ends every stream's git; called once when the program quits.
    static void cancelAll();

    struct Shared; // the process and its buffers, kept alive by a read still on a worker

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace tolvane
