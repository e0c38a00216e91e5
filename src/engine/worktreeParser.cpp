#include "engine/worktreeParser.h"

namespace tolvane {

QList<GitWorktree> parseWorktreeList(const QString& output) {
    QList<GitWorktree> worktrees;
    if (output.isEmpty())
        return worktrees;
    GitWorktree current;
    auto emitCurrent = [&] {
        if (!current.path.isEmpty()) {
            current.id = current.path;
            worktrees.append(current);
        }
    };
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'))) {
        if (line.startsWith(u"worktree ")) {
            emitCurrent();
            current = GitWorktree{};
            current.path = line.sliced(9).toString();
            current.isMain = worktrees.isEmpty();
        } else if (line.startsWith(u"HEAD ")) {
            current.commitHash = line.sliced(5).toString();
        } else if (line.startsWith(u"branch ")) {
            QStringView branch = line.sliced(7);
            if (branch.startsWith(u"refs/heads/"))
                branch = branch.sliced(11);
            current.branch = branch.toString();
        } else if (line == u"detached") {
            current.isDetached = true;
        }
    }
    emitCurrent();
    return worktrees;
}

} // namespace tolvane
