#include "ViewTestSupport.h"
#include "state/RepositoryState.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/common/NameDialog.h"
#include "ui/common/namePrompts.h"
#include "ui/sidebar/AddWorktreeSheet.h"
#include "ui/sidebar/BranchListModel.h"
#include "ui/sidebar/BranchesView.h"
#include "ui/sidebar/StashListModel.h"
#include "ui/sidebar/StashesView.h"
#include "ui/sidebar/TagsView.h"
#include "ui/sidebar/WorktreeListModel.h"
#include "ui/sidebar/WorktreesView.h"
#include "ui/sidebar/sidebarRoles.h"
#include "ui/remotes/RemotesSheet.h"
#include "ui/submodules/SubmoduleListModel.h"
#include "ui/submodules/SubmodulesView.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace tolvane;

namespace {

QStringList actionTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

std::optional<GitBranch> branchNamed(const RepositoryState& state, const QString& name) {
    for (const GitBranch& branch : state.branches()) {
        if (branch.name == name)
            return branch;
    }
    return std::nullopt;
}

std::optional<GitWorktree> worktreeEndingIn(const RepositoryState& state, const QString& folder) {
    for (const GitWorktree& worktree : state.worktrees()) {
        if (worktree.path.endsWith(QLatin1Char('/') + folder))
            return worktree;
    }
    return std::nullopt;
}

// Whether every visible control of `dialog` lies whole inside it, none cut off by its edge.
bool wholeOnScreen(QWidget* dialog) {
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->isWindow() || child->size().isEmpty())
            continue;
        const QRect inDialog(child->mapTo(dialog, QPoint(0, 0)), child->size());
        if (!dialog->rect().contains(inDialog) ||
            (!child->layout() && child->minimumSizeHint().width() > child->width()))
            return false;
    }
    return true;
}

// Presses a button of the confirmation open in `find()` once it is there.
bool press(const std::function<ConfirmationAlert*()>& find, const QString& title,
           const QString& button) {
    if (!QTest::qWaitFor([&] { return find() && find()->isVisible(); }, 20000))
        return false;
    ConfirmationAlert* alert = find();
    if (alert->title() != title || !alert->button(button))
        return false;
    QTest::mouseClick(alert->button(button), Qt::LeftButton);
    return true;
}

} // namespace

class TestSidebarViews : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void branchListAndMenus();
    void deletingAnUnmergedBranchAsksToForce();
    void mergeSheetOptions();
    void newBranchDialogLoop();
    void nameDialogs();
    void tags();
    void worktrees();
    void stashes();
    void remotesSheet();
    void submodulesPage();
};

void TestSidebarViews::branchListAndMenus() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    const QString main = repo.git({QStringLiteral("branch"), QStringLiteral("--show-current")});
    repo.git({QStringLiteral("branch"), QStringLiteral("feature")});
    repo.addBareOrigin();
    auto state = test::openState(repo.path());
    test::await(state->refresh());

    BranchesView view(state.get(), nullptr);
    view.resize(260, 360);
    view.show();
    BranchListModel* model = view.model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row).data().toString());
    QCOMPARE(rows, (QStringList{QStringLiteral("Local"), QStringLiteral("feature"), main,
                                QStringLiteral("Remote"), QStringLiteral("origin/") + main}));
    QVERIFY(!(model->flags(model->index(0)) & Qt::ItemIsSelectable));
    test::saveLightAndDark(&view, QStringLiteral("branches-view"));

    // The current branch offers a disabled note and its renaming only.
    std::unique_ptr<QMenu> current(view.contextMenu(*branchNamed(*state, main), nullptr));
    QCOMPARE(actionTexts(current.get()),
             (QStringList{QStringLiteral("Current branch"), QStringLiteral("Rename…")}));
    QVERIFY(!current->actions().first()->isEnabled());

    const QString merge = QStringLiteral("Merge into '") + main + QLatin1Char('\'');
    std::unique_ptr<QMenu> local(
        view.contextMenu(*branchNamed(*state, QStringLiteral("feature")), nullptr));
    QCOMPARE(actionTexts(local.get()),
             (QStringList{QStringLiteral("Checkout"), merge, QStringLiteral("Rename…"),
                          QStringLiteral("---"), QStringLiteral("Delete Branch")}));
    std::unique_ptr<QMenu> remote(
        view.contextMenu(*branchNamed(*state, QStringLiteral("origin/") + main), nullptr));
    QCOMPARE(actionTexts(remote.get()),
             (QStringList{QStringLiteral("Checkout as Local Branch"), merge,
                          QStringLiteral("Delete Remote Branch"), QStringLiteral("---"),
                          QStringLiteral("Remotes…")}));

    // "Checkout" switches, and the list follows the refresh.
    actionNamed(local.get(), QStringLiteral("Checkout"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(state->currentBranch(), QStringLiteral("feature"), 20000);
    QTRY_VERIFY(model->index(1).data(SidebarRoles::Emphasis).toBool());
    QVERIFY(!model->index(2).data(SidebarRoles::Emphasis).toBool());

    // Deleting the remote branch asks first; Cancel leaves it and clears the subject.
    actionNamed(remote.get(), QStringLiteral("Delete Remote Branch"))->trigger();
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Delete Remote Branch?"),
                  QStringLiteral("Cancel")));
    QVERIFY(!state->showDeleteRemoteBranchConfirmation());
    QVERIFY(!state->remoteBranchToDelete());
    QTRY_VERIFY(!view.openDialog());

    // A detached HEAD is shown as what git calls it, with no branch operation on it.
    repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("--detach")});
    test::await(state->refresh());
    const QString described =
        repo.git({QStringLiteral("branch"), QStringLiteral("--format=%(refname)")})
            .section(u'\n', 0, 0);
    QCOMPARE(model->index(1).data().toString(), described.mid(1, described.size() - 2));
    QVERIFY(model->index(1).data(SidebarRoles::Emphasis).toBool());
    std::unique_ptr<QMenu> detached(view.contextMenu(*model->branchAt(1), nullptr));
    QCOMPARE(actionTexts(detached.get()),
             QStringList{QStringLiteral("Detached HEAD (not a branch)")});
    QVERIFY(!detached->actions().first()->isEnabled());
    // Nothing offers to merge into a branch that is not there.
    std::unique_ptr<QMenu> onDetached(
        view.contextMenu(*branchNamed(*state, QStringLiteral("feature")), nullptr));
    QCOMPARE(actionTexts(onDetached.get()),
             (QStringList{QStringLiteral("Checkout"), QStringLiteral("Rename…"),
                          QStringLiteral("---"), QStringLiteral("Delete Branch")}));

    // Renaming asks for the name, starting from the old one, and refuses an invalid one.
    QStringList shown;
    QStringList answers{QStringLiteral("feat..ure"), QStringLiteral("renamed")};
    QStringList warnings;
    view.setRenamePrompt([&](const QString& typed) -> std::optional<QString> {
        shown.append(typed);
        return answers.takeFirst();
    });
    view.setWarningAlert([&](const QString& title, const QString&) { warnings.append(title); });
    actionNamed(onDetached.get(), QStringLiteral("Rename…"))->trigger();
    QCOMPARE(shown, (QStringList{QStringLiteral("feature"), QStringLiteral("feat..ure")}));
    QCOMPARE(warnings, QStringList{QStringLiteral("Invalid Branch Name")});
    QTRY_VERIFY_WITH_TIMEOUT(branchNamed(*state, QStringLiteral("renamed")).has_value(), 20000);
    QVERIFY(!branchNamed(*state, QStringLiteral("feature")));
}

void TestSidebarViews::deletingAnUnmergedBranchAsksToForce() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.git({QStringLiteral("checkout"), QStringLiteral("-b"), QStringLiteral("topic")});
    repo.writeFile(QStringLiteral("b.txt"), "b\n");
    repo.commitAll(QStringLiteral("only on topic"));
    repo.git({QStringLiteral("checkout"), QStringLiteral("-")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BranchesView view(state.get(), nullptr);
    view.show();

    std::unique_ptr<QMenu> menu(
        view.contextMenu(*branchNamed(*state, QStringLiteral("topic")), nullptr));
    actionNamed(menu.get(), QStringLiteral("Delete Branch"))->trigger();
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Delete Branch?"),
                  QStringLiteral("Delete")));
    QVERIFY(!state->showDeleteBranchConfirmation());
    // The safe delete refuses the unmerged branch; the forced one is offered next.
    QTRY_VERIFY_WITH_TIMEOUT(view.openDialog() && view.openDialog()->objectName() ==
                                                      QStringLiteral("forceDeleteBranchAlert"),
                             20000);
    test::saveLightAndDark(view.openDialog(), QStringLiteral("branches-force-delete-alert"));
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Branch Not Fully Merged"),
                  QStringLiteral("Delete Anyway")));
    QTRY_VERIFY_WITH_TIMEOUT(!branchNamed(*state, QStringLiteral("topic")), 20000);
    QVERIFY(test::logMessages().contains(QStringLiteral("Force deleted branch topic")));
    QVERIFY(!state->showForceDeleteBranchConfirmation());
}

void TestSidebarViews::mergeSheetOptions() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.git({QStringLiteral("checkout"), QStringLiteral("-b"), QStringLiteral("side")});
    repo.writeFile(QStringLiteral("c.txt"), "c\n");
    repo.commitAll(QStringLiteral("side work"));
    repo.git({QStringLiteral("checkout"), QStringLiteral("-")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BranchesView view(state.get(), nullptr);
    view.show();

    std::unique_ptr<QMenu> menu(
        view.contextMenu(*branchNamed(*state, QStringLiteral("side")), nullptr));
    // Escape is the sheet's Cancel button, which also forgets the branch.
    menu->actions().at(1)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(view.openDialog() && view.openDialog()->isVisible(), 20000);
    QTest::keyClick(view.openDialog(), Qt::Key_Escape);
    QVERIFY(!view.openDialog());
    QVERIFY(!state->showMergeSheet());
    QVERIFY(!state->branchToMerge());

    menu->actions().at(1)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(view.openDialog() && view.openDialog()->isVisible(), 20000);
    ConfirmationAlert* sheet = view.openDialog();
    QCOMPARE(sheet->objectName(), QStringLiteral("mergeSheet"));
    auto* commit = test::child<QRadioButton>(sheet, QStringLiteral("mergeModeCommit"));
    auto* stageOnly = test::child<QRadioButton>(sheet, QStringLiteral("mergeModeStageOnly"));
    auto* removeBranch = test::child<QCheckBox>(sheet, QStringLiteral("mergeDeleteBranchCheck"));
    auto* alsoRemote = test::child<QCheckBox>(sheet, QStringLiteral("mergeDeleteRemoteCheck"));
    QCOMPARE(commit->text(), QStringLiteral("Commit"));
    QCOMPARE(stageOnly->text(), QStringLiteral("Stage only"));
    QCOMPARE(removeBranch->text(), QStringLiteral("Remove branch after merge"));
    QCOMPARE(alsoRemote->text(), QStringLiteral("Also delete from remote"));
    QVERIFY(commit->isChecked());
    QVERIFY(removeBranch->isEnabled());
    // No upstream: the remote option stays hidden even with the branch removal ticked.
    removeBranch->click();
    QVERIFY(state->mergeDeleteBranch());
    QVERIFY(alsoRemote->isHidden());
    test::saveLightAndDark(sheet, QStringLiteral("branches-merge-sheet"));
    // Stage only cannot remove the branch.
    stageOnly->click();
    QVERIFY(state->mergeStageOnly());
    QVERIFY(!removeBranch->isEnabled());

    QVERIFY(press([&] { return view.openDialog(); }, sheet->title(), QStringLiteral("Merge")));
    QTRY_VERIFY_WITH_TIMEOUT(
        test::logMessages().contains(QStringLiteral("Merged side — changes staged for review")),
        20000);
    QVERIFY(branchNamed(*state, QStringLiteral("side")));
    QVERIFY(!state->showMergeSheet());
    QTRY_VERIFY(!view.openDialog());
}

void TestSidebarViews::newBranchDialogLoop() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BranchesView view(state.get(), nullptr);

    QStringList shown;   // what the dialog showed each time it ran
    QStringList answers; // what the user "types", in order; "<cancel>" cancels
    QStringList warnings;
    view.setNewBranchPrompt([&](const QString& typed) -> std::optional<QString> {
        shown.append(typed);
        const QString answer = answers.takeFirst();
        if (answer == QStringLiteral("<cancel>"))
            return std::nullopt;
        return answer;
    });
    view.setWarningAlert([&](const QString& title, const QString& text) {
        warnings.append(title + QStringLiteral(": ") + text);
    });

    // An invalid name warns and asks again with the typed text still there.
    answers = {QStringLiteral("my branch"), QStringLiteral("  my-branch  ")};
    test::child<QPushButton>(&view, QStringLiteral("newBranchButton"))->click();
    QCOMPARE(shown, (QStringList{QString(), QStringLiteral("my branch")}));
    QCOMPARE(warnings,
             QStringList{QStringLiteral("Invalid Branch Name: Name cannot contain spaces.")});
    // The accepted name is trimmed of spaces.
    QTRY_VERIFY_WITH_TIMEOUT(state->currentBranch() == QStringLiteral("my-branch"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(branchNamed(*state, QStringLiteral("my-branch")), 20000);

    // An empty field and Cancel both close without creating anything.
    const int branchCount = int(state->branches().size());
    shown.clear();
    warnings.clear();
    answers = {QString()};
    view.showNewBranchDialog();
    answers = {QStringLiteral("<cancel>")};
    view.showNewBranchDialog();
    QCOMPARE(shown.size(), 2);
    QVERIFY(warnings.isEmpty());
    test::await(state->refresh());
    QCOMPARE(int(state->branches().size()), branchCount);
}

void TestSidebarViews::nameDialogs() {
    NameDialog branch(NameDialog::Kind::Branch, nullptr);
    QCOMPARE(branch.nameField()->placeholderText(), QStringLiteral("branch-name"));
    QCOMPARE(branch.nameField()->size(), QSize(256, 24));
    QVERIFY(!branch.messageField());
    QCOMPARE(test::child<QLabel>(&branch, QStringLiteral("dialogMessage"))->text(),
             QStringLiteral("Create New Branch"));
    QCOMPARE(test::child<QLabel>(&branch, QStringLiteral("dialogInformativeText"))->text(),
             QStringLiteral("Enter a name for the new branch:"));
    QVERIFY(test::child<QPushButton>(&branch, QStringLiteral("createButton"))->isDefault());
    branch.setInput({QStringLiteral("typed before"), {}});
    QCOMPARE(branch.input().name, QStringLiteral("typed before"));
    branch.show();
    test::saveLightAndDark(&branch, QStringLiteral("new-branch-dialog"));

    NameDialog tag(NameDialog::Kind::Tag, nullptr);
    QCOMPARE(tag.nameField()->placeholderText(), QStringLiteral("v1.0.0"));
    QCOMPARE(tag.messageField()->placeholderText(), QStringLiteral("Optional - for annotated tag"));
    QCOMPARE(
        test::child<QLabel>(&tag, QStringLiteral("dialogInformativeText"))->text(),
        QStringLiteral("Enter a name for the tag. Optionally add a message for an annotated tag."));
    tag.show();
    test::saveLightAndDark(&tag, QStringLiteral("new-tag-dialog"));
    QVERIFY(wholeOnScreen(&tag));

    // The prompts the views use, shown modal over their window: each drawn whole, then closed
    // with Escape and answered as cancelled.
    QWidget owner;
    owner.resize(500, 400);
    owner.show();
    QStringList seen;
    const auto whenShown = [&seen](const QString& name) {
        QTimer::singleShot(0, [&seen, name] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || !QTest::qWaitForWindowExposed(dialog))
                return;
            test::saveLightAndDark(dialog, name);
            // The default button says what the dialog does.
            auto* accept = dialog->findChild<QPushButton*>(QStringLiteral("createButton"));
            if (wholeOnScreen(dialog))
                seen.append(name + (accept ? QLatin1Char(':') + accept->text() : QString()));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    };
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.git({QStringLiteral("branch"), QStringLiteral("feature/long-branch-name")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BranchesView branches(state.get(), &owner);
    whenShown(QStringLiteral("rename-branch-dialog"));
    branches.showRenameDialog(*branchNamed(*state, QStringLiteral("feature/long-branch-name")));
    QVERIFY(!state->showRenameBranchConfirmation());
    whenShown(QStringLiteral("tag-dialog"));
    QCOMPARE(dialogTagPrompt(&owner)({QStringLiteral("v1.2.0"), QStringLiteral("Release")}),
             std::nullopt);
    whenShown(QStringLiteral("go-to-date-dialog"));
    QCOMPARE(dialogDatePrompt(&owner)(), std::nullopt);
    QCOMPARE(seen, (QStringList{QStringLiteral("rename-branch-dialog:Rename"),
                                QStringLiteral("tag-dialog:Create"),
                                QStringLiteral("go-to-date-dialog")}));
}

void TestSidebarViews::tags() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    TagsView view(state.get(), nullptr);
    view.resize(260, 300);
    view.show();
    auto* stack = test::child<QStackedWidget>(&view, QStringLiteral("tagsStack"));
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("noTagsLabel"));
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("noTagsLabel"))->text(),
             QStringLiteral("No tags"));
    test::saveLightAndDark(&view, QStringLiteral("tags-view-empty"));

    QList<TagInput> answers;
    QList<TagInput> shown;
    QStringList warnings;
    view.setNewTagPrompt([&](const TagInput& typed) -> std::optional<TagInput> {
        shown.append(typed);
        return answers.takeFirst();
    });
    view.setWarningAlert([&](const QString& title, const QString& text) {
        warnings.append(title + QStringLiteral(": ") + text);
    });

    // Empty message: lightweight. An invalid name first warns and comes back as typed.
    answers = {{QStringLiteral("v1..0"), QStringLiteral("kept")},
               {QStringLiteral(" v1.0 "), QString()}};
    test::child<QPushButton>(&view, QStringLiteral("newTagButton"))->click();
    QCOMPARE(warnings, QStringList{QStringLiteral("Invalid Tag Name: Name cannot contain '..'.")});
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(1).name, QStringLiteral("v1..0"));
    QCOMPARE(shown.at(1).message, QStringLiteral("kept"));
    QTRY_COMPARE_WITH_TIMEOUT(state->tags(), QStringList{QStringLiteral("v1.0")}, 20000);
    QCOMPARE(repo.git({QStringLiteral("cat-file"), QStringLiteral("-t"), QStringLiteral("v1.0")}),
             QStringLiteral("commit"));

    // Any message text makes an annotated tag.
    answers = {{QStringLiteral("v2.0"), QStringLiteral(" ")}};
    view.showNewTagDialog();
    QTRY_COMPARE_WITH_TIMEOUT(state->tags().size(), 2, 20000);
    QCOMPARE(repo.git({QStringLiteral("cat-file"), QStringLiteral("-t"), QStringLiteral("v2.0")}),
             QStringLiteral("tag"));

    // An empty name closes.
    answers = {{QString(), QStringLiteral("ignored")}};
    view.showNewTagDialog();
    QVERIFY(answers.isEmpty());
    QCOMPARE(stack->currentWidget(), static_cast<QWidget*>(view.list()));
    test::saveLightAndDark(&view, QStringLiteral("tags-view"));

    std::unique_ptr<QMenu> menu(view.contextMenu(QStringLiteral("v1.0"), nullptr));
    QCOMPARE(actionTexts(menu.get()),
             (QStringList{QStringLiteral("Push to Remote"), QStringLiteral("Delete from Remote…"),
                          QStringLiteral("---"), QStringLiteral("Delete Tag")}));

    // Deleting on the remote asks first; Cancel forgets the tag.
    actionNamed(menu.get(), QStringLiteral("Delete from Remote…"))->trigger();
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Delete Tag from Remote?"),
                  QStringLiteral("Cancel")));
    QVERIFY(!state->showDeleteRemoteTagConfirmation());
    QCOMPARE(state->remoteTagToDelete(), QString());
    QTRY_VERIFY(!view.openDialog());
    // Pushing needs a remote; there is none here, and the user is told so.
    test::child<QPushButton>(&view, QStringLiteral("pushAllTagsButton"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(test::logMessages().contains(
                                 QStringLiteral("Cannot push tags: this repository has no remote")),
                             20000);

    actionNamed(menu.get(), QStringLiteral("Delete Tag"))->trigger();
    QVERIFY(view.openDialog());
    QCOMPARE(view.openDialog()->message(),
             QStringLiteral("Are you sure you want to delete tag \"v1.0\"?"));
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Delete Tag?"),
                  QStringLiteral("Delete")));
    QTRY_COMPARE_WITH_TIMEOUT(state->tags(), QStringList{QStringLiteral("v2.0")}, 20000);
    QVERIFY(!state->showDeleteTagConfirmation());
}

void TestSidebarViews::worktrees() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.addWorktree(QStringLiteral("linked"), {}, QStringLiteral("linked-branch"));
    repo.addWorktree(QStringLiteral("loose"), {QStringLiteral("--detach")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    WorktreesView view(state.get(), nullptr);
    view.resize(260, 320);
    view.show();

    auto* model = qobject_cast<WorktreeListModel*>(view.list()->model());
    QCOMPARE(model->rowCount(), 3);
    QVERIFY(model->index(0).data(WorktreeListModel::IsMainRole).toBool());
    // With nothing chosen the repository's own worktree carries the checkmark.
    QVERIFY(model->index(0).data(WorktreeListModel::IsSelectedRole).toBool());
    QCOMPARE(model->index(1).data(WorktreeListModel::BranchRole).toString(),
             QStringLiteral("linked-branch"));
    QVERIFY(model->index(2).data(WorktreeListModel::IsDetachedRole).toBool());
    test::saveLightAndDark(&view, QStringLiteral("worktrees-view"));

    // The main worktree cannot be removed from here.
    std::unique_ptr<QMenu> mainMenu(view.contextMenu(state->worktrees().at(0), nullptr));
    QCOMPARE(actionTexts(mainMenu.get()),
             (QStringList{QStringLiteral("Show in File Manager"), QStringLiteral("Copy Path")}));
    const GitWorktree linked = *worktreeEndingIn(*state, QStringLiteral("linked"));
    std::unique_ptr<QMenu> linkedMenu(view.contextMenu(linked, nullptr));
    QCOMPARE(actionTexts(linkedMenu.get()),
             (QStringList{QStringLiteral("Show in File Manager"), QStringLiteral("Copy Path"),
                          QStringLiteral("---"), QStringLiteral("Remove Worktree")}));
    actionNamed(linkedMenu.get(), QStringLiteral("Copy Path"))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), linked.path);

    // A click selects the worktree and moves the checkmark.
    QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {},
                      view.list()->visualRect(model->index(1)).center());
    QTRY_VERIFY(state->selectedWorktree() && state->selectedWorktree()->path == linked.path);
    QTRY_VERIFY(model->index(1).data(WorktreeListModel::IsSelectedRole).toBool());
    QVERIFY(!model->index(0).data(WorktreeListModel::IsSelectedRole).toBool());
    test::await(state->selectWorktree(std::nullopt));

    // The add sheet: a refused folder name keeps it open with the text; a good one adds and
    // clears the fields.
    test::child<QPushButton>(&view, QStringLiteral("addWorktreeButton"))->click();
    AddWorktreeSheet* sheet = view.addSheet();
    QTRY_VERIFY(sheet->isVisible());
    QCOMPARE(sheet->branchField()->placeholderText(), QStringLiteral("Existing branch"));
    sheet->createNewBranchCheck()->click();
    QCOMPARE(sheet->branchField()->placeholderText(), QStringLiteral("New branch name"));
    QCOMPARE(sheet->folderField()->placeholderText(), QStringLiteral("Folder name"));
    QTest::keyClicks(sheet->folderField(), QStringLiteral("-bad"));
    QTest::keyClicks(sheet->branchField(), QStringLiteral("extra-branch"));
    test::saveLightAndDark(sheet, QStringLiteral("worktrees-add-sheet"));
    QTest::mouseClick(sheet->addButton(), Qt::LeftButton);
    QTRY_VERIFY(test::logMessages().contains(QStringLiteral("Folder name cannot start with '-'")));
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->folderField()->text(), QStringLiteral("-bad"));

    sheet->folderField()->setText(QStringLiteral("extra"));
    QTest::mouseClick(sheet->addButton(), Qt::LeftButton);
    QTRY_VERIFY(!sheet->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(state->worktrees().size(), 4, 20000);
    QTRY_VERIFY(sheet->folderField()->text().isEmpty());
    const GitWorktree extra = *worktreeEndingIn(*state, QStringLiteral("extra"));
    QCOMPARE(extra.branch, QStringLiteral("extra-branch"));
    QCOMPARE(QFileInfo(extra.path).dir().canonicalPath(),
             QFileInfo(repo.path()).dir().canonicalPath());

    // Cancel closes the sheet through the state flag.
    test::child<QPushButton>(&view, QStringLiteral("addWorktreeButton"))->click();
    QTRY_VERIFY(sheet->isVisible());
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    QVERIFY(!state->showAddWorktreeSheet());
    QVERIFY(!sheet->isVisible());

    // Remove asks first and names only the folder.
    std::unique_ptr<QMenu> extraMenu(view.contextMenu(extra, nullptr));
    actionNamed(extraMenu.get(), QStringLiteral("Remove Worktree"))->trigger();
    QVERIFY(view.openDialog());
    QCOMPARE(view.openDialog()->message(),
             QStringLiteral("Are you sure you want to remove the worktree at \"extra\"?"));
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Remove Worktree?"),
                  QStringLiteral("Remove")));
    QTRY_COMPARE_WITH_TIMEOUT(state->worktrees().size(), 3, 20000);
    QVERIFY(test::logMessages().contains(QStringLiteral("Removed worktree at extra")));
}

void TestSidebarViews::stashes() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.writeFile(QStringLiteral("b.txt"), "b\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    StashesView view(state.get(), nullptr);
    view.resize(280, 380);
    view.show();
    StashListModel* model = view.model();
    const auto rowTexts = [model] {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->index(row).data().toString());
        return texts;
    };
    QCOMPARE(rowTexts(),
             (QStringList{"Stashes", "No stashes", "Recently Discarded", "Nothing discarded"}));

    // The sheet stashes with the options ticked in it.
    repo.writeFile(QStringLiteral("a.txt"), "changed\n");
    repo.writeFile(QStringLiteral("new.txt"), "new\n");
    test::await(state->refresh());
    test::child<QPushButton>(&view, QStringLiteral("stashChangesButton"))->click();
    QVERIFY(QTest::qWaitFor([&] { return view.openDialog() && view.openDialog()->isVisible(); }));
    ConfirmationAlert* sheet = view.openDialog();
    QCOMPARE(sheet->title(), QStringLiteral("Stash Changes"));
    auto* message = sheet->findChild<QLineEdit*>();
    QVERIFY(message);
    QTest::keyClicks(message, QStringLiteral("Half-done header"));
    // Tab walks the sheet top to bottom: the message, the options, then the buttons.
    QCOMPARE(message->nextInFocusChain(),
             sheet->findChild<QCheckBox*>(QStringLiteral("stashIncludeUntrackedCheck")));
    QCOMPARE(message->nextInFocusChain()->nextInFocusChain(),
             sheet->findChild<QCheckBox*>(QStringLiteral("stashKeepIndexCheck")));
    QCOMPARE(message->nextInFocusChain()->nextInFocusChain()->nextInFocusChain(),
             sheet->button(QStringLiteral("Cancel")));
    sheet->findChild<QCheckBox*>(QStringLiteral("stashIncludeUntrackedCheck"))->click();
    QVERIFY(state->stashIncludeUntracked());
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Stash Changes"),
                  QStringLiteral("Stash")));
    QTRY_COMPARE_WITH_TIMEOUT(state->stashes().size(), 1, 20000);
    QVERIFY(!QFile::exists(repo.path() + QStringLiteral("/new.txt")));

    // A discard shows up below the stashes.
    repo.writeFile(QStringLiteral("b.txt"), "lost?\n");
    test::await(state->refresh());
    state->askDiscardChanges(*test::findChange(*state, QStringLiteral("b.txt"), false));
    state->setShowDiscardConfirmation(false);
    test::await(state->confirmDiscardChanges());
    QCOMPARE(rowTexts(), (QStringList{"Stashes", "Half-done header", "Recently Discarded",
                                      "Discarded changes to b.txt"}));
    QCOMPARE(model->index(1).data(StashListModel::CaptionRole).toString(), QStringLiteral("main"));
    QCOMPARE(model->index(3).data(StashListModel::CaptionRole).toString(), QStringLiteral("b.txt"));

    // Clicking a row shows its diff.
    QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {},
                      view.list()->visualRect(model->index(1)).center());
    QTRY_VERIFY_WITH_TIMEOUT(state->diffText().contains(QStringLiteral("+++ b/new.txt")), 20000);
    QCOMPARE(state->selectedStash()->hash, state->stashes()[0].hash);
    test::saveLightAndDark(&view, QStringLiteral("stashes-view"));

    std::unique_ptr<QMenu> menu(view.contextMenu(3, nullptr));
    QCOMPARE(actionTexts(menu.get()), (QStringList{"Restore", "Show Diff", "---", "Delete…"}));
    actionNamed(menu.get(), QStringLiteral("Restore"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(repo.readFile(QStringLiteral("b.txt")), QByteArray("lost?\n"), 20000);

    menu.reset(view.contextMenu(1, nullptr));
    QCOMPARE(actionTexts(menu.get()), (QStringList{"Apply", "Pop", "---", "Drop…"}));
    QVERIFY(!view.contextMenu(0, nullptr));
    actionNamed(menu.get(), QStringLiteral("Drop…"))->trigger();
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Drop Stash?"),
                  QStringLiteral("Drop")));
    QTRY_VERIFY_WITH_TIMEOUT(state->stashes().isEmpty(), 20000);
    QCOMPARE(model->index(1).data().toString(), QStringLiteral("No stashes"));

    // The dropped stash is kept among the discarded changes, until it is deleted from there.
    QTRY_COMPARE_WITH_TIMEOUT(
        rowTexts(),
        (QStringList{"Stashes", "No stashes", "Recently Discarded",
                     "Dropped stash: On main: Half-done header", "Discarded changes to b.txt"}),
        20000);
    menu.reset(view.contextMenu(3, nullptr));
    actionNamed(menu.get(), QStringLiteral("Delete…"))->trigger();
    QVERIFY(press([&] { return view.openDialog(); }, QStringLiteral("Delete Saved Changes?"),
                  QStringLiteral("Delete")));
    QTRY_COMPARE_WITH_TIMEOUT(state->discardedChanges().size(), 1, 20000);
    QCOMPARE(model->index(3).data().toString(), QStringLiteral("Discarded changes to b.txt"));
}

QTEST_MAIN(TestSidebarViews)
#include "tst_SidebarViews.moc"

void TestSidebarViews::remotesSheet() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    const QString origin = repo.addBareOrigin();
    const QString upstream = repo.siblingPath(QStringLiteral("upstream.git"));
    repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"), upstream});
    repo.git({QStringLiteral("push"), QStringLiteral("-q"), upstream, QStringLiteral("main"),
              QStringLiteral("main:next")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    test::await(state->remotes().load());
    RemotesSheet sheet(state->remotes(), nullptr);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QTableView* table = sheet.table();
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(table->model()->index(0, 1).data().toString(), origin);

    // Add… asks for a name and an address, and the list follows what git now holds.
    test::child<QPushButton>(&sheet, QStringLiteral("addRemoteButton"))->click();
    QTRY_VERIFY(sheet.openChild() && sheet.openChild()->isVisible());
    auto* dialog = qobject_cast<RemoteFieldsDialog*>(sheet.openChild());
    QVERIFY(dialog);
    QCOMPARE(dialog->field(0)->text(), QStringLiteral("upstream"));
    auto* accept = test::child<QPushButton>(dialog, QStringLiteral("remoteFieldsAccept"));
    QVERIFY(!accept->isEnabled());
    dialog->field(1)->setText(QStringLiteral("file://") + upstream);
    QVERIFY(accept->isEnabled());
    accept->click();
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 2, 20000);
    QCOMPARE(repo.git({QStringLiteral("remote"), QStringLiteral("get-url"),
                       QStringLiteral("upstream")}),
             QStringLiteral("file://") + upstream);
    table->selectRow(1);
    test::child<QPushButton>(&sheet, QStringLiteral("fetchRemoteButton"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("-q"), QStringLiteral("--verify"),
                        QStringLiteral("refs/remotes/upstream/next")}) == 0,
        20000);
    QTRY_VERIFY_WITH_TIMEOUT(state->runningNetworkCommands().isEmpty(), 20000);
    test::saveLightAndDark(&sheet, QStringLiteral("remotes-sheet"));

    // Remove… asks first and names the remote branches that go with it.
    table->selectRow(1);
    test::child<QPushButton>(&sheet, QStringLiteral("removeRemoteButton"))->click();
    QVERIFY(press([&] { return qobject_cast<ConfirmationAlert*>(sheet.openChild()); },
                  QStringLiteral("Remove Remote \"upstream\"?"), QStringLiteral("Remove")));
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 1, 20000);
    QVERIFY(!state->remotes().showRemoveConfirmation());
    QCOMPARE(repo.git({QStringLiteral("remote")}), QStringLiteral("origin"));
}

void TestSidebarViews::submodulesPage() {
    test::RepoFixture lib(QStringLiteral("lib"));
    lib.writeFile(QStringLiteral("lib.txt"), "1\n");
    lib.commitAll(QStringLiteral("lib 1"));
    test::RepoFixture repo;
    repo.git({QStringLiteral("config"), QStringLiteral("--global"),
              QStringLiteral("protocol.file.allow"), QStringLiteral("always")});
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.git({QStringLiteral("submodule"), QStringLiteral("add"), QStringLiteral("-q"), lib.path(),
              QStringLiteral("libs/core")});
    repo.git({QStringLiteral("submodule"), QStringLiteral("add"), QStringLiteral("-q"), lib.path(),
              QStringLiteral("libs/extra")});
    repo.commitAll(QStringLiteral("two submodules"));
    const QString inside = repo.path() + QStringLiteral("/libs/core");
    repo.writeFile(QStringLiteral("libs/core/lib.txt"), "2\n");
    repo.git({QStringLiteral("commit"), QStringLiteral("-qam"), QStringLiteral("core 2")}, inside);
    repo.writeFile(QStringLiteral("libs/extra/lib.txt"), "dirty\n");

    AppSettings::setUpdateSubmodules(QStringLiteral("ask"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    SubmodulesView view(state.get(), nullptr);
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto* list = test::child<QListView>(&view, QStringLiteral("submodulesList"));
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(list->model()->index(0, 0).data(SubmoduleListModel::StateText).toString(),
             QStringLiteral("New commit checked out"));
    QCOMPARE(list->model()->index(1, 0).data(SubmoduleListModel::StateText).toString(),
             QStringLiteral("Modified inside"));
    list->setCurrentIndex(QModelIndex());
    QVERIFY(!test::child<QPushButton>(&view, QStringLiteral("updateSubmoduleButton"))->isEnabled());
    list->setCurrentIndex(list->model()->index(0, 0));
    QVERIFY(test::child<QPushButton>(&view, QStringLiteral("updateSubmoduleButton"))->isEnabled());
    test::saveLightAndDark(&view, QStringLiteral("submodules-page"));

    // Recording the new commit, then checking out the commit before it, leaves core behind:
    // the page asks, and Update brings it to the recorded commit.
    repo.git({QStringLiteral("add"), QStringLiteral("libs/core")});
    repo.git({QStringLiteral("commit"), QStringLiteral("-qm"), QStringLiteral("core moved")});
    repo.git({QStringLiteral("branch"), QStringLiteral("before"), QStringLiteral("HEAD~1")});
    test::await(state->refresh());
    test::await(state->checkoutBranch(GitBranch::make(QStringLiteral("before"), false, false)));
    QCOMPARE(list->model()->index(0, 0).data(SubmoduleListModel::StateText).toString(),
             QStringLiteral("Out of date"));
    QVERIFY(press([&] { return view.updatePrompt(); }, QStringLiteral("Update Submodules?"),
                  QStringLiteral("Update")));
    QTRY_COMPARE_WITH_TIMEOUT(
        list->model()->index(0, 0).data(SubmoduleListModel::StateText).toString(),
        QStringLiteral("Up to date"), 20000);
    QVERIFY(!state->submodules().showUpdatePrompt());
}
