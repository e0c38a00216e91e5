#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"
#include "ui/window/standardPanes.h"

#include <QDir>
#include <QStackedWidget>
#include <QTest>

using namespace tolvane;

// The program's own pane set fills every page and pane of a repository view, and the blame
// area takes the diff area's place while blame is shown.
class TestStandardPanes : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void fillsEveryPane() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), repo.path(), QStringLiteral("repo"), std::nullopt});
        test::await(state.refresh());

        RepositoryView view(state);
        installStandardPanes(view, state);
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const QList<std::pair<SidebarTab, QString>> pages{
            {SidebarTab::Changes, QStringLiteral("changesView")},
            {SidebarTab::Branches, QStringLiteral("branchesView")},
            {SidebarTab::Trees, QStringLiteral("worktreesView")},
            {SidebarTab::Tags, QStringLiteral("tagsView")}};
        for (const auto& [tab, name] : pages)
            QCOMPARE(view.sidebar()->page(tab)->objectName(), name);
        QCOMPARE(view.historyPane()->objectName(), QStringLiteral("commitLogView"));
        QCOMPARE(view.detailPane()->objectName(), QStringLiteral("diffView"));
        QCOMPARE(view.blamePane()->objectName(), QStringLiteral("blameView"));
        QVERIFY(view.detailPane()->isVisible());

        // A picture of the whole repository window for people to look at.
        repo.writeFile(QStringLiteral("a.txt"), "1\n2\n");
        repo.writeFile(QStringLiteral("notes.md"), "# Notes\n");
        test::await(state.refresh());
        state.selectFile(state.allDisplayFiles().first(), false, false);
        QTRY_VERIFY(!state.isLoadingDiff());
        QTest::qWait(50);
        const QString shots = qEnvironmentVariable("TOLVANE_BUILD_DIR", QStringLiteral(".")) +
                              QStringLiteral("/screenshots");
        QDir().mkpath(shots);
        view.grab().save(shots + QStringLiteral("/repository-window.png"));

        test::await(state.loadBlame(QStringLiteral("a.txt")));
        QTRY_VERIFY(view.blamePane()->isVisible());
        QVERIFY(!view.detailPane()->isVisible());
        state.closeBlameView();
        QTRY_VERIFY(view.detailPane()->isVisible());
    }
};

QTEST_MAIN(TestStandardPanes)
#include "tst_StandardPanes.moc"
