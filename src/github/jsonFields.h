#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// Strict readers for GitHub's JSON replies: explicit keys, no type conversion. Each throws
// GitHubDecodingError naming the key when it is missing or holds the wrong type.
namespace tolvane::jsonFields {

// The body parsed as a JSON object; anything else (not JSON, an array, a scalar) throws.
QJsonObject parseObject(const QByteArray& body);
// Objects nested inside a reply (entries of a list) are checked the same way.
QJsonObject requireObject(const QJsonValue& value, const QString& what);

QString requiredString(const QJsonObject& object, const QString& key);
qint64 requiredInteger(const QJsonObject& object, const QString& key);
bool requiredBool(const QJsonObject& object, const QString& key);
// Absent or null give none; any other type than text throws.
std::optional<QString> optionalString(const QJsonObject& object, const QString& key);

} // namespace tolvane::jsonFields
