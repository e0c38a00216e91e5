#include "settings/SettingsNotifier.h"

namespace tolvane {

SettingsNotifier& SettingsNotifier::instance() {
    static SettingsNotifier notifier;
    return notifier;
}

} // namespace tolvane
