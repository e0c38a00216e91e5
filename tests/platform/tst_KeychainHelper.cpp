#include "platform/KeychainHelper.h"
#include "platform/TokenSecretSchema.h"
#include "support/CapturedStdout.h"

#include <QProcess>
#include <QTest>

using namespace tolvane;

namespace {

// How many items the secret store holds for the token, asked of the store itself.
int storedItemCount() {
    GError* error = nullptr;
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("service"), const_cast<char*>(tokenService));
    g_hash_table_insert(attributes, const_cast<char*>("account"), const_cast<char*>(tokenAccount));
    GList* items = secret_password_searchv_sync(tokenSecretSchema(), attributes, SECRET_SEARCH_ALL,
                                                nullptr, &error);
    g_hash_table_unref(attributes);
    if (error) {
        g_error_free(error);
        return -1;
    }
    const int count = int(g_list_length(items));
    g_list_free_full(items, g_object_unref);
    return count;
}

} // namespace

class TestKeychainHelper : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        test::CapturedStdout quiet;
        KeychainHelper::deleteToken();
    }

    void saveTwiceKeepsOneItemWithTheSecondValue() {
        test::CapturedStdout out;
        QVERIFY(KeychainHelper::saveToken(QStringLiteral("first")));
        QVERIFY(KeychainHelper::saveToken(QStringLiteral("second ✓")));
        QCOMPARE(out.lines(),
                 (QStringList{QStringLiteral("KeychainHelper: Token saved successfully"),
                              QStringLiteral("KeychainHelper: Token saved successfully")}));
        QCOMPARE(storedItemCount(), 1);
        QCOMPARE(KeychainHelper::getToken(), std::optional<QString>(QStringLiteral("second ✓")));
        QCOMPARE(out.lines().last(),
                 QStringLiteral("KeychainHelper: Token retrieved successfully"));
    }

    void emptyTokenIsStillAToken() {
        test::CapturedStdout out;
        QVERIFY(KeychainHelper::saveToken(QString()));
        QCOMPARE(KeychainHelper::getToken(), std::optional<QString>(QString()));
    }

    void getAfterDeleteFindsNothing() {
        test::CapturedStdout out;
        QVERIFY(KeychainHelper::saveToken(QStringLiteral("abc")));
        QVERIFY(KeychainHelper::deleteToken());
        QCOMPARE(out.lines().mid(1),
                 (QStringList{QStringLiteral("KeychainHelper: Token deleted successfully"),
                              QStringLiteral("KeychainHelper: No token found in keychain")}));
        QVERIFY(!KeychainHelper::getToken().has_value());
        QCOMPARE(out.lines().last(), QStringLiteral("KeychainHelper: No token found in keychain"));
    }

    void deletingNothingSucceeds() {
        test::CapturedStdout out;
        QVERIFY(KeychainHelper::deleteToken());
        QCOMPARE(out.lines(),
                 (QStringList{QStringLiteral("KeychainHelper: No token to delete (not found)"),
                              QStringLiteral("KeychainHelper: No token found in keychain")}));
    }

    void nonUtf8SecretReadsAsNone() {
        GError* error = nullptr;
        SecretValue* value = secret_value_new("\xff\xfe bad", 6, "application/octet-stream");
        secret_password_store_binary_sync(tokenSecretSchema(), SECRET_COLLECTION_DEFAULT, "bad",
                                          value, nullptr, &error, "service", tokenService,
                                          "account", tokenAccount, nullptr);
        secret_value_unref(value);
        QVERIFY(!error);
        test::CapturedStdout out;
        QVERIFY(!KeychainHelper::getToken().has_value());
    }

    void missingSecretServiceFailsQuietly() {
        // A child without a session bus: every call prints its failure line and reports failure.
        if (qEnvironmentVariableIsSet("TOLVANE_KEYCHAIN_CHILD")) {
            const bool saved = KeychainHelper::saveToken(QStringLiteral("x"));
            const bool found = KeychainHelper::getToken().has_value();
            const bool deleted = KeychainHelper::deleteToken();
            QVERIFY(!saved && !found && !deleted);
            return;
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TOLVANE_KEYCHAIN_CHILD"), QStringLiteral("1"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=/nonexistent/bus"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("missingSecretServiceFailsQuietly")});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(
            output.contains(QStringLiteral("KeychainHelper: Failed to save token, OSStatus: ")),
            qPrintable(output));
        QVERIFY(output.contains(QStringLiteral("KeychainHelper: Failed to get token, OSStatus: ")));
        QVERIFY(
            output.contains(QStringLiteral("KeychainHelper: Failed to delete token, OSStatus: ")));
    }
};

QTEST_GUILESS_MAIN(TestKeychainHelper)
#include "tst_KeychainHelper.moc"
