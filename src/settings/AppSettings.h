#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace tolvane {

// Every preference key of the program, with its type and default. A missing key, or a value of
// the wrong type, reads as the default.
namespace SettingsKey {
inline constexpr auto appearance = "appearance";
inline constexpr auto showCommitGraph = "showCommitGraph";
inline constexpr auto maxGraphColumns = "maxGraphColumns";
inline constexpr auto shortenBranchLines = "shortenBranchLines";
inline constexpr auto showDotFiles = "showDotFiles";
inline constexpr auto showAllFiles = "showAllFiles";
inline constexpr auto enforceNoreplyEmail = "enforceNoreplyEmail";
inline constexpr auto noreplyEmail = "noreplyEmail";
inline constexpr auto gitHubUsername = "gitHubUsername";
inline constexpr auto hasGitHubToken = "hasGitHubToken";
inline constexpr auto savedRepositoryBookmarks = "savedRepositoryBookmarks";
inline constexpr auto lastActiveRepositoryPath = "lastActiveRepositoryPath";
inline constexpr auto cloneParentFolder = "cloneParentFolder";
// Repository path → the commit message typed and not yet committed.
inline constexpr auto keptCommitMessages = "keptCommitMessages";
inline constexpr auto updateSubmodules = "updateSubmodules";
} // namespace SettingsKey

namespace SettingsDefault {
inline const QString appearance = QStringLiteral("system");
inline constexpr bool showCommitGraph = true;
inline constexpr int maxGraphColumns = 10;
inline constexpr bool shortenBranchLines = true;
inline constexpr bool showDotFiles = false;
inline constexpr bool showAllFiles = false;
inline constexpr bool enforceNoreplyEmail = false;
inline const QString noreplyEmail;
inline constexpr bool hasGitHubToken = false;
// "ask", "always" or "never": whether submodules follow a pointer an operation moved.
inline const QString updateSubmodules = QStringLiteral("ask");
} // namespace SettingsDefault

// GitHub's domain for private commit e-mail addresses.
inline const QString gitHubNoreplyDomain = QStringLiteral("users.noreply.github.com");

// Typed access to the per-user settings store (organisation and application "Tolvane").
// Setters notify SettingsNotifier when the stored value really changes.
class AppSettings {
public:
    // The folder the last clone went into; the home folder before the first.
    static QString cloneParentFolder();
    static void setCloneParentFolder(const QString& value);
    static QString appearance();
    static void setAppearance(const QString& value);
    static bool showCommitGraph();
    static void setShowCommitGraph(bool value);
    static int maxGraphColumns();
    static void setMaxGraphColumns(int value);
    // Long lines of the history graph end in arrows instead of crossing many rows.
    static bool shortenBranchLines();
    static void setShortenBranchLines(bool value);
    static bool showDotFiles();
    static void setShowDotFiles(bool value);
    static QString updateSubmodules();
    static void setUpdateSubmodules(const QString& value);
    static bool showAllFiles();
    static void setShowAllFiles(bool value);
    static bool enforceNoreplyEmail();
    static void setEnforceNoreplyEmail(bool value);
    static QString noreplyEmail();
    static void setNoreplyEmail(const QString& value);
    static std::optional<QString> gitHubUsername();
    static void setGitHubUsername(const std::optional<QString>& value);
    // The commit message kept for the repository at `path`; empty when none. Setting an empty
    // one forgets it.
    static QString keptCommitMessage(const QString& path);
    static void setKeptCommitMessage(const QString& path, const QString& message);
    static bool hasGitHubToken();
    static void setHasGitHubToken(bool value);
    // None when absent or not a list of byte strings: a damaged value restores nothing.
    static std::optional<QList<QByteArray>> savedRepositoryBookmarks();
    static void setSavedRepositoryBookmarks(const QList<QByteArray>& value);
    static std::optional<QString> lastActiveRepositoryPath();
    static void setLastActiveRepositoryPath(const std::optional<QString>& value);

    // The noreply address offered as placeholder: the GitHub name at the noreply domain when known,
    // otherwise the example "user@" address.
    static QString noreplyPlaceholder();

    // Raw access for the rare caller that needs it (tests writing damaged values).
    static QVariant rawValue(const char* key);
    static void setRawValue(const char* key, const QVariant& value);
    static void remove(const char* key);
};

} // namespace tolvane
