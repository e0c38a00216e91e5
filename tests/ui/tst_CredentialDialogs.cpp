#include "ViewTestSupport.h"
#include "engine/GitRunnerConfig.h"
#include "engine/PromptChannel.h"
#include "settings/AppSettings.h"
#include "state/CloneState.h"
#include "state/CredentialPrompts.h"
#include "support/TestEnvironment.h"
#include "ui/clone/CloneDialog.h"
#include "ui/clone/SparseFolderDialog.h"
#include "ui/credentials/CredentialPromptDialog.h"
#include "ui/credentials/CredentialPromptPresenter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

namespace {

// A request as our helper sends it, through the real channel; the reply is read later.
class HelperConnection {
public:
    explicit HelperConnection(const PromptRequest& request) {
        m_socket.connectToServer(PromptChannel::folder() + QStringLiteral("/prompt"));
        m_socket.waitForConnected(5000);
        m_socket.write(encodePromptRequest(request));
        m_socket.flush();
    }
    std::optional<PromptReply> reply() {
        if (!QTest::qWaitFor([this] { return m_socket.canReadLine(); }, 10000))
            return std::nullopt;
        return decodePromptReply(m_socket.readLine());
    }

private:
    QLocalSocket m_socket;
};

const QString hostKeyQuestion = QStringLiteral(
    "The authenticity of host '[127.0.0.1]:2222 ([127.0.0.1]:2222)' can't be established.\n"
    "ED25519 key fingerprint is SHA256:Jc1mzS3Rr0hK8Yh3m1s5uQ7dUq0gL2wqH2X9o6b0Zt4.\n"
    "This key is not known by any other names.\n"
    "Are you sure you want to continue connecting (yes/no/[fingerprint])? ");

const QString changedWarning = QStringLiteral(
    "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@\n"
    "@    WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!     @\n"
    "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@\n"
    "IT IS POSSIBLE THAT SOMEONE IS DOING SOMETHING NASTY!\n"
    "Someone could be eavesdropping on you right now (man-in-the-middle attack)!\n"
    "It is also possible that a host key has just been changed.\n"
    "The fingerprint for the ED25519 key sent by the remote host is\n"
    "SHA256:Qm9vZ3V5c2V0aGVyZWlzbm90aGluZ3RvZGVjb2RlaGVyZQ.\n"
    "Please contact your system administrator.\n"
    "Add correct host key in /home/me/.ssh/known_hosts to get rid of this message.\n"
    "Offending ED25519 key in /home/me/.ssh/known_hosts:3\n"
    "Host key for [git.example.com]:2222 has changed and you have requested strict checking.\n"
    "Host key verification failed.\n"
    "fatal: Could not read from remote repository.");

} // namespace

// The question dialog over a tab, driven the way a user answers it, with requests arriving
// through the real prompt channel as our helper sends them.
class TestCredentialDialogs : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    QWidget m_window;
    std::unique_ptr<CredentialPrompts> m_prompts;
    QString m_session;
    int m_cancels = 0;

    CredentialPromptDialog* waitForDialog() {
        CredentialPromptDialog* found = nullptr;
        QTest::qWaitFor(
            [&] {
                found = m_window.findChild<CredentialPromptDialog*>();
                return found && found->isVisible();
            },
            10000);
        return found;
    }

    PromptRequest askpass(const QString& text) {
        PromptRequest request;
        request.session = m_session;
        request.prompt = text;
        return request;
    }

private Q_SLOTS:
    void initTestCase() {
        GitRunnerConfig config;
        config.helperExecutable = QStringLiteral("/bin/false");
        GitRunnerConfig::set(config);
        m_window.resize(700, 500);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    }

    void init() {
        m_prompts = std::make_unique<CredentialPrompts>();
        new CredentialPromptPresenter(*m_prompts, &m_window);
        m_session = m_prompts->beginCommand(QStringLiteral("origin"), [this] { ++m_cancels; });
        m_cancels = 0;
    }

    void cleanup() {
        m_prompts.reset();
        qDeleteAll(m_window.findChildren<CredentialPromptPresenter*>());
    }

    void passphraseIsAskedHiddenAndAnswered() {
        HelperConnection helper(
            askpass(QStringLiteral("Enter passphrase for key '/home/me/.ssh/id_ed25519': ")));
        CredentialPromptDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(),
                 QStringLiteral("Passphrase for key '/home/me/.ssh/id_ed25519'"));
        auto* field = test::child<QLineEdit>(dialog, QStringLiteral("answerField"));
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QVERIFY(test::child<QLabel>(dialog, QStringLiteral("dialogInformativeText"))
                    ->text()
                    .contains(QStringLiteral("origin")));
        test::saveLightAndDark(dialog, QStringLiteral("credential-passphrase-dialog"));
        QTest::keyClicks(field, QStringLiteral("open sesame"));
        QTest::keyClick(field, Qt::Key_Return);
        const std::optional<PromptReply> reply = helper.reply();
        QVERIFY(reply);
        QVERIFY(!reply->cancelled);
        QCOMPARE(reply->answer, QStringLiteral("open sesame"));
        QTRY_VERIFY(!m_prompts->prompt());
        QCOMPARE(m_cancels, 0);
    }

    void credentialsAreAskedWithTheKeyringChoice() {
        PromptRequest request;
        request.kind = PromptRequest::Kind::Credential;
        request.session = m_session;
        request.protocol = QStringLiteral("https");
        request.host = QStringLiteral("git.example.com");
        HelperConnection helper(request);
        CredentialPromptDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Username for 'https://git.example.com'"));
        auto* answer = test::child<QAbstractButton>(dialog, QStringLiteral("answerButton"));
        QVERIFY(!answer->isEnabled());
        QTest::keyClicks(test::child<QLineEdit>(dialog, QStringLiteral("usernameField")),
                         QStringLiteral("alice"));
        QTest::keyClicks(test::child<QLineEdit>(dialog, QStringLiteral("passwordField")),
                         QStringLiteral("pw"));
        test::child<QCheckBox>(dialog, QStringLiteral("rememberCheckBox"))->setChecked(true);
        test::saveLightAndDark(dialog, QStringLiteral("credential-password-dialog"));
        QTest::mouseClick(answer, Qt::LeftButton);
        const std::optional<PromptReply> reply = helper.reply();
        QVERIFY(reply);
        QCOMPARE(reply->username, QStringLiteral("alice"));
        QCOMPARE(reply->password, QStringLiteral("pw"));
        QVERIFY(reply->remember);

        // git then asks whether to keep what worked: only what the user ticked.
        PromptRequest store = request;
        store.kind = PromptRequest::Kind::Store;
        store.username = QStringLiteral("alice");
        HelperConnection keep(store);
        QVERIFY(keep.reply()->remember);
        store.username = QStringLiteral("bob");
        HelperConnection other(store);
        QVERIFY(!other.reply()->remember);
    }

    void newHostKeyShowsItsFingerprintAndCancelEndsTheCommand() {
        HelperConnection helper(askpass(hostKeyQuestion));
        CredentialPromptDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(),
                 QStringLiteral("Connect to [127.0.0.1]:2222 for the first time?"));
        QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("hostLabel"))->text(),
                 QStringLiteral("[127.0.0.1]:2222"));
        QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("keyTypeLabel"))->text(),
                 QStringLiteral("ED25519"));
        QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("fingerprintLabel"))->text(),
                 QStringLiteral("SHA256:Jc1mzS3Rr0hK8Yh3m1s5uQ7dUq0gL2wqH2X9o6b0Zt4"));
        QCOMPARE(test::child<QAbstractButton>(dialog, QStringLiteral("answerButton"))->text(),
                 QStringLiteral("Connect"));
        test::saveLightAndDark(dialog, QStringLiteral("credential-new-host-dialog"));
        QTest::mouseClick(test::child<QAbstractButton>(dialog, QStringLiteral("cancelButton")),
                          Qt::LeftButton);
        QVERIFY(helper.reply()->cancelled);
        QCOMPARE(m_cancels, 1);
    }

    void changedHostKeyOffersNothingToAccept() {
        m_prompts->showChangedHostKey(QStringLiteral("origin"), changedWarning);
        CredentialPromptDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QVERIFY(!test::child<QAbstractButton>(dialog, QStringLiteral("answerButton")));
        QCOMPARE(
            test::child<QPlainTextEdit>(dialog, QStringLiteral("hostKeyWarning"))->toPlainText(),
            changedWarning);
        QCOMPARE(m_prompts->prompt()->host, QStringLiteral("[git.example.com]:2222"));
        test::saveLightAndDark(dialog, QStringLiteral("credential-changed-host-key-dialog"));
        QTest::mouseClick(test::child<QAbstractButton>(dialog, QStringLiteral("closeButton")),
                          Qt::LeftButton);
        QTRY_VERIFY(!m_prompts->prompt());
        QCOMPARE(m_cancels, 0);
    }

    void aQuestionWithdrawnClosesItsDialog() {
        HelperConnection first(askpass(QStringLiteral("Password for 'https://a@one.example': ")));
        HelperConnection second(askpass(QStringLiteral("Password for 'https://b@two.example': ")));
        CredentialPromptDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Password for 'https://a@one.example'"));
        m_prompts->endCommand(m_session);
        QVERIFY(first.reply()->cancelled);
        QVERIFY(second.reply()->cancelled);
        QTRY_VERIFY(!m_window.findChild<CredentialPromptDialog*>());
        QVERIFY(!m_prompts->prompt());
    }

    void cloneDialogFillsInAndShowsEachStage() {
        QTemporaryDir parent;
        AppSettings::setCloneParentFolder(parent.path());
        CloneState state;
        // Copied text that is no address is not offered.
        {
            CloneDialog dialog(state, QStringLiteral("two words"), &m_window);
            QCOMPARE(test::child<QLineEdit>(&dialog, QStringLiteral("cloneAddress"))->text(),
                     QString());
            QVERIFY(!test::child<QPushButton>(&dialog, QStringLiteral("cloneStart"))->isEnabled());
        }
        auto* dialog =
            new CloneDialog(state, QStringLiteral(" git@example.com:team/tool.git\n"), &m_window);
        dialog->open();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto* address = test::child<QLineEdit>(dialog, QStringLiteral("cloneAddress"));
        auto* name = test::child<QLineEdit>(dialog, QStringLiteral("cloneFolderName"));
        auto* start = test::child<QPushButton>(dialog, QStringLiteral("cloneStart"));
        QCOMPARE(address->text(), QStringLiteral("git@example.com:team/tool.git"));
        QCOMPARE(name->text(), QStringLiteral("tool"));
        QCOMPARE(test::child<QLineEdit>(dialog, QStringLiteral("cloneParentFolder"))->text(),
                 parent.path());
        QVERIFY(test::child<QCheckBox>(dialog, QStringLiteral("cloneSubmodules"))->isChecked());
        QVERIFY(start->isEnabled());
        // The name follows the address until the user types one.
        address->clear();
        QTest::keyClicks(address, QStringLiteral("https://host/a/widget.git/"));
        QCOMPARE(name->text(), QStringLiteral("widget"));
        name->clear();
        QTest::keyClicks(name, QStringLiteral("mine"));
        QTest::keyClicks(address, QStringLiteral("x"));
        QCOMPARE(name->text(), QStringLiteral("mine"));
        auto* warning = test::child<QLabel>(dialog, QStringLiteral("cloneShallowWarning"));
        QVERIFY(!warning->isVisible());
        test::child<QCheckBox>(dialog, QStringLiteral("cloneLatestOnly"))->click();
        QVERIFY(warning->isVisible());
        test::saveLightAndDark(dialog, QStringLiteral("clone-dialog-idle"));
        QCOMPARE(dialog->request(),
                 (CloneRequest{.address = QStringLiteral("https://host/a/widget.git/x"),
                               .parentFolder = parent.path(),
                               .folderName = QStringLiteral("mine"),
                               .latestOnly = true}));

        // A real failure: nothing to clone at a folder that is no repository.
        address->clear();
        QTest::keyClicks(address, parent.path());
        start->click();
        auto* error = test::child<QLabel>(dialog, QStringLiteral("cloneError"));
        QTRY_VERIFY_WITH_TIMEOUT(error->isVisible(), 20000);
        QVERIFY(error->text().startsWith(QStringLiteral("No Git repository was found")));
        QVERIFY(start->isEnabled());
        test::saveLightAndDark(dialog, QStringLiteral("clone-dialog-failed"));
        // Editing the address clears the old reason.
        QTest::keyClicks(address, QStringLiteral("/"));
        QVERIFY(!error->isVisible());

        // How a clone in progress looks (the state is set as git's progress would set it).
        state.setRunning(true);
        state.setProgress(TransferProgress{.phase = TransferProgress::Phase::Receiving,
                                           .percent = 45,
                                           .done = 450,
                                           .total = 1000,
                                           .amount = QStringLiteral("1.20 MiB"),
                                           .rate = QStringLiteral("3.40 MiB/s")});
        auto* bar = test::child<QProgressBar>(dialog, QStringLiteral("cloneProgressBar"));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 45);
        QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("cloneProgressLabel"))->text(),
                 QStringLiteral("Receiving objects: 45% (450 of 1000), 1.20 MiB at 3.40 MiB/s"));
        QVERIFY(!address->isEnabled());
        QVERIFY(!start->isEnabled());
        test::saveLightAndDark(dialog, QStringLiteral("clone-dialog-progress"));

        // The folders of a sparse clone are picked in a dialog of their own.
        QSignalSpy answered(&state, &CloneState::sparseFoldersAnswered);
        state.setSparseFolderChoice(QStringList{QStringLiteral("docs"), QStringLiteral("src")});
        SparseFolderDialog* folders = nullptr;
        QTRY_VERIFY((folders = dialog->findChild<SparseFolderDialog*>()) && folders->isVisible());
        auto* list = test::child<QListWidget>(folders, QStringLiteral("sparseFolderList"));
        QCOMPARE(list->count(), 2);
        list->item(1)->setCheckState(Qt::Checked);
        test::saveLightAndDark(folders, QStringLiteral("clone-sparse-folders"));
        test::child<QPushButton>(folders, QStringLiteral("sparseFolderChoose"))->click();
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.first().first().value<std::optional<QStringList>>(),
                 std::optional<QStringList>(QStringList{QStringLiteral("src")}));
        QVERIFY(!state.sparseFolderChoice());
        state.setRunning(false);
        dialog->deleteLater();
    }
};

QTEST_MAIN(TestCredentialDialogs)
#include "tst_CredentialDialogs.moc"
