#pragma once

// Generated histories with the shapes real repositories have, for the graph's tests, screenshots
// and benchmarks: a mainline fed by many concurrent topic branches (git's own development),
// octopus merges, long-lived release branches, criss-cross merges and many roots. Commits are
// made in time order, so the log lists them newest first in the reverse of their making.

#include "engine/GitCommit.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace tolvane::test {

struct ShapedCommit {
    QList<int> parents; // indices of earlier commits, first parent first
    QString message;
    QStringList refs; // names decorating the commit, as the log prints them
};

struct ShapedHistory {
    QList<ShapedCommit> commits; // in the order they were made
};

namespace shapes {

class Builder {
public:
    explicit Builder(quint32 seed) : random(seed) {}
    int add(QList<int> parents, QString message) {
        history.commits.append(ShapedCommit{std::move(parents), std::move(message), {}});
        return int(history.commits.size() - 1);
    }
    int size() const { return int(history.commits.size()); }
    int pick(int bound) { return bound <= 0 ? 0 : int(random.bounded(bound)); }
    // A uniform value in [low, high].
    int between(int low, int high) { return low + pick(high - low + 1); }
    QString subject() {
        static const char* const areas[] = {"diff",  "merge-ort", "refs",   "t/lib",  "pack",
                                            "fetch", "doc",       "bisect", "config", "rebase"};
        static const char* const verbs[] = {"fix", "teach", "simplify", "avoid", "document"};
        return QStringLiteral("%1: %2 %3 handling")
            .arg(QLatin1String(areas[pick(10)]), QLatin1String(verbs[pick(5)]))
            .arg(pick(1000));
    }
    void decorate(int commit, const QString& ref) { history.commits[commit].refs.append(ref); }

    QRandomGenerator random;
    ShapedHistory history;
};

} // namespace shapes

inline ShapedHistory linearHistory(int count) {
    shapes::Builder b(1);
    int tip = b.add({}, QStringLiteral("Initial commit"));
    while (b.size() < count)
        tip = b.add({tip}, b.subject());
    b.decorate(tip, QStringLiteral("HEAD -> main"));
    return b.history;
}

// git's own development: topics fork from a recent mainline commit (some from the maintenance
// branch), get their commits in one go, are merged into "next" some time later and into
// "master" much later, so dozens are open at any time. The maintenance branch is merged into
// master now and then; master also gets a few direct commits.
inline ShapedHistory gitLikeHistory(int count, quint32 seed = 1) {
    shapes::Builder b(seed);
    struct Topic {
        QString name;
        int tip;
        bool fix;
        int nextAt;
        int masterAt;
        bool inNext = false;
    };
    int master = b.add({}, QStringLiteral("Initial revision of the information manager"));
    QList<int> masterLine{master};
    int next = master;
    int maint = master;
    QList<Topic> topics;
    int topicCount = 0;
    while (b.size() < count) {
        const int now = b.size();
        const auto due = std::find_if(topics.begin(), topics.end(), [now](const Topic& t) {
            return (!t.inNext && t.nextAt <= now) || t.masterAt <= now;
        });
        if (due != topics.end()) {
            const QString merge = QStringLiteral("Merge branch '%1'").arg(due->name);
            if (!due->inNext && due->nextAt <= now) {
                next = b.add({next, due->tip}, merge + QStringLiteral(" into next"));
                due->inNext = true;
            } else if (due->fix) {
                maint = b.add({maint, due->tip}, merge + QStringLiteral(" into maint"));
                topics.erase(due);
            } else {
                master = b.add({master, due->tip}, merge);
                masterLine.append(master);
                topics.erase(due);
            }
            continue;
        }
        const int roll = b.pick(100);
        if (roll < 40) {
            const bool fix = b.pick(6) == 0;
            const int back = b.pick(std::min<int>(int(masterLine.size()), 40));
            int tip = fix ? maint : masterLine.at(masterLine.size() - 1 - back);
            const int length = b.pick(8) == 0 ? b.between(6, 15) : b.between(1, 4);
            for (int i = 0; i < length && b.size() < count; ++i)
                tip = b.add({tip}, b.subject());
            const int nextAt = b.size() + b.between(5, 120);
            topics.append(Topic{QStringLiteral("%1/topic-%2")
                                    .arg(QLatin1String(fix ? "jk" : "ab"))
                                    .arg(++topicCount),
                                tip, fix, nextAt, nextAt + b.between(60, 500)});
        } else if (roll < 46) {
            master = b.add({master}, QStringLiteral("The %1th batch").arg(masterLine.size()));
            masterLine.append(master);
        } else if (roll < 49 && maint != master) {
            master = b.add({master, maint}, QStringLiteral("Merge branch 'maint'"));
            masterLine.append(master);
        } else if (roll < 52) {
            // A topic gets another commit before it reaches next.
            for (Topic& t : topics) {
                if (!t.inNext) {
                    t.tip = b.add({t.tip}, b.subject());
                    break;
                }
            }
        }
    }
    b.decorate(master, QStringLiteral("HEAD -> master"));
    b.decorate(master, QStringLiteral("origin/master"));
    b.decorate(next, QStringLiteral("origin/next"));
    b.decorate(maint, QStringLiteral("origin/maint"));
    return b.history;
}

// Several short branches forked from recent mainline commits, merged together in one octopus
// merge of three to twelve parents; plain commits and two-parent merges in between.
inline ShapedHistory octopusHistory(int count, quint32 seed = 2) {
    shapes::Builder b(seed);
    int main = b.add({}, QStringLiteral("Initial commit"));
    QList<int> mainLine{main};
    while (b.size() < count) {
        if (b.pick(3) == 0) {
            main = b.add({main}, b.subject());
            mainLine.append(main);
            continue;
        }
        const int arms = b.pick(4) == 0 ? b.between(6, 12) : b.between(2, 5);
        QList<int> parents{main};
        for (int a = 0; a < arms && b.size() < count; ++a) {
            const int back = b.pick(std::min<int>(int(mainLine.size()), 12));
            int tip = mainLine.at(mainLine.size() - 1 - back);
            for (int i = b.between(1, 4); i > 0 && b.size() < count; --i)
                tip = b.add({tip}, b.subject());
            parents.append(tip);
        }
        main = b.add(parents, QStringLiteral("Merge %1 branches for the next release").arg(arms));
        mainLine.append(main);
    }
    b.decorate(main, QStringLiteral("HEAD -> main"));
    return b.history;
}

// A development mainline with short feature branches, and release branches forked from it every
// so often that live for thousands of commits: each gets a fix now and then, and is merged back
// into main from time to time.
inline ShapedHistory releaseBranchHistory(int count, quint32 seed = 3) {
    shapes::Builder b(seed);
    struct Release {
        QString name;
        int tip;
        int endsAt;
    };
    int main = b.add({}, QStringLiteral("Initial commit"));
    QList<Release> releases;
    int version = 0;
    int nextRelease = 60;
    while (b.size() < count) {
        if (b.size() >= nextRelease) {
            ++version;
            const int tip =
                b.add({main}, QStringLiteral("Release 1.%1: bump the version").arg(version));
            releases.append({QStringLiteral("release/1.%1").arg(version), tip,
                             b.size() + b.between(600, 3000)});
            nextRelease = b.size() + b.between(200, 700);
            continue;
        }
        const int roll = b.pick(100);
        if (roll < 8 && !releases.isEmpty()) {
            const int which = b.pick(int(releases.size()));
            Release& r = releases[which];
            r.tip = b.add({r.tip}, QStringLiteral("%1: backport ").arg(r.name) + b.subject());
            if (b.size() >= r.endsAt) {
                main = b.add({main, r.tip}, QStringLiteral("Merge branch '%1'").arg(r.name));
                b.decorate(r.tip, QStringLiteral("origin/") + r.name);
                releases.removeAt(which);
            }
        } else if (roll < 12 && !releases.isEmpty()) {
            const Release& r = releases.at(b.pick(int(releases.size())));
            main = b.add({main, r.tip}, QStringLiteral("Merge branch '%1' into main").arg(r.name));
        } else if (roll < 40) {
            int tip = main;
            for (int i = b.between(1, 5); i > 0 && b.size() < count; --i)
                tip = b.add({tip}, b.subject());
            main = b.add({main, tip}, QStringLiteral("Merge pull request #%1").arg(b.size()));
        } else {
            main = b.add({main}, b.subject());
        }
    }
    for (const auto& r : std::as_const(releases))
        b.decorate(r.tip, QStringLiteral("origin/") + r.name);
    b.decorate(main, QStringLiteral("HEAD -> main"));
    return b.history;
}

// Two long-lived branches that keep merging each other, so merges have merges as parents.
inline ShapedHistory crissCrossHistory(int count, quint32 seed = 4) {
    shapes::Builder b(seed);
    int tips[2];
    tips[0] = b.add({}, QStringLiteral("Initial commit"));
    tips[1] = tips[0];
    while (b.size() < count) {
        const int side = b.pick(2);
        if (b.pick(4) == 0 && tips[0] != tips[1])
            tips[side] =
                b.add({tips[side], tips[1 - side]}, QStringLiteral("Merge the other side"));
        else
            tips[side] = b.add({tips[side]}, b.subject());
    }
    b.decorate(tips[0], QStringLiteral("HEAD -> main"));
    b.decorate(tips[1], QStringLiteral("develop"));
    return b.history;
}

// Unrelated histories side by side (imported projects, documentation pages), some joined
// later by merges that bring a whole history in.
inline ShapedHistory manyRootsHistory(int count, quint32 seed = 5) {
    shapes::Builder b(seed);
    QList<int> tips;
    while (b.size() < count) {
        if (tips.size() < 6 && (tips.isEmpty() || b.pick(25) == 0)) {
            tips.append(b.add({}, QStringLiteral("Root of project %1").arg(tips.size())));
            continue;
        }
        const int i = b.pick(int(tips.size()));
        if (tips.size() > 1 && b.pick(30) == 0) {
            const int j = (i + 1 + b.pick(int(tips.size()) - 1)) % int(tips.size());
            tips[i] = b.add({tips[i], tips[j]}, QStringLiteral("Merge project %1").arg(j));
        } else {
            tips[i] = b.add({tips[i]}, b.subject());
        }
    }
    b.decorate(tips[0], QStringLiteral("HEAD -> main"));
    for (int i = 1; i < tips.size(); ++i)
        b.decorate(tips[i], QStringLiteral("project-%1").arg(i));
    return b.history;
}

// Any earlier commit may be a parent, of up to three: every edge length and crossing.
inline ShapedHistory randomHistory(int count, quint32 seed) {
    shapes::Builder b(seed);
    for (int i = 0; i < count; ++i) {
        QList<int> parents;
        for (int p = i == 0 ? 0 : b.pick(4); p > 0; --p)
            parents.append(b.pick(i));
        b.add(parents, b.subject());
        if (b.pick(10) == 0)
            b.decorate(i, QStringLiteral("main"));
    }
    return b.history;
}

// A hash-like id for generated commit `index`.
inline QString shapedId(int index) {
    quint64 x = quint64(index) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    QString id;
    id.reserve(40);
    for (int part = 0; part < 3; ++part) {
        x ^= x >> 31;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 29;
        id += QString::number(x, 16).rightJustified(16, u'0');
    }
    id.truncate(40);
    return id;
}

// The history as the log delivers it: newest first, parents as ids.
inline QList<GitCommit> logOf(const ShapedHistory& history) {
    QList<GitCommit> out;
    out.reserve(history.commits.size());
    for (qsizetype i = history.commits.size() - 1; i >= 0; --i) {
        const ShapedCommit& shaped = history.commits.at(i);
        GitCommit c;
        c.id = shapedId(int(i));
        c.shortHash = c.id.left(7);
        c.message = shaped.message;
        c.fullMessage = shaped.message;
        c.author = QStringLiteral("A U Thor");
        c.authorTime = 1704110400 + 60 * (history.commits.size() - i);
        c.refs = shaped.refs.join(QStringLiteral(", "));
        for (int p : shaped.parents)
            c.parents.append(shapedId(p));
        out.append(c);
    }
    return out;
}

// A `git fast-import` stream that makes the history, one commit a minute, with its branch refs
// ("HEAD -> x" makes x; remote names become local branches of the same name).
inline QByteArray fastImportStream(const ShapedHistory& history) {
    QByteArray stream;
    const auto& commits = history.commits;
    for (qsizetype i = 0; i < commits.size(); ++i) {
        const ShapedCommit& c = commits.at(i);
        if (c.parents.isEmpty())
            stream += "reset refs/heads/scratch\n";
        const QByteArray message = c.message.toUtf8() + '\n';
        const QByteArray when = QByteArray::number(1500000000 + i * 60) + " +0000\n";
        stream += "commit refs/heads/scratch\nmark :" + QByteArray::number(i + 1) + '\n';
        stream += "author A U Thor <author@example.com> " + when;
        stream += "committer C O Mitter <committer@example.com> " + when;
        stream += "data " + QByteArray::number(message.size()) + '\n' + message;
        for (qsizetype p = 0; p < c.parents.size(); ++p)
            stream += (p == 0 ? "from :" : "merge :") + QByteArray::number(c.parents[p] + 1) + '\n';
        const QByteArray content = QByteArray::number(i) + '\n';
        stream += "M 100644 inline f" + QByteArray::number(i % 40) + ".txt\ndata " +
                  QByteArray::number(content.size()) + '\n' + content + '\n';
    }
    for (qsizetype i = 0; i < commits.size(); ++i) {
        for (QString ref : commits.at(i).refs) {
            if (ref.startsWith(QLatin1String("HEAD -> ")))
                ref = ref.mid(8);
            if (ref.startsWith(QLatin1String("origin/")))
                ref = ref.mid(7);
            stream += "reset refs/heads/" + ref.toUtf8() + "\nfrom :" + QByteArray::number(i + 1) +
                      "\n\n";
        }
    }
    return stream;
}

} // namespace tolvane::test
