#pragma once

#include "state/ObservableField.h"

#include <QObject>
#include <QString>

namespace tolvane {

// What the last hook that refused a commit, merge or push printed, for the panel below the
// commit box. Empty when no hook refused anything since the panel was closed.
class HookOutput : public QObject {
    Q_OBJECT
    TOLVANE_FIELD(QString, hookName, setHookName)
    // Standard output and error together, as git passed them on; the last lines only.
    TOLVANE_FIELD(QString, output, setOutput)

public:
    // Lines kept of a hook's output.
    static constexpr int keptLines = 200;

    explicit HookOutput(QObject* parent = nullptr) : QObject(parent) {}

    bool isShown() const { return !m_hookName.isEmpty(); }
    // Shows what `hook` printed before it refused.
    void show(const QString& hook, const QString& text);
    void dismiss();

Q_SIGNALS:
    void hookNameChanged();
    void outputChanged();
};

} // namespace tolvane
