#include "engine/promptMessages.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {
namespace {

QString kindName(PromptRequest::Kind kind) {
    switch (kind) {
    case PromptRequest::Kind::Askpass:
        return QStringLiteral("askpass");
    case PromptRequest::Kind::Credential:
        return QStringLiteral("credential");
    case PromptRequest::Kind::Store:
        return QStringLiteral("store");
    }
    return {};
}

std::optional<QJsonObject> objectOf(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray lineOf(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QByteArray encodePromptRequest(const PromptRequest& request) {
    return lineOf(QJsonObject{{QStringLiteral("kind"), kindName(request.kind)},
                              {QStringLiteral("session"), request.session},
                              {QStringLiteral("prompt"), request.prompt},
                              {QStringLiteral("hint"), request.hint},
                              {QStringLiteral("protocol"), request.protocol},
                              {QStringLiteral("host"), request.host},
                              {QStringLiteral("username"), request.username}});
}

std::optional<PromptRequest> decodePromptRequest(const QByteArray& line) {
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object)
        return std::nullopt;
    const QString kind = object->value(QStringLiteral("kind")).toString();
    PromptRequest request;
    if (kind == u"askpass")
        request.kind = PromptRequest::Kind::Askpass;
    else if (kind == u"credential")
        request.kind = PromptRequest::Kind::Credential;
    else if (kind == u"store")
        request.kind = PromptRequest::Kind::Store;
    else
        return std::nullopt;
    request.session = object->value(QStringLiteral("session")).toString();
    request.prompt = object->value(QStringLiteral("prompt")).toString();
    request.hint = object->value(QStringLiteral("hint")).toString();
    request.protocol = object->value(QStringLiteral("protocol")).toString();
    request.host = object->value(QStringLiteral("host")).toString();
    request.username = object->value(QStringLiteral("username")).toString();
    return request;
}

QByteArray encodePromptReply(const PromptReply& reply) {
    return lineOf(QJsonObject{{QStringLiteral("cancelled"), reply.cancelled},
                              {QStringLiteral("answer"), reply.answer},
                              {QStringLiteral("username"), reply.username},
                              {QStringLiteral("password"), reply.password},
                              {QStringLiteral("remember"), reply.remember}});
}

std::optional<PromptReply> decodePromptReply(const QByteArray& line) {
    const std::optional<QJsonObject> object = objectOf(line);
    if (!object)
        return std::nullopt;
    return PromptReply{.cancelled = object->value(QStringLiteral("cancelled")).toBool(),
                       .answer = object->value(QStringLiteral("answer")).toString(),
                       .username = object->value(QStringLiteral("username")).toString(),
                       .password = object->value(QStringLiteral("password")).toString(),
                       .remember = object->value(QStringLiteral("remember")).toBool()};
}

} // namespace tolvane
