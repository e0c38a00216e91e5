#include "platform/CredentialStore.h"

#include "platform/TokenSecretSchema.h"
#include "platform/strictUtf8.h"

#include <libsecret/secret.h>

namespace tolvane {
namespace {

struct Attributes {
    GHashTable* table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    Attributes() = default;
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    ~Attributes() { g_hash_table_unref(table); }
    void add(const char* name, const QString& value) {
        g_hash_table_insert(table, g_strdup(name), g_strdup(value.toUtf8().constData()));
    }
};

void fill(Attributes& attributes, const NetworkCredentialKey& key) {
    if (!key.user.isEmpty())
        attributes.add("user", key.user);
    attributes.add("server", key.server);
    if (key.port)
        attributes.add("port", QString::number(*key.port));
    attributes.add("protocol", key.protocol);
}

} // namespace

NetworkCredentialKey NetworkCredentialKey::fromGit(const QString& protocol, const QString& host,
                                                   const QString& user) {
    NetworkCredentialKey key{protocol, host, std::nullopt, user};
    // An IPv6 literal keeps its brackets; only a colon after them starts a port.
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon > 0 && colon > host.lastIndexOf(u']')) {
        bool ok = false;
        const int port = host.mid(colon + 1).toInt(&ok);
        if (ok) {
            key.server = host.left(colon);
            key.port = port;
        }
    }
    return key;
}

namespace CredentialStore {

std::optional<NetworkCredential> find(const NetworkCredentialKey& key) {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    Attributes attributes;
    fill(attributes, key);
    GList* items = secret_service_search_sync(
        service, SECRET_SCHEMA_COMPAT_NETWORK, attributes.table,
        SecretSearchFlags(SECRET_SEARCH_LOAD_SECRETS | SECRET_SEARCH_UNLOCK), nullptr, &error);
    std::optional<NetworkCredential> found;
    if (error) {
        g_error_free(error);
    } else if (items) {
        auto* item = static_cast<SecretItem*>(items->data);
        SecretValue* secret = secret_item_get_secret(item);
        GHashTable* itemAttributes = secret_item_get_attributes(item);
        const auto* user = static_cast<const char*>(g_hash_table_lookup(itemAttributes, "user"));
        if (secret) {
            gsize length = 0;
            const gchar* bytes = secret_value_get(secret, &length);
            const std::optional<QString> password =
                bytes ? strictUtf8(QByteArrayView(bytes, qsizetype(length))) : std::nullopt;
            if (password && user)
                found = NetworkCredential{QString::fromUtf8(user), *password};
            secret_value_unref(secret);
        }
        g_hash_table_unref(itemAttributes);
    }
    g_list_free_full(items, g_object_unref);
    g_object_unref(service);
    return found;
}

bool store(const NetworkCredentialKey& key, const QString& password) {
    if (key.user.isEmpty())
        return false;
    Attributes attributes;
    fill(attributes, key);
    QString label = QStringLiteral("Git: %1://%2").arg(key.protocol, key.server);
    if (key.port)
        label += u':' + QString::number(*key.port);
    label += u'/';
    GError* error = nullptr;
    const QByteArray secret = password.toUtf8();
    secret_password_storev_sync(SECRET_SCHEMA_COMPAT_NETWORK, attributes.table,
                                SECRET_COLLECTION_DEFAULT, label.toUtf8().constData(),
                                secret.constData(), nullptr, &error);
    if (error) {
        g_error_free(error);
        return false;
    }
    return true;
}

bool erase(const NetworkCredentialKey& key) {
    Attributes attributes;
    fill(attributes, key);
    GError* error = nullptr;
    secret_password_clearv_sync(SECRET_SCHEMA_COMPAT_NETWORK, attributes.table, nullptr, &error);
    if (error) {
        g_error_free(error);
        return false;
    }
    return true;
}

std::optional<QString> gitHubToken() {
    GError* error = nullptr;
    SecretValue* value =
        secret_password_lookup_binary_sync(tokenSecretSchema(), nullptr, &error, "service",
                                           tokenService, "account", tokenAccount, nullptr);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    std::optional<QString> token =
        bytes ? strictUtf8(QByteArrayView(bytes, qsizetype(length))) : std::nullopt;
    secret_value_unref(value);
    return token;
}

} // namespace CredentialStore
} // namespace tolvane
