// Renders the screenshots of the help book from the running program, in the light appearance,
// into the folder given on the command line. Not a test: run it by hand after the interface
// changes, look at the pictures, and commit them with the pages.
#include "app/AppState.h"
#include "log/LogStore.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/blame/BlameView.h"
#include "ui/diff/DiffView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/HunkScrollArea.h"
#include "ui/github/GitHubTokenDialog.h"
#include "ui/github/NewRepositoryDialog.h"
#include "ui/github/gitHubDialogs.h"
#include "ui/log/LogWindowController.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/standardPanes.h"
#include "ui/window/RepositoryView.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>
#include <cstdio>

using namespace tolvane;

namespace {

QString g_folder;

// The help window's text column is a little under 570 pixels wide; wider pictures are shrunk
// here, smoothly, rather than by the page.
void write(QPixmap picture, const QString& name, int width) {
    if (picture.width() > width)
        picture = picture.scaledToWidth(width, Qt::SmoothTransformation);
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!picture.save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

// Saves the widget as drawn now; a positive `height` keeps only that much of its top.
void save(QWidget* widget, const QString& name, int height = 0, int width = 540) {
    QApplication::processEvents();
    QPixmap picture = widget->grab();
    if (height > 0)
        picture = picture.copy(0, 0, picture.width(), int(height * picture.devicePixelRatio()));
    write(picture, name, width);
}

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

// A small web project with a merged feature branch, an unmerged one, tags, an origin, a second
// worktree and changes in the working tree.
void buildRepository(test::RepoFixture& repo) {
    const auto git = [&repo](const QStringList& arguments) { repo.git(arguments); };
    repo.writeFile(QStringLiteral("README.md"), "# Website\n\nThe company website.\n");
    repo.writeFile(QStringLiteral("index.html"),
                   "<!DOCTYPE html>\n<html>\n<head>\n<title>Website</title>\n</head>\n"
                   "<body>\n<h1>Welcome</h1>\n</body>\n</html>\n");
    repo.commitAll(QStringLiteral("Initial commit"));
    repo.writeFile(QStringLiteral("src/app.js"),
                   "import { render } from './render.js';\n\n"
                   "const pages = ['home', 'about', 'contact'];\n\n"
                   "export function start() {\n"
                   "  for (const page of pages) {\n"
                   "    render(page);\n"
                   "  }\n"
                   "}\n\n"
                   "export function title(page) {\n"
                   "  return page.charAt(0).toUpperCase() + page.slice(1);\n"
                   "}\n\n"
                   "export function footer() {\n"
                   "  return '© Website';\n"
                   "}\n");
    repo.writeFile(QStringLiteral("src/style.css"), "body {\n  margin: 0;\n}\n");
    repo.commitAll(QStringLiteral("Add landing page"));
    git({QStringLiteral("tag"), QStringLiteral("v1.0")});

    git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
         QStringLiteral("feature/search")});
    repo.writeFile(QStringLiteral("src/search.js"),
                   "export function search(term) {\n  return term.trim();\n}\n");
    repo.commitAll(QStringLiteral("Add search box"));
    repo.writeFile(QStringLiteral("src/style.css"),
                   "body {\n  margin: 0;\n}\n\n.results {\n  padding: 8px;\n}\n");
    repo.commitAll(QStringLiteral("Style search results"));
    git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
    repo.writeFile(QStringLiteral("README.md"), "# Website\n\nDraft of a deployment guide.\n");
    repo.commitAll(QStringLiteral("Fix wording in README"));
    repo.advanceClock();
    git({QStringLiteral("merge"), QStringLiteral("-q"), QStringLiteral("--no-ff"),
         QStringLiteral("-m"), QStringLiteral("Merge branch 'feature/search'"),
         QStringLiteral("feature/search")});
    repo.writeFile(QStringLiteral("package.json"), "{\n  \"name\": \"website\"\n}\n");
    repo.commitAll(QStringLiteral("Add package manifest"));
    repo.advanceClock();
    git({QStringLiteral("tag"), QStringLiteral("-a"), QStringLiteral("v1.1"), QStringLiteral("-m"),
         QStringLiteral("Release 1.1")});
    repo.addBareOrigin();

    git({QStringLiteral("branch"), QStringLiteral("fix/header-spacing")});
    repo.addWorktree(QStringLiteral("website-hotfix"),
                     {QStringLiteral("-b"), QStringLiteral("hotfix")});

    repo.writeFile(QStringLiteral("index.html"),
                   "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Website</title>\n"
                   "</head>\n<body>\n<h1>Welcome</h1>\n</body>\n</html>\n");
    git({QStringLiteral("add"), QStringLiteral("index.html")});
    repo.writeFile(QStringLiteral("src/app.js"),
                   "import { render } from './render.js';\n\n"
                   "const pages = ['home', 'about', 'blog', 'contact'];\n\n"
                   "export function start() {\n"
                   "  for (const page of pages) {\n"
                   "    render(page);\n"
                   "  }\n"
                   "}\n\n"
                   "export function title(page) {\n"
                   "  return page.charAt(0).toUpperCase() + page.slice(1);\n"
                   "}\n\n"
                   "export function footer(year) {\n"
                   "  const owner = 'Website';\n"
                   "  return `© ${year} ${owner}`;\n"
                   "}\n");
    repo.writeFile(QStringLiteral("notes.md"), "Ideas for the blog.\n");
}

} // namespace

int main(int argc, char* argv[]) {
    test::TestEnvironment environment;
    for (const char* role : {"AUTHOR", "COMMITTER"}) {
        qputenv(qPrintable(QStringLiteral("GIT_%1_NAME").arg(QLatin1String(role))), "Alex Morgan");
        qputenv(qPrintable(QStringLiteral("GIT_%1_EMAIL").arg(QLatin1String(role))),
                "alex@example.com");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <images folder>\n", argv[0]);
        return 2;
    }
    g_folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_folder);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(AppearanceManager::lightPalette());
    setRepositoryPaneFactory(&installStandardPanes);

    test::RepoFixture repo(QStringLiteral("website"));
    buildRepository(repo);

    AppState appState;
    MainWindow window(appState);
    window.resize(1200, 760);
    window.show();
    QTest::qWaitForWindowExposed(&window);
    {
        // Only the middle of the empty window says anything.
        const QPixmap whole = window.grab();
        const qreal ratio = whole.devicePixelRatio();
        QRect middle(0, 0, 640, 400);
        middle.moveCenter(window.rect().center());
        write(whole.copy(QRect(middle.topLeft() * ratio, middle.size() * ratio)),
              QStringLiteral("welcome"), 420);
    }

    test::await(appState.openRepository(repo.path()));
    RepositoryState* state = appState.activeRepositoryState();
    waitFor([state] { return !state->isLoading() && !state->commits().isEmpty(); });
    for (const FileChange& change : state->changes()) {
        if (change.path == u"src/app.js" && !change.isStaged)
            state->selectFile(change, false, false);
    }
    waitFor([state] { return !state->isLoadingDiff() && state->parsedDiff().has_value(); });
    auto* diff = window.findChild<DiffView*>();
    HunkScrollArea* area = diff->hunkView()->scrollArea();
    waitFor([area] { return area->hunks().size() >= 2; });
    const DiffHunk hunk = area->hunks().last();
    using Part = HunkBlockView::Part;
    QTest::mouseClick(
        area->viewport(), Qt::LeftButton, {},
        area->partRect(int(area->hunks().size()) - 1, Part::LineSelectionToggle).center());
    for (const QString& line : {QStringLiteral("+  const owner = 'Website';"),
                                QStringLiteral("+  return `© ${year} ${owner}`;")}) {
        const int index = int(hunk.lines.indexOf(line));
        const QRect box = area->partRect(int(area->hunks().size()) - 1, Part::LineCheckbox, index);
        if (!box.isNull())
            QTest::mouseClick(area->viewport(), Qt::LeftButton, {}, box.center());
    }
    area->verticalScrollBar()->setValue(0);
    state->setCommitMessage(QStringLiteral("Add the blog to the pages"));
    save(&window, QStringLiteral("main-window"));
    save(window.findChild<QWidget*>(QStringLiteral("sidebarView")), QStringLiteral("changes"));
    save(diff, QStringLiteral("hunks"), 545);
    save(window.findChild<QWidget*>(QStringLiteral("commitLogView")), QStringLiteral("history"),
         390);

    const struct {
        SidebarTab tab;
        const char* name;
    } pages[] = {{SidebarTab::Branches, "branches"},
                 {SidebarTab::Tags, "tags"},
                 {SidebarTab::Trees, "worktrees"}};
    for (const auto& page : pages) {
        state->selectSidebarTab(page.tab);
        QTest::qWait(200);
        save(window.findChild<QWidget*>(QStringLiteral("sidebarView")), QLatin1String(page.name),
             260);
    }

    // The Stashes page with a stash and a discarded change; then the commit box in amend mode.
    state->askStashChanges();
    state->setShowStashSheet(false);
    state->setStashMessage(QStringLiteral("Half-done footer"));
    test::await(state->confirmStashChanges());
    repo.writeFile(QStringLiteral("README.md"), "# Website\n\nDraft: how we deploy the site.\n");
    test::await(state->refresh());
    for (const FileChange& change : state->changes()) {
        if (change.path == u"README.md")
            state->askDiscardChanges(change);
    }
    state->setShowDiscardConfirmation(false);
    test::await(state->confirmDiscardChanges());
    state->selectSidebarTab(SidebarTab::Stashes);
    QTest::qWait(200);
    save(window.findChild<QWidget*>(QStringLiteral("sidebarView")), QStringLiteral("stashes"), 260);
    state->selectSidebarTab(SidebarTab::Changes);
    test::await(state->setAmending(true));
    QTest::qWait(200);
    save(window.findChild<QWidget*>(QStringLiteral("commitArea")), QStringLiteral("amend"), 0, 280);
    test::await(state->setAmending(false));

    state->loadBlame(QStringLiteral("src/app.js"));
    waitFor([state] { return !state->isLoadingDiff() && !state->blameLines().isEmpty(); });
    QTest::qWait(200);
    save(window.findChild<BlameView*>(), QStringLiteral("blame"), 475);
    state->closeBlameView();

    QDialog* token = gitHubDialogs::showGitHubTokenDialog(&window, QStringLiteral("octocat"), true,
                                                          appState.gitHub(), {});
    QTest::qWaitForWindowExposed(token);
    save(token, QStringLiteral("token-dialog"));
    token->close();
    NewRepositoryDialog* create = gitHubDialogs::showNewGitHubRepoDialog(
        &window, QStringLiteral("octocat"), appState.gitHub(), {}, {});
    QTest::qWaitForWindowExposed(create);
    create->findChild<QLineEdit*>(QStringLiteral("repositoryNameField"))
        ->setText(QStringLiteral("my-project"));
    create->findChild<QLineEdit*>(QStringLiteral("descriptionField"))
        ->setText(QStringLiteral("A place for my new project"));
    create->findChild<QLineEdit*>(QStringLiteral("localPathField"))
        ->setText(QStringLiteral("/home/alex/Documents"));
    save(create, QStringLiteral("new-repository-dialog"));
    create->close();

    LogStore& log = LogStore::shared();
    log.setEntries({});
    log.add(QStringLiteral("Fetched all remotes"), LogLevel::Success, QStringLiteral("website"));
    log.add(QStringLiteral("Staged 2 lines"), LogLevel::Success, QStringLiteral("website"));
    log.add(QStringLiteral("Committed successfully"), LogLevel::Success, QStringLiteral("website"));
    log.add(QStringLiteral("Push rejected — the remote branch has commits you do not have"),
            LogLevel::Error, QStringLiteral("website"));
    log.add(QStringLiteral("Already up to date."), LogLevel::Success, QStringLiteral("website"));
    log.add(QStringLiteral("Pushed successfully"), LogLevel::Success, QStringLiteral("website"));
    LogWindowController::instance().show();
    QTest::qWaitForWindowExposed(LogWindowController::instance().window());
    save(LogWindowController::instance().window(), QStringLiteral("log-window"));

    SettingsWindowController settings;
    settings.show();
    QTest::qWaitForWindowExposed(settings.window());
    save(settings.window(), QStringLiteral("settings"));

    // The log window cannot outlive the application object that owns its controller.
    delete &LogWindowController::instance();
    GitService::shutDown();
    return 0;
}
