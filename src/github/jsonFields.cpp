#include "github/jsonFields.h"

#include "github/GitHubDecodingError.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>
#include <cmath>

namespace tolvane::jsonFields {

namespace {

QJsonValue requiredValue(const QJsonObject& object, const QString& key) {
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        throw GitHubDecodingError(QStringLiteral("the key \"%1\" is missing").arg(key));
    return found.value();
}

[[noreturn]] void wrongType(const QString& key, const char* expected) {
    throw GitHubDecodingError(
        QStringLiteral("the value of \"%1\" is not %2").arg(key, QLatin1String(expected)));
}

} // namespace

QJsonObject parseObject(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw GitHubDecodingError(
            QStringLiteral("it is not valid JSON (%1)").arg(error.errorString()));
    if (!document.isObject())
        throw GitHubDecodingError(QStringLiteral("it is not a JSON object"));
    return document.object();
}

QJsonObject requireObject(const QJsonValue& value, const QString& what) {
    if (!value.isObject())
        throw GitHubDecodingError(QStringLiteral("%1 is not a JSON object").arg(what));
    return value.toObject();
}

QString requiredString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = requiredValue(object, key);
    if (!value.isString())
        wrongType(key, "text");
    return value.toString();
}

qint64 requiredInteger(const QJsonObject& object, const QString& key) {
    const QJsonValue value = requiredValue(object, key);
    if (!value.isDouble())
        wrongType(key, "a number");
    // Integers that fit in 64 bits are kept exactly; a number with a fraction is not an id.
    const QVariant exact = value.toVariant();
    if (exact.typeId() == QMetaType::LongLong)
        return exact.toLongLong();
    const double number = value.toDouble();
    if (std::trunc(number) != number || std::fabs(number) >= 9.2e18)
        wrongType(key, "an integer");
    return static_cast<qint64>(number);
}

bool requiredBool(const QJsonObject& object, const QString& key) {
    const QJsonValue value = requiredValue(object, key);
    if (!value.isBool())
        wrongType(key, "true or false");
    return value.toBool();
}

std::optional<QString> optionalString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        wrongType(key, "text");
    return value.toString();
}

} // namespace tolvane::jsonFields
