#include "../github/LocalHttpServer.h"
#include "app/AppState.h"
#include "platform/KeychainHelper.h"
#include "settings/AppSettings.h"
#include "support/CapturedStdout.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/ViewTestSupport.h"
#include "ui/common/ProgressSpinner.h"
#include "ui/common/viewColors.h"
#include "ui/github/GitHubTokenDialog.h"
#include "ui/github/NewRepositoryDialog.h"
#include "ui/github/gitHubDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tolvane;
using test::LocalHttpServer;

namespace {

template <typename T> T* find(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QLatin1String(name));
}

void click(QWidget* dialog, const char* button) {
    QTest::mouseClick(find<QAbstractButton>(dialog, button), Qt::LeftButton);
}

std::optional<QString> storedToken() {
    test::CapturedStdout quiet;
    return KeychainHelper::getToken();
}

QByteArray repoBody(const QString& name, const QString& cloneUrl) {
    QJsonObject repo{{"id", 7},
                     {"name", name},
                     {"full_name", QStringLiteral("octocat/") + name},
                     {"html_url", QStringLiteral("https://github.com/octocat/") + name},
                     {"clone_url", cloneUrl},
                     {"ssh_url", QStringLiteral("git@github.com:octocat/") + name + ".git"},
                     {"private", false},
                     {"description", QJsonValue()}};
    return QJsonDocument(repo).toJson();
}

// git's trimmed output in `folder`.
QString gitIn(const QString& folder, const QStringList& arguments) {
    QProcess git;
    git.setWorkingDirectory(folder);
    git.start(QStringLiteral("git"), arguments);
    git.waitForFinished();
    return QString::fromUtf8(git.readAllStandardOutput()).trimmed();
}

QJsonObject jsonBody(const test::RecordedRequest& request) {
    return QJsonDocument::fromJson(request.body).object();
}

} // namespace

class TestGitHubDialogs : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    QWidget m_window;

    // A signed-in application state against the local server, its token in the secret store.
    std::unique_ptr<AppState> signedIn(const LocalHttpServer& server) {
        auto app = std::make_unique<AppState>(server.baseUrl());
        test::CapturedStdout quiet;
        KeychainHelper::saveToken(QStringLiteral("ghp_stored"));
        app->saveGitHubCredentials(QStringLiteral("octocat"));
        return app;
    }

private Q_SLOTS:
    void initTestCase() {
        m_window.resize(900, 600);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    }

    void init() {
        test::CapturedStdout quiet;
        KeychainHelper::deleteToken();
        AppSettings::setHasGitHubToken(false);
        AppSettings::setGitHubUsername(std::nullopt);
    }

    void theTokenDialogIsLaidOutAsAsked() {
        LocalHttpServer server;
        AppState app(server.baseUrl());
        QPointer<GitHubTokenDialog> dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("GitHub Personal Access Token"));
        QCOMPARE(dialog->size(), QSize(440, 300));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(find<QLabel>(dialog, "tokenInformationLabel")->text(),
                 QStringLiteral("Create a fine-grained token at GitHub → Settings → Developer "
                                "settings → Personal access tokens → Fine-grained tokens.\n\n"
                                "Required permissions:\n"
                                " • Repository permissions → Contents (Read and Write)\n"
                                " • Account permissions → Administration (Read and Write)"));
        auto* field = find<QLineEdit>(dialog, "tokenField");
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QCOMPARE(field->placeholderText(), QStringLiteral("github_pat_xxxx or ghp_xxxx"));
        QCOMPARE(field->width(), 345);
        QVERIFY(field->hasFocus());
        QVERIFY(!find<QPushButton>(dialog, "removeTokenButton"));
        QVERIFY(!find<QLabel>(dialog, "tokenStatusLabel")->isVisible());
        QVERIFY(!find<QLabel>(dialog, "tokenErrorLabel")->isVisible());
        QVERIFY(find<QPushButton>(dialog, "saveButton")->isDefault());
        test::saveLightAndDark(dialog, QStringLiteral("github-token-dialog"));

        // Escape cancels: nothing sent, nothing stored, the dialog gone.
        QTest::keyClicks(field, QStringLiteral("ghp_typed"));
        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(app.hasGitHubToken(), false);
    }

    void aBlankTokenSendsNothing() {
        LocalHttpServer server;
        AppState app(server.baseUrl());
        GitHubTokenDialog* dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        auto* field = find<QLineEdit>(dialog, "tokenField");
        field->setText(QStringLiteral("  \t "));
        click(dialog, "saveButton");
        QTest::keyClick(field, Qt::Key_Return);
        QTest::qWait(100);
        QVERIFY(server.requests().isEmpty());
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->controller()->isProcessing());
        dialog->close();
    }

    // Return saves; the token is checked against GitHub with the line break removed, stored
    // without it, and the application is signed in under the token's login.
    void aPastedTokenIsStoredWithoutItsLineBreak() {
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
        AppState app(server.baseUrl());
        QPointer<GitHubTokenDialog> dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        auto* field = find<QLineEdit>(dialog, "tokenField");
        QGuiApplication::clipboard()->setText(QStringLiteral("ghp_pasted123\n"));
        field->paste();
        QVERIFY(field->text().startsWith(QStringLiteral("ghp_pasted123")));
        QTest::keyClick(field, Qt::Key_Return);

        QTRY_VERIFY(!dialog);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests()[0].path, QByteArray("/user"));
        QCOMPARE(server.requests()[0].headers.value("authorization"),
                 QByteArray("Bearer ghp_pasted123"));
        QCOMPARE(storedToken(), QStringLiteral("ghp_pasted123"));
        QCOMPARE(app.gitHubUsername(), QStringLiteral("octocat"));
        QVERIFY(app.hasGitHubToken());
        QCOMPARE(AppSettings::gitHubUsername(), QStringLiteral("octocat"));
    }

    void aRefusedTokenIsShownInRed_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rejected") << LocalHttpServer::response(401, "{\"message\": \"Bad\"}")
                                  << QStringLiteral("Invalid token: Invalid token");
        QTest::newRow("no login") << LocalHttpServer::response(200, "{\"name\": \"Octo\"}")
                                  << QStringLiteral("Invalid token: Invalid response from GitHub");
        // Nobody answers: nothing is said about the token.
        QTest::newRow("offline") << QByteArray()
                                 << QStringLiteral("Network unreachable (Connection refused): the "
                                                   "token was not checked.");
    }

    void aRefusedTokenIsShownInRed() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        LocalHttpServer server;
        server.respondWith(reply);
        // A port nothing listens on stands for a machine without a network.
        AppState app(reply.isEmpty() ? QStringLiteral("http://127.0.0.1:9") : server.baseUrl());
        app.saveGitHubCredentials(QStringLiteral("octocat"));
        GitHubTokenDialog* dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto* status = find<QLabel>(dialog, "tokenStatusLabel");
        auto* error = find<QLabel>(dialog, "tokenErrorLabel");
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QStringLiteral("✓ Connected as octocat"));

        find<QLineEdit>(dialog, "tokenField")->setText(QStringLiteral("ghp_wrong"));
        click(dialog, "saveButton");
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(error->text(), expected);
        QVERIFY(!status->isVisible());
        QCOMPARE(error->palette().color(QPalette::WindowText), ViewColors::red());
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->controller()->isProcessing());
        QCOMPARE(storedToken(), std::nullopt);
        QCOMPARE(app.gitHubUsername(), QStringLiteral("octocat"));
        if (QTest::currentDataTag() == QLatin1String("rejected"))
            test::saveLightAndDark(dialog, QStringLiteral("github-token-dialog-error"));
        dialog->close();
    }

    // While GitHub is being asked, Save does nothing more; a cancel meanwhile stores nothing.
    void aCheckInFlightIsNotRepeatedAndCancelStoresNothing() {
        LocalHttpServer server;
        server.setResponder([](const test::RecordedRequest&) { return std::nullopt; });
        AppState app(server.baseUrl());
        QPointer<GitHubTokenDialog> dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        find<QLineEdit>(dialog, "tokenField")->setText(QStringLiteral("ghp_slow"));
        click(dialog, "saveButton");
        QTRY_COMPARE(server.requests().size(), 1);
        QVERIFY(dialog->controller()->isProcessing());
        QVERIFY(find<QPushButton>(dialog, "saveButton")->isEnabled());
        click(dialog, "saveButton");
        click(dialog, "cancelButton");
        QTRY_VERIFY(!dialog);

        server.answer(0, LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
        QTest::qWait(200);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(storedToken(), std::nullopt);
        QVERIFY(!app.hasGitHubToken());
    }

    void removingWithNothingStoredStillSignsOut() {
        LocalHttpServer server;
        AppState app(server.baseUrl());
        app.saveGitHubCredentials(QStringLiteral("octocat"));
        QPointer<GitHubTokenDialog> dialog = gitHubDialogs::configureGitHubToken(app, &m_window);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        click(dialog, "removeTokenButton");
        QTRY_VERIFY(!dialog);
        QCOMPARE(app.gitHubUsername(), std::nullopt);
        QVERIFY(!app.hasGitHubToken());
        QCOMPARE(AppSettings::gitHubUsername(), std::nullopt);
        QVERIFY(!AppSettings::hasGitHubToken());
        QVERIFY(server.requests().isEmpty());
    }

    void theMenuOpensTheTokenDialogUntilSignedIn() {
        LocalHttpServer server;
        AppState app(server.baseUrl());
        MainWindow window(app);
        QAction* newRepository = window.action(QStringLiteral("newGitHubRepositoryAction"));
        QVERIFY(newRepository->isEnabled());
        QVERIFY(window.action(QStringLiteral("configureGitHubTokenAction"))->isEnabled());
        newRepository->trigger();
        QPointer<GitHubTokenDialog> dialog = window.findChild<GitHubTokenDialog*>();
        QVERIFY(dialog);
        QVERIFY(!window.findChild<NewRepositoryDialog*>());
        dialog->close();
        QTRY_VERIFY(!dialog);

        // A stored token whose login was lost: the main window's alert explains.
        AppSettings::setHasGitHubToken(true);
        AppState lost(server.baseUrl());
        QVERIFY(!gitHubDialogs::newGitHubRepository(lost, &m_window));
        QCOMPARE(lost.errorMessage(), QStringLiteral("GitHub token not configured"));
    }

    void theRepositoryDialogIsLaidOutAsAsked() {
        LocalHttpServer server;
        const auto app = signedIn(server);
        QStringList titles;
        QPointer<QDialog> shown = gitHubDialogs::newGitHubRepository(
            *app, &m_window, [&titles](const QString& title) -> std::optional<QString> {
                titles.append(title);
                return QStringLiteral("/chosen/folder");
            });
        auto* dialog = qobject_cast<NewRepositoryDialog*>(shown);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Create New GitHub Repository"));
        QCOMPARE(dialog->size(), QSize(480, 320));
        QCOMPARE(find<QLabel>(dialog, "repositoryHeading")->text(),
                 QStringLiteral("Create New GitHub Repository"));
        QCOMPARE(find<QLabel>(dialog, "ownerLabel")->text(), QStringLiteral("octocat /"));
        QCOMPARE(find<QLineEdit>(dialog, "repositoryNameField")->placeholderText(),
                 QStringLiteral("repository-name"));
        QCOMPARE(find<QLineEdit>(dialog, "descriptionField")->placeholderText(),
                 QStringLiteral("Optional"));
        QVERIFY(find<QToolButton>(dialog, "publicSegment")->isChecked());
        QVERIFY(!find<QToolButton>(dialog, "privateSegment")->isChecked());
        QVERIFY(find<QCheckBox>(dialog, "readmeCheckbox")->isChecked());
        QVERIFY(find<QCheckBox>(dialog, "cloneCheckbox")->isChecked());
        auto* path = find<QLineEdit>(dialog, "localPathField");
        QCOMPARE(path->text(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QVERIFY(!find<QLabel>(dialog, "repositoryErrorLabel")->isVisible());
        QVERIFY(find<QPushButton>(dialog, "createButton")->isDefault());
        find<QLineEdit>(dialog, "repositoryNameField")->setText(QStringLiteral("hello-world"));
        test::saveLightAndDark(dialog, QStringLiteral("github-new-repository-dialog"));

        click(dialog, "browseButton");
        QCOMPARE(titles, QStringList{QStringLiteral("Select folder for repository")});
        QCOMPARE(path->text(), QStringLiteral("/chosen/folder"));
        click(dialog, "privateSegment");
        QVERIFY(!find<QToolButton>(dialog, "publicSegment")->isChecked());
        QCOMPARE(dialog->input().isPrivate, true);

        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!shown);
        QVERIFY(server.requests().isEmpty());
    }

    // README on, clone off: the repository is made on GitHub only.
    void aRepositoryCanBeCreatedOnGitHubOnly() {
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(
            201, repoBody("remote-only", "https://github.com/octocat/remote-only.git")));
        const auto app = signedIn(server);
        QTemporaryDir base;
        QPointer<QDialog> dialog = gitHubDialogs::newGitHubRepository(*app, &m_window);
        find<QLineEdit>(dialog, "repositoryNameField")->setText(QStringLiteral("remote-only"));
        find<QLineEdit>(dialog, "descriptionField")->setText(QStringLiteral("Just a test"));
        find<QCheckBox>(dialog, "cloneCheckbox")->setChecked(false);
        find<QLineEdit>(dialog, "localPathField")->setText(base.path());
        click(dialog, "createButton");

        QTRY_VERIFY(!dialog);
        QCOMPARE(server.requests().size(), 1);
        const test::RecordedRequest& request = server.requests()[0];
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/user/repos"));
        QCOMPARE(request.headers.value("authorization"), QByteArray("Bearer ghp_stored"));
        QCOMPARE(jsonBody(request), (QJsonObject{{"name", "remote-only"},
                                                 {"description", "Just a test"},
                                                 {"private", false},
                                                 {"auto_init", true}}));
        QTest::qWait(100);
        QVERIFY(app->tabs().isEmpty());
        QVERIFY(QDir(base.path()).isEmpty());
        QCOMPARE(app->errorMessage(), std::nullopt);
    }

    // README off, clone on: a new local repository named after it, "origin" set, opened as a tab.
    void aRepositoryWithoutReadmeIsConnectedLocally() {
        const QString cloneUrl = QStringLiteral("https://github.com/octocat/fresh.git");
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(201, repoBody("fresh", cloneUrl)));
        const auto app = signedIn(server);
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("projects"));
        QPointer<QDialog> dialog = gitHubDialogs::newGitHubRepository(*app, &m_window);
        find<QLineEdit>(dialog, "repositoryNameField")->setText(QStringLiteral("fresh"));
        find<QCheckBox>(dialog, "readmeCheckbox")->setChecked(false);
        find<QLineEdit>(dialog, "localPathField")->setText(folder + QLatin1Char('/'));
        click(dialog, "createButton");

        QTRY_VERIFY(!dialog);
        QCOMPARE(jsonBody(server.requests()[0]),
                 (QJsonObject{{"name", "fresh"}, {"private", false}, {"auto_init", false}}));
        const QString local = folder + QStringLiteral("/fresh");
        QTRY_COMPARE(app->tabs().size(), 1);
        QCOMPARE(app->tabs()[0].path, local);
        QCOMPARE(gitIn(local, {QStringLiteral("rev-parse"), QStringLiteral("--show-toplevel")}),
                 local);
        QCOMPARE(gitIn(local, {QStringLiteral("remote"), QStringLiteral("get-url"),
                               QStringLiteral("origin")}),
                 cloneUrl);
    }

    // README and clone on: the new repository is cloned into a folder made for it.
    void aRepositoryWithReadmeIsCloned() {
        test::RepoFixture upstream;
        upstream.writeFile(QStringLiteral("README.md"), "# cloned\n");
        const QString head = upstream.commitAll(QStringLiteral("Initial commit"));
        const QString origin = upstream.addBareOrigin();
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(
            201, repoBody("cloned", QUrl::fromLocalFile(origin).toString())));
        const auto app = signedIn(server);
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("not/yet/there"));
        QPointer<QDialog> dialog = gitHubDialogs::newGitHubRepository(*app, &m_window);
        find<QLineEdit>(dialog, "repositoryNameField")->setText(QStringLiteral("cloned"));
        find<QLineEdit>(dialog, "localPathField")->setText(folder);
        click(dialog, "createButton");

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, 20000);
        const QString local = folder + QStringLiteral("/cloned");
        QTRY_COMPARE(app->tabs().size(), 1);
        QCOMPARE(app->tabs()[0].path, local);
        QFile readme(local + QStringLiteral("/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        QCOMPARE(readme.readAll(), QByteArray("# cloned\n"));
        QCOMPARE(gitIn(local, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}), head);
    }

    // GitHub's refusal is shown in red; the dialog stays open and "Create" works again.
    void aRefusedRepositoryIsShownInRed_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        QTest::newRow("message and field errors")
            << LocalHttpServer::response(
                   422, "{\"message\": \"Repository creation failed.\", \"errors\": "
                        "[{\"resource\": \"Repository\", \"code\": \"custom\", \"field\": "
                        "\"name\", \"message\": \"name already exists on this account\"}]}")
            << QStringLiteral("Repository creation failed.: name already exists on this account");
        QTest::newRow("no readable body")
            << LocalHttpServer::response(500, "<html>oops</html>", "text/html")
            << QStringLiteral("HTTP 500");
    }

    void aRefusedRepositoryIsShownInRed() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        LocalHttpServer server;
        server.respondWith(reply);
        const auto app = signedIn(server);
        QTemporaryDir base;
        auto* dialog =
            qobject_cast<NewRepositoryDialog*>(gitHubDialogs::newGitHubRepository(*app, &m_window));
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        find<QLineEdit>(dialog, "repositoryNameField")->setText(QStringLiteral("taken"));
        find<QLineEdit>(dialog, "localPathField")->setText(base.path());
        auto* create = find<QPushButton>(dialog, "createButton");
        auto* error = find<QLabel>(dialog, "repositoryErrorLabel");
        click(dialog, "createButton");
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(error->text(), expected);
        QCOMPARE(error->palette().color(QPalette::WindowText), ViewColors::red());
        QVERIFY(create->isEnabled());
        QVERIFY(dialog->isVisible());
        QVERIFY(QDir(base.path()).isEmpty());
        if (QTest::currentDataTag() == QLatin1String("message and field errors"))
            test::saveLightAndDark(dialog, QStringLiteral("github-new-repository-dialog-error"));

        click(dialog, "createButton");
        QTRY_COMPARE(server.requests().size(), 2);
        dialog->close();
    }

    // While GitHub works, "Create" is disabled; a name that is no folder name sends nothing.
    void createIsGuarded() {
        auto owned = std::make_unique<LocalHttpServer>();
        LocalHttpServer& server = *owned;
        server.setResponder([](const test::RecordedRequest&) { return std::nullopt; });
        const auto app = signedIn(server);
        QTemporaryDir base;
        auto* dialog =
            qobject_cast<NewRepositoryDialog*>(gitHubDialogs::newGitHubRepository(*app, &m_window));
        auto* name = find<QLineEdit>(dialog, "repositoryNameField");
        auto* create = find<QPushButton>(dialog, "createButton");
        find<QLineEdit>(dialog, "localPathField")->setText(base.path());

        click(dialog, "createButton"); // no name yet
        for (const QString& unsafe : {QStringLiteral("../outside"), QStringLiteral("--bare")}) {
            name->setText(unsafe);
            click(dialog, "createButton");
            QVERIFY(find<QLabel>(dialog, "repositoryErrorLabel")->isVisible());
        }
        QTest::qWait(100);
        QVERIFY(server.requests().isEmpty());

        name->setText(QStringLiteral("slow"));
        click(dialog, "createButton");
        QTRY_COMPARE(server.requests().size(), 1);
        QVERIFY(!create->isEnabled());
        QVERIFY(find<ProgressSpinner>(dialog, "repositoryProgress")->isSpinning());
        QVERIFY(!find<QLabel>(dialog, "repositoryErrorLabel")->isVisible());
        dialog->controller()->create(dialog->input());
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 1);
        // The server goes away unanswered: the request ends with an error and nothing is left
        // waiting once the test is over.
        owned.reset();
        QTRY_VERIFY(!dialog->controller()->isProcessing());
        dialog->close();
    }
};

QTEST_MAIN(TestGitHubDialogs)
#include "tst_GitHubDialogs.moc"
