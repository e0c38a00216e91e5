#include "engine/conflictState.h"

#include "engine/gitText.h"
#include "platform/regularFileRead.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

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

// Command lines stay well below the system's limit however many paths a commit changes.
constexpr qsizetype pathsPerCommand = 1000;

QStringList nulSeparated(const QString& output) {
    return output.split(QChar(u'\0'), Qt::SkipEmptyParts);
}

// "path\0conflict-marker-size\0value\0" for each path, in order.
QHash<QString, int> markerSizes(const QString& output) {
    QHash<QString, int> sizes;
    const QList<QStringView> fields = QStringView(output).split(QChar(u'\0'));
    for (qsizetype i = 0; i + 2 < fields.size(); i += 3) {
        const QString record = fields[i].toString() + QChar(u'\0') + fields[i + 1].toString() +
                               QChar(u'\0') + fields[i + 2].toString();
        sizes.insert(fields[i].toString(), parseConflictMarkerSize(record));
    }
    return sizes;
}

// A working-tree file larger than this is taken as the user's own and saved whole.
constexpr qint64 maximumComparedFileSize = 64 << 20;

// The blob of one index stage, or none when git cannot give it.
std::optional<QByteArray> stageBlob(const QString& repoPath, int stage, const QString& path) {
    GitService::RunRequest request;
    request.repoPath = repoPath;
    request.arguments = {QStringLiteral("cat-file"), QStringLiteral("blob"),
                         QStringLiteral(":%1:").arg(stage) + path};
    auto raw = GitService::runBlockingBytes(request);
    if (std::holds_alternative<GitError>(raw))
        return std::nullopt;
    return std::get<QByteArray>(raw);
}

// The text git merges the stages into, with the given labels; none for a merge git refuses (a
// binary file) or that fails.
std::optional<QByteArray> mergedText(const QString& repoPath, const QByteArray& base,
                                     const QByteArray& ours, const QByteArray& theirs,
                                     const ConflictBlock& labels, int markerSize) {
    const QTemporaryDir folder;
    if (!folder.isValid())
        return std::nullopt;
    const QString oursFile = folder.filePath(QStringLiteral("ours"));
    const QString baseFile = folder.filePath(QStringLiteral("base"));
    const QString theirsFile = folder.filePath(QStringLiteral("theirs"));
    for (const auto& [file, bytes] :
         {std::pair{oursFile, &ours}, std::pair{baseFile, &base}, std::pair{theirsFile, &theirs}}) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(*bytes) != bytes->size())
            return std::nullopt;
    }
    // merge-file follows merge.conflictStyle as the merge did; it writes into the first file and
    // exits with the number of conflicts.
    GitService::RunRequest request;
    request.repoPath = repoPath;
    request.arguments = {QStringLiteral("merge-file"),
                         QStringLiteral("--marker-size"),
                         QString::number(markerSize),
                         QStringLiteral("-L"),
                         labels.oursLabel,
                         QStringLiteral("-L"),
                         labels.baseLabel,
                         QStringLiteral("-L"),
                         labels.theirsLabel,
                         oursFile,
                         baseFile,
                         theirsFile};
    auto raw = GitService::runBlockingBytes(request);
    if (const auto* error = std::get_if<GitError>(&raw);
        error &&
        (error->kind() != GitError::Kind::Command || error->code() < 1 || error->code() > 127))
        return std::nullopt;
    QFile result(oursFile);
    if (!result.open(QIODevice::ReadOnly))
        return std::nullopt;
    return result.readAll();
}

QByteArray withCrlf(const QByteArray& text) {
    QByteArray converted;
    converted.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            converted += '\r';
        converted += text[i];
    }
    return converted;
}

enum class WorkingFile { Absent, Unreadable, Read };

WorkingFile readWorkingFile(const QString& location, QByteArray* bytes) {
    const QFileInfo info(location);
    if (!info.exists() && !info.isSymLink())
        return WorkingFile::Absent;
    if (info.isSymLink() || !info.isFile() || info.size() > maximumComparedFileSize)
        return WorkingFile::Unreadable;
    // Checked again on the opened file: a pipe put in its place since must not hold the worker.
    std::optional<QByteArray> read =
        readRegularFile(QFile::encodeName(location), maximumComparedFileSize, LinkPolicy::Refuse);
    if (!read)
        return WorkingFile::Unreadable;
    *bytes = std::move(*read);
    return WorkingFile::Read;
}

bool holdsOnlyGitText(const QString& repoPath, const UnmergedEntry& entry, const QString& location,
                      int markerSize) {
    QByteArray current;
    switch (readWorkingFile(location, &current)) {
    case WorkingFile::Absent:
        return true;
    case WorkingFile::Unreadable:
        return false;
    case WorkingFile::Read:
        break;
    }
    QList<QByteArray> known;
    std::optional<QByteArray> ours;
    std::optional<QByteArray> theirs;
    if (entry.hasOurs) {
        ours = stageBlob(repoPath, 2, entry.path);
        if (!ours)
            throw GitError(GitError::Kind::Other, QStringLiteral("GitService"), 0,
                           QStringLiteral("our version of the file cannot be read"));
        known.append(*ours);
    }
    if (entry.hasTheirs) {
        theirs = stageBlob(repoPath, 3, entry.path);
        if (!theirs)
            throw GitError(GitError::Kind::Other, QStringLiteral("GitService"), 0,
                           QStringLiteral("their version of the file cannot be read"));
        known.append(*theirs);
    }
    if (ours && theirs) {
        // Files added on both sides merge over an empty base, as git merges them.
        const std::optional<QByteArray> base =
            entry.hasBase ? stageBlob(repoPath, 1, entry.path) : QByteArray();
        if (!base)
            throw GitError(GitError::Kind::Other, QStringLiteral("GitService"), 0,
                           QStringLiteral("the common version of the file cannot be read"));
        const ConflictText parsed = parseConflictText(decodeGitBytes(current), markerSize);
        const ConflictBlock labels =
            parsed.blocks.isEmpty() ? ConflictBlock{} : parsed.blocks.first();
        if (const auto merged = mergedText(repoPath, *base, *ours, *theirs, labels, markerSize))
            known.append(*merged);
    }
    for (const QByteArray& text : known) {
        if (current == text || current == withCrlf(text))
            return true;
    }
    return false;
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

bool fileHasConflictMarkers(const QString& location, int markerSize) {
    const QFileInfo info(location);
    if (info.isSymLink() || !info.isFile())
        return false;
    RegularFile regular = RegularFile::open(QFile::encodeName(location), LinkPolicy::Refuse);
    if (!regular.isOpen())
        return false;
    QFile file;
    if (!file.open(regular.descriptor(), QIODevice::ReadOnly))
        return false;
    if (file.peek(8000).contains('\0'))
        return false;
    // Only a line's start decides; the rest of a long line is skipped unread into memory.
    const qint64 head = qint64(markerSize) + 4;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(head);
        bool lineEnded = line.endsWith('\n');
        if (hasConflictMarkers(QString::fromLatin1(line), markerSize))
            return true;
        while (!lineEnded && !file.atEnd()) {
            line = file.readLine(64 * 1024);
            lineEnded = line.endsWith('\n');
        }
    }
    return false;
}

QCoro::Task<int> conflictMarkerSize(GitService git, QString path) {
    const QStringList args{QStringLiteral("check-attr"), QStringLiteral("-z"),
                           QStringLiteral("conflict-marker-size"), QStringLiteral("--"), path};
    co_return co_await git.runParsed(args, &parseConflictMarkerSize);
}

QCoro::Task<QStringList> stagedFilesWithConflictMarkers(GitService git, bool merge) {
    const QStringList headArgs{QStringLiteral("diff"),          QStringLiteral("--cached"),
                               QStringLiteral("--name-only"),   QStringLiteral("-z"),
                               QStringLiteral("--no-renames"),  QStringLiteral("--no-ext-diff"),
                               QStringLiteral("--no-textconv"), QStringLiteral("HEAD")};
    QStringList paths = co_await git.runParsed(headArgs, &nulSeparated);
    if (merge && !paths.isEmpty()) {
        QStringList mergedArgs = headArgs;
        mergedArgs.last() = QStringLiteral("MERGE_HEAD");
        const QStringList fromMerged = co_await git.runParsed(mergedArgs, &nulSeparated);
        const QSet<QString> changed(fromMerged.cbegin(), fromMerged.cend());
        paths.removeIf([&](const QString& path) { return !changed.contains(path); });
    }
    QHash<QString, int> sizes;
    for (qsizetype start = 0; start < paths.size(); start += pathsPerCommand) {
        QStringList args{QStringLiteral("check-attr"), QStringLiteral("-z"),
                         QStringLiteral("conflict-marker-size"), QStringLiteral("--")};
        args += paths.mid(start, pathsPerCommand);
        const QHash<QString, int> found = co_await git.runParsed(args, &markerSizes);
        sizes.insert(found);
    }
    // One search of the staged blobs per marker size; binary files are left out, as git's merge
    // writes no markers into them.
    QHash<int, QStringList> bySize;
    for (const QString& path : paths)
        bySize[sizes.value(path, defaultConflictMarkerSize)].append(path);
    QStringList marked;
    for (auto it = bySize.cbegin(); it != bySize.cend(); ++it) {
        for (qsizetype start = 0; start < it.value().size(); start += pathsPerCommand) {
            QStringList args{QStringLiteral("grep"), QStringLiteral("--cached"),
                             QStringLiteral("-I"),   QStringLiteral("-l"),
                             QStringLiteral("-z"),   QStringLiteral("-E"),
                             QStringLiteral("-e"),   conflictMarkerPattern(it.key()),
                             QStringLiteral("--")};
            args += it.value().mid(start, pathsPerCommand);
            try {
                marked += co_await git.runParsed(args, &nulSeparated);
            } catch (const GitError& error) {
                // grep's status 1 means nothing was found.
                if (error.kind() != GitError::Kind::Command || error.code() != 1)
                    throw;
            }
        }
    }
    // In the order git listed them.
    const QSet<QString> found(marked.cbegin(), marked.cend());
    paths.removeIf([&](const QString& path) { return !found.contains(path); });
    co_return paths;
}

QCoro::Task<bool> conflictFileHoldsOnlyGitText(GitService git, UnmergedEntry entry,
                                               QString location, int markerSize) {
    const QString repoPath = git.repoPath();
    auto check = [repoPath, entry, location, markerSize]() -> std::variant<bool, GitError> {
        try {
            return holdsOnlyGitText(repoPath, entry, location, markerSize);
        } catch (const GitError& error) {
            return error;
        }
    };
    QFuture<std::variant<bool, GitError>> future =
        QtConcurrent::run(GitService::threadPool(), check);
    const std::variant<bool, GitError> outcome = co_await future;
    if (const auto* error = std::get_if<GitError>(&outcome))
        throw *error;
    co_return std::get<bool>(outcome);
}

} // namespace tolvane
