#include "LocalHttpServer.h"
#include "github/GitHubAPIError.h"
#include "github/GitHubDecodingError.h"
#include "github/GitHubService.h"
#include "github/GitHubTransportError.h"
#include "platform/KeychainHelper.h"
#include "support/AwaitTask.h"
#include "support/CapturedStdout.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace tolvane;
using namespace std::chrono_literals;
using test::LocalHttpServer;

namespace {

// What a call ended with, as one comparable line: "ok: <value>" or the error's kind and text.
QString describeFailure(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const GitHubAPIError& e) {
        return QStringLiteral("api: ") + e.description();
    } catch (const GitHubTransportError& e) {
        return QStringLiteral("transport: ") + e.description();
    } catch (const GitHubDecodingError&) {
        return QStringLiteral("decoding");
    } catch (const std::exception& e) {
        return QStringLiteral("other: ") + QString::fromUtf8(e.what());
    }
}

QString outcome(QCoro::Task<QString> task) {
    try {
        return QStringLiteral("ok: ") + test::await(std::move(task));
    } catch (...) {
        return describeFailure(std::current_exception());
    }
}

QString outcome(QCoro::Task<GitHubRepo> task) {
    try {
        const GitHubRepo repo = test::await(std::move(task));
        return QStringLiteral("ok: %1 %2").arg(repo.id).arg(repo.fullName);
    } catch (...) {
        return describeFailure(std::current_exception());
    }
}

const QByteArray repoBody =
    "{\"id\": 1296269, \"node_id\": \"MDEw\", \"name\": \"Hello-World\", "
    "\"full_name\": \"octocat/Hello-World\", \"html_url\": "
    "\"https://github.com/octocat/Hello-World\", "
    "\"clone_url\": \"https://github.com/octocat/Hello-World.git\", "
    "\"ssh_url\": \"git@github.com:octocat/Hello-World.git\", \"private\": true, "
    "\"description\": \"This your first repo!\", \"owner\": {\"login\": \"octocat\"}}";

QJsonObject repoObject() {
    return QJsonDocument::fromJson(repoBody).object();
}

QByteArray repoBodyWith(const QString& key, const QJsonValue& value) {
    QJsonObject object = repoObject();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QJsonDocument(object).toJson();
}

} // namespace

class TestGitHubService : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

    void storeToken(const QString& token) {
        test::CapturedStdout quiet;
        QVERIFY(KeychainHelper::saveToken(token));
    }

private Q_SLOTS:
    void validateTokenInterpretsTheReply_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QString invalid = QStringLiteral("api: Invalid response from GitHub");
        const QString badToken = QStringLiteral("api: Invalid token");
        QTest::newRow("login") << 200 << QByteArray("{\"login\": \"octocat\", \"id\": 1}")
                               << QStringLiteral("ok: octocat");
        QTest::newRow("non-ASCII login")
            << 200 << QByteArray("{\"login\": \"\\u00e5sa\"}") << QStringLiteral("ok: åsa");
        QTest::newRow("numeric login") << 200 << QByteArray("{\"login\": 42}") << invalid;
        QTest::newRow("null login") << 200 << QByteArray("{\"login\": null}") << invalid;
        QTest::newRow("no login") << 200 << QByteArray("{\"name\": \"Octo\"}") << invalid;
        QTest::newRow("array") << 200 << QByteArray("[{\"login\": \"octocat\"}]") << invalid;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>Hi</html>") << invalid;
        QTest::newRow("cut-off JSON") << 200 << QByteArray("{\"login\": \"octo") << invalid;
        QTest::newRow("empty") << 200 << QByteArray() << invalid;
        QTest::newRow("401 with a login")
            << 401 << QByteArray("{\"login\": \"octocat\"}") << badToken;
        QTest::newRow("401 not JSON") << 401 << QByteArray("nope") << badToken;
        QTest::newRow("403") << 403 << QByteArray("{\"message\": \"Forbidden\"}") << badToken;
        QTest::newRow("500") << 500 << QByteArray() << badToken;
        QTest::newRow("201 is not 200")
            << 201 << QByteArray("{\"login\": \"octocat\"}") << badToken;
    }

    void validateTokenInterpretsTheReply() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(status, body));
        GitHubService service(server.baseUrl());
        QCOMPARE(outcome(service.validateToken(QStringLiteral("tok"))), expected);
        QCOMPARE(server.requests().size(), 1);
    }

    void validateTokenSendsTheGivenTokenNotTheStoredOne() {
        storeToken(QStringLiteral("stored-token"));
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
        GitHubService service(server.baseUrl());
        QCOMPARE(outcome(service.validateToken(QStringLiteral("ghp_given"))),
                 QStringLiteral("ok: octocat"));

        QCOMPARE(server.requests().size(), 1);
        const test::RecordedRequest& request = server.requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QByteArray("/user"));
        QCOMPARE(request.headers.value("authorization"), QByteArray("Bearer ghp_given"));
        QCOMPARE(request.headers.value("accept"), QByteArray("application/vnd.github+json"));
        QVERIFY(!request.headers.contains("x-github-api-version"));
        QVERIFY(request.body.isEmpty());
    }

    // A line break in a token would end the Authorization header and start a header of the
    // token's choosing; such a token is refused before anything is sent.
    void tokenWithLineBreakIsNotSent() {
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
        GitHubService service(server.baseUrl());
        QCOMPARE(outcome(service.validateToken(QStringLiteral("abc\r\nX-Evil: 1"))),
                 QStringLiteral("api: Invalid token"));
        storeToken(QStringLiteral("abc\nX-Evil: 1"));
        test::CapturedStdout quiet;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("api: Invalid token"));
        QTest::qWait(50);
        QVERIFY(server.requests().isEmpty());
    }

    void createRepositorySendsTheStoredTokenAndBody_data() {
        QTest::addColumn<std::optional<QString>>("description");
        QTest::addColumn<bool>("isPrivate");
        QTest::addColumn<bool>("autoInit");
        QTest::addColumn<QJsonObject>("expectedBody");
        const QJsonObject plain{{"name", "my repo ✓"}, {"private", true}, {"auto_init", false}};
        QJsonObject withSpace = plain;
        withSpace.insert("description", " ");
        QTest::newRow("no description") << std::optional<QString>() << true << false << plain;
        QTest::newRow("empty description")
            << std::optional<QString>(QString()) << true << false << plain;
        QTest::newRow("one space")
            << std::optional<QString>(QStringLiteral(" ")) << true << false << withSpace;
        QTest::newRow("public with README")
            << std::optional<QString>(QStringLiteral("Notes \"quoted\"")) << false << true
            << QJsonObject{{"name", "my repo ✓"},
                           {"private", false},
                           {"auto_init", true},
                           {"description", "Notes \"quoted\""}};
    }

    void createRepositorySendsTheStoredTokenAndBody() {
        QFETCH(std::optional<QString>, description);
        QFETCH(bool, isPrivate);
        QFETCH(bool, autoInit);
        QFETCH(QJsonObject, expectedBody);
        storeToken(QStringLiteral("stored-token"));
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(201, repoBody));
        GitHubService service(server.baseUrl());
        test::CapturedStdout out;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("my repo ✓"), description,
                                                  isPrivate, autoInit)),
                 QStringLiteral("ok: 1296269 octocat/Hello-World"));
        QCOMPARE(out.lines(), QStringList{"KeychainHelper: Token retrieved successfully"});

        QCOMPARE(server.requests().size(), 1);
        const test::RecordedRequest& request = server.requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/user/repos"));
        QCOMPARE(request.headers.value("authorization"), QByteArray("Bearer stored-token"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(request.headers.value("accept"), QByteArray("application/vnd.github+json"));
        QVERIFY(!request.headers.contains("x-github-api-version"));
        QJsonParseError error;
        const QJsonDocument sent = QJsonDocument::fromJson(request.body, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(sent.object(), expectedBody);
    }

    void createdRepositoryIsDecoded() {
        storeToken(QStringLiteral("t"));
        LocalHttpServer server;
        GitHubService service(server.baseUrl());
        test::CapturedStdout quiet;

        server.respondWith(LocalHttpServer::response(201, repoBody));
        const GitHubRepo full = test::await(
            service.createRepository(QStringLiteral("Hello-World"), std::nullopt, true, false));
        QCOMPARE(full, (GitHubRepo{.id = 1296269,
                                   .name = "Hello-World",
                                   .fullName = "octocat/Hello-World",
                                   .htmlUrl = "https://github.com/octocat/Hello-World",
                                   .cloneUrl = "https://github.com/octocat/Hello-World.git",
                                   .sshUrl = "git@github.com:octocat/Hello-World.git",
                                   .isPrivate = true,
                                   .description = "This your first repo!"}));

        server.respondWith(
            LocalHttpServer::response(201, repoBodyWith("description", QJsonValue::Null)));
        const GitHubRepo nullDescription =
            test::await(service.createRepository(QStringLiteral("x"), std::nullopt, true, false));
        QCOMPARE(nullDescription.description, std::nullopt);
        QCOMPARE(nullDescription.name, QStringLiteral("Hello-World"));

        server.respondWith(LocalHttpServer::response(201, repoBodyWith("description", {})));
        QCOMPARE(
            test::await(service.createRepository(QStringLiteral("x"), std::nullopt, true, false))
                .description,
            std::nullopt);

        server.respondWith(
            LocalHttpServer::response(201, repoBodyWith("id", double(Q_INT64_C(1) << 40))));
        QCOMPARE(
            test::await(service.createRepository(QStringLiteral("x"), std::nullopt, true, false))
                .id,
            Q_INT64_C(1) << 40);
    }

    void undecodableCreatedRepositoryIsAnError_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no clone_url") << repoBodyWith("clone_url", {});
        QTest::newRow("no id") << repoBodyWith("id", {});
        QTest::newRow("id as text") << repoBodyWith("id", "1296269");
        QTest::newRow("id with a fraction") << repoBodyWith("id", 1.5);
        QTest::newRow("private as text") << repoBodyWith("private", "true");
        QTest::newRow("null name") << repoBodyWith("name", QJsonValue::Null);
        QTest::newRow("numeric description") << repoBodyWith("description", 7);
        QTest::newRow("not JSON") << QByteArray("<html>Created</html>");
        QTest::newRow("cut-off JSON") << repoBody.left(repoBody.size() / 2);
        QTest::newRow("array") << QByteArray("[" + repoBody + "]");
        QTest::newRow("empty") << QByteArray();
    }

    void undecodableCreatedRepositoryIsAnError() {
        QFETCH(QByteArray, body);
        storeToken(QStringLiteral("t"));
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(201, body));
        GitHubService service(server.baseUrl());
        test::CapturedStdout quiet;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("decoding"));
    }

    void failedCreationReportsGitHubsMessage_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one entry message")
            << 422
            << QByteArray(
                   "{\"message\": \"Repository creation failed.\", \"errors\": [{\"resource\": "
                   "\"Repository\", \"code\": \"custom\", \"field\": \"name\", \"message\": \"name "
                   "already exists "
                   "on this account\"}], \"documentation_url\": \"https://docs.github.com\"}")
                   .replace('\n', ' ')
                   .simplified()
            << QStringLiteral("Repository creation failed.: name already exists on this account");
        QTest::newRow("two entries")
            << 422
            << QByteArray("{\"message\": \"M\", \"errors\": [{\"message\": \"E1\"}, {\"message\": "
                          "\"E2\"}]}")
            << QStringLiteral("M: E1, E2");
        QTest::newRow("code when no message")
            << 422
            << QByteArray("{\"message\": \"Validation Failed\", \"errors\": [{\"resource\": "
                          "\"Repository\", "
                          "\"code\": \"already_exists\", \"field\": \"name\"}]}")
            << QStringLiteral("Validation Failed: already_exists");
        QTest::newRow("entries without message or code")
            << 422
            << QByteArray(
                   "{\"message\": \"M\", \"errors\": [{\"resource\": \"R\"}, {\"field\": null}]}")
            << QStringLiteral("M");
        QTest::newRow("skipped entry between others")
            << 422
            << QByteArray(
                   "{\"message\": \"M\", \"errors\": [{\"message\": \"E1\"}, {\"field\": \"f\"}, "
                   "{\"code\": \"C\"}]}")
            << QStringLiteral("M: E1, C");
        QTest::newRow("empty errors")
            << 422 << QByteArray("{\"message\": \"M\", \"errors\": []}") << QStringLiteral("M");
        QTest::newRow("null errors")
            << 403 << QByteArray("{\"message\": \"M\", \"errors\": null}") << QStringLiteral("M");
        QTest::newRow("message only")
            << 401 << QByteArray("{\"message\": \"Bad credentials\", \"status\": \"401\"}")
            << QStringLiteral("Bad credentials");
        QTest::newRow("200 with a message")
            << 200 << QByteArray("{\"message\": \"Odd\"}") << QStringLiteral("Odd");
        QTest::newRow("200 with a repository") << 200 << repoBody << QStringLiteral("HTTP 200");
        QTest::newRow("no message") << 422 << QByteArray("{\"errors\": [{\"message\": \"E\"}]}")
                                    << QStringLiteral("HTTP 422");
        QTest::newRow("numeric message")
            << 422 << QByteArray("{\"message\": 5}") << QStringLiteral("HTTP 422");
        QTest::newRow("numeric code in an entry")
            << 422 << QByteArray("{\"message\": \"M\", \"errors\": [{\"code\": 3}]}")
            << QStringLiteral("HTTP 422");
        QTest::newRow("errors not a list")
            << 422 << QByteArray("{\"message\": \"M\", \"errors\": \"E\"}")
            << QStringLiteral("HTTP 422");
        QTest::newRow("not JSON") << 500 << QByteArray("<h1>Server Error</h1>")
                                  << QStringLiteral("HTTP 500");
        QTest::newRow("cut-off JSON")
            << 502 << QByteArray("{\"message\": \"Bad") << QStringLiteral("HTTP 502");
        QTest::newRow("array") << 500 << QByteArray("[{\"message\": \"M\"}]")
                               << QStringLiteral("HTTP 500");
        QTest::newRow("empty") << 503 << QByteArray() << QStringLiteral("HTTP 503");
    }

    void failedCreationReportsGitHubsMessage() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        storeToken(QStringLiteral("t"));
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(status, body));
        GitHubService service(server.baseUrl());
        test::CapturedStdout quiet;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("api: ") + expected);
        QCOMPARE(server.requests().size(), 1);
    }

    void noStoredTokenSendsNothing() {
        {
            test::CapturedStdout quiet;
            KeychainHelper::deleteToken();
        }
        LocalHttpServer server;
        server.respondWith(LocalHttpServer::response(201, repoBody));
        GitHubService service(server.baseUrl());
        test::CapturedStdout out;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), QStringLiteral("d"), false,
                                                  true)),
                 QStringLiteral("api: No GitHub token configured"));
        QCOMPARE(out.lines(), QStringList{"KeychainHelper: No token found in keychain"});
        QTest::qWait(50);
        QVERIFY(server.requests().isEmpty());
    }

    void unansweredRequestIsGivenUpAfterTheTimeout() {
        storeToken(QStringLiteral("t"));
        LocalHttpServer server;
        server.setResponder([](const test::RecordedRequest&) { return std::nullopt; });
        GitHubService service(server.baseUrl(), 300ms);
        QCOMPARE(outcome(service.validateToken(QStringLiteral("tok"))),
                 QStringLiteral("transport: The request timed out."));
        test::CapturedStdout quiet;
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("transport: The request timed out."));
        // Nothing is retried.
        QCOMPARE(server.requests().size(), 2);
    }

    void aTrickledReplyIsCutOffByTheDeadline() {
        LocalHttpServer server;
        server.setResponder([](const test::RecordedRequest&) { return std::nullopt; });
        GitHubService service(server.baseUrl(), 400ms);
        QCoro::Task<QString> call = service.validateToken(QStringLiteral("tok"));
        QTRY_COMPARE(server.requests().size(), 1);
        // A byte every 100 ms never lets the transfer timeout see silence; the whole reply
        // would take three seconds.
        const QByteArray body = QByteArray("{\"login\": \"slow\"}").leftJustified(30, ' ');
        server.answerPart(0, "HTTP/1.1 200 OK\r\nContent-Length: 30\r\n\r\n");
        qsizetype sent = 0;
        QTimer trickle;
        QObject::connect(&trickle, &QTimer::timeout, &server, [&] {
            if (sent < body.size())
                server.answerPart(0, body.mid(sent++, 1));
        });
        trickle.start(100);
        QCOMPARE(outcome(std::move(call)), QStringLiteral("transport: The request timed out."));
    }

    void redirectsNeverCarryTheTokenToAnotherServer() {
        storeToken(QStringLiteral("stored"));
        LocalHttpServer elsewhere;
        elsewhere.respondWith(LocalHttpServer::response(200, "{\"login\": \"thief\"}"));
        LocalHttpServer server;
        const auto redirectTo = [](const QString& location) {
            return QByteArray("HTTP/1.1 307 Temporary Redirect\r\nLocation: ") + location.toUtf8() +
                   "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        };
        server.setResponder([&](const test::RecordedRequest& request) {
            if (request.path == "/moved")
                return std::optional<QByteArray>(
                    LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
            return std::optional<QByteArray>(redirectTo(elsewhere.baseUrl() + "/user"));
        });
        GitHubService service(server.baseUrl());
        const QString token = outcome(service.validateToken(QStringLiteral("secret")));
        QVERIFY2(token.startsWith(QStringLiteral("transport: ")), qPrintable(token));
        test::CapturedStdout quiet;
        const QString created =
            outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false));
        QVERIFY2(created.startsWith(QStringLiteral("transport: ")), qPrintable(created));
        QTest::qWait(50);
        QCOMPARE(elsewhere.requests().size(), 0);

        // Within the same server a redirect is still followed, with the token.
        server.setResponder([&](const test::RecordedRequest& request) {
            if (request.path == "/moved")
                return std::optional<QByteArray>(
                    LocalHttpServer::response(200, "{\"login\": \"octocat\"}"));
            return std::optional<QByteArray>(redirectTo(server.baseUrl() + "/moved"));
        });
        QCOMPARE(outcome(service.validateToken(QStringLiteral("secret"))),
                 QStringLiteral("ok: octocat"));
        QCOMPARE(server.requests().last().path, QByteArray("/moved"));
        QCOMPARE(server.requests().last().headers.value("authorization"),
                 QByteArray("Bearer secret"));
    }

    void callsRunOneAtATime() {
        LocalHttpServer server;
        server.setResponder([](const test::RecordedRequest&) { return std::nullopt; });
        GitHubService service(server.baseUrl());
        QCoro::Task<QString> first = service.validateToken(QStringLiteral("first"));
        QCoro::Task<QString> second = service.validateToken(QStringLiteral("second"));
        QCoro::Task<QString> third = service.validateToken(QStringLiteral("third"));

        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(200);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests()[0].headers.value("authorization"), QByteArray("Bearer first"));

        // A failing call hands its turn on as well.
        server.answer(0, LocalHttpServer::response(401, {}));
        QTRY_COMPARE(server.requests().size(), 2);
        QCOMPARE(server.requests()[1].headers.value("authorization"), QByteArray("Bearer second"));
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 2);

        server.answer(1, LocalHttpServer::response(200, "{\"login\": \"two\"}"));
        QTRY_COMPARE(server.requests().size(), 3);
        QCOMPARE(server.requests()[2].headers.value("authorization"), QByteArray("Bearer third"));
        server.answer(2, LocalHttpServer::response(200, "{\"login\": \"three\"}"));

        QCOMPARE(outcome(std::move(first)), QStringLiteral("api: Invalid token"));
        QCOMPARE(outcome(std::move(second)), QStringLiteral("ok: two"));
        QCOMPARE(outcome(std::move(third)), QStringLiteral("ok: three"));
    }

    void transportFailuresArePassedOn() {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        GitHubService refused(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
        const QString refusedOutcome = outcome(refused.validateToken(QStringLiteral("t")));
        QVERIFY2(refusedOutcome.startsWith(QStringLiteral("transport: ")),
                 qPrintable(refusedOutcome));

        // The connection drops before the announced body has arrived.
        LocalHttpServer server;
        server.respondWith("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n{\"login\": \"oct");
        GitHubService service(server.baseUrl());
        const QString cutOff = outcome(service.validateToken(QStringLiteral("t")));
        QVERIFY2(cutOff.startsWith(QStringLiteral("transport: ")), qPrintable(cutOff));

        // Something that is not HTTP at all.
        server.respondWith("SSH-2.0-OpenSSH_9.2\r\n\r\n");
        const QString notHttp = outcome(service.validateToken(QStringLiteral("t")));
        QVERIFY2(notHttp.startsWith(QStringLiteral("transport: ")), qPrintable(notHttp));
    }

    void hugeRepliesAreNotRead() {
        storeToken(QStringLiteral("t"));
        LocalHttpServer server;
        GitHubService service(server.baseUrl());
        const QByteArray padding(GitHubService::maximumReplySize + 1024 * 1024, 'a');
        const QByteArray hugeLogin = "{\"login\": \"octocat\", \"bio\": \"" + padding + "\"}";

        server.respondWith(LocalHttpServer::response(200, hugeLogin));
        QCOMPARE(outcome(service.validateToken(QStringLiteral("t"))),
                 QStringLiteral("api: Invalid response from GitHub"));

        test::CapturedStdout quiet;
        server.respondWith(LocalHttpServer::response(422, "{\"message\": \"" + padding + "\"}"));
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("api: HTTP 422"));

        server.respondWith(LocalHttpServer::response(201, padding));
        QCOMPARE(outcome(service.createRepository(QStringLiteral("x"), std::nullopt, false, false)),
                 QStringLiteral("decoding"));

        // A reply just under the limit is still read.
        const QByteArray large = "{\"login\": \"octocat\", \"bio\": \"" +
                                 QByteArray(GitHubService::maximumReplySize - 100, 'b') + "\"}";
        server.respondWith(LocalHttpServer::response(200, large));
        QCOMPARE(outcome(service.validateToken(QStringLiteral("t"))),
                 QStringLiteral("ok: octocat"));
    }
};

QTEST_GUILESS_MAIN(TestGitHubService)
#include "tst_GitHubService.moc"
