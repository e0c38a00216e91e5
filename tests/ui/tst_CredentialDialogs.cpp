#include "ViewTestSupport.h"
#include "engine/GitRunnerConfig.h"
#include "engine/PromptChannel.h"
#include "state/CredentialPrompts.h"
#include "support/TestEnvironment.h"
#include "ui/credentials/CredentialPromptDialog.h"
#include "ui/credentials/CredentialPromptPresenter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPlainTextEdit>
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
};

QTEST_MAIN(TestCredentialDialogs)
#include "tst_CredentialDialogs.moc"
