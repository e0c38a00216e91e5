#pragma once

#include "github/GitHubFieldError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// The body GitHub sends with a failing status.
struct GitHubError {
    QString message;
    std::optional<QList<GitHubFieldError>> errors;

    friend bool operator==(const GitHubError&, const GitHubError&) = default;

    // None when the body is not such an object (not JSON, no text "message", a malformed
    // "errors" list).
    static std::optional<GitHubError> fromJson(const QByteArray& body);

    // The message followed, when any entry has a message or else a code, by ": " and those
    // texts joined with ", ".
    QString displayMessage() const;
};

} // namespace tolvane
