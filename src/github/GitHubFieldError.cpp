#include "github/GitHubFieldError.h"

#include "github/jsonFields.h"

namespace tolvane {

GitHubFieldError GitHubFieldError::fromJson(const QJsonValue& value) {
    using namespace jsonFields;
    const QJsonObject object = requireObject(value, QStringLiteral("an entry of \"errors\""));
    return GitHubFieldError{
        .resource = optionalString(object, QStringLiteral("resource")),
        .field = optionalString(object, QStringLiteral("field")),
        .code = optionalString(object, QStringLiteral("code")),
        .message = optionalString(object, QStringLiteral("message")),
    };
}

} // namespace tolvane
