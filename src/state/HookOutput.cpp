#include "state/HookOutput.h"

#include "engine/commitRefusal.h"

namespace tolvane {

void HookOutput::show(const QString& hook, const QString& text) {
    setOutput(lastLines(text, keptLines));
    setHookName(hook);
}

void HookOutput::dismiss() {
    setHookName(QString());
    setOutput(QString());
}

} // namespace tolvane
