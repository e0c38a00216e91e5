#pragma once

#include "engine/configListing.h"

#include "engine/GitService.h"
#include "engine/partialClone.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCoroTask>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvane {

// What `git count-objects -v` says.
struct ObjectCounts {
    qint64 looseObjects = 0;
    qint64 looseKilobytes = 0;
    qint64 packs = 0;
    qint64 packedObjects = 0;
    friend bool operator==(const ObjectCounts&, const ObjectCounts&) = default;
};
ObjectCounts parseCountObjects(const QString& output);

// What the commit-graph files hold, read from their headers.
struct CommitGraphFacts {
    bool present = false;
    qint64 commits = 0;
    // Every file of the graph carries changed-path filters, which speed up a file's history.
    bool changedPaths = false;
    friend bool operator==(const CommitGraphFacts&, const CommitGraphFacts&) = default;
};
// Reads one commit-graph file's header and fan-out; none when it is not one. Pure.
std::optional<CommitGraphFacts> parseCommitGraphFile(QByteArrayView file);
// The graph of a repository whose objects are in `objectsFolder` (a single file or a chain).
// Blocking; call on a worker.
CommitGraphFacts readCommitGraphFacts(const QString& objectsFolder);

// Everything the health window shows of one repository, read without changing anything.
struct HealthFacts {
    ObjectCounts objects;
    CommitGraphFacts graph;
    qint64 reachableCommits = 0;
    bool multiPackIndex = false;
    qint64 trackedFiles = 0;
    qint64 untrackedFiles = 0;
    bool untrackedCache = false;
    bool manyFiles = false;
    bool writeCommitGraphOnFetch = false;
    // The repository is among the user's maintenance.repo entries, so the timers look after it.
    bool maintenanceRegistered = false;
    // Whether this git has a built-in file-system monitor here, as git itself answers.
    bool fsmonitorAvailable = false;
    bool fsmonitorOn = false;
    bool sparseCheckout = false;
    bool sparseCone = false;
    QStringList sparseFolders;
    std::optional<PromisorRemote> promisor;
    friend bool operator==(const HealthFacts&, const HealthFacts&) = default;
};

// Reads the facts with git's own queries, side by side; a query that fails leaves its figure at
// its default. Never throws.
QCoro::Task<HealthFacts> readHealthFacts(GitService git);

// One thing git offers, as the window lists it.
struct HealthItem {
    QString id;
    QString title;
    // What it does, in one sentence.
    QString description;
    // The figure that shows why it matters here.
    QString figure;
    bool on = false;
    // False when this git cannot do it here; `figure` then says so.
    bool available = true;
    // The git command its button runs (without "git"); empty when there is nothing to run.
    QStringList command;
    friend bool operator==(const HealthItem&, const HealthItem&) = default;
};

// The items in the order the window shows them. Pure.
QList<HealthItem> healthItems(const HealthFacts& facts);

// Whether anything is worth doing: an item that is off and whose figure is large enough to
// matter. Pure.
bool healthWorthAttention(const HealthFacts& facts);

// The maintenance tasks "Optimise now" runs one after another; none of them talks to a remote.
QStringList optimiseTasks();

} // namespace tolvane
