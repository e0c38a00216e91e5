#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvane {

// A repository as GitHub describes it after creating it.
struct GitHubRepo {
    qint64 id = 0;
    QString name;
    QString fullName;
    QString htmlUrl;
    QString cloneUrl;
    QString sshUrl;
    bool isPrivate = false;
    std::optional<QString> description;

    friend bool operator==(const GitHubRepo&, const GitHubRepo&) = default;

    // Decodes a reply body; keys other than the ones above are ignored. Throws
    // GitHubDecodingError when the body is not an object, a required key is missing, or a value
    // has the wrong type.
    static GitHubRepo fromJson(const QByteArray& body);
};

} // namespace tolvane
