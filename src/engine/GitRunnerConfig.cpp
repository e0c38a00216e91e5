#include "engine/GitRunnerConfig.h"

#include <QMutex>

namespace tolvane {
namespace {

QMutex& configMutex() {
    static QMutex mutex;
    return mutex;
}

GitRunnerConfig& storedConfig() {
    static GitRunnerConfig config;
    return config;
}

} // namespace

GitRunnerConfig GitRunnerConfig::current() {
    QMutexLocker lock(&configMutex());
    return storedConfig();
}

void GitRunnerConfig::set(const GitRunnerConfig& config) {
    QMutexLocker lock(&configMutex());
    storedConfig() = config;
}

} // namespace tolvane
