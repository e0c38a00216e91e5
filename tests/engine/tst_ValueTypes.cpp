#include "engine/ChangeStatus.h"
#include "engine/FileChange.h"
#include "engine/GitBranch.h"
#include "engine/GitCommit.h"
#include "engine/GitWorktree.h"
#include "engine/StashEntry.h"
#include "state/RepositoryTab.h"
#include "state/SidebarTab.h"

#include <QSet>
#include <QTest>

using namespace tolvane;

class TestValueTypes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileChangeIdsSeparateTheTwoAreas() {
        const FileChange staged{ChangeStatus::Modified, QStringLiteral("src/a b.txt"), true, {}};
        const FileChange unstaged{ChangeStatus::Modified, QStringLiteral("src/a b.txt"), false, {}};
        QCOMPARE(staged.id(), QStringLiteral("src/a b.txt:true"));
        QCOMPARE(unstaged.id(), QStringLiteral("src/a b.txt:false"));
        QVERIFY(staged != unstaged);
        QCOMPARE(QSet<FileChange>({staged, unstaged, staged}).size(), 2);

        FileChange renamed{ChangeStatus::Renamed, QStringLiteral("new"), true,
                           QStringLiteral("old")};
        FileChange withoutOldPath = renamed;
        withoutOldPath.oldPath.reset();
        QVERIFY(renamed != withoutOldPath);
        QCOMPARE(renamed.id(), withoutOldPath.id());
    }

    void branchesFromTwoParsesDiffer() {
        const GitBranch a = GitBranch::make(QStringLiteral("main"), true, false);
        const GitBranch b = GitBranch::make(QStringLiteral("main"), true, false);
        QVERIFY(a != b);
        QVERIFY(a.id != b.id);
        QCOMPARE(a, a);
        QCOMPARE(QSet<GitBranch>({a, b}).size(), 2);
    }

    void tabsAreEqualByIdOnly() {
        const QUuid id = QUuid::createUuid();
        const RepositoryTab a{id, QStringLiteral("/a"), QStringLiteral("a"), std::nullopt};
        const RepositoryTab b{id, QStringLiteral("/b"), QStringLiteral("other"), QByteArray("x")};
        const RepositoryTab c{QUuid::createUuid(), QStringLiteral("/a"), QStringLiteral("a"),
                              std::nullopt};
        QCOMPARE(a, b);
        QVERIFY(a != c);
    }

    void commitEqualityCoversEveryField() {
        const GitCommit base{QStringLiteral("abc"),
                             QStringLiteral("ab"),
                             QStringLiteral("A"),
                             1704110400,
                             QStringLiteral("m"),
                             QStringLiteral("m"),
                             QString(),
                             {QStringLiteral("p")},
                             0};
        GitCommit other = base;
        QCOMPARE(other, base);
        QCOMPARE(qHash(other), qHash(base));
        other.graphColumn = 1;
        QVERIFY(other != base);
        other = base;
        other.parents.clear();
        QVERIFY(other != base);
        other = base;
        other.refs = QStringLiteral("tag: v1");
        QVERIFY(other != base);
    }

    void worktreeAndStashEquality() {
        const GitWorktree w{QStringLiteral("/r"),
                            QStringLiteral("/r"),
                            QStringLiteral("main"),
                            QStringLiteral("abc"),
                            true,
                            false};
        GitWorktree detached = w;
        detached.isDetached = true;
        QVERIFY(w != detached);
        QCOMPARE((StashEntry{0, QStringLiteral("WIP")}), (StashEntry{0, QStringLiteral("WIP")}));
        QVERIFY((StashEntry{0, QStringLiteral("WIP")}) != (StashEntry{1, QStringLiteral("WIP")}));
    }

    void changeStatusFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1 for none
        QTest::newRow("M") << QStringLiteral("M") << int(ChangeStatus::Modified);
        QTest::newRow("A") << QStringLiteral("A") << int(ChangeStatus::Added);
        QTest::newRow("D") << QStringLiteral("D") << int(ChangeStatus::Deleted);
        QTest::newRow("R") << QStringLiteral("R") << int(ChangeStatus::Renamed);
        QTest::newRow("?") << QStringLiteral("?") << int(ChangeStatus::Untracked);
        QTest::newRow("C") << QStringLiteral("C") << int(ChangeStatus::Copied);
        QTest::newRow("space") << QStringLiteral(" ") << int(ChangeStatus::Unmodified);
        QTest::newRow("U") << QStringLiteral("U") << int(ChangeStatus::Conflict);
        QTest::newRow("X") << QStringLiteral("X") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("lower m") << QStringLiteral("m") << -1;
        QTest::newRow("two letters") << QStringLiteral("MM") << -1;
    }
    void changeStatusFromText() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto status = tolvane::changeStatusFromText(text);
        QCOMPARE(status.has_value() ? int(*status) : -1, expected);
        if (status)
            QCOMPARE(changeStatusText(*status), text);
    }

    void sidebarTabs() {
        QStringList titles;
        for (const SidebarTab tab : allSidebarTabs)
            titles.append(sidebarTabText(tab));
        QCOMPARE(titles, (QStringList{QStringLiteral("Changes"), QStringLiteral("Branches"),
                                      QStringLiteral("Trees"), QStringLiteral("Tags"),
                                      QStringLiteral("Stashes")}));
        QCOMPARE(sidebarTabFromText(QStringLiteral("Trees")), SidebarTab::Trees);
        QVERIFY(!sidebarTabFromText(QStringLiteral("trees")).has_value());
    }
};

QTEST_GUILESS_MAIN(TestValueTypes)
#include "tst_ValueTypes.moc"
