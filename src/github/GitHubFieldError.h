#pragma once

#include <QJsonValue>
#include <QString>
#include <optional>

namespace tolvane {

// One entry of the "errors" list in GitHub's error body.
struct GitHubFieldError {
    std::optional<QString> resource;
    std::optional<QString> field;
    std::optional<QString> code;
    std::optional<QString> message;

    friend bool operator==(const GitHubFieldError&, const GitHubFieldError&) = default;

    // Throws GitHubDecodingError when the entry is not an object or a field is not text or null.
    static GitHubFieldError fromJson(const QJsonValue& value);
};

} // namespace tolvane
