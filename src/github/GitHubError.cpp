#include "github/GitHubError.h"

#include "github/GitHubDecodingError.h"
#include "github/jsonFields.h"

#include <QJsonArray>
#include <QStringList>

namespace tolvane {

std::optional<GitHubError> GitHubError::fromJson(const QByteArray& body) {
    using namespace jsonFields;
    try {
        const QJsonObject object = parseObject(body);
        GitHubError error{.message = requiredString(object, QStringLiteral("message")),
                          .errors = std::nullopt};
        const QJsonValue list = object.value(QStringLiteral("errors"));
        if (list.isUndefined() || list.isNull())
            return error;
        if (!list.isArray())
            return std::nullopt;
        QList<GitHubFieldError> entries;
        for (const QJsonValue& entry : list.toArray())
            entries.append(GitHubFieldError::fromJson(entry));
        error.errors = std::move(entries);
        return error;
    } catch (const GitHubDecodingError&) {
        return std::nullopt;
    }
}

QString GitHubError::displayMessage() const {
    if (!errors)
        return message;
    QStringList details;
    for (const GitHubFieldError& entry : *errors) {
        if (entry.message)
            details.append(*entry.message);
        else if (entry.code)
            details.append(*entry.code);
    }
    const QString joined = details.join(QStringLiteral(", "));
    return joined.isEmpty() ? message : message + QStringLiteral(": ") + joined;
}

} // namespace tolvane
