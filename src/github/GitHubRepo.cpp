#include "github/GitHubRepo.h"

#include "github/jsonFields.h"

namespace tolvane {

GitHubRepo GitHubRepo::fromJson(const QByteArray& body) {
    using namespace jsonFields;
    const QJsonObject object = parseObject(body);
    return GitHubRepo{
        .id = requiredInteger(object, QStringLiteral("id")),
        .name = requiredString(object, QStringLiteral("name")),
        .fullName = requiredString(object, QStringLiteral("full_name")),
        .htmlUrl = requiredString(object, QStringLiteral("html_url")),
        .cloneUrl = requiredString(object, QStringLiteral("clone_url")),
        .sshUrl = requiredString(object, QStringLiteral("ssh_url")),
        .isPrivate = requiredBool(object, QStringLiteral("private")),
        .description = optionalString(object, QStringLiteral("description")),
    };
}

} // namespace tolvane
