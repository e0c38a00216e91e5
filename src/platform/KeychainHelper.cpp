#include "platform/KeychainHelper.h"

#include "platform/TokenSecretSchema.h"
#include "platform/strictUtf8.h"

#include <cstdio>

namespace tolvane::KeychainHelper {
namespace {

void printLine(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// A GError code of 0 is a real failure in many domains; never let it read as success.
int statusOf(GError* error) {
    const int code = error->code == 0 ? -1 : error->code;
    g_error_free(error);
    return code;
}

} // namespace

bool saveToken(const QString& token) {
    const QByteArray data = token.toUtf8();
    GError* error = nullptr;
    SecretValue* value = secret_value_new(data.constData(), data.size(), "text/plain");
    // Storing with the same attributes replaces the existing item, so there is never a second one.
    secret_password_store_binary_sync(tokenSecretSchema(), SECRET_COLLECTION_DEFAULT,
                                      "Tolvane GitHub token", value, nullptr, &error, "service",
                                      tokenService, "account", tokenAccount, nullptr);
    secret_value_unref(value);
    if (error) {
        printLine(QStringLiteral("KeychainHelper: Failed to save token, OSStatus: %1")
                      .arg(statusOf(error)));
        return false;
    }
    printLine(QStringLiteral("KeychainHelper: Token saved successfully"));
    return true;
}

std::optional<QString> getToken() {
    GError* error = nullptr;
    SecretValue* value =
        secret_password_lookup_binary_sync(tokenSecretSchema(), nullptr, &error, "service",
                                           tokenService, "account", tokenAccount, nullptr);
    if (error) {
        printLine(QStringLiteral("KeychainHelper: Failed to get token, OSStatus: %1")
                      .arg(statusOf(error)));
        return std::nullopt;
    }
    if (!value) {
        printLine(QStringLiteral("KeychainHelper: No token found in keychain"));
        return std::nullopt;
    }
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    if (!bytes) {
        secret_value_unref(value);
        printLine(QStringLiteral("KeychainHelper: Token data is not valid"));
        return std::nullopt;
    }
    std::optional<QString> token = strictUtf8(QByteArrayView(bytes, qsizetype(length)));
    secret_value_unref(value);
    printLine(QStringLiteral("KeychainHelper: Token retrieved successfully"));
    return token;
}

bool deleteToken() {
    GError* error = nullptr;
    const gboolean removed =
        secret_password_clear_sync(tokenSecretSchema(), nullptr, &error, "service", tokenService,
                                   "account", tokenAccount, nullptr);
    int status = 0;
    if (error) {
        status = statusOf(error);
        printLine(
            QStringLiteral("KeychainHelper: Failed to delete token, OSStatus: %1").arg(status));
    } else if (!removed) {
        status = itemNotFound;
        printLine(QStringLiteral("KeychainHelper: No token to delete (not found)"));
    } else {
        printLine(QStringLiteral("KeychainHelper: Token deleted successfully"));
    }
    if (getToken().has_value()) {
        printLine(QStringLiteral("KeychainHelper: WARNING — token still present after deletion"));
        return false;
    }
    return status == 0 || status == itemNotFound;
}

} // namespace tolvane::KeychainHelper
