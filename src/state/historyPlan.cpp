#include "state/historyPlan.h"

#include <QHash>

namespace tolvane {
namespace {

bool isFollower(PlanAction action) {
    return action == PlanAction::Squash || action == PlanAction::Fixup;
}

bool isKept(const PlanRow& row) {
    return row.action != PlanAction::Drop;
}

std::optional<qsizetype> previousKept(const QList<PlanRow>& rows, qsizetype index) {
    for (qsizetype i = index - 1; i >= 0; --i) {
        if (isKept(rows[i]))
            return i;
    }
    return std::nullopt;
}

// The oldest kept row cannot meld into anything: it becomes a Pick.
void normalise(QList<PlanRow>& rows) {
    for (PlanRow& row : rows) {
        if (!isKept(row))
            continue;
        if (isFollower(row.action))
            row.action = PlanAction::Pick;
        return;
    }
}

bool validIndex(const QList<PlanRow>& rows, qsizetype index) {
    return index >= 0 && index < rows.size();
}

PlanEdit refused(const QList<PlanRow>& rows, QString why) {
    return PlanEdit{.rows = rows, .refusal = std::move(why)};
}

QString quoted(const PlanRow& row) {
    return QStringLiteral("“%1”").arg(row.subject);
}

// What follows "fixup! " and "squash! " (repeated) in a subject, or none.
std::optional<QString> autosquashTarget(const QString& subject) {
    static const QStringList prefixes{QStringLiteral("fixup! "), QStringLiteral("squash! ")};
    bool matched = false;
    QString rest = subject;
    for (;;) {
        bool stripped = false;
        for (const QString& prefix : prefixes) {
            if (rest.startsWith(prefix)) {
                rest = rest.mid(prefix.size());
                stripped = true;
                matched = true;
                break;
            }
        }
        if (!stripped)
            break;
        // git allows spaces between repeated prefixes.
        while (matched && !rest.isEmpty() && rest.front().isSpace())
            rest.remove(0, 1);
    }
    if (!matched)
        return std::nullopt;
    return rest;
}

bool looksLikeId(const QString& text) {
    if (text.size() < 4 || text.size() > 64)
        return false;
    for (const QChar c : text) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

} // namespace

QString todoWord(PlanAction action) {
    switch (action) {
    case PlanAction::Pick:
        return QStringLiteral("pick");
    case PlanAction::Reword:
        return QStringLiteral("reword");
    case PlanAction::Squash:
        return QStringLiteral("squash");
    case PlanAction::Fixup:
        return QStringLiteral("fixup");
    case PlanAction::Drop:
        return QStringLiteral("drop");
    case PlanAction::Edit:
        return QStringLiteral("edit");
    }
    return QStringLiteral("pick");
}

QString planProblem(const QList<PlanRow>& rows) {
    for (const PlanRow& row : rows) {
        if (row.isMerge)
            return QStringLiteral("%1 is a merge commit: history that holds merges cannot be "
                                  "edited here. Choose a commit after the last merge.")
                .arg(quoted(row));
    }
    const auto kept = std::find_if(rows.begin(), rows.end(), isKept);
    if (kept == rows.end())
        return QStringLiteral("Every commit would be dropped. To remove them all, reset the "
                              "branch to the commit before them instead.");
    if (isFollower(kept->action))
        return QStringLiteral("%1 has no earlier commit to be melded into.").arg(quoted(*kept));
    for (const PlanRow& row : rows) {
        if (row.action == PlanAction::Reword &&
            row.editedMessage.value_or(QString()).trimmed().isEmpty())
            return QStringLiteral("Write the new message of %1.").arg(quoted(row));
    }
    return QString();
}

PlanEdit withAction(const QList<PlanRow>& rows, qsizetype index, PlanAction action) {
    if (!validIndex(rows, index))
        return refused(rows, QStringLiteral("No such commit in the plan."));
    if (isFollower(action) && !previousKept(rows, index))
        return refused(rows, QStringLiteral("%1 is the oldest commit kept: there is nothing "
                                            "earlier to meld it into.")
                                 .arg(quoted(rows[index])));
    QList<PlanRow> edited = rows;
    PlanRow& row = edited[index];
    row.action = action;
    if (action != PlanAction::Reword)
        row.editedMessage.reset();
    if (isFollower(action) || action == PlanAction::Drop)
        row.chainMessage.reset();
    normalise(edited);
    return PlanEdit{.rows = std::move(edited), .refusal = {}};
}

PlanEdit movedRow(const QList<PlanRow>& rows, qsizetype from, qsizetype to) {
    if (!validIndex(rows, from) || !validIndex(rows, to))
        return refused(rows, QStringLiteral("No such commit in the plan."));
    QList<PlanRow> edited = rows;
    edited.move(from, to);
    normalise(edited);
    return PlanEdit{.rows = std::move(edited), .refusal = {}};
}

PlanEdit meldedInto(const QList<PlanRow>& rows, qsizetype dragged, qsizetype target, bool fixup) {
    if (!validIndex(rows, dragged) || !validIndex(rows, target))
        return refused(rows, QStringLiteral("No such commit in the plan."));
    if (dragged == target)
        return refused(rows, QStringLiteral("A commit cannot be melded into itself."));
    if (!isKept(rows[target]))
        return refused(rows, QStringLiteral("%1 is dropped: nothing can be melded into it.")
                                 .arg(quoted(rows[target])));
    QList<PlanRow> edited = rows;
    PlanRow moving = edited.takeAt(dragged);
    const qsizetype targetIndex = target > dragged ? target - 1 : target;
    const qsizetype start = chainStart(edited, targetIndex);
    const qsizetype end = chainEnd(edited, start);
    moving.action = fixup ? PlanAction::Fixup : PlanAction::Squash;
    moving.editedMessage.reset();
    moving.chainMessage.reset();
    // The chain's message is offered afresh, joined with the newcomer's.
    edited[start].chainMessage.reset();
    edited.insert(end + 1, std::move(moving));
    normalise(edited);
    return PlanEdit{.rows = std::move(edited), .refusal = {}};
}

qsizetype chainStart(const QList<PlanRow>& rows, qsizetype index) {
    qsizetype start = index;
    while (validIndex(rows, start) && isKept(rows[start]) && isFollower(rows[start].action)) {
        const std::optional<qsizetype> previous = previousKept(rows, start);
        if (!previous)
            break;
        start = *previous;
    }
    return start;
}

qsizetype chainEnd(const QList<PlanRow>& rows, qsizetype start) {
    qsizetype end = start;
    for (qsizetype i = start + 1; i < rows.size(); ++i) {
        if (!isKept(rows[i]))
            continue;
        if (!isFollower(rows[i].action))
            break;
        end = i;
    }
    return end;
}

QString joinedMessage(const QList<PlanRow>& rows, qsizetype start) {
    if (!validIndex(rows, start))
        return QString();
    const PlanRow& first = rows[start];
    QStringList parts{first.action == PlanAction::Reword
                          ? first.editedMessage.value_or(first.message).trimmed()
                          : first.message};
    const qsizetype end = chainEnd(rows, start);
    for (qsizetype i = start + 1; i <= end; ++i) {
        if (rows[i].action == PlanAction::Squash)
            parts.append(rows[i].message);
    }
    return parts.join(QStringLiteral("\n\n"));
}

QList<PlanRow> autosquashed(const QList<PlanRow>& rows) {
    const qsizetype count = rows.size();
    QList<qsizetype> next(count, -1);
    QList<qsizetype> tail(count, -1);
    QList<bool> melded(count, false);
    QList<PlanAction> actions(count);
    QHash<QString, qsizetype> bySubject;
    for (qsizetype i = 0; i < count; ++i) {
        actions[i] = rows[i].action;
        qsizetype target = -1;
        if (const std::optional<QString> named = autosquashTarget(rows[i].subject)) {
            if (const auto found = bySubject.constFind(*named); found != bySubject.cend()) {
                target = *found;
            } else if (!named->contains(u' ') && looksLikeId(*named)) {
                for (qsizetype j = 0; j < i; ++j) {
                    if (rows[j].hash.startsWith(*named)) {
                        target = j;
                        break;
                    }
                }
            }
            if (target < 0) {
                for (qsizetype j = 0; j < i; ++j) {
                    if (rows[j].subject.startsWith(*named)) {
                        target = j;
                        break;
                    }
                }
            }
        }
        if (target >= 0) {
            melded[i] = true;
            actions[i] = rows[i].subject.startsWith(QStringLiteral("fixup!")) ? PlanAction::Fixup
                                                                              : PlanAction::Squash;
            const qsizetype after = tail[target] < 0 ? target : tail[target];
            next[i] = next[after];
            next[after] = i;
            tail[target] = i;
        }
        if (!bySubject.contains(rows[i].subject))
            bySubject.insert(rows[i].subject, i);
    }
    QList<PlanRow> placed;
    placed.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        if (melded[i])
            continue;
        for (qsizetype current = i; current >= 0; current = next[current]) {
            PlanRow row = rows[current];
            if (melded[current]) {
                row.action = actions[current];
                row.editedMessage.reset();
            }
            placed.append(std::move(row));
        }
    }
    normalise(placed);
    return placed;
}

QString todoText(const QList<PlanRow>& rows) {
    QString text;
    for (const PlanRow& row : rows)
        text += todoWord(row.action) + u' ' + row.hash + u' ' + row.subject + u'\n';
    return text;
}

QList<PlannedMessage> plannedMessages(const QList<PlanRow>& rows) {
    QList<PlannedMessage> messages;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PlanRow& row = rows[i];
        if (!isKept(row))
            continue;
        if (row.action == PlanAction::Reword)
            messages.append({row.hash, row.editedMessage.value_or(row.message)});
        if (isFollower(row.action))
            continue;
        const qsizetype end = chainEnd(rows, i);
        bool squashes = false;
        for (qsizetype j = i + 1; j <= end; ++j)
            squashes = squashes || rows[j].action == PlanAction::Squash;
        if (squashes)
            messages.append({rows[end].hash, row.chainMessage.value_or(joinedMessage(rows, i))});
    }
    return messages;
}

std::optional<qsizetype> resultRow(const QList<PlanRow>& rows, qsizetype index) {
    if (!validIndex(rows, index))
        return std::nullopt;
    if (isKept(rows[index]))
        return chainStart(rows, index);
    if (const std::optional<qsizetype> previous = previousKept(rows, index))
        return chainStart(rows, *previous);
    const auto next = std::find_if(rows.begin() + index, rows.end(), isKept);
    if (next == rows.end())
        return std::nullopt;
    return next - rows.begin();
}

qsizetype resultCount(const QList<PlanRow>& rows) {
    return resultPosition(rows, rows.size());
}

qsizetype resultPosition(const QList<PlanRow>& rows, qsizetype start) {
    qsizetype position = 0;
    for (qsizetype i = 0; i < start && i < rows.size(); ++i) {
        if (isKept(rows[i]) && !isFollower(rows[i].action))
            ++position;
    }
    return position;
}

} // namespace tolvane
