#include "engine/logParser.h"

namespace tolvane {

QList<GitCommit> parseLog(const QString& output) {
    QList<GitCommit> commits;
    if (output.isEmpty())
        return commits;
    static const QString separator = QStringView(u"\0---END---", 10).toString();
    const QStringView text(output);
    for (QStringView piece : text.tokenize(separator)) {
        const QList<QStringView> fields = piece.split(QChar(u'\0'));
        if (fields.size() < 5)
            continue;
        const QString id = fields[0].trimmed().toString();
        if (id.isEmpty())
            continue;
        GitCommit commit;
        commit.id = id;
        commit.shortHash = fields[1].toString();
        commit.author = fields[2].toString();
        commit.date = fields[3].toString();
        commit.message = fields[4].toString();
        commit.fullMessage = fields.size() >= 6 ? fields[5].trimmed().toString() : commit.message;
        if (fields.size() >= 7)
            commit.refs = fields[6].toString();
        if (fields.size() >= 8) {
            const QStringView parents = fields[7].trimmed();
            if (!parents.isEmpty()) {
                for (QStringView parent : parents.split(QChar(u' ')))
                    commit.parents.append(parent.toString());
            }
        }
        commits.append(std::move(commit));
    }
    return commits;
}

} // namespace tolvane
