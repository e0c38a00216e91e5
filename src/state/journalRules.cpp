#include "state/journalRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace tolvane {

namespace {

QString stateName(JournalEntryState state) {
    switch (state) {
    case JournalEntryState::Done:
        return QStringLiteral("done");
    case JournalEntryState::Undone:
        return QStringLiteral("undone");
    case JournalEntryState::Abandoned:
        return QStringLiteral("abandoned");
    }
    return {};
}

std::optional<JournalEntryState> stateFromName(const QString& name) {
    for (JournalEntryState state :
         {JournalEntryState::Done, JournalEntryState::Undone, JournalEntryState::Abandoned}) {
        if (stateName(state) == name)
            return state;
    }
    return std::nullopt;
}

QJsonObject snapshotObject(const RepositorySnapshot& snapshot) {
    QJsonObject refs;
    for (auto it = snapshot.refs.cbegin(); it != snapshot.refs.cend(); ++it)
        refs.insert(it.key(), it.value());
    QJsonArray stashes;
    for (qsizetype i = 0; i < snapshot.stashIds.size(); ++i) {
        stashes.append(QJsonObject{{QStringLiteral("id"), snapshot.stashIds[i]},
                                   {QStringLiteral("message"), snapshot.stashMessages.value(i)}});
    }
    return QJsonObject{{QStringLiteral("head"), snapshot.headRef},
                       {QStringLiteral("headId"), snapshot.headId},
                       {QStringLiteral("refs"), refs},
                       {QStringLiteral("stashes"), stashes},
                       {QStringLiteral("index"), snapshot.indexTree},
                       {QStringLiteral("workTree"), snapshot.workTree}};
}

std::optional<RepositorySnapshot> snapshotFrom(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    if (!object.value(QStringLiteral("refs")).isObject() ||
        !object.value(QStringLiteral("head")).isString() ||
        !object.value(QStringLiteral("headId")).isString())
        return std::nullopt;
    RepositorySnapshot snapshot;
    snapshot.headRef = object.value(QStringLiteral("head")).toString();
    snapshot.headId = object.value(QStringLiteral("headId")).toString();
    snapshot.indexTree = object.value(QStringLiteral("index")).toString();
    snapshot.workTree = object.value(QStringLiteral("workTree")).toString();
    const QJsonObject refs = object.value(QStringLiteral("refs")).toObject();
    for (auto it = refs.constBegin(); it != refs.constEnd(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        snapshot.refs.insert(it.key(), it.value().toString());
    }
    const QJsonArray stashes = object.value(QStringLiteral("stashes")).toArray();
    for (const QJsonValue& stash : stashes) {
        const QString id = stash.toObject().value(QStringLiteral("id")).toString();
        if (id.isEmpty())
            return std::nullopt;
        snapshot.stashIds.append(id);
        snapshot.stashMessages.append(stash.toObject().value(QStringLiteral("message")).toString());
    }
    return snapshot;
}

QString refDisplayName(const QString& ref) {
    if (ref.startsWith(QStringLiteral("refs/heads/")))
        return QStringLiteral("branch '%1'").arg(ref.mid(11));
    if (ref.startsWith(QStringLiteral("refs/tags/")))
        return QStringLiteral("tag '%1'").arg(ref.mid(10));
    return ref;
}

} // namespace

QByteArray serializeJournal(const QList<JournalEntry>& entries) {
    QJsonArray list;
    for (const JournalEntry& entry : entries) {
        list.append(
            QJsonObject{{QStringLiteral("id"), entry.id},
                        {QStringLiteral("time"), entry.time.toUTC().toString(Qt::ISODateWithMs)},
                        {QStringLiteral("description"), entry.description},
                        {QStringLiteral("state"), stateName(entry.state)},
                        {QStringLiteral("before"), snapshotObject(entry.before)},
                        {QStringLiteral("after"), snapshotObject(entry.after)}});
    }
    const QJsonObject root{{QStringLiteral("version"), 1}, {QStringLiteral("entries"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<QList<JournalEntry>> parseJournal(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toInt() != 1 ||
        !root.value(QStringLiteral("entries")).isArray())
        return std::nullopt;
    QList<JournalEntry> entries;
    for (const QJsonValue& value : root.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject object = value.toObject();
        const std::optional<RepositorySnapshot> before =
            snapshotFrom(object.value(QStringLiteral("before")));
        const std::optional<RepositorySnapshot> after =
            snapshotFrom(object.value(QStringLiteral("after")));
        const std::optional<JournalEntryState> state =
            stateFromName(object.value(QStringLiteral("state")).toString());
        const QDateTime time = QDateTime::fromString(
            object.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        const QString id = object.value(QStringLiteral("id")).toString();
        if (!before || !after || !state || !time.isValid() || id.isEmpty())
            continue;
        entries.append(
            JournalEntry{.id = id,
                         .time = time,
                         .description = object.value(QStringLiteral("description")).toString(),
                         .before = *before,
                         .after = *after,
                         .state = *state});
    }
    return entries;
}

bool snapshotsDiffer(const RepositorySnapshot& a, const RepositorySnapshot& b) {
    return a.headRef != b.headRef || a.headId != b.headId || a.refs != b.refs ||
           a.stashIds != b.stashIds || a.indexTree != b.indexTree || a.workTree != b.workTree;
}

SnapshotMove planSnapshotMove(const RepositorySnapshot& from, const RepositorySnapshot& to,
                              const RepositorySnapshot& now) {
    SnapshotMove move;
    QStringList reasons;
    if (from.indexTree != to.indexTree || from.workTree != to.workTree) {
        if (from.indexTree.isEmpty() || to.indexTree.isEmpty() || from.workTree.isEmpty() ||
            to.workTree.isEmpty())
            reasons.append(QStringLiteral("the operation stopped on conflicts; abort it instead"));
        else if (now.indexTree.isEmpty())
            reasons.append(QStringLiteral("files are in conflict now; resolve or abort first"));
        move.indexFrom = from.indexTree;
        move.indexTo = to.indexTree;
        move.workFrom = from.workTree;
        move.workTo = to.workTree;
    }

    QSet<QString> names;
    for (auto it = from.refs.cbegin(); it != from.refs.cend(); ++it)
        names.insert(it.key());
    for (auto it = to.refs.cbegin(); it != to.refs.cend(); ++it)
        names.insert(it.key());
    QStringList sorted(names.cbegin(), names.cend());
    sorted.sort();
    for (const QString& name : sorted) {
        const QString fromId = from.refs.value(name);
        const QString toId = to.refs.value(name);
        if (fromId == toId)
            continue;
        const QString nowId = now.refs.value(name);
        if (nowId != fromId) {
            reasons.append(nowId.isEmpty()
                               ? QStringLiteral("%1 was deleted since").arg(refDisplayName(name))
                               : QStringLiteral("%1 was moved since (it is at %2 now)")
                                     .arg(refDisplayName(name), shortId(nowId)));
            continue;
        }
        move.refs.append(RefMove{name, fromId, toId});
    }

    const bool headMoves =
        from.headRef != to.headRef || (to.headRef.isEmpty() && from.headId != to.headId);
    if (headMoves) {
        const bool headWhereLeft =
            now.headRef == from.headRef && (!from.headRef.isEmpty() || now.headId == from.headId);
        if (!headWhereLeft)
            reasons.append(QStringLiteral("another branch or commit was checked out since"));
        move.moveHead = true;
        move.headRef = to.headRef;
        move.headId = to.headId;
    }

    if (from.stashIds != to.stashIds) {
        if (now.stashIds != from.stashIds)
            reasons.append(QStringLiteral("the stashes changed since"));
        move.moveStashes = true;
    }
    if (!reasons.isEmpty()) {
        move = SnapshotMove{};
        move.refusal = reasons.join(QStringLiteral("; "));
    }
    return move;
}

PathPlan planPathMoves(const QList<PathState>& paths) {
    PathPlan plan;
    for (const PathState& path : paths) {
        // Staged or unstaged work made since would be replaced.
        const bool indexKnown = path.index == path.fromIndex.id || path.index == path.toIndex.id;
        const bool fileKnown = path.workTree == path.fromWork.id || path.workTree == path.toWork.id;
        if (!indexKnown || !fileKnown) {
            plan.refused.append(path.path);
            continue;
        }
        plan.steps.append(PathStep{.path = path.path,
                                   .index = path.toIndex,
                                   .work = path.toWork,
                                   .writeFile = path.workTree != path.toWork.id});
    }
    return plan;
}

QString shortId(const QString& id) {
    return id.left(7);
}

QStringList idsToKeep(const JournalEntry& entry) {
    QStringList ids;
    const auto add = [&ids](const QString& id) {
        if (!id.isEmpty() && !ids.contains(id))
            ids.append(id);
    };
    for (const RepositorySnapshot* snapshot : {&entry.before, &entry.after}) {
        const RepositorySnapshot& other = snapshot == &entry.before ? entry.after : entry.before;
        add(snapshot->headId);
        add(snapshot->indexTree);
        add(snapshot->workTree);
        for (auto it = snapshot->refs.cbegin(); it != snapshot->refs.cend(); ++it) {
            if (other.refs.value(it.key()) != it.value())
                add(it.value());
        }
        if (snapshot->stashIds != other.stashIds) {
            for (const QString& id : snapshot->stashIds)
                add(id);
        }
    }
    return ids;
}

qsizetype entryToUndo(const QList<JournalEntry>& entries) {
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        if (entries[i].state == JournalEntryState::Done)
            return i;
    }
    return -1;
}

qsizetype entryToRedo(const QList<JournalEntry>& entries) {
    for (qsizetype i = entryToUndo(entries) + 1; i < entries.size(); ++i) {
        if (entries[i].state == JournalEntryState::Undone)
            return i;
    }
    return -1;
}

QList<JournalEntry> entriesToExpire(const QList<JournalEntry>& entries, const QDateTime& now,
                                    int keepDays, int keepCount) {
    QList<JournalEntry> expired;
    qsizetype remaining = entries.size();
    for (const JournalEntry& entry : entries) {
        if (remaining <= keepCount)
            break;
        if (entry.time.daysTo(now) < keepDays)
            break;
        expired.append(entry);
        --remaining;
    }
    return expired;
}

} // namespace tolvane
