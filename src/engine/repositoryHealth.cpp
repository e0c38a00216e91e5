#include "engine/repositoryHealth.h"

#include "engine/gitText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace tolvane {
namespace {

qint64 numberAfter(const QString& output, QLatin1String key) {
    for (QStringView line : QStringView(output).tokenize(u'\n')) {
        if (line.startsWith(key) && line.size() > key.size() && line[key.size()] == u':')
            return line.sliced(key.size() + 1).trimmed().toLongLong();
    }
    return 0;
}

qint64 countRecords(const QByteArray& output) {
    return output.count('\0');
}

} // namespace

ObjectCounts parseCountObjects(const QString& output) {
    return {numberAfter(output, QLatin1String("count")), numberAfter(output, QLatin1String("size")),
            numberAfter(output, QLatin1String("packs")),
            numberAfter(output, QLatin1String("in-pack"))};
}

std::optional<CommitGraphFacts> parseCommitGraphFile(QByteArrayView file) {
    constexpr qsizetype headerSize = 8;
    constexpr qsizetype entrySize = 12;
    if (file.size() < headerSize || !file.startsWith("CGPH"))
        return std::nullopt;
    const int chunks = quint8(file[6]);
    if (file.size() < headerSize + (chunks + 1) * entrySize)
        return std::nullopt;
    CommitGraphFacts facts{.present = true};
    bool fanout = false;
    bool bloomIndex = false;
    bool bloomData = false;
    for (int i = 0; i < chunks; ++i) {
        const char* entry = file.data() + headerSize + i * entrySize;
        const QByteArrayView id(entry, 4);
        const quint64 offset = qFromBigEndian<quint64>(entry + 4);
        if (id == "OIDF") {
            // The last of 256 cumulative counts is the number of commits.
            if (offset > quint64(file.size()) || quint64(file.size()) - offset < 256 * 4)
                return std::nullopt;
            facts.commits = qFromBigEndian<quint32>(file.data() + offset + 255 * 4);
            fanout = true;
        }
        bloomIndex = bloomIndex || id == "BIDX";
        bloomData = bloomData || id == "BDAT";
    }
    if (!fanout)
        return std::nullopt;
    facts.changedPaths = bloomIndex && bloomData;
    return facts;
}

CommitGraphFacts readCommitGraphFacts(const QString& objectsFolder) {
    const auto readOne = [](const QString& path) -> std::optional<CommitGraphFacts> {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        // Mapped, not read: a large history's graph is hundreds of megabytes, of which we need
        // a few bytes.
        const qint64 size = file.size();
        uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
        if (!mapped)
            return std::nullopt;
        const auto facts =
            parseCommitGraphFile(QByteArrayView(reinterpret_cast<const char*>(mapped), size));
        file.unmap(mapped);
        return facts;
    };
    const QString info = objectsFolder + QStringLiteral("/info/");
    if (const auto single = readOne(info + QStringLiteral("commit-graph")))
        return *single;
    QFile chain(info + QStringLiteral("commit-graphs/commit-graph-chain"));
    if (!chain.open(QIODevice::ReadOnly))
        return {};
    CommitGraphFacts total{.present = false, .commits = 0, .changedPaths = true};
    for (const QByteArray& line : chain.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const auto layer = readOne(info + QStringLiteral("commit-graphs/graph-") +
                                   QString::fromLatin1(line.trimmed()) + QStringLiteral(".graph"));
        if (!layer)
            return {};
        total.present = true;
        total.commits += layer->commits;
        total.changedPaths = total.changedPaths && layer->changedPaths;
    }
    if (!total.present)
        return {};
    return total;
}

QCoro::Task<HealthFacts> readHealthFacts(GitService git) {
    const auto quietly = [](QCoro::Task<QString> task) -> QCoro::Task<QString> {
        try {
            QString output = co_await std::move(task);
            co_return output;
        } catch (const GitError&) {
            co_return QString();
        }
    };
    const auto quietlyCounted = [](QCoro::Task<qint64> task) -> QCoro::Task<qint64> {
        try {
            const qint64 count = co_await std::move(task);
            co_return count;
        } catch (const GitError&) {
            co_return 0;
        }
    };

    const QStringList countArgs{QStringLiteral("count-objects"), QStringLiteral("-v")};
    const QStringList commitArgs{QStringLiteral("rev-list"), QStringLiteral("--all"),
                                 QStringLiteral("--count")};
    const QStringList trackedArgs{QStringLiteral("ls-files"), QStringLiteral("-z")};
    const QStringList untrackedArgs{QStringLiteral("ls-files"), QStringLiteral("-z"),
                                    QStringLiteral("--others"),
                                    QStringLiteral("--exclude-standard")};
    const QStringList configArgs{
        QStringLiteral("config"), QStringLiteral("-z"), QStringLiteral("--get-regexp"),
        QStringLiteral("^(core\\.(untrackedcache|fsmonitor|sparsecheckout|sparsecheckoutcone)|"
                       "feature\\.manyfiles|fetch\\.writecommitgraph|maintenance\\.repo|"
                       "extensions\\.partialclone|remote\\..*\\.(promisor|partialclonefilter))$")};
    const QStringList sparseArgs{QStringLiteral("sparse-checkout"), QStringLiteral("list")};
    const QStringList fsmonitorArgs{QStringLiteral("fsmonitor--daemon"), QStringLiteral("status")};
    const QStringList foldersArgs{
        QStringLiteral("rev-parse"), QStringLiteral("--path-format=absolute"),
        QStringLiteral("--git-common-dir"), QStringLiteral("--show-toplevel")};

    // Independent queries, all started before the first is awaited.
    auto counting = quietly(git.run(countArgs));
    auto commits = quietly(git.run(commitArgs));
    auto tracked = quietlyCounted(git.runParsedBytes(trackedArgs, &countRecords));
    auto untracked = quietlyCounted(git.runParsedBytes(untrackedArgs, &countRecords));
    auto folders = quietly(git.run(foldersArgs));
    QByteArray configBytes;
    try {
        configBytes =
            co_await git.runParsedBytes(configArgs, [](const QByteArray& bytes) { return bytes; });
    } catch (const GitError&) {
        // Exit status 1: none of the keys is set.
    }
    const ConfigListing config = parseConfigListing(configBytes);

    HealthFacts facts;
    facts.untrackedCache = config.isTrue(QStringLiteral("core.untrackedcache"));
    facts.manyFiles = config.isTrue(QStringLiteral("feature.manyfiles"));
    facts.writeCommitGraphOnFetch = config.isTrue(QStringLiteral("fetch.writecommitgraph"));
    facts.sparseCheckout = config.isTrue(QStringLiteral("core.sparsecheckout"));
    facts.sparseCone =
        facts.sparseCheckout && config.isTrue(QStringLiteral("core.sparsecheckoutcone"));
    const QString fsmonitorValue =
        config.value(QStringLiteral("core.fsmonitor")).trimmed().toLower();
    facts.fsmonitorOn = !fsmonitorValue.isEmpty() && fsmonitorValue != u"false" &&
                        fsmonitorValue != u"no" && fsmonitorValue != u"off" &&
                        fsmonitorValue != u"0";
    facts.promisor = parsePromisorRemote(configBytes);

    // git says itself whether its own monitor runs here: "not supported on this platform".
    std::optional<GitError> fsmonitorFailure;
    try {
        co_await git.run(fsmonitorArgs);
    } catch (const GitError& error) {
        fsmonitorFailure = error;
    }
    facts.fsmonitorAvailable =
        !fsmonitorFailure || !fsmonitorFailure->message().contains(QLatin1String("not supported"));
    if (!facts.fsmonitorAvailable)
        facts.fsmonitorOn = false;

    if (facts.sparseCheckout) {
        const QString listed = co_await quietly(git.run(sparseArgs));
        facts.sparseFolders = listed.split(u'\n', Qt::SkipEmptyParts);
    }

    facts.objects = parseCountObjects(co_await std::move(counting));
    facts.reachableCommits = (co_await std::move(commits)).trimmed().toLongLong();
    facts.trackedFiles = co_await std::move(tracked);
    facts.untrackedFiles = co_await std::move(untracked);
    const QStringList paths = (co_await std::move(folders)).split(u'\n', Qt::SkipEmptyParts);
    if (!paths.isEmpty()) {
        const QString objects = paths.constFirst() + QStringLiteral("/objects");
        const QStringList registered = config.all.value(QStringLiteral("maintenance.repo"));
        const QString topLevel = paths.value(1);
        auto look = [objects] {
            return std::pair{readCommitGraphFacts(objects),
                             QFileInfo::exists(objects + QStringLiteral("/pack/multi-pack-index"))};
        };
        const auto [graph, midx] = co_await QtConcurrent::run(GitService::threadPool(), look);
        facts.graph = graph;
        facts.multiPackIndex = midx;
        facts.maintenanceRegistered =
            registered.contains(topLevel) ||
            registered.contains(QDir::cleanPath(paths.constFirst() + QStringLiteral("/..")));
    }
    co_return facts;
}

QList<HealthItem> healthItems(const HealthFacts& facts) {
    const auto count = [](qint64 n, const char* one, const char* many) {
        return QStringLiteral("%L1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QList<HealthItem> items;
    const qint64 outside = std::max<qint64>(0, facts.reachableCommits - facts.graph.commits);
    items.append({QStringLiteral("commit-graph"),
                  QStringLiteral("Commit-graph"),
                  QStringLiteral("Stores every commit's parents and generation number, and which "
                                 "paths it changed, so that history and file history load "
                                 "without reading each commit."),
                  count(outside, "commit without a commit-graph", "commits without a commit-graph"),
                  facts.graph.present && facts.graph.changedPaths && outside == 0,
                  true,
                  {QStringLiteral("commit-graph"), QStringLiteral("write"),
                   QStringLiteral("--reachable"), QStringLiteral("--changed-paths")}});
    items.append({QStringLiteral("multi-pack-index"),
                  QStringLiteral("Multi-pack index"),
                  QStringLiteral("One index over all pack files, so that finding an object does "
                                 "not search each pack in turn."),
                  count(facts.objects.packs, "pack", "packs"),
                  facts.multiPackIndex,
                  true,
                  {QStringLiteral("multi-pack-index"), QStringLiteral("write")}});
    items.append({QStringLiteral("untracked-cache"),
                  QStringLiteral("Untracked cache"),
                  QStringLiteral("Remembers which folders held no new files, so that status "
                                 "reads only the folders that changed."),
                  count(facts.untrackedFiles, "untracked file", "untracked files"),
                  facts.untrackedCache,
                  true,
                  {QStringLiteral("config"), QStringLiteral("core.untrackedCache"),
                   QStringLiteral("true")}});
    items.append(
        {QStringLiteral("many-files"),
         QStringLiteral("Many files"),
         QStringLiteral("Turns on the settings for large working trees, among them the "
                        "smaller index version 4."),
         count(facts.trackedFiles, "tracked file", "tracked files"),
         facts.manyFiles,
         true,
         {QStringLiteral("config"), QStringLiteral("feature.manyFiles"), QStringLiteral("true")}});
    items.append({QStringLiteral("fetch-commit-graph"),
                  QStringLiteral("Commit-graph after fetch"),
                  QStringLiteral("Updates the commit-graph after every fetch, so that new commits "
                                 "are covered too."),
                  count(outside, "commit without a commit-graph", "commits without a commit-graph"),
                  facts.writeCommitGraphOnFetch,
                  true,
                  {QStringLiteral("config"), QStringLiteral("fetch.writeCommitGraph"),
                   QStringLiteral("true")}});
    items.append({QStringLiteral("maintenance"),
                  QStringLiteral("Background maintenance"),
                  QStringLiteral("Registers the repository with your systemd timers, which keep "
                                 "its commit-graph, packs and references tidy every hour."),
                  count(facts.objects.looseObjects, "loose object", "loose objects") +
                      QStringLiteral(", ") + count(facts.objects.packs, "pack", "packs"),
                  facts.maintenanceRegistered,
                  true,
                  {QStringLiteral("maintenance"), QStringLiteral("start")}});
    items.append({QStringLiteral("fsmonitor"), QStringLiteral("File-system monitor"),
                  QStringLiteral("A daemon that tells git which files changed, so that status "
                                 "need not look at every file."),
                  facts.fsmonitorAvailable
                      ? count(facts.trackedFiles, "tracked file", "tracked files")
                      : QStringLiteral("Not available with this git on Linux"),
                  facts.fsmonitorOn, facts.fsmonitorAvailable,
                  facts.fsmonitorAvailable
                      ? QStringList{QStringLiteral("config"), QStringLiteral("core.fsmonitor"),
                                    QStringLiteral("true")}
                      : QStringList()});
    items.append({QStringLiteral("sparse-checkout"), QStringLiteral("Sparse checkout"),
                  QStringLiteral("Keeps only the folders you choose in the working tree; the "
                                 "others stay in the repository."),
                  facts.sparseCheckout ? (facts.sparseFolders.isEmpty()
                                              ? QStringLiteral("Only the top-level files")
                                              : facts.sparseFolders.join(QStringLiteral(", ")))
                                       : count(facts.trackedFiles, "tracked file", "tracked files"),
                  facts.sparseCheckout, true,
                  facts.sparseCheckout
                      ? QStringList{QStringLiteral("sparse-checkout"), QStringLiteral("disable")}
                      : QStringList()});
    items.append({QStringLiteral("partial-clone"),
                  QStringLiteral("Partial clone"),
                  QStringLiteral("Contents left on the server are downloaded only when you ask "
                                 "for them."),
                  facts.promisor ? QStringLiteral("From %1 with the filter %2")
                                       .arg(facts.promisor->name, facts.promisor->filter.isEmpty()
                                                                      ? QStringLiteral("(none)")
                                                                      : facts.promisor->filter)
                                 : QStringLiteral("A complete clone"),
                  facts.promisor.has_value(),
                  true,
                  {}});
    return items;
}

bool healthWorthAttention(const HealthFacts& facts) {
    // Thresholds where git's own automatic maintenance would act, or the gain is noticeable.
    return facts.objects.looseObjects > 6700 || facts.objects.packs > 50 ||
           facts.reachableCommits - facts.graph.commits > 10'000 ||
           (facts.trackedFiles > 100'000 && !facts.untrackedCache);
}

QStringList optimiseTasks() {
    return {QStringLiteral("commit-graph"), QStringLiteral("loose-objects"),
            QStringLiteral("incremental-repack"), QStringLiteral("pack-refs")};
}

} // namespace tolvane
