#include "ViewTestSupport.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/BadgeButton.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/IdentityDialog.h"
#include "ui/common/ProgressSpinner.h"
#include "ui/sidebar/BranchListModel.h"
#include "ui/sidebar/BranchesView.h"
#include "ui/sidebar/sidebarRoles.h"
#include "ui/window/PanePlaceholder.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace tolvane;

class TestRepositoryView : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    std::unique_ptr<test::RepoFixture> m_repo;

    std::unique_ptr<RepositoryState> openState() {
        auto state = std::make_unique<RepositoryState>(RepositoryTab{
            QUuid::createUuid(), m_repo->path(), QDir(m_repo->path()).dirName(), std::nullopt});
        test::await(state->refresh());
        return state;
    }

private Q_SLOTS:
    void initTestCase() {
        m_repo = std::make_unique<test::RepoFixture>(QStringLiteral("project"));
        m_repo->writeFile(QStringLiteral("a.txt"), "a\n");
        m_repo->writeFile(QStringLiteral("b.txt"), "b\n");
        m_repo->commitAll(QStringLiteral("first"));
    }

    void toolbarShowsWhereYouAreAndItsCommands() {
        auto state = openState();
        RepositoryView view(*state);
        view.resize(1100, 700);
        view.show();
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("toolbarName"))->text(), "project");
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("toolbarSeparator"))->text(), "›");
        QCOMPARE(view.findChild<ElidedLabel*>(QStringLiteral("toolbarBranch"))->fullText(), "main");
        const QList<std::pair<const char*, QStringList>> buttons{
            {"fetchButton", {"Fetch", "Fetch all remotes"}},
            {"pullButton", {"Pull", "Pull from remote"}},
            {"pushButton", {"Push", "Push to remote"}},
            {"refreshButton", {"", "Refresh"}}};
        for (const auto& [name, texts] : buttons) {
            auto* button = view.findChild<QToolButton*>(QString::fromLatin1(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), texts[0]);
            QCOMPARE(button->toolTip(), texts[1]);
            QVERIFY(!button->icon().isNull());
        }
        // Refresh reaches the state: a new file shows up.
        m_repo->writeFile(QStringLiteral("fresh.txt"), "x\n");
        QTest::mouseClick(view.findChild<QToolButton*>(QStringLiteral("refreshButton")),
                          Qt::LeftButton);
        QTRY_COMPARE(state->changes().size(), 1);
        QFile::remove(m_repo->path() + QStringLiteral("/fresh.txt"));
        // Fetch without a remote fails in the log, not in the window.
        QTest::mouseClick(view.findChild<QToolButton*>(QStringLiteral("fetchButton")),
                          Qt::LeftButton);
        QTRY_VERIFY(!state->isLoading());
        test::saveLightAndDark(view.findChild<QWidget*>(QStringLiteral("toolbarView")),
                               QStringLiteral("toolbar"));

        // A detached HEAD has no branch: no separator points at nothing.
        auto* separator = view.findChild<QLabel*>(QStringLiteral("toolbarSeparator"));
        m_repo->git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("--detach")});
        test::await(state->refresh());
        QVERIFY(separator->isHidden());
        QVERIFY(view.findChild<ElidedLabel*>(QStringLiteral("toolbarBranch"))->isHidden());
        test::saveLightAndDark(view.findChild<QWidget*>(QStringLiteral("toolbarView")),
                               QStringLiteral("toolbar-detached"));
        m_repo->git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        test::await(state->refresh());
        QVERIFY(separator->isVisible());
    }

    // Two commits ahead of origin/main and one behind: the toolbar says so beside the branch,
    // Pull and Push carry the counts as badges, and the Branches page shows them on the row.
    void aheadAndBehindInTheToolbarAndBranches() {
        test::RepoFixture repo(QStringLiteral("tracked"));
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("first"));
        const QString origin = repo.addBareOrigin();
        const QString other = repo.siblingPath(QStringLiteral("other"));
        repo.git({QStringLiteral("clone"), QStringLiteral("-q"), origin, other}, repo.path());
        repo.writeFile(QStringLiteral("../other/theirs.txt"), "theirs\n");
        repo.git({QStringLiteral("add"), QStringLiteral("theirs.txt")}, other);
        repo.git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                  QStringLiteral("theirs")},
                 other);
        repo.git({QStringLiteral("push"), QStringLiteral("-q")}, other);
        repo.git({QStringLiteral("branch"), QStringLiteral("feature/quiet")});
        repo.writeFile(QStringLiteral("b.txt"), "b\n");
        repo.commitAll(QStringLiteral("second"));
        repo.writeFile(QStringLiteral("c.txt"), "c\n");
        repo.commitAll(QStringLiteral("third"));
        auto state = std::make_unique<RepositoryState>(RepositoryTab{
            QUuid::createUuid(), repo.path(), QDir(repo.path()).dirName(), std::nullopt});
        test::await(state->refresh());

        RepositoryView view(*state);
        view.resize(1100, 700);
        view.show();
        auto* tracking = view.findChild<QLabel*>(QStringLiteral("toolbarTracking"));
        auto* pull = view.findChild<BadgeButton*>(QStringLiteral("pullButton"));
        auto* push = view.findChild<BadgeButton*>(QStringLiteral("pushButton"));
        QVERIFY(tracking && pull && push);
        QCOMPARE(tracking->text(), QStringLiteral("↑2"));
        QCOMPARE(push->badge(), QStringLiteral("2"));
        QCOMPARE(pull->badge(), QString());

        repo.git({QStringLiteral("fetch"), QStringLiteral("-q")});
        test::await(state->refresh());
        QVERIFY(tracking->isVisible());
        QCOMPARE(tracking->text(), QStringLiteral("↑2 ↓1"));
        QCOMPARE(tracking->toolTip(), QStringLiteral("2 commits ahead of origin/main, 1 behind"));
        QCOMPARE(pull->badge(), QStringLiteral("1"));
        QCOMPARE(push->badge(), QStringLiteral("2"));
        QCOMPARE(pull->text(), QStringLiteral("Pull"));
        QVERIFY(pull->toolTip().startsWith(QStringLiteral("Pull from remote\n")));
        // The badge takes room of its own: the label is not squeezed.
        QVERIFY(pull->width() >= pull->sizeHint().width());
        test::saveLightAndDark(view.findChild<QWidget*>(QStringLiteral("toolbarView")),
                               QStringLiteral("toolbar-ahead-behind"));

        BranchesView branches(state.get(), nullptr);
        branches.resize(280, 260);
        branches.show();
        BranchListModel* model = branches.model();
        const QModelIndex main = model->index(model->rowOf(QStringLiteral("main"), false));
        QCOMPARE(main.data(SidebarRoles::Trailing).toString(), QStringLiteral("↑2 ↓1"));
        QCOMPARE(main.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("2 commits ahead of origin/main, 1 behind"));
        const QModelIndex quiet =
            model->index(model->rowOf(QStringLiteral("feature/quiet"), false));
        QCOMPARE(quiet.data(SidebarRoles::Trailing).toString(), QString());
        const QModelIndex remote = model->index(model->rowOf(QStringLiteral("origin/main"), true));
        QCOMPARE(remote.data(SidebarRoles::Trailing).toString(), QString());
        test::saveLightAndDark(&branches, QStringLiteral("branches-ahead-behind"));

        // Pulled and pushed: no counts, no badges.
        test::await(state->pull());
        test::await(state->push());
        QCOMPARE(state->currentTracking()->ahead, 0);
        QVERIFY(tracking->isHidden());
        QCOMPARE(pull->badge(), QString());
        QCOMPARE(push->badge(), QString());
        QCOMPARE(pull->toolTip(), QStringLiteral("Pull from remote"));
        QCOMPARE(model->index(model->rowOf(QStringLiteral("main"), false))
                     .data(SidebarRoles::Trailing)
                     .toString(),
                 QString());
    }

    // The view asks for a missing author in the identity dialog; filled in, the commit is made
    // with the message typed.
    void theIdentityDialogCompletesACommit() {
        test::RepoFixture repo(QStringLiteral("anonymous"));
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("first"));
        const test::WithoutGitIdentity noIdentity(repo.path());
        repo.writeFile(QStringLiteral("a.txt"), "b\n");
        repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
        RepositoryState state(RepositoryTab{QUuid::createUuid(), repo.path(),
                                            QStringLiteral("anonymous"), std::nullopt});
        test::await(state.refresh());
        RepositoryView view(state);
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        bool answered = false;
        std::function<void()> answer = [&] {
            auto* dialog = qobject_cast<IdentityDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                QTimer::singleShot(20, answer);
                return;
            }
            // "Commit" waits for both fields; a failed check must still end the dialog.
            const bool waitedForFields = !dialog->commitButton()->isEnabled();
            QTest::keyClicks(dialog->nameField(), QStringLiteral("Ada Lovelace"));
            QTest::keyClicks(dialog->emailField(), QStringLiteral("ada@example.com"));
            answered = waitedForFields && dialog->commitButton()->isEnabled();
            test::saveLightAndDark(dialog, QStringLiteral("identity-dialog"));
            QTest::mouseClick(dialog->commitButton(), Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        };
        QTimer::singleShot(0, answer);
        state.setCommitMessage(QStringLiteral("Signed at last"));
        test::await(state.commitChanges());
        QVERIFY(answered);
        QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("-1"),
                           QStringLiteral("--format=%an <%ae>|%s")}),
                 QStringLiteral("Ada Lovelace <ada@example.com>|Signed at last"));
        QCOMPARE(state.commitMessage(), QString());
    }

    void theProgressIndicatorKeepsItsSpace() {
        auto state = openState();
        RepositoryView view(*state);
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* spinner = view.findChild<ProgressSpinner*>(QStringLiteral("progressIndicator"));
        auto* refresh = view.findChild<QToolButton*>(QStringLiteral("refreshButton"));
        auto* push = view.findChild<QToolButton*>(QStringLiteral("pushButton"));
        state->setIsLoading(false);
        QCoreApplication::processEvents();
        QVERIFY(!spinner->isSpinning());
        QVERIFY(spinner->isVisible());
        const QRect spinnerIdle = spinner->geometry();
        const QRect refreshIdle = refresh->geometry();
        const QRect pushIdle = push->geometry();
        QCOMPARE(spinnerIdle.size(), QSize(16, 16));

        state->setIsLoading(true);
        QCoreApplication::processEvents();
        QVERIFY(spinner->isSpinning());
        QCOMPARE(spinner->geometry(), spinnerIdle);
        QCOMPARE(refresh->geometry(), refreshIdle);
        QCOMPARE(push->geometry(), pushIdle);
        // Drawn while spinning, blank while idle.
        const QImage spinning = spinner->grab().toImage();
        state->setIsLoading(false);
        const QImage idle = spinner->grab().toImage();
        QVERIFY(spinning != idle);
        QCOMPARE(refresh->geometry(), refreshIdle);
    }

    void theStatusBarCounts() {
        m_repo->writeFile(QStringLiteral("a.txt"), "changed\n");
        m_repo->git({QStringLiteral("add"), QStringLiteral("a.txt")});
        m_repo->writeFile(QStringLiteral("b.txt"), "changed\n");
        m_repo->writeFile(QStringLiteral("c.txt"), "new\n");
        auto state = openState();
        RepositoryView view(*state);
        view.resize(1100, 700);
        view.show();
        auto* staged = view.findChild<QLabel*>(QStringLiteral("stagedCount"));
        auto* unstaged = view.findChild<QLabel*>(QStringLiteral("unstagedCount"));
        QCOMPARE(staged->text(), QStringLiteral("1"));
        QCOMPARE(unstaged->text(), QStringLiteral("2"));
        QVERIFY(staged->isVisible() && unstaged->isVisible());
        QCOMPARE(staged->palette().color(QPalette::WindowText).green() >
                     staged->palette().color(QPalette::WindowText).red(),
                 true);
        QCOMPARE(view.findChild<ElidedLabel*>(QStringLiteral("statusPath"))->fullText(),
                 m_repo->path());
        QCOMPARE(view.findChild<ElidedLabel*>(QStringLiteral("statusBranch"))->fullText(),
                 QStringLiteral("main"));
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("statusDot"))->text(), QStringLiteral("·"));

        // Only unstaged changes: the staged count goes.
        m_repo->git({QStringLiteral("reset"), QStringLiteral("-q")});
        test::await(state->refresh());
        QVERIFY(!staged->isVisible());
        QCOMPARE(unstaged->text(), QStringLiteral("3"));
        // Everything committed: no counts at all.
        m_repo->commitAll(QStringLiteral("second"));
        test::await(state->refresh());
        QVERIFY(!view.findChild<QWidget*>(QStringLiteral("statusCounts"))->isVisible());

        // A narrow label elides the path in the middle instead of pushing the branch away.
        auto* path = view.findChild<ElidedLabel*>(QStringLiteral("statusPath"));
        path->resize(120, path->height());
        QVERIFY(path->text().size() < m_repo->path().size());
        QVERIFY(path->text().contains(QStringLiteral("…")));
        QVERIFY(path->text().endsWith(QStringLiteral("project")));
    }

    void panesStartAsPlaceholdersAndTakeViews() {
        auto state = openState();
        int factoryCalls = 0;
        setRepositoryPaneFactory([&](RepositoryView& view, RepositoryState& forState) {
            ++factoryCalls;
            QCOMPARE(&forState, state.get());
            auto* branches = new QLabel(QStringLiteral("branches page"));
            branches->setObjectName(QStringLiteral("pluggedBranches"));
            view.setSidebarPage(SidebarTab::Branches, branches);
        });
        RepositoryView view(*state);
        setRepositoryPaneFactory({});
        QCOMPARE(factoryCalls, 1);
        view.resize(1100, 700);
        view.show();

        QVERIFY(qobject_cast<PanePlaceholder*>(view.historyPane()));
        QVERIFY(qobject_cast<PanePlaceholder*>(view.detailPane()));
        QVERIFY(qobject_cast<PanePlaceholder*>(view.sidebar()->page(SidebarTab::Changes)));
        QCOMPARE(view.sidebar()->page(SidebarTab::Branches)->objectName(), "pluggedBranches");

        // The picker's segments, in order, bound to the state's selected tab.
        QStringList segments;
        for (SidebarTab tab : allSidebarTabs) {
            auto* segment =
                view.findChild<QToolButton*>(QStringLiteral("segment") + sidebarTabText(tab));
            QVERIFY(segment);
            segments.append(segment->text());
        }
        QCOMPARE(segments, (QStringList{"Changes", "Branches", "Trees", "Tags", "Stashes", "Submodules"}));
        QTest::mouseClick(view.findChild<QToolButton*>(QStringLiteral("segmentBranches")),
                          Qt::LeftButton);
        QCOMPARE(state->selectedTab(), SidebarTab::Branches);
        QCOMPARE(view.sidebar()->currentPage()->objectName(), "pluggedBranches");
        state->setSelectedTab(SidebarTab::Tags);
        QVERIFY(view.findChild<QToolButton*>(QStringLiteral("segmentTags"))->isChecked());
        QCOMPARE(view.sidebar()->currentPage(), view.sidebar()->page(SidebarTab::Tags));

        QPointer<QWidget> oldHistory = view.historyPane();
        auto* history = new QLabel(QStringLiteral("history"));
        view.setHistoryPane(history);
        QCOMPARE(view.historyPane(), history);
        QVERIFY(history->isVisible());
        QVERIFY(!oldHistory);

        auto* diff = new QLabel(QStringLiteral("diff"));
        auto* blame = new QLabel(QStringLiteral("blame"));
        view.setDetailPane(diff);
        view.setBlamePane(blame);
        QVERIFY(diff->isVisible() && !blame->isVisible());
        state->setShowBlameView(true);
        QVERIFY(blame->isVisible() && !diff->isVisible());
    }

    void theSplitKeepsItsWidths() {
        auto state = openState();
        RepositoryView view(*state);
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSplitter* splitter = view.splitter();
        const QList<int> sizes = splitter->sizes();
        QCOMPARE(sizes.size(), 3);
        QVERIFY(sizes[0] >= 240 && sizes[0] <= 360);
        QVERIFY(sizes[1] >= 300 && sizes[2] >= 300);
        QCOMPARE(view.sidebar()->minimumWidth(), RepositoryView::sidebarMinimumWidth);
        QCOMPARE(view.sidebar()->maximumWidth(), RepositoryView::sidebarMaximumWidth);
        view.resize(2400, 700);
        QCoreApplication::processEvents();
        QVERIFY(splitter->sizes()[0] <= 360);
        // Asking for a wider sidebar stops at its maximum.
        splitter->setSizes({900, 800, 700});
        QCoreApplication::processEvents();
        QVERIFY(view.sidebar()->width() <= 360);
    }
};

QTEST_MAIN(TestRepositoryView)
#include "tst_RepositoryView.moc"
