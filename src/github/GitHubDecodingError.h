#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tolvane {

// A reply body that is not the JSON a call expects: not JSON at all, too large, a required key
// missing, or a value of the wrong type.
class GitHubDecodingError : public std::exception {
public:
    explicit GitHubDecodingError(const QString& reason)
        : m_description(QStringLiteral("The reply from GitHub could not be read: ") + reason),
          m_what(m_description.toUtf8()) {}

    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

} // namespace tolvane
