#include "engine/repositoryPrograms.h"

#include "engine/gitText.h"

#include <QDir>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace tolvane {
namespace {

bool isRepositoryScope(QByteArrayView scope) {
    return scope == "local" || scope == "worktree";
}

QString absoluteFrom(const QString& folder, const QString& path) {
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

const QStringList filterCommands{QStringLiteral("clean"), QStringLiteral("smudge"),
                                 QStringLiteral("process")};

// What identifies one version of a configuration file, or its absence.
struct FileStamp {
    bool exists = false;
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    qint64 size = 0;
    quint64 inode = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stampOf(const QString& path) {
    struct stat info {};
    if (::stat(encodeGitBytes(path).constData(), &info) != 0)
        return {};
    return {true, qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec), qint64(info.st_size),
            quint64(info.st_ino)};
}

QList<FileStamp> stampsOf(const QStringList& paths) {
    QList<FileStamp> stamps;
    stamps.reserve(paths.size());
    for (const QString& path : paths)
        stamps.append(stampOf(path));
    return stamps;
}

struct CachedOverrides {
    QStringList files;
    QList<FileStamp> stamps;
    QList<QPair<QString, QString>> settings;
};

std::optional<QByteArray> runQuietly(const QString& gitExecutable, const QString& repoPath,
                                     const QProcessEnvironment& environment,
                                     const QStringList& arguments, bool emptyOnFailure) {
    QProcess process;
    process.setProgram(gitExecutable);
    process.setArguments(arguments);
    process.setWorkingDirectory(repoPath);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(30'000)) {
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    // `config --get-regexp` exits with 1 when nothing matches.
    if (process.exitCode() != 0)
        return emptyOnFailure && process.exitCode() == 1 ? std::optional<QByteArray>(QByteArray())
                                                         : std::nullopt;
    return process.readAllStandardOutput();
}

} // namespace

RepositoryProgramOverrides parseRepositoryProgramOverrides(const QByteArray& listing,
                                                           const QString& repoPath) {
    RepositoryProgramOverrides result;
    // Driver names in the order first met, and what the user's own scopes say of each command.
    QStringList repositoryDrivers;
    QHash<QString, QString> userValues;
    const QList<QByteArray> fields = listing.split('\0');
    for (qsizetype i = 0; i + 2 < fields.size(); i += 3) {
        const QByteArray& scope = fields[i];
        const QByteArray& origin = fields[i + 1];
        const QByteArray& entry = fields[i + 2];
        const qsizetype newline = entry.indexOf('\n');
        const QString key = decodeGitBytes(newline < 0 ? entry : entry.left(newline));
        const QString value = newline < 0 ? QString() : decodeGitBytes(entry.mid(newline + 1));
        const bool ownScope = isRepositoryScope(scope);

        QString originFile;
        if (origin.startsWith("file:"))
            originFile = absoluteFrom(repoPath, decodeGitBytes(origin.mid(5)));
        if (ownScope && !originFile.isEmpty() && !result.configurationFiles.contains(originFile))
            result.configurationFiles.append(originFile);

        if (key.startsWith(QLatin1String("include")) && key.endsWith(QLatin1String(".path"))) {
            // An included file is read for the repository too; its change must be noticed.
            if (ownScope && !value.isEmpty() && !originFile.isEmpty()) {
                const QString included = absoluteFrom(QFileInfo(originFile).absolutePath(), value);
                if (!result.configurationFiles.contains(included))
                    result.configurationFiles.append(included);
            }
            continue;
        }
        if (!key.startsWith(QLatin1String("filter.")))
            continue;
        const qsizetype lastDot = key.lastIndexOf(QLatin1Char('.'));
        if (lastDot <= 7)
            continue;
        const QString driver = key.mid(7, lastDot - 7);
        const QString command = key.mid(lastDot + 1);
        if (ownScope) {
            if (!repositoryDrivers.contains(driver))
                repositoryDrivers.append(driver);
        } else {
            // Later scopes win, as they do in git.
            userValues.insert(driver + QLatin1Char('.') + command, value);
        }
    }
    for (const QString& driver : std::as_const(repositoryDrivers)) {
        const QString prefix = QStringLiteral("filter.") + driver + QLatin1Char('.');
        for (const QString& command : filterCommands)
            result.settings.append(
                {prefix + command, userValues.value(driver + QLatin1Char('.') + command)});
        result.settings.append(
            {prefix + QStringLiteral("required"),
             userValues.value(driver + QStringLiteral(".required"), QStringLiteral("false"))});
    }
    return result;
}

QString emptyHooksFolder() {
    static const QString folder = [] {
        // Lives as long as the program; nothing is ever written into it.
        static QTemporaryDir directory(QDir::tempPath() +
                                       QStringLiteral("/tolvane-no-hooks-XXXXXX"));
        return directory.isValid() ? directory.path() : QString();
    }();
    return folder;
}

QList<QPair<QString, QString>> readOnlyProgramOverrides(const QString& gitExecutable,
                                                        const QString& repoPath,
                                                        const QProcessEnvironment& environment) {
    QList<QPair<QString, QString>> hooks;
    // Without a folder of our own, an empty value still turns git's own hooks folder off.
    hooks.append({QStringLiteral("core.hooksPath"),
                  emptyHooksFolder().isEmpty() ? QStringLiteral("/dev/null") : emptyHooksFolder()});

    static std::mutex mutex;
    static QHash<QString, CachedOverrides> cache;
    {
        const std::lock_guard lock(mutex);
        const auto found = cache.constFind(repoPath);
        if (found != cache.cend() && stampsOf(found->files) == found->stamps)
            return found->settings + hooks;
    }

    const auto folders =
        runQuietly(gitExecutable, repoPath, environment,
                   {QStringLiteral("rev-parse"), QStringLiteral("--path-format=absolute"),
                    QStringLiteral("--git-common-dir"), QStringLiteral("--absolute-git-dir")},
                   false);
    if (!folders)
        return hooks;
    const QStringList lines = decodeGitBytes(*folders).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 2)
        return hooks;
    QStringList files{lines[0] + QStringLiteral("/config"),
                      lines[1] + QStringLiteral("/config.worktree")};
    const QList<FileStamp> baseStamps = stampsOf(files);

    const auto listing = runQuietly(gitExecutable, repoPath, environment,
                                    {QStringLiteral("config"), QStringLiteral("--show-scope"),
                                     QStringLiteral("--show-origin"), QStringLiteral("-z"),
                                     QStringLiteral("--get-regexp"),
                                     QStringLiteral("^(filter|include|includeif)\\.")},
                                    true);
    if (!listing)
        return hooks;
    const RepositoryProgramOverrides parsed = parseRepositoryProgramOverrides(*listing, repoPath);
    QList<FileStamp> stamps = baseStamps;
    for (const QString& file : parsed.configurationFiles) {
        if (files.contains(file))
            continue;
        files.append(file);
        stamps.append(stampOf(file));
    }
    {
        const std::lock_guard lock(mutex);
        cache.insert(repoPath, CachedOverrides{files, stamps, parsed.settings});
    }
    return parsed.settings + hooks;
}

} // namespace tolvane
