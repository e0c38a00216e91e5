#pragma once

#include <QObject>
#include <QString>

namespace tolvane {

// Tells every view bound to a preference that it changed, so that an edit in the settings window
// is seen at once everywhere. Interface thread only.
class SettingsNotifier : public QObject {
    Q_OBJECT
public:
    static SettingsNotifier& instance();

Q_SIGNALS:
    void changed(const QString& key);

private:
    SettingsNotifier() = default;
};

} // namespace tolvane
