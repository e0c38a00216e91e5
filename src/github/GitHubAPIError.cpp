#include "github/GitHubAPIError.h"

namespace tolvane {

GitHubAPIError::GitHubAPIError(Kind kind, QString message)
    : m_kind(kind), m_message(std::move(message)) {
    m_what = description().toUtf8();
}

GitHubAPIError GitHubAPIError::apiError(const QString& message) {
    return GitHubAPIError(Kind::ApiError, message);
}

GitHubAPIError GitHubAPIError::noToken() {
    return GitHubAPIError(Kind::NoToken, {});
}

GitHubAPIError GitHubAPIError::invalidResponse() {
    return GitHubAPIError(Kind::InvalidResponse, {});
}

QString GitHubAPIError::description() const {
    switch (m_kind) {
    case Kind::ApiError:
        return m_message;
    case Kind::NoToken:
        return QStringLiteral("No GitHub token configured");
    case Kind::InvalidResponse:
        break;
    }
    return QStringLiteral("Invalid response from GitHub");
}

} // namespace tolvane
