#include "engine/conflictState.h"

#include "engine/gitText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tolvane {
namespace {

const QString mergeHead = QStringLiteral("MERGE_HEAD");
const QString mergeMsg = QStringLiteral("MERGE_MSG");
const QString cherryPickHead = QStringLiteral("CHERRY_PICK_HEAD");
const QString revertHead = QStringLiteral("REVERT_HEAD");
const QString rebaseMerge = QStringLiteral("rebase-merge");
const QString rebaseApply = QStringLiteral("rebase-apply");

QString firstLine(const QString& text) {
    const qsizetype end = text.indexOf(u'\n');
    QString line = end < 0 ? text : text.left(end);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line.trimmed();
}

QString shortBranch(const QString& ref) {
    const QString line = firstLine(ref);
    const QString prefix = QStringLiteral("refs/heads/");
    return line.startsWith(prefix) ? line.sliced(prefix.size()) : line;
}

// "Merge branch 'feature' into main" names "feature"; so do the remote-tracking branch, tag and
// commit forms of git's message. Anything else names nothing.
QString mergedName(const QString& message) {
    const QString line = firstLine(message);
    if (!line.startsWith(QStringLiteral("Merge ")))
        return {};
    const qsizetype open = line.indexOf(u'\'');
    if (open < 0)
        return {};
    qsizetype close = line.indexOf(QStringLiteral("' into "), open + 1);
    if (close < 0)
        close = line.endsWith(u'\'') ? line.size() - 1 : -1;
    if (close <= open)
        return {};
    return line.sliced(open + 1, close - open - 1);
}

int number(const OperationStateFiles& files, const QString& name) {
    return firstLine(files.value(name)).toInt();
}

// Enough for any state file git writes; a message file larger than this is cut.
constexpr qint64 maximumStateFileSize = 1 << 20;

// `gitPaths` is rev-parse's answer for `names`, one line each.
OperationStateFiles readStateFiles(const QString& repoPath, const QStringList& names,
                                   const QString& gitPaths) {
    OperationStateFiles files;
    const QList<QStringView> lines = QStringView(gitPaths).split(u'\n');
    const QDir root(repoPath);
    for (qsizetype i = 0; i < names.size() && i < lines.size(); ++i) {
        const QString location =
            root.filePath(QFile::decodeName(encodeGitBytes(lines[i].trimmed())));
        const QFileInfo info(location);
        if (info.isDir()) {
            files.insert(names[i], QString());
        } else if (info.isFile()) {
            QFile file(location);
            if (file.open(QIODevice::ReadOnly))
                files.insert(names[i], decodeGitBytes(file.read(maximumStateFileSize)));
        }
    }
    return files;
}

QStringList gitPathArguments(const QStringList& names) {
    QStringList arguments{QStringLiteral("rev-parse")};
    for (const QString& name : names)
        arguments << QStringLiteral("--git-path") << name;
    return arguments;
}

} // namespace

QStringList operationStateFileNames() {
    return {mergeHead,
            mergeMsg,
            cherryPickHead,
            revertHead,
            rebaseMerge,
            QStringLiteral("rebase-merge/head-name"),
            QStringLiteral("rebase-merge/onto"),
            QStringLiteral("rebase-merge/msgnum"),
            QStringLiteral("rebase-merge/end"),
            rebaseApply,
            QStringLiteral("rebase-apply/applying"),
            QStringLiteral("rebase-apply/head-name"),
            QStringLiteral("rebase-apply/onto"),
            QStringLiteral("rebase-apply/next"),
            QStringLiteral("rebase-apply/last")};
}

RepositoryOperation detectOperation(const OperationStateFiles& files) {
    if (files.contains(rebaseMerge)) {
        return RepositoryOperation{
            .kind = OperationKind::Rebase,
            .subject = shortBranch(files.value(QStringLiteral("rebase-merge/head-name"))),
            .commit = firstLine(files.value(QStringLiteral("rebase-merge/onto"))),
            .step = number(files, QStringLiteral("rebase-merge/msgnum")),
            .steps = number(files, QStringLiteral("rebase-merge/end"))};
    }
    if (files.contains(rebaseApply)) {
        // git am and an apply-style rebase share the folder; only am leaves "applying" in it.
        const bool am = files.contains(QStringLiteral("rebase-apply/applying"));
        return RepositoryOperation{
            .kind = am ? OperationKind::Am : OperationKind::Rebase,
            .subject =
                am ? QString() : shortBranch(files.value(QStringLiteral("rebase-apply/head-name"))),
            .commit = am ? QString() : firstLine(files.value(QStringLiteral("rebase-apply/onto"))),
            .step = number(files, QStringLiteral("rebase-apply/next")),
            .steps = number(files, QStringLiteral("rebase-apply/last"))};
    }
    if (files.contains(mergeHead)) {
        const QString commit = firstLine(files.value(mergeHead));
        QString subject = mergedName(files.value(mergeMsg));
        if (subject.isEmpty())
            subject = commit.left(7);
        return RepositoryOperation{
            .kind = OperationKind::Merge, .subject = subject, .commit = commit};
    }
    for (const auto& [name, kind] : {std::pair{cherryPickHead, OperationKind::CherryPick},
                                     std::pair{revertHead, OperationKind::Revert}}) {
        if (files.contains(name)) {
            const QString commit = firstLine(files.value(name));
            return RepositoryOperation{.kind = kind, .subject = commit.left(7), .commit = commit};
        }
    }
    return {};
}

QCoro::Task<RepositoryOperation> readOperationState(GitService git) {
    const QString repoPath = git.repoPath();
    const QStringList arguments = gitPathArguments(operationStateFileNames());
    const auto detect = [repoPath](const QString& output) {
        return detectOperation(readStateFiles(repoPath, operationStateFileNames(), output));
    };
    co_return co_await git.runParsed(arguments, detect);
}

QCoro::Task<QString> readPreparedMessage(GitService git) {
    const QString repoPath = git.repoPath();
    const QStringList names{mergeMsg};
    const QStringList arguments = gitPathArguments(names);
    const auto read = [repoPath, names](const QString& output) {
        return readStateFiles(repoPath, names, output).value(mergeMsg);
    };
    co_return co_await git.runParsed(arguments, read);
}

QString stripCommentLines(const QString& message) {
    QStringList kept;
    for (const QStringView line : QStringView(message).split(u'\n')) {
        if (!line.startsWith(u'#'))
            kept.append(line.toString());
    }
    return kept.join(u'\n').trimmed();
}

std::optional<ConflictKind> conflictKindForLetters(QChar x, QChar y) {
    const auto is = [](QChar c, char16_t letter) { return c.unicode() == letter; };
    if (is(x, u'U') && is(y, u'U'))
        return ConflictKind::BothModified;
    if (is(x, u'A') && is(y, u'A'))
        return ConflictKind::BothAdded;
    if (is(x, u'D') && is(y, u'D'))
        return ConflictKind::BothDeleted;
    if (is(x, u'A') && is(y, u'U'))
        return ConflictKind::AddedByUs;
    if (is(x, u'U') && is(y, u'A'))
        return ConflictKind::AddedByThem;
    if (is(x, u'D') && is(y, u'U'))
        return ConflictKind::DeletedByUs;
    if (is(x, u'U') && is(y, u'D'))
        return ConflictKind::DeletedByThem;
    return std::nullopt;
}

QString conflictKindText(ConflictKind kind) {
    switch (kind) {
    case ConflictKind::BothModified:
        return QStringLiteral("both modified");
    case ConflictKind::BothAdded:
        return QStringLiteral("both added");
    case ConflictKind::BothDeleted:
        return QStringLiteral("both deleted");
    case ConflictKind::AddedByUs:
        return QStringLiteral("added by us");
    case ConflictKind::AddedByThem:
        return QStringLiteral("added by them");
    case ConflictKind::DeletedByUs:
        return QStringLiteral("deleted by us");
    case ConflictKind::DeletedByThem:
        return QStringLiteral("deleted by them");
    }
    return {};
}

QList<UnmergedEntry> parseUnmergedEntries(const QString& output) {
    QList<UnmergedEntry> entries;
    for (const QStringView record : QStringView(output).split(QChar(u'\0'))) {
        const qsizetype tab = record.indexOf(u'\t');
        if (tab < 0)
            continue;
        const QList<QStringView> fields = record.first(tab).split(u' ', Qt::SkipEmptyParts);
        const QString path = record.sliced(tab + 1).toString();
        if (fields.size() != 3 || fields[2].size() != 1 || path.isEmpty())
            continue;
        const char16_t stage = fields[2][0].unicode();
        if (stage < u'1' || stage > u'3')
            continue;
        if (entries.isEmpty() || entries.last().path != path)
            entries.append(UnmergedEntry{.path = path});
        UnmergedEntry& entry = entries.last();
        (stage == u'1' ? entry.hasBase : stage == u'2' ? entry.hasOurs : entry.hasTheirs) = true;
    }
    // The stages present tell the kind: both sides without a base were added on both, one side
    // with the base was deleted on the other, one side alone was added there.
    for (UnmergedEntry& entry : entries) {
        if (entry.hasOurs && entry.hasTheirs)
            entry.kind = entry.hasBase ? ConflictKind::BothModified : ConflictKind::BothAdded;
        else if (entry.hasOurs)
            entry.kind = entry.hasBase ? ConflictKind::DeletedByThem : ConflictKind::AddedByUs;
        else if (entry.hasTheirs)
            entry.kind = entry.hasBase ? ConflictKind::DeletedByUs : ConflictKind::AddedByThem;
        else
            entry.kind = ConflictKind::BothDeleted;
    }
    return entries;
}

} // namespace tolvane
