#include "engine/commitGraphFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tolvane {

bool hasUsableCommitGraph(const QString& workingTree) {
    // Found the way git finds it from the working tree (the runner clears GIT_DIR and its kin):
    // `.git` is the repository or a file naming it, a linked worktree's repository names the
    // common one, and a bare repository is the folder itself.
    QString gitDir = workingTree + QStringLiteral("/.git");
    if (QFileInfo(gitDir).isFile()) {
        QFile link(gitDir);
        const QByteArray line = link.open(QIODevice::ReadOnly) ? link.readLine() : QByteArray();
        if (!line.startsWith("gitdir: "))
            return false;
        gitDir = QDir(workingTree).absoluteFilePath(QFile::decodeName(line.mid(8).trimmed()));
    } else if (!QFileInfo(gitDir).isDir()) {
        gitDir = workingTree;
    }
    QString common = gitDir;
    QFile commonLink(gitDir + QStringLiteral("/commondir"));
    if (commonLink.open(QIODevice::ReadOnly))
        common = QDir(gitDir).absoluteFilePath(QFile::decodeName(commonLink.readLine().trimmed()));
    const QString info = common + QStringLiteral("/objects/info/");
    return (QFileInfo::exists(info + QStringLiteral("commit-graph")) ||
            QFileInfo::exists(info + QStringLiteral("commit-graphs/commit-graph-chain"))) &&
           !QFileInfo::exists(common + QStringLiteral("/shallow"));
}

} // namespace tolvane
