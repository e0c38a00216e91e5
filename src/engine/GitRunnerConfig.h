#pragma once

#include <QString>
#include <chrono>

namespace tolvane {

// Process-wide constants of the git runner. Tests may override them; the application never does.
struct GitRunnerConfig {
    QString gitExecutable = QStringLiteral("/usr/bin/git");
    // Scheme and host of GitHub's web site, no trailing slash.
    QString gitHubWebOrigin = QStringLiteral("https://github.com");
    // Local commands still running after this are sent SIGTERM; network commands never are.
    std::chrono::milliseconds localTimeLimit = std::chrono::seconds(300);
    // How long a command that was asked to stop may take before it is killed.
    std::chrono::milliseconds terminationGrace = std::chrono::seconds(3);
    // The program git and ssh start to ask the window; empty means this program itself.
    QString helperExecutable;

    static GitRunnerConfig current();
    static void set(const GitRunnerConfig& config);
};

} // namespace tolvane
