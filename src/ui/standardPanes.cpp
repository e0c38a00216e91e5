#include "ui/standardPanes.h"

#include "platform/DesktopApps.h"
#include "ui/blame/BlameView.h"
#include "ui/changes/ChangesView.h"
#include "ui/credentials/CredentialPromptPresenter.h"
#include "ui/diff/DiffView.h"
#include "ui/health/HealthWindow.h"
#include "ui/history/CommitLogView.h"
#include "ui/log/LogWindowController.h"
#include "ui/sidebar/BranchesView.h"
#include "ui/sidebar/StashesView.h"
#include "ui/sidebar/TagsView.h"
#include "ui/sidebar/WorktreesView.h"
#include "ui/remotes/RemotesSheetPresenter.h"
#include "ui/submodules/SubmodulesView.h"
#include "ui/window/RepositoryView.h"

#include <QInputDialog>
#include <QPointer>

namespace tolvane {
namespace {

// Offers every installed application by name; opens without blocking and answers only when the
// user picks one.
void chooseApplication(QWidget* parent, std::function<void(const DesktopApp&)> onChosen) {
    const QList<DesktopApp> apps = DesktopApps::allApplications();
    QStringList names;
    for (const DesktopApp& app : apps)
        names.append(app.name);
    auto* dialog = new QInputDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("chooseApplicationDialog"));
    dialog->setWindowTitle(QStringLiteral("Choose Application"));
    dialog->setLabelText(QStringLiteral("Application:"));
    dialog->setComboBoxItems(names);
    dialog->setComboBoxEditable(false);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                     [apps, names, onChosen](const QString& name) {
                         const qsizetype index = names.indexOf(name);
                         if (index >= 0)
                             onChosen(apps.at(index));
                     });
    dialog->open();
}

} // namespace

void installStandardPanes(RepositoryView& view, RepositoryState& state) {
    view.setSidebarPage(SidebarTab::Changes, new ChangesView(&state, &view));
    view.setSidebarPage(SidebarTab::Branches, new BranchesView(&state, &view));
    view.setSidebarPage(SidebarTab::Trees, new WorktreesView(&state, &view));
    view.setSidebarPage(SidebarTab::Tags, new TagsView(&state, &view));
    view.setSidebarPage(SidebarTab::Stashes, new StashesView(&state, &view));
    view.setSidebarPage(SidebarTab::Submodules, new SubmodulesView(&state, &view));
    new RemotesSheetPresenter(state.remotes(), &view);
    view.setHistoryPane(new CommitLogView(&state, &view));
    auto* diffView = new DiffView(&state, &view);
    auto* blameView = new BlameView(&state, &view);
    new MissingContentsBar(&state, diffView);
    new MissingContentsBar(&state, blameView);
    view.setDetailPane(diffView);
    view.setBlamePane(blameView);
    // A network command's questions appear over the tab that started it.
    new CredentialPromptPresenter(state.credentialPrompts(), &view);

    QObject::connect(&view, &RepositoryView::showLogRequested, &view,
                     [] { LogWindowController::instance().show(); });

    QPointer<RepositoryView> guard(&view);
    state.setApplicationChooser([guard](std::function<void(const DesktopApp&)> onChosen) {
        if (guard)
            chooseApplication(guard, std::move(onChosen));
    });
}

} // namespace tolvane
