#include "graph/CommitGraphCalculator.h"

#include "graph/LaneGraphLayouter.h"

namespace tolvane::CommitGraphCalculator {

namespace {

QStringView trimmedOfSpaces(QStringView text) {
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

} // namespace

bool namesMainBranch(const QString& refs) {
    for (QStringView piece : QStringView(refs).split(u", ")) {
        piece = trimmedOfSpaces(piece);
        QStringView name;
        if (piece.startsWith(u"HEAD -> ")) {
            name = piece.sliced(8);
        } else {
            if (piece.isEmpty() || piece.startsWith(u"tag:") || piece == u"HEAD" ||
                piece.contains(u"origin/") || piece.contains(u"->"))
                continue;
            name = piece;
        }
        if (name == u"main" || name == u"master")
            return true;
    }
    return false;
}

CommitGraphLayout layoutRows(const QList<GitCommit>& commits, const QString& headHash) {
    CommitGraphLayout layout;
    LaneGraphLayouter().layOut(commits, headHash, layout);
    return layout;
}

QHash<QString, CommitGraphData> calculate(const QList<GitCommit>& commits,
                                          const QString& headHash) {
    CommitGraphLayout layout = layoutRows(commits, headHash);
    QHash<QString, CommitGraphData> result;
    result.reserve(commits.size());
    for (qsizetype r = 0; r < commits.size(); ++r)
        result.insert(commits.at(r).id, std::move(layout.rows[r]));
    return result;
}

} // namespace tolvane::CommitGraphCalculator
