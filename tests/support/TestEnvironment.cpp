#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace tolvane::test {

TestEnvironment::TestEnvironment() : m_homePath(m_home.path()) {
    QDir(m_homePath).mkpath(QStringLiteral(".config"));
    QDir(m_homePath).mkpath(QStringLiteral(".local/share"));
    const QString gitConfig = m_homePath + QStringLiteral("/.gitconfig");
    QFile file(gitConfig);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("[user]\n\tname = Test User\n\temail = test@example.com\n"
                   "[init]\n\tdefaultBranch = main\n"
                   "[protocol \"file\"]\n\tallow = always\n");
    }
    // The real keyring (when one runs) lives in the D-Bus session, not under HOME, so only the
    // files git and Qt read are redirected here.
    qputenv("HOME", m_homePath.toUtf8());
    qputenv("XDG_DATA_HOME", (m_homePath + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_homePath + QStringLiteral("/.config")).toUtf8());
    qputenv("GIT_CONFIG_GLOBAL", gitConfig.toUtf8());
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
    qputenv("GIT_AUTHOR_NAME", "Test User");
    qputenv("GIT_AUTHOR_EMAIL", "test@example.com");
    qputenv("GIT_COMMITTER_NAME", "Test User");
    qputenv("GIT_COMMITTER_EMAIL", "test@example.com");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_homePath + QStringLiteral("/.config"));
}

namespace {
const char* const identityVariables[] = {
    "GIT_AUTHOR_NAME", "GIT_AUTHOR_EMAIL", "GIT_COMMITTER_NAME", "GIT_COMMITTER_EMAIL",
    "EMAIL",           "GIT_CONFIG_GLOBAL"};
} // namespace

WithoutGitIdentity::WithoutGitIdentity(const QString& repository) {
    for (const char* variable : identityVariables) {
        m_saved.append(qEnvironmentVariableIsSet(variable) ? std::optional(qgetenv(variable))
                                                           : std::nullopt);
        qunsetenv(variable);
    }
    QFile global(globalConfig());
    global.open(QIODevice::WriteOnly);
    global.close();
    qputenv("GIT_CONFIG_GLOBAL", globalConfig().toUtf8());
    QProcess::execute(QStringLiteral("/usr/bin/git"),
                      {QStringLiteral("-C"), repository, QStringLiteral("config"),
                       QStringLiteral("user.useConfigOnly"), QStringLiteral("true")});
}

WithoutGitIdentity::~WithoutGitIdentity() {
    for (qsizetype i = 0; i < m_saved.size(); ++i) {
        if (m_saved[i])
            qputenv(identityVariables[i], *m_saved[i]);
        else
            qunsetenv(identityVariables[i]);
    }
}

QString WithoutGitIdentity::globalConfig() const {
    return m_dir.filePath(QStringLiteral("gitconfig"));
}

} // namespace tolvane::test
