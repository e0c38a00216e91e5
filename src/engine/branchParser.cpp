#include "engine/branchParser.h"

#include "engine/lineSplitting.h"

namespace tolvane {

QList<GitBranch> parseLocalBranches(const QString& output) {
    QList<GitBranch> branches;
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'))) {
        if (line.isEmpty())
            continue;
        const QStringView trimmed = trimSpacesAndTabs(line);
        const bool isCurrent = trimmed.endsWith(QChar(u'*'));
        // Most lines hold no " *" but the marker; only those that do need the copy.
        QString name = trimmed.toString();
        if (name.contains(QStringLiteral(" *"))) {
            name.remove(QStringLiteral(" *"));
            name = trimSpacesAndTabs(name).toString();
        }
        if (name.isEmpty())
            continue;
        // A branch name never holds a space: this is git's description of a HEAD that is on no
        // branch, such as "(HEAD detached at 1a2b3c4)" or "(no branch, rebasing main)".
        if (name.contains(u' ')) {
            if (name.startsWith(u'(') && name.endsWith(u')'))
                name = name.sliced(1, name.size() - 2);
            branches.append(GitBranch::make(name, isCurrent, false, true));
            continue;
        }
        branches.append(GitBranch::make(name, isCurrent, false));
    }
    return branches;
}

QList<GitBranch> parseRemoteBranches(const QString& output) {
    QList<GitBranch> branches;
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'))) {
        const QStringView trimmed = trimSpacesAndTabs(line);
        if (trimmed.isEmpty() || trimmed.endsWith(u"/HEAD"))
            continue;
        branches.append(GitBranch::make(trimmed.toString(), false, true));
    }
    return branches;
}

} // namespace tolvane
